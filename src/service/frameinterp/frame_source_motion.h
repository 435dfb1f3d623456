// The frame source of mode 2: keeps a window of four upstream frames in
// working frames of its own, feeds every new one to the motion-interpolation
// context and synthesises the frame at a requested time between them.
#pragma once

#include <cstdint>
#include <memory>

#include "frameinterpimpl.h"
#include "motion/mi_context.h"

namespace frameinterp {

class FrameSourceMotionImpl final : public FrameSourceImpl {
public:
  FrameSourceMotionImpl(std::shared_ptr<IFrameProvider> provider, bool use_gpu,
                        const MotionSettings& settings = {});
  ~FrameSourceMotionImpl() override;

  // The frame at pts (100-ns ticks): a cached answer, a window frame, an
  // upstream frame at that time, or the frame synthesised between the two
  // window frames around it. Synthesised and window frames come in one
  // sample that every such answer overwrites.
  SamplePtr GetFrame(int64_t pts, uint32_t flags) override;

private:
  static constexpr int32_t kRingSize = 4;

  // Sizes the working frames for the picture of `desc` (borrowed) and makes
  // the output sample; nothing when the output sample exists. False, with
  // nothing allocated, when the size is unusable or an allocation fails.
  bool AllocateFrames(avcore::IMediaDesc* desc);
  // PushFrame's answer for a picture the working frames cannot take.
  static constexpr int32_t kPictureRefused = -1;

  // Writes the sample's picture into the next working frame and injects it;
  // kPictureRefused, with nothing written or injected, when the picture
  // cannot be copied in. With `again`, the sample is the one the previous
  // push has just copied in, and the frame takes that push's planes.
  int32_t PushFrame(SamplePtr sample, bool again = false);
  // A plane set for the working frame in `slot` to be written into, read by
  // no other frame of the window: its own unless another frame shares it.
  const MIFrame& PlanesToWrite(uint32_t slot) const;
  // Copies the picture and its times into the frame, one read Lock of the
  // host's buffer; false, the frame unchanged, when the picture is not of the
  // working frames' size and format, its planes cannot hold their rows, or
  // the Lock fails.
  bool CopyIn(SamplePtr sample, MIFrame& frame);
  // Copies the frame's picture and times into the sample, one write Lock;
  // false, the picture unwritten, when the sample's picture is not of the
  // frame's size and output format, its planes cannot hold the rows, or the
  // Lock fails.
  bool CopyOut(const MIFrame& frame, SamplePtr sample);
  // Stamps the sample with the frame's times and locks its buffer for
  // writing; null, nothing locked, where CopyOut would write nothing.
  std::shared_ptr<avcore::IMediaBuffer> LockOutput(const MIFrame& frame, const SamplePtr& sample,
                                                   uint8_t* planes[], int32_t strides[]);
  // Synthesises the frame at out_frame_.pts into the output sample, as
  // CopyOut of the synthesised frame would give it.
  void SynthesiseOut();

  // Empties the window; the working frames keep their planes and the output
  // sample stays for the next window.
  void ReleaseWindow();
  // Frees the working frames' planes and releases the output sample.
  void FreeFrames();
  // Frees the plane sets and empties the working frames.
  void FreePlaneSets();
  // Sizes the working frames (keeping them for a picture of their layout) and
  // configures the context for the sample's picture; false when the window
  // cannot be used for it.
  bool StartWindow(const SamplePtr& sample);
  // Whether nothing but this source refers to the output sample or to its
  // buffer: no answer the host kept, no clone of it, no buffer taken from it.
  bool OutputSampleHeldHereOnly() const;
  // Pushes the sample, twice into an empty window (the first frame fills two
  // slots); false when its picture is refused.
  bool PushIntoWindow(const SamplePtr& sample);
  // The window frame at or last before pts, through the output sample;
  // empty when there is none.
  SamplePtr LatestWindowFrameAt(int64_t pts);
  // Whether all four window frames are the upstream frame at pts.
  bool WindowHoldsOnly(int64_t pts) const;
  // The upstream sample as the answer where the pipeline cannot run on its
  // picture, with an error line saying so.
  SamplePtr Unsynthesised(const SamplePtr& sample);

  std::shared_ptr<MIContext> mi_ctx_;
  MIFrame out_frame_;
  // The window's working frames, each showing one of the plane sets, which
  // own the planes. The first frame of a window fills two slots: both show
  // one set, so that picture is copied in once, and with four sets for four
  // slots a set read by no frame of the window remains for the next push.
  MIFrame work_frames_[kRingSize];
  MIFrame plane_sets_[kRingSize];
  uint32_t next_slot_ = 0;
  SamplePtr out_sample_;
  SamplePtr result_;
};

}  // namespace frameinterp
