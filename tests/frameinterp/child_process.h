// Starts a program and waits for it without a shell, on POSIX and Windows
// alike, so that every argument reaches it exactly as given.
#pragma once

#include <string>
#include <vector>

namespace fitool {

struct ChildFiles {
  std::string folder;  // the working folder
  std::string input;   // standard input; the null device when empty
  std::string output;  // standard output, created or truncated
  std::string errors;  // standard error, created or truncated
};

// Runs `program` with `arguments` (UTF-8, like every path here) and returns
// its exit status, or -1 when it could not be started or did not exit by
// itself (killed by a signal).
int RunChild(const std::string& program, const std::vector<std::string>& arguments,
             const ChildFiles& files);

}  // namespace fitool
