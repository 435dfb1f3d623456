// The interpolation session and the frame-source framework: the base source
// that reads the upstream provider, and the optical-flow placeholder.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>

#include "frame_source.h"
#include "host/frame_provider.h"
#include "host/service.h"
#include "tick_math.h"

namespace frameinterp {

// Reads frames from the upstream provider and answers with the upstream frame
// that covers the requested time. It keeps the last frame read, so a run of
// forward requests steps through the stream instead of seeking.
class FrameSourceImpl : public IFrameSourceInternal {
public:
  // A forward search gives up after this many frames or this much time.
  static constexpr int32_t kMaxForwardSteps = 1000;
  static constexpr int64_t kForwardTimeLimitNs = 5'001'000'000;
  // Requests less than this many frame durations ahead step instead of seeking.
  static constexpr uint32_t kReuseWindowFrames = 16;
  // Tolerance in ticks of the "same frame time" tests.
  static constexpr int64_t kTimeSlack = 100;

  FrameSourceImpl(std::shared_ptr<IFrameProvider> provider, bool use_gpu_effect);
  ~FrameSourceImpl() override;
  FrameSourceImpl(const FrameSourceImpl&) = delete;
  FrameSourceImpl& operator=(const FrameSourceImpl&) = delete;

  SamplePtr GetFrame(int64_t pts, uint32_t flags) override;

protected:
  int64_t frame_rate_num_ = 0;
  int64_t frame_rate_den_ = 0;
  int64_t frame_duration_ = 0;  // 0 when the provider's rate is unknown
  uint32_t provider_info_ = 0;
  bool use_gpu_effect_ = false;

private:
  // Drops the held frame when the scope ends by an exception.
  class ForgetFrameOnThrow {
  public:
    explicit ForgetFrameOnThrow(FrameSourceImpl& source)
        : source_(source), exceptions_(std::uncaught_exceptions()) {}
    ~ForgetFrameOnThrow();
    ForgetFrameOnThrow(const ForgetFrameOnThrow&) = delete;
    ForgetFrameOnThrow& operator=(const ForgetFrameOnThrow&) = delete;

  private:
    FrameSourceImpl& source_;
    int exceptions_;
  };

  void TakeFrame(SamplePtr frame);
  SamplePtr StepForward(int64_t pts, int32_t* status);

  std::shared_ptr<IFrameProvider> provider_;
  SamplePtr current_frame_;
  int64_t current_pts_ = kNoTime;
  int64_t current_duration_ = 0;
};

// Holds the place of an optical-flow interpolator; answers every request
// with no frame and never reads the provider.
class FrameSourceOpticalFlowImpl final : public FrameSourceImpl {
public:
  using FrameSourceImpl::FrameSourceImpl;
  SamplePtr GetFrame(int64_t pts, uint32_t flags) override;
};

// One frame-interpolation session: builds the frame source of its mode, keeps
// it between requests and forwards each request to it.
class FrameInterpImpl final : public service::IFrameInterp, public service::ISession {
public:
  FrameInterpImpl();
  ~FrameInterpImpl() override;
  FrameInterpImpl(const FrameInterpImpl&) = delete;
  FrameInterpImpl& operator=(const FrameInterpImpl&) = delete;

  int32_t Operation1() override;
  void Operation2() override;
  int32_t SetProvider(std::shared_ptr<IFrameProvider> provider) override;
  void SetMode(uint32_t mode) override;
  int32_t SetOption(const char* key, const core::ValAny* value) override;
  SamplePtr GetFrame(int64_t pts, uint32_t flags) override;

private:
  std::shared_ptr<IFrameSourceInternal> GetFrameSource();

  uint32_t mode_ = 0;
  std::shared_ptr<IFrameProvider> provider_;
  std::shared_ptr<IFrameSourceInternal> frame_source_;
  bool use_gpu_effect_ = false;
  bool rebuild_pending_ = false;
};

}  // namespace frameinterp
