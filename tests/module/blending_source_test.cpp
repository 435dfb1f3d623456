// The blending frame source: which neighbours it keeps, what each
// request costs the provider, what it answers and logs, and how it holds and
// hands back the host's services.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "blending_support.h"
#include "debug_switches.h"
#include "frameinterpimpl.h"
#include "host/core.h"
#include "standin/service_registry.h"
#include "stepping_clock.h"

namespace {

using blendtest::BufferOf;
using blendtest::IsBlendOf;
using blendtest::PatternFrames;
using frameinterp::kNoTime;
using frameinterp::SamplePtr;
using standin::ProviderCalls;
using Texts = std::vector<std::string>;

constexpr int64_t kStep = 400'000;  // 25 frames per second
constexpr FrameRate kRate{25, 1};

class BlendingSource : public blendtest::BlendingFixture {
protected:
  // Frames every 400,000 ticks, each lasting as long.
  void SetUp() override {
    BlendingFixture::SetUp();
    Use(kRate, PatternFrames(10, 0, kStep, kStep));
  }

  Texts Traces() const { return Lines("frameinterp"); }
  avcore::IMediaBuffer* Picture(size_t index) { return provider->frames()[index].picture.get(); }
  // The answer is the host's blend of upstream frames i and i + 1 at the factor.
  ::testing::AssertionResult Blends(const SamplePtr& answer, size_t i, float factor) {
    return IsBlendOf(BufferOf(answer).get(), Picture(i), Picture(i + 1), factor);
  }
};

TEST_F(BlendingSource, WorkedExampleRequestByRequest) {
  SamplePtr frame;
  // 0: the left neighbour is fetched, and it lies on the request.
  ProviderCalls calls = Request(0, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 0);
  EXPECT_EQ(BufferOf(frame).get(), Picture(0));
  EXPECT_EQ(source->blending_pts(), 0);
  EXPECT_EQ(calls.seek_pts, std::vector<int64_t>{0});
  EXPECT_EQ(calls.get_current_frame, 1);
  EXPECT_EQ(calls.move_next, 0);
  const SamplePtr frame0 = frame;

  // 200,000: the left is kept and cloned; the right is fetched at 400,000.
  calls = Request(200'000, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 1);
  EXPECT_EQ(calls.get_current_frame, 1);
  ASSERT_NE(frame, nullptr);
  EXPECT_NE(frame, frame0);
  EXPECT_EQ(frame->GetPts(), 200'000);
  EXPECT_EQ(frame->GetDuration(), 400'000);
  EXPECT_EQ(source->blending_pts(), 200'000);
  EXPECT_TRUE(Blends(frame, 0, 0.5f));
  EXPECT_EQ(Traces(), Texts{"0 try_num 1. pts (0, 200000, 400000), factor 0.500000, gap 400000"});
  EXPECT_NE(source->prev(), frame0) << "the left neighbour was replaced by its clone";
  EXPECT_EQ(BufferOf(source->prev()).get(), Picture(0));
  EXPECT_EQ(frame0->GetPts(), 0) << "the earlier answer is untouched";
  const SamplePtr right = source->next();
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->GetPts(), 400'000);

  // 400,000: on the right neighbour, which itself becomes the left.
  EXPECT_EQ(Request(400'000, &frame).reads(), 0);
  EXPECT_EQ(frame, right);
  EXPECT_EQ(source->blending_pts(), 400'000);
  EXPECT_EQ(source->prev(), right);
  EXPECT_EQ(source->next(), nullptr);

  // 600,000: frame 400,000 is cloned, the right fetched at 800,000; blend as above.
  calls = Request(600'000, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 1);
  EXPECT_EQ(calls.get_current_frame, 1);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 600'000);
  EXPECT_EQ(frame->GetDuration(), 400'000);
  EXPECT_EQ(source->blending_pts(), 600'000);
  EXPECT_TRUE(Blends(frame, 1, 0.5f));
  EXPECT_EQ(right->GetPts(), 400'000) << "the clone was restamped, not the earlier answer";
  EXPECT_EQ(Traces(),
            (Texts{"0 try_num 1. pts (0, 200000, 400000), factor 0.500000, gap 400000",
                   "0 try_num 1. pts (400000, 600000, 800000), factor 0.500000, gap 400000"}));
  EXPECT_EQ(services().blend_calls, 2);
}

TEST_F(BlendingSource, RequestWithin99TicksOfTheLastAnswerIsTheSameSample) {
  SamplePtr blended;
  Request(0, &blended);
  Request(200'000, &blended);
  for (const int64_t pts : {200'099, 199'901, 200'000}) {
    SamplePtr again;
    EXPECT_EQ(Request(pts, &again).reads(), 0) << pts;
    EXPECT_EQ(again, blended) << pts;
  }
  EXPECT_EQ(services().blend_calls, 1);
  EXPECT_EQ(blended->GetPts(), 200'000);

  // Exactly 100 ticks away is another time: a new blend, with no fetch.
  SamplePtr other;
  EXPECT_EQ(Request(200'100, &other).reads(), 0);
  EXPECT_NE(other, blended);
  EXPECT_EQ(other->GetPts(), 200'100);
  EXPECT_EQ(Traces().back(), "0 try_num 0. pts (0, 200100, 400000), factor 0.500250, gap 400000");
  EXPECT_TRUE(Blends(other, 0, 200'100.0f / 400'000.0f));
}

TEST_F(BlendingSource, StepBack100TicksBeforeTheLeftNeighbourStartsAgain) {
  SamplePtr frame;
  Request(400'000, &frame);
  Request(600'000, &frame);
  SamplePtr left = source->prev();
  ASSERT_EQ(left->GetPts(), 400'000);

  // 99 ticks before the left neighbour is its time: the left is the answer.
  EXPECT_EQ(Request(399'901, &frame).reads(), 0);
  EXPECT_EQ(frame, left);
  EXPECT_EQ(source->blending_pts(), 400'000);

  const std::weak_ptr<avcore::IMediaSample> old_prev = source->prev(), old_next = source->next();
  frame.reset();
  left.reset();
  // 100 ticks before: all three held frames go, and the base seeks.
  EXPECT_EQ(Request(399'900, &frame).seek_pts, std::vector<int64_t>{399'900});
  EXPECT_TRUE(old_prev.expired());
  EXPECT_TRUE(old_next.expired());
  EXPECT_EQ(frame->GetPts(), 399'900);
  EXPECT_EQ(Traces().back(), "0 try_num 1. pts (0, 399900, 400000), factor 0.999750, gap 400000");
}

TEST_F(BlendingSource, RightNeighboursSpanShiftsThePairAndAJumpPastItStartsAgain) {
  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);  // pair (0, 400,000)
  EXPECT_EQ(Request(600'000, &frame).seek, 0);
  EXPECT_EQ(Traces().back(),
            "0 try_num 1. pts (400000, 600000, 800000), factor 0.500000, gap 400000");
  // Past the right neighbour's span: the left neighbour is fetched anew.
  Request(2'000'000, &frame);
  EXPECT_EQ(BufferOf(frame).get(), Picture(5));
  EXPECT_EQ(source->blending_pts(), 2'000'000);
  Request(2'200'000, &frame);
  EXPECT_EQ(Traces().back(),
            "0 try_num 1. pts (2000000, 2200000, 2400000), factor 0.500000, gap 400000");
}

TEST_F(BlendingSource, NoTimeOfAnAbsentNeighbourMatchesNoRequest) {
  // A stream around minus one hour, the value that marks an absent neighbour.
  Use(kRate, PatternFrames(4, kNoTime - kStep, kStep, kStep));
  SamplePtr frame;
  EXPECT_EQ(Request(kNoTime + 50, &frame).seek, 1);
  EXPECT_EQ(frame->GetPts(), kNoTime);
  EXPECT_EQ(BufferOf(frame).get(), Picture(1));
  Request(kNoTime + 200'000, &frame);
  EXPECT_EQ(frame->GetPts(), kNoTime + 200'000);
  EXPECT_TRUE(Blends(frame, 1, 0.5f));
}

TEST_F(BlendingSource, UpstreamFrameAfterTheRequestIsTheAnswerUnstamped) {
  Use(kRate, PatternFrames(5, 10 * kStep, kStep, kStep));
  SamplePtr frame;
  Request(kStep, &frame);
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
  Request(1'000'000, &frame);
  int32_t status = 0;
  EXPECT_NE(frame, provider->GetCurrentFrame(&status)) << "a clone";
  EXPECT_EQ(BufferOf(frame).get(), Picture(2));
  EXPECT_EQ(frame->GetPts(), 800'000) << "not restamped";
  EXPECT_EQ(source->blending_pts(), 1'000'000);
  EXPECT_EQ(services().blend_calls, 0);
}

TEST_F(BlendingSource, BlendAndLeftNeighbourLastTheGap) {
  // Frames 400,000 apart that claim to last 300,000.
  Use(kRate, PatternFrames(5, 0, kStep, 300'000));
  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);
  EXPECT_EQ(frame->GetPts(), 200'000);
  EXPECT_EQ(frame->GetDuration(), 400'000);
  EXPECT_EQ(source->prev()->GetDuration(), 400'000);
  EXPECT_EQ(source->prev()->GetPts(), 0);

  // A frame without a duration lasts the nominal one: no refetch of the left.
  Use(kRate, PatternFrames(5, 0, kStep, 0));
  Request(0, &frame);
  EXPECT_EQ(Request(200'000, &frame).move_next, 1);
  EXPECT_EQ(frame->GetDuration(), 400'000);
}

TEST_F(BlendingSource, LeftNeighbourIsFetchedAgainOnceLessThan100TicksOfItRemain) {
  for (const int64_t pts : {299'900, 299'901}) {
    Use(kRate, PatternFrames(5, 0, kStep, 300'000));  // frames that end 100,000 early
    SamplePtr frame;
    Request(0, &frame);
    Request(pts, &frame);
    // At 100 ticks before its end the left neighbour is kept and blended; later the
    // base gives the frame at 400,000 instead, after the request and unstamped.
    EXPECT_EQ(frame->GetPts(), pts == 299'900 ? pts : kStep) << pts;
  }
}

// Frames 1,000 ticks apart that each claim to last 1,000,000: every
// right-neighbour fetch at the end of the left one's span moves 1,000 on.
TEST_F(BlendingSource, RightNeighbourFetchesStopAtTheEleventh) {
  struct Case {
    int64_t pts;
    int64_t answer_pts;
    Texts log;
  };
  for (const Case& c :
       {Case{9'500, 9'500, {"0 try_num 10. pts (9000, 9500, 10000), factor 0.500000, gap 1000"}},
        // The eleventh fetched frame is given up on even though it lies after the request.
        Case{10'500, 11'000, {"4 ----------------------------- getframe error,pts:10500"}},
        Case{30'000, 11'000, {"4 ----------------------------- getframe error,pts:30000"}}}) {
    Use({1, 1}, PatternFrames(40, 0, 1'000, 1'000'000));
    SamplePtr frame;
    Request(0, &frame);
    const auto logged = static_cast<long>(Traces().size());
    EXPECT_EQ(Request(c.pts, &frame).get_current_frame, c.pts == 9'500 ? 10 : 11) << c.pts;
    EXPECT_EQ(frame->GetPts(), c.answer_pts) << c.pts;
    const Texts lines = Traces();
    EXPECT_EQ(Texts(lines.begin() + logged, lines.end()), c.log);
    if (c.answer_pts != c.pts) {
      EXPECT_EQ(source->blending_pts(), 11'000);
      EXPECT_EQ(source->prev(), frame);
      EXPECT_EQ(source->next(), nullptr);
    }
  }
  EXPECT_EQ(services().blend_calls, 1);
}

TEST_F(BlendingSource, FallbackAnswerIsTheLeftNeighbourRestamped) {
  standin::UnregisterService(standin::kGpuServiceGuid);
  Use(kRate, PatternFrames(10, 0, kStep, kStep));
  SamplePtr frame;
  Request(0, &frame);
  const SamplePtr frame0 = frame;
  Request(200'000, &frame);
  EXPECT_EQ(frame, source->prev()) << "the left neighbour itself";
  EXPECT_NE(frame, frame0);
  EXPECT_EQ(BufferOf(frame).get(), Picture(0));
  EXPECT_EQ(frame->GetPts(), 200'000);
  EXPECT_EQ(frame->GetDuration(), 400'000);
  EXPECT_EQ(Lines("FrameSourceBlendingImpl::Blending"), Texts{"4 OVK_GPU_UHP_GUID fail"});

  // Later calls read the left neighbour's new time.
  Request(300'000, &frame);
  EXPECT_EQ(Traces().back(),
            "0 try_num 0. pts (200000, 300000, 400000), factor 0.500000, gap 200000");
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
  EXPECT_EQ(source->prev()->GetDuration(), 400'000) << "the gap is set before the blend";

  faults().sample_create_fails = false;
  EXPECT_EQ(Request(200'000, &frame).reads(), 0);
  EXPECT_EQ(frame->GetPts(), 200'000);
}

TEST_F(BlendingSource, NoUpstreamFrameForTheLeftGivesNothingAndKeepsTheHeldAnswer) {
  auto frames = PatternFrames(6, 0, kStep, kStep);
  frames[3].missing = true;
  Use(kRate, std::move(frames));
  SamplePtr held;
  Request(kStep, &held);
  SamplePtr frame;
  Request(3 * kStep, &frame);
  EXPECT_EQ(frame, nullptr);
  EXPECT_EQ(source->prev(), nullptr);
  EXPECT_EQ(source->held(), held);
  EXPECT_EQ(Request(kStep + 50, &frame).reads(), 0);
  EXPECT_EQ(frame, held);
}

TEST_F(BlendingSource, FlagsReachTheProvidersSeek) {
  SamplePtr frame;
  EXPECT_EQ(Request(0, &frame, 0x33).seek_flags, std::vector<uint32_t>{0x33});
}

TEST(BlendingDebugSwitches, StartOff) {
  EXPECT_EQ(frameinterp::BlendingTimingSwitch(), 0);
  EXPECT_EQ(frameinterp::BlendingDumpSwitch(), 0);
}

TEST_F(BlendingSource, TimingLineOnlyWhileItsSwitchIsOn) {
  const SteppingClock clock(2'500'000);  // 2.5 ms a reading
  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);
  EXPECT_TRUE(Lines("FrameSourceBlendingImpl").empty()) << "the switch is off";

  frameinterp::BlendingTimingSwitch() = 1;
  const int64_t before = SteppingClock::Readings();
  Request(600'000, &frame);
  // Readings: t0; the base's forward search (start, one step); t1; t2.
  ASSERT_EQ(SteppingClock::Readings(), before + 5);
  // t1 - t0 = 7.5 ms and t2 - t1 = 2.5 ms, truncated.
  EXPECT_EQ(Lines("FrameSourceBlendingImpl"),
            Texts{"1 ------------------FrameInterpolation blending_pts_:600000,getframe_time 7, "
                  "blending_time 2"});

  // Answers that need no blend write no timing line.
  Request(800'000, &frame);
  EXPECT_EQ(Lines("FrameSourceBlendingImpl").size(), 1u);
}

// ---------------------------------------------------------------------------
// The host's services

TEST_F(BlendingSource, ConstructionAcquiresBothServicesAndDestructionHandsThemBack) {
  EXPECT_NE(source->visual().session(), nullptr);
  EXPECT_NE(source->gpu().session(), nullptr);
  EXPECT_EQ(services().visual_process_sessions_created, 1);
  EXPECT_EQ(services().gpu_sessions_created, 1);
  EXPECT_TRUE(Log().empty()) << "nothing is reported at construction";

  // The services outlive their registration while a session is held.
  standin::UnregisterStandardServices();
  const std::weak_ptr<service::IService> visual = source->visual().service();
  source.reset();
  EXPECT_TRUE(visual.expired());
  EXPECT_EQ(services().sessions_alive, 0);
  EXPECT_EQ(services().sessions_abandoned, 0);
  EXPECT_EQ(services().last_destroyed, standin::SessionKind::kVisualProcess)
      << "the GPU session goes first, then the visual-processing one";
}

TEST_F(BlendingSource, FailedAcquisitionsLeaveTheirReferenceWithoutASession) {
  enum class Failure { kNoManager, kNoService, kNullSession, kForeignSession };
  for (const Failure failure : {Failure::kNoManager, Failure::kNoService, Failure::kNullSession,
                                Failure::kForeignSession}) {
    source.reset();
    standin::ResetStandardServices();
    standin::RegisterStandardServices();
    standin::SetServiceManagerAvailable(failure != Failure::kNoManager);
    if (failure == Failure::kNoService)
      standin::UnregisterService(standin::kVisualProcessServiceGuid);
    controls().visual_process_sessions =
        failure == Failure::kNullSession      ? standin::SessionOutcome::kNull
        : failure == Failure::kForeignSession ? standin::SessionOutcome::kForeign
                                              : standin::SessionOutcome::kSession;
    Use(kRate, PatternFrames(3, 0, kStep, kStep));
    const auto kind = static_cast<int>(failure);
    EXPECT_EQ(source->visual().session(), nullptr) << kind;
    // Only a foreign session's service is kept; that session is handed straight back.
    EXPECT_EQ(source->visual().service() != nullptr, failure == Failure::kForeignSession) << kind;
    EXPECT_EQ(source->gpu().session() != nullptr, failure != Failure::kNoManager) << kind;
    EXPECT_EQ(services().sessions_alive, failure == Failure::kNoManager ? 0 : 1) << kind;
  }
  EXPECT_EQ(services().last_destroyed, standin::SessionKind::kForeign);

  SamplePtr frame;
  Request(0, &frame);
  Request(200'000, &frame);
  EXPECT_EQ(Lines("FrameSourceBlendingImpl::Blending"), Texts{"4 OVK_VISUAL_PROCESS_GUID fail"});
}

TEST_F(BlendingSource, SessionBuildsTheBlendingSourceForMode1AndDropsItWithTheSetting) {
  source.reset();
  const int64_t created = services().sessions_created;
  {
    frameinterp::FrameInterpImpl session;
    session.SetProvider(provider);
    session.SetMode(1);
    EXPECT_EQ(services().sessions_created, created) << "built on the first request";
    session.GetFrame(0, 0);
    EXPECT_EQ(services().sessions_alive, 2);
    EXPECT_TRUE(Blends(session.GetFrame(100'000, 0), 0, 0.25f));

    // An option change builds a new source with new service sessions.
    const core::ValAny on(true);
    session.SetOption("UseGpuEffect", &on);
    session.GetFrame(300'000, 0);
    EXPECT_EQ(services().sessions_created, created + 4);
    EXPECT_EQ(services().sessions_alive, 2);
    session.SetMode(0);
    EXPECT_EQ(services().sessions_alive, 0) << "a mode change releases the source at once";
    session.SetMode(1);
    session.GetFrame(0, 0);
  }
  EXPECT_EQ(services().sessions_alive, 0) << "the session's end releases them";
}

}  // namespace
