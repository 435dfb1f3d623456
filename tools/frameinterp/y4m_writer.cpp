#include "y4m_writer.h"

#include "tool_error.h"

namespace fitool {

Y4mWriter::Y4mWriter(StagedOutput& output, const std::string& header_line, int width, int height)
    : output_(output), header_line_(header_line), width_(width), height_(height) {}

void Y4mWriter::WriteFrame(const Picture& picture) {
  if (picture.width != width_ || picture.height != height_) {
    throw ToolError("the module answered a " + std::to_string(picture.width) + "x" +
                    std::to_string(picture.height) + " picture for a " + std::to_string(width_) +
                    "x" + std::to_string(height_) + " stream");
  }
  WriteHeader();
  static constexpr char kFrameLine[] = "FRAME\n";
  output_.Write(kFrameLine, sizeof(kFrameLine) - 1);
  output_.Write(picture.y.data(), picture.y.size());
  output_.Write(picture.u.data(), picture.u.size());
  output_.Write(picture.v.data(), picture.v.size());
  output_.Flush();
}

void Y4mWriter::WriteHeader() {
  if (header_line_.empty()) return;
  output_.Write(header_line_.data(), header_line_.size());
  header_line_.clear();
}

}  // namespace fitool
