// Conversions by several sessions at once and runs of a conversion (the
// paths of --threads and --segment) against one session, frame by frame, on
// every clip and triplet of the footage in modes 0 to 2, at twice the input
// rate and at a downconversion, cut into parts at every point where one
// session starts afresh; and the points themselves against the restarts the
// module reports in its log, at many rates.
#include <gtest/gtest.h>

#include <random>

#include "clip_provider.h"
#include "conversion_schedule.h"
#include "frame_times.h"
#include "host_environment.h"
#include "module_pass.h"
#include "module_session.h"
#include "parallel_pass.h"
#include "pixel_formats.h"
#include "scratch_dir.h"
#include "session_restarts.h"
#include "standin/log_control.h"
#include "testdata.h"
#include "y4m_clip.h"

namespace fitool {
namespace {

using frameinterp::testing::kFootage;

constexpr uint32_t kFormats[] = {kFormatI420, kFormatNv12, kFormatBgra};

uint64_t Digest(const Picture& picture) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const std::vector<uint8_t>* plane : {&picture.y, &picture.u, &picture.v}) {
    for (const uint8_t b : *plane) hash = (hash ^ b) * 0x100000001b3ull;
  }
  return hash;
}

// The digests of the frames a conversion of `path` hands on: by one session
// as --threads 1 makes it (no `run`), or by `sessions` sessions with a part
// at every point where one session starts afresh.
std::vector<uint64_t> Convert(const std::string& path, uint32_t mode, Rational rate,
                              uint32_t format, int sessions, std::optional<OutputRun> run) {
  Options options;
  options.quiet = true;
  options.pixel_format = format;
  const auto clip = Y4mClip::Open(path, Y4mClip::Access::kForward);
  FrameStore store(*clip, sessions + 1);
  ConversionSchedule schedule(*clip, rate, &store);
  const RequestPlan plan = schedule.Plan();
  std::vector<uint64_t> frames;
  const FrameSink keep = [&](int64_t, int64_t, const Picture& p) { frames.push_back(Digest(p)); };
  if (run) {
    RunParallelConversion(options, store, clip->header().rate, mode, plan, *run, sessions, 1, keep,
                          nullptr);
  } else {
    RunModulePass(options, *clip, clip->header().rate, mode, plan, keep);
  }
  return frames;
}

// Conversions of `path` at `rates` in modes 0 to 2 by several sessions, and
// runs 1 to 3 of 3 joined, against one session; `variant` picks the pixel
// format of each mode.
void ExpectOneSessionsFrames(const std::string& path, std::initializer_list<Rational> rates,
                             size_t variant) {
  for (const Rational rate : rates) {
    for (const uint32_t mode : {kModeRepeat, kModeBlend, kModeMotion}) {
      const uint32_t format = kFormats[(variant + mode) % 3];
      const std::string what = std::string(ModeName(mode)) + " at " + RateText(rate) +
                               " in format " + std::to_string(format);
      const std::vector<uint64_t> one = Convert(path, mode, rate, format, 1, std::nullopt);
      ASSERT_FALSE(one.empty()) << what;
#if defined(_WIN32)
      const std::initializer_list<int> counts = {2};  // under Wine: one case, to keep it quick
#else
      const std::initializer_list<int> counts = {2, 3, 7};
#endif
      for (const int sessions : counts) {
        EXPECT_EQ(Convert(path, mode, rate, format, sessions, OutputRun{}), one)
            << what << ", " << sessions << " sessions";
      }
      std::vector<uint64_t> joined;
      for (int64_t k = 1; k <= 3; ++k) {
        const OutputRun run = SegmentOf({k, 3}, static_cast<int64_t>(one.size()));
        const std::vector<uint64_t> part = Convert(path, mode, rate, format, 2, run);
        EXPECT_EQ(static_cast<int64_t>(part.size()), *run.end - run.first) << what << ", run " << k;
        joined.insert(joined.end(), part.begin(), part.end());
      }
      EXPECT_EQ(joined, one) << what << ", runs 1 to 3 of 3 joined";
    }
  }
}

class ParallelConversion : public ::testing::TestWithParam<size_t> {};

TEST_P(ParallelConversion, GivesOneSessionsFramesForAnyNumberOfSessionsAndRuns) {
  const HostEnvironment host(0);
  const std::string path = frameinterp::testing::TestdataPath(kFootage[GetParam()]);
  const Rational input = Y4mClip::Open(path, Y4mClip::Access::kRandom)->header().rate;
  ExpectOneSessionsFrames(path, {DoubledRate(input), Reduced({2 * input.num, 5 * input.den})},
                          GetParam());
}

INSTANTIATE_TEST_SUITE_P(Footage, ParallelConversion, ::testing::Range<size_t>(0, std::size(kFootage)));

// Frames under 200 ticks apart leave no point to start a run at but the
// first (a run begun later would differ in every mode): the runs fall back
// to one session's requests from the start.
TEST(ParallelConversion, OfAnInputWithoutStartingPointsFallsBackToFewerRuns) {
  const HostEnvironment host(0);
  const std::string footage = Slurp(frameinterp::testing::TestdataPath(kFootage[2]));
  const ScratchDir folder;
  const std::string path = folder.Write(
      "fast.y4m", "YUV4MPEG2 W80 H44 F60000:1" + footage.substr(footage.find(" Ip")));
  ExpectOneSessionsFrames(path, {{90000, 1}, {24000, 1}}, 0);
}

// Every restart of a motion session, which its log reports as the fetch of a
// new window, comes where the rule says one session starts afresh, and no
// other, at random input and output rates.
TEST(SessionRestarts, AreWhereTheMotionSessionRestartsItsWindow) {
  const HostEnvironment host(0);
  std::vector<Picture> pictures;
  for (int i = 0; i < 12; ++i) pictures.push_back(Picture::Filled(64, 64, 16 + 16 * i, 128));
  PictureList frames(pictures);
  std::mt19937 random(19);
  for (int pair = 0; pair < 150; ++pair) {
    const Rational input = Reduced({std::uniform_int_distribution<int64_t>(1, 120000)(random),
                                    std::uniform_int_distribution<int64_t>(1, 1001)(random)});
    const double factor = std::uniform_real_distribution<double>(0.3, 5.0)(random);
    const Rational output = Reduced({static_cast<int64_t>(static_cast<double>(input.num) * factor * 8),
                                     input.den * 8});
    if (!RateProblem(input).empty() || !RateProblem(output).empty() ||
        FrameTime(1, input) < 200) {
      continue;  // the rule claims no restarts between frames less than 200 ticks apart
    }
    const auto module = ModuleSession::Open(DefaultModulePath());
    module->Configure(std::make_shared<ClipProvider>(frames, input, kFormatI420), kModeMotion, false);
    SessionRestarts rule(kModeMotion, input, frames);
    const int64_t end = FrameTime(frames.count(), input) - 100;
    for (const int64_t t : RequestTimes(output, end)) {
      standin::TakeCapturedLog();
      module->session().GetFrame(t, 0);
      bool restarted = false;
      for (const standin::LogLine& line : standin::TakeCapturedLog()) {
        restarted |= line.text.rfind("*******************FrameSourceImpl::GetFrame", 0) == 0;
      }
      ASSERT_EQ(rule.Next(t), restarted) << RateText(output) << " from " << RateText(input)
                                         << " at " << t;
    }
  }
}

}  // namespace
}  // namespace fitool
