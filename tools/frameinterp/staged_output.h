// An output of the harness. A regular file (or a new one) appears under its
// name only when complete: it is written to a temporary file beside it and
// renamed on Commit, removed otherwise; through a symbolic link, the file the
// link points to is replaced. Anything else that exists under the name (a
// device, a FIFO) is written directly and never replaced, and "-" writes
// standard output.
#pragma once

#include <cstdio>
#include <string>

namespace fitool {

class StagedOutput {
public:
  // Throws ToolError when the output cannot be opened.
  explicit StagedOutput(const std::string& path);
  ~StagedOutput();
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  std::FILE* file() const { return file_; }
  // The name to use in messages.
  const std::string& name() const { return name_; }
  // Writes bytes; throws ToolError on failure (a full disk, a closed pipe).
  void Write(const void* data, size_t bytes);
  // Passes what was written on at once to a direct output, which someone may
  // be reading as it is written.
  void Flush();
  // Flushes and closes; renames a staged file into place. Throws ToolError.
  void Commit();

private:
  [[noreturn]] void Fail(const std::string& what);

  std::string name_;
  std::string target_;     // the file to replace (staged outputs)
  std::string temporary_;  // empty for direct outputs
  std::FILE* file_ = nullptr;
  bool committed_ = false;
};

}  // namespace fitool
