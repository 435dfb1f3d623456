// Reading YUV4MPEG2 clips: what is accepted, and one clear reason naming the
// file for every malformed case.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "scratch_dir.h"
#include "tool_error.h"
#include "y4m_clip.h"

namespace fitool {
namespace {

// One 4x2 frame: 8 luma bytes and 2 + 2 chroma bytes, all of value `fill`.
std::string FramePayload(char fill) { return std::string(12, fill); }

// `bytes` as a stream read once from its start.
std::unique_ptr<Y4mClip> Stream(const std::string& bytes, Y4mClip::Access access) {
  std::FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  return Y4mClip::Read("pipe", file, true, std::nullopt, access);
}

// The message of the ToolError that `open` throws, after "<name>: ".
std::string Failure(const std::string& name, const std::function<void()>& open) {
  try {
    open();
  } catch (const ToolError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind(name + ": ", 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    return message.substr(name.size() + 2);
  }
  ADD_FAILURE() << "accepted";
  return "";
}

class Y4mClipTest : public ::testing::Test {
protected:
  // The message with which opening `bytes` as a file fails; a stream read
  // whole fails with the same.
  std::string Rejection(const std::string& bytes) {
    const std::string path = dir_.Write("clip.y4m", bytes);
    const std::string message =
        Failure(path, [&] { Y4mClip::Open(path, Y4mClip::Access::kForward); });
    EXPECT_EQ(Failure("pipe", [&] { Stream(bytes, Y4mClip::Access::kRandom); }), message)
        << bytes.substr(0, 60);
    return message;
  }

  ScratchDir dir_;
};

TEST_F(Y4mClipTest, RejectsMalformedHeadersSizesRatesAndColourFormats) {
  const std::string body = " F25:1\nFRAME\n" + FramePayload('a');
  for (const auto& [bytes, problem] : std::vector<std::pair<std::string, std::string>>{
           {"", "missing header (the file is empty)"},
           {"RIFF1234\n", "not a YUV4MPEG2 file (the header does not start with YUV4MPEG2); "
                           "decode it to YUV4MPEG2 first, for example with ffmpeg -i INPUT"},
           {"YUV4MPEG2X W4 H2 F25:1\n", "not a YUV4MPEG2 file"},
           {"YUV4MPEG2\n", "the header has no width (W)"},
           {"YUV4MPEG2 W4 H2 F25:1", "not terminated by a newline"},
           {"YUV4MPEG2 H2 F25:1\n", "no width"},
           {"YUV4MPEG2 W4 F25:1\n", "no height"},
           {"YUV4MPEG2 W4 H2\n", "no frame rate"},
           {"YUV4MPEG2 W4 W4 H2 F25:1\n", "repeated W"},
           {"YUV4MPEG2 W4 H2 F25:1 " + std::string(70000, 'X') + "\n", "too long"},
           {"YUV4MPEG2 W0 H2" + body, "zero width"},
           {"YUV4MPEG2 W4 H0" + body, "zero height"},
           {"YUV4MPEG2 W40000 H2" + body, "above 16384; scale it down first, for example with"},
           {"YUV4MPEG2 W-4 H2" + body, "invalid width"},
           {"YUV4MPEG2 W99999999999 H2" + body, "invalid width"},
           {"YUV4MPEG2 W4 H2 F0:1\n", "zero"},
           {"YUV4MPEG2 W4 H2 F25:0\n", "zero"},
           {"YUV4MPEG2 W4 H2 F25\n", "invalid frame rate 'F25'"},
           {"YUV4MPEG2 W4 H2 F-25:1\n", "invalid frame rate"},
           {"YUV4MPEG2 W4 H2 F1000000:1\n", "above 100000"},
           {"YUV4MPEG2 W4 H2 F25:1 C422\n",
            "unsupported colour format 'C422' (supported: 8-bit 4:2:0 as C420, C420jpeg"},
           {"YUV4MPEG2 W4 H2 F25:1 C420p10\n", "unsupported bit depth in colour format 'C420p10'"},
       }) {
    EXPECT_NE(Rejection(bytes).find(problem), std::string::npos) << problem;
  }
  // Every format a user can convert upstream names the way to do it.
  for (const char* colour : {"C420p10", "C444p12", "Cmono16", "C422", "C444", "C444alpha", "Cmono",
                             "C411"}) {
    const std::string message = Rejection(std::string("YUV4MPEG2 W4 H2 F25:1 ") + colour + "\n");
    EXPECT_TRUE(message.ends_with(
        "); convert it to 8-bit 4:2:0 first, for example with ffmpeg's -pix_fmt yuv420p"))
        << message;
  }
}

// Odd sizes: chroma planes of (W + 1)/2 x (H + 1)/2, in files and streams;
// interlaced clips read as progressive pictures, their output header Ip.
TEST_F(Y4mClipTest, OddSizesCarryChromaRoundedUpAndInterlacingBecomesProgressive) {
  std::string bytes = "YUV4MPEG2 W5 H3 F25:1 It A1:1\n";  // 15 + 2 x 3 x 2 bytes a frame
  for (char fill : {'a', 'b'}) {
    bytes += "FRAME\n" + std::string(15, fill) + "uuuuuu" + std::string(6, fill);
  }
  Picture expected = Picture::Filled(5, 3, 'b', 'b');
  expected.u.assign(6, 'u');
  for (const auto& clip : {Y4mClip::Open(dir_.Write("odd.y4m", bytes), Y4mClip::Access::kRandom),
                           Stream(bytes, Y4mClip::Access::kForward)}) {
    EXPECT_EQ(clip->Frame(1), expected);
    EXPECT_FALSE(clip->Has(2));
    EXPECT_TRUE(clip->header().interlaced);
    EXPECT_EQ(clip->header().LineWithRate({50, 1}), "YUV4MPEG2 W5 H3 F50:1 Ip A1:1\n");
  }
  EXPECT_EQ(Rejection("YUV4MPEG2 W5 H3 F25:1\nFRAME\n" + std::string(26, 'a')),
            "truncated last frame: frame 0 has 26 of 27 bytes");
}

TEST_F(Y4mClipTest, RejectsMissingFrameLinesTruncationAndEmptyClips) {
  const std::string header = "YUV4MPEG2 W4 H2 F25:1\n";
  EXPECT_EQ(Rejection(header), "no frames after the header");
  EXPECT_EQ(Rejection(header + "FRAME\n" + FramePayload('a') + "FRAMEX\n"),
            "frame 1 does not start with a FRAME line");
  EXPECT_EQ(Rejection(header + "FRAME\n" + FramePayload('a') + "junk"),
            "the FRAME line of frame 1 is not terminated by a newline (truncated file?)");
  EXPECT_EQ(Rejection(header + "FRAME\n" + FramePayload('a') + "FRAME\n" + FramePayload('b') +
                      "FRAME\n" + std::string(5, 'c')),
            "truncated last frame: frame 2 has 5 of 12 bytes");
  EXPECT_EQ(Rejection(header + "FRAME\n"), "truncated last frame: frame 0 has 0 of 12 bytes");
  // The largest picture on a short input: refused without waiting for it.
  EXPECT_EQ(Rejection("YUV4MPEG2 W16384 H16384 F25:1\nFRAME\n" + std::string(1000, 'a')),
            "truncated last frame: frame 0 has 1000 of 402653184 bytes");
}

TEST(Y4mClipStream, ReadForwardKeepsItsLastFramesAndNamesAFrameAskedForAfterThem) {
  std::string bytes = "YUV4MPEG2 W4 H2 F25:1\n";
  for (int i = 0; i < 12; ++i) bytes += "FRAME\n" + FramePayload(static_cast<char>('a' + i));
  const auto clip = Stream(bytes, Y4mClip::Access::kForward);
  EXPECT_FALSE(clip->count().has_value());
  EXPECT_TRUE(clip->Has(11));
  EXPECT_FALSE(clip->Has(12));
  EXPECT_EQ(clip->count(), 12);
  EXPECT_TRUE(clip->Has(0));  // still a frame of the clip
  EXPECT_EQ(clip->Frame(8).y[0], 'i');
  EXPECT_EQ(clip->Frame(11).y[0], 'l');
  EXPECT_EQ(Failure("pipe", [&] { clip->Frame(7); }),
            "frame 7 was asked for again after the input had moved on (a stream is read once, "
            "keeping its last 4 frames)");
}

// Frame lines may carry parameters; frames read back in any order.
// Rates may be written unreduced, with up to ten digits on either side.
TEST_F(Y4mClipTest, AcceptsEveryFourTwoZeroTagKeepsUnknownTokensAndReadsFramesInAnyOrder) {
  for (const char* colour : {"", " C420", " C420jpeg", " C420paldv", " C420mpeg2"}) {
    std::string bytes = std::string("YUV4MPEG2 W4 H2 F30000:1001") + colour + " XYSCSS=420JPEG\n";
    for (char fill : {'a', 'b', 'c'}) bytes += std::string("FRAME Ixyz\n") + FramePayload(fill);
    const auto clip = Y4mClip::Open(dir_.Write("ok.y4m", bytes), Y4mClip::Access::kForward);
    ASSERT_EQ(clip->count(), 3);
    EXPECT_EQ(clip->header().rate, (Rational{30000, 1001}));
    EXPECT_EQ(clip->header().LineWithRate({60000, 1001}),
              std::string("YUV4MPEG2 W4 H2 F60000:1001") + colour + " XYSCSS=420JPEG\n");
    for (int64_t index : {2, 0, 1, 2}) {
      const auto fill = static_cast<uint8_t>('a' + index);
      EXPECT_EQ(clip->Frame(index), Picture::Filled(4, 2, fill, fill));
    }
  }
  const auto unreduced = Y4mClip::Open(
      dir_.Write("long.y4m", "YUV4MPEG2 W4 H2 F3000000000:1000000000\nFRAME\n" + FramePayload('a')),
      Y4mClip::Access::kForward);
  EXPECT_EQ(unreduced->header().rate, (Rational{3000000000, 1000000000}));
}

}  // namespace
}  // namespace fitool
