// Writes a YUV4MPEG2 stream: the header line, then one FRAME line and the
// planes Y, U, V per picture.
#pragma once

#include <string>

#include "picture.h"
#include "staged_output.h"
#include "y4m_header.h"

namespace fitool {

class Y4mWriter {
public:
  // Writes `header_line` (newline included) with the first frame, so that a
  // run failing before it leaves nothing on standard output.
  Y4mWriter(StagedOutput& output, const std::string& header_line, int width, int height);
  // Throws ToolError when the picture's size differs from the stream's.
  void WriteFrame(const Picture& picture);
  // Writes the header line unless it is written: before the first frame, or
  // alone for a stream of no frames.
  void WriteHeader();

private:
  StagedOutput& output_;
  std::string header_line_;
  int width_;
  int height_;
};

}  // namespace fitool
