// The provider the harness gives the module: a new sample per call sharing
// the picture, failures kept for the harness, and the formats it serves (its
// seeks, steps, times and durations are what every golden conversion and
// every pass-through run of the program relies on).
#include <gtest/gtest.h>

#include "clip_provider.h"
#include "pixel_formats.h"
#include "tool_error.h"

namespace fitool {
namespace {

// Five 4x2 frames, frame i filled with the value 10 × i.
PictureList FiveFrames() {
  std::vector<Picture> pictures;
  for (int i = 0; i < 5; ++i) {
    pictures.push_back(Picture::Filled(4, 2, static_cast<uint8_t>(10 * i),
                                       static_cast<uint8_t>(10 * i + 1)));
  }
  return PictureList(std::move(pictures));
}

TEST(ClipProvider, EachCallGivesANewSampleSharingThePicture) {
  PictureList frames = FiveFrames();
  ClipProvider provider(frames, {30000, 1001}, kFormatI420);
  int32_t status = 0;
  provider.Seek(667'333, 0, &status);
  const auto first = provider.GetCurrentFrame(&status);
  const auto second = provider.GetCurrentFrame(&status);
  ASSERT_NE(first, second);
  first->SetPts(5);
  first->SetDuration(6);
  EXPECT_EQ(second->GetPts(), 667'333);
  EXPECT_EQ(second->GetDuration(), 333'667);
  std::shared_ptr<avcore::IMediaBuffer> a, b;
  first->GetBuffer(&a, 0, 0);
  second->GetBuffer(&b, 0, 0);
  EXPECT_EQ(a, b);
}

// A sequence that counts the pictures read.
class CountedFrames final : public FrameSequence {
public:
  bool Has(int64_t index) override { return frames_.Has(index); }
  Picture Frame(int64_t index) override {
    ++reads;
    return frames_.Frame(index);
  }
  int reads = 0;

private:
  PictureList frames_ = FiveFrames();
};

// A restarting window asks again for the frames just read: the last four
// pictures are kept and served again, each read once; an older one is read
// anew.
TEST(ClipProvider, KeepsTheLastFourPictures) {
  CountedFrames frames;
  ClipProvider provider(frames, {25, 1}, kFormatI420);
  int32_t status = 0;
  const auto picture_at = [&](int64_t index) {
    provider.Seek(index * 400'000, 0, &status);
    std::shared_ptr<avcore::IMediaBuffer> buffer;
    provider.GetCurrentFrame(&status)->GetBuffer(&buffer, 0, 0);
    return buffer;
  };
  const auto first = picture_at(0);
  for (const int64_t index : {1, 2, 3, 0, 2, 1, 3}) picture_at(index);
  EXPECT_EQ(frames.reads, 4);
  EXPECT_EQ(picture_at(0), first);
  picture_at(4);  // takes the place of frame 0, the first read
  EXPECT_NE(picture_at(0), first);
  EXPECT_EQ(frames.reads, 6);
}

// Frames that exist but can no longer be read, as in a stream that moved on.
class UnreadableFrames final : public FrameSequence {
public:
  bool Has(int64_t index) override { return index >= 0 && index < 3; }
  Picture Frame(int64_t index) override {
    throw ToolError("frame " + std::to_string(index) + " is gone");
  }
};

TEST(ClipProviderFailures, AreKeptForTheHarnessAndAnsweredAsTheEndOfTheStream) {
  UnreadableFrames frames;
  ClipProvider provider(frames, {25, 1}, kFormatI420);
  int32_t status = 0;
  EXPECT_EQ(provider.Seek(400'000, 0, &status), 400'000);
  EXPECT_FALSE(provider.failure());
  EXPECT_EQ(provider.GetCurrentFrame(&status), nullptr);
  EXPECT_EQ(provider.failure(), "frame 1 is gone");
  EXPECT_EQ(provider.MoveNext(&status), 1);
  EXPECT_EQ(provider.failure(), "frame 1 is gone");
}

// (The format, size and memory type it serves are what every golden row reads.)
TEST(ClipProviderFormats, NoFrameCountAndNothingBeforeTheFirstSeek) {
  PictureList frames = FiveFrames();
  ClipProvider provider(frames, {25, 1}, kFormatNv12);
  int32_t status = 0;
  EXPECT_EQ(provider.GetInfo(), 0u);  // the same for a stream of unknown length
  EXPECT_EQ(provider.GetCurrentFrame(&status), nullptr);
}

}  // namespace
}  // namespace fitool
