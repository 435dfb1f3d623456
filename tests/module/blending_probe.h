// A blending source whose held state tests can read, and a fixture that
// builds one over a scripted provider.
#pragma once

#include <memory>
#include <vector>

#include "blending_support.h"

namespace blendtest {

class ProbedBlending : public frameinterp::FrameSourceBlendingImpl {
public:
  using FrameSourceBlendingImpl::FrameSourceBlendingImpl;
  const SamplePtr& prev() const { return prev_frame_; }
  const SamplePtr& next() const { return next_frame_; }
  const SamplePtr& held() const { return blending_frame_; }
  int64_t blending_pts() const { return blending_pts_; }
  bool use_gpu_effect() const { return use_gpu_effect_; }
  avcore::IMediaAllocator* allocator() const { return allocator_; }
  const frameinterp::ServiceSessionRef<service::IVisualProcess>& visual() const {
    return visual_process_;
  }
  const frameinterp::ServiceSessionRef<service::gpu::gpu_session>& gpu() const {
    return gpu_session_;
  }
};

class BlendingFixture : public ServicesFixture {
protected:
  void TearDown() override {
    source.reset();
    ServicesFixture::TearDown();
  }

  void Use(FrameRate rate, std::vector<standin::ScriptedFrame> frames,
           bool use_gpu_effect = false) {
    provider = std::make_shared<standin::ScriptedProvider>(rate, std::move(frames));
    source = std::make_unique<ProbedBlending>(provider, use_gpu_effect);
    provider->ResetCalls();
  }

  // The provider calls of one request.
  standin::ProviderCalls Request(int64_t pts, SamplePtr* out, uint32_t flags = 0) {
    provider->ResetCalls();
    *out = source->GetFrame(pts, flags);
    return provider->calls();
  }

  std::shared_ptr<standin::ScriptedProvider> provider;
  std::unique_ptr<ProbedBlending> source;
};

}  // namespace blendtest
