// The stand-in media library's concrete objects and its controls for tests:
// what it creates, what it can be made to fail, and what is still alive.
//
// Like a host that reads them as indices into what it has, the objects answer
// only the argument values that the host interfaces fix (the index 0 of the
// getters, the zeros of GetBuffer, Clone, Lock, Allocate and
// OVKAvCoreMediaDescCreateEx, and its leading 1): any other value gets nothing
// (0, null, an empty pointer or a failed call).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/media.h"
#include "standin/plane_layout.h"

namespace standin {

class HOST_MEDIA_API MediaMetadata final : public avcore::IMediaMetadata {
public:
  int32_t AddTag(const char* tag) override;
  int32_t CopyFrom(const avcore::IMediaMetadata* other) override;
  const std::vector<std::string>& tags() const { return tags_; }

private:
  std::vector<std::string> tags_;
};

// Every attribute that the host's descriptions carry, stored and returned.
class HOST_MEDIA_API MediaDesc final : public avcore::IMediaDesc {
public:
  explicit MediaDesc(uint32_t format);
  ~MediaDesc() override;
  MediaDesc(const MediaDesc& other);
  MediaDesc& operator=(const MediaDesc&) = delete;

  uint32_t GetFormat() override { return format_; }
  uint32_t GetWidth(int32_t index) override { return Indexed(index, width_); }
  void SetSize(uint32_t width, uint32_t height) override;
  uint32_t GetHeight(int32_t index) override { return Indexed(index, height_); }
  void SetAttribute9(const avcore::MediaAttr16* value) override;
  void GetAttribute10(avcore::MediaAttr16* out, int32_t) override;
  uint32_t GetAttribute11(int32_t index) override { return Indexed(index, attr_11_12_); }
  void SetAttribute12(uint32_t value) override { attr_11_12_ = value; }
  uint32_t GetAttribute13(int32_t index) override { return Indexed(index, attr_13_14_); }
  void SetAttribute14(uint32_t value) override { attr_13_14_ = value; }
  void SetAttribute18(uint32_t value) override { attr_19_18_ = value; }
  uint32_t GetAttribute19(int32_t index) override { return Indexed(index, attr_19_18_); }
  void SetAttribute20(uint32_t value) override { attr_21_20_ = value; }
  uint32_t GetAttribute21(int32_t index) override { return Indexed(index, attr_21_20_); }
  void SetAttribute22(uint32_t value) override { attr_23_22_ = value; }
  uint32_t GetAttribute23(int32_t index) override { return Indexed(index, attr_23_22_); }
  void SetAttribute24(uint32_t value) override { attr_25_24_ = value; }
  uint32_t GetAttribute25(int32_t index) override { return Indexed(index, attr_25_24_); }
  uint32_t GetMemoryType() override { return memory_type_; }
  void SetMemoryType(uint32_t type) override { memory_type_ = type; }
  avcore::IMediaMetadata* GetMetadata(int32_t index) override {
    return Indexed<avcore::IMediaMetadata*>(index, &metadata_);
  }
  const avcore::IMediaMetadata* GetMetadataConst(int32_t index) override {
    return Indexed<const avcore::IMediaMetadata*>(index, &metadata_);
  }
  uint32_t GetAttribute48() override { return attr_48_49_; }
  void SetAttribute49(uint32_t value) override { attr_48_49_ = value; }

  const MediaMetadata& metadata() const { return metadata_; }

private:
  template <class T>
  static T Indexed(int32_t index, T value) {
    return index == 0 ? value : T{};
  }

  uint32_t format_;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint32_t memory_type_ = 0;
  avcore::MediaAttr16 attr_10_9_{};
  uint32_t attr_11_12_ = 0;
  uint32_t attr_13_14_ = 0;
  uint32_t attr_19_18_ = 0;
  uint32_t attr_21_20_ = 0;
  uint32_t attr_23_22_ = 0;
  uint32_t attr_25_24_ = 0;
  uint32_t attr_48_49_ = 0;
  MediaMetadata metadata_;
};

// A picture in CPU memory, laid out by its description's format code
// (LayoutFor); each row is followed by `row_padding` bytes (0: rows packed).
// Lock and Unlock may be called from several threads at once.
class HOST_MEDIA_API CpuBuffer final : public avcore::IMediaBuffer {
public:
  explicit CpuBuffer(const MediaDesc& desc, uint32_t row_padding = 0);
  ~CpuBuffer() override;

