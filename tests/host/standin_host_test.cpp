// The stand-in host must behave like a real host for the module and the
// harness: pictures laid out by format, the log and the tagged value.
#include <gtest/gtest.h>

#include <cstring>

#include "host/core.h"
#include "host/media.h"
#include "standin/log_control.h"
#include "standin/media.h"

namespace {

TEST(StandinMedia, PicturesAreLaidOutByFormatCode) {
  const standin::PictureLayout i420 = standin::LayoutFor(1, 7, 5);
  ASSERT_EQ(i420.plane_count, 3);
  EXPECT_EQ(i420.planes[0].row_bytes, 7u);
  EXPECT_EQ(i420.planes[1].row_bytes, 4u);
  EXPECT_EQ(i420.planes[2].rows, 3u);

  const standin::PictureLayout nv12 = standin::LayoutFor(6, 8, 6);
  ASSERT_EQ(nv12.plane_count, 2);
  EXPECT_EQ(nv12.planes[1].row_bytes, 8u);
  EXPECT_EQ(nv12.planes[1].rows, 3u);

  const standin::PictureLayout packed = standin::LayoutFor(20, 8, 6);
  ASSERT_EQ(packed.plane_count, 1);
  EXPECT_EQ(packed.planes[0].row_bytes, 32u);

  auto picture = standin::MakePicture(1, 8, 4);
  uint8_t* planes[avcore::IMediaBuffer::kMaxPlanes] = {};
  int32_t strides[avcore::IMediaBuffer::kMaxPlanes] = {};
  ASSERT_EQ(picture->Lock(planes, strides, avcore::IMediaBuffer::kWrite, 0), 0);
  EXPECT_EQ(strides[0], 8);
  EXPECT_EQ(strides[1], 4);
  EXPECT_EQ(planes[3], nullptr);
  EXPECT_EQ(planes[1], planes[0] + 32);
  EXPECT_EQ(picture->Unlock(), 0);
  EXPECT_NE(picture->Unlock(), 0) << "unlock without lock";
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
