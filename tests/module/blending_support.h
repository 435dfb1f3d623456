// Test support for the blending source and frame blending: patterned
// pictures, the blend formula checked byte by byte, buffers and descriptions
// that record or alter what the module sees, and a fixture that gives every
// test the stand-in host's standard services and clean switches.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "blend_check.h"
#include "debug_switches.h"
#include "frame_source_blending.h"
#include "host/media.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "standin/service_registry.h"
#include "standin/standard_services.h"
#include "steady_clock.h"

namespace blendtest {

using frameinterp::SamplePtr;

// A buffer that passes everything to an inner buffer, except that it can
// report GPU storage and show another description.
class WrappedBuffer final : public avcore::IMediaBuffer {
public:
  explicit WrappedBuffer(BufferPtr inner) : inner_(std::move(inner)) {}
  int32_t Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t access,
               int32_t zero) override {
    return inner_->Lock(planes, strides, access, zero);
  }
  int32_t Unlock() override { return inner_->Unlock(); }
  avcore::IMediaDesc* GetDesc(int32_t zero) override {
    return desc != nullptr ? desc : inner_->GetDesc(zero);
  }
  void GetGpuResource(std::shared_ptr<void>* out, int32_t, int32_t) override {
    if (out != nullptr) *out = gpu;
  }

  std::shared_ptr<void> gpu;           // reported GPU storage; empty: none
  avcore::IMediaDesc* desc = nullptr;  // shown instead of the inner description

private:
  BufferPtr inner_;
};

// A picture whose planes are separate heap blocks of exactly the given rows,
// so that reading past one is caught by AddressSanitizer.
class TightPicture final : public avcore::IMediaBuffer {
public:
  TightPicture(uint32_t format, uint32_t width, uint32_t height,
               std::vector<standin::PlaneGeometry> planes);
  int32_t Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t,
               int32_t) override;
  int32_t Unlock() override { return 0; }
  avcore::IMediaDesc* GetDesc(int32_t) override { return &desc_; }
  void GetGpuResource(std::shared_ptr<void>* out, int32_t, int32_t) override {
    if (out != nullptr) out->reset();
  }
  std::vector<uint8_t>& plane(size_t index) { return planes_[index]; }

private:
  standin::MediaDesc desc_;
  std::vector<standin::PlaneGeometry> geometry_;
  std::vector<std::vector<uint8_t>> planes_;
};

// A description that stores every attribute and writes each call, with its
// value, to a shared journal ("<name>.Get19", "<name>.Set18=7", ...).
class RecordingDesc final : public avcore::IMediaDesc {
public:
  RecordingDesc(std::string name, std::vector<std::string>* journal)
      : name_(std::move(name)), journal_(journal) {}

  uint32_t attribute[50] = {};  // indexed by the getter's slot; 48 for the 48/49 pair
  uint32_t format = 1, width = 16, height = 8, memory_type = 0;

  uint32_t GetFormat() override { return Note("GetFormat", format); }
  uint32_t GetWidth(int32_t) override { return Note("GetWidth", width); }
  void SetSize(uint32_t w, uint32_t h) override {
    Note("SetSize", w);
    width = w;
    height = h;
  }
  uint32_t GetHeight(int32_t) override { return Note("GetHeight", height); }
  void SetAttribute9(const avcore::MediaAttr16*) override { Note("Set9", 0); }
  void GetAttribute10(avcore::MediaAttr16* out, int32_t) override {
    Note("Get10", 0);
    if (out != nullptr) *out = {};
  }
  uint32_t GetAttribute11(int32_t) override { return Note("Get11", attribute[11]); }
  void SetAttribute12(uint32_t v) override { attribute[11] = Note("Set12", v); }
  uint32_t GetAttribute13(int32_t) override { return Note("Get13", attribute[13]); }
  void SetAttribute14(uint32_t v) override { attribute[13] = Note("Set14", v); }
  void SetAttribute18(uint32_t v) override { attribute[19] = Note("Set18", v); }
  uint32_t GetAttribute19(int32_t) override { return Note("Get19", attribute[19]); }
  void SetAttribute20(uint32_t v) override { attribute[21] = Note("Set20", v); }
  uint32_t GetAttribute21(int32_t) override { return Note("Get21", attribute[21]); }
  void SetAttribute22(uint32_t v) override { attribute[23] = Note("Set22", v); }
  uint32_t GetAttribute23(int32_t) override { return Note("Get23", attribute[23]); }
  void SetAttribute24(uint32_t v) override { attribute[25] = Note("Set24", v); }
  uint32_t GetAttribute25(int32_t) override { return Note("Get25", attribute[25]); }
  uint32_t GetMemoryType() override { return Note("GetMemoryType", memory_type); }
  void SetMemoryType(uint32_t v) override { memory_type = Note("SetMemoryType", v); }
  avcore::IMediaMetadata* GetMetadata(int32_t) override {
    Note("GetMetadata", 0);
    return &metadata_;
  }
  const avcore::IMediaMetadata* GetMetadataConst(int32_t) override {
    Note("GetMetadataConst", 0);
    return &metadata_;
  }
  uint32_t GetAttribute48() override { return Note("Get48", attribute[48]); }
  void SetAttribute49(uint32_t v) override { attribute[48] = Note("Set49", v); }

  const standin::MediaMetadata& metadata() const { return metadata_; }

private:
  uint32_t Note(const char* call, uint32_t value) {
    if (journal_ != nullptr) journal_->push_back(name_ + "." + call + "=" + std::to_string(value));
    return value;
  }

  std::string name_;
  std::vector<std::string>* journal_;
  standin::MediaMetadata metadata_;
};

// A steady clock that advances by a fixed step on every reading.
class SteppingClock {
public:
  explicit SteppingClock(int64_t step_ns);
  ~SteppingClock();
  SteppingClock(const SteppingClock&) = delete;
  SteppingClock& operator=(const SteppingClock&) = delete;
  static int64_t readings();
};

// Every test starts with both standard services registered, the media and
// service controls at their defaults, the debug switches off and the log
// captured; each ends with no service session left open.
class ServicesFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Lines captured so far.
  std::vector<standin::LogLine> Log() const { return capture_->lines(); }

  standin::StandardServiceControls& controls() { return standin::StandardServicesControls(); }
  standin::StandardServiceCounters& services() { return standin::StandardServicesCounters(); }
  standin::MediaFaults& faults() { return standin::Faults(); }
  standin::MediaCounters& media() { return standin::Counters(); }

private:
  std::unique_ptr<standin::LogCapture> capture_;
};

}  // namespace blendtest