  int32_t Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t access,
               int32_t zero) override;
  int32_t Unlock() override;
  avcore::IMediaDesc* GetDesc(int32_t index) override { return index == 0 ? &desc_ : nullptr; }
  void GetGpuResource(std::shared_ptr<void>* out, int32_t, int32_t) override;

  const PictureLayout& layout() const { return layout_; }
  // The first row of a plane; its rows lie stride(index) bytes apart.
  uint8_t* plane(int index) { return data_.data() + offsets_[index]; }
  uint32_t stride(int index) const { return layout_.planes[index].row_bytes + row_padding_; }
  int lock_count() const { return locks_; }
  // How many Locks for the access (kRead or kWrite) succeeded so far.
  int64_t locks_taken(uint32_t access) const { return access <= kWrite ? taken_[access].load() : 0; }

private:
  MediaDesc desc_;
  PictureLayout layout_;
  uint32_t row_padding_;
  size_t offsets_[4] = {};
  std::vector<uint8_t> data_;
  std::atomic<int> locks_{0};
  std::atomic<int64_t> taken_[kWrite + 1] = {};
};

class HOST_MEDIA_API MediaSample final : public avcore::IMediaSample {
public:
  MediaSample();
  ~MediaSample() override;

  void Clone(std::shared_ptr<avcore::IMediaSample>* out, int32_t zero) override;
  int64_t GetPts() override { return pts_; }
  void SetPts(int64_t pts) override { pts_ = pts; }
  int64_t GetDuration() override { return duration_; }
  void SetDuration(int64_t duration) override { duration_ = duration; }
  void GetBuffer(std::shared_ptr<avcore::IMediaBuffer>* out, int32_t, int32_t) override;
  void SetBuffer(std::shared_ptr<avcore::IMediaBuffer> buffer) override;

private:
  int64_t pts_ = 0;
  int64_t duration_ = 0;
  std::shared_ptr<avcore::IMediaBuffer> buffer_;
};

// A new CPU picture of the given format and size, with a description of its
// own and rows padded by RowPadding().
HOST_MEDIA_API std::shared_ptr<CpuBuffer> MakePicture(uint32_t format, uint32_t width,
                                                      uint32_t height);
// A new sample carrying the picture, with its time and duration.
HOST_MEDIA_API std::shared_ptr<avcore::IMediaSample> MakeSample(
    std::shared_ptr<avcore::IMediaBuffer> picture, int64_t pts, int64_t duration);

// Bytes of padding after every row of the pictures that MakePicture and the
// default allocator make from now on (0 by default: rows packed), as a host
// whose buffers have aligned or padded strides.
HOST_MEDIA_API void SetRowPadding(uint32_t bytes);
HOST_MEDIA_API uint32_t RowPadding();

// Failure switches for tests; all off by default. ResetMedia() switches them
// off, packs rows again and zeroes the counters. Set them while no session is
// at work: they are plain values.
struct MediaFaults {
  bool no_default_allocator = false;  // OVKAvCoreDefaultAllocatorAcquire leaves null
  bool allocate_fails = false;        // Allocate gives an empty buffer
  bool desc_create_fails = false;     // OVKAvCoreMediaDescCreateEx gives null
  bool sample_create_fails = false;   // OVKAvCoreMediaSampleCreate gives empty
  bool allocate_throws = false;       // Allocate throws std::bad_alloc
  bool sample_create_throws = false;  // OVKAvCoreMediaSampleCreate throws std::bad_alloc
};
HOST_MEDIA_API MediaFaults& Faults();

// Counted from every thread.
struct HOST_MEDIA_API MediaCounters {
  std::atomic<int64_t> descs_created{0};    // by OVKAvCoreMediaDescCreateEx
  std::atomic<int64_t> descs_destroyed{0};  // by OVKAvCoreMediaDescDestroy
  std::atomic<int64_t> allocator_acquired{0};
  std::atomic<int64_t> buffers_allocated{0};  // by the default allocator
  std::atomic<int64_t> samples_created{0};    // by OVKAvCoreMediaSampleCreate
  std::atomic<int64_t> buffers_alive{0};      // every CpuBuffer not yet destroyed
  std::atomic<int64_t> samples_alive{0};      // every MediaSample not yet destroyed

  // The metadata tags of the last description allocated.
  std::vector<std::string> allocated_tags() const;
  void set_allocated_tags(const std::vector<std::string>& tags);

private:
  mutable std::mutex tags_mutex_;
  std::vector<std::string> allocated_tags_;
};
HOST_MEDIA_API MediaCounters& Counters();
HOST_MEDIA_API void ResetMedia();

}  // namespace standin
