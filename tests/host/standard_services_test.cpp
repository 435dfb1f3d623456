// The stand-in host's standard services: the session outcomes and counters
// that the module's tests rely on to notice sessions not handed back.
#include "standin/standard_services.h"

#include <gtest/gtest.h>

#include <memory>

#include "host/service.h"
#include "standin/service_registry.h"

namespace {

class StandardServices : public ::testing::Test {
protected:
  void SetUp() override {
    standin::UnregisterAllServices();
    standin::ResetStandardServices();
    standin::RegisterStandardServices();
  }
  void TearDown() override {
    standin::UnregisterAllServices();
    EXPECT_EQ(counters().sessions_alive, 0);
    standin::ResetStandardServices();
  }

  static std::shared_ptr<service::IService> Acquire(const char* guid) {
    std::shared_ptr<service::IService> found;
    OVKServiceMrgAcqire(0)->AcquireService(&found, guid, 0, 0);
    return found;
  }

  standin::StandardServiceControls& controls() { return standin::StandardServicesControls(); }
  standin::StandardServiceCounters& counters() { return standin::StandardServicesCounters(); }
};

TEST_F(StandardServices, SessionsCanBeNullOrForeignAndGoBackOnlyToTheirOwnService) {
  controls().visual_process_sessions = standin::SessionOutcome::kNull;
  const auto visual = Acquire(standin::kVisualProcessServiceGuid);
  EXPECT_EQ(visual->CreateSession(0), nullptr);

  controls().gpu_sessions = standin::SessionOutcome::kForeign;
  auto gpu = Acquire(standin::kGpuServiceGuid);
  service::ISession* foreign = gpu->CreateSession(0);
  EXPECT_EQ(dynamic_cast<service::gpu::gpu_session*>(foreign), nullptr);
  EXPECT_EQ(dynamic_cast<service::IVisualProcess*>(foreign), nullptr);
  EXPECT_EQ(visual->DestroySession(foreign), -1) << "another service's session";
  EXPECT_EQ(visual->DestroySession(nullptr), -1);
  EXPECT_EQ(gpu->DestroySession(foreign), 0);
  EXPECT_EQ(gpu->DestroySession(foreign), -1) << "already gone";
  EXPECT_EQ(counters().last_destroyed, standin::SessionKind::kForeign);
  EXPECT_EQ(counters().unknown_sessions_destroyed, 3);

  // A service that dies with sessions open deletes and counts them.
  gpu->CreateSession(0);
  standin::UnregisterStandardServices();
  gpu.reset();
  EXPECT_EQ(counters().sessions_abandoned, 1);
}

}  // namespace
