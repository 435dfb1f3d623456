// Reads a YUV4MPEG2 stream from its start, one part after the other: the
// header, each frame's FRAME line, each picture. Safe on any input: lines are
// bounded, and a picture's memory grows only as its bytes arrive.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "picture.h"
#include "y4m_header.h"

namespace fitool {

class Y4mStreamReader {
public:
  // Reads `file` (not owned); `name` starts every error message.
  Y4mStreamReader(std::string name, std::FILE* file) : name_(std::move(name)), file_(file) {}

  const std::string& name() const { return name_; }
  std::FILE* file() const { return file_; }

  // Throws ToolError naming the input and the problem.
  [[noreturn]] void Fail(const std::string& problem) const;
  [[noreturn]] void FailTruncated(int64_t index, size_t got, size_t bytes) const;

  // The header line, parsed and checked. Throws ToolError.
  Y4mHeader ReadHeader();
  // The FRAME line of frame `index`; false when the input ends before it.
  // Throws ToolError on anything else in its place.
  bool ReadFrameLine(int64_t index);
  // The picture of frame `index`, of the header's size. Throws ToolError when
  // the input ends within it.
  Picture ReadPicture(const Y4mHeader& header, int64_t index);

private:
  std::string ReadLine(const std::string& what);
  // Appends `bytes` more bytes to `plane`; false when the input ends first.
  bool ReadPlane(std::vector<uint8_t>& plane, size_t bytes);

  std::string name_;
  std::FILE* file_;
};

}  // namespace fitool
