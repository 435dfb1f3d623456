#include <new>

#include "standin/media.h"

namespace standin {

CpuBuffer::CpuBuffer(const MediaDesc& desc, uint32_t row_padding)
    : desc_(desc),
      layout_(LayoutFor(desc_.GetFormat(), desc_.GetWidth(0), desc_.GetHeight(0))),
      row_padding_(row_padding) {
  size_t total = 0;
  for (int p = 0; p < layout_.plane_count; ++p) {
    offsets_[p] = total;
    total += static_cast<size_t>(stride(p)) * layout_.planes[p].rows;
  }
  data_.assign(total, 0);
  ++Counters().buffers_alive;
}

CpuBuffer::~CpuBuffer() { --Counters().buffers_alive; }

int32_t CpuBuffer::Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t access,
                        int32_t zero) {
  if (!planes || !strides || access > kWrite || zero != 0) return -1;
  for (int p = 0; p < layout_.plane_count; ++p) {
    planes[p] = plane(p);
    strides[p] = static_cast<int32_t>(stride(p));
  }
  ++locks_;
  ++taken_[access];
  return 0;
}

int32_t CpuBuffer::Unlock() {
  int held = locks_.load();
  do {
    if (held == 0) return -1;
  } while (!locks_.compare_exchange_weak(held, held - 1));
  return 0;
}

void CpuBuffer::GetGpuResource(std::shared_ptr<void>* out, int32_t, int32_t) {
  if (out) out->reset();
}

std::shared_ptr<CpuBuffer> MakePicture(uint32_t format, uint32_t width, uint32_t height) {
  MediaDesc desc(format);
  desc.SetSize(width, height);
  return std::make_shared<CpuBuffer>(desc, RowPadding());
}

namespace {

class DefaultAllocator final : public avcore::IMediaAllocator {
public:
  void Allocate(std::shared_ptr<avcore::IMediaBuffer>* out, avcore::IMediaDesc* desc,
                int32_t zero, int32_t zero_too) override {
    if (!out) return;
    out->reset();
    const auto* ours = dynamic_cast<const MediaDesc*>(desc);
    if (Faults().allocate_throws) throw std::bad_alloc();
    if (!ours || zero != 0 || zero_too != 0 || Faults().allocate_fails) return;
    ++Counters().buffers_allocated;
    Counters().set_allocated_tags(ours->metadata().tags());
    *out = std::make_shared<CpuBuffer>(*ours, RowPadding());
  }
};

}  // namespace
}  // namespace standin

extern "C" void OVKAvCoreDefaultAllocatorAcquire(avcore::IMediaAllocator** out) {
  static standin::DefaultAllocator allocator;
  if (!out) return;
  ++standin::Counters().allocator_acquired;
  if (standin::Faults().no_default_allocator) return;
  *out = &allocator;
}
