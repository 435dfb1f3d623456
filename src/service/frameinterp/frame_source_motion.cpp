#include "frame_source_motion.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "host/core.h"
#include "log_source.h"
#include "motion/copy_planes.h"
#include "motion/inject_frame.h"
#include "motion/scene_cut.h"
#include "motion/synthesize_frame.h"
#include "motion/working_frame.h"
#include "steady_clock.h"

namespace frameinterp {
namespace {

constexpr char kMotionTag[] = "FrameSourceMotionImpl";

constexpr int32_t kBitDepth = 8;

long long WholeMs(int64_t from_ns, int64_t to_ns) {
  return static_cast<long long>((to_ns - from_ns) / 1'000'000);
}

// Two times are the same frame time when they differ by less than 100 ticks.
bool IsNear(int64_t pts, int64_t x) {
  constexpr int64_t slack = FrameSourceImpl::kTimeSlack;
  return WideTicks(pts) < WideTicks(x) + WideTicks(slack) &&
         WideTicks(x) < WideTicks(pts) + WideTicks(slack);
}

// The sample's picture description (borrowed; valid while the sample lives),
// or null when it has no buffer or the buffer no description.
avcore::IMediaDesc* PictureDesc(const SamplePtr& sample) {
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  sample->GetBuffer(&buffer, 0, 0);
  return buffer ? buffer->GetDesc(0) : nullptr;
}

// A picture size that the working frames can take (i32 width and height).
bool SizeOf(avcore::IMediaDesc* desc, int32_t* width, int32_t* height) {
  const uint32_t w = desc->GetWidth(0), h = desc->GetHeight(0);
  constexpr auto kMax = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
  if (w > kMax || h > kMax) return false;
  *width = static_cast<int32_t>(w);
  *height = static_cast<int32_t>(h);
  return true;
}

// Copies the frame's picture (for 4-byte pixels, the plane of pixels) into
// host planes of the output layout.
void CopyPicture(const MIFrame& frame, uint8_t* const planes[], const int32_t strides[]) {
  const int32_t first = has_packed_pixels(frame.format) ? kPackedPlane : 0;
  copy_planes(frame.format, frame.height, frame.data + first, frame.linesize + first, planes, strides);
}

// Whether a picture of the description has the frame's size and format.
bool SameLayout(avcore::IMediaDesc& desc, const MIFrame& frame) {
  return desc.GetWidth(0) == static_cast<uint32_t>(frame.width) &&
         desc.GetHeight(0) == static_cast<uint32_t>(frame.height) &&
         desc.GetFormat() == static_cast<uint32_t>(frame.format);
}

}  // namespace

FrameSourceMotionImpl::FrameSourceMotionImpl(std::shared_ptr<IFrameProvider> provider,
                                             bool use_gpu, const MotionSettings& settings)
    : FrameSourceImpl(std::move(provider), use_gpu), out_frame_(empty_frame()) {
  for (MIFrame& frame : work_frames_) frame = empty_frame();
  for (MIFrame& set : plane_sets_) set = empty_frame();
  mi_ctx_ = std::make_shared<MIContext>();
  configure(*mi_ctx_, settings);
}

FrameSourceMotionImpl::~FrameSourceMotionImpl() {
  FreePlaneSets();
  free_planes(&out_frame_);
  destroy(mi_ctx_);
  result_.reset();
  out_sample_.reset();
  mi_ctx_.reset();
}

SamplePtr FrameSourceMotionImpl::GetFrame(int64_t pts, uint32_t flags) {
  // Without a known frame duration the stream cannot be stepped through.
  if (frame_duration_ <= 0) return FrameSourceImpl::GetFrame(pts, flags);

  const int64_t t0 = SteadyNowNs();
  if (result_ && IsNear(pts, result_->GetPts())) return result_;

  for (const MIFrame& slot : work_frames_) {
    if (slot.pts == kNoTime || !out_sample_) break;
    if (IsNear(pts, slot.pts)) {
      CopyOut(slot, out_sample_);
      result_ = out_sample_;
      return result_;
    }
  }

  const MIFrameSlot* window = mi_ctx_->frames;
  // The window fills from frames[3] down: while it fills after a restart its
  // oldest frame is in the first slot that holds one.
  const MIFrameSlot* oldest =
      std::find_if(window, window + kRingSize, [](const MIFrameSlot& slot) { return slot.frame; });
  const int64_t lo = oldest != window + kRingSize ? oldest->frame->pts : kNoTime;
  const int64_t hi = window[3].frame ? window[3].frame->pts : kNoTime;
  const int64_t t1 = SteadyNowNs();

  SamplePtr sample;
  // An empty window restarts at any time, the "no time" marker's included.
  if (!window[3].frame || pts < lo || pts > hi) {
    ReleaseWindow();
    const int64_t ta = SteadyNowNs();
    sample = FrameSourceImpl::GetFrame(pts, flags);
    if (!sample) return nullptr;
    const int64_t tb = SteadyNowNs();
    const bool usable = StartWindow(sample);
    CoreLogPrint(kMotionTag, kLogError, "*******************FrameSourceImpl::GetFrame %lld",
                 WholeMs(ta, tb));
    // A picture the pipeline cannot take: the frame that covers pts instead.
    if (!usable) return Unsynthesised(sample);
  }

  const int64_t t2 = SteadyNowNs();
  int64_t cur = pts;
  bool skipped_to_end = false;
  for (;;) {
    if (sample) {
      const int64_t sp = sample->GetPts();
      // A frame that fills the whole window already (one lasting many
      // nominal durations) is not pushed again: more copies would change
      // nothing but cost an estimation each. The stream goes on after it.
      const bool fills_window = WindowHoldsOnly(sp);
      if (!fills_window && !PushIntoWindow(sample)) {
        // A picture the working frames cannot take (another size or format,
        // rows they cannot hold, or none). A window just started for it
        // cannot run at all: the frame that covers pts answers.
        if (!window[3].frame) return Unsynthesised(sample);
        // After the request: at the working layout the stream ends before
        // it, so the request is answered as at the end of the stream, with
        // the window frame that covers it. Never with the later picture.
        if (sp > pts && !IsNear(pts, sp)) {
          if (SamplePtr covering = LatestWindowFrameAt(pts)) return covering;
        }
        // The stream changed size or format at the request: start the window
        // over at this picture.
        ReleaseWindow();
        if (!StartWindow(sample) || !PushIntoWindow(sample)) return Unsynthesised(sample);
      }
      if (sp > cur || IsNear(pts, sp)) {
        result_ = sample;  // the upstream frame itself is the answer
        return result_;
      }
      if (fills_window) {
        // Once past the frame's own end; met again there, it is the last
        // frame of the stream (or its duration says nothing).
        const int64_t end = SaturatingAdd(sp, sample->GetDuration());
        if (skipped_to_end || end <= cur) return LatestWindowFrameAt(pts);
        skipped_to_end = true;
        cur = end;
        sample = FrameSourceImpl::GetFrame(cur, flags);
        if (!sample) return LatestWindowFrameAt(pts);
        continue;
      }
      if (cur > std::numeric_limits<int64_t>::max() - frame_duration_) {
        return LatestWindowFrameAt(pts);
      }
      cur += frame_duration_;
    }
    if (window[0].frame && pts <= window[2].frame->pts) break;
    sample = FrameSourceImpl::GetFrame(cur, flags);
    // The stream has ended before the window could enclose pts.
    if (!sample) return LatestWindowFrameAt(pts);
  }

  const int64_t t3 = SteadyNowNs();
  out_frame_.pts = pts;
  SynthesiseOut();
  const int64_t t4 = SteadyNowNs();
  CoreLogPrint(kMotionTag, kLogError,
               "------------------FrameInterpolation  elap0 %lld,elap1 %lld,elap2 %lld,elap3 %lld",
               WholeMs(t0, t1), WholeMs(t1, t2), WholeMs(t2, t3), WholeMs(t3, t4));
  result_ = out_sample_;
  return result_;
}

void FrameSourceMotionImpl::ReleaseWindow() {
  destroy(mi_ctx_);
  for (MIFrame& frame : work_frames_) frame.pts = frame.duration = kNoTime;
  result_.reset();
}

void FrameSourceMotionImpl::FreeFrames() {
  FreePlaneSets();
  free_planes(&out_frame_);
  out_sample_.reset();
}

void FrameSourceMotionImpl::FreePlaneSets() {
  for (MIFrame& set : plane_sets_) free_planes(&set);
  for (MIFrame& frame : work_frames_) frame = empty_frame();
}

bool FrameSourceMotionImpl::StartWindow(const SamplePtr& sample) {
  avcore::IMediaDesc* desc = PictureDesc(sample);
  if (!desc) return false;
  // The planes and the output sample of the last window serve a picture of
  // the same layout again, unless the host still refers to that sample or to
  // its picture (an answer it kept must not change under its hands).
  if (!SameLayout(*desc, work_frames_[0]) || !OutputSampleHeldHereOnly()) FreeFrames();
  if (!AllocateFrames(desc) || !SameLayout(*desc, work_frames_[0])) return false;
  next_slot_ = 0;
  WorkingLayout layout;
  working_layout(out_frame_.format, out_frame_.width, out_frame_.height, &layout);
  mi_ctx_->format = out_frame_.format;
  return reset_input(mi_ctx_, layout.context_planes, out_frame_.width, out_frame_.height,
                     layout.chroma_shift_w, layout.chroma_shift_h, kBitDepth) == 0;
}

bool FrameSourceMotionImpl::OutputSampleHeldHereOnly() const {
  if (out_sample_.use_count() != 1) return false;
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  out_sample_->GetBuffer(&buffer, 0, 0);
  return buffer.use_count() == 2;  // the sample's reference and this one
}

bool FrameSourceMotionImpl::PushIntoWindow(const SamplePtr& sample) {
  const bool twice = !mi_ctx_->frames[3].frame;
  if (twice && PushFrame(sample) == kPictureRefused) return false;
  return PushFrame(sample, twice) != kPictureRefused;
}

SamplePtr FrameSourceMotionImpl::LatestWindowFrameAt(int64_t pts) {
  const MIFrame* latest = nullptr;
  for (const MIFrameSlot& slot : mi_ctx_->frames) {
    const MIFrame* frame = slot.frame;
    if (frame && frame->pts <= pts && (!latest || frame->pts > latest->pts)) latest = frame;
  }
  if (!latest || !out_sample_) return nullptr;
  CopyOut(*latest, out_sample_);
  result_ = out_sample_;
  return result_;
}

bool FrameSourceMotionImpl::WindowHoldsOnly(int64_t pts) const {
  for (const MIFrameSlot& slot : mi_ctx_->frames) {
    if (!slot.frame || slot.frame->pts != pts) return false;
  }
  return true;
}

SamplePtr FrameSourceMotionImpl::Unsynthesised(const SamplePtr& sample) {
  uint32_t width = 0, height = 0, format = 0;
  if (avcore::IMediaDesc* desc = PictureDesc(sample)) {
    width = desc->GetWidth(0);
    height = desc->GetHeight(0);
    format = desc->GetFormat();
  }
  CoreLogPrint(kMotionTag, kLogError,
               "motion interpolation cannot run on a %ux%u picture of format %u: answering with "
               "the upstream frame at %lld",
               width, height, format, static_cast<long long>(sample->GetPts()));
  return sample;
}

bool FrameSourceMotionImpl::AllocateFrames(avcore::IMediaDesc* desc) {
  if (out_sample_) return true;
  // Planes left by an allocation that threw half-way are freed first.
  FreePlaneSets();
  free_planes(&out_frame_);
  int32_t width = 0, height = 0;
  const auto format = static_cast<int32_t>(desc->GetFormat());
  WorkingLayout layout;
  if (!SizeOf(desc, &width, &height) || !working_layout(format, width, height, &layout)) {
    return false;
  }

  const std::shared_ptr<avcore::IMediaDesc> new_desc(
      OVKAvCoreMediaDescCreateEx(1, static_cast<uint32_t>(layout.output_format), 0),
      [](avcore::IMediaDesc* d) {
        if (d) OVKAvCoreMediaDescDestroy(&d);
      });
  if (!new_desc) return false;
  new_desc->SetSize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));

  bool planes_ok = allocate_planes(&out_frame_, format, width, height, layout);
  for (MIFrame& set : plane_sets_) {
    planes_ok = planes_ok && allocate_planes(&set, format, width, height, layout);
  }
  new_desc->SetMemoryType(0);
  avcore::IMediaAllocator* allocator = nullptr;
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  if (planes_ok) OVKAvCoreDefaultAllocatorAcquire(&allocator);
  if (allocator) allocator->Allocate(&buffer, new_desc.get(), 0, 0);
  SamplePtr sample = buffer ? avcore::OVKAvCoreMediaSampleCreate(nullptr) : nullptr;
  if (!sample) {
    FreePlaneSets();
    free_planes(&out_frame_);
    return false;
  }
  for (int32_t i = 0; i < kRingSize; ++i) work_frames_[i] = plane_sets_[i];
  sample->SetBuffer(std::move(buffer));
  out_sample_ = std::move(sample);
  return true;
}

