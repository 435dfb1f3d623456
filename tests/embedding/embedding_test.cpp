// Sessions used as a host uses them, over footage whose pictures carry a
// metadata tag: on threads of their own at once, and over pictures whose rows
// are padded beyond their width. Each answers, sample for sample, as a session
// alone over packed rows.
#include <gtest/gtest.h>

#include <latch>
#include <thread>

#include "frame_times.h"
#include "frameinterpimpl.h"
#include "output_digests.h"
#include "pixel_formats.h"
#include "standin/locked_picture.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "standin/standard_services.h"
#include "testdata.h"

namespace {

using Frames = std::vector<standin::ScriptedFrame>;
constexpr uint32_t kFormats[] = {1, 6, 20};
constexpr int32_t kPadding = 52;

// The host services for mode 1, the module's log silenced.
class Embedding : public ::testing::Test {
protected:
  void SetUp() override {
    standin::SetLogThreshold(5);
    standin::RegisterStandardServices();
  }
  void TearDown() override { standin::UnregisterStandardServices(); }
};

golden::Clip Footage(const char* relative) {
  return golden::ReadClip(frameinterp::testing::TestdataPath(relative));
}

// The clip's frames at its frame times as new host pictures of `format`, rows
// padded as the stand-in is set; `count` frames, the clip played over and over.
Frames TaggedFrames(const golden::Clip& clip, uint32_t format, int64_t count = 0) {
  Frames frames;
  for (int64_t i = 0; i < (count ? count : clip.frames->count()); ++i) {
    auto picture = fitool::ToHostBuffer(clip.frames->Frame(i % clip.frames->count()), format);
    picture->GetDesc(0)->GetMetadata(0)->AddTag("camera");
    const int64_t pts = fitool::FrameTime(i, clip.rate);
    frames.push_back({pts, fitool::FrameTime(i + 1, clip.rate) - pts, std::move(picture), false});
  }
  return frames;
}

// A digest of each answer of a session in `mode`, asked for every frame at
// twice the clip's rate.
std::vector<uint64_t> AnswerDigests(const golden::Clip& clip, Frames frames, uint32_t mode) {
  frameinterp::FrameInterpImpl session;
  session.SetProvider(std::make_shared<standin::ScriptedProvider>(
      FrameRate{clip.rate.num, clip.rate.den}, std::move(frames)));
  session.SetMode(mode);
  std::vector<uint64_t> digests;
  golden::RequestClip(
      clip, fitool::Rational{2 * clip.rate.num, clip.rate.den},
      [&](int64_t pts) { return session.GetFrame(pts, 0); },
      [&](const std::vector<uint8_t>& bytes) { digests.push_back(golden::Fnv1a(bytes)); });
  return digests;
}

TEST_F(Embedding, SessionsOnThreadsAtOnceAnswerAsEachAloneInEveryModeAndFormat) {
  const golden::Clip clip = Footage("clips/rapids_176x96_60f.y4m");
  struct Run {
    uint32_t mode, format;
    const Frames* frames;  // shared by the runs of a format
    std::vector<uint64_t> digests;
  };
  Frames pictures[std::size(kFormats)];
  std::vector<Run> runs;
  for (size_t f = 0; f < std::size(kFormats); ++f) {
    pictures[f] = TaggedFrames(clip, kFormats[f]);
    for (const uint32_t mode : {0u, 1u, 2u}) runs.push_back({mode, kFormats[f], &pictures[f], {}});
  }
  // Every first request (and so the first use of the pixel kernels) at once.
  std::latch start(static_cast<std::ptrdiff_t>(runs.size()));
  std::vector<std::thread> threads;
  for (Run& run : runs) {
    threads.emplace_back([&clip, &start, &run] {
      start.arrive_and_wait();
      run.digests = AnswerDigests(clip, *run.frames, run.mode);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const Run& run : runs) {
    EXPECT_EQ(run.digests, AnswerDigests(clip, *run.frames, run.mode))
        << "mode " << run.mode << ", format " << run.format;
  }
}

// A window that a request at a frame time left half filled (that frame
// pushed twice, the upstream frame the answer) holds nothing before it: an
// earlier request starts afresh, as in a new session.
TEST_F(Embedding, ARequestBeforeAHalfFilledWindowAnswersAsInANewSession) {
  const golden::Clip clip = Footage("clips/cars_320x240_30fps.y4m");
  const Frames frames = TaggedFrames(clip, 1, 300);
  const auto provider = [&] {
    return std::make_shared<standin::ScriptedProvider>(FrameRate{clip.rate.num, clip.rate.den},
                                                       frames);
  };
  const int64_t earlier = 11'166'666;  // between frames 33 and 34
  frameinterp::FrameInterpImpl fresh, jumped;
  fresh.SetProvider(provider());
  jumped.SetProvider(provider());
  fresh.SetMode(2);
  jumped.SetMode(2);
  const frameinterp::SamplePtr at_frame = jumped.GetFrame(15'333'318, 0);  // frame 46
  ASSERT_EQ(at_frame->GetPts(), frames[46].pts) << "the upstream frame itself";
  const frameinterp::SamplePtr expected = fresh.GetFrame(earlier, 0);
  const frameinterp::SamplePtr answer = jumped.GetFrame(earlier, 0);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), earlier);
  EXPECT_EQ(golden::AnswerBytes(answer), golden::AnswerBytes(expected));
}

// The stride of the first plane: of a provider's picture, and of a buffer of
// the host's allocator for the same description.
std::pair<int32_t, int32_t> Strides(avcore::IMediaBuffer& picture) {
  avcore::IMediaAllocator* allocator = nullptr;
  OVKAvCoreDefaultAllocatorAcquire(&allocator);
  std::shared_ptr<avcore::IMediaBuffer> allocated;
  allocator->Allocate(&allocated, picture.GetDesc(0), 0, 0);
  const standin::LockedPicture a(picture, 0), b(*allocated, 0);
  return {a.strides[0], b.strides[0]};
}

TEST_F(Embedding, PaddedRowsFromProviderAndAllocatorAnswerAsPackedOnesInEveryModeAndFormat) {
  const golden::Clip clip = Footage("clips/CiscoVT2people_160x96_6fps.y4m");
  for (const uint32_t format : kFormats) {
    const Frames packed = TaggedFrames(clip, format);
    standin::SetRowPadding(kPadding);
    const Frames padded = TaggedFrames(clip, format);
    const int32_t row = format == 20 ? 4 * 160 : 160;
    ASSERT_EQ(Strides(*padded[0].picture), std::pair(row + kPadding, row + kPadding));
    for (const uint32_t mode : {0u, 1u, 2u}) {
      standin::SetRowPadding(kPadding);
      const std::vector<uint64_t> answers = AnswerDigests(clip, padded, mode);
      standin::SetRowPadding(0);
      EXPECT_EQ(answers, AnswerDigests(clip, packed, mode))
          << "mode " << mode << ", format " << format;
    }
  }
}

}  // namespace
