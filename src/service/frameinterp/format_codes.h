// The host's pixel-format codes as the module reads them. Their meaning
// belongs to the host; the module relies on these layouts alone.
//
// On the motion path:
// - 1: three planes, luma and then U and V at half width and half height.
// - 6: two planes, luma and then one plane of interleaved (U, V) byte pairs
//   at half height, a pair per two pixels.
//   At an odd width or height the chroma planes of both round up, as the host
//   lays them out.
// - Any other code: one plane of 4-byte pixels. The answers carry code 20.
//
// The blending path passes every code through, except that 2, 7 and 31 in CPU
// memory are blended into code 1; it reads the chroma rows of 1 and 6 rounded
// down, never more rows than any host's layout has.
#pragma once

#include <cstdint>

namespace frameinterp {

inline constexpr int32_t kFormatPlanar = 1;
inline constexpr int32_t kFormatInterleaved = 6;
inline constexpr int32_t kFormatPacked = 20;  // the answers' code for 4-byte pixels

// Whether the blending path, in CPU memory, blends pictures of this code into
// kFormatPlanar.
inline constexpr bool blends_into_planar(uint32_t format) {
  return format == 2 || format == 7 || format == 31;
}

}  // namespace frameinterp
