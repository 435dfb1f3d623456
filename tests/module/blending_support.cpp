#include "blending_support.h"

#include "debug_switches.h"
#include "standin/service_registry.h"

namespace blendtest {

TightPicture::TightPicture(uint32_t format, uint32_t width, uint32_t height,
                           std::vector<standin::PlaneGeometry> planes)
    : desc_(format), geometry_(std::move(planes)) {
  desc_.SetSize(width, height);
  for (size_t p = 0; p < geometry_.size(); ++p) {
    std::vector<uint8_t> bytes(static_cast<size_t>(geometry_[p].row_bytes) * geometry_[p].rows);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i + 40 * p);
    planes_.push_back(std::move(bytes));
  }
}

int32_t TightPicture::Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t,
                           int32_t) {
  for (size_t p = 0; p < planes_.size(); ++p) {
    planes[p] = planes_[p].data();
    strides[p] = static_cast<int32_t>(geometry_[p].row_bytes);
  }
  return 0;
}

std::vector<uint8_t> TightPicture::Bytes() const {
  std::vector<uint8_t> bytes;
  for (const std::vector<uint8_t>& plane : planes_) {
    bytes.insert(bytes.end(), plane.begin(), plane.end());
  }
  return bytes;
}

namespace {

// Everything a test may have changed, back to its default.
void ResetHost() {
  standin::UnregisterAllServices();
  standin::SetServiceManagerAvailable(true);
  standin::ResetStandardServices();
  standin::ResetMedia();
  frameinterp::BlendingTimingSwitch() = 0;
  frameinterp::BlendingDumpSwitch() = 0;
}

}  // namespace

void ServicesFixture::SetUp() {
  ResetHost();
  standin::RegisterStandardServices();
  capture_ = std::make_unique<standin::LogCapture>();
}

void ServicesFixture::TearDown() {
  capture_.reset();
  standin::UnregisterAllServices();
  EXPECT_EQ(services().sessions_alive, 0) << "service sessions leaked";
  EXPECT_EQ(services().sessions_abandoned, 0) << "service sessions never handed back";
  EXPECT_EQ(services().unknown_sessions_destroyed, 0)
      << "DestroySession was given a session its service did not create";
  ResetHost();
}

}  // namespace blendtest
