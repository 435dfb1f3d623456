// The few operating-system services the harness needs, behind one small
// interface: POSIX here, Win32 where it is cheap.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace fitool {

// The folder holding the running program, or "" when it cannot be found.
std::string ExecutableDirectory();

// The file name of a module built beside the program on this platform.
const char* ModuleFileName();

bool IsTerminal(std::FILE* stream);

// Switches stdin/stdout to binary mode where text mode exists.
void UseBinaryMode(std::FILE* stream);

int64_t ProcessId();

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
