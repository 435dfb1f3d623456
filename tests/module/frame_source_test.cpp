// The base frame source: which upstream frame answers a request, and what it
// costs the provider (seeks versus forward steps, and the limits on stepping).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

#include "frameinterpimpl.h"
#include "standin/log_control.h"
#include "standin/scripted_provider.h"
#include "stepping_clock.h"

namespace {

using frameinterp::FrameSourceImpl;
using frameinterp::FrameSourceOpticalFlowImpl;
using standin::ProviderCalls;
using standin::ScriptedFrame;
using standin::ScriptedProvider;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kStep = 400'000;  // 25 frames per second

// Exposes what the base keeps between requests.
class ProbedSource : public FrameSourceImpl {
public:
  using FrameSourceImpl::FrameSourceImpl;
  int64_t frame_duration() const { return frame_duration_; }
  uint32_t provider_info() const { return provider_info_; }
  bool use_gpu_effect() const { return use_gpu_effect_; }
};

struct Fixture : ::testing::Test {
  void Use(FrameRate rate, std::vector<ScriptedFrame> frames) {
    provider = std::make_shared<ScriptedProvider>(rate, std::move(frames), 42);
    source = std::make_unique<ProbedSource>(provider, true);
    provider->ResetCalls();
  }
  // The provider calls a request made, counted from the previous request.
  ProviderCalls Request(int64_t pts, frameinterp::SamplePtr* out) {
    provider->ResetCalls();
    *out = source->GetFrame(pts, 7);
    return provider->calls();
  }

