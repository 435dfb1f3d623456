// The stand-in service library's registry: the embedding program registers the
// services that the service manager hands out by GUID string. Like the media
// library, OVKServiceMrgAcqire and AcquireService answer only the zero
// arguments that the host interface fixes; any other value gets nothing.
#pragma once

#include <memory>
#include <string>

#include "host/service.h"

namespace standin {

HOST_SERVICE_API void RegisterService(const std::string& guid,
                                      std::shared_ptr<service::IService> service);
HOST_SERVICE_API void UnregisterService(const std::string& guid);
HOST_SERVICE_API void UnregisterAllServices();

// While false, OVKServiceMrgAcqire answers null (default true).
HOST_SERVICE_API void SetServiceManagerAvailable(bool available);

}  // namespace standin
