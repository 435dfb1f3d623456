// The stand-in host's standard services, which an embedding program registers
// with the service manager so that a module finds them by GUID string:
//
//   "C83AA1C4-7DD3-4C7D-962B-A3DC01E1F2F6"  visual processing: its sessions are
//       service::ISession and service::IVisualProcess, with a real BlendFrames;
//   "C8CBF3DC-4807-480C-B3F3-9E12B87EB3E7"  GPU: its sessions are
//       service::ISession and service::gpu::gpu_session, GetGpuKind answering a
//       settable kind (2 by default).
//
// BlendFrames mixes every byte of every plane of its two input buffers into
// the output buffer. The three buffers must have one layout: the same format
// code, width and height (planes as standin::LayoutFor lays them out: format
// 1, 6, or 4-byte pixels for any other code). With
//   w = (int)(factor * 1024.0f + 0.5f), clamped to 0 ... 1024,
// each output byte is (a * (1024 - w) + b * w + 512) >> 10. It answers 0, or
// non-zero (without writing) for missing buffers or descriptions, buffers of
// different size or layout, or a buffer that cannot be locked. CreateSession
// with an argument other than 0 answers null.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/api.h"

namespace standin {

inline constexpr char kVisualProcessServiceGuid[] = "C83AA1C4-7DD3-4C7D-962B-A3DC01E1F2F6";
inline constexpr char kGpuServiceGuid[] = "C8CBF3DC-4807-480C-B3F3-9E12B87EB3E7";

// Registers new instances of both services (replacing any registered under
// their GUIDs) and sets the kind that GetGpuKind answers.
HOST_SERVICE_API void RegisterStandardServices(int32_t gpu_kind = 2);
// Takes both services out of the service manager. Sessions still open keep
// their service alive until they are destroyed.
HOST_SERVICE_API void UnregisterStandardServices();

// ---------------------------------------------------------------------------
// Controls for tests. They act on the services' later calls, whether the
// services were registered before or after the change. The controls are plain
// values, to be set while no session is at work; the counters count calls
// from every thread.

// What CreateSession hands out.
enum class SessionOutcome : int32_t {
  kSession = 0,  // a session of the service's own interface
  kNull = 1,     // null
  kForeign = 2,  // a service::ISession of neither interface (it must still be handed back)
};

struct StandardServiceControls {
  int32_t gpu_kind = 2;  // what GetGpuKind answers
  SessionOutcome visual_process_sessions = SessionOutcome::kSession;
  SessionOutcome gpu_sessions = SessionOutcome::kSession;
  int32_t blend_frames_failure = 0;  // non-zero: BlendFrames answers it and writes nothing
};
HOST_SERVICE_API StandardServiceControls& StandardServicesControls();

// Which kind of session a counter entry speaks of.
enum class SessionKind : int32_t { kNone = 0, kVisualProcess = 1, kGpu = 2, kForeign = 3 };

struct StandardServiceCounters {
  std::atomic<int64_t> sessions_created{0};    // every kind, by CreateSession of either service
  std::atomic<int64_t> sessions_destroyed{0};  // by DestroySession, or by a service dying with it
  std::atomic<int64_t> visual_process_sessions_created{0};
  std::atomic<int64_t> gpu_sessions_created{0};
  std::atomic<int64_t> foreign_sessions_created{0};
  // Sessions a service still held when it was destroyed (the host never
  // handed them back); the service deletes them then.
  std::atomic<int64_t> sessions_abandoned{0};
  // DestroySession calls with null or a session the service did not create.
  std::atomic<int64_t> unknown_sessions_destroyed{0};
  // The kind of the last session destroyed.
  std::atomic<SessionKind> last_destroyed{SessionKind::kNone};
  std::atomic<int64_t> blend_calls{0};
  std::atomic<float> last_blend_factor{0.0f};
  std::atomic<int32_t> last_blend_result{0};
  // The output buffer's description as the last BlendFrames saw it (0 when it had none).
  std::atomic<uint32_t> last_blend_out_format{0};
  std::atomic<uint32_t> last_blend_out_memory_type{0};
  std::atomic<int64_t> gpu_kind_calls{0};
  // Sessions created and not yet destroyed; not zeroed by ResetStandardServices.
  std::atomic<int64_t> sessions_alive{0};
};
HOST_SERVICE_API StandardServiceCounters& StandardServicesCounters();

// Controls back to their defaults (GPU kind 2) and the event counters zeroed;
// sessions_alive keeps counting the sessions that are still open.
HOST_SERVICE_API void ResetStandardServices();

}  // namespace standin
