#include "png_writer.h"

#include <filesystem>
#include <fstream>

#include "checksums.h"
#include "utf8_path.h"

namespace fitool {
namespace {

void AppendBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A chunk: length, type, data, then the CRC-32 of type and data.
void AppendChunk(std::vector<uint8_t>& out, const char (&type)[5],
                 const std::vector<uint8_t>& data) {
  AppendBigEndian32(out, static_cast<uint32_t>(data.size()));
  const size_t type_at = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  AppendBigEndian32(out, Crc32(&out[type_at], out.size() - type_at));
}

// A zlib stream (RFC 1950) holding `raw` in stored deflate blocks (RFC 1951),
// each at most 65535 bytes: header bit BFINAL on the last, BTYPE 00, then LEN
// and its ones' complement NLEN, little-endian.
std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
  constexpr size_t kMaxBlock = 65535;
  std::vector<uint8_t> out;
  out.reserve(raw.size() + raw.size() / kMaxBlock * 5 + 11);
  out.push_back(0x78);  // deflate, 32 KiB window
  out.push_back(0x01);  // no dictionary, fastest; 0x7801 is a multiple of 31
  size_t at = 0;
  do {
    const size_t len = raw.size() - at < kMaxBlock ? raw.size() - at : kMaxBlock;
    const bool last = at + len == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<uint8_t>(len & 0xFF));
    out.push_back(static_cast<uint8_t>(len >> 8));
    out.push_back(static_cast<uint8_t>(~len & 0xFF));
    out.push_back(static_cast<uint8_t>((~len >> 8) & 0xFF));
    out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(at),
               raw.begin() + static_cast<ptrdiff_t>(at + len));
    at += len;
  } while (at < raw.size());
  AppendBigEndian32(out, Adler32(raw.data(), raw.size()));
  return out;
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error) {
  // The whole image goes into one IDAT chunk, whose length must stay below
  // 2³¹; 1 GiB of filtered rows is far beyond any picture the tools write.
  const size_t row_bytes = static_cast<size_t>(width) * 3;
  constexpr size_t kMaxRaw = size_t{1} << 30;
  if (width <= 0 || height <= 0 || (row_bytes + 1) > kMaxRaw / static_cast<size_t>(height)) {
    return Fail(error, path + ": cannot write a " + std::to_string(width) + "x" +
                           std::to_string(height) + " PNG");
  }
  if (rgb.size() != row_bytes * static_cast<size_t>(height)) {
    return Fail(error, path + ": " + std::to_string(rgb.size()) + " bytes of RGB for a " +
                           std::to_string(width) + "x" + std::to_string(height) + " picture");
  }

  // Every row is preceded by its filter type, 0 (none).
  std::vector<uint8_t> raw;
  raw.reserve((row_bytes + 1) * static_cast<size_t>(height));
  for (int r = 0; r < height; ++r) {
    raw.push_back(0);
    const auto row = rgb.begin() + static_cast<ptrdiff_t>(row_bytes * static_cast<size_t>(r));
    raw.insert(raw.end(), row, row + static_cast<ptrdiff_t>(row_bytes));
  }

  std::vector<uint8_t> header;
  AppendBigEndian32(header, static_cast<uint32_t>(width));
  AppendBigEndian32(header, static_cast<uint32_t>(height));
  // Bit depth 8, colour type 2 (RGB), deflate, adaptive filtering, no interlace.
  header.insert(header.end(), {8, 2, 0, 0, 0});

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  AppendChunk(file, "IHDR", header);
  AppendChunk(file, "IDAT", ZlibStored(raw));
  AppendChunk(file, "IEND", {});

  std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
  if (!out) return Fail(error, path + ": cannot open for writing");
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    std::error_code ignored;
    std::filesystem::remove(Utf8Path(path), ignored);
    return Fail(error, path + ": write failed");
  }
  return true;
}

}  // namespace fitool
