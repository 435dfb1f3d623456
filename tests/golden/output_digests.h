// Runs of the module over real footage, reduced to digests: a session (or a
// motion source of chosen settings) fed a clip at its exact frame times and
// asked for every output frame before the clip's end, the way frameinterp
// converts a file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame_sequence.h"
#include "frame_source.h"
#include "rational.h"

namespace golden {

// A clip of the footage folder, read whole.
struct Clip {
  std::string name;  // file name without folder and extension
  fitool::Rational rate;
  std::unique_ptr<fitool::PictureList> frames;
};
Clip ReadClip(const std::string& path);

// The bytes of each row of each plane of an answer, in plane order, without
// the stride's padding; empty for an empty answer.
std::vector<uint8_t> AnswerBytes(const frameinterp::SamplePtr& answer);

// Asks `request` for the frame at floor(k x 10,000,000 / output_rate) for
// every k whose time lies before the end of the clip, and hands each answer's
// bytes to `on_frame`; an empty answer hands on the previous bytes again.
void RequestClip(const Clip& clip, fitool::Rational output_rate,
                 const std::function<frameinterp::SamplePtr(int64_t)>& request,
                 const std::function<void(const std::vector<uint8_t>&)>& on_frame);

// 64-bit FNV-1a, continued over more bytes.
uint64_t Fnv1a(const std::vector<uint8_t>& bytes, uint64_t hash = 0xcbf29ce484222325ull);

// The first 16 hex digits of the SHA-256 of the bytes.
std::string Sha256Prefix(const std::vector<uint8_t>& bytes);

}  // namespace golden
