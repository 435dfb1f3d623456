#include "frameinterpimpl.h"

#include <cstring>
#include <exception>
#include <utility>

#include "frame_source_blending.h"
#include "frame_source_motion.h"
#include "host/core.h"
#include "log_source.h"
#include "steady_clock.h"

namespace frameinterp {
namespace {

// Line numbers that the forward-search messages report with the source path.
constexpr int kForwardOverheadLine = 367;
constexpr int kForwardTimeoutLine = 378;

constexpr char kUseGpuEffectKey[] = "UseGpuEffect";

enum Mode : uint32_t { kModeRepeat = 0, kModeBlend = 1, kModeMotion = 2, kModeNone = 3 };

std::shared_ptr<IFrameSourceInternal> MakeFrameSource(uint32_t mode,
                                                      std::shared_ptr<IFrameProvider> provider,
                                                      bool use_gpu_effect) {
  switch (mode) {
    case kModeNone:
      return std::make_shared<FrameSourceOpticalFlowImpl>(std::move(provider), use_gpu_effect);
    case kModeBlend:
      return std::make_shared<FrameSourceBlendingImpl>(std::move(provider), use_gpu_effect);
    case kModeMotion:
      return std::make_shared<FrameSourceMotionImpl>(std::move(provider), use_gpu_effect);
    case kModeRepeat:
    default:
      return std::make_shared<FrameSourceImpl>(std::move(provider), use_gpu_effect);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// FrameSourceImpl

FrameSourceImpl::FrameSourceImpl(std::shared_ptr<IFrameProvider> provider, bool use_gpu_effect)
    : provider_(std::move(provider)) {
  if (!provider_) return;
  const FrameRate rate = provider_->GetFrameRate();
  provider_info_ = provider_->GetInfo();
  frame_rate_num_ = rate.num;
  frame_rate_den_ = rate.den;
  frame_duration_ = NominalFrameDuration(rate.num, rate.den);
  use_gpu_effect_ = use_gpu_effect;
}

// Members go in reverse order: the current frame first, then the provider.
FrameSourceImpl::~FrameSourceImpl() = default;

FrameSourceImpl::ForgetFrameOnThrow::~ForgetFrameOnThrow() {
  if (std::uncaught_exceptions() > exceptions_) {
    source_.current_frame_.reset();
    source_.current_pts_ = kNoTime;
  }
}

void FrameSourceImpl::TakeFrame(SamplePtr frame) {
  current_frame_ = std::move(frame);
  current_pts_ = current_frame_->GetPts();
  const int64_t duration = current_frame_->GetDuration();
  current_duration_ = duration != 0 ? duration : frame_duration_;
}

SamplePtr FrameSourceImpl::GetFrame(int64_t pts, uint32_t flags) {
  if (!provider_) return nullptr;  // nothing to read from
  int32_t status = 0;
  // A provider call that throws may leave the provider on another frame than
  // the one held: the held frame is then forgotten, so the next request seeks.
  const ForgetFrameOnThrow guard(*this);

  // Reuse the current frame for requests from its time up to 16 frame
  // durations ahead; anything else seeks.
  const bool reusable =
      current_frame_ && current_pts_ <= pts &&
      WideTicks(pts) < WideTicks(current_pts_) + WideTicks(frame_duration_).Times(kReuseWindowFrames);
  if (!reusable) {
    current_pts_ = provider_->Seek(pts, flags, &status);
    SamplePtr frame = provider_->GetCurrentFrame(&status);
    if (!frame) return nullptr;
    TakeFrame(std::move(frame));
  }

  // The current frame starts at the request, after it, or at most 100 ticks before it.
  if (WideTicks(current_pts_) >= WideTicks(pts) + WideTicks(-kTimeSlack)) return current_frame_;
  return StepForward(pts, &status);
}

SamplePtr FrameSourceImpl::StepForward(int64_t pts, int32_t* status) {
  const int64_t t0 = SteadyNowNs();
  int32_t steps = 0;
  for (;;) {
    // Done once the current frame reaches at least 100 ticks past the request.
    if (WideTicks(current_pts_) + WideTicks(current_duration_) >=
        WideTicks(pts) + WideTicks(kTimeSlack)) {
      return current_frame_;
    }
    if (provider_->MoveNext(status) != 0) return nullptr;
    SamplePtr frame = provider_->GetCurrentFrame(status);
    if (!frame) return nullptr;
    TakeFrame(std::move(frame));
    ++steps;

    if (steps > kMaxForwardSteps) {
      CoreLogPrint(kLogTag, kLogLimit, "%s(%d) forward overhead (%d)", kLogSourcePath,
                   kForwardOverheadLine, steps);
      current_frame_->SetPts(pts);
      return current_frame_;
    }
    const int64_t elapsed_ns = SteadyNowNs() - t0;
    if (elapsed_ns >= kForwardTimeLimitNs) {
      current_frame_->SetPts(pts);
      CoreLogPrint(kLogTag, kLogLimit, "%s(%d) forward timeout (%lld)", kLogSourcePath,
                   kForwardTimeoutLine, static_cast<long long>(elapsed_ns / 1'000'000));
      return current_frame_;
    }
  }
}

SamplePtr FrameSourceOpticalFlowImpl::GetFrame(int64_t, uint32_t) { return nullptr; }

// ---------------------------------------------------------------------------
// FrameInterpImpl

FrameInterpImpl::FrameInterpImpl() = default;

// Members go in reverse order: the frame source first, then the provider.
FrameInterpImpl::~FrameInterpImpl() = default;

int32_t FrameInterpImpl::Operation1() { return 0; }

void FrameInterpImpl::Operation2() {}

int32_t FrameInterpImpl::SetProvider(std::shared_ptr<IFrameProvider> provider) {
  // A source built earlier keeps the provider it was built with.
  provider_ = std::move(provider);
  return 0;
}

void FrameInterpImpl::SetMode(uint32_t mode) {
  if (mode == mode_) return;
  mode_ = mode;
  frame_source_.reset();
}

int32_t FrameInterpImpl::SetOption(const char* key, const core::ValAny* value) {
  if (key == nullptr || std::strcmp(key, kUseGpuEffectKey) != 0) return 0;
  // A missing value holds no bool either.
  if (value == nullptr || value->tag() != core::ValAny::kBool) throw core::AnyBadAccess();
  const bool use_gpu_effect = value->AsBool();
  if (use_gpu_effect != use_gpu_effect_) {
    use_gpu_effect_ = use_gpu_effect;
    rebuild_pending_ = true;  // the current source serves until the next request
  }
  return 0;
}

std::shared_ptr<IFrameSourceInternal> FrameInterpImpl::GetFrameSource() {
  if (frame_source_ && !rebuild_pending_) return frame_source_;
  // If a constructor throws, the previous source and the pending flag stay.
  frame_source_ = MakeFrameSource(mode_, provider_, use_gpu_effect_);
  rebuild_pending_ = false;
  return frame_source_;
}

SamplePtr FrameInterpImpl::GetFrame(int64_t pts, uint32_t flags) {
  const std::shared_ptr<IFrameSourceInternal> source = GetFrameSource();
  return source->GetFrame(pts, flags);
}

}  // namespace frameinterp
