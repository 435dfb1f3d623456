#include "y4m_clip.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform.h"
#include "tool_error.h"
#include "utf8_path.h"

namespace fitool {
namespace {

// Longest header or FRAME line accepted, newline excluded.
constexpr size_t kMaxLineBytes = 65536;
constexpr std::string_view kFrameMarker = "FRAME";
constexpr int64_t kMaxFrames = 2147483647;

Picture PictureFromBytes(const uint8_t* bytes, int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  const size_t luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  picture.y.assign(bytes, bytes + luma);
  picture.u.assign(bytes + luma, bytes + luma + luma / 4);
  picture.v.assign(bytes + luma + luma / 4, bytes + luma + luma / 2);
  return picture;
}

}  // namespace

std::unique_ptr<Y4mClip> Y4mClip::Open(const std::string& path) {
  std::unique_ptr<Y4mClip> clip;
  if (path == "-") {
    UseBinaryMode(stdin);
    clip.reset(new Y4mClip("standard input", stdin, false));
  } else {
    std::FILE* file = OpenFile(path, "rb");
    if (!file) throw ToolError(path + ": cannot open: " + std::strerror(errno));
    clip.reset(new Y4mClip(path, file, true));
  }
  clip->Scan();
  return clip;
}

Y4mClip::Y4mClip(std::string name, std::FILE* file, bool owns_file)
    : name_(std::move(name)), file_(file), owns_file_(owns_file) {}

Y4mClip::~Y4mClip() {
  if (owns_file_) std::fclose(file_);
}

void Y4mClip::Fail(const std::string& problem) const { throw ToolError(name_ + ": " + problem); }

std::string Y4mClip::ReadLine(const char* what) {
  std::string line;
  for (;;) {
    const int c = std::fgetc(file_);
    if (c == '\n') return line;
    if (c == EOF) {
      if (std::ferror(file_)) Fail(std::string("read error in the ") + what);
      Fail(std::string("the ") + what + " is not terminated by a newline (truncated file?)");
    }
    if (line.size() == kMaxLineBytes) Fail(std::string("the ") + what + " is too long");
    line.push_back(static_cast<char>(c));
  }
}

void Y4mClip::Scan() {
  const int first = std::fgetc(file_);
  if (first == EOF) Fail("missing header (the file is empty)");
  std::ungetc(first, file_);
  std::string error;
  auto header = ParseY4mHeader(ReadLine("header line"), &error);
  if (!header) Fail(error);
  header_ = std::move(*header);

  // Regular files are indexed and read again on demand; other streams are kept.
  std::error_code fs_error;
  int64_t file_size = 0;
  if (owns_file_ && std::filesystem::is_regular_file(Utf8Path(name_), fs_error)) {
    file_size = static_cast<int64_t>(std::filesystem::file_size(Utf8Path(name_), fs_error));
    seekable_ = !fs_error;
  }
  const size_t bytes = header_.FrameBytes();
  for (int64_t index = 0;; ++index) {
    const int c = std::fgetc(file_);
    if (c == EOF) {
      if (std::ferror(file_)) Fail("read error before frame " + std::to_string(index));
      break;
    }
    std::ungetc(c, file_);
    const std::string frame = "frame " + std::to_string(index);
    const std::string marker = ReadLine(("FRAME line of " + frame).c_str());
    if (marker.compare(0, kFrameMarker.size(), kFrameMarker) != 0 ||
        (marker.size() > kFrameMarker.size() && marker[kFrameMarker.size()] != ' ')) {
      Fail(frame + " does not start with a FRAME line");
    }
    if (index == kMaxFrames) Fail("more than " + std::to_string(kMaxFrames) + " frames");
    int64_t got = static_cast<int64_t>(bytes);
    if (seekable_) {
      const int64_t at = TellPosition(file_);
      got = std::min(got, file_size - at);
      if (got == static_cast<int64_t>(bytes)) {
        offsets_.push_back(at);
        if (!SeekTo(file_, at + got)) Fail("cannot seek past " + frame);
      }
    } else {
      std::vector<uint8_t> data(bytes);
      got = static_cast<int64_t>(std::fread(data.data(), 1, bytes, file_));
      held_.push_back(std::move(data));
    }
    if (got < static_cast<int64_t>(bytes)) {
      Fail("truncated last frame: " + frame + " has " + std::to_string(got) + " of " +
           std::to_string(bytes) + " bytes");
    }
    count_ = index + 1;
  }
  if (count_ == 0) Fail("no frames after the header");
}

Picture Y4mClip::Frame(int64_t index) {
  const size_t bytes = header_.FrameBytes();
  if (!seekable_) return PictureFromBytes(held_[static_cast<size_t>(index)].data(), header_.width,
                                          header_.height);
  std::vector<uint8_t> data(bytes);
  if (!SeekTo(file_, offsets_[static_cast<size_t>(index)]) ||
      std::fread(data.data(), 1, bytes, file_) != bytes) {
    Fail("read error in frame " + std::to_string(index));
  }
  return PictureFromBytes(data.data(), header_.width, header_.height);
}

}  // namespace fitool
