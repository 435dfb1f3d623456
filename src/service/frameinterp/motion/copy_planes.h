// Copy of a picture between two sets of planes of one layout.
#pragma once

#include <cstdint>

namespace frameinterp {

// Format 1: plane 0 over `height` rows, planes 1 and 2 over the chroma rows,
// (height + 1) / 2; format 6: plane 0, then plane 1 over the chroma rows; any
// other: plane 0.
// Each row moves min(src stride, dst stride) bytes (nothing when that is not
// positive); the width is not consulted. Missing (null) planes are skipped.
void copy_planes(int32_t format, int32_t height, const uint8_t* const src[],
                 const int32_t src_strides[], uint8_t* const dst[], const int32_t dst_strides[]);

}  // namespace frameinterp
