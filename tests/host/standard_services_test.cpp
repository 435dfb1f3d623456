// The stand-in host's standard services: what their sessions are, how
// BlendFrames mixes pictures, and the controls and counters that tests use.
#include "standin/standard_services.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "host/service.h"
#include "standin/media.h"
#include "standin/service_registry.h"

namespace {

using avcore::IMediaBuffer;

class StandardServices : public ::testing::Test {
protected:
  void SetUp() override {
    standin::UnregisterAllServices();
    standin::ResetStandardServices();
    standin::RegisterStandardServices();
  }
  void TearDown() override {
    standin::UnregisterAllServices();
    EXPECT_EQ(standin::StandardServicesCounters().sessions_alive, 0);
    standin::ResetStandardServices();
  }

  static std::shared_ptr<service::IService> Acquire(const char* guid) {
    std::shared_ptr<service::IService> found;
    service::IServiceManager* manager = OVKServiceMrgAcqire(0);
    if (manager != nullptr) manager->AcquireService(&found, guid, 0, 0);
    return found;
  }

  standin::StandardServiceControls& controls() { return standin::StandardServicesControls(); }
  standin::StandardServiceCounters& counters() { return standin::StandardServicesCounters(); }
};

std::shared_ptr<standin::CpuBuffer> Filled(uint32_t format, uint32_t width, uint32_t height,
                                           int seed) {
  auto picture = standin::MakePicture(format, width, height);
  for (int p = 0; p < picture->layout().plane_count; ++p) {
    const size_t bytes = picture->layout().PlaneBytes(p);
    for (size_t i = 0; i < bytes; ++i) {
      picture->plane(p)[i] =
          static_cast<uint8_t>(i * 31 + static_cast<size_t>(seed) * 101 + 17 * p);
    }
  }
  return picture;
}

std::vector<uint8_t> AllBytes(standin::CpuBuffer& picture) {
  std::vector<uint8_t> bytes;
  for (int p = 0; p < picture.layout().plane_count; ++p) {
    bytes.insert(bytes.end(), picture.plane(p), picture.plane(p) + picture.layout().PlaneBytes(p));
  }
  return bytes;
}

TEST_F(StandardServices, SessionsCanBeNullOrForeignAndGoBackOnlyToTheirOwnService) {
  EXPECT_STREQ(standin::kVisualProcessServiceGuid, "C83AA1C4-7DD3-4C7D-962B-A3DC01E1F2F6");
  EXPECT_STREQ(standin::kGpuServiceGuid, "C8CBF3DC-4807-480C-B3F3-9E12B87EB3E7");
  controls().visual_process_sessions = standin::SessionOutcome::kNull;
  const auto visual = Acquire(standin::kVisualProcessServiceGuid);
  EXPECT_EQ(visual->CreateSession(0), nullptr);
  EXPECT_EQ(counters().sessions_created, 0);

  controls().gpu_sessions = standin::SessionOutcome::kForeign;
  auto gpu = Acquire(standin::kGpuServiceGuid);
  service::ISession* foreign = gpu->CreateSession(0);
  EXPECT_EQ(dynamic_cast<service::gpu::gpu_session*>(foreign), nullptr);
  EXPECT_EQ(dynamic_cast<service::IVisualProcess*>(foreign), nullptr);
  EXPECT_EQ(counters().foreign_sessions_created, 1);
  EXPECT_EQ(visual->DestroySession(foreign), -1) << "another service's session";
  EXPECT_EQ(visual->DestroySession(nullptr), -1);
  EXPECT_EQ(counters().sessions_alive, 1);
  EXPECT_EQ(gpu->DestroySession(foreign), 0);
  EXPECT_EQ(gpu->DestroySession(foreign), -1) << "already gone";
  EXPECT_EQ(counters().last_destroyed, standin::SessionKind::kForeign);
  EXPECT_EQ(counters().unknown_sessions_destroyed, 3);

  // A service that dies with sessions open deletes and counts them.
  gpu->CreateSession(0);
  standin::UnregisterStandardServices();
  gpu.reset();
  EXPECT_EQ(counters().sessions_abandoned, 1);
  EXPECT_EQ(counters().sessions_alive, 0);
}

// ---------------------------------------------------------------------------
// BlendFrames

class BlendFrames : public StandardServices {
protected:
  void SetUp() override {
    StandardServices::SetUp();
    service_ = Acquire(standin::kVisualProcessServiceGuid);
    session_ = service_->CreateSession(0);
    visual_ = dynamic_cast<service::IVisualProcess*>(session_);
    ASSERT_NE(visual_, nullptr);
  }
  void TearDown() override {
    service_->DestroySession(session_);
    StandardServices::TearDown();
  }