const MIFrame& FrameSourceMotionImpl::PlanesToWrite(uint32_t slot) const {
  // Whether a frame of the window other than the one in `slot` shows the set.
  const auto read_elsewhere = [&](const MIFrame& set) {
    for (const MIFrameSlot& position : mi_ctx_->frames) {
      const MIFrame* frame = position.frame;
      if (frame && frame != &work_frames_[slot] && frame->data[0] == set.data[0]) return true;
    }
    return false;
  };
  for (const MIFrame& set : plane_sets_) {
    if (set.data[0] == work_frames_[slot].data[0] && !read_elsewhere(set)) return set;
  }
  // The other three frames show at most three sets.
  return *std::find_if_not(plane_sets_, plane_sets_ + kRingSize, read_elsewhere);
}

int32_t FrameSourceMotionImpl::PushFrame(SamplePtr sample, bool again) {
  MIFrame& slot = work_frames_[next_slot_];
  if (again) {
    // The same host sample, locked again within this request, holds the
    // same picture and times: they are already in the previous frame.
    slot = work_frames_[(next_slot_ + kRingSize - 1) % kRingSize];
  } else {
    // The slot may still be the window's oldest frame: a refused picture
    // leaves the window as it is.
    MIFrame target = PlanesToWrite(next_slot_);
    if (!CopyIn(std::move(sample), target)) return kPictureRefused;
    slot = target;
  }
  next_slot_ = (next_slot_ + 1) & 3;
  const int32_t r = inject_frame(mi_ctx_, &slot);
  if (r != 0) return r;
  if (mi_ctx_->frames[1].frame) mi_ctx_->scene_cut = check_scene_cut(mi_ctx_) ? 1 : 0;
  return 0;
}

