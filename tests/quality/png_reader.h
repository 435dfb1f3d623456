// Decodes the PNG files our writer makes (8-bit RGB, stored deflate blocks,
// filter type 0 on every row), checking everything a decoder would: the
// signature, chunk order and CRCs, the zlib header, block lengths and Adler-32.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DecodedPng {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// Returns "" on success, otherwise the first problem found.
std::string DecodePng(const std::vector<uint8_t>& file, DecodedPng* out);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

// A file name in the temporary folder, unique to the running test.
std::string TempFileForTest(const std::string& suffix);
