// Test support for the blending source and frame blending: buffers and
// descriptions that record or alter what the module sees, a blending source
// whose held state tests can read, and fixtures that give every test the
// stand-in host's standard services, clean switches and a captured log.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
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
  void GetGpuResource(std::shared_ptr<void>* out, int32_t, int32_t) override { *out = gpu; }

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
  void GetGpuResource(std::shared_ptr<void>* out, int32_t, int32_t) override { out->reset(); }
  std::vector<uint8_t>& plane(size_t index) { return planes_[index]; }

private:
  standin::MediaDesc desc_;
  std::vector<standin::PlaneGeometry> geometry_;
  std::vector<std::vector<uint8_t>> planes_;
};

// A description that stores every attribute and writes each call, with its
// value, to a shared journal ("<name>.Get19=7", "<name>.Set18=7", ...).
class RecordingDesc final : public avcore::IMediaDesc {
public:
  RecordingDesc(std::string name, std::vector<std::string>* journal)
      : name_(std::move(name)), journal_(journal) {}

  uint32_t attribute[50] = {};  // indexed by the getter's slot
  uint32_t format = 1, width = 16, height = 8, memory_type = 0;

  uint32_t GetFormat() override { return Note("GetFormat", format); }
  uint32_t GetWidth(int32_t) override { return Note("GetWidth", width); }
  void SetSize(uint32_t w, uint32_t h) override { width = Note("SetSize", w), height = h; }
  uint32_t GetHeight(int32_t) override { return Note("GetHeight", height); }
  void SetAttribute9(const avcore::MediaAttr16*) override { Note("Set9", 0); }
  void GetAttribute10(avcore::MediaAttr16* out, int32_t) override { *out = {}, Note("Get10", 0); }
// A getter slot and the setter slot that stores into it.
#define RECORDED_PAIR(get, set)                                                             \
  uint32_t GetAttribute##get(int32_t) override { return Note("Get" #get, attribute[get]); } \
  void SetAttribute##set(uint32_t v) override { attribute[get] = Note("Set" #set, v); }
  RECORDED_PAIR(11, 12)
  RECORDED_PAIR(13, 14)
  RECORDED_PAIR(19, 18)
  RECORDED_PAIR(21, 20)
  RECORDED_PAIR(23, 22)
  RECORDED_PAIR(25, 24)
#undef RECORDED_PAIR
  uint32_t GetAttribute48() override { return Note("Get48", attribute[48]); }
  void SetAttribute49(uint32_t v) override { attribute[48] = Note("Set49", v); }
  uint32_t GetMemoryType() override { return Note("GetMemoryType", memory_type); }
  void SetMemoryType(uint32_t v) override { memory_type = Note("SetMemoryType", v); }
  avcore::IMediaMetadata* GetMetadata(int32_t) override {
    return Note("GetMetadata", 0), &metadata;
  }
  const avcore::IMediaMetadata* GetMetadataConst(int32_t) override {
    return Note("GetMetadataConst", 0), &metadata;
  }

  standin::MediaMetadata metadata;

private:
  uint32_t Note(const char* call, uint32_t value) {
    journal_->push_back(name_ + "." + call + "=" + std::to_string(value));
    return value;
  }

  std::string name_;
  std::vector<std::string>* journal_;
};

// Every test starts with both standard services registered, the media and
// service controls at their defaults, the debug switches off and the log
// captured; each ends with no service session left open.
class ServicesFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  std::vector<standin::LogLine> Log() const { return capture_->lines(); }
  // The captured lines with this tag, as "<level> <text>".
  std::vector<std::string> Lines(const std::string& tag) const { return LinesWithTag(Log(), tag); }

  standin::StandardServiceControls& controls() { return standin::StandardServicesControls(); }
  standin::StandardServiceCounters& services() { return standin::StandardServicesCounters(); }
  standin::MediaFaults& faults() { return standin::Faults(); }
  standin::MediaCounters& media() { return standin::Counters(); }

private:
  std::unique_ptr<standin::LogCapture> capture_;
};

// A blending source whose held state tests can read.
class ProbedBlending : public frameinterp::FrameSourceBlendingImpl {
public:
  using FrameSourceBlendingImpl::FrameSourceBlendingImpl;
  const SamplePtr& prev() const { return prev_frame_; }
  const SamplePtr& next() const { return next_frame_; }
  const SamplePtr& held() const { return blending_frame_; }
  int64_t blending_pts() const { return blending_pts_; }
  bool use_gpu_effect() const { return use_gpu_effect_; }
  avcore::IMediaAllocator* allocator() const { return allocator_; }
  const frameinterp::ServiceSessionRef<service::IVisualProcess>& visual() const {
    return visual_process_;
  }
  const frameinterp::ServiceSessionRef<service::gpu::gpu_session>& gpu() const {
    return gpu_session_;
  }
};

// A probed blending source over a scripted provider.
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
    source = std::make_unique<ProbedBlending>(provider, use_gpu_effect);
    provider->ResetCalls();
  }

  // The provider calls of one request.
  standin::ProviderCalls Request(int64_t pts, SamplePtr* out, uint32_t flags = 0) {
    provider->ResetCalls();
    *out = source->GetFrame(pts, flags);
    return provider->calls();
  }

  std::shared_ptr<standin::ScriptedProvider> provider;
  std::unique_ptr<ProbedBlending> source;
};

}  // namespace blendtest
