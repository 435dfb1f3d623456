// The few operating-system services the harness needs, behind one small
// interface: POSIX here, Win32 where it is cheap.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
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

// Processor time the calling thread has used, in seconds. On Windows the
// system counts it in scheduler ticks (about 16 ms), so short spans read as
// 0 or a tick; summed over many, they come out right on average.
double ThreadProcessorSeconds();

// Switches stdin/stdout to binary mode where text mode exists.
void UseBinaryMode(std::FILE* stream);

int64_t ProcessId();

// How many processors the process may run on (its affinity mask), at least 1.
int UsableProcessors();

// While registered, a signal that ends the program (Ctrl-C, SIGTERM, and on
// POSIX SIGHUP, SIGPIPE or SIGXFSZ, the file-size limit) removes the file
// first. Up to four files at a time; more are not removed.
void RemoveOnInterrupt(const std::string& path);
void KeepOnInterrupt(const std::string& path);

// Which file a name or an open stream is, whatever name or link leads to it:
// the device and inode on POSIX, the volume and file index on Windows.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool regular = false;  // a regular file (not a device, FIFO or folder)
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
// nullopt when the file does not exist or cannot be examined.
std::optional<FileIdentity> IdentityOf(const std::string& path);
std::optional<FileIdentity> IdentityOf(std::FILE* stream);

// Seeks and tells with 64-bit offsets; false/-1 on failure.
bool SeekTo(std::FILE* file, int64_t offset);
int64_t TellPosition(std::FILE* file);

}  // namespace fitool
