// Mode 2 on real footage: a still scene, a hard cut between two unrelated
// clips, and real triplets with their true middle frames (the golden table
// holds the conversions of every clip byte for byte).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame_source_motion.h"
#include "host_pictures.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "y4m_reader.h"

namespace {

using frameinterp::SamplePtr;
using motiontest::HostPicture;
using motiontest::I420;
using motiontest::Planes;
using standin::ScriptedFrame;
using standin::ScriptedProvider;

constexpr int64_t kStep = 333'333;  // 30 frames per second

// The first frames of a clip of the footage folder; the calling test stops
// with one message naming the folder when they cannot be read.
frameinterp::testing::Y4MVideo Clip(const std::string& name, int32_t frames) {
  auto video = frameinterp::testing::read_y4m(std::string(FRAMEINTERP_TESTDATA_DIR) + "/" + name, frames);
  if (static_cast<int32_t>(video.frames.size()) != frames) {
    throw std::runtime_error("cannot read " + std::to_string(frames) + " frames of " + name +
                             " in the test footage folder " + FRAMEINTERP_TESTDATA_DIR);
  }
  return video;
}

// The w x h part of a clip's frame whose top-left is (x0, y0); all even.
I420 Crop(const frameinterp::testing::Y4MVideo& video, size_t index, int32_t x0, int32_t y0,
          int32_t w, int32_t h) {
  I420 out(w, h);
  const uint8_t* f = video.frames[index].data();
  const size_t luma = static_cast<size_t>(video.width) * video.height;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) out.y(x, y) = f[static_cast<size_t>(y0 + y) * video.width + x0 + x];
  }
  for (int32_t y = 0; y < h / 2; ++y) {
    for (int32_t x = 0; x < w / 2; ++x) {
      const size_t at = static_cast<size_t>(y0 / 2 + y) * (video.width / 2) + x0 / 2 + x;
      out.u(x, y) = f[luma + at];
      out.v(x, y) = f[luma + luma / 4 + at];
    }
  }
  return out;
}

I420 Whole(const frameinterp::testing::Y4MVideo& video, size_t index) {
  return Crop(video, index, 0, 0, video.width, video.height);
}

ScriptedFrame At(int i, const I420& picture) { return {i * kStep, kStep, HostPicture(picture, 1), false}; }

struct Footage : ::testing::Test {
  SamplePtr Request(std::vector<ScriptedFrame> frames, int64_t pts) {
    provider = std::make_shared<ScriptedProvider>(FrameRate{30, 1}, std::move(frames));
    source = std::make_unique<frameinterp::FrameSourceMotionImpl>(provider, false);
    return source->GetFrame(pts, 0);
  }
  std::shared_ptr<ScriptedProvider> provider;
  std::unique_ptr<frameinterp::FrameSourceMotionImpl> source;
};

TEST_F(Footage, AStillSceneGivesBackTheStillPictureExactly) {
  const auto cars = Clip("clips/cars_320x240_30fps.y4m", 1);
  std::vector<ScriptedFrame> frames;
  for (int i = 0; i < 6; ++i) frames.push_back(At(i, Whole(cars, 0)));
  const SamplePtr answer = Request(std::move(frames), 2 * kStep + 2 * kStep / 5);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), 2 * kStep + 2 * kStep / 5);
  EXPECT_EQ(Planes(answer), Planes(HostPicture(Whole(cars, 0), 1)));
}

TEST_F(Footage, AHardCutCopiesTheNearerFrame) {
  // Cars (frames 0 to 3), then river rapids: two unrelated scenes of one size.
  const auto cars = Clip("clips/cars_320x240_30fps.y4m", 4);
  const auto rapids = Clip("clips/rapids_176x96_60f.y4m", 4);
  std::vector<ScriptedFrame> frames;
  for (int i = 0; i < 4; ++i) frames.push_back(At(i, Crop(cars, i, 72, 72, 176, 96)));
  for (int i = 0; i < 4; ++i) frames.push_back(At(4 + i, Whole(rapids, i)));

  SamplePtr answer = Request(frames, 3 * kStep + kStep / 4);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(Planes(answer), Planes(frames[3].picture)) << "a quarter past the last cars frame";
  EXPECT_EQ(answer->GetPts(), 3 * kStep + kStep / 4);
  answer = source->GetFrame(3 * kStep + 3 * kStep / 4, 0);
  EXPECT_EQ(Planes(answer), Planes(frames[4].picture)) << "three quarters: the first rapids frame";
}

double LumaPsnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double squares = 0;
  for (size_t i = 0; i < a.size(); ++i) squares += (a[i] - b[i]) * (a[i] - b[i]);
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / squares);
}

// Frame 1 of the clip is the true middle of frames 0 and 2: the synthesised
// middle must come closer to it than the plain blend of the two.
TEST_F(Footage, TheMiddleOfARealTripletBeatsThePlainBlend) {
  for (const char* name : {"clips/park_joy_src01_576x324_50fps_3f.y4m", "middlebury/Urban2/Urban2_triplet.y4m",
                           "middlebury/Dimetrodon/Dimetrodon_triplet.y4m"}) {
    const auto clip = Clip(name, 3);
    const I420 first = Whole(clip, 0), middle = Whole(clip, 1), last = Whole(clip, 2);
    // The window needs a frame on either side of the interval.
    const SamplePtr answer =
        Request({At(0, first), At(1, first), At(2, last), At(3, last)}, kStep + kStep / 2);
    ASSERT_NE(answer, nullptr) << name;
    const size_t luma = static_cast<size_t>(clip.width) * clip.height;
    const std::vector<uint8_t> truth(middle.bytes.begin(), middle.bytes.begin() + static_cast<std::ptrdiff_t>(luma));
    std::vector<uint8_t> blend(luma);
    for (size_t i = 0; i < luma; ++i) blend[i] = static_cast<uint8_t>((first.bytes[i] + last.bytes[i] + 1) / 2);
    const double synthesised = LumaPsnr(Planes(answer)[0], truth);
    const double blended = LumaPsnr(blend, truth);
    std::printf("%s: synthesised %.2f dB, blend %.2f dB\n", name, synthesised, blended);
    EXPECT_GT(synthesised, blended) << name;
  }
}

}  // namespace