bool FrameSourceMotionImpl::CopyIn(SamplePtr sample, MIFrame& frame) {
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  sample->GetBuffer(&buffer, 0, 0);
  avcore::IMediaDesc* desc = buffer ? buffer->GetDesc(0) : nullptr;
  // Planes of another layout are never read; those of the frame's layout are
  // checked and copied under one Lock.
  if (!desc || !SameLayout(*desc, frame)) return false;
  uint8_t* planes[avcore::IMediaBuffer::kMaxPlanes] = {};
  int32_t strides[avcore::IMediaBuffer::kMaxPlanes] = {};
  if (buffer->Lock(planes, strides, 0, 0) != 0) return false;
  if (!host_planes_fit(frame, planes, strides)) {
    buffer->Unlock();
    return false;
  }
  frame.pts = sample->GetPts();
  const int64_t duration = sample->GetDuration();
  frame.duration = duration != 0 ? duration : frame_duration_;
  if (has_packed_pixels(frame.format)) {
    copy_planes(frame.format, frame.height, planes, strides, frame.data + kPackedPlane,
                frame.linesize + kPackedPlane);
    derive_packed_luma(&frame);
  } else {
    // The window reads the picture only once the next one has entered.
    stream_planes(frame.format, frame.height, planes, strides, frame.data, frame.linesize);
  }
  buffer->Unlock();
  return true;
}

