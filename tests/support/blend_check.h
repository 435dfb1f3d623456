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
#include "host/service.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "y4m_reader.h"

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
// the next frame's time, its picture in the given format as the motion tests'
// HostPicture lays it out (1, 6, or 4-byte pixels).
std::vector<standin::ScriptedFrame> FramesFromClip(const frameinterp::testing::Y4MVideo& clip,
                                                   uint32_t format);
// The clip of the test data folder's clips/, up to max_frames frames.
frameinterp::testing::Y4MVideo ReadClip(const std::string& file, int32_t max_frames);

BufferPtr BufferOf(const std::shared_ptr<avcore::IMediaSample>& sample);

// Every byte of every plane of `out` is (a × (1024 − w) + b × w + 512) >> 10,
// with w = (int)(factor × 1024 + 0.5) clamped to 0 … 1024.
::testing::AssertionResult IsBlendOf(avcore::IMediaBuffer* out, avcore::IMediaBuffer* a,
                                     avcore::IMediaBuffer* b, float factor);

// Asks a mode-1 session for every frame at twice the provider's frame rate up
// to its last frame and checks each answer: on an upstream frame, that frame
// unchanged; between two, a new picture stamped with the request's time and
// the gap, blended by the host at the request's position. Returns the blends.
int64_t BlendAtTwiceTheRate(service::IFrameInterp& session, standin::ScriptedProvider& provider);

// The captured lines with this tag, each as "<level> <text>".
std::vector<std::string> LinesWithTag(const std::vector<standin::LogLine>& lines,
                                      const std::string& tag);

}  // namespace blendtest
