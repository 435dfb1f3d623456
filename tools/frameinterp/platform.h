// The few operating-system services the harness needs, behind one small
// interface: POSIX here, Win32 where it is cheap.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fitool {

// The program's arguments as UTF-8 text, in the form main takes them. On
// Windows they are read again from the wide command line, since main's argv
// holds them in the ANSI code page, which cannot spell every file name.
class Utf8Arguments {
public:
  Utf8Arguments(int argc, char** argv);
  int argc() const { return static_cast<int>(texts_.size()); }
  char** argv() { return pointers_.data(); }

private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;  // into texts_, then a null pointer
};

// The folder holding the running program (UTF-8), or "" when it cannot be found.
std::string ExecutableDirectory();

// The file name of a module built beside the program on this platform.
const char* ModuleFileName();

// std::fopen with a UTF-8 path.
std::FILE* OpenFile(const std::string& path, const char* mode);

bool IsTerminal(std::FILE* stream);

// Switches stdin/stdout to binary mode where text mode exists.
void UseBinaryMode(std::FILE* stream);

int64_t ProcessId();

// While set, an interrupt (Ctrl-C, SIGTERM, and on POSIX SIGHUP or SIGPIPE)
// removes this file before the program ends; an empty path clears it. One
// file at a time.
void RemoveOnInterrupt(const std::string& path);

// Seeks and tells with 64-bit offsets; false/-1 on failure.
bool SeekTo(std::FILE* file, int64_t offset);
int64_t TellPosition(std::FILE* file);

}  // namespace fitool
