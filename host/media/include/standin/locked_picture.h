// A host buffer locked for the length of a scope, with its plane pointers and
// strides; unlocked on scope exit when the lock succeeded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/media.h"
#include "standin/plane_layout.h"

namespace standin {

class LockedPicture {
public:
  LockedPicture(avcore::IMediaBuffer& buffer, uint32_t access) : buffer_(buffer) {
    locked_ = buffer_.Lock(planes, strides, access, 0) == 0;
  }
  ~LockedPicture() {
    if (locked_) buffer_.Unlock();
  }
  LockedPicture(const LockedPicture&) = delete;
  LockedPicture& operator=(const LockedPicture&) = delete;

  bool ok() const { return locked_; }

  // Locked, with every plane of the layout present and at least a row wide.
  bool Covers(const PictureLayout& layout) const {
    if (!locked_) return false;
    for (int p = 0; p < layout.plane_count; ++p) {
      if (planes[p] == nullptr || strides[p] < 0 ||
          static_cast<uint32_t>(strides[p]) < layout.planes[p].row_bytes) {
        return false;
      }
    }
    return true;
  }

  // The byte of a plane at a row and a byte offset within it.
  uint8_t At(int plane, uint32_t row, uint32_t x) const {
    return planes[plane][static_cast<size_t>(row) * static_cast<size_t>(strides[plane]) + x];
  }

  uint8_t* planes[avcore::IMediaBuffer::kMaxPlanes] = {};
  int32_t strides[avcore::IMediaBuffer::kMaxPlanes] = {};

private:
  avcore::IMediaBuffer& buffer_;
  bool locked_ = false;
};

}  // namespace standin
