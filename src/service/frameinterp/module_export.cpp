// The module's one export and its service record.
#include "frameinterpservice.h"
#include "guids.h"
#include "host/service_module.h"

#if defined(_WIN32)
#define FRAMEINTERP_EXPORT __declspec(dllexport)
#else
#define FRAMEINTERP_EXPORT __attribute__((visibility("default")))
#endif

namespace frameinterp {
namespace {

service::IService* CreateService() { return new FrameInterpService(); }

void DestroyService(service::IService* svc) {
  // Only our own service objects are deleted; null and foreign ones are ignored.
  delete dynamic_cast<FrameInterpService*>(svc);
}

// Lives as long as the module is loaded; its fields are set before the host
// can call the export.
const ServiceModuleInfo g_service_record = {
    FRAMEINTERP_SERVICE_GUID, "frame interp", FRAMEINTERP_SECOND_GUID, nullptr, nullptr,
    &CreateService,           &DestroyService,
};

}  // namespace
}  // namespace frameinterp

extern "C" FRAMEINTERP_EXPORT bool GetServiceModuleInfo(const ServiceModuleInfo** info,
                                                        uint32_t* count) {
  if (info != nullptr && count != nullptr) {
    *info = &frameinterp::g_service_record;
    *count = 1;
  }
  return true;
}
