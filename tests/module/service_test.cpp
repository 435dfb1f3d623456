// The service object and session life cycles, driven through the loaded
// module the way the host drives them.
#include <memory>

#include "loaded_module.h"
#include "standin/fixed_service.h"
#include "standin/scripted_provider.h"

namespace {

// A service or session of another class, which the module must not delete.
class ForeignService final : public standin::FixedService, public service::ISession {
public:
  explicit ForeignService(bool* destroyed) : destroyed_(destroyed) {}
  ~ForeignService() override { *destroyed_ = true; }

private:
  bool* destroyed_;
};

std::shared_ptr<standin::ScriptedProvider> MakeProvider() {
  return std::make_shared<standin::ScriptedProvider>(
      FrameRate{25, 1}, standin::ScriptedProvider::Uniform(4, 0, 400'000, 400'000));
}

class ServiceObject : public LoadedModule {
protected:
  void SetUp() override {
    LoadedModule::SetUp();
    service_ = record_->create();
    ASSERT_NE(service_, nullptr);
  }
  void TearDown() override { record_->destroy(service_); }

  service::IFrameInterp* AsFrameInterp(service::ISession* session) {
    return dynamic_cast<service::IFrameInterp*>(session);
  }

  service::IService* service_ = nullptr;
};

TEST_F(ServiceObject, AnswersTheFixedOperationsWithTheirFixedResults) {
  EXPECT_EQ(service_->Operation1(), 0);
  EXPECT_TRUE(service_->Operation2());
  EXPECT_EQ(service_->Operation5(), nullptr);
  EXPECT_EQ(service_->Operation6(), 0);
  uint32_t out = 99;
  EXPECT_EQ(service_->Operation7(1, 2, &out), 1);
  EXPECT_EQ(out, 0u);
  EXPECT_EQ(service_->Operation7(1, 2, nullptr), 1);
  EXPECT_FALSE(service_->Operation9());
  // Operation8 only releases its argument.
  auto held = std::make_shared<int>(5);
  const std::weak_ptr<int> watch = held;
  EXPECT_EQ(service_->Operation8(3, std::move(held)), 0);
  EXPECT_TRUE(watch.expired());
}

TEST_F(ServiceObject, SessionsAreIndependentAndDestroyedOneByOne) {
  service::ISession* first = service_->CreateSession(0);
  service::ISession* second = service_->CreateSession(0);
  service::IFrameInterp* second_interp = AsFrameInterp(second);
  ASSERT_NE(AsFrameInterp(first), nullptr);
  ASSERT_NE(second_interp, nullptr);
  ASSERT_NE(first, second);
  auto provider = MakeProvider();
  const std::weak_ptr<IFrameProvider> watch = provider;
  second_interp->SetProvider(std::move(provider));
  AsFrameInterp(first)->SetMode(3);
  EXPECT_EQ(service_->DestroySession(first), 0);
  EXPECT_EQ(second_interp->GetFrame(400'000, 0)->GetPts(), 400'000);
  EXPECT_EQ(service_->DestroySession(second), 0);
  EXPECT_TRUE(watch.expired()) << "the session's provider outlived it";
}

TEST_F(ServiceObject, NullAndForeignObjectsAreNotDestroyed) {
  bool destroyed = false;
  ForeignService foreign(&destroyed);
  record_->destroy(nullptr);
  record_->destroy(&foreign);
  EXPECT_EQ(service_->DestroySession(nullptr), 0);
  EXPECT_EQ(service_->DestroySession(&foreign), 0);
  EXPECT_FALSE(destroyed);
}

TEST_F(ServiceObject, DeletingThroughEitherBaseDestroysTheWholeSession) {
  for (const bool through_session_base : {true, false}) {
    service::ISession* session = service_->CreateSession(0);
    service::IFrameInterp* interp = AsFrameInterp(session);
    ASSERT_NE(interp, nullptr);
    auto provider = MakeProvider();
    std::weak_ptr<IFrameProvider> watch = provider;
    interp->SetProvider(std::move(provider));
    ASSERT_NE(interp->GetFrame(0, 0), nullptr);
    if (through_session_base) {
      delete session;
    } else {
      delete interp;
    }
    EXPECT_TRUE(watch.expired()) << (through_session_base ? "ISession" : "IFrameInterp");
  }
}

}  // namespace
