// A session run over a real clip the way a host runs one: the clip's frames as
// host pictures of one format, each description carrying a metadata tag,
// served at the clip's frame times by a scripted provider.
#pragma once

#include <cstdint>
#include <vector>

#include "output_digests.h"
#include "standin/scripted_provider.h"

namespace embedding {

// The clip read from the footage folder (`relative` to it).
golden::Clip FootageClip(const char* relative);

// The clip's frames as new host pictures of `format`, laid out as the
// stand-in host is set (standin::SetRowPadding).
std::vector<standin::ScriptedFrame> TaggedFrames(const golden::Clip& clip, uint32_t format);

// A digest of each answer of a session in `mode` over `frames`, asked for
// every frame at twice the clip's rate.
std::vector<uint64_t> AnswerDigests(const golden::Clip& clip,
                                    std::vector<standin::ScriptedFrame> frames, uint32_t mode);

}  // namespace embedding