  std::shared_ptr<ScriptedProvider> provider;
  std::unique_ptr<ProbedSource> source;
  frameinterp::SamplePtr frame;
};

using BaseSource = Fixture;

TEST_F(BaseSource, ReadsRateAndInfoOnceAtConstruction) {
  auto counted = std::make_shared<ScriptedProvider>(FrameRate{30000, 1001},
                                                    ScriptedProvider::Uniform(2, 0, 1, 1), 9);
  ProbedSource probe(counted, true);
  EXPECT_EQ(counted->calls().get_frame_rate, 1);
  EXPECT_EQ(counted->calls().get_info, 1);
  EXPECT_EQ(counted->calls().reads(), 0);
  EXPECT_EQ(probe.frame_duration(), 333'666);
  EXPECT_EQ(probe.provider_info(), 9u);
  EXPECT_TRUE(probe.use_gpu_effect());

  ProbedSource empty(nullptr, true);
  EXPECT_EQ(empty.frame_duration(), 0);
  EXPECT_FALSE(empty.use_gpu_effect()) << "fields keep their initial values without a provider";
  EXPECT_EQ(empty.GetFrame(0, 0), nullptr);
}

TEST_F(BaseSource, FirstRequestSeeksAndRepeatsCostNothing) {
  Use({25, 1}, ScriptedProvider::Uniform(40, 0, kStep, kStep));
  ProviderCalls calls = Request(2 * kStep, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 2 * kStep);
  EXPECT_EQ(calls.seek, 1);
  EXPECT_EQ(calls.seek_flags, std::vector<uint32_t>{7});
  EXPECT_EQ(calls.get_current_frame, 1);

  const auto first = frame;
  calls = Request(2 * kStep, &frame);
  EXPECT_EQ(frame, first) << "the kept frame itself";
  EXPECT_EQ(calls.reads(), 0);

  // A seek that lands after the request gives that frame with its own time.
  Use({25, 1}, ScriptedProvider::Uniform(5, 10 * kStep, kStep, kStep));
  Request(kStep, &frame);
  EXPECT_EQ(frame->GetPts(), 10 * kStep);
}

TEST_F(BaseSource, RequestsWithinTheReuseWindowStepInsteadOfSeeking) {
  Use({25, 1}, ScriptedProvider::Uniform(40, 0, kStep, kStep));
  Request(0, &frame);
  // Inside 16 frame durations: steps forward frame by frame.
  ProviderCalls calls = Request(16 * kStep - 200, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 15);
  EXPECT_EQ(frame->GetPts(), 15 * kStep);

  // From the new position, exactly 16 durations ahead seeks.
  calls = Request(15 * kStep + 16 * kStep, &frame);
  EXPECT_EQ(calls.seek, 1);
  EXPECT_EQ(calls.move_next, 0);
  EXPECT_EQ(frame->GetPts(), 31 * kStep);
}

TEST_F(BaseSource, StepsStopAtTheFrameReaching100TicksPastTheRequest) {
  // Frame 0 spans [0, 400000), by its own duration or, without one, by the
  // nominal one: it reaches 100 ticks past 399900, not past 399901.
  for (const int64_t duration : {kStep, int64_t{0}}) {
    Use({25, 1}, ScriptedProvider::Uniform(10, 0, kStep, duration));
    Request(0, &frame);
    EXPECT_EQ(Request(kStep - 100, &frame).reads(), 0) << duration;
    EXPECT_EQ(frame->GetPts(), 0);
    EXPECT_EQ(Request(kStep - 99, &frame).move_next, 1) << duration;
    EXPECT_EQ(frame->GetPts(), kStep) << "the next frame, though it starts after the request";
  }
}

TEST_F(BaseSource, FrameStartingUpTo100TicksBeforeTheRequestAnswersIt) {
  Use({25, 1}, ScriptedProvider::Uniform(10, 0, 50, 10));
  Request(0, &frame);
  EXPECT_EQ(Request(100, &frame).reads(), 0);
  EXPECT_EQ(frame->GetPts(), 0);
  // Further on, only a frame reaching 100 ticks past the request ends the search.
  EXPECT_EQ(Request(101, &frame).move_next, 4);
  EXPECT_EQ(frame->GetPts(), 200);
}

TEST_F(BaseSource, RequestJustBeforeTheCurrentFrameSeeksAgain) {
  Use({25, 1}, ScriptedProvider::Uniform(10, 0, kStep, kStep));
  Request(kStep, &frame);
  const ProviderCalls calls = Request(kStep - 50, &frame);
  EXPECT_EQ(calls.seek, 1);
  // The provider lands on frame 0, which ends short of the request + 100, so
  // the search steps back onto the same frame as before.
  EXPECT_EQ(calls.move_next, 1);
  EXPECT_EQ(frame->GetPts(), kStep);
}

TEST_F(BaseSource, EndOfStreamAndMissingFramesGiveNoFrame) {
  auto frames = ScriptedProvider::Uniform(4, 0, kStep, kStep);
  frames[2].missing = true;
  Use({25, 1}, std::move(frames));
  Request(0, &frame);
  EXPECT_EQ(Request(2 * kStep, &frame).move_next, 2);
  EXPECT_EQ(frame, nullptr) << "no frame after a step";

  // The kept frame is still frame 1, and the provider stands on frame 2.
  EXPECT_EQ(Request(3 * kStep, &frame).move_next, 1);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 3 * kStep);
  Request(4 * kStep + 1000, &frame);
  EXPECT_EQ(frame, nullptr) << "MoveNext reports no next frame";
}

TEST_F(BaseSource, EmptySeekKeepsTheOldFrameAndTheSeekTime) {
  auto frames = ScriptedProvider::Uniform(40, 0, kStep, kStep);
  frames[20].missing = true;
  Use({25, 1}, std::move(frames));
  Request(0, &frame);
  const auto older = frame;
  Request(20 * kStep, &frame);
  EXPECT_EQ(frame, nullptr);
  // The stored time is now the seek result (frame 20) while the kept frame is
  // still frame 0: a request at that time passes the reuse test and gets it.
  const ProviderCalls calls = Request(20 * kStep, &frame);
  EXPECT_EQ(calls.reads(), 0);
  EXPECT_EQ(frame, older);
}

TEST_F(BaseSource, StepLimitReturnsThe1001stFrameRestamped) {
  // One frame per 100 ticks, each lasting one tick; the nominal duration of
  // one second keeps the whole run inside the reuse window.
  std::vector<ScriptedFrame> frames;
  for (int i = 0; i < 1100; ++i) frames.push_back({i * 100, 1, nullptr, false});
  Use({1, 1}, std::move(frames));
  standin::LogCapture log;
  Request(0, &frame);
  const ProviderCalls calls = Request(500'000, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 1001);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 500'000) << "stamped with the requested time";
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].tag, "frameinterp");
  EXPECT_EQ(lines[0].level, 3);
  EXPECT_EQ(lines[0].text, "src/service/frameinterp/frameinterpimpl(367) forward overhead (1001)");

  // The source keeps the frame's own time: the next request just after it needs no read.
  EXPECT_EQ(Request(100'100, &frame).reads(), 0);
}

TEST_F(BaseSource, TimeLimitReturnsTheLastFrameRestamped) {
  Use({1, 1}, ScriptedProvider::Uniform(50, 0, 100, 1));
  standin::LogCapture log;
  Request(0, &frame);
  const SteppingClock clock(1'000'000'000);  // every reading a second later
  const ProviderCalls calls = Request(4'000, &frame);
  // Readings: at the start, then after each step: 6 s after the sixth, past 5.001 s.
  EXPECT_EQ(calls.move_next, 6);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), 4'000);
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].level, 3);
  EXPECT_EQ(lines[0].text, "src/service/frameinterp/frameinterpimpl(378) forward timeout (6000)");
}

