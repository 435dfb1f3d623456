// Opens the built module the way the host does and reads its service record.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/service_module.h"
#include "standin/module_library.h"

class LoadedModule : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    library_ = standin::ModuleLibrary::Open(FRAMEINTERP_MODULE_PATH, &error);
    ASSERT_NE(library_, nullptr) << error;
    get_info_ = reinterpret_cast<GetServiceModuleInfoFn>(library_->Symbol("GetServiceModuleInfo"));
    ASSERT_NE(get_info_, nullptr);
    uint32_t count = 0;
    ASSERT_TRUE(get_info_(&record_, &count));
    ASSERT_EQ(count, 1u);
  }

  std::unique_ptr<standin::ModuleLibrary> library_;
  GetServiceModuleInfoFn get_info_ = nullptr;
  const ServiceModuleInfo* record_ = nullptr;
};
