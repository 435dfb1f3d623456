// Bilinear enlargement of a plane by an integer factor, for benchmark input
// at full-HD and larger sizes made from smaller real footage.
#pragma once

#include "synthetic_planes.h"

namespace frameinterp::testing {

Plane upscale(const Plane& in, int32_t factor);

}  // namespace frameinterp::testing