TEST_F(BaseSource, UnknownFrameRateSeeksEveryTimeAndStillSteps) {
  for (const FrameRate rate :
       {FrameRate{0, 1}, FrameRate{-25, 1}, FrameRate{25, 0}, FrameRate{25, -1}}) {
    Use(rate, ScriptedProvider::Uniform(10, 0, kStep, kStep));
    EXPECT_EQ(source->frame_duration(), 0);
    Request(0, &frame);
    const ProviderCalls calls = Request(3 * kStep + 5, &frame);
    EXPECT_EQ(calls.seek, 1) << "no reuse window without a frame duration";
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetPts(), 3 * kStep);
  }
  // Frames without durations under an unknown rate: each frame ends where it
  // starts, and the search stops at the first frame beyond the request.
  Use({0, 0}, ScriptedProvider::Uniform(10, 0, kStep, 0));
  Request(0, &frame);
  EXPECT_EQ(Request(kStep * 3 / 2, &frame).move_next, 1);
  EXPECT_EQ(frame->GetPts(), 2 * kStep);
}

TEST_F(BaseSource, TimesAtTheEndsOfThe64BitRange) {
  // Every sum of the tests (pts - 100, pts + 100, the reuse window, a frame's
  // end) must compare as in exact arithmetic, not wrap or saturate.
  Use({1, 1}, {{kMin, 10, nullptr, false},
               {kMin + 10, 10, nullptr, false},
               {kMax - 300, 10, nullptr, false},
               {kMax - 10, 10, nullptr, false}});

  // kMin - 100 lies below the range: the first frame answers its own time.
  EXPECT_EQ(Request(kMin, &frame).seek, 1);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), kMin);

  // Inside the reuse window; the frame at kMin + 10 ends short of the request
  // + 100, so the search steps on to the next frame, which covers it.
  ProviderCalls calls = Request(kMin + 150, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 2);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetPts(), kMax - 300);

  // The reuse window reaches past kMax, so no seek; kMax + 100 lies above the
  // range, so no frame reaches it and the stream ends.
  calls = Request(kMax, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 2);
  EXPECT_EQ(frame, nullptr);

  // The last frame starts less than 100 ticks before kMax: it answers kMax.
  Request(kMax - 10, &frame);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(Request(kMax, &frame).reads(), 0);
  EXPECT_EQ(frame->GetPts(), kMax - 10);
}

TEST_F(BaseSource, HugeFrameDurationsKeepTheReuseWindowExact) {
  // A rate of 1 / kMax frames per second: the nominal duration saturates and
  // 16 of them reach far past the range; every later request reuses.
  Use({1, kMax}, ScriptedProvider::Uniform(3, kMin, kStep, kStep));
  EXPECT_EQ(source->frame_duration(), kMax);
  Request(kMin, &frame);
  const ProviderCalls calls = Request(kMax, &frame);
  EXPECT_EQ(calls.seek, 0);
  EXPECT_EQ(calls.move_next, 3) << "two steps, then the end of the stream";
  EXPECT_EQ(frame, nullptr);
}

TEST(OpticalFlowSource, AnswersNothingAndNeverReads) {
  auto provider = std::make_shared<ScriptedProvider>(FrameRate{25, 1},
                                                     ScriptedProvider::Uniform(3, 0, kStep, kStep));
  FrameSourceOpticalFlowImpl source(provider, false);
  EXPECT_EQ(provider->calls().get_frame_rate, 1) << "the base still reads the rate";
  EXPECT_EQ(source.GetFrame(0, 0), nullptr);
  EXPECT_EQ(source.GetFrame(kStep, 0), nullptr);
  EXPECT_EQ(provider->calls().reads(), 0);
}

}  // namespace
