// The few operating-system services the harness needs, behind one small
// interface: POSIX here, Win32 where it is cheap.
#pragma once

#include <cstdint>
#include <cstdio>
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

// While set, an interrupt (Ctrl-C, SIGTERM, and on POSIX SIGHUP or SIGPIPE)
// removes this file before the program ends; an empty path clears it. One
// file at a time.
void RemoveOnInterrupt(const std::string& path);

// Seeks and tells with 64-bit offsets; false/-1 on failure.
bool SeekTo(std::FILE* file, int64_t offset);
int64_t TellPosition(std::FILE* file);

}  // namespace fitool
