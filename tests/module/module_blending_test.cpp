// Mode 1 through the loaded module, the way the host drives it: the module
// finds the stand-in host's visual-processing and GPU services through the
// service manager, blends real footage through them, and hands every service
// session back.
#include <memory>
#include <string>

#include "blend_check.h"
#include "loaded_module.h"
#include "standin/media.h"
#include "standin/service_registry.h"
#include "standin/standard_services.h"

namespace {

using blendtest::BufferOf;

using ModuleMode1 = LoadedModule;

TEST_F(ModuleMode1, BlendsRealFootageThroughTheHostsServicesAndHandsThemBack) {
  standin::UnregisterAllServices();
  standin::ResetStandardServices();
  standin::ResetMedia();
  standin::RegisterStandardServices();
  const standin::LogCapture quiet;  // one trace per blend
  const standin::StandardServiceCounters& counters = standin::StandardServicesCounters();
  service::IService* service = record_->create();
  service::ISession* session = service->CreateSession(0);
  auto* interp = dynamic_cast<service::IFrameInterp*>(session);
  ASSERT_NE(interp, nullptr);
  const auto clip = blendtest::ReadClip("RTn23_80x44_15fps.y4m", 15);

  for (const uint32_t format : {1u, 6u, 20u}) {
    auto provider = std::make_shared<standin::ScriptedProvider>(
        FrameRate{clip.rate_num, clip.rate_den}, blendtest::FramesFromClip(clip, format));
    const auto& frames = provider->frames();
    ASSERT_EQ(frames.size(), 15u);
    interp->SetProvider(provider);
    interp->SetMode(0);
    interp->SetMode(1);  // a new source for the new provider
    const int64_t blends_before = counters.blend_calls;
    // Requests at 30 frames per second over a 15 frames-per-second clip.
    for (int64_t k = 0; k <= 2 * static_cast<int64_t>(frames.size() - 1); ++k) {
      const int64_t t = k * 10'000'000 / 30;
      const auto answer = interp->GetFrame(t, 0);
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
    EXPECT_EQ(counters.blend_calls - blends_before, static_cast<int64_t>(frames.size()) - 1);
    EXPECT_EQ(counters.sessions_alive, 2);
  }
  EXPECT_EQ(counters.sessions_created, 6);

  service->DestroySession(session);
  record_->destroy(service);
  standin::UnregisterAllServices();
  EXPECT_EQ(counters.sessions_alive, 0);
  EXPECT_EQ(counters.unknown_sessions_destroyed, 0);
  standin::ResetStandardServices();
}

}  // namespace
