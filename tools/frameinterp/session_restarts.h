// Where a run of a conversion may begin: the requests at which one session,
// asked for the output frames in order, starts afresh, so that another
// session asked from there on gives the same answers, byte for byte.
//
// In the repeat and blend modes nothing a session keeps changes an answer:
// the answer at t is the upstream frame covering t, or the blend of the frame
// at or before t with the next one, whatever was asked before. Every request
// is a starting point.
//
// In the motion mode an answer depends on the session's window of four
// upstream frames, its motion vectors and its last answer. A request restarts
// the window when it lies neither within 100 ticks of the last answer's time
// or of a frame the window holds, nor inside the window (from the earliest
// frame it holds to its newest place); everything after a restart follows
// from the request's time and the stream alone. A window still filling after
// a restart holds only frames starting less than 100 ticks after its request,
// so requests rising by 100 ticks or more never come before its earliest
// frame, whether or not a session counts its empty places as the earliest.
// Which frames the window holds follows from the request times and frame
// times alone: a restart at t takes the frame covering t twice, and every
// request then takes the frames covering t, t + d, t + 2d, ... (d the nominal
// frame duration) until the window holds four frames with the request no
// later than the second newest. This class replays those steps on times,
// without pictures.
//
// Both rules need upstream frames at least 200 ticks apart: the frame look-up
// accepts a frame starting within 100 ticks after the time asked for, and
// with shorter frames its answer would depend on the frame it stepped from.
// Conversions of faster inputs (above 50,000 fps) start only at their first
// request.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "frame_sequence.h"
#include "rational.h"

namespace fitool {

class SessionRestarts {
public:
  // Requests in `mode` on the frames of `upstream` (only their existence is
  // asked) at `input_rate`.
  SessionRestarts(uint32_t mode, Rational input_rate, FrameSequence& upstream);

  // Takes the next request's time (rising by 100 ticks or more from request
  // to request); true when one session starts afresh at it. The first
  // request always does.
  bool Next(int64_t t);

private:
  // The times that decide where a motion session restarts next.
  struct Window {
    std::array<int64_t, 4> frames;  // oldest first; the "no time" marker where empty
    std::optional<int64_t> answer;  // the time of the last answer
    bool started = false;           // a window was started (the session has its output sample)
  };

  // Whether the session restarts its window at a request at t.
  bool Restarts(int64_t t) const;
  // The frame that the module's look-up answers for time x (the last frame
  // starting at or before x, or the next one when that starts within 100
  // ticks after x); nullopt at the end of the stream.
  std::optional<int64_t> Covering(int64_t x) const;
  // The window takes the frame at `time` as its newest.
  void Push(int64_t time);
  // The answer when the stream ends before the window encloses t: the newest
  // window frame at or before t.
  void AnswerLatestUpTo(int64_t t);

  bool motion_;
  bool splittable_;
  Rational rate_;
  int64_t duration_;  // the module's nominal frame duration
  FrameSequence& upstream_;
  Window window_;
  bool first_ = true;
};

}  // namespace fitool
