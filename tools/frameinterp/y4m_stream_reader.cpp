#include "y4m_stream_reader.h"

#include <algorithm>
#include <string_view>

#include "tool_error.h"

namespace fitool {
namespace {

// Longest header or FRAME line accepted, newline excluded.
constexpr size_t kMaxLineBytes = 65536;
constexpr std::string_view kFrameMarker = "FRAME";
// A plane is read in pieces of at least this size and at most the size read
// so far, so that its memory never exceeds twice what has arrived.
constexpr size_t kFirstPiece = 65536;

}  // namespace

void Y4mStreamReader::Fail(const std::string& problem) const { throw ToolError(name_ + ": " + problem); }

void Y4mStreamReader::FailTruncated(int64_t index, size_t got, size_t bytes) const {
  Fail("truncated last frame: frame " + std::to_string(index) + " has " + std::to_string(got) +
       " of " + std::to_string(bytes) + " bytes");
}

std::string Y4mStreamReader::ReadLine(const std::string& what) {
  std::string line;
  for (;;) {
    const int c = std::fgetc(file_);
    if (c == '\n') return line;
    if (c == EOF) {
      if (std::ferror(file_)) Fail("read error in the " + what);
      Fail("the " + what + " is not terminated by a newline (truncated file?)");
    }
    if (line.size() == kMaxLineBytes) Fail("the " + what + " is too long");
    line.push_back(static_cast<char>(c));
  }
}

Y4mHeader Y4mStreamReader::ReadHeader() {
  const int first = std::fgetc(file_);
  if (first == EOF) Fail("missing header (the file is empty)");
  std::ungetc(first, file_);
  std::string error;
  auto header = ParseY4mHeader(ReadLine("header line"), &error);
  if (!header) Fail(error);
  return std::move(*header);
}

bool Y4mStreamReader::ReadFrameLine(int64_t index) {
  const int c = std::fgetc(file_);
  if (c == EOF) {
    if (std::ferror(file_)) Fail("read error before frame " + std::to_string(index));
    return false;
  }
  std::ungetc(c, file_);
  const std::string frame = "frame " + std::to_string(index);
  const std::string marker = ReadLine("FRAME line of " + frame);
  if (marker.compare(0, kFrameMarker.size(), kFrameMarker) != 0 ||
      (marker.size() > kFrameMarker.size() && marker[kFrameMarker.size()] != ' ')) {
    Fail(frame + " does not start with a FRAME line");
  }
  return true;
}

bool Y4mStreamReader::ReadPlane(std::vector<uint8_t>& plane, size_t bytes) {
  plane.clear();
  while (plane.size() < bytes) {
    const size_t at = plane.size();
    const size_t piece = std::min(bytes - at, std::max(kFirstPiece, at));
    plane.resize(at + piece);
    const size_t got = std::fread(plane.data() + at, 1, piece, file_);
    if (got < piece) {
      plane.resize(at + got);
      return false;
    }
  }
  return true;
}

Picture Y4mStreamReader::ReadPicture(const Y4mHeader& header, int64_t index) {
  Picture picture;
  picture.width = header.width;
  picture.height = header.height;
  const size_t luma = static_cast<size_t>(header.width) * static_cast<size_t>(header.height);
  const size_t chroma = static_cast<size_t>(picture.chroma_width()) *
                        static_cast<size_t>(picture.chroma_height());
  if (!ReadPlane(picture.y, luma) || !ReadPlane(picture.u, chroma) ||
      !ReadPlane(picture.v, chroma)) {
    if (std::ferror(file_)) Fail("read error in frame " + std::to_string(index));
    FailTruncated(index, picture.y.size() + picture.u.size() + picture.v.size(),
                  header.FrameBytes());
  }
  return picture;
}

}  // namespace fitool
