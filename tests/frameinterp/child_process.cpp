#include "child_process.h"

#include <filesystem>

#include "utf8_path.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace fitool {
namespace {

#if defined(_WIN32)
// One argument as the C runtime's command-line parser reads it back: quoted
// when it holds blanks or quotes, with the backslashes before a quote (or
// before the closing quote) doubled.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    quoted.push_back(c);
    backslashes = 0;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L'"';
}

HANDLE OpenInherited(const std::wstring& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

}  // namespace

int RunChild(const std::string& program, const std::vector<std::string>& arguments,
             const ChildFiles& files) {
  // Resolved here: the child starts in another folder.
  const std::filesystem::path executable = std::filesystem::absolute(Utf8Path(program));
#if defined(_WIN32)
  std::wstring command_line = Quoted(executable.wstring());
  for (const std::string& argument : arguments) {
    command_line += L' ' + Quoted(Utf8Path(argument).wstring());
  }
  const HANDLE handles[3] = {
      OpenInherited(files.input.empty() ? L"NUL" : Utf8Path(files.input).wstring(), false),
      OpenInherited(Utf8Path(files.output).wstring(), true),
      OpenInherited(Utf8Path(files.errors).wstring(), true)};
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = handles[0];
  startup.hStdOutput = handles[1];
  startup.hStdError = handles[2];
  PROCESS_INFORMATION process{};
  bool started = true;
  for (const HANDLE handle : handles) started = started && handle != INVALID_HANDLE_VALUE;
  started = started && CreateProcessW(executable.c_str(), command_line.data(), nullptr, nullptr,
                                      TRUE, 0, nullptr, Utf8Path(files.folder).c_str(), &startup,
                                      &process);
  for (const HANDLE handle : handles) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  if (!started) return -1;
  DWORD code = 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  const bool exited = GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exited ? static_cast<int>(code) : -1;
#else
  // Everything the child needs is prepared before the fork: it may only call
  // async-signal-safe functions until it execs.
  std::vector<std::string> words = {executable.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string input = files.input.empty() ? "/dev/null" : files.input;

  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    const int in = open(input.c_str(), O_RDONLY);
    const int out = open(files.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(files.errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
        chdir(files.folder.c_str()) != 0) {
      _exit(127);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  int raw = 0;
  while (waitpid(child, &raw, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

}  // namespace fitool
