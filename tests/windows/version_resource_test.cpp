// The version resource of the module DLL and of frameinterp.exe, read back
// through the system's own version API the way Explorer and installers read it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::wstring Wide(const char* ascii) { return std::wstring(ascii, ascii + std::strlen(ascii)); }

// The value under `key` in a file's version information, or null.
const void* Query(std::vector<unsigned char>& info, const std::wstring& key) {
  void* value = nullptr;
  UINT length = 0;
  return VerQueryValueW(info.data(), key.c_str(), &value, &length) && length ? value : nullptr;
}

TEST(VersionResource, TheModuleAndTheProgramCarryTheProductNameAndTheProjectVersion) {
  struct File {
    const char* path;
    DWORD type;
    const char* original_name;
  };
  for (const File& file : {File{FRAMEINTERP_MODULE_PATH, VFT_DLL, "libservice-frameinterp.dll"},
                           File{FRAMEINTERP_PROGRAM, VFT_APP, "frameinterp.exe"}}) {
    const std::wstring path = Wide(file.path);
    DWORD ignored = 0;
    std::vector<unsigned char> info(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(info.empty()) << file.path;
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(Query(info, L"\\"));
    ASSERT_NE(fixed, nullptr) << file.path;
    EXPECT_EQ(fixed->dwFileVersionMS,
              DWORD{FRAMEINTERP_VERSION_MAJOR} << 16 | DWORD{FRAMEINTERP_VERSION_MINOR});
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD{FRAMEINTERP_VERSION_PATCH} << 16);
    EXPECT_EQ(fixed->dwFileType, file.type) << file.path;
    // The US English, Unicode string table.
    for (const auto& [name, expected] :
         {std::pair{L"ProductName", Wide("libservice-frameinterp")},
          std::pair{L"FileVersion", Wide(FRAMEINTERP_VERSION)},
          std::pair{L"OriginalFilename", Wide(file.original_name)}}) {
      const void* text = Query(info, std::wstring(L"\\StringFileInfo\\040904B0\\") + name);
      EXPECT_EQ(text ? static_cast<const wchar_t*>(text) : L"", expected) << file.path;
    }
  }
}

}  // namespace
