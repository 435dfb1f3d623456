#include <map>
#include <mutex>

#include "standin/service_registry.h"

namespace standin {
namespace {

class ServiceManager final : public service::IServiceManager {
public:
  void AcquireService(std::shared_ptr<service::IService>* out, const char* guid, int32_t zero,
                      int32_t zero_too) override {
    if (!out) return;
    out->reset();
    if (!guid || zero != 0 || zero_too != 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = services_.find(guid);
    if (found != services_.end()) *out = found->second;
  }

  void Register(const std::string& guid, std::shared_ptr<service::IService> service) {
    std::lock_guard<std::mutex> lock(mutex_);
    services_[guid] = std::move(service);
  }

  void Unregister(const std::string& guid) {
    std::lock_guard<std::mutex> lock(mutex_);
    services_.erase(guid);
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    services_.clear();
  }

  bool available = true;

private:
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<service::IService>> services_;
};

ServiceManager& manager() {
  static ServiceManager instance;
  return instance;
}

}  // namespace

void RegisterService(const std::string& guid, std::shared_ptr<service::IService> service) {
  manager().Register(guid, std::move(service));
}

void UnregisterService(const std::string& guid) { manager().Unregister(guid); }

void UnregisterAllServices() { manager().Clear(); }

void SetServiceManagerAvailable(bool available) { manager().available = available; }

}  // namespace standin

extern "C" service::IServiceManager* OVKServiceMrgAcqire(int32_t zero) {
  standin::ServiceManager& m = standin::manager();
  return m.available && zero == 0 ? &m : nullptr;
}
