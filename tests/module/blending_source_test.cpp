// The blending frame source: which neighbours it keeps, what each
// request costs the provider, what it answers and logs, and how it holds and
// hands back the host's services.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "blending_probe.h"
#include "frameinterpimpl.h"
#include "host/core.h"

namespace {

using blendtest::BufferOf;
using blendtest::IsBlendOf;
using blendtest::PatternFrames;
using blendtest::Texts;
using blendtest::WithTag;
using frameinterp::kNoTime;
using frameinterp::SamplePtr;
using standin::ProviderCalls;

constexpr int64_t kStep = 400'000;  // 25 frames per second
constexpr FrameRate kRate{25, 1};

using BlendingSource = blendtest::BlendingFixture;

std::vector<std::string> TraceLines(const std::vector<standin::LogLine>& log) {
  std::vector<std::string> traces;
  for (const standin::LogLine& line : log) {
    if (line.tag == "frameinterp" && line.level == 0) traces.push_back(line.text);
  }
  return traces;
}

avcore::IMediaBuffer* Picture(const std::shared_ptr<standin::ScriptedProvider>& provider,
                              size_t index) {
  return provider->frames()[index].picture.get();
}

// Frames every 400,000 ticks, requests at 0, 200,000, 400,000 and 600,000, request by request.
TEST_F(BlendingSource, PassesNeighboursThroughAndBlendsBetweenThem) {
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  SamplePtr frame;

  // 0: step 7 fetches the frame at 0, which matches.
  ProviderCalls calls = Request(0, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 0);
  EXPECT_EQ(BufferOf(frame).get(), Picture(provider, 0));
  EXPECT_EQ(source->blending_pts(), 0);
  EXPECT_EQ(calls.seek, 1);
  EXPECT_EQ(calls.seek_pts, std::vector<int64_t>{0});
  EXPECT_EQ(calls.get_current_frame, 1);
  EXPECT_EQ(calls.move_next, 0);
  EXPECT_TRUE(TraceLines(Log()).empty());
  const SamplePtr frame0 = frame;

  // 200,000: no fetch for the left; 8.1 clones frame 0 and fetches at 400,000.
  calls = Request(200'000, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 1);
  EXPECT_EQ(calls.get_current_frame, 1);
  EXPECT_EQ(frame->GetPts(), 200'000);
  EXPECT_EQ(frame->GetDuration(), 400'000);
  EXPECT_EQ(source->blending_pts(), 200'000);
  EXPECT_EQ(source->held(), frame);
  EXPECT_NE(frame, frame0);
  EXPECT_TRUE(IsBlendOf(BufferOf(frame).get(), Picture(provider, 0), Picture(provider, 1), 0.5f));
  EXPECT_EQ(
      TraceLines(Log()),
      std::vector<std::string>{"try_num 1. pts (0, 200000, 400000), factor 0.500000, gap 400000"});
  ASSERT_NE(source->prev(), nullptr);
  EXPECT_NE(source->prev(), frame0) << "the left neighbour was replaced by its clone";
  EXPECT_EQ(BufferOf(source->prev()).get(), Picture(provider, 0));
  EXPECT_EQ(source->prev()->GetDuration(), 400'000);
  EXPECT_EQ(frame0->GetPts(), 0) << "the earlier answer is untouched";
  ASSERT_NE(source->next(), nullptr);
  EXPECT_EQ(source->next()->GetPts(), 400'000);
  const SamplePtr right = source->next();

  // 400,000: step 5, the right neighbour becomes the left.
  calls = Request(400'000, &frame);
  EXPECT_EQ(calls.reads(), 0);
  EXPECT_EQ(frame, right) << "the right neighbour itself";
  EXPECT_EQ(frame->GetPts(), 400'000);
  EXPECT_EQ(BufferOf(frame).get(), Picture(provider, 1));
  EXPECT_EQ(source->blending_pts(), 400'000);
  EXPECT_EQ(source->prev(), right);
  EXPECT_EQ(source->next(), nullptr);

  // 600,000: 8.1 clones frame 400,000 and fetches at 800,000; blend as above.
  calls = Request(600'000, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 1);
  EXPECT_EQ(calls.get_current_frame, 1);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 600'000);
  EXPECT_EQ(frame->GetDuration(), 400'000);
  EXPECT_EQ(source->blending_pts(), 600'000);
  EXPECT_TRUE(IsBlendOf(BufferOf(frame).get(), Picture(provider, 1), Picture(provider, 2), 0.5f));
  EXPECT_EQ(right->GetPts(), 400'000) << "the clone was restamped, not the earlier answer";
  EXPECT_EQ(TraceLines(Log()),
            (std::vector<std::string>{
                "try_num 1. pts (0, 200000, 400000), factor 0.500000, gap 400000",
                "try_num 1. pts (400000, 600000, 800000), factor 0.500000, gap 400000"}));
  EXPECT_EQ(services().blend_calls, 2);
  EXPECT_EQ(WithTag(Log(), "frameinterp").size(), 2u) << "nothing but the two traces";
}

TEST_F(BlendingSource, RequestWithin99TicksOfTheLastAnswerIsTheSameSample) {
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);
  const SamplePtr blended = frame;
  const int64_t blends = services().blend_calls;

  for (const int64_t pts : {200'099, 199'901, 200'000}) {
    SamplePtr again;
    EXPECT_EQ(Request(pts, &again).reads(), 0) << pts;
    EXPECT_EQ(again, blended) << pts;
  }
  EXPECT_EQ(services().blend_calls, blends);
  EXPECT_EQ(blended->GetPts(), 200'000);

  // Exactly 100 ticks away is another time: a new blend, with no fetch.
  SamplePtr other;
  EXPECT_EQ(Request(200'100, &other).reads(), 0);
  EXPECT_NE(other, blended);
  EXPECT_EQ(other->GetPts(), 200'100);
  EXPECT_EQ(services().blend_calls, blends + 1);
  EXPECT_EQ(TraceLines(Log()).back(),
            "try_num 0. pts (0, 200100, 400000), factor 0.500250, gap 400000");
  EXPECT_TRUE(IsBlendOf(BufferOf(other).get(), Picture(provider, 0), Picture(provider, 1),
                        200'100.0f / 400'000.0f));
}

TEST_F(BlendingSource, RequestsAtUpstreamTimesPassTheFramesThroughUnchanged) {
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  provider->UseSharedSamples(true);
  for (size_t i = 0; i < 4; ++i) {
    SamplePtr frame;
    Request(static_cast<int64_t>(i) * kStep, &frame);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(BufferOf(frame).get(), Picture(provider, i));
    EXPECT_EQ(frame->GetPts(), static_cast<int64_t>(i) * kStep);
    EXPECT_EQ(frame->GetDuration(), kStep);
    int32_t status = 0;
    EXPECT_EQ(frame, provider->GetCurrentFrame(&status)) << "the provider's own sample, no clone";
  }
  EXPECT_EQ(services().blend_calls, 0);
  EXPECT_EQ(media().samples_created, 0);
  EXPECT_TRUE(TraceLines(Log()).empty());
}

TEST_F(BlendingSource, SecondRequestBetweenTheSamePairFetchesNothing) {
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  SamplePtr frame;
  Request(0, &frame);
  Request(100'000, &frame);
  const ProviderCalls calls = Request(300'000, &frame);
  EXPECT_EQ(calls.reads(), 0);
  EXPECT_EQ(TraceLines(Log()),
            (std::vector<std::string>{
                "try_num 1. pts (0, 100000, 400000), factor 0.250000, gap 400000",
                "try_num 0. pts (0, 300000, 400000), factor 0.750000, gap 400000"}));
  EXPECT_EQ(frame->GetPts(), 300'000);
  EXPECT_TRUE(IsBlendOf(BufferOf(frame).get(), Picture(provider, 0), Picture(provider, 1), 0.75f));
}

TEST_F(BlendingSource, StepBack100TicksBeforeTheLeftNeighbourStartsAgain) {
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  SamplePtr frame;
  Request(400'000, &frame);
  Request(600'000, &frame);
  SamplePtr left = source->prev();
  ASSERT_EQ(left->GetPts(), 400'000);

  // 99 ticks before the left neighbour is its time: the left is the answer.
  ProviderCalls calls = Request(399'901, &frame);
  EXPECT_EQ(calls.reads(), 0);
  EXPECT_EQ(frame, left);
  EXPECT_EQ(source->blending_pts(), 400'000);

  std::weak_ptr<avcore::IMediaSample> old_prev = source->prev();
  std::weak_ptr<avcore::IMediaSample> old_next = source->next();
  frame.reset();
  left.reset();
  // 100 ticks before: all three held frames go, and the base seeks.
  calls = Request(399'900, &frame);
  EXPECT_TRUE(old_prev.expired());
  EXPECT_TRUE(old_next.expired());
  EXPECT_EQ(calls.seek, 1);
  EXPECT_EQ(calls.seek_pts, std::vector<int64_t>{399'900});
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 399'900);
  EXPECT_EQ(TraceLines(Log()).back(),
            "try_num 1. pts (0, 399900, 400000), factor 0.999750, gap 400000");
  EXPECT_TRUE(IsBlendOf(BufferOf(frame).get(), Picture(provider, 0), Picture(provider, 1),
                        399'900.0f / 400'000.0f));
}

TEST_F(BlendingSource, JumpPastTheRightNeighbourStartsAgainAndItsSpanShifts) {
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);  // pair (0, 400,000)
  // Within the right neighbour's span: the pair shifts to (400,000, 800,000).
  ProviderCalls calls = Request(600'000, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(TraceLines(Log()).back(),
            "try_num 1. pts (400000, 600000, 800000), factor 0.500000, gap 400000");
  // Past its span: everything goes and the left neighbour is fetched anew.
  calls = Request(2'000'000, &frame);
  EXPECT_EQ(frame->GetPts(), 2'000'000);
  EXPECT_EQ(BufferOf(frame).get(), Picture(provider, 5));
  EXPECT_EQ(source->blending_pts(), 2'000'000);
  calls = Request(2'200'000, &frame);
  EXPECT_EQ(TraceLines(Log()).back(),
            "try_num 1. pts (2000000, 2200000, 2400000), factor 0.500000, gap 400000");
}

TEST_F(BlendingSource, NoTimeOfAnAbsentNeighbourMatchesNoRequest) {
  // A stream around minus one hour, the value that marks an absent neighbour.
  Use(kRate, PatternFrames(4, kNoTime - kStep, kStep, kStep));
  SamplePtr frame;
  EXPECT_EQ(Request(kNoTime + 50, &frame).seek, 1);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), kNoTime);
  EXPECT_EQ(BufferOf(frame).get(), Picture(provider, 1));
  Request(kNoTime + 200'000, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), kNoTime + 200'000);
  EXPECT_TRUE(IsBlendOf(BufferOf(frame).get(), Picture(provider, 1), Picture(provider, 2), 0.5f));
}

TEST_F(BlendingSource, UpstreamFrameAfterTheRequestIsTheAnswerUnstamped) {
  Use(kRate, PatternFrames(5, 10 * kStep, kStep, kStep));
  SamplePtr frame;
  Request(kStep, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 10 * kStep);
  EXPECT_EQ(source->blending_pts(), kStep);
  EXPECT_EQ(source->next(), nullptr);
  SamplePtr again;
  EXPECT_EQ(Request(kStep + 50, &again).reads(), 0);
  EXPECT_EQ(again, frame);
  EXPECT_EQ(services().blend_calls, 0);
}

TEST_F(BlendingSource, NoFrameAfterTheLeftNeighbourGivesItsClone) {
  Use(kRate, PatternFrames(3, 0, kStep, kStep));
  provider->UseSharedSamples(true);
  SamplePtr frame;
  const ProviderCalls calls = Request(1'000'000, &frame);
  ASSERT_NE(frame, nullptr);
  int32_t status = 0;
  const SamplePtr upstream = provider->GetCurrentFrame(&status);
  EXPECT_NE(frame, upstream) << "a clone";
  EXPECT_EQ(BufferOf(frame).get(), Picture(provider, 2));
  EXPECT_EQ(frame->GetPts(), 800'000) << "not restamped";
  EXPECT_EQ(source->blending_pts(), 1'000'000);
  EXPECT_GE(calls.move_next, 1);
  EXPECT_EQ(services().blend_calls, 0);
}

TEST_F(BlendingSource, BlendIsStampedWithTheRequestAndTheGap) {
  // Frames 400,000 apart that claim to last 300,000.
  Use(kRate, PatternFrames(5, 0, kStep, 300'000));
  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 200'000);
  EXPECT_EQ(frame->GetDuration(), 400'000);
  EXPECT_EQ(source->prev()->GetDuration(), 400'000) << "the left neighbour now lasts the gap";
  EXPECT_EQ(source->prev()->GetPts(), 0);

  // A frame without a duration lasts the nominal one.
  Use(kRate, PatternFrames(5, 0, kStep, 0));
  Request(0, &frame);
  const ProviderCalls calls = Request(200'000, &frame);
  EXPECT_EQ(calls.move_next, 1);
  EXPECT_EQ(frame->GetDuration(), 400'000);
}

// Frames 1,000 ticks apart that each claim to last 1,000,000: every
// right-neighbour fetch at the end of the left one's span moves 1,000 on.
std::vector<standin::ScriptedFrame> CreepingFrames() {
  return PatternFrames(40, 0, 1'000, 1'000'000);
}

TEST_F(BlendingSource, TenthRightNeighbourFetchStillBlends) {
  Use({1, 1}, CreepingFrames());
  SamplePtr frame;
  Request(0, &frame);
  Request(9'500, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 9'500);
  EXPECT_EQ(
      TraceLines(Log()),
      std::vector<std::string>{"try_num 10. pts (9000, 9500, 10000), factor 0.500000, gap 1000"});
  EXPECT_TRUE(WithTag(Log(), "frameinterp").size() == 1u);
}

TEST_F(BlendingSource, EleventhRightNeighbourFetchGivesUpEvenAfterTheRequest) {
  Use({1, 1}, CreepingFrames());
  SamplePtr frame;
  Request(0, &frame);
  Request(10'500, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 11'000) << "the eleventh fetched frame, after the request";
  EXPECT_EQ(source->blending_pts(), 11'000);
  EXPECT_EQ(source->prev(), frame);
  EXPECT_EQ(source->next(), nullptr);
  EXPECT_EQ(services().blend_calls, 0);
  const auto lines = WithTag(Log(), "frameinterp");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].level, 4);
  EXPECT_EQ(lines[0].text, "----------------------------- getframe error,pts:10500");
}

TEST_F(BlendingSource, UpstreamThatNeverReachesTheRequestStopsAtTheEleventhFetch) {
  Use({1, 1}, CreepingFrames());
  SamplePtr frame;
  Request(0, &frame);
  const ProviderCalls calls = Request(30'000, &frame);
  EXPECT_EQ(calls.get_current_frame, 11);
  EXPECT_EQ(frame->GetPts(), 11'000);
  EXPECT_EQ(Texts(WithTag(Log(), "frameinterp")),
            std::vector<std::string>{"----------------------------- getframe error,pts:30000"});
}

TEST_F(BlendingSource, FallbackAnswerIsTheLeftNeighbourRestamped) {
  standin::UnregisterService(standin::kGpuServiceGuid);
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  SamplePtr frame;
  Request(0, &frame);
  const SamplePtr frame0 = frame;
  Request(200'000, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame, source->prev()) << "the left neighbour itself";
  EXPECT_NE(frame, frame0);
  EXPECT_EQ(BufferOf(frame).get(), Picture(provider, 0));
  EXPECT_EQ(frame->GetPts(), 200'000);
  EXPECT_EQ(frame->GetDuration(), 400'000);
  EXPECT_EQ(Texts(WithTag(Log(), "FrameSourceBlendingImpl::Blending")),
            std::vector<std::string>{"OVK_GPU_UHP_GUID fail"});
  EXPECT_EQ(services().blend_calls, 0);

  // Later calls read the left neighbour's new time.
  Request(300'000, &frame);
  EXPECT_EQ(TraceLines(Log()).back(),
            "try_num 0. pts (200000, 300000, 400000), factor 0.500000, gap 200000");
  EXPECT_EQ(frame->GetPts(), 300'000);
  EXPECT_EQ(frame->GetDuration(), 200'000);
}

TEST_F(BlendingSource, EmptyBlendIsPassedOnAndNothingIsStamped) {
  Use(kRate, PatternFrames(10, 0, kStep, 300'000));
  SamplePtr frame;
  Request(0, &frame);
  faults().sample_create_fails = true;
  Request(200'000, &frame);
  EXPECT_EQ(frame, nullptr);
  EXPECT_EQ(source->held(), nullptr);
  EXPECT_EQ(source->blending_pts(), 200'000);
  EXPECT_EQ(source->prev()->GetPts(), 0);
  EXPECT_EQ(source->prev()->GetDuration(), 400'000) << "step 9.1 set the gap before the blend";

  faults().sample_create_fails = false;
  const ProviderCalls calls = Request(200'000, &frame);
  EXPECT_EQ(calls.reads(), 0);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 200'000);
}

TEST_F(BlendingSource, NoUpstreamFrameForTheLeftGivesNothingAndKeepsTheHeldAnswer) {
  auto frames = PatternFrames(6, 0, kStep, kStep);
  frames[3].missing = true;
  Use(kRate, std::move(frames));
  SamplePtr frame;
  Request(kStep, &frame);
  const SamplePtr held = frame;
  Request(3 * kStep, &frame);
  EXPECT_EQ(frame, nullptr);
  EXPECT_EQ(source->prev(), nullptr);
  EXPECT_EQ(source->held(), held);
  EXPECT_EQ(source->blending_pts(), kStep);
  EXPECT_EQ(Request(kStep + 50, &frame).reads(), 0);
  EXPECT_EQ(frame, held);
}

TEST_F(BlendingSource, FlagsReachTheProvidersSeek) {
  Use(kRate, PatternFrames(40, 0, kStep, kStep));
  SamplePtr frame;
  Request(0, &frame, 0x33);
  Request(20 * kStep + 1'000, &frame, 0x44);  // beyond the reuse window: seeks
  EXPECT_EQ(provider->calls().seek_flags, std::vector<uint32_t>{0x44});
  EXPECT_EQ(frame->GetPts(), 20 * kStep + 1'000);
}

TEST(BlendingDebugSwitches, StartOff) {
  EXPECT_EQ(frameinterp::BlendingTimingSwitch(), 0);
  EXPECT_EQ(frameinterp::BlendingDumpSwitch(), 0);
}

TEST_F(BlendingSource, TimingLineOnlyWhileItsSwitchIsOn) {
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  blendtest::SteppingClock clock(2'500'000);  // 2.5 ms a reading
  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);
  EXPECT_TRUE(WithTag(Log(), "FrameSourceBlendingImpl").empty()) << "the switch is off";

  frameinterp::BlendingTimingSwitch() = 1;
  const int64_t before = blendtest::SteppingClock::readings();
  Request(600'000, &frame);
  // Readings: t0; the base's forward search (start, one step); t1; t2.
  ASSERT_EQ(blendtest::SteppingClock::readings(), before + 5);
  const auto lines = WithTag(Log(), "FrameSourceBlendingImpl");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].level, 1);
  // t1 - t0 = 7.5 ms and t2 - t1 = 2.5 ms, truncated.
  EXPECT_EQ(lines[0].text,
            "------------------FrameInterpolation blending_pts_:600000,getframe_time 7, "
            "blending_time 2");

  // Answers that need no blend write no timing line.
  Request(800'000, &frame);
  EXPECT_EQ(WithTag(Log(), "FrameSourceBlendingImpl").size(), 1u);
}

// ---------------------------------------------------------------------------
// The host's services

TEST_F(BlendingSource, ConstructionAcquiresBothServicesAndDestructionHandsThemBack) {
  Use(kRate, PatternFrames(3, 0, kStep, kStep));
  EXPECT_NE(source->visual().session(), nullptr);
  EXPECT_NE(source->visual().service(), nullptr);
  EXPECT_NE(source->gpu().session(), nullptr);
  EXPECT_NE(source->gpu().service(), nullptr);
  EXPECT_EQ(services().visual_process_sessions_created, 1);
  EXPECT_EQ(services().gpu_sessions_created, 1);
  EXPECT_EQ(services().sessions_alive, 2);
  EXPECT_TRUE(Log().empty()) << "nothing is reported at construction";

  // The services outlive their registration while a session is held.
  standin::UnregisterStandardServices();
  std::weak_ptr<service::IService> visual = source->visual().service();
  source.reset();
  EXPECT_TRUE(visual.expired());
  EXPECT_EQ(services().sessions_alive, 0);
  EXPECT_EQ(services().sessions_abandoned, 0);
  EXPECT_EQ(services().last_destroyed, standin::SessionKind::kVisualProcess)
      << "the GPU session goes first, then the visual-processing one";
}

TEST_F(BlendingSource, NoServiceManagerLeavesBothReferencesEmpty) {
  standin::SetServiceManagerAvailable(false);
  Use(kRate, PatternFrames(3, 0, kStep, kStep));
  EXPECT_EQ(source->visual().service(), nullptr);
  EXPECT_EQ(source->gpu().service(), nullptr);
  EXPECT_EQ(services().sessions_created, 0);
}

TEST_F(BlendingSource, MissingServiceLeavesItsReferenceEmpty) {
  standin::UnregisterService(standin::kVisualProcessServiceGuid);
  Use(kRate, PatternFrames(3, 0, kStep, kStep));
  EXPECT_EQ(source->visual().service(), nullptr);
  EXPECT_EQ(source->visual().session(), nullptr);
  EXPECT_NE(source->gpu().session(), nullptr);
}

TEST_F(BlendingSource, NullSessionDropsTheService) {
  controls().gpu_sessions = standin::SessionOutcome::kNull;
  Use(kRate, PatternFrames(3, 0, kStep, kStep));
  EXPECT_EQ(source->gpu().service(), nullptr);
  EXPECT_EQ(source->gpu().session(), nullptr);
  EXPECT_NE(source->visual().session(), nullptr);
}

TEST_F(BlendingSource, SessionOfAnotherInterfaceIsHandedBackAtOnce) {
  controls().visual_process_sessions = standin::SessionOutcome::kForeign;
  Use(kRate, PatternFrames(3, 0, kStep, kStep));
  EXPECT_EQ(services().foreign_sessions_created, 1);
  EXPECT_EQ(services().last_destroyed, standin::SessionKind::kForeign);
  EXPECT_EQ(services().sessions_alive, 1) << "only the GPU session is still open";
  EXPECT_EQ(source->visual().session(), nullptr);
  EXPECT_NE(source->visual().service(), nullptr) << "the service is kept, without a session";

  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);
  EXPECT_EQ(Texts(WithTag(Log(), "FrameSourceBlendingImpl::Blending")),
            std::vector<std::string>{"OVK_VISUAL_PROCESS_GUID fail"});
  source.reset();
  EXPECT_EQ(services().sessions_alive, 0);
}

// ---------------------------------------------------------------------------
// Through the session

TEST_F(BlendingSource, SessionBuildsTheBlendingSourceForMode1) {
  auto upstream =
      std::make_shared<standin::ScriptedProvider>(kRate, PatternFrames(10, 0, kStep, kStep));
  {
    frameinterp::FrameInterpImpl session;
    session.SetProvider(upstream);
    session.SetMode(1);
    EXPECT_EQ(services().sessions_created, 0) << "built on the first request";
    const SamplePtr first = session.GetFrame(0, 0);
    EXPECT_EQ(services().sessions_alive, 2);
    const SamplePtr blended = session.GetFrame(100'000, 0);
    ASSERT_NE(blended, nullptr);
    EXPECT_EQ(blended->GetPts(), 100'000);
    EXPECT_TRUE(IsBlendOf(BufferOf(blended).get(), upstream->frames()[0].picture.get(),
                          upstream->frames()[1].picture.get(), 0.25f));

    // An option change builds a new source with new service sessions.
    const core::ValAny on(true);
    session.SetOption("UseGpuEffect", &on);
    session.GetFrame(300'000, 0);
    EXPECT_EQ(services().sessions_created, 4);
    EXPECT_EQ(services().sessions_alive, 2);
    session.SetMode(0);
    EXPECT_EQ(services().sessions_alive, 0) << "a mode change releases the source at once";
    session.SetMode(1);
    session.GetFrame(0, 0);
    EXPECT_EQ(services().sessions_alive, 2);
  }
  EXPECT_EQ(services().sessions_alive, 0) << "DestroySession of the session releases them";
}

}  // namespace
