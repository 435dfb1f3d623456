#include "png_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "quality/checksums.h"

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The data of a zlib stream made only of stored blocks.
std::string InflateStored(const std::vector<uint8_t>& z, std::vector<uint8_t>* raw) {
  if (z.size() < 6) return "zlib stream too short";
  if ((z[0] & 0x0F) != 8 || (z[0] >> 4) > 7) return "not deflate with a window of at most 32 KiB";
  if ((z[0] * 256 + z[1]) % 31 != 0) return "zlib header check fails";
  if (z[1] & 0x20) return "preset dictionary";
  size_t at = 2;
  for (bool last = false; !last;) {
    if (at + 5 > z.size()) return "block header past the end";
    last = z[at] & 1;
    if ((z[at] >> 1) != 0) return "not a stored block";
    const size_t len = z[at + 1] | (z[at + 2] << 8);
    const size_t nlen = z[at + 3] | (z[at + 4] << 8);
    if ((len ^ nlen) != 0xFFFF) return "NLEN is not the complement of LEN";
    at += 5;
    if (at + len > z.size()) return "block data past the end";
    raw->insert(raw->end(), z.begin() + static_cast<ptrdiff_t>(at),
                z.begin() + static_cast<ptrdiff_t>(at + len));
    at += len;
  }
  if (at + 4 != z.size()) return "Adler-32 missing or data after it";
  if (BigEndian32(&z[at]) != fitool::Adler32(raw->data(), raw->size())) return "Adler-32 mismatch";
  return "";
}

}  // namespace

std::string DecodePng(const std::vector<uint8_t>& file, DecodedPng* out) {
  const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (file.size() < 8 || !std::equal(signature, signature + 8, file.begin()))
    return "bad signature";
  std::vector<std::string> types;
  std::vector<uint8_t> idat;
  size_t at = 8;
  while (at < file.size()) {
    if (at + 12 > file.size()) return "truncated chunk";
    const uint32_t len = BigEndian32(&file[at]);
    if (at + 12 + len > file.size()) return "chunk longer than the file";
    const std::string type(file.begin() + static_cast<ptrdiff_t>(at + 4),
                           file.begin() + static_cast<ptrdiff_t>(at + 8));
    const uint8_t* data = &file[at + 8];
    if (BigEndian32(data + len) != fitool::Crc32(&file[at + 4], len + 4))
      return "CRC mismatch in " + type;
    if (type == "IHDR") {
      if (len != 13) return "IHDR length";
      out->width = static_cast<int>(BigEndian32(data));
      out->height = static_cast<int>(BigEndian32(data + 4));
      if (data[8] != 8 || data[9] != 2 || data[10] || data[11] || data[12]) return "not 8-bit RGB";
    } else if (type == "IDAT") {
      idat.insert(idat.end(), data, data + len);
    } else if (type == "IEND" && len != 0) {
      return "IEND has data";
    }
    types.push_back(type);
    at += 12 + len;
  }
  if (types.size() < 3 || types.front() != "IHDR" || types.back() != "IEND") return "chunk order";
  std::vector<uint8_t> raw;
  if (std::string problem = InflateStored(idat, &raw); !problem.empty()) return problem;
  const size_t row = static_cast<size_t>(out->width) * 3;
  if (raw.size() != (row + 1) * static_cast<size_t>(out->height))
    return "wrong amount of image data";
  out->rgb.clear();
  for (int r = 0; r < out->height; ++r) {
    const auto start = raw.begin() + static_cast<ptrdiff_t>((row + 1) * static_cast<size_t>(r));
    if (*start != 0)
      return "row " + std::to_string(r) + " has filter type " + std::to_string(*start);
    out->rgb.insert(out->rgb.end(), start + 1, start + 1 + static_cast<ptrdiff_t>(row));
  }
  return "";
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string TempFileForTest(const std::string& suffix) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name =
      std::string("fitool_") + info->test_suite_name() + "_" + info->name() + suffix;
  return (std::filesystem::temp_directory_path() / name).string();
}
