// The allocations of a session, counted and failed: every operator new of the
// process (the module's, the stand-in host's, the provider's) and the
// module's own heap blocks.
//
// Whole session lives with the k-th allocation failing, for k = 1, 2, ...
// until a life completes without reaching its k-th allocation. A failure may
// only surface as std::bad_alloc from the call that met it, or as an answer
// where the pipeline could not start; nothing may crash or leak (the leak
// check of the sanitizer build), and once memory is back every request
// answers again.
//
// Once a motion session runs, its requests allocate nothing, window restarts
// at the same size included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "frame_source_motion.h"
#include "frameinterpimpl.h"
#include "frameinterpservice.h"
#include "host_pictures.h"
#include "motion/motion_buffers.h"
#include "motion/zeroed_alloc.h"
#include "standin/log_control.h"
#include "standin/scripted_provider.h"
#include "standin/standard_services.h"
#include "testdata.h"
#include "y4m_clip.h"

namespace {

// Allocations still allowed before the failing one while armed; -1: none fails.
int64_t g_left = -1;
bool g_armed = false;
bool g_failed = false;
int64_t g_counted = 0;  // allocations made while armed

bool AllowAllocation() {
  if (g_armed) ++g_counted;
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
  const auto clip = fitool::Y4mClip::Open(
      frameinterp::testing::TestdataPath("clips/CiscoVT2people_160x96_6fps.y4m"),
      fitool::Y4mClip::Access::kRandom);
  std::vector<ScriptedFrame> frames;
  for (int64_t i = 0; i < 5; ++i) {
    fitool::Picture p = clip->Frame(i);
    p.y.insert(p.y.end(), p.u.begin(), p.u.end());
    p.y.insert(p.y.end(), p.v.begin(), p.v.end());
    frames.push_back({i * kStep, kStep, motiontest::HostPicture(p.width, p.height, p.y), false});
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

class Allocations : public ::testing::Test {
protected:
  void SetUp() override {
    frames_ = ClipFrames();
    ASSERT_EQ(frames_.size(), 5u);
    standin::SetLogThreshold(5);
    standin::RegisterStandardServices();
    frameinterp::FrameInterpImpl session;
    session.SetProvider(std::make_shared<standin::ScriptedProvider>(FrameRate{6, 1}, frames_));
    session.SetMode(2);
    for (int64_t half = 1; half <= 2 * static_cast<int64_t>(frames_.size()); ++half) {
      times_.push_back(half % (2 * static_cast<int64_t>(frames_.size())) * kStep / 2);
      motion_answers_.push_back(motiontest::Planes(session.GetFrame(times_.back(), 0)));
    }
    frameinterp::SetAllocationGateForTesting(&AllowAllocation);
  }
  void TearDown() override {
    frameinterp::SetAllocationGateForTesting(nullptr);
    standin::UnregisterStandardServices();
    g_left = -1;
  }

  // Makes the requests of times_; after the failure every request of modes 0
  // to 2 must answer, and a motion answer hold an upstream frame's picture or
  // the one a session without failures gives, never a picture the pipeline
  // could not finish.
  void RequestClip(const std::function<SamplePtr(int64_t)>& request, bool answers,
                   bool motion = false) {
    for (size_t i = 0; i < times_.size(); ++i) {
      SamplePtr answer;
      const bool ok = Survives([&] { answer = request(times_[i]); });
      if (!ok || !g_failed) continue;
      EXPECT_EQ(answer != nullptr, answers) << "k " << k_ << " request " << i;
      if (!motion || !answer) continue;
      const auto got = motiontest::Planes(answer);
      EXPECT_TRUE(got == motion_answers_[i] ||
                  std::any_of(frames_.begin(), frames_.end(), [&](const ScriptedFrame& f) {
                    return motiontest::Planes(f.picture) == got;
                  }))
          << "k " << k_ << " request " << i;
    }
  }

  std::vector<ScriptedFrame> frames_;
  // Every half frame of the clip from half a frame in, then back to the start,
  // and the motion answers to them without failures.
  std::vector<int64_t> times_;
  std::vector<std::vector<std::vector<uint8_t>>> motion_answers_;
  int64_t k_ = 0;
};

TEST_F(Allocations, EverySessionLifeSurvivesTheFailureOfAnyOneAllocation) {
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
        RequestClip([&](int64_t t) { return interp->GetFrame(t, 0); }, mode != 3, mode == 2);
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
  // Not the stand-in host's on Windows, where each DLL has its own operator new.
  EXPECT_GT(k_, 40) << "a session life makes many allocations";
}

// The split refinement's sub-block arrays: no session reaches it, so the
// motion source is built with it on.
TEST_F(Allocations, TheSplitRefinementSurvivesItsSubBlocksFailing) {
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

// Sub-block arrays come from chunks of 1024, kept: many splits cost one
// allocation a chunk, and a refinement after they are all taken back none.
TEST_F(Allocations, SubBlockArraysComeInChunksThatAreKept) {
  frameinterp::QuarterPool pool;
  g_counted = 0;
  g_armed = true;
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 2 * 1024; ++i) ASSERT_NE(pool.take(), nullptr);
    pool.take_back_all();
  }
  g_armed = false;
  EXPECT_EQ(g_counted, 2);
}

TEST_F(Allocations, MotionRequestsAndWindowRestartsAllocateNothingOnceRunning) {
  // One sample per frame, handed out again and again.
  auto provider = std::make_shared<standin::ScriptedProvider>(FrameRate{6, 1}, frames_);
  provider->UseSharedSamples(true);
  frameinterp::FrameInterpImpl session;
  session.SetProvider(provider);
  session.SetMode(2);
  // Two passes over the clip at 2.5 times its rate: requests between the
  // window's last two frames restart it, and so does the jump back to the start.
  for (int pass = 0; pass < 2; ++pass) {
    g_counted = 0;
    provider->ResetCalls();
    for (int64_t k = 0; k < 12; ++k) {
      g_armed = pass == 1;
      const SamplePtr answer = session.GetFrame(k * kStep * 2 / 5, 0);
      g_armed = false;
      ASSERT_NE(answer, nullptr) << k;
    }
  }
  EXPECT_EQ(g_counted, 0) << "allocations in the second pass";
}

}  // namespace