std::shared_ptr<avcore::IMediaBuffer> FrameSourceMotionImpl::LockOutput(const MIFrame& frame,
                                                                         const SamplePtr& sample,
                                                                         uint8_t* planes[],
                                                                         int32_t strides[]) {
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  sample->GetBuffer(&buffer, 0, 0);
  avcore::IMediaDesc* desc = buffer ? buffer->GetDesc(0) : nullptr;
  if (!desc) return nullptr;
  WorkingLayout layout;
  const uint32_t format = desc->GetFormat();
  // Planes of another layout are never written.
  if (desc->GetWidth(0) != static_cast<uint32_t>(frame.width) ||
      desc->GetHeight(0) != static_cast<uint32_t>(frame.height) ||
      !working_layout(frame.format, frame.width, frame.height, &layout) ||
      format != static_cast<uint32_t>(layout.output_format)) {
    return nullptr;
  }
  sample->SetPts(frame.pts);
  const bool no_duration = frame.duration == 0 || frame.duration == kNoTime;
  sample->SetDuration(no_duration ? frame_duration_ : frame.duration);

  if (buffer->Lock(planes, strides, 1, 0) != 0) return nullptr;
  if (!host_planes_fit(frame, planes, strides)) {
    buffer->Unlock();
    return nullptr;
  }
  return buffer;
}

