#include "session_restarts.h"

#include <algorithm>
#include <limits>

#include "cli_options.h"
#include "frame_times.h"

namespace fitool {
namespace {

constexpr int64_t kNoTime = -36'000'000'000;
constexpr int64_t kSlack = 100;  // ticks within which two times are the same frame time
constexpr int64_t kShortestFrame = 2 * kSlack;

bool Near(int64_t a, int64_t b) {
  const uint64_t distance = a >= b ? static_cast<uint64_t>(a) - static_cast<uint64_t>(b)
                                   : static_cast<uint64_t>(b) - static_cast<uint64_t>(a);
  return distance < static_cast<uint64_t>(kSlack);
}

int64_t SaturatingAdd(int64_t a, int64_t b) {
  return a > std::numeric_limits<int64_t>::max() - b ? std::numeric_limits<int64_t>::max() : a + b;
}

}  // namespace

SessionRestarts::SessionRestarts(uint32_t mode, Rational input_rate, FrameSequence& upstream)
    : motion_(mode == kModeMotion),
      rate_(input_rate),
      duration_(MulDivFloor(input_rate.den, kTicksPerSecond, input_rate.num).value_or(0)),
      upstream_(upstream) {
  splittable_ = duration_ >= kShortestFrame;
  window_.frames.fill(kNoTime);
}

bool SessionRestarts::Restarts(int64_t t) const {
  const Window& w = window_;
  if (w.answer && Near(t, *w.answer)) return false;
  for (const int64_t frame : w.frames) {
    if (w.started && frame != kNoTime && Near(t, frame)) return false;
  }
  // The earliest frame held: a window still filling after a restart holds
  // none in its oldest places, and a request before its frames is outside it.
  const auto earliest =
      std::find_if(w.frames.begin(), w.frames.end(), [](int64_t f) { return f != kNoTime; });
  return w.frames[3] == kNoTime || t < *earliest || t > w.frames[3];
}

bool SessionRestarts::Next(int64_t t) {
  const bool first = first_;
  first_ = false;
  if (!motion_ || !splittable_) return first || splittable_;

  Window& w = window_;
  const bool restart = Restarts(t);
  if (!restart) {
    if (w.answer && Near(t, *w.answer)) return false;
    for (const int64_t frame : w.frames) {
      if (frame != kNoTime && Near(t, frame)) {
        w.answer = frame;  // a window frame passed on
        return false;
      }
    }
  }
  std::optional<int64_t> sample;  // the index of the upstream frame in hand
  if (restart) {
    w.frames.fill(kNoTime);
    w.answer.reset();
    sample = Covering(t);
    if (!sample) return true;
    w.started = true;
  }
  int64_t cur = t;
  for (;;) {
    if (sample) {
      const int64_t sp = FrameTime(*sample, rate_);
      if (w.frames[3] == kNoTime) Push(sp);  // the first frame fills two places
      Push(sp);
      if (sp > cur || Near(t, sp)) {
        w.answer = sp;  // the upstream frame itself
        return restart;
      }
      cur = SaturatingAdd(cur, duration_);
    }
    if (w.frames[0] != kNoTime && t <= w.frames[2]) {
      w.answer = t;  // synthesised between the two middle frames
      return restart;
    }
    sample = Covering(cur);
    if (!sample) {
      AnswerLatestUpTo(t);
      return restart;
    }
  }
}

std::optional<int64_t> SessionRestarts::Covering(int64_t x) const {
  int64_t i = LastFrameUpTo(upstream_, FrameIndexAt(x, rate_));
  if (FrameTime(i, rate_) >= x - kSlack) return i;
  while (FrameTime(i + 1, rate_) < SaturatingAdd(x, kSlack)) {
    if (!upstream_.Has(i + 1)) return std::nullopt;
    ++i;
  }
  return i;
}

void SessionRestarts::Push(int64_t time) {
  std::rotate(window_.frames.begin(), window_.frames.begin() + 1, window_.frames.end());
  window_.frames[3] = time;
}

void SessionRestarts::AnswerLatestUpTo(int64_t t) {
  std::optional<int64_t> latest;
  for (const int64_t frame : window_.frames) {
    if (frame != kNoTime && frame <= t && (!latest || frame > *latest)) latest = frame;
  }
  if (latest) window_.answer = latest;
}

}  // namespace fitool
