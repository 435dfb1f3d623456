// A service whose operations all give fixed results and whose sessions are
// made by the embedding code: the shape of every stand-in service.
#pragma once

#include "host/service.h"

namespace standin {

class FixedService : public service::IService {
public:
  int32_t Operation1() override { return 0; }
  bool Operation2() override { return true; }
  service::ISession* CreateSession(int32_t) override { return nullptr; }
  int32_t DestroySession(service::ISession*) override { return 0; }
  std::shared_ptr<void> Operation5() override { return nullptr; }
  int32_t Operation6() override { return 0; }
  int32_t Operation7(uintptr_t, uintptr_t, uint32_t* out) override {
    if (out) *out = 0;
    return 1;
  }
  int32_t Operation8(uintptr_t, std::shared_ptr<void>) override { return 0; }
  bool Operation9() override { return false; }
};

}  // namespace standin
