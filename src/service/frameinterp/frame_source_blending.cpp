#include "frame_source_blending.h"

#include <cstdio>
#include <limits>
#include <utility>

#include "debug_switches.h"
#include "format_codes.h"
#include "guids.h"
#include "host/core.h"
#include "log_source.h"
#include "steady_clock.h"

namespace frameinterp {
namespace {

constexpr char kBlendingSourceTag[] = "FrameSourceBlendingImpl";
constexpr char kBlendingTag[] = "FrameSourceBlendingImpl::Blending";
constexpr char kBlendingGpuTag[] = "FrameSourceBlendingImpl::Blending_GPU";
constexpr char kDumpFileName[] = "dump.yuv";

constexpr int64_t kMaxTicks = std::numeric_limits<int64_t>::max();

// Two times match when |a - b|, as a double, is below 100.0. The difference is
// taken exactly in unsigned arithmetic; a double conversion of a difference of
// 100 or more never rounds below 100, so the result is the same.
bool SameFrameTime(int64_t a, int64_t b) {
  const uint64_t difference = a >= b ? static_cast<uint64_t>(a) - static_cast<uint64_t>(b)
                                     : static_cast<uint64_t>(b) - static_cast<uint64_t>(a);
  return difference < static_cast<uint64_t>(FrameSourceImpl::kTimeSlack);
}

// a - b for a >= b, held at the top of the range instead of overflowing.
int64_t SaturatingDistance(int64_t a, int64_t b) {
  const uint64_t distance = static_cast<uint64_t>(a) - static_cast<uint64_t>(b);
  return distance > static_cast<uint64_t>(kMaxTicks) ? kMaxTicks : static_cast<int64_t>(distance);
}

bool KindNeedsGpuStorage(int32_t kind) {
  return kind == 0 || kind == 1 || kind == 3 || kind == 4 || kind == 5;
}

// Rows of each plane of a picture of the given format and height, chroma
// rows rounded down (format_codes.h).
int32_t PlaneRows(uint32_t format, int plane, int32_t height) {
  if (plane == 0) return height;
  if (format == kFormatPlanar && plane <= 2) return height / 2;
  if (format == kFormatInterleaved && plane == 1) return height / 2;
  return 0;  // not a plane of this format
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

FrameSourceBlendingImpl::FrameSourceBlendingImpl(std::shared_ptr<IFrameProvider> provider,
                                                 bool use_gpu_effect)
    : FrameSourceImpl(std::move(provider), use_gpu_effect) {
  visual_process_.Acquire(OVK_VISUAL_PROCESS_GUID);
  gpu_session_.Acquire(OVK_GPU_UHP_GUID);
}

FrameSourceBlendingImpl::~FrameSourceBlendingImpl() {
  gpu_session_.Release();
  visual_process_.Release();
  // Then the members go in reverse order: blending_frame_, next_frame_,
  // prev_frame_; then the base.
}

int64_t FrameSourceBlendingImpl::DurationOf(const SamplePtr& sample) const {
  const int64_t duration = sample->GetDuration();
  return duration != 0 ? duration : frame_duration_;
}

void FrameSourceBlendingImpl::CloneLeftNeighbour() {
  SamplePtr clone;
  prev_frame_->Clone(&clone, 0);
  if (clone) prev_frame_ = std::move(clone);  // the host promises one
}

// ---------------------------------------------------------------------------
// GetFrame

SamplePtr FrameSourceBlendingImpl::GetFrame(int64_t pts, uint32_t flags) {
  const int64_t t0 = SteadyNowNs();

  // A request at the time of the last answer gets that answer again.
  if (blending_frame_ && SameFrameTime(pts, blending_pts_)) return blending_frame_;

  // The held neighbours' times and durations; an absent one has no time.
  int64_t prev_pts = kNoTime;
  int64_t prev_duration = 0;
  if (prev_frame_) {
    prev_pts = prev_frame_->GetPts();
    prev_duration = DurationOf(prev_frame_);
  }
  int64_t next_pts = kNoTime;
  int64_t next_duration = 0;
  if (next_frame_) {
    next_pts = next_frame_->GetPts();
    next_duration = DurationOf(next_frame_);
  }

  // A request on a neighbour passes it through. An absent neighbour's "no
  // time" is a marker, not a time: a request near minus one hour does not match it.
  if (prev_frame_ && SameFrameTime(pts, prev_pts)) {
    blending_frame_ = prev_frame_;
    blending_pts_ = prev_pts;
    return blending_frame_;
  }
  // A request on the right neighbour passes it through, and it becomes the left one.
  if (next_frame_ && SameFrameTime(pts, next_pts)) {
    prev_frame_ = next_frame_;
    blending_frame_ = prev_frame_;
    blending_pts_ = next_pts;
    next_frame_.reset();
    return blending_frame_;
  }

  // A step backwards or a jump past the right neighbour's span drops the pair
  // and starts again; a request within that span makes the right neighbour the left.
  const auto forget_all = [&] {
    prev_frame_.reset();
    next_frame_.reset();
    blending_frame_.reset();
    prev_pts = next_pts = kNoTime;
    prev_duration = next_duration = 0;
    blending_pts_ = kNoTime;
  };
  const auto shift = [&] {
    prev_frame_ = std::move(next_frame_);
    next_frame_.reset();
    prev_pts = next_pts;
    prev_duration = next_duration;
    next_pts = kNoTime;
    next_duration = 0;
  };
  if (pts < prev_pts) {
    forget_all();  // a step backwards
  } else if (next_pts > prev_pts) {
    const WideTicks next_end = WideTicks(next_pts) + WideTicks(next_duration);
    if (WideTicks(pts) > next_end) {
      forget_all();  // a jump past the right neighbour's span
    } else if (pts > next_pts) {
      shift();  // within the right neighbour's span
    }
  }

  // Fetch the left neighbour when there is none or less than 100 ticks of it
  // remain. An upstream frame on or after the request is the answer as it is.
  // A fetched left neighbour is the host's own sample until it is cloned.
  bool left_is_upstream = false;
  if (!prev_frame_ ||
      WideTicks(pts) > WideTicks(prev_pts) + WideTicks(prev_duration) + WideTicks(-kTimeSlack)) {
    prev_frame_ = FrameSourceImpl::GetFrame(pts, flags);
    if (!prev_frame_) return nullptr;
    left_is_upstream = true;
    prev_pts = prev_frame_->GetPts();
    prev_duration = DurationOf(prev_frame_);
    if (prev_pts > pts || SameFrameTime(pts, prev_pts)) {
      blending_frame_ = prev_frame_;
      blending_pts_ = pts;
      next_frame_.reset();
      return blending_frame_;
    }
  }

  // Fetch right neighbours until one lies after the request, shifting the
  // pair past frames that end before it, and give up after kMaxNextFetches.
  int32_t fetches = 0;
  for (;;) {
    if (!next_frame_) {
      ++fetches;
      CloneLeftNeighbour();
      left_is_upstream = false;
      const int64_t after_prev = SaturatingAdd(prev_pts, prev_duration);
      next_frame_ = FrameSourceImpl::GetFrame(after_prev > pts ? after_prev : pts, flags);
      if (!next_frame_) {  // end of the stream
        blending_frame_ = prev_frame_;
        blending_pts_ = pts;
        return blending_frame_;
      }
      next_pts = next_frame_->GetPts();
      next_duration = DurationOf(next_frame_);
    }
    if (SameFrameTime(pts, next_pts)) {
      prev_frame_ = std::move(next_frame_);
      next_frame_.reset();
      blending_frame_ = prev_frame_;
      blending_pts_ = pts;
      return blending_frame_;
    }
    if (fetches > kMaxNextFetches) {
      prev_frame_ = std::move(next_frame_);
      next_frame_.reset();
      blending_frame_ = prev_frame_;
      blending_pts_ = blending_frame_->GetPts();
      CoreLogPrint(kLogTag, kLogError, "----------------------------- getframe error,pts:%lld",
                   static_cast<long long>(pts));
      return blending_frame_;
    }
    if (pts > next_pts) {
      shift();
      continue;
    }
    break;  // prev_pts <= pts < next_pts
  }

  // The request lies between the neighbours: blend them, and stamp the new
  // frame with the request's time and the distance between the neighbours.
  const int64_t gap = SaturatingDistance(next_pts, prev_pts);
  // The left neighbour is stamped below, so it must be a clone. It is still the
  // host's sample when it was fetched again above while the right one was kept:
  // a neighbour whose span ends well before the right one (a gap beyond the
  // tick range, stamped with the largest duration) or held after a failed fetch.
  if (left_is_upstream) CloneLeftNeighbour();
  prev_frame_->SetDuration(gap);
  const int64_t num = SaturatingDistance(pts, prev_pts);
  if (num > gap) {  // a guard: the loop above leaves num <= gap
    CoreLogPrint(kLogTag, kLogLimit, "----------------------------- ERROR: factor %lld, gap %lld",
                 static_cast<long long>(num), static_cast<long long>(gap));
    return blending_frame_;
  }
  CoreLogPrint(kLogTag, kLogTrace, "try_num %d. pts (%lld, %lld, %lld), factor %f, gap %lld",
               fetches, static_cast<long long>(prev_pts), static_cast<long long>(pts),
               static_cast<long long>(next_pts),
               static_cast<double>(num) / static_cast<double>(gap), static_cast<long long>(gap));

  const int64_t t1 = SteadyNowNs();
  blending_frame_ = Blending(prev_frame_, next_frame_, num, gap);
  blending_pts_ = pts;
  if (!blending_frame_) return blending_frame_;
  blending_frame_->SetPts(pts);
  blending_frame_->SetDuration(DurationOf(prev_frame_));

  if (BlendingTimingSwitch() != 0) {
    const int64_t t2 = SteadyNowNs();
    CoreLogPrint(kBlendingSourceTag, kLogTiming,
                 "------------------FrameInterpolation blending_pts_:%lld,getframe_time %lld, "
                 "blending_time %lld",
                 static_cast<long long>(blending_pts_),
                 static_cast<long long>((t1 - t0) / 1'000'000),
                 static_cast<long long>((t2 - t1) / 1'000'000));
  }
  return blending_frame_;
}

// ---------------------------------------------------------------------------
// Blending

SamplePtr FrameSourceBlendingImpl::Blending(SamplePtr left, SamplePtr right, int64_t num,
                                            int64_t gap) {
  // Both neighbours and both host services must be there.
  if (!left || !right) {
    CoreLogPrint(kBlendingTag, kLogError, "input param is error ");
    return nullptr;
  }
  service::gpu::gpu_session* const gpu = gpu_session_.session();
  if (gpu == nullptr) {
    CoreLogPrint(kBlendingTag, kLogError, "OVK_GPU_UHP_GUID fail");
    return left;
  }
  service::IVisualProcess* const visual = visual_process_.session();
  if (visual == nullptr) {
    CoreLogPrint(kBlendingTag, kLogError, "OVK_VISUAL_PROCESS_GUID fail");
    return left;
  }

  std::shared_ptr<avcore::IMediaBuffer> a;
  std::shared_ptr<avcore::IMediaBuffer> b;
  left->GetBuffer(&a, 0, 0);
  right->GetBuffer(&b, 0, 0);
  if (!a || !b) {
    CoreLogPrint(kBlendingTag, kLogError, "input param is error ");
    return nullptr;
  }

  // Both pictures must agree in size and format. (A buffer without a
  // description cannot be compared either; it falls back the same way.)
  avcore::IMediaDesc* const desc_a = a->GetDesc(0);
  avcore::IMediaDesc* const desc_b = b->GetDesc(0);
  if (desc_a == nullptr || desc_b == nullptr) return left;
  const uint32_t width = desc_a->GetWidth(0);
  const uint32_t height = desc_a->GetHeight(0);
  const uint32_t width_b = desc_b->GetWidth(0);
  const uint32_t height_b = desc_b->GetHeight(0);
  const uint32_t format = desc_a->GetFormat();
  const uint32_t format_b = desc_b->GetFormat();
  if (format != format_b || width != width_b || height != height_b) return left;

  // Some formats in CPU memory are blended into the planar one, and the GPU
  // effect is off for the rest of this source's life.
  uint32_t out_format = format;
  if (blends_into_planar(format) && desc_a->GetMemoryType() == 0) {
    out_format = kFormatPlanar;
    use_gpu_effect_ = false;
  }

  // The output description, disposed of when Blending ends.
  avcore::IMediaDesc* const created = OVKAvCoreMediaDescCreateEx(1, out_format, 0);
  if (created == nullptr) return left;
  const std::shared_ptr<avcore::IMediaDesc> out_desc(created, [](avcore::IMediaDesc* desc) {
    if (desc != nullptr) OVKAvCoreMediaDescDestroy(&desc);
  });
  out_desc->SetSize(width, height);

  // The output description takes over the left picture's metadata and attributes.
  avcore::IMediaMetadata* const out_metadata = out_desc->GetMetadata(0);
  const avcore::IMediaMetadata* const metadata_a = desc_a->GetMetadataConst(0);
  if (out_metadata != nullptr && metadata_a != nullptr) out_metadata->CopyFrom(metadata_a);
  out_desc->SetAttribute14(desc_a->GetAttribute13(0));
  avcore::MediaAttr16 attribute10{};
  desc_a->GetAttribute10(&attribute10, 0);
  out_desc->SetAttribute9(&attribute10);
  out_desc->SetAttribute12(desc_a->GetAttribute11(0));
  out_desc->SetAttribute49(desc_a->GetAttribute48());

  // On these GPU kinds a picture without GPU storage turns the GPU effect off.
  std::shared_ptr<void> gpu_resource;
  a->GetGpuResource(&gpu_resource, 0, 0);
  const int32_t gpu_kind = gpu->GetGpuKind();
  if (KindNeedsGpuStorage(gpu_kind) && !gpu_resource) use_gpu_effect_ = false;

  // GPU memory (1) while the effect is on, else the left picture's memory type.
  out_desc->SetMemoryType(use_gpu_effect_ ? 1u : desc_a->GetMemoryType());

  // The allocator is acquired by the first blend and serves every later one.
  if (allocator_ == nullptr) {
    OVKAvCoreDefaultAllocatorAcquire(&allocator_);
    if (allocator_ == nullptr) {
      CoreLogPrint(kBlendingGpuTag, kLogError, "OVKAvCoreDefaultAllocatorAcquire fail");
      return left;
    }
  }

  std::shared_ptr<avcore::IMediaBuffer> e;
  allocator_->Allocate(&e, out_desc.get(), 0, 0);
  if (!e) return left;

  // The host blends; when it fails, the output carries the left picture.
  const float factor = static_cast<float>(num) / static_cast<float>(gap);
  CopyFrameProperties(a, e);
  if (visual->BlendFrames(a, b, e, factor) != 0) {
    CoreLogPrint(kBlendingTag, kLogError, "FrameInterpolation fail");
    e = a;
  }

  if (BlendingDumpSwitch() != 0) DumpPicture(e);

  // The output goes out in a new sample, which is also the held answer.
  SamplePtr sample = avcore::OVKAvCoreMediaSampleCreate(nullptr);
  if (!sample) return nullptr;
  blending_frame_ = std::move(sample);
  blending_frame_->SetBuffer(std::move(e));
  return blending_frame_;
}

void FrameSourceBlendingImpl::DumpPicture(const std::shared_ptr<avcore::IMediaBuffer>& buffer) {
  uint8_t* planes[avcore::IMediaBuffer::kMaxPlanes] = {};
  int32_t pitches[avcore::IMediaBuffer::kMaxPlanes] = {};
  buffer->Lock(planes, pitches, avcore::IMediaBuffer::kRead, 0);  // the result is not looked at

  if (std::FILE* file = std::fopen(kDumpFileName, "wb+")) {
    // Each plane's size comes from the layout of the locked buffer (its own
    // description's format and height, and the pitches that Lock gave), so the
    // dump never reads past a plane.
    avcore::IMediaDesc* const desc = buffer->GetDesc(0);
    const uint32_t format = desc != nullptr ? desc->GetFormat() : 0;
    const int64_t height = desc != nullptr ? desc->GetHeight(0) : 0;
    const int32_t rows_height =
        height > std::numeric_limits<int32_t>::max() ? 0 : static_cast<int32_t>(height);
    for (int plane = 0; plane < 4; ++plane) {
      const int32_t rows = PlaneRows(format, plane, rows_height);
      if (planes[plane] == nullptr || pitches[plane] <= 0 || rows <= 0) continue;
      const size_t bytes = static_cast<size_t>(pitches[plane]) * static_cast<size_t>(rows);
      std::fwrite(planes[plane], 1, bytes, file);
    }
    std::fclose(file);
  }
  buffer->Unlock();
}

// ---------------------------------------------------------------------------
// Copying frame properties

void CopyMetadata(std::shared_ptr<avcore::IMediaBuffer> source,
                  std::shared_ptr<avcore::IMediaBuffer> destination) {
  if (!source || !destination) return;
  avcore::IMediaDesc* const from = source->GetDesc(0);
  avcore::IMediaDesc* const to = destination->GetDesc(0);
  if (from == nullptr || to == nullptr) return;
  avcore::IMediaMetadata* const metadata = to->GetMetadata(0);
  if (metadata == nullptr) return;
  const avcore::IMediaMetadata* const source_metadata = from->GetMetadataConst(0);
  if (source_metadata != nullptr) metadata->CopyFrom(source_metadata);
  metadata->AddTag("Blank");
}

void CopyAttributes(std::shared_ptr<avcore::IMediaBuffer> source,
                    std::shared_ptr<avcore::IMediaBuffer> destination) {
  if (!source || !destination) return;
  avcore::IMediaDesc* const from = source->GetDesc(0);
  avcore::IMediaDesc* const to = destination->GetDesc(0);
  if (from == nullptr || to == nullptr) return;
  const uint32_t source_48 = from->GetAttribute48();
  const uint32_t destination_48 = to->GetAttribute48();
  to->SetAttribute18(from->GetAttribute19(0));
  if (source_48 != destination_48) return;
  const uint32_t attribute25 = from->GetAttribute25(0);
  const uint32_t attribute23 = from->GetAttribute23(0);
  const uint32_t attribute21 = from->GetAttribute21(0);
  to->SetAttribute24(attribute25);
  to->SetAttribute20(attribute21);
  to->SetAttribute22(attribute23);
}

void CopyFrameProperties(std::shared_ptr<avcore::IMediaBuffer> source,
                         std::shared_ptr<avcore::IMediaBuffer> destination) {
  CopyMetadata(source, destination);
  CopyAttributes(std::move(source), std::move(destination));
}

}  // namespace frameinterp
