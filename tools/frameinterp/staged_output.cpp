#include "staged_output.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform.h"
#include "tool_error.h"
#include "utf8_path.h"

namespace fitool {

StagedOutput::StagedOutput(const std::string& path) : name_(path), target_(path) {
  if (path == "-") {
    UseBinaryMode(stdout);
    name_ = "standard output";
    file_ = stdout;
    return;
  }
  const std::optional<FileIdentity> existing = IdentityOf(path);
  if (existing && !existing->regular) {
    // Devices, FIFOs and the like are written as they are: a rename would
    // put a regular file in their place.
    file_ = OpenFile(path, "wb");
    if (!file_) throw ToolError(path + ": cannot open: " + std::strerror(errno));
    return;
  }
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_symlink(fs::symlink_status(Utf8Path(path), error))) {
    const fs::path resolved = fs::weakly_canonical(Utf8Path(path), error);
    if (!error) target_ = Utf8String(resolved);
  }
  temporary_ = target_ + "." + std::to_string(ProcessId()) + ".part";
  file_ = OpenFile(temporary_, "wb");
  if (!file_) throw ToolError(path + ": cannot create: " + std::strerror(errno));
  RemoveOnInterrupt(temporary_);
}

StagedOutput::~StagedOutput() {
  if (committed_ || file_ == stdout) return;
  if (file_) std::fclose(file_);
  if (temporary_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(Utf8Path(temporary_), ignored);
  KeepOnInterrupt(temporary_);
}

void StagedOutput::Fail(const std::string& what) {
  throw ToolError(name_ + ": " + what + ": " + std::strerror(errno));
}

void StagedOutput::Write(const void* data, size_t bytes) {
  if (std::fwrite(data, 1, bytes, file_) != bytes) Fail("write error");
}

void StagedOutput::Flush() {
  if (temporary_.empty() && std::fflush(file_) != 0) Fail("write error");
}

void StagedOutput::Commit() {
  if (std::fflush(file_) != 0) Fail("write error");
  if (file_ == stdout) {
    committed_ = true;
    return;
  }
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) Fail("write error");
  if (!temporary_.empty()) {
    std::error_code error;
    std::filesystem::rename(Utf8Path(temporary_), Utf8Path(target_), error);
    if (error) throw ToolError(name_ + ": cannot rename the finished file: " + error.message());
    KeepOnInterrupt(temporary_);
  }
  committed_ = true;
}

}  // namespace fitool
