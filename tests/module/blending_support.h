// Test support for the blending source and frame blending: buffers that
// report GPU storage, lack a description or hold planes of exactly their
// rows, and fixtures that give every test the stand-in host's standard
// services, clean switches and a captured log.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "blend_check.h"
#include "frame_source_blending.h"
#include "host/media.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "standin/standard_services.h"

namespace blendtest {

using frameinterp::SamplePtr;

// A buffer that passes everything to an inner buffer, except that it can
// report GPU storage and can have no description.
class WrappedBuffer final : public avcore::IMediaBuffer {
public:
  WrappedBuffer(BufferPtr inner, bool gpu_storage, bool described = true)
      : inner_(std::move(inner)),
        gpu_(gpu_storage ? std::make_shared<int>(1) : nullptr),
        described_(described) {}
  int32_t Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t access,
               int32_t zero) override {
    return inner_->Lock(planes, strides, access, zero);
  }
  int32_t Unlock() override { return inner_->Unlock(); }
  avcore::IMediaDesc* GetDesc(int32_t zero) override {
    return described_ ? inner_->GetDesc(zero) : nullptr;
  }
  void GetGpuResource(std::shared_ptr<void>* out, int32_t, int32_t) override { *out = gpu_; }

private:
  BufferPtr inner_;
  std::shared_ptr<void> gpu_;
  bool described_;
};

// A picture whose planes are separate heap blocks of exactly the given rows,
// so that reading past one is caught by AddressSanitizer. Like the stand-in,
// it has a description only at index 0.
class TightPicture final : public avcore::IMediaBuffer {
public:
  TightPicture(uint32_t format, uint32_t width, uint32_t height,
               std::vector<standin::PlaneGeometry> planes);
  int32_t Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t,
               int32_t) override;
  int32_t Unlock() override { return 0; }
  avcore::IMediaDesc* GetDesc(int32_t index) override { return index == 0 ? &desc_ : nullptr; }
  void GetGpuResource(std::shared_ptr<void>* out, int32_t, int32_t) override { out->reset(); }
  // Every plane's bytes, one plane after another.
  std::vector<uint8_t> Bytes() const;

private:
  standin::MediaDesc desc_;
  std::vector<standin::PlaneGeometry> geometry_;
  std::vector<std::vector<uint8_t>> planes_;
};

// Every test starts with both standard services registered, the media and
// service controls at their defaults, the debug switches off and the log
// captured; each ends with no service session left open.
class ServicesFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  std::vector<standin::LogLine> Log() const { return capture_->lines(); }

  standin::StandardServiceControls& controls() { return standin::StandardServicesControls(); }
  standin::StandardServiceCounters& services() { return standin::StandardServicesCounters(); }
  standin::MediaFaults& faults() { return standin::Faults(); }
  standin::MediaCounters& media() { return standin::Counters(); }

private:
  std::unique_ptr<standin::LogCapture> capture_;
};

// A blending source over a scripted provider.
class BlendingFixture : public ServicesFixture {
protected:
  void TearDown() override {
    source.reset();
    ServicesFixture::TearDown();
  }

  void Use(FrameRate rate, std::vector<standin::ScriptedFrame> frames,
           bool use_gpu_effect = false) {
    source.reset();
    provider = std::make_shared<standin::ScriptedProvider>(rate, std::move(frames));
    source = std::make_unique<frameinterp::FrameSourceBlendingImpl>(provider, use_gpu_effect);
  }

  std::shared_ptr<standin::ScriptedProvider> provider;
  std::unique_ptr<frameinterp::FrameSourceBlendingImpl> source;
};

}  // namespace blendtest
