#include "standin/standard_services.h"

#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "host/service.h"
#include "standin/locked_picture.h"
#include "standin/plane_layout.h"
#include "standin/service_registry.h"

namespace standin {
namespace {

using avcore::IMediaBuffer;

// Every session of the standard services; the services delete them through this base.
class StandinSession : public service::ISession {
public:
  virtual SessionKind kind() const = 0;
};

// A session of neither interface, for modules that must cope with one.
class ForeignSession final : public StandinSession {
public:
  SessionKind kind() const override { return SessionKind::kForeign; }
};

// ---------------------------------------------------------------------------
// Blending

// The weight of the second picture in 1/1024: (int)(factor * 1024 + 0.5),
// clamped to 0 ... 1024 (a NaN factor weighs 0).
int32_t BlendWeight(float factor) {
  const float scaled = factor * 1024.0f + 0.5f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 1024.0f) return 1024;
  return static_cast<int32_t>(scaled);
}


constexpr int32_t kBlendMissingInput = -2;
constexpr int32_t kBlendLayoutMismatch = -3;
constexpr int32_t kBlendNotLocked = -4;

int32_t BlendPictures(const std::shared_ptr<IMediaBuffer>& first,
                      const std::shared_ptr<IMediaBuffer>& second,
                      const std::shared_ptr<IMediaBuffer>& out, float factor) {
  if (!first || !second || !out) return kBlendMissingInput;
  avcore::IMediaDesc* const descs[3] = {first->GetDesc(0), second->GetDesc(0), out->GetDesc(0)};
  for (avcore::IMediaDesc* desc : descs) {
    if (desc == nullptr) return kBlendMissingInput;
  }
  const uint32_t format = descs[0]->GetFormat();
  const uint32_t width = descs[0]->GetWidth(0);
  const uint32_t height = descs[0]->GetHeight(0);
  for (avcore::IMediaDesc* desc : descs) {
    if (desc->GetFormat() != format || desc->GetWidth(0) != width || desc->GetHeight(0) != height) {
      return kBlendLayoutMismatch;
    }
  }
  const PictureLayout layout = LayoutFor(format, width, height);

  const standin::LockedPicture a(*first, IMediaBuffer::kRead);
  const standin::LockedPicture b(*second, IMediaBuffer::kRead);
  const standin::LockedPicture o(*out, IMediaBuffer::kWrite);
  if (!a.Covers(layout) || !b.Covers(layout) || !o.Covers(layout)) return kBlendNotLocked;

  const uint32_t w = static_cast<uint32_t>(BlendWeight(factor));
  const uint32_t w_first = 1024u - w;
  for (int p = 0; p < layout.plane_count; ++p) {
    const PlaneGeometry& plane = layout.planes[p];
    for (uint32_t row = 0; row < plane.rows; ++row) {
      const uint8_t* pa =
          a.planes[p] + static_cast<size_t>(row) * static_cast<size_t>(a.strides[p]);
      const uint8_t* pb =
          b.planes[p] + static_cast<size_t>(row) * static_cast<size_t>(b.strides[p]);
      uint8_t* po = o.planes[p] + static_cast<size_t>(row) * static_cast<size_t>(o.strides[p]);
      for (uint32_t x = 0; x < plane.row_bytes; ++x) {
        po[x] = static_cast<uint8_t>((pa[x] * w_first + pb[x] * w + 512u) >> 10);
      }
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Sessions

class VisualProcessSession final : public StandinSession, public service::IVisualProcess {
public:
  SessionKind kind() const override { return SessionKind::kVisualProcess; }

  int32_t BlendFrames(std::shared_ptr<IMediaBuffer> first, std::shared_ptr<IMediaBuffer> second,
                      std::shared_ptr<IMediaBuffer> out, float factor) override {
    StandardServiceCounters& counters = StandardServicesCounters();
    ++counters.blend_calls;
    counters.last_blend_factor = factor;
    avcore::IMediaDesc* const out_desc = out ? out->GetDesc(0) : nullptr;
    counters.last_blend_out_format = out_desc != nullptr ? out_desc->GetFormat() : 0;
    counters.last_blend_out_memory_type = out_desc != nullptr ? out_desc->GetMemoryType() : 0;
    const int32_t forced = StandardServicesControls().blend_frames_failure;
    const int32_t result = forced != 0 ? forced : BlendPictures(first, second, out, factor);
    counters.last_blend_result = result;
    return result;
  }
};

class GpuSession final : public StandinSession, public service::gpu::gpu_session {
public:
  SessionKind kind() const override { return SessionKind::kGpu; }

  int32_t GetGpuKind() override {
    ++StandardServicesCounters().gpu_kind_calls;
    return StandardServicesControls().gpu_kind;
  }
};

// ---------------------------------------------------------------------------
// Services

enum class ServiceKind { kVisualProcess, kGpu };

// Creates and destroys sessions of one kind; every other operation of the
// service interface gives a fixed answer. It deletes only sessions it created.
class StandardService final : public service::IService {
public:
  explicit StandardService(ServiceKind kind) : kind_(kind) {}

  ~StandardService() override {
    StandardServiceCounters& counters = StandardServicesCounters();
    for (StandinSession* session : sessions_) {
      ++counters.sessions_abandoned;
      ++counters.sessions_destroyed;
      --counters.sessions_alive;
      counters.last_destroyed = session->kind();
      delete session;
    }
  }

  StandardService(const StandardService&) = delete;
  StandardService& operator=(const StandardService&) = delete;

  int32_t Operation1() override { return 0; }
  bool Operation2() override { return true; }

  service::ISession* CreateSession(int32_t zero) override {
    if (zero != 0) return nullptr;
    const StandardServiceControls& controls = StandardServicesControls();
    const SessionOutcome outcome = kind_ == ServiceKind::kVisualProcess
                                       ? controls.visual_process_sessions
                                       : controls.gpu_sessions;
    StandardServiceCounters& counters = StandardServicesCounters();
    // Owned here until the table holds it: an insertion that throws frees it.
    std::unique_ptr<StandinSession> session;
    switch (outcome) {
      case SessionOutcome::kNull:
        return nullptr;
      case SessionOutcome::kForeign:
        session = std::make_unique<ForeignSession>();
        ++counters.foreign_sessions_created;
        break;
      case SessionOutcome::kSession:
      default:
        if (kind_ == ServiceKind::kVisualProcess) {
          session = std::make_unique<VisualProcessSession>();
          ++counters.visual_process_sessions_created;
        } else {
          session = std::make_unique<GpuSession>();
          ++counters.gpu_sessions_created;
        }
        break;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    sessions_.insert(session.get());
    ++counters.sessions_created;
    ++counters.sessions_alive;
    return session.release();
  }

  int32_t DestroySession(service::ISession* session) override {
    StandardServiceCounters& counters = StandardServicesCounters();
    StandinSession* ours = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (StandinSession* candidate : sessions_) {
        if (static_cast<service::ISession*>(candidate) == session) ours = candidate;
      }
      if (ours == nullptr) {
        ++counters.unknown_sessions_destroyed;
        return -1;
      }
      sessions_.erase(ours);
    }
    ++counters.sessions_destroyed;
    --counters.sessions_alive;
    counters.last_destroyed = ours->kind();
    delete ours;
    return 0;
  }

  std::shared_ptr<void> Operation5() override { return nullptr; }
  int32_t Operation6() override { return 0; }
  int32_t Operation7(uintptr_t, uintptr_t, uint32_t* out) override {
    if (out != nullptr) *out = 0;
    return 1;
  }
  int32_t Operation8(uintptr_t, std::shared_ptr<void>) override { return 0; }
  bool Operation9() override { return false; }

private:
  ServiceKind kind_;
  std::mutex mutex_;
  std::set<StandinSession*> sessions_;
};

}  // namespace

StandardServiceControls& StandardServicesControls() {
  static StandardServiceControls controls;
  return controls;
}

StandardServiceCounters& StandardServicesCounters() {
  static StandardServiceCounters counters;
  return counters;
}

void ResetStandardServices() {
  StandardServicesControls() = StandardServiceControls{};
  StandardServiceCounters& c = StandardServicesCounters();
  c.sessions_created = c.sessions_destroyed = c.visual_process_sessions_created = 0;
  c.gpu_sessions_created = c.foreign_sessions_created = c.sessions_abandoned = 0;
  c.unknown_sessions_destroyed = c.blend_calls = c.gpu_kind_calls = 0;
  c.last_destroyed = SessionKind::kNone;
  c.last_blend_factor = 0.0f;
  c.last_blend_result = 0;
  c.last_blend_out_format = c.last_blend_out_memory_type = 0;
}

void RegisterStandardServices(int32_t gpu_kind) {
  StandardServicesControls().gpu_kind = gpu_kind;
  RegisterService(kVisualProcessServiceGuid,
                  std::make_shared<StandardService>(ServiceKind::kVisualProcess));
  RegisterService(kGpuServiceGuid, std::make_shared<StandardService>(ServiceKind::kGpu));
}

void UnregisterStandardServices() {
  UnregisterService(kVisualProcessServiceGuid);
  UnregisterService(kGpuServiceGuid);
}

}  // namespace standin
