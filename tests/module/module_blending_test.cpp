// Mode 1 through the loaded module, the way the host drives it: the module
// finds the stand-in host's visual-processing and GPU services through the
// service manager, blends real footage through them, and hands every service
// session back.
#include <memory>
#include <string>

#include "blend_check.h"
#include "loaded_module.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/service_registry.h"
#include "standin/standard_services.h"

namespace {

using blendtest::BufferOf;

class ModuleMode1 : public LoadedModule {
protected:
  void SetUp() override {
    LoadedModule::SetUp();
    standin::UnregisterAllServices();
    standin::ResetStandardServices();
    standin::ResetMedia();
    standin::RegisterStandardServices();
    service_ = record_->create();
    ASSERT_NE(service_, nullptr);
    session_ = service_->CreateSession(0);
    interp_ = dynamic_cast<service::IFrameInterp*>(session_);
    ASSERT_NE(interp_, nullptr);
  }

  void TearDown() override {
    if (service_ != nullptr) {
      service_->DestroySession(session_);
      record_->destroy(service_);
    }
    standin::UnregisterAllServices();
    EXPECT_EQ(standin::StandardServicesCounters().sessions_alive, 0);
    EXPECT_EQ(standin::StandardServicesCounters().unknown_sessions_destroyed, 0);
    standin::ResetStandardServices();
  }

  std::shared_ptr<standin::ScriptedProvider> Clip(uint32_t format) {
    frameinterp::testing::Y4MClip clip;
    std::string error;
    EXPECT_TRUE(frameinterp::testing::ReadY4MClip(
        std::string(FRAMEINTERP_TESTDATA_DIR) + "/clips/RTn23_80x44_15fps.y4m", 15, &clip, &error))
        << error;
    return std::make_shared<standin::ScriptedProvider>(FrameRate{clip.rate_num, clip.rate_den},
                                                       blendtest::FramesFromClip(clip, format));
  }

  service::IService* service_ = nullptr;
  service::ISession* session_ = nullptr;
  service::IFrameInterp* interp_ = nullptr;
  standin::LogCapture log_;
};

TEST_F(ModuleMode1, BlendsRealFootageThroughTheHostsServices) {
  for (const uint32_t format : {1u, 6u, 20u}) {
    auto provider = Clip(format);
    const auto& frames = provider->frames();
    interp_->SetProvider(provider);
    interp_->SetMode(0);
    interp_->SetMode(1);  // a new source for the new provider
    const int64_t blends_before = standin::StandardServicesCounters().blend_calls;
    // Requests at 30 frames per second over a 15 frames-per-second clip.
    for (int64_t k = 0; k <= 2 * static_cast<int64_t>(frames.size() - 1); ++k) {
      const int64_t t = k * 10'000'000 / 30;
      const auto answer = interp_->GetFrame(t, 0);
      ASSERT_NE(answer, nullptr) << k;
      EXPECT_EQ(answer->GetPts(), t);
      const auto& before = frames[static_cast<size_t>(k / 2)];
      if (k % 2 == 0) {
        EXPECT_EQ(BufferOf(answer), before.picture) << k;
        continue;
      }
      const auto& after = frames[static_cast<size_t>(k / 2 + 1)];
      const float factor =
          static_cast<float>(t - before.pts) / static_cast<float>(after.pts - before.pts);
      ASSERT_TRUE(blendtest::IsBlendOf(BufferOf(answer).get(), before.picture.get(),
                                       after.picture.get(), factor))
          << "format " << format << ", request " << k;
    }
    EXPECT_EQ(standin::StandardServicesCounters().blend_calls - blends_before,
              static_cast<int64_t>(frames.size()) - 1);
    EXPECT_EQ(standin::StandardServicesCounters().sessions_alive, 2);
  }
  EXPECT_EQ(standin::StandardServicesCounters().sessions_created, 6);
}

TEST_F(ModuleMode1, WithoutTheHostsServicesTheLeftNeighbourAnswers) {
  standin::UnregisterStandardServices();
  auto provider = Clip(1);
  interp_->SetProvider(provider);
  interp_->SetMode(1);
  interp_->GetFrame(0, 0);
  const auto answer = interp_->GetFrame(333'333, 0);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(BufferOf(answer), provider->frames()[0].picture);
  EXPECT_EQ(answer->GetPts(), 333'333);
  const auto lines = blendtest::WithTag(log_.lines(), "FrameSourceBlendingImpl::Blending");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "OVK_GPU_UHP_GUID fail");
}

TEST_F(ModuleMode1, SessionsOfAnotherInterfaceAreHandedBack) {
  standin::StandardServicesControls().visual_process_sessions = standin::SessionOutcome::kForeign;
  standin::StandardServicesControls().gpu_sessions = standin::SessionOutcome::kForeign;
  interp_->SetProvider(Clip(1));
  interp_->SetMode(1);
  interp_->GetFrame(0, 0);
  EXPECT_EQ(standin::StandardServicesCounters().foreign_sessions_created, 2);
  EXPECT_EQ(standin::StandardServicesCounters().sessions_alive, 0);
  interp_->GetFrame(333'333, 0);
  EXPECT_EQ(blendtest::Texts(blendtest::WithTag(log_.lines(), "FrameSourceBlendingImpl::Blending")),
            std::vector<std::string>{"OVK_GPU_UHP_GUID fail"});
}

}  // namespace
