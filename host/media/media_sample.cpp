#include <new>

#include "standin/media.h"

namespace standin {

MediaSample::MediaSample() { ++Counters().samples_alive; }
MediaSample::~MediaSample() { --Counters().samples_alive; }

void MediaSample::Clone(std::shared_ptr<avcore::IMediaSample>* out, int32_t zero) {
  if (!out) return;
  out->reset();
  if (zero != 0) return;
  auto copy = std::make_shared<MediaSample>();
  copy->pts_ = pts_;
  copy->duration_ = duration_;
  copy->buffer_ = buffer_;
  *out = std::move(copy);
}

void MediaSample::GetBuffer(std::shared_ptr<avcore::IMediaBuffer>* out, int32_t zero,
                            int32_t zero_too) {
  if (out) *out = zero == 0 && zero_too == 0 ? buffer_ : nullptr;
}

void MediaSample::SetBuffer(std::shared_ptr<avcore::IMediaBuffer> buffer) {
  buffer_ = std::move(buffer);
}

std::shared_ptr<avcore::IMediaSample> MakeSample(std::shared_ptr<avcore::IMediaBuffer> picture,
                                                 int64_t pts, int64_t duration) {
  auto sample = std::make_shared<MediaSample>();
  sample->SetBuffer(std::move(picture));
  sample->SetPts(pts);
  sample->SetDuration(duration);
  return sample;
}

}  // namespace standin

namespace avcore {

std::shared_ptr<IMediaSample> OVKAvCoreMediaSampleCreate(int* status) {
  if (status) *status = 0;
  if (standin::Faults().sample_create_throws) throw std::bad_alloc();
  if (standin::Faults().sample_create_fails) {
    if (status) *status = -12;
    return nullptr;
  }
  ++standin::Counters().samples_created;
  return std::make_shared<standin::MediaSample>();
}

}  // namespace avcore
