// A host service held together with one session that it created.
#pragma once

#include <memory>
#include <utility>

#include "host/service.h"

namespace frameinterp {

// Holds the service as the service manager handed it out (`service_`) and a
// session of it viewed as the interface T (`session_`). The session is not
// reference-counted: it belongs to the service and goes back to it through
// DestroySession in Release, before the service itself is dropped. `session_`
// is non-null only together with a non-null `service_`.
template <class T>
class ServiceSessionRef {
public:
  ServiceSessionRef() = default;
  ~ServiceSessionRef() { Release(); }
  ServiceSessionRef(const ServiceSessionRef&) = delete;
  ServiceSessionRef& operator=(const ServiceSessionRef&) = delete;

  // Acquires the service registered under `guid` and one session of it.
  // Every failure leaves the reference empty, except a session that is not a
  // T: that one is handed straight back to its service (the reference keeps
  // no pointer to it, so it would otherwise never be destroyed) and only the
  // service is kept, with no session.
  void Acquire(const char* guid) {
    Release();
    service::IServiceManager* manager = OVKServiceMrgAcqire(0);
    if (manager == nullptr) return;
    std::shared_ptr<service::IService> acquired;
    manager->AcquireService(&acquired, guid, 0, 0);
    if (!acquired) return;
    service::ISession* session = acquired->CreateSession(0);
    if (session == nullptr) return;  // the service reference is dropped
    T* target = dynamic_cast<T*>(session);
    if (target == nullptr) acquired->DestroySession(session);
    service_ = std::move(acquired);
    session_ = target;
  }

  // Hands the session back to its service, then drops the service.
  void Release() {
    if (session_ != nullptr) {
      service::ISession* session = dynamic_cast<service::ISession*>(session_);
      session_ = nullptr;
      service_->DestroySession(session);
    }
    service_.reset();
  }

  T* session() const { return session_; }
  const std::shared_ptr<service::IService>& service() const { return service_; }

private:
  std::shared_ptr<service::IService> service_;
  T* session_ = nullptr;
};

}  // namespace frameinterp
