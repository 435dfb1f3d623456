// Checks of blended pictures against the stand-in host's formula, patterned
// pictures, and upstream frames made from real footage. Depends only on the
// stand-in host, so it serves tests of the loaded module as well as tests of
// the module's internals.
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
#include "y4m_clip.h"

namespace blendtest {

using BufferPtr = std::shared_ptr<avcore::IMediaBuffer>;

// A picture whose every byte differs from its neighbours and between seeds.
std::shared_ptr<standin::CpuBuffer> PatternPicture(uint32_t format, uint32_t width, uint32_t height,
                                                   int seed);

// `count` frames at start, start + step, ..., each lasting `duration`, each
// with a patterned picture of its own (seed = frame index).
std::vector<standin::ScriptedFrame> PatternFrames(int count, int64_t start, int64_t step,
                                                  int64_t duration, uint32_t format = 1,
                                                  uint32_t width = 16, uint32_t height = 8);

// Frame i of a clip at floor(i × 10,000,000 × den / num) ticks, lasting until
// the next frame's time, its picture in the given format: 1 (Y, U, V planes),
// 6 (Y, then U and V interleaved) or 20 (Y, U, V, 255 for each pixel, chroma
// taken from the pixel's 2 x 2 block).
int64_t ClipFrameTime(const frameinterp::testing::Y4MClip& clip, int64_t index);
std::vector<standin::ScriptedFrame> FramesFromClip(const frameinterp::testing::Y4MClip& clip,
                                                   uint32_t format);

BufferPtr BufferOf(const std::shared_ptr<avcore::IMediaSample>& sample);

// The blend weight of the second picture in 1/1024: (int)(factor × 1024 + 0.5)
// clamped to 0 … 1024.
int32_t ExpectedWeight(float factor);

// Every byte of every plane of `out` is (a × (1024 − w) + b × w + 512) >> 10.
::testing::AssertionResult IsBlendOf(avcore::IMediaBuffer* out, avcore::IMediaBuffer* a,
                                     avcore::IMediaBuffer* b, float factor);
// Both pictures hold the same bytes in every plane.
::testing::AssertionResult SamePicture(avcore::IMediaBuffer* first, avcore::IMediaBuffer* second);

// The captured lines with this tag (all levels), and their texts.
std::vector<standin::LogLine> WithTag(const std::vector<standin::LogLine>& lines,
                                      const std::string& tag);
std::vector<std::string> Texts(const std::vector<standin::LogLine>& lines);

}  // namespace blendtest
