// What the host sees of the built library: one exported function and the
// service record.
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "loaded_module.h"

namespace {

// The names of the dynamic symbol table's defined symbols.
std::set<std::string> ExportedSymbols() {
  const std::string command = std::string("nm -D --defined-only '") + FRAMEINTERP_MODULE_PATH + "'";
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string address, type, name;
    fields >> address >> type >> name;
    const auto version = name.find('@');
    if (version != std::string::npos) name.resize(version);
    if (!name.empty()) names.insert(name);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

TEST(ModuleSymbols, ExportsGetServiceModuleInfoAndNothingElse) {
  EXPECT_EQ(ExportedSymbols(), std::set<std::string>{"GetServiceModuleInfo"});
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
