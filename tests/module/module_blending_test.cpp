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
    interp->SetProvider(provider);
    interp->SetMode(0);
    interp->SetMode(1);  // a new source for the new provider
    EXPECT_EQ(blendtest::BlendAtTwiceTheRate(*interp, *provider), 14) << "format " << format;
    EXPECT_EQ(counters.sessions_alive, 2);
  }
  EXPECT_EQ(counters.sessions_created, 6);
  EXPECT_EQ(counters.blend_calls, 3 * 14);

  service->DestroySession(session);
  record_->destroy(service);
  standin::UnregisterAllServices();
  EXPECT_EQ(counters.sessions_alive, 0);
  EXPECT_EQ(counters.unknown_sessions_destroyed, 0);
  standin::ResetStandardServices();
}

}  // namespace
