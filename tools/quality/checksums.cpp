#include "checksums.h"

#include <array>

namespace fitool {
namespace {

// Table of the reflected polynomial 0xEDB88320, one entry per byte value.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  uint32_t c = ~crc;
  for (size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return ~c;
}

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler) {
  constexpr uint32_t kModulus = 65521;
  // 5552 is the longest run after which the sums still fit in 32 bits
  // before reduction (255·n(n+1)/2 + (n+1)·(kModulus−1) < 2³²).
  constexpr size_t kRun = 5552;
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (size > 0) {
    const size_t n = size < kRun ? size : kRun;
    for (size_t i = 0; i < n; ++i) {
      a += data[i];
      b += a;
    }
    a %= kModulus;
    b %= kModulus;
    data += n;
    size -= n;
  }
  return (b << 16) | a;
}

}  // namespace fitool
