// Whole session lives with the k-th allocation failing, for k = 1, 2, ...
// until a life completes without reaching its k-th allocation: every
// operator new of the process (the module's, the stand-in host's, the
// provider's) and the module's own heap blocks. A failure may only surface as
// std::bad_alloc from the call that met it, or as an answer where the
// pipeline could not start; nothing may crash or leak (the leak check of the
// sanitizer build), and once memory is back every request answers again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "frame_source_motion.h"
#include "frameinterpimpl.h"
#include "frameinterpservice.h"
#include "host_pictures.h"
#include "motion/zeroed_alloc.h"
#include "standin/log_control.h"
#include "standin/scripted_provider.h"
#include "standin/standard_services.h"
#include "y4m_reader.h"

namespace {

// Allocations still allowed before the failing one while armed; -1: none fails.
int64_t g_left = -1;
bool g_armed = false;
bool g_failed = false;

bool AllowAllocation() {
  if (!g_armed || g_left < 0) return true;
  if (g_left-- > 0) return true;
  g_failed = true;
  return false;
}

void* Allocate(size_t size) {
  if (!AllowAllocation()) throw std::bad_alloc();
  if (void* p = std::malloc(size > 0 ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return AllowAllocation() ? std::malloc(size > 0 ? size : 1) : nullptr;
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return AllowAllocation() ? std::malloc(size > 0 ? size : 1) : nullptr;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

using frameinterp::SamplePtr;
using standin::ScriptedFrame;

constexpr int64_t kStep = 1'666'666;  // 6 frames per second

std::vector<ScriptedFrame> ClipFrames() {
  const auto clip = frameinterp::testing::read_y4m(
      std::string(FRAMEINTERP_TESTDATA_DIR) + "/clips/CiscoVT2people_160x96_6fps.y4m", 5);
  std::vector<ScriptedFrame> frames;
  for (size_t i = 0; i < clip.frames.size(); ++i) {
    motiontest::I420 picture(clip.width, clip.height);
    picture.bytes = clip.frames[i];
    frames.push_back({static_cast<int64_t>(i) * kStep, kStep, motiontest::HostPicture(picture, 1), false});
  }
  return frames;
}

// Runs f with allocations counted; false when it threw std::bad_alloc.
template <class F>
bool Survives(F&& f) {
  g_armed = true;
  try {
    f();
  } catch (const std::bad_alloc&) {
    g_armed = false;
    return false;
  }
  g_armed = false;
  return true;
}

class AllocationFailure : public ::testing::Test {
protected:
  void SetUp() override {
    frames_ = ClipFrames();
    ASSERT_EQ(frames_.size(), 5u) << "the test footage folder " << FRAMEINTERP_TESTDATA_DIR
                                  << " is missing";
    standin::SetLogThreshold(5);
    standin::RegisterStandardServices();
    frameinterp::SetAllocationGateForTesting(&AllowAllocation);
  }
  void TearDown() override {
    frameinterp::SetAllocationGateForTesting(nullptr);
    standin::UnregisterStandardServices();
    g_left = -1;
  }

  // Requests every half frame of the clip; after the failure every request of
  // modes 0 to 2 must answer.
  void RequestClip(const std::function<SamplePtr(int64_t)>& request, bool answers) {
    for (int64_t half = 0; half < 2 * static_cast<int64_t>(frames_.size()); ++half) {
      SamplePtr answer;
      const bool ok = Survives([&] { answer = request(half * kStep / 2); });
      if (ok && g_failed) {
        EXPECT_EQ(answer != nullptr, answers) << "k " << k_ << " request " << half;
      }
    }
  }

  std::vector<ScriptedFrame> frames_;
  int64_t k_ = 0;
};

TEST_F(AllocationFailure, EverySessionLifeSurvivesTheFailureOfAnyOneAllocation) {
  for (k_ = 0;; ++k_) {
    g_left = k_;
    g_failed = false;
    auto* service = new frameinterp::FrameInterpService();
    service::ISession* session = nullptr;
    if (Survives([&] { session = service->CreateSession(0); })) {
      auto* interp = dynamic_cast<frameinterp::FrameInterpImpl*>(session);
      auto provider = std::make_shared<standin::ScriptedProvider>(FrameRate{6, 1}, frames_);
      if (!Survives([&] { interp->SetProvider(provider); })) interp->SetProvider(provider);
      for (uint32_t mode = 0; mode < 4; ++mode) {
        interp->SetMode(mode);
        RequestClip([&](int64_t t) { return interp->GetFrame(t, 0); }, mode != 3);
      }
      const core::ValAny on(true);
      Survives([&] { interp->SetOption("UseGpuEffect", &on); });
      interp->SetMode(1);
      RequestClip([&](int64_t t) { return interp->GetFrame(t, 0); }, true);
      service->DestroySession(session);
    }
    delete service;
    if (!g_failed) break;
  }
  // A Windows DLL keeps its own operator new, so there the stand-in host's
  // allocations are not counted, only the module's and the test's.
#if defined(_WIN32)
  constexpr int64_t kManyAllocations = 40;
#else
  constexpr int64_t kManyAllocations = 100;
#endif
  EXPECT_GT(k_, kManyAllocations) << "a session life makes many allocations";
}

// The split refinement's sub-block arrays: no session reaches it, so the
// motion source is built with it on.
TEST_F(AllocationFailure, TheSplitRefinementSurvivesItsSubBlocksFailing) {
  frameinterp::MotionSettings settings;
  settings.split_refinement = 1;
  for (k_ = 0;; ++k_) {
    g_left = k_;
    g_failed = false;
    std::unique_ptr<frameinterp::FrameSourceMotionImpl> source;
    auto provider = std::make_shared<standin::ScriptedProvider>(FrameRate{6, 1}, frames_);
    if (Survives([&] {
          source = std::make_unique<frameinterp::FrameSourceMotionImpl>(provider, false, settings);
        })) {
      RequestClip([&](int64_t t) { return source->GetFrame(t, 0); }, true);
    }
    source.reset();
    if (!g_failed) break;
  }
}

}  // namespace
