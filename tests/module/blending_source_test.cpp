// The blending frame source: for each request, the answer (an upstream frame
// passed through or the host's blend of the two that enclose the time), its
// time and duration, what it costs the provider and what it logs; and how
// the source holds and hands back the host's services.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "blending_support.h"
#include "debug_switches.h"
#include "frameinterpimpl.h"
#include "host/core.h"
#include "request_script.h"
#include "standin/service_registry.h"
#include "stepping_clock.h"

namespace {

using blendtest::PatternFrames;
using blendtest::SamplePtr;
using frameinterp::kNoTime;
using scripttest::Blend;
using scripttest::LastAnswer;
using scripttest::Nothing;
using scripttest::Request;
using scripttest::Script;
using scripttest::Upstream;

constexpr int64_t kStep = 400'000;  // 25 frames per second
constexpr FrameRate kRate{25, 1};

// The trace line of a blend.
std::string Trace(int fetches, int64_t left, int64_t pts, int64_t right, const char* factor) {
  return "frameinterp 0 try_num " + std::to_string(fetches) + ". pts (" + std::to_string(left) +
         ", " + std::to_string(pts) + ", " + std::to_string(right) + "), factor " + factor +
         ", gap " + std::to_string(right - left);
}

// A request between upstream frames `frame` (at `left`) and `frame` + 1 (at
// `right`), answered by their blend at `factor` and traced with `fetches`.
Request Blended(int64_t pts, int frame, int64_t left, int64_t right, const char* factor,
                int fetches, scripttest::Reads reads) {
  return {pts, Blend(frame, std::stof(factor), pts, right - left), reads,
          {Trace(fetches, left, pts, right, factor)}};
}

class BlendingSource : public blendtest::BlendingFixture {
protected:
  void SetUp() override {
    BlendingFixture::SetUp();
    Use(kRate, PatternFrames(10, 0, kStep, kStep));
  }

