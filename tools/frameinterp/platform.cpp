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
#include <sched.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>
#endif

#include <bitset>
#include <thread>

namespace fitool {
namespace {

// The files to remove on an interrupt, in static storage so that the signal
// handler needs no allocation, in the system's own encoding; a slot is used
// while its flag is set.
#if defined(_WIN32)
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
constexpr size_t kInterruptSlots = 4;
NativeChar interrupt_paths[kInterruptSlots][4096];
volatile std::sig_atomic_t interrupt_used[kInterruptSlots];

extern "C" void RemoveAndReraise(int signal_number) {
  for (size_t slot = 0; slot < kInterruptSlots; ++slot) {
    if (!interrupt_used[slot]) continue;
#if defined(_WIN32)
    _wunlink(interrupt_paths[slot]);
#else
    unlink(interrupt_paths[slot]);
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
  if (native.size() >= std::size(interrupt_paths[0])) return;
  for (size_t slot = 0; slot < kInterruptSlots; ++slot) {
    if (interrupt_used[slot]) continue;
    std::copy(native.c_str(), native.c_str() + native.size() + 1, interrupt_paths[slot]);
    interrupt_used[slot] = 1;
    break;
  }
  std::signal(SIGINT, RemoveAndReraise);
  std::signal(SIGTERM, RemoveAndReraise);
#if !defined(_WIN32)
  // A closed terminal, a closed pipe on stderr or stdout, or the file-size
  // limit ends the run too.
  std::signal(SIGHUP, RemoveAndReraise);
  std::signal(SIGPIPE, RemoveAndReraise);
  std::signal(SIGXFSZ, RemoveAndReraise);
#endif
}

void KeepOnInterrupt(const std::string& path) {
  const auto native = Utf8Path(path).native();
  for (size_t slot = 0; slot < kInterruptSlots; ++slot) {
    if (interrupt_used[slot] && native == interrupt_paths[slot]) interrupt_used[slot] = 0;
  }
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

double ThreadProcessorSeconds() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0.0;
  const auto ticks = [](const FILETIME& t) {
    return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
#else
  timespec now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0.0;
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
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

int UsableProcessors() {
  int count = 0;
#if defined(_WIN32)
  DWORD_PTR process_mask = 0, system_mask = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask)) {
    count = static_cast<int>(std::bitset<sizeof(DWORD_PTR) * 8>(process_mask).count());
  }
#else
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) count = CPU_COUNT(&set);
#endif
  if (count <= 0) count = static_cast<int>(std::thread::hardware_concurrency());
  return count > 0 ? count : 1;
}

bool SeekTo(std::FILE* file, int64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

#if defined(_WIN32)
namespace {

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  // Devices (NUL, CON) and pipes have no file index: they are only not regular.
  if (GetFileType(handle) != FILE_TYPE_DISK) return FileIdentity{};
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
                      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  const HANDLE handle =
      CreateFileW(Utf8Path(path).c_str(), 0,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::optional<FileIdentity> identity = IdentityOfHandle(handle);
  CloseHandle(handle);
  return identity;
}

std::optional<FileIdentity> IdentityOf(std::FILE* stream) {
  return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
}
#else
namespace {

FileIdentity IdentityFromStat(const struct stat& info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
          S_ISREG(info.st_mode)};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return IdentityFromStat(info);
}

std::optional<FileIdentity> IdentityOf(std::FILE* stream) {
  struct stat info;
  if (fstat(fileno(stream), &info) != 0) return std::nullopt;
  return IdentityFromStat(info);
}
#endif

int64_t TellPosition(std::FILE* file) {
#if defined(_WIN32)
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace fitool
