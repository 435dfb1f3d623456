// The "frame interp" service object: it creates and destroys sessions and
// answers every other operation of the host's service interface with a fixed
// result. It holds no state and keeps no list of its sessions.
#pragma once

#include "host/service.h"

namespace frameinterp {

class FrameInterpService final : public service::IService {
public:
  int32_t Operation1() override;
  bool Operation2() override;
  service::ISession* CreateSession(int32_t unused) override;
  int32_t DestroySession(service::ISession* session) override;
  std::shared_ptr<void> Operation5() override;
  int32_t Operation6() override;
  int32_t Operation7(uintptr_t first, uintptr_t second, uint32_t* out) override;
  int32_t Operation8(uintptr_t value, std::shared_ptr<void> held) override;
  bool Operation9() override;
};

}  // namespace frameinterp
