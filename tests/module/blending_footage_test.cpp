// Mode 1 end to end through the session, on real footage: every request at
// twice the clip's frame rate is answered, the upstream frames pass through
// unchanged at their own times, and every in-between picture is the host's
// blend of its two neighbours at the request's position between them.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "blending_support.h"
#include "frameinterpimpl.h"

namespace {

using blendtest::BufferOf;
using frameinterp::SamplePtr;

struct Footage {
  const char* file;
  uint32_t format;
  int32_t max_frames;
};

void PrintTo(const Footage& footage, std::ostream* out) {
  *out << footage.file << " in format " << footage.format;
}

class BlendingFootage : public blendtest::ServicesFixture,
                        public ::testing::WithParamInterface<Footage> {};

TEST_P(BlendingFootage, Mode1AtTwiceTheFrameRate) {
  const auto clip = blendtest::ReadClip(GetParam().file, GetParam().max_frames);
  ASSERT_GE(clip.frames.size(), 3u) << GetParam().file;
  auto provider = std::make_shared<standin::ScriptedProvider>(
      FrameRate{clip.rate_num, clip.rate_den}, blendtest::FramesFromClip(clip, GetParam().format));
  const auto& frames = provider->frames();

  frameinterp::FrameInterpImpl session;
  session.SetProvider(provider);
  session.SetMode(1);

  int64_t blended = 0;
  size_t left = 0;
  for (int64_t k = 0;; ++k) {
    // Output frame k of the rate 2·num/den.
    const int64_t t = k * 10'000'000 * clip.rate_den / (2 * clip.rate_num);
    if (t > frames.back().pts) break;
    const SamplePtr answer = session.GetFrame(t, 0);
    ASSERT_NE(answer, nullptr) << "request " << k;
    while (left + 1 < frames.size() && frames[left + 1].pts <= t) ++left;
    const standin::ScriptedFrame& before = frames[left];
    if (t - before.pts < 100) {
      // On an upstream frame: that frame, unchanged.
      EXPECT_EQ(BufferOf(answer), before.picture) << "request " << k;
      EXPECT_EQ(answer->GetPts(), before.pts);
      EXPECT_EQ(answer->GetDuration(), before.duration);
      continue;
    }
    const standin::ScriptedFrame& after = frames.at(left + 1);
    const int64_t gap = after.pts - before.pts;
    const float factor = static_cast<float>(t - before.pts) / static_cast<float>(gap);
    EXPECT_EQ(answer->GetPts(), t);
    EXPECT_EQ(answer->GetDuration(), gap);
    ASSERT_TRUE(blendtest::IsBlendOf(BufferOf(answer).get(), before.picture.get(),
                                     after.picture.get(), factor))
        << "request " << k << " at " << t << " between " << before.pts << " and " << after.pts;
    ++blended;
  }
  EXPECT_EQ(blended, static_cast<int64_t>(frames.size()) - 1);
  EXPECT_EQ(services().blend_calls, blended);
  // Each step to the next pair cost one forward step of the provider, no seek.
  EXPECT_EQ(provider->calls().seek, 1);
  // The log holds one trace per blend and nothing else.
  EXPECT_EQ(static_cast<int64_t>(Log().size()), blended);
  EXPECT_EQ(Lines("frameinterp").size(), Log().size());
}

INSTANTIATE_TEST_SUITE_P(Clips, BlendingFootage,
                         ::testing::Values(Footage{"RTn23_80x44_15fps.y4m", 1, 15},
                                           Footage{"RTn23_80x44_15fps.y4m", 6, 15},
                                           Footage{"RTn23_80x44_15fps.y4m", 20, 15},
                                           Footage{"cars_320x240_30fps.y4m", 1, 30},
                                           Footage{"rapids_176x96_60f.y4m", 1, 20}),
                         [](const ::testing::TestParamInfo<Footage>& param) {
                           const std::string file = param.param.file;
                           return file.substr(0, file.find('_')) + "_format" +
                                  std::to_string(param.param.format);
                         });

}  // namespace
