#include "module_session.h"

#include <cstring>
#include <filesystem>

#include "platform.h"
#include "tool_error.h"
#include "utf8_path.h"

namespace fitool {
namespace {

constexpr char kExportName[] = "GetServiceModuleInfo";
constexpr char kServiceName[] = "frame interp";
constexpr char kUseGpuEffectKey[] = "UseGpuEffect";

}  // namespace

std::string DefaultModulePath() {
  const std::string folder = ExecutableDirectory();
  if (folder.empty()) return ModuleFileName();
  const std::filesystem::path beside = Utf8Path(folder) / ModuleFileName();
  const std::filesystem::path installed =
      (Utf8Path(folder) / FRAMEINTERP_INSTALLED_MODULE_DIR / ModuleFileName()).lexically_normal();
  std::error_code ignored;
  if (!std::filesystem::exists(beside, ignored) && std::filesystem::exists(installed, ignored)) {
    return Utf8String(installed);
  }
  return Utf8String(beside);
}

std::unique_ptr<ModuleSession> ModuleSession::Open(const std::string& path) {
  std::unique_ptr<ModuleSession> module(new ModuleSession());
  std::string error;
  module->library_ = standin::ModuleLibrary::Open(path, &error);
  if (!module->library_) throw ToolError(path + ": cannot load the module: " + error);

  const auto get_info =
      reinterpret_cast<GetServiceModuleInfoFn>(module->library_->Symbol(kExportName));
  if (!get_info) {
    throw ToolError(path + ": not a service module (no " + std::string(kExportName) + " export)");
  }
  const ServiceModuleInfo* records = nullptr;
  uint32_t count = 0;
  if (!get_info(&records, &count) || !records) {
    throw ToolError(path + ": " + kExportName + " gave no service records");
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (records[i].name && std::strcmp(records[i].name, kServiceName) == 0) {
      module->record_ = &records[i];
    }
  }
  if (!module->record_ || !module->record_->create || !module->record_->destroy) {
    throw ToolError(path + ": the module offers no \"" + std::string(kServiceName) + "\" service");
  }
  module->service_ = module->record_->create();
  if (!module->service_) throw ToolError(path + ": the module could not create its service");
  module->session_ = module->service_->CreateSession(0);
  if (!module->session_) throw ToolError(path + ": the service could not create a session");
  module->interp_ = dynamic_cast<service::IFrameInterp*>(module->session_);
  if (!module->interp_) {
    throw ToolError(path + ": the service's session is not a frame-interpolation session");
  }
  return module;
}

void ModuleSession::Configure(std::shared_ptr<IFrameProvider> provider, uint32_t mode,
                              bool use_gpu_effect) {
  interp_->SetProvider(std::move(provider));
  interp_->SetMode(mode);
  const core::ValAny value(use_gpu_effect);
  interp_->SetOption(kUseGpuEffectKey, &value);
}

ModuleSession::~ModuleSession() {
  if (session_) service_->DestroySession(session_);
  if (service_) record_->destroy(service_);
}

}  // namespace fitool
