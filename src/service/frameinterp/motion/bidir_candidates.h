// The pairs that the bidirectional vectors spread over the pixels (see
// SynthesisPass for how they become the output samples).
#pragma once

#include <cstdint>

#include "motion/synthesis_pass.h"

namespace frameinterp {

// Bidirectional mode: the vectors of frames[2] (direction 0, into frames[1])
// and then those of frames[1] (direction 1, into frames[2]), each spread over
// an overlap window placed where its block is at alpha.
void collect_bidir_candidates(SynthesisPass& pass);

}  // namespace frameinterp
