// The slot order of every host interface is a binary contract with the host:
// each operation must sit at the slot number that the host calls. Slots are
// counted as the 64-bit Windows ABI counts them (a virtual destructor is one
// slot). With GCC and Clang (Itanium ABI) a pointer to a virtual member
// function holds 1 + the byte offset of its vtable entry, and a virtual
// destructor takes two entries; the test converts between the two.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "frame_source.h"
#include "host/frame_provider.h"
#include "host/media.h"
#include "host/service.h"

namespace {

#if defined(__GNUC__) && !defined(_MSC_VER)

template <typename Method>
std::ptrdiff_t ItaniumEntry(Method method) {
  struct Representation {
    uintptr_t ptr;
    std::ptrdiff_t adj;
  } rep;
  static_assert(sizeof(Method) == sizeof(Representation));
  std::memcpy(&rep, &method, sizeof rep);
  EXPECT_EQ(rep.ptr & 1u, 1u) << "not a virtual operation";
  return static_cast<std::ptrdiff_t>((rep.ptr - 1) / sizeof(void*));
}

// The Windows slot of a method of an interface whose destructor sits at
// `destructor_slot`.
template <typename Method>
std::ptrdiff_t Slot(Method method, int destructor_slot) {
  const std::ptrdiff_t entry = ItaniumEntry(method);
  return entry > destructor_slot ? entry - 1 : entry;
}

// A class that adds one virtual operation after all of an interface's: its
// slot is the interface's slot count, which proves that the interface has no
// slots beyond those listed (and that its destructor takes exactly one).
template <typename Interface>
struct Extended : Interface {
  virtual void Appended() {}
};

#define EXPECT_SLOT(Interface, Method, slot, dtor) \
  EXPECT_EQ(Slot(&Interface::Method, dtor), slot) << #Interface "::" #Method

#define EXPECT_SLOT_COUNT(Interface, count, dtor)                          \
  do {                                                                     \
    static_assert(std::has_virtual_destructor_v<Interface>);               \
    EXPECT_EQ(Slot(&Extended<Interface>::Appended, dtor), count) << #Interface; \
  } while (0)

TEST(InterfaceSlots, MediaLibrary) {
  using avcore::IMediaMetadata;
  EXPECT_SLOT(IMediaMetadata, AddTag, 2, 0);
  EXPECT_SLOT(IMediaMetadata, CopyFrom, 4, 0);
  EXPECT_SLOT_COUNT(IMediaMetadata, 5, 0);

  using avcore::IMediaDesc;
  EXPECT_SLOT(IMediaDesc, GetFormat, 2, 0);
  EXPECT_SLOT(IMediaDesc, GetWidth, 6, 0);
  EXPECT_SLOT(IMediaDesc, SetSize, 7, 0);
  EXPECT_SLOT(IMediaDesc, GetHeight, 8, 0);
  EXPECT_SLOT(IMediaDesc, SetAttribute9, 9, 0);
  EXPECT_SLOT(IMediaDesc, GetAttribute10, 10, 0);
  EXPECT_SLOT(IMediaDesc, GetAttribute11, 11, 0);
  EXPECT_SLOT(IMediaDesc, SetAttribute12, 12, 0);
  EXPECT_SLOT(IMediaDesc, GetAttribute13, 13, 0);
  EXPECT_SLOT(IMediaDesc, SetAttribute14, 14, 0);
  EXPECT_SLOT(IMediaDesc, SetAttribute18, 18, 0);
  EXPECT_SLOT(IMediaDesc, GetAttribute19, 19, 0);
  EXPECT_SLOT(IMediaDesc, SetAttribute20, 20, 0);
  EXPECT_SLOT(IMediaDesc, GetAttribute21, 21, 0);
  EXPECT_SLOT(IMediaDesc, SetAttribute22, 22, 0);
  EXPECT_SLOT(IMediaDesc, GetAttribute23, 23, 0);
  EXPECT_SLOT(IMediaDesc, SetAttribute24, 24, 0);
  EXPECT_SLOT(IMediaDesc, GetAttribute25, 25, 0);
  EXPECT_SLOT(IMediaDesc, GetMemoryType, 40, 0);
  EXPECT_SLOT(IMediaDesc, SetMemoryType, 41, 0);
  EXPECT_SLOT(IMediaDesc, GetMetadata, 46, 0);
  EXPECT_SLOT(IMediaDesc, GetMetadataConst, 47, 0);
  EXPECT_SLOT(IMediaDesc, GetAttribute48, 48, 0);
  EXPECT_SLOT(IMediaDesc, SetAttribute49, 49, 0);
  EXPECT_SLOT_COUNT(IMediaDesc, 50, 0);

  using avcore::IMediaAllocator;
  using avcore::IMediaBuffer;
  using avcore::IMediaSample;
  EXPECT_SLOT(IMediaBuffer, Lock, 1, 0);
  EXPECT_SLOT(IMediaBuffer, Unlock, 2, 0);
  EXPECT_SLOT(IMediaBuffer, GetDesc, 6, 0);
  EXPECT_SLOT(IMediaBuffer, GetGpuResource, 8, 0);
  EXPECT_SLOT_COUNT(IMediaBuffer, 9, 0);

  EXPECT_SLOT(IMediaAllocator, Allocate, 1, 0);
  EXPECT_SLOT_COUNT(IMediaAllocator, 2, 0);

  EXPECT_SLOT(IMediaSample, Clone, 1, 0);
  EXPECT_SLOT(IMediaSample, GetPts, 2, 0);
  EXPECT_SLOT(IMediaSample, SetPts, 3, 0);
  EXPECT_SLOT(IMediaSample, GetDuration, 6, 0);
  EXPECT_SLOT(IMediaSample, SetDuration, 7, 0);
  EXPECT_SLOT(IMediaSample, GetBuffer, 9, 0);
  EXPECT_SLOT(IMediaSample, SetBuffer, 10, 0);
  EXPECT_SLOT_COUNT(IMediaSample, 11, 0);
}

TEST(InterfaceSlots, ServiceLibrarySessionProviderAndFrameSource) {
  using service::IService;
  using service::IServiceManager;
  using service::ISession;
  EXPECT_SLOT_COUNT(ISession, 1, 0);

  EXPECT_SLOT(IService, Operation1, 1, 0);
  EXPECT_SLOT(IService, Operation2, 2, 0);
  EXPECT_SLOT(IService, CreateSession, 3, 0);
  EXPECT_SLOT(IService, DestroySession, 4, 0);
  EXPECT_SLOT(IService, Operation5, 5, 0);
  EXPECT_SLOT(IService, Operation6, 6, 0);
  EXPECT_SLOT(IService, Operation7, 7, 0);
  EXPECT_SLOT(IService, Operation8, 8, 0);
  EXPECT_SLOT(IService, Operation9, 9, 0);
  EXPECT_SLOT_COUNT(IService, 10, 0);

  EXPECT_SLOT(IServiceManager, AcquireService, 8, 0);
  EXPECT_SLOT_COUNT(IServiceManager, 9, 0);

  EXPECT_SLOT(service::IVisualProcess, BlendFrames, 41, 0);
  EXPECT_SLOT_COUNT(service::IVisualProcess, 42, 0);

  EXPECT_SLOT(service::gpu::gpu_session, GetGpuKind, 1, 0);
  EXPECT_SLOT_COUNT(service::gpu::gpu_session, 2, 0);

  using service::IFrameInterp;
  EXPECT_SLOT(IFrameInterp, Operation1, 1, 0);
  EXPECT_SLOT(IFrameInterp, Operation2, 2, 0);
  EXPECT_SLOT(IFrameInterp, SetProvider, 3, 0);
  EXPECT_SLOT(IFrameInterp, SetMode, 4, 0);
  EXPECT_SLOT(IFrameInterp, SetOption, 5, 0);
  EXPECT_SLOT(IFrameInterp, GetFrame, 6, 0);
  EXPECT_SLOT_COUNT(IFrameInterp, 7, 0);

  EXPECT_SLOT(IFrameProvider, GetFrameRate, 1, 0);
  EXPECT_SLOT(IFrameProvider, GetInfo, 2, 0);
  EXPECT_SLOT(IFrameProvider, Seek, 3, 0);
  EXPECT_SLOT(IFrameProvider, MoveNext, 4, 0);
  EXPECT_SLOT(IFrameProvider, GetCurrentFrame, 5, 0);
  EXPECT_SLOT_COUNT(IFrameProvider, 6, 0);

  // The frame source has GetFrame before its destructor.
  using frameinterp::IFrameSourceInternal;
  EXPECT_SLOT(IFrameSourceInternal, GetFrame, 0, 1);
  EXPECT_SLOT_COUNT(IFrameSourceInternal, 2, 1);
}

#else
TEST(InterfaceSlots, NeedsItaniumAbi) { GTEST_SKIP() << "the check reads Itanium member pointers"; }
#endif

}  // namespace