bool FrameSourceMotionImpl::CopyOut(const MIFrame& frame, SamplePtr sample) {
  uint8_t* planes[avcore::IMediaBuffer::kMaxPlanes] = {};
  int32_t strides[avcore::IMediaBuffer::kMaxPlanes] = {};
  const auto buffer = LockOutput(frame, sample, planes, strides);
  if (!buffer) return false;
  CopyPicture(frame, planes, strides);
  buffer->Unlock();
  return true;
}

void FrameSourceMotionImpl::SynthesiseOut() {
  uint8_t* planes[avcore::IMediaBuffer::kMaxPlanes] = {};
  int32_t strides[avcore::IMediaBuffer::kMaxPlanes] = {};
  const auto buffer = LockOutput(out_frame_, out_sample_, planes, strides);
  // The synthesis writes every sample of its output through the output's own
  // strides and reads only the window frames, so host planes that hold the
  // picture's rows (as LockOutput checked) take it directly. A working frame
  // of packed pixels also carries a derived luma plane that the host's
  // picture does not have: those go through the output working frame.
  if (buffer && !has_packed_pixels(out_frame_.format)) {
    MIFrame host = out_frame_;
    for (int32_t p = 0; p < avcore::IMediaBuffer::kMaxPlanes && out_frame_.data[p]; ++p) {
      host.data[p] = planes[p];
      host.linesize[p] = strides[p];
    }
    synthesize_frame(mi_ctx_, &host);
  } else {
    synthesize_frame(mi_ctx_, &out_frame_);
    if (buffer) CopyPicture(out_frame_, planes, strides);
  }
  if (buffer) buffer->Unlock();
}

}  // namespace frameinterp
