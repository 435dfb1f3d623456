// The plain frame source: which upstream frame answers each request, with
// what time, and what it costs the provider (seeks versus forward steps, and
// the limits on stepping).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

#include "frameinterpimpl.h"
#include "request_script.h"
#include "standin/log_control.h"
#include "standin/scripted_provider.h"
#include "stepping_clock.h"

namespace {

using frameinterp::FrameSourceImpl;
using scripttest::LastAnswer;
using scripttest::Nothing;
using scripttest::Request;
using scripttest::Script;
using scripttest::Upstream;
using standin::ScriptedFrame;
using standin::ScriptedProvider;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kStep = 400'000;  // 25 frames per second

class PlainSource : public ::testing::Test {
protected:
  void Use(FrameRate rate, std::vector<ScriptedFrame> frames) {
    provider = std::make_shared<ScriptedProvider>(rate, std::move(frames));
    source = std::make_unique<FrameSourceImpl>(provider, false);
  }
  void Run(const std::vector<Request>& script) {
    scripttest::RunScript([&](int64_t pts) { return source->GetFrame(pts, 0); }, *provider,
                          script);
  }

  standin::LogCapture log;
  std::shared_ptr<ScriptedProvider> provider;
  std::unique_ptr<FrameSourceImpl> source;
};

std::vector<ScriptedFrame> Frames(int count, int64_t start, int64_t step, int64_t duration) {
  return ScriptedProvider::Uniform(count, start, step, duration);
}

TEST_F(PlainSource, EachRequestGetsTheCoveringFrameAndCostsWhatItShould) {
  const std::string overhead =
      "frameinterp 3 src/service/frameinterp/frameinterpimpl(367) forward overhead (1001)";
  const Script scripts[] = {
      {"seeks, then steps within 16 frame durations, and seeks beyond or backwards",
       {25, 1},
       Frames(40, 0, kStep, kStep),
       {{0, Upstream(0, 0, kStep), {1, 0, 1}},
        {0, LastAnswer(), {}},
        {16 * kStep - 200, Upstream(15, 15 * kStep, kStep), {0, 15, 15}},
        {31 * kStep, Upstream(31, 31 * kStep, kStep), {1, 0, 1}},
        // The provider lands on frame 30, which ends short of the request + 100.
        {31 * kStep - 50, Upstream(31, 31 * kStep, kStep), {1, 1, 2}}}},
      {"a frame answers until it ends less than 100 ticks past the request",
       {25, 1},
       Frames(10, 0, kStep, kStep),
       {{0, Upstream(0, 0, kStep), {1, 0, 1}},
        {kStep - 100, LastAnswer(), {}},
        {kStep - 99, Upstream(1, kStep, kStep), {0, 1, 1}}}},
      {"a frame without a duration lasts the nominal one",
       {25, 1},
       Frames(10, 0, kStep, 0),
       {{0, Upstream(0, 0, 0), {1, 0, 1}},
        {kStep - 100, LastAnswer(), {}},
        {kStep - 99, Upstream(1, kStep, 0), {0, 1, 1}}}},
      {"a frame starting up to 100 ticks before the request answers it",
       {25, 1},
       Frames(10, 0, 50, 10),
       {{0, Upstream(0, 0, 10), {1, 0, 1}},
        {100, LastAnswer(), {}},
        {101, Upstream(4, 200, 10), {0, 4, 4}}}},
      {"a stream that starts after the request",
       {25, 1},
       Frames(5, 10 * kStep, kStep, kStep),
       {{kStep, Upstream(0, 10 * kStep, kStep), {1, 0, 1}}}},
      {"a missing frame and the end of the stream give nothing",
       {25, 1},
       scripttest::WithMissing(Frames(4, 0, kStep, kStep), 2),
       {{0, Upstream(0, 0, kStep), {1, 0, 1}},
        {2 * kStep, Nothing(), {0, 2, 2}},
        // The kept frame is still frame 1, and the provider stands on frame 2.
        {3 * kStep, Upstream(3, 3 * kStep, kStep), {0, 1, 1}},
        {4 * kStep + 1'000, Nothing(), {0, 1, 0}}}},
      {"an empty seek keeps the old frame and the seek's time",
       {25, 1},
       scripttest::WithMissing(Frames(40, 0, kStep, kStep), 20),
       {{0, Upstream(0, 0, kStep), {1, 0, 1}},
        {20 * kStep, Nothing(), {1, 0, 1}},
        // The stored time passes the reuse test, and the kept frame answers.
        {20 * kStep, LastAnswer(), {}}}},
      // One frame per 100 ticks, each lasting one tick; the nominal duration
      // of one second keeps the whole run inside the reuse window.
      {"the step limit gives the 1001st frame restamped",
       {1, 1},
       Frames(1100, 0, 100, 1),
       {{0, Upstream(0, 0, 1), {1, 0, 1}},
        {500'000, Upstream(1001, 500'000, 1), {0, 1001, 1001}, {overhead}},
        // The source keeps the frame's own time.
        {100'100, LastAnswer(), {}}}},
      {"without a known frame rate (0 / 1) every request seeks",
       {0, 1},
       Frames(10, 0, kStep, kStep),
       {{0, Upstream(0, 0, kStep), {1, 0, 1}},
        {3 * kStep + 5, Upstream(3, 3 * kStep, kStep), {1, 0, 1}}}},
      {"frames without durations under an unknown rate end where they start",
       {0, 0},
       Frames(10, 0, kStep, 0),
       {{0, Upstream(0, 0, 0), {1, 0, 1}}, {kStep * 3 / 2, Upstream(2, 2 * kStep, 0), {1, 1, 2}}}},
      // Every sum of the tests (pts - 100, pts + 100, the reuse window, a
      // frame's end) must compare as in exact arithmetic.
      {"times at the ends of the 64-bit range",
       {1, 1},
       {{kMin, 10, nullptr, false},
        {kMin + 10, 10, nullptr, false},
        {kMax - 300, 10, nullptr, false},
        {kMax - 10, 10, nullptr, false}},
       {{kMin, Upstream(0, kMin, 10), {1, 0, 1}},
        {kMin + 150, Upstream(2, kMax - 300, 10), {0, 2, 2}},
        // The reuse window reaches past kMax; kMax + 100 lies above the range.
        {kMax, Nothing(), {0, 2, 1}},
        {kMax - 10, Upstream(3, kMax - 10, 10), {}},
        {kMax, LastAnswer(), {}}}},
      {"a saturated frame duration keeps the reuse window exact",
       {1, kMax},
       Frames(3, kMin, kStep, kStep),
       {{kMin, Upstream(0, kMin, kStep), {1, 0, 1}}, {kMax, Nothing(), {0, 3, 2}}}},
  };
  for (const Script& script : scripts) {
    SCOPED_TRACE(script.name);
    Use(script.rate, script.frames);
    Run(script.requests);
  }
}

TEST_F(PlainSource, TimeLimitGivesTheLastFrameRestamped) {
  Use({1, 1}, Frames(50, 0, 100, 1));
  Run({{0, Upstream(0, 0, 1), {1, 0, 1}}});
  const SteppingClock clock(1'000'200'000);
  // Readings: at the start, then after each step: the fifth step is 5.001 s on.
  Run({{4'000, Upstream(5, 4'000, 1), {0, 5, 5},
        {"frameinterp 3 src/service/frameinterp/frameinterpimpl(378) forward timeout (5001)"}}});
}

}  // namespace
