#include "platform.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "utf8_path.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>
#else
#include <sys/types.h>
#include <unistd.h>
#endif

namespace fitool {
namespace {

// The file to remove on an interrupt, in static storage so that the signal
// handler needs no allocation; in the system's own encoding.
#if defined(_WIN32)
wchar_t interrupt_path[4096];
#else
char interrupt_path[4096];
#endif

extern "C" void RemoveAndReraise(int signal_number) {
  if (interrupt_path[0] != 0) {
#if defined(_WIN32)
    _wunlink(interrupt_path);
#else
    unlink(interrupt_path);
#endif
  }
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

}  // namespace

Utf8Arguments::Utf8Arguments(int argc, char** argv) {
#if defined(_WIN32)
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) texts_.push_back(Utf8String(wide[i]));
    LocalFree(wide);
  }
#endif
  if (texts_.empty()) texts_.assign(argv, argv + argc);
  for (std::string& text : texts_) pointers_.push_back(text.data());
  pointers_.push_back(nullptr);
}

void RemoveOnInterrupt(const std::string& path) {
  const auto native = Utf8Path(path).native();
  if (native.size() >= std::size(interrupt_path)) return;
  std::copy(native.c_str(), native.c_str() + native.size() + 1, interrupt_path);
  std::signal(SIGINT, RemoveAndReraise);
  std::signal(SIGTERM, RemoveAndReraise);
#if !defined(_WIN32)
  // A closed terminal, or a closed pipe on stderr or stdout, ends the run too.
  std::signal(SIGHUP, RemoveAndReraise);
  std::signal(SIGPIPE, RemoveAndReraise);
#endif
}

std::string ExecutableDirectory() {
#if defined(_WIN32)
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return "";
  return Utf8String(std::filesystem::path(path).parent_path());
#else
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "";
  return self.parent_path().string();
#endif
}

const char* ModuleFileName() {
#if defined(_WIN32)
  return "libservice-frameinterp.dll";
#else
  return "libservice-frameinterp.so";
#endif
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
#if defined(_WIN32)
  const std::wstring wide_mode(mode, mode + std::strlen(mode));
  return _wfopen(Utf8Path(path).c_str(), wide_mode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

bool IsTerminal(std::FILE* stream) {
#if defined(_WIN32)
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

void UseBinaryMode([[maybe_unused]] std::FILE* stream) {
#if defined(_WIN32)
  _setmode(_fileno(stream), _O_BINARY);
#endif
}

int64_t ProcessId() {
#if defined(_WIN32)
  return _getpid();
#else
  return static_cast<int64_t>(getpid());
#endif
}

bool SeekTo(std::FILE* file, int64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

int64_t TellPosition(std::FILE* file) {
#if defined(_WIN32)
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace fitool
