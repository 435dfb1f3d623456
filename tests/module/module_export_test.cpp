// What the host sees of the built library, read from its own tables: one
// exported function, the host's functions imported from the host's libraries,
// and the service record.
#include <set>
#include <string>

#include "library_symbols.h"
#include "loaded_module.h"

namespace {

// Where each host function is expected on Windows; an ELF .so names no library.
#if defined(_WIN32)
const char *kCoreLibrary = "libovkcore.dll", *kMediaLibrary = "libovkavcore.dll",
           *kServiceLibrary = "libovkservice.dll", *kCRuntime = "msvcrt.dll";
#else
const char *kCoreLibrary = "", *kMediaLibrary = "", *kServiceLibrary = "", *kCRuntime = "";
#endif

TEST(ModuleSymbols, ExportsGetServiceModuleInfoAndNothingElse) {
  EXPECT_EQ(ReadLibrarySymbols(FRAMEINTERP_MODULE_PATH).exported,
            std::set<std::string>{"GetServiceModuleInfo"});
}

TEST(ModuleSymbols, HostFunctionsComeFromTheHostLibraries) {
  const LibrarySymbols symbols = ReadLibrarySymbols(FRAMEINTERP_MODULE_PATH);
  struct Import {
    const char* name;
    const char* library;
  };
  for (const Import& import : {
           Import{"CoreLogPrint", kCoreLibrary},
           Import{"_ZN4core12AnyBadAccessC1Ev", kCoreLibrary},
#if !defined(_WIN32)
           // A PE file keeps its own copy of an imported class's type information.
           Import{"_ZTIN4core12AnyBadAccessE", kCoreLibrary},
#endif
           // the service manager (the blending source's services)
           Import{"OVKServiceMrgAcqire", kServiceLibrary},
           // the blend's output description, buffer and sample
           Import{"OVKAvCoreMediaDescCreateEx", kMediaLibrary},
           Import{"OVKAvCoreMediaDescDestroy", kMediaLibrary},
           Import{"OVKAvCoreDefaultAllocatorAcquire", kMediaLibrary},
           // avcore::OVKAvCoreMediaSampleCreate(int*)
           Import{"_ZN6avcore26OVKAvCoreMediaSampleCreateEPi", kMediaLibrary},
           // the debug dump
           Import{"fopen", kCRuntime}, Import{"fwrite", kCRuntime}, Import{"fclose", kCRuntime}}) {
    const auto from = symbols.imported.find(import.library);
    EXPECT_TRUE(from != symbols.imported.end() && from->second.count(import.name) == 1)
        << import.name << " from " << import.library;
  }
#if defined(_WIN32)
  // The compiler's runtime is linked in: no libgcc, libstdc++ or winpthread DLL.
  std::set<std::string> libraries;
  for (const auto& [library, names] : symbols.imported) libraries.insert(library);
  EXPECT_EQ(libraries, (std::set<std::string>{kCoreLibrary, kMediaLibrary, kServiceLibrary,
                                              kCRuntime, "kernel32.dll"}));
#endif
}

using ModuleRecord = LoadedModule;

TEST_F(ModuleRecord, DescribesTheFrameInterpService) {
  EXPECT_STREQ(record_->first_id, "92EC2200-98E7-4F7A-8AA4-5901DB0630C5");
  EXPECT_STREQ(record_->name, "frame interp");
  EXPECT_STREQ(record_->second_id, "F5D86C44-9C8F-419B-9B23-CC662625488D");
  EXPECT_EQ(record_->reserved4, nullptr);
  EXPECT_EQ(record_->reserved5, nullptr);
  EXPECT_NE(record_->create, nullptr);
  EXPECT_NE(record_->destroy, nullptr);
}

TEST_F(ModuleRecord, EveryCallGivesTheSameRecordAndNullArgumentsWriteNothing) {
  const ServiceModuleInfo* again = nullptr;
  uint32_t count = 0;
  EXPECT_TRUE(get_info_(&again, &count));
  EXPECT_EQ(again, record_);
  EXPECT_EQ(count, 1u);

  const ServiceModuleInfo* untouched = reinterpret_cast<const ServiceModuleInfo*>(0x1);
  EXPECT_TRUE(get_info_(&untouched, nullptr));
  EXPECT_EQ(untouched, reinterpret_cast<const ServiceModuleInfo*>(0x1));
  uint32_t count_untouched = 77;
  EXPECT_TRUE(get_info_(nullptr, &count_untouched));
  EXPECT_EQ(count_untouched, 77u);
}

}  // namespace
