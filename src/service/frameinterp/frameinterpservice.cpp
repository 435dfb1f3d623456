#include "frameinterpservice.h"

#include "frameinterpimpl.h"

namespace frameinterp {

int32_t FrameInterpService::Operation1() { return 0; }

bool FrameInterpService::Operation2() { return true; }

service::ISession* FrameInterpService::CreateSession(int32_t) {
  // The host owns the session until it hands it to DestroySession.
  return new FrameInterpImpl();
}

int32_t FrameInterpService::DestroySession(service::ISession* session) {
  // Sessions of other services (and null) are not ours to delete.
  delete dynamic_cast<FrameInterpImpl*>(session);
  return 0;
}

std::shared_ptr<void> FrameInterpService::Operation5() { return nullptr; }

int32_t FrameInterpService::Operation6() { return 0; }

int32_t FrameInterpService::Operation7(uintptr_t, uintptr_t, uint32_t* out) {
  if (out != nullptr) *out = 0;
  return 1;
}

int32_t FrameInterpService::Operation8(uintptr_t, std::shared_ptr<void>) { return 0; }

bool FrameInterpService::Operation9() { return false; }

}  // namespace frameinterp
