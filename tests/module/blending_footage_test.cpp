// Mode 1 end to end through the session, on real footage in each layout: every
// request at twice the clip's frame rate is answered, the upstream frames pass
// through unchanged, and every in-between picture is the host's blend of its
// two neighbours; each step to the next pair costs no seek.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "blending_support.h"
#include "frameinterpimpl.h"

namespace {

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
  frameinterp::FrameInterpImpl session;
  session.SetProvider(provider);
  session.SetMode(1);
  const int64_t blended = blendtest::BlendAtTwiceTheRate(session, *provider);
  EXPECT_EQ(blended, static_cast<int64_t>(clip.frames.size()) - 1);
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
