#include "clip_session.h"

#include <memory>

#include "frame_times.h"
#include "frameinterpimpl.h"
#include "pixel_formats.h"
#include "testdata.h"

namespace embedding {

golden::Clip FootageClip(const char* relative) {
  return golden::ReadClip(frameinterp::testing::TestdataPath(relative));
}

std::vector<standin::ScriptedFrame> TaggedFrames(const golden::Clip& clip, uint32_t format) {
  std::vector<standin::ScriptedFrame> frames;
  for (int64_t i = 0; i < clip.frames->count(); ++i) {
    auto picture = fitool::ToHostBuffer(clip.frames->Frame(i), format);
    picture->GetDesc(0)->GetMetadata(0)->AddTag("camera");
    const int64_t pts = fitool::FrameTime(i, clip.rate);
    frames.push_back({pts, fitool::FrameTime(i + 1, clip.rate) - pts, std::move(picture), false});
  }
  return frames;
}

std::vector<uint64_t> AnswerDigests(const golden::Clip& clip,
                                    std::vector<standin::ScriptedFrame> frames, uint32_t mode) {
  frameinterp::FrameInterpImpl session;
  session.SetProvider(std::make_shared<standin::ScriptedProvider>(
      FrameRate{clip.rate.num, clip.rate.den}, std::move(frames)));
  session.SetMode(mode);
  std::vector<uint64_t> digests;
  golden::RequestClip(
      clip, fitool::Rational{2 * clip.rate.num, clip.rate.den},
      [&](int64_t pts) { return session.GetFrame(pts, 0); },
      [&](const std::vector<uint8_t>& bytes) { digests.push_back(golden::Fnv1a(bytes)); });
  return digests;
}

}  // namespace embedding
