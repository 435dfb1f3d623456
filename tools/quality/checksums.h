// The two checksums a PNG file carries: CRC-32 (ISO 3309, as in PNG chunks and
// zlib's gzip) over each chunk, and Adler-32 over the zlib stream's data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fitool {

// Continues a CRC-32 over `size` more bytes; start with crc = 0.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

// Continues an Adler-32 over `size` more bytes; start with adler = 1.
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);

}  // namespace fitool
