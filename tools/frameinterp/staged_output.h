// An output file that appears under its name only when complete: written to
// a temporary file beside it and renamed on Commit, removed otherwise.
// "-" writes standard output directly.
#pragma once

#include <cstdio>
#include <string>

namespace fitool {

class StagedOutput {
public:
  // Throws ToolError when the temporary file cannot be created.
  explicit StagedOutput(const std::string& path);
  ~StagedOutput();
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  std::FILE* file() const { return file_; }
  // The name to use in messages.
  const std::string& name() const { return name_; }
  // Writes bytes; throws ToolError on failure (a full disk, a closed pipe).
  void Write(const void* data, size_t bytes);
  // Flushes, closes and renames into place. Throws ToolError.
  void Commit();

private:
  [[noreturn]] void Fail(const std::string& what);

  std::string name_;
  std::string temporary_;  // empty for standard output
  std::FILE* file_ = nullptr;
  bool committed_ = false;
};

}  // namespace fitool
