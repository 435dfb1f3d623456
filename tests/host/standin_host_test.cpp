// The stand-in host must behave like a real host for the module and the
// harness: pictures laid out by format, descriptions that keep what is set,
// samples, the service registry, the log and the tagged value.
#include <gtest/gtest.h>

#include <cstring>

#include "host/core.h"
#include "host/media.h"
#include "standin/fixed_service.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/service_registry.h"

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

TEST(StandinMedia, DescriptionsKeepEveryAttributeAndMetadata) {
  avcore::IMediaDesc* desc = OVKAvCoreMediaDescCreateEx(1, 7, 0);
  ASSERT_NE(desc, nullptr);
  desc->SetSize(64, 48);
  desc->SetMemoryType(3);
  const avcore::MediaAttr16 wide{0x1122334455667788u, 0x99AABBCCDDEEFF00u};
  desc->SetAttribute9(&wide);
  desc->SetAttribute12(12);
  desc->SetAttribute14(14);
  desc->SetAttribute18(18);
  desc->SetAttribute20(20);
  desc->SetAttribute22(22);
  desc->SetAttribute24(24);
  desc->SetAttribute49(49);
  avcore::MediaAttr16 read{};
  desc->GetAttribute10(&read, 0);
  EXPECT_EQ(std::memcmp(&read, &wide, sizeof read), 0);
  EXPECT_EQ(desc->GetFormat(), 7u);
  EXPECT_EQ(desc->GetWidth(0), 64u);
  EXPECT_EQ(desc->GetHeight(0), 48u);
  EXPECT_EQ(desc->GetMemoryType(), 3u);
  EXPECT_EQ(desc->GetAttribute11(0), 12u);
  EXPECT_EQ(desc->GetAttribute13(0), 14u);
  EXPECT_EQ(desc->GetAttribute19(0), 18u);
  EXPECT_EQ(desc->GetAttribute21(0), 20u);
  EXPECT_EQ(desc->GetAttribute23(0), 22u);
  EXPECT_EQ(desc->GetAttribute25(0), 24u);
  EXPECT_EQ(desc->GetAttribute48(), 49u);

  desc->GetMetadata(0)->AddTag("Source");
  avcore::IMediaDesc* other = OVKAvCoreMediaDescCreateEx(1, 1, 0);
  other->GetMetadata(0)->CopyFrom(desc->GetMetadataConst(0));
  other->GetMetadata(0)->AddTag("Blank");
  const auto& tags = dynamic_cast<standin::MediaDesc*>(other)->metadata().tags();
  EXPECT_EQ(tags, (std::vector<std::string>{"Source", "Blank"}));

  OVKAvCoreMediaDescDestroy(&desc);
  EXPECT_EQ(desc, nullptr);
  OVKAvCoreMediaDescDestroy(&desc);  // a null pointer is left alone
  OVKAvCoreMediaDescDestroy(&other);
}

TEST(StandinMedia, AllocatorSamplesAndClones) {
  standin::ResetMedia();
  avcore::IMediaAllocator* allocator = nullptr;
  OVKAvCoreDefaultAllocatorAcquire(&allocator);
  ASSERT_NE(allocator, nullptr);
  standin::MediaDesc desc(6);
  desc.SetSize(4, 4);
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  allocator->Allocate(&buffer, &desc, 0, 0);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->GetDesc(0)->GetFormat(), 6u);
  std::shared_ptr<void> gpu = std::make_shared<int>(1);
  buffer->GetGpuResource(&gpu, 0, 0);
  EXPECT_EQ(gpu, nullptr);

  auto sample = avcore::OVKAvCoreMediaSampleCreate(nullptr);
  ASSERT_NE(sample, nullptr);
  sample->SetBuffer(buffer);
  sample->SetPts(100);
  sample->SetDuration(40);
  std::shared_ptr<avcore::IMediaSample> clone;
  sample->Clone(&clone, 0);
  ASSERT_NE(clone, nullptr);
  EXPECT_NE(clone, sample);
  clone->SetDuration(7);
  EXPECT_EQ(sample->GetDuration(), 40);
  EXPECT_EQ(clone->GetPts(), 100);
  std::shared_ptr<avcore::IMediaBuffer> shared;
  clone->GetBuffer(&shared, 0, 0);
  EXPECT_EQ(shared, buffer);

  standin::Faults().no_default_allocator = true;
  avcore::IMediaAllocator* none = nullptr;
  OVKAvCoreDefaultAllocatorAcquire(&none);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(standin::Counters().allocator_acquired, 2);
  standin::ResetMedia();
}

TEST(StandinService, ManagerHandsOutRegisteredServicesByGuid) {
  auto svc = std::make_shared<standin::FixedService>();
  standin::RegisterService("AAAA", svc);
  service::IServiceManager* manager = OVKServiceMrgAcqire(0);
  ASSERT_NE(manager, nullptr);
  std::shared_ptr<service::IService> found;
  manager->AcquireService(&found, "AAAA", 0, 0);
  EXPECT_EQ(found, svc);
  manager->AcquireService(&found, "BBBB", 0, 0);
  EXPECT_EQ(found, nullptr);
  standin::UnregisterService("AAAA");
  manager->AcquireService(&found, "AAAA", 0, 0);
  EXPECT_EQ(found, nullptr);

  standin::SetServiceManagerAvailable(false);
  EXPECT_EQ(OVKServiceMrgAcqire(0), nullptr);
  standin::SetServiceManagerAvailable(true);
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
