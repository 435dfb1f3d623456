// The host's media library: descriptions, metadata, buffers, the allocator and
// samples. Slot numbers in the comments are the positions in each interface's
// table of virtual operations (a virtual destructor counts as one slot); the
// unnamed Reserved operations hold the slots the module never calls.
#pragma once

#include <cstdint>
#include <memory>

#include "host/api.h"

namespace avcore {

class IMediaDesc;
class IMediaBuffer;
class IMediaSample;

// A 16-byte description attribute (attribute 10 / 9).
struct MediaAttr16 {
  uint64_t lo;
  uint64_t hi;
};

class IMediaMetadata {
public:
  virtual ~IMediaMetadata() = default;                                // 0
  virtual void Reserved1() {}                                       // 1
  virtual int32_t AddTag(const char* tag) = 0;                        // 2
  virtual void Reserved3() {}                                       // 3
  virtual int32_t CopyFrom(const IMediaMetadata* other) = 0;          // 4
};

class IMediaDesc {
public:
  virtual ~IMediaDesc() = default;                                    // 0
  virtual void Reserved1() {}                                       // 1
  virtual uint32_t GetFormat() = 0;                                   // 2
  virtual void Reserved3() {}                                       // 3
  virtual void Reserved4() {}                                       // 4
  virtual void Reserved5() {}                                       // 5
  virtual uint32_t GetWidth(int32_t zero) = 0;                        // 6
  virtual void SetSize(uint32_t width, uint32_t height) = 0;          // 7
  virtual uint32_t GetHeight(int32_t zero) = 0;                       // 8
  virtual void SetAttribute9(const MediaAttr16* value) = 0;           // 9
  virtual void GetAttribute10(MediaAttr16* out, int32_t zero) = 0;    // 10
  virtual uint32_t GetAttribute11(int32_t zero) = 0;                  // 11
  virtual void SetAttribute12(uint32_t value) = 0;                    // 12
  virtual uint32_t GetAttribute13(int32_t zero) = 0;                  // 13
  virtual void SetAttribute14(uint32_t value) = 0;                    // 14
  virtual void Reserved15() {}                                      // 15
  virtual void Reserved16() {}                                      // 16
  virtual void Reserved17() {}                                      // 17
  virtual void SetAttribute18(uint32_t value) = 0;                    // 18
  virtual uint32_t GetAttribute19(int32_t zero) = 0;                  // 19
  virtual void SetAttribute20(uint32_t value) = 0;                    // 20
  virtual uint32_t GetAttribute21(int32_t zero) = 0;                  // 21
  virtual void SetAttribute22(uint32_t value) = 0;                    // 22
  virtual uint32_t GetAttribute23(int32_t zero) = 0;                  // 23
  virtual void SetAttribute24(uint32_t value) = 0;                    // 24
  virtual uint32_t GetAttribute25(int32_t zero) = 0;                  // 25
  virtual void Reserved26() {}                                      // 26
  virtual void Reserved27() {}                                      // 27
  virtual void Reserved28() {}                                      // 28
  virtual void Reserved29() {}                                      // 29
  virtual void Reserved30() {}                                      // 30
  virtual void Reserved31() {}                                      // 31
  virtual void Reserved32() {}                                      // 32
  virtual void Reserved33() {}                                      // 33
  virtual void Reserved34() {}                                      // 34
  virtual void Reserved35() {}                                      // 35
  virtual void Reserved36() {}                                      // 36
  virtual void Reserved37() {}                                      // 37
  virtual void Reserved38() {}                                      // 38
  virtual void Reserved39() {}                                      // 39
  virtual uint32_t GetMemoryType() = 0;                               // 40
  virtual void SetMemoryType(uint32_t type) = 0;                      // 41
  virtual void Reserved42() {}                                      // 42
  virtual void Reserved43() {}                                      // 43
  virtual void Reserved44() {}                                      // 44
  virtual void Reserved45() {}                                      // 45
  virtual IMediaMetadata* GetMetadata(int32_t zero) = 0;              // 46
  virtual const IMediaMetadata* GetMetadataConst(int32_t zero) = 0;   // 47
  virtual uint32_t GetAttribute48() = 0;                              // 48
  virtual void SetAttribute49(uint32_t value) = 0;                    // 49
};

class IMediaBuffer {
public:
  static constexpr int kMaxPlanes = 8;
  enum Access : uint32_t { kRead = 0, kWrite = 1 };

  virtual ~IMediaBuffer() = default;                                  // 0
  // The caller zeroes both arrays; 0 means success.
  virtual int32_t Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes],
                       uint32_t access, int32_t zero) = 0;            // 1
  virtual int32_t Unlock() = 0;                                       // 2
  virtual void Reserved3() {}                                       // 3
  virtual void Reserved4() {}                                       // 4
  virtual void Reserved5() {}                                       // 5
  // Borrowed: valid while the buffer lives.
  virtual IMediaDesc* GetDesc(int32_t zero) = 0;                      // 6
  virtual void Reserved7() {}                                       // 7
  // Empty when the buffer has no GPU storage.
  virtual void GetGpuResource(std::shared_ptr<void>* out, int32_t zero1,
                              int32_t zero2) = 0;                     // 8
};

class IMediaAllocator {
public:
  virtual ~IMediaAllocator() = default;                               // 0
  virtual void Allocate(std::shared_ptr<IMediaBuffer>* out, IMediaDesc* desc, int32_t zero1,
                        int32_t zero2) = 0;                           // 1
};

class IMediaSample {
public:
  virtual ~IMediaSample() = default;                                  // 0
  virtual void Clone(std::shared_ptr<IMediaSample>* out, int32_t zero) = 0;  // 1
  virtual int64_t GetPts() = 0;                                       // 2
  virtual void SetPts(int64_t pts) = 0;                               // 3
  virtual void Reserved4() {}                                       // 4
  virtual void Reserved5() {}                                       // 5
  virtual int64_t GetDuration() = 0;                                  // 6
  virtual void SetDuration(int64_t duration) = 0;                     // 7
  virtual void Reserved8() {}                                       // 8
  virtual void GetBuffer(std::shared_ptr<IMediaBuffer>* out, int32_t zero1,
                         int32_t zero2) = 0;                          // 9
  virtual void SetBuffer(std::shared_ptr<IMediaBuffer> buffer) = 0;   // 10
};

// A new sample without a buffer; the status pointer may be null.
HOST_MEDIA_API std::shared_ptr<IMediaSample> OVKAvCoreMediaSampleCreate(int* status);

}  // namespace avcore

// A new description of the given pixel format, or null. The outer arguments
// are always 1 and 0.
extern "C" HOST_MEDIA_API avcore::IMediaDesc* OVKAvCoreMediaDescCreateEx(int32_t kind,
                                                                         uint32_t format,
                                                                         int32_t flags);
// Disposes of a description made above and nulls the pointer.
extern "C" HOST_MEDIA_API void OVKAvCoreMediaDescDestroy(avcore::IMediaDesc** desc);
// Stores the process-wide default allocator through out (borrowed), or leaves it null.
extern "C" HOST_MEDIA_API void OVKAvCoreDefaultAllocatorAcquire(avcore::IMediaAllocator** out);
