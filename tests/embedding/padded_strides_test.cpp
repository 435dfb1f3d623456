// Host pictures whose rows are padded beyond their width, from the provider
// and from the host's allocator: every mode answers the same pictures, sample
// for sample, as over packed rows.
#include <gtest/gtest.h>

#include "clip_session.h"
#include "standin/locked_picture.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/standard_services.h"

namespace {

constexpr uint32_t kPadding = 52;

// The stride of a buffer's first plane.
int32_t FirstStride(avcore::IMediaBuffer& buffer) {
  const standin::LockedPicture locked(buffer, avcore::IMediaBuffer::kRead);
  return locked.strides[0];
}

// A buffer that the host's allocator makes for a picture of format 1.
std::shared_ptr<avcore::IMediaBuffer> Allocated(uint32_t width, uint32_t height) {
  avcore::IMediaAllocator* allocator = nullptr;
  OVKAvCoreDefaultAllocatorAcquire(&allocator);
  standin::MediaDesc desc(1);
  desc.SetSize(width, height);
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  allocator->Allocate(&buffer, &desc, 0, 0);
  return buffer;
}

TEST(PaddedStrides, EveryModeAndFormatAnswersAsOverPackedRows) {
  standin::SetLogThreshold(5);
  standin::RegisterStandardServices();
  const golden::Clip clip = embedding::FootageClip("clips/CiscoVT2people_160x96_6fps.y4m");
  for (const uint32_t format : {1u, 6u, 20u}) {
    const auto packed_frames = embedding::TaggedFrames(clip, format);
    standin::SetRowPadding(kPadding);
    const auto padded_frames = embedding::TaggedFrames(clip, format);
    ASSERT_EQ(FirstStride(*Allocated(160, 96)), 160 + kPadding) << "the allocator's rows";
    ASSERT_EQ(FirstStride(*padded_frames[0].picture), (format == 20 ? 4 * 160 : 160) + kPadding)
        << "the provider's rows";
    for (const uint32_t mode : {0u, 1u, 2u}) {
      standin::SetRowPadding(kPadding);
      const auto padded = embedding::AnswerDigests(clip, padded_frames, mode);
      standin::SetRowPadding(0);
      EXPECT_EQ(padded, embedding::AnswerDigests(clip, packed_frames, mode))
          << "mode " << mode << ", format " << format;
    }
  }
  standin::UnregisterStandardServices();
}

}  // namespace