  void Run(const std::vector<Request>& script) {
    scripttest::RunScript([&](int64_t pts) { return source->GetFrame(pts, 0); }, *provider,
                          script);
  }
};

TEST_F(BlendingSource, EachRequestGetsItsAnswerStampAndProviderCalls) {
  constexpr int64_t kShort = 300'000;  // frames that end before the next one starts
  const Script scripts[] = {
      {"forward at twice the rate, back, and past the pair",
       kRate,
       PatternFrames(10, 0, kStep, kStep),
       {{0, Upstream(0, 0, kStep), {1, 0, 1}},
        Blended(200'000, 0, 0, kStep, "0.500000", 1, {0, 1, 1}),
        {200'099, LastAnswer(), {}},
        {199'901, LastAnswer(), {}},
        Blended(200'100, 0, 0, kStep, "0.500250", 0, {}),
        {400'000, Upstream(1, kStep, kStep), {}},
        Blended(600'000, 1, kStep, 2 * kStep, "0.500000", 1, {0, 1, 1}),
        {399'901, Upstream(1, kStep, kStep), {}},
        Blended(399'900, 0, 0, kStep, "0.999750", 1, {1, 1, 2}),
        Blended(600'000, 1, kStep, 2 * kStep, "0.500000", 1, {0, 1, 1}),
        {2'000'000, Upstream(5, 2'000'000, kStep), {0, 3, 3}},
        Blended(2'200'000, 5, 2'000'000, 2'400'000, "0.500000", 1, {0, 1, 1})}},
      {"blends last the gap, and the left neighbour with them",
       kRate,
       PatternFrames(5, 0, kStep, kShort),
       {{0, Upstream(0, 0, kShort), {1, 0, 1}},
        Blended(200'000, 0, 0, kStep, "0.500000", 1, {0, 1, 1}),
        Blended(350'000, 0, 0, kStep, "0.875000", 0, {}),
        {400'000, Upstream(1, kStep, kShort), {}}}},
      {"the left neighbour serves up to 100 ticks before its end",
       kRate,
       PatternFrames(5, 0, kStep, kShort),
       {{0, Upstream(0, 0, kShort), {1, 0, 1}},
        Blended(299'900, 0, 0, kStep, "0.749750", 1, {0, 1, 1})}},
      {"after that the next upstream frame answers as it is",
       kRate,
       PatternFrames(5, 0, kStep, kShort),
       {{0, Upstream(0, 0, kShort), {1, 0, 1}},
        {299'901, Upstream(1, kStep, kShort), {0, 1, 1}},
        {299'950, LastAnswer(), {}}}},
      {"frames without a duration last the nominal one",
       kRate,
       PatternFrames(5, 0, kStep, 0),
       {{0, Upstream(0, 0, 0), {1, 0, 1}},
        Blended(200'000, 0, 0, kStep, "0.500000", 1, {0, 1, 1})}},
      {"a stream around the time that marks an absent neighbour",
       kRate,
       PatternFrames(4, kNoTime - kStep, kStep, kStep),
       {{kNoTime + 50, Upstream(1, kNoTime, kStep), {1, 0, 1}},
        Blended(kNoTime + 200'000, 1, kNoTime, kNoTime + kStep, "0.500000", 1, {0, 1, 1})}},
      // The marker, asked for while no left neighbour is held, matches none.
      {"the no-time marker after a failed fetch, before a stream without its first frame",
       kRate,
       scripttest::WithMissing(scripttest::WithMissing(PatternFrames(4, 0, kStep, kStep), 0), 2),
       {{kStep, Upstream(1, kStep, kStep), {1, 0, 1}},
        {2 * kStep, Nothing(), {0, 1, 1}},
        {kNoTime, Nothing(), {1, 0, 1}},
        {kStep, LastAnswer(), {}}}},
      {"a stream that starts after the request",
       kRate,
       PatternFrames(5, 10 * kStep, kStep, kStep),
       {{kStep, Upstream(0, 10 * kStep, kStep), {1, 0, 1}}, {kStep + 50, LastAnswer(), {}}}},
      {"past the last frame",
       kRate,
       PatternFrames(3, 0, kStep, kStep),
       {{1'000'000, Upstream(2, 2 * kStep, kStep), {1, 1, 1}}, {1'000'050, LastAnswer(), {}}}},
      {"no upstream frame for the left neighbour",
       kRate,
       scripttest::WithMissing(PatternFrames(6, 0, kStep, kStep), 3),
       {{kStep, Upstream(1, kStep, kStep), {1, 0, 1}},
        {3 * kStep, Nothing(), {0, 2, 2}},
        {kStep + 50, LastAnswer(), {}}}},
      // Frames 1,000 ticks apart that each claim to last 1,000,000: every right
      // neighbour fetched at the end of the left one's span is the next frame.
      {"ten right-neighbour fetches",
       {1, 1},
       PatternFrames(40, 0, 1'000, 1'000'000),
       {{0, Upstream(0, 0, 1'000'000), {1, 0, 1}},
        Blended(9'500, 9, 9'000, 10'000, "0.500000", 10, {0, 10, 10})}},
      {"the eleventh ends the search, though it lies after the request",
       {1, 1},
       PatternFrames(40, 0, 1'000, 1'000'000),
       {{0, Upstream(0, 0, 1'000'000), {1, 0, 1}},
        {10'500, Upstream(11, 11'000, 1'000'000), {0, 11, 11},
         {"frameinterp 4 ----------------------------- getframe error,pts:10500"}},
        {11'000, LastAnswer(), {}}}},
  };
  for (const Script& script : scripts) {
    SCOPED_TRACE(script.name);
    Use(script.rate, script.frames);
    Run(script.requests);
  }
}

TEST_F(BlendingSource, FallbackAnswerIsTheLeftNeighbourRestamped) {
  standin::UnregisterService(standin::kGpuServiceGuid);
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  const std::string no_gpu = "FrameSourceBlendingImpl::Blending 4 OVK_GPU_UHP_GUID fail";
  // Later requests read the left neighbour's new time.
  Run({{0, Upstream(0, 0, kStep), {1, 0, 1}},
       {200'000, Upstream(0, 200'000, kStep), {0, 1, 1},
        {Trace(1, 0, 200'000, kStep, "0.500000"), no_gpu}},
       {300'000, Upstream(0, 300'000, 200'000), {},
        {Trace(0, 200'000, 300'000, kStep, "0.500000"), no_gpu}}});
}

// The source stamps only clones; the host's samples keep their times and
// durations. Here the left neighbour is fetched again while the right one is
// kept: the first pair's gap exceeds the tick range, so its left neighbour's
// span (the largest duration) ends long before the right one.
TEST_F(BlendingSource, LeftNeighbourFetchedAgainIsClonedBeforeItIsStamped) {
  constexpr int64_t kFirst = std::numeric_limits<int64_t>::min();
  std::vector<standin::ScriptedFrame> frames = PatternFrames(3, 0, kStep, kStep);
  frames[0].pts = kFirst;
  frames[1].pts = kStep;
  frames[2].pts = 100'000;  // found by the seek for 200,000; the one after frame 0 is frame 1
  Use(kRate, frames);
  provider->UseSharedSamples(true);
  const int64_t widest = std::numeric_limits<int64_t>::max();
  Run({{kFirst + 200'000, Blend(0, 0.0f, kFirst + 200'000, widest), {1, 1, 2},
        {"frameinterp 0 try_num 1. pts (-9223372036854775808, -9223372036854575808, 400000), "
         "factor 0.000000, gap 9223372036854775807"}}});
  const SamplePtr blend = source->GetFrame(200'000, 0);  // of frames 2 and 1
  ASSERT_NE(blend, nullptr);
  EXPECT_EQ(blend->GetPts(), 200'000);
  EXPECT_EQ(blend->GetDuration(), kStep - 100'000);
  provider->Seek(kFirst, 0, nullptr);
  for (const standin::ScriptedFrame& frame : frames) {
    const SamplePtr sample = provider->GetCurrentFrame(nullptr);
    EXPECT_EQ(sample->GetPts(), frame.pts);
    EXPECT_EQ(sample->GetDuration(), frame.duration);
    provider->MoveNext(nullptr);
  }
}

TEST_F(BlendingSource, EmptyBlendIsPassedOnAndTheNextRequestBlendsAgain) {
  Run({{0, Upstream(0, 0, kStep), {1, 0, 1}}});
  faults().sample_create_fails = true;
  Run({{200'000, Nothing(), {0, 1, 1}, {Trace(1, 0, 200'000, kStep, "0.500000")}}});
  faults().sample_create_fails = false;
  Run({Blended(200'000, 0, 0, kStep, "0.500000", 0, {})});
}

// (Every other script runs with the switch off and shows that no timing line is written.)
TEST_F(BlendingSource, EachBlendWritesItsTimingLineWhileTheSwitchIsOn) {
  frameinterp::BlendingTimingSwitch() = 1;
  Run({{0, Upstream(0, 0, kStep), {1, 0, 1}}});
  const SteppingClock clock(2'500'000);  // 2.5 ms a reading
  // Readings: t0; the base's forward search (start, one step); t1; t2: so
  // t1 - t0 = 7.5 ms and t2 - t1 = 2.5 ms, truncated.
  Run({{200'000, Blend(0, 0.5f, 200'000, kStep), {0, 1, 1},
        {Trace(1, 0, 200'000, kStep, "0.500000"),
         "FrameSourceBlendingImpl 1 ------------------FrameInterpolation blending_pts_:200000,"
         "getframe_time 7, blending_time 2"}},
       {400'000, Upstream(1, kStep, kStep), {}}});
}

// ---------------------------------------------------------------------------
// The host's services

TEST_F(BlendingSource, ConstructionAcquiresBothServicesAndDestructionHandsThemBack) {
  EXPECT_EQ(services().visual_process_sessions_created, 1);
  EXPECT_EQ(services().gpu_sessions_created, 1);
  EXPECT_TRUE(Log().empty()) << "nothing is reported at construction";

  // The services outlive their registration while a session is held.
  standin::UnregisterStandardServices();
  source.reset();
  EXPECT_EQ(services().sessions_alive, 0);
  EXPECT_EQ(services().sessions_abandoned, 0);
  EXPECT_EQ(services().last_destroyed, standin::SessionKind::kVisualProcess)
      << "the GPU session goes first, then the visual-processing one";
}

TEST_F(BlendingSource, SessionBuildsTheBlendingSourceForMode1AndDropsItWithTheSetting) {
  source.reset();  // it made 2 service sessions
  {
    frameinterp::FrameInterpImpl session;
    session.SetProvider(provider);
    session.SetMode(1);
    session.GetFrame(0, 0);
    EXPECT_EQ(services().sessions_alive, 2);
    // An option change builds a new source with new service sessions.
    const core::ValAny on(true);
    session.SetOption("UseGpuEffect", &on);
    session.GetFrame(300'000, 0);
    EXPECT_EQ(services().sessions_created, 2 + 4);
    EXPECT_EQ(services().sessions_alive, 2);
    session.SetMode(0);
    EXPECT_EQ(services().sessions_alive, 0) << "a mode change releases the source at once";
    session.SetMode(1);
    session.GetFrame(0, 0);
  }
  EXPECT_EQ(services().sessions_alive, 0) << "the session's end releases them";
}

}  // namespace
