// Copy of a picture between two sets of planes of one layout.
#pragma once

#include <cstdint>

namespace frameinterp {

// The planes of the format's layout (format_codes.h): plane 0 over `height`
// rows, the chroma planes over (height + 1) / 2; a code of 4-byte pixels,
// plane 0 alone.
// Each row moves min(src stride, dst stride) bytes (nothing when that is not
// positive); the width is not consulted. Missing (null) planes are skipped.
void copy_planes(int32_t format, int32_t height, const uint8_t* const src[],
                 const int32_t src_strides[], uint8_t* const dst[], const int32_t dst_strides[]);

// As copy_planes, for a destination that is not read again soon (see
// row_stream.h): pictures of kStreamedPicture bytes or more are streamed
// around the caches, smaller ones, which the caches hold a window of,
// copied as copy_planes does.
inline constexpr int64_t kStreamedPicture = int64_t{2} << 20;
void stream_planes(int32_t format, int32_t height, const uint8_t* const src[],
                   const int32_t src_strides[], uint8_t* const dst[], const int32_t dst_strides[]);

}  // namespace frameinterp
