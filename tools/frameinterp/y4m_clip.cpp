#include "y4m_clip.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform.h"
#include "tool_error.h"
#include "utf8_path.h"

namespace fitool {
namespace {

constexpr int64_t kMaxFrames = 2147483647;

}  // namespace

std::unique_ptr<Y4mClip> Y4mClip::Open(const std::string& path, Access access) {
  if (path == "-") {
    UseBinaryMode(stdin);
    return Read("standard input", stdin, false, std::nullopt, access);
  }
  std::FILE* file = OpenFile(path, "rb");
  if (!file) throw ToolError(path + ": cannot open: " + std::strerror(errno));
  std::optional<int64_t> size;
  std::error_code error;
  if (std::filesystem::is_regular_file(Utf8Path(path), error)) {
    const auto bytes = std::filesystem::file_size(Utf8Path(path), error);
    if (!error) size = static_cast<int64_t>(bytes);
  }
  return Read(path, file, true, size, access);
}

std::unique_ptr<Y4mClip> Y4mClip::Read(std::string name, std::FILE* file, bool owns,
                                       std::optional<int64_t> size, Access access) {
  std::unique_ptr<Y4mClip> clip(new Y4mClip(std::move(name), file, owns, size, access));
  clip->header_ = clip->reader_.ReadHeader();
  if (!clip->Has(0)) clip->reader_.Fail("no frames after the header");
  if (size || access == Access::kRandom) clip->Has(kMaxFrames);
  return clip;
}

std::unique_ptr<Y4mClip> OpenProgramInput(const std::string& path, Y4mClip::Access access) {
  std::unique_ptr<Y4mClip> clip = Y4mClip::Open(path, access);
  if (clip->header().interlaced) {
    std::fputs("frameinterp: interlaced input is converted as progressive frames; deinterlace it "
               "first, for example with ffmpeg's -vf bwdif\n",
               stderr);
  }
  return clip;
}

Y4mClip::Y4mClip(std::string name, std::FILE* file, bool owns_file, std::optional<int64_t> size,
                 Access access)
    : reader_(std::move(name), file), owns_file_(owns_file), size_(size), access_(access) {}

Y4mClip::~Y4mClip() {
  if (owns_file_) std::fclose(reader_.file());
}

std::optional<int64_t> Y4mClip::count() const {
  if (ended_) return read_;
  return std::nullopt;
}

bool Y4mClip::Has(int64_t index) {
  while (!ended_ && read_ <= index) ReadNext();
  return index >= 0 && index < read_;
}

void Y4mClip::ReadNext() {
  if (!reader_.ReadFrameLine(read_)) {
    ended_ = true;
    return;
  }
  if (read_ == kMaxFrames) reader_.Fail("more than " + std::to_string(kMaxFrames) + " frames");
  if (size_) {
    const size_t bytes = header_.FrameBytes();
    const int64_t at = TellPosition(reader_.file());
    const int64_t got = std::clamp<int64_t>(*size_ - at, 0, static_cast<int64_t>(bytes));
    if (got < static_cast<int64_t>(bytes)) {
      reader_.FailTruncated(read_, static_cast<size_t>(got), bytes);
    }
    if (!SeekTo(reader_.file(), at + got)) {
      reader_.Fail("cannot seek past frame " + std::to_string(read_));
    }
    offsets_.push_back(at);
  } else {
    held_.push_back(reader_.ReadPicture(header_, read_));
    if (access_ == Access::kForward && static_cast<int64_t>(held_.size()) > kWindowFrames) {
      held_.pop_front();
      ++first_held_;
    }
  }
  ++read_;
}

Picture Y4mClip::Frame(int64_t index) {
  const std::string frame = "frame " + std::to_string(index);
  if (!Has(index)) reader_.Fail("has no " + frame);
  if (!size_) {
    if (index < first_held_) {
      reader_.Fail(frame + " was asked for again after the input had moved on (a stream is " +
                   "read once, keeping its last " + std::to_string(kWindowFrames) + " frames)");
    }
    return held_[static_cast<size_t>(index - first_held_)];
  }
  Picture picture = Picture::Filled(header_.width, header_.height, 0, 0);
  std::FILE* file = reader_.file();
  if (!SeekTo(file, offsets_[static_cast<size_t>(index)]) ||
      std::fread(picture.y.data(), 1, picture.y.size(), file) != picture.y.size() ||
      std::fread(picture.u.data(), 1, picture.u.size(), file) != picture.u.size() ||
      std::fread(picture.v.data(), 1, picture.v.size(), file) != picture.v.size()) {
    reader_.Fail("read error in " + frame);
  }
  return picture;
}

}  // namespace fitool
