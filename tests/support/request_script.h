// Scripts of requests to a frame source over a scripted provider: each
// request with the answer it must give, what it may cost the provider and the
// log lines it writes. Tests of the plain, the blending and the loaded
// module's sources state their cases as such tables.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/media.h"
#include "standin/scripted_provider.h"

namespace scripttest {

using Sample = std::shared_ptr<avcore::IMediaSample>;

// What a request must answer.
struct Answer {
  enum Kind { kNothing, kUpstream, kBlend, kLastAnswer } kind;
  int frame = 0;         // the upstream frame whose picture it carries; of a blend, the left one
  float factor = 0.0f;   // of a blend: the host's blend of `frame` and `frame` + 1 at this factor
  int64_t pts = 0;       // its time and duration (upstream frames and blends)
  int64_t duration = 0;
};
inline Answer Nothing() { return {Answer::kNothing}; }
inline Answer Upstream(int frame, int64_t pts, int64_t duration) {
  return {Answer::kUpstream, frame, 0.0f, pts, duration};
}
inline Answer Blend(int frame, float factor, int64_t pts, int64_t duration) {
  return {Answer::kBlend, frame, factor, pts, duration};
}
// The very sample of the last answer that was not empty.
inline Answer LastAnswer() { return {Answer::kLastAnswer}; }

// Provider calls of one request.
struct Reads {
  int seek = 0;
  int move_next = 0;
  int get_current_frame = 0;
};

struct Request {
  int64_t pts;
  Answer answer;
  Reads reads;
  std::vector<std::string> log = {};  // its captured lines, each "<tag> <level> <text>"
};

// A stream of upstream frames and the requests to make of a new source over it.
struct Script {
  const char* name;
  FrameRate rate;
  std::vector<standin::ScriptedFrame> frames;
  std::vector<Request> requests;
};

// The frames with the one at `index` missing (the provider gives no sample there).
inline std::vector<standin::ScriptedFrame> WithMissing(std::vector<standin::ScriptedFrame> frames,
                                                       size_t index) {
  frames.at(index).missing = true;
  return frames;
}

// Makes the requests in order (the log must be captured) and checks each
// answer, its provider calls and its log lines; and that every earlier answer
// other than the new one keeps the time and duration it was given with.
void RunScript(const std::function<Sample(int64_t pts)>& request,
               standin::ScriptedProvider& provider, const std::vector<Request>& script);

}  // namespace scripttest
