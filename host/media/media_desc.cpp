#include "standin/media.h"

namespace standin {

int32_t MediaMetadata::AddTag(const char* tag) {
  if (!tag) return -1;
  tags_.emplace_back(tag);
  return 0;
}

int32_t MediaMetadata::CopyFrom(const avcore::IMediaMetadata* other) {
  const auto* source = dynamic_cast<const MediaMetadata*>(other);
  if (!source) return -1;
  if (source != this) tags_ = source->tags_;
  return 0;
}

MediaDesc::MediaDesc(uint32_t format) : format_(format) {}
MediaDesc::MediaDesc(const MediaDesc& other) = default;
MediaDesc::~MediaDesc() = default;

void MediaDesc::SetSize(uint32_t width, uint32_t height) {
  width_ = width;
  height_ = height;
}

void MediaDesc::SetAttribute9(const avcore::MediaAttr16* value) {
  if (value) attr_10_9_ = *value;
}

void MediaDesc::GetAttribute10(avcore::MediaAttr16* out, int32_t index) {
  if (out) *out = Indexed(index, attr_10_9_);
}

}  // namespace standin

extern "C" avcore::IMediaDesc* OVKAvCoreMediaDescCreateEx(int32_t one, uint32_t format,
                                                           int32_t zero) {
  if (one != 1 || zero != 0 || standin::Faults().desc_create_fails) return nullptr;
  ++standin::Counters().descs_created;
  return new standin::MediaDesc(format);
}

extern "C" void OVKAvCoreMediaDescDestroy(avcore::IMediaDesc** desc) {
  if (!desc || !*desc) return;
  ++standin::Counters().descs_destroyed;
  delete *desc;
  *desc = nullptr;
}
