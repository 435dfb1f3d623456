#include "staged_output.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform.h"
#include "tool_error.h"
#include "utf8_path.h"

namespace fitool {

StagedOutput::StagedOutput(const std::string& path) : name_(path) {
  if (path == "-") {
    UseBinaryMode(stdout);
    name_ = "standard output";
    file_ = stdout;
    return;
  }
  temporary_ = path + "." + std::to_string(ProcessId()) + ".part";
  file_ = OpenFile(temporary_, "wb");
  if (!file_) throw ToolError(path + ": cannot create: " + std::strerror(errno));
  RemoveOnInterrupt(temporary_);
}

StagedOutput::~StagedOutput() {
  if (temporary_.empty()) return;
  RemoveOnInterrupt("");
  if (committed_) return;
  if (file_) std::fclose(file_);
  std::error_code ignored;
  std::filesystem::remove(Utf8Path(temporary_), ignored);
}

void StagedOutput::Fail(const std::string& what) {
  throw ToolError(name_ + ": " + what + ": " + std::strerror(errno));
}

void StagedOutput::Write(const void* data, size_t bytes) {
  if (std::fwrite(data, 1, bytes, file_) != bytes) Fail("write error");
}

void StagedOutput::Commit() {
  if (std::fflush(file_) != 0) Fail("write error");
  if (temporary_.empty()) {
    committed_ = true;
    return;
  }
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) Fail("write error");
  std::error_code error;
  std::filesystem::rename(Utf8Path(temporary_), Utf8Path(name_), error);
  if (error) throw ToolError(name_ + ": cannot rename the finished file: " + error.message());
  committed_ = true;
}

}  // namespace fitool
