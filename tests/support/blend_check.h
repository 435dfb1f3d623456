// Checks of blended pictures against the stand-in host's formula, patterned
// pictures, and the captured log. Depends only on the stand-in host, so it
// serves tests of the loaded module as well as tests of the module's internals.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/media.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"

namespace blendtest {

using BufferPtr = std::shared_ptr<avcore::IMediaBuffer>;

// A picture whose every byte differs from its neighbours and between seeds.
std::shared_ptr<standin::CpuBuffer> PatternPicture(uint32_t format, uint32_t width, uint32_t height,
                                                   int seed);

// `count` frames at start, start + step, ..., each lasting `duration`, each
// with a patterned picture of its own (seed = frame index, 16 x 8 pictures in format 1).
std::vector<standin::ScriptedFrame> PatternFrames(int count, int64_t start, int64_t step,
                                                  int64_t duration);

BufferPtr BufferOf(const std::shared_ptr<avcore::IMediaSample>& sample);

// Every byte of every plane of `out` is (a × (1024 − w) + b × w + 512) >> 10,
// with w = (int)(factor × 1024 + 0.5) clamped to 0 … 1024.
::testing::AssertionResult IsBlendOf(avcore::IMediaBuffer* out, avcore::IMediaBuffer* a,
                                     avcore::IMediaBuffer* b, float factor);

// The lines captured since the first `first` ones, each as "<tag> <level> <text>".
std::vector<std::string> LoggedSince(size_t first);

}  // namespace blendtest
