// The embedded default clip: a scene drawn entirely by code, so that the true
// picture at any time — including times between frames — is known.
//
// A textured background drifts slowly while textured objects move, turn and
// cross over one another (the later ones hide the earlier ones); part-way
// through, a hard cut switches to a different scene. Rendering is deterministic
// (fixed hashes, no random device) and object edges are supersampled so that
// motion is smooth. Samples stay in limited range.
#pragma once

#include <cstdint>
#include <string>

#include "picture.h"

namespace fitool {

class SyntheticScene {
public:
  SyntheticScene();

  int width() const;
  int height() const;
  int64_t rate_num() const;
  int64_t rate_den() const;
  int frame_count() const;

  // The picture at `seconds` from the start; frame i is Render(i · den / num).
  // The cut lies at frame cut_frame(): earlier times show the first scene,
  // except that times up to one 100-ns tick early (a frame time rounded down
  // to ticks) already show the cut frame.
  Picture Render(double seconds) const;
  int cut_frame() const;

  // One line for a person: size, rate, length and what happens.
  std::string Describe() const;
};

}  // namespace fitool
