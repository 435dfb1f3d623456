// The frame interp module as a host holds it: the library loaded from its
// file, the service made through the module's record, and one session.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/service.h"
#include "host/service_module.h"
#include "standin/module_library.h"

namespace fitool {

class ModuleSession {
public:
  // Loads the module, finds its "frame interp" record, creates the service
  // and a session. Throws ToolError naming the file and the problem.
  static std::unique_ptr<ModuleSession> Open(const std::string& path);
  // Destroys the session, then the service, then unloads the library.
  ~ModuleSession();
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  service::IFrameInterp& session() { return *interp_; }

  // Gives the session its provider, mode and "UseGpuEffect" option.
  void Configure(std::shared_ptr<IFrameProvider> provider, uint32_t mode, bool use_gpu_effect);

private:
  ModuleSession() = default;

  std::unique_ptr<standin::ModuleLibrary> library_;
  const ServiceModuleInfo* record_ = nullptr;
  service::IService* service_ = nullptr;
  service::ISession* session_ = nullptr;
  service::IFrameInterp* interp_ = nullptr;
};

// The default module path: the module file beside the running program, or
// when there is none, the one in the library folder of the tree the program
// was installed in.
std::string DefaultModulePath();

}  // namespace fitool
