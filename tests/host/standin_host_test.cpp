// The stand-in host must behave like a real host for the module and the
// harness: it answers only the arguments the host interfaces fix, and it
// keeps the log and the tagged value as the host does.
#include <gtest/gtest.h>

#include <cstring>

#include "host/core.h"
#include "host/media.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/service_registry.h"

namespace {

// The module's tests notice a wrong argument only because these get nothing.
TEST(StandinMedia, ArgumentsOtherThanTheFixedOnesGetNothing) {
  auto picture = standin::MakePicture(1, 8, 4);
  EXPECT_EQ(picture->GetDesc(1), nullptr);
  EXPECT_EQ(picture->GetDesc(0)->GetWidth(1), 0u);
  EXPECT_EQ(picture->GetDesc(0)->GetMetadata(1), nullptr);
  uint8_t* planes[avcore::IMediaBuffer::kMaxPlanes] = {};
  int32_t strides[avcore::IMediaBuffer::kMaxPlanes] = {};
  EXPECT_NE(picture->Lock(planes, strides, avcore::IMediaBuffer::kRead, 1), 0);
  std::shared_ptr<avcore::IMediaSample> clone;
  standin::MakeSample(picture, 10, 20)->Clone(&clone, 1);
  EXPECT_EQ(clone, nullptr);
  EXPECT_EQ(OVKAvCoreMediaDescCreateEx(1, 1, 1), nullptr);
  avcore::IMediaAllocator* allocator = nullptr;
  OVKAvCoreDefaultAllocatorAcquire(&allocator);
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  allocator->Allocate(&buffer, picture->GetDesc(0), 0, 1);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(OVKServiceMrgAcqire(1), nullptr);
}

TEST(StandinCore, LogThresholdAndCapture) {
  standin::LogCapture capture;
  standin::SetLogThreshold(3);
  CoreLogPrint("t", 1, "dropped %d", 1);
  CoreLogPrint("t", 3, "%s(%d) kept", "path", 7);
  standin::SetLogThreshold(0);
  const auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].tag, "t");
  EXPECT_EQ(lines[0].level, 3);
  EXPECT_EQ(lines[0].text, "path(7) kept");
}

TEST(StandinCore, ValAnyLayoutAndBadAccess) {
  const core::ValAny flag(true);
  unsigned char bytes[sizeof(core::ValAny)];
  std::memcpy(bytes, &flag, sizeof bytes);
  uint32_t tag = 0;
  std::memcpy(&tag, bytes + 8, sizeof tag);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(tag, 1u);
  EXPECT_TRUE(flag.AsBool());

  const core::ValAny number(int64_t{5});
  try {
    (void)number.AsBool();
    FAIL() << "no exception";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(), "ValAny Bad Access");
    EXPECT_NE(dynamic_cast<const core::AnyBadAccess*>(&error), nullptr);
  }
}

}  // namespace
