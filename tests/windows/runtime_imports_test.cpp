// The compiler's runtime is linked into every program and DLL of the build,
// so the built or installed folder runs on a Windows machine without MinGW:
// each imports only the system's DLLs and the project's own, found beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "library_symbols.h"

namespace {

TEST(RuntimeImports, EveryProgramAndLibraryNeedsOnlyTheSystemAndItsNeighbours) {
  const std::filesystem::path folder = std::filesystem::path(FRAMEINTERP_PROGRAM).parent_path();
  wchar_t system_folder[MAX_PATH] = {};
  ASSERT_NE(GetSystemDirectoryW(system_folder, MAX_PATH), 0u);
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::filesystem::path& file = entry.path();
    if (file.extension() != ".exe" && file.extension() != ".dll") continue;
    ++checked;
    for (const auto& [library, names] : ReadLibrarySymbols(file.string()).imported) {
      EXPECT_TRUE(std::filesystem::exists(folder / library) ||
                  std::filesystem::exists(std::filesystem::path(system_folder) / library))
          << file.filename() << " imports " << library;
    }
  }
  EXPECT_GE(checked, 5) << "the program, the module and the three host libraries";
}

}  // namespace
