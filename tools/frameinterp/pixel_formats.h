// The host pixel formats the harness serves and reads back, and the
// conversions between them and the 4:2:0 pictures of a YUV4MPEG2 file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/media.h"
#include "picture.h"

namespace fitool {

// Host format codes: three planes Y, U, V (1); Y and interleaved UV (6);
// 4 bytes per pixel in the order B, G, R, A (20).
enum HostFormat : uint32_t { kFormatI420 = 1, kFormatNv12 = 6, kFormatBgra = 20 };

// BT.601 limited-range conversion between 4:2:0 and BGRA rows. Each chroma
// sample serves its 2 x 2 pixels (fewer in the last column or row of an odd
// size); going back, a chroma sample is taken from the average colour of
// those pixels.
void PictureToBgra(const Picture& picture, uint8_t* bgra, int32_t stride);
Picture BgraToPicture(const uint8_t* bgra, int32_t stride, int width, int height);

// A new host picture (CPU memory, memory type 0) of the given format holding
// `picture`.
std::shared_ptr<avcore::IMediaBuffer> ToHostBuffer(const Picture& picture, uint32_t format);

// The picture in a host buffer as 4:2:0: format 1 and 6 by their planes,
// every other code as 4 bytes per pixel. nullopt with the reason in *error
// when the buffer cannot be read or its size is zero.
std::optional<Picture> FromHostBuffer(avcore::IMediaBuffer& buffer, std::string* error);

}  // namespace fitool
