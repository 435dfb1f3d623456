// A YUV4MPEG2 clip opened for reading: the header and every frame checked up
// front, pictures read on demand (files) or held in memory (standard input).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "frame_sequence.h"
#include "y4m_header.h"

namespace fitool {

class Y4mClip final : public FrameSequence {
public:
  // Opens `path` ("-" for standard input) and checks the header and the frame
  // structure of the whole stream. Throws ToolError naming the file and the
  // problem: no or malformed header, unsupported colour format or bit depth,
  // bad sizes or rate, a frame without its FRAME line, a truncated frame, no
  // frames at all.
  static std::unique_ptr<Y4mClip> Open(const std::string& path);
  ~Y4mClip() override;
  Y4mClip(const Y4mClip&) = delete;
  Y4mClip& operator=(const Y4mClip&) = delete;

  const Y4mHeader& header() const { return header_; }
  const std::string& name() const { return name_; }
  int64_t count() const override { return count_; }
  Picture Frame(int64_t index) override;

private:
  Y4mClip(std::string name, std::FILE* file, bool owns_file);
  void Scan();
  std::string ReadLine(const char* what);
  [[noreturn]] void Fail(const std::string& problem) const;

  std::string name_;
  std::FILE* file_;
  bool owns_file_;
  bool seekable_ = false;
  Y4mHeader header_;
  int64_t count_ = 0;
  std::vector<int64_t> offsets_;         // where each picture starts (seekable files)
  std::vector<std::vector<uint8_t>> held_;  // each picture's bytes (other streams)
};

}  // namespace fitool
