// The version resource of the module DLL and of frameinterp.exe, read back
// through the system's own version API the way Explorer and installers read it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class VersionResource {
public:
  explicit VersionResource(const std::wstring& path) {
    DWORD ignored = 0;
    data_.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    if (data_.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data_.size()),
                                              data_.data())) {
      data_.clear();
    }
  }

  bool found() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() {
    return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\"));
  }

  // A value of the US English, Unicode string table; "" when missing.
  std::wstring Text(const std::wstring& name) {
    const void* value = Query(L"\\StringFileInfo\\040904B0\\" + name);
    return value ? static_cast<const wchar_t*>(value) : L"";
  }

private:
  const void* Query(const std::wstring& key) {
    void* value = nullptr;
    UINT length = 0;
    return VerQueryValueW(data_.data(), key.c_str(), &value, &length) && length ? value : nullptr;
  }

  std::vector<unsigned char> data_;
};

std::wstring Wide(const char* ascii) { return std::wstring(ascii, ascii + std::strlen(ascii)); }

TEST(VersionResource, TheModuleAndTheProgramCarryTheProductNameAndTheProjectVersion) {
  struct File {
    const char* path;
    DWORD type;
    const char* original_name;
  };
  for (const File& file : {File{FRAMEINTERP_MODULE_PATH, VFT_DLL, "libservice-frameinterp.dll"},
                           File{FRAMEINTERP_PROGRAM, VFT_APP, "frameinterp.exe"}}) {
    VersionResource resource(Wide(file.path));
    ASSERT_TRUE(resource.found()) << file.path;
    const VS_FIXEDFILEINFO* fixed = resource.Fixed();
    ASSERT_NE(fixed, nullptr) << file.path;
    EXPECT_EQ(fixed->dwFileVersionMS,
              DWORD{FRAMEINTERP_VERSION_MAJOR} << 16 | DWORD{FRAMEINTERP_VERSION_MINOR});
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD{FRAMEINTERP_VERSION_PATCH} << 16);
    EXPECT_EQ(fixed->dwFileType, file.type) << file.path;
    EXPECT_EQ(resource.Text(L"ProductName"), L"libservice-frameinterp");
    EXPECT_EQ(resource.Text(L"FileVersion"), Wide(FRAMEINTERP_VERSION));
    EXPECT_EQ(resource.Text(L"OriginalFilename"), Wide(file.original_name));
  }
}

}  // namespace
