// The blending frame source of mode 1 and the frame blending that
// it hands to the host's visual-processing service.
#pragma once

#include <cstdint>
#include <memory>

#include "frameinterpimpl.h"
#include "host/media.h"
#include "host/service.h"
#include "service_session_ref.h"

namespace frameinterp {

// Keeps the two upstream frames that enclose the requested time, passes a
// neighbour through when the time lies on it, and otherwise has the host blend
// the neighbours in proportion to where the time lies between them. Upstream
// frames come only from the base's FrameSourceImpl::GetFrame.
class FrameSourceBlendingImpl : public FrameSourceImpl {
public:
  // Right-neighbour fetches in one request before giving up.
  static constexpr int32_t kMaxNextFetches = 10;

  // The base takes both arguments; then the visual-processing service and the
  // GPU service are acquired, each with one session. Nothing is reported here.
  FrameSourceBlendingImpl(std::shared_ptr<IFrameProvider> provider, bool use_gpu_effect);
  // Releases the GPU session, then the visual-processing session, then drops
  // the held frames; the allocator is borrowed and not released.
  ~FrameSourceBlendingImpl() override;

  SamplePtr GetFrame(int64_t pts, uint32_t flags) override;

  // The in-between frame of the neighbours at num / gap: a new
  // sample (also stored in blending_frame_), the left sample itself on a
  // fallback, or empty on bad input. Sets neither time nor duration.
  SamplePtr Blending(SamplePtr left, SamplePtr right, int64_t num, int64_t gap);

protected:
  // GetDuration of the sample, or frame_duration_ when that is 0.
  int64_t DurationOf(const SamplePtr& sample) const;
  // Replaces prev_frame_ by its clone, whose time and duration the source may
  // set without touching the host's sample.
  void CloneLeftNeighbour();

  SamplePtr prev_frame_;      // left neighbour: at or before the last requested time
  SamplePtr next_frame_;      // right neighbour: the first upstream frame after the left
  SamplePtr blending_frame_;  // the last answer given
  int64_t blending_pts_ = kNoTime;
  avcore::IMediaAllocator* allocator_ = nullptr;  // borrowed, acquired by the first blend
  ServiceSessionRef<service::IVisualProcess> visual_process_;
  ServiceSessionRef<service::gpu::gpu_session> gpu_session_;

private:
  // Writes the picture of `buffer` (height taken from its description) to "dump.yuv".
  static void DumpPicture(const std::shared_ptr<avcore::IMediaBuffer>& buffer);
};

// Metadata of the source buffer's description into the destination's, plus the tag "Blank".
void CopyMetadata(std::shared_ptr<avcore::IMediaBuffer> source,
                  std::shared_ptr<avcore::IMediaBuffer> destination);
// Attribute 19 into 18 and, when both descriptions' attribute 48 agree, 25, 21
// and 23 into 24, 20 and 22.
void CopyAttributes(std::shared_ptr<avcore::IMediaBuffer> source,
                    std::shared_ptr<avcore::IMediaBuffer> destination);
// CopyMetadata, then CopyAttributes.
void CopyFrameProperties(std::shared_ptr<avcore::IMediaBuffer> source,
                         std::shared_ptr<avcore::IMediaBuffer> destination);

}  // namespace frameinterp