  std::shared_ptr<service::IService> service_;
  service::ISession* session_ = nullptr;
  service::IVisualProcess* visual_ = nullptr;
};

TEST_F(BlendFrames, EveryByteOfEveryPlaneFollowsTheFormula) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // factor and the weight w of the second picture that it must give
  const std::vector<std::pair<float, uint32_t>> factors = {
      {0.0f, 0},    {1.0f, 1024}, {0.5f, 512}, {0.25f, 256}, {1.0f / 3.0f, 341}, {0.49999851f, 512},
      {0.0004f, 0}, {0.0005f, 1}, {-0.2f, 0},  {1.7f, 1024}, {nan, 0},           {1e30f, 1024}};
  for (const uint32_t format : {1u, 6u, 20u, 7u}) {
    for (const auto& [factor, w] : factors) {
      auto a = Filled(format, 7, 5, 1);
      auto b = Filled(format, 7, 5, 2);
      auto out = Filled(format, 7, 5, 3);
      ASSERT_EQ(visual_->BlendFrames(a, b, out, factor), 0) << format;
      const std::vector<uint8_t> va = AllBytes(*a), vb = AllBytes(*b), vo = AllBytes(*out);
      ASSERT_EQ(vo.size(), va.size());
      for (size_t i = 0; i < vo.size(); ++i) {
        ASSERT_EQ(vo[i], (va[i] * (1024 - w) + vb[i] * w + 512) >> 10)
            << "format " << format << ", factor " << factor << ", byte " << i;
      }
      EXPECT_EQ(a->lock_count(), 0);
      EXPECT_EQ(out->lock_count(), 0);
    }
  }
  EXPECT_EQ(counters().blend_calls, 48);
  EXPECT_EQ(counters().last_blend_out_format, 7u);
}

TEST_F(BlendFrames, BuffersOfDifferentSizeOrLayoutFailAndWriteNothing) {
  auto a = Filled(1, 8, 4, 1);
  for (const auto& other :
       {Filled(1, 10, 4, 2), Filled(1, 8, 6, 2), Filled(6, 8, 4, 2), Filled(20, 8, 4, 2)}) {
    auto out = Filled(1, 8, 4, 3);
    const std::vector<uint8_t> before = AllBytes(*out);
    EXPECT_NE(visual_->BlendFrames(a, other, out, 0.5f), 0);
    EXPECT_NE(visual_->BlendFrames(other, a, out, 0.5f), 0);
    EXPECT_EQ(AllBytes(*out), before);
    // An output of another layout than the inputs fails too.
    auto same = Filled(1, 8, 4, 4);
    const std::vector<uint8_t> other_before = AllBytes(*other);
    EXPECT_NE(visual_->BlendFrames(a, same, other, 0.5f), 0);
    EXPECT_EQ(AllBytes(*other), other_before);
  }
  EXPECT_NE(visual_->BlendFrames(nullptr, a, a, 0.5f), 0);
  EXPECT_NE(visual_->BlendFrames(a, nullptr, a, 0.5f), 0);
  EXPECT_NE(visual_->BlendFrames(a, a, nullptr, 0.5f), 0);
  EXPECT_EQ(a->lock_count(), 0);

  // Made to fail, it answers the given value and writes nothing either.
  auto out = Filled(1, 8, 4, 3);
  const std::vector<uint8_t> before = AllBytes(*out);
  controls().blend_frames_failure = 9;
  EXPECT_EQ(visual_->BlendFrames(a, a, out, 0.5f), 9);
  EXPECT_EQ(AllBytes(*out), before);
}

}  // namespace
