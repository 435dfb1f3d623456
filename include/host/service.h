// The host's service library: the service manager, services and their
// sessions, the visual-processing and GPU session interfaces, and the
// frame-interpolation session interface that this module implements.
#pragma once

#include <cstdint>
#include <memory>

#include "host/api.h"
#include "host/core.h"
#include "host/frame_provider.h"
#include "host/media.h"

namespace service {

// A session of some service; it carries only its destructor.
class ISession {
public:
  virtual ~ISession() = default;                                      // 0
};

class IService {
public:
  virtual ~IService() = default;                                      // 0
  virtual int32_t Operation1() = 0;                                   // 1
  virtual bool Operation2() = 0;                                      // 2
  virtual ISession* CreateSession(int32_t unused) = 0;                // 3
  virtual int32_t DestroySession(ISession* session) = 0;              // 4
  virtual std::shared_ptr<void> Operation5() = 0;                     // 5
  virtual int32_t Operation6() = 0;                                   // 6
  virtual int32_t Operation7(uintptr_t first, uintptr_t second, uint32_t* out) = 0;  // 7
  virtual int32_t Operation8(uintptr_t value, std::shared_ptr<void> held) = 0;       // 8
  virtual bool Operation9() = 0;                                      // 9
};

class IServiceManager {
public:
  virtual ~IServiceManager() = default;                               // 0
  virtual void Reserved1() {}                                       // 1
  virtual void Reserved2() {}                                       // 2
  virtual void Reserved3() {}                                       // 3
  virtual void Reserved4() {}                                       // 4
  virtual void Reserved5() {}                                       // 5
  virtual void Reserved6() {}                                       // 6
  virtual void Reserved7() {}                                       // 7
  // The service registered under the GUID string, or empty.
  virtual void AcquireService(std::shared_ptr<IService>* out, const char* guid, int32_t zero1,
                              int32_t zero2) = 0;                     // 8
};

// The frame-interpolation session, as the module implements it.
class IFrameInterp {
public:
  virtual ~IFrameInterp() = default;                                  // 0
  virtual int32_t Operation1() = 0;                                   // 1
  virtual void Operation2() = 0;                                      // 2
  virtual int32_t SetProvider(std::shared_ptr<IFrameProvider> provider) = 0;  // 3
  virtual void SetMode(uint32_t mode) = 0;                            // 4
  virtual int32_t SetOption(const char* key, const core::ValAny* value) = 0;  // 5
  virtual std::shared_ptr<avcore::IMediaSample> GetFrame(int64_t pts, uint32_t flags) = 0;  // 6
};

// The session of the visual-processing service ("C83AA1C4-...").
class IVisualProcess {
public:
  virtual ~IVisualProcess() = default;                                // 0
  virtual void Reserved1() {}                                       // 1
  virtual void Reserved2() {}                                       // 2
  virtual void Reserved3() {}                                       // 3
  virtual void Reserved4() {}                                       // 4
  virtual void Reserved5() {}                                       // 5
  virtual void Reserved6() {}                                       // 6
  virtual void Reserved7() {}                                       // 7
  virtual void Reserved8() {}                                       // 8
  virtual void Reserved9() {}                                       // 9
  virtual void Reserved10() {}                                      // 10
  virtual void Reserved11() {}                                      // 11
  virtual void Reserved12() {}                                      // 12
  virtual void Reserved13() {}                                      // 13
  virtual void Reserved14() {}                                      // 14
  virtual void Reserved15() {}                                      // 15
  virtual void Reserved16() {}                                      // 16
  virtual void Reserved17() {}                                      // 17
  virtual void Reserved18() {}                                      // 18
  virtual void Reserved19() {}                                      // 19
  virtual void Reserved20() {}                                      // 20
  virtual void Reserved21() {}                                      // 21
  virtual void Reserved22() {}                                      // 22
  virtual void Reserved23() {}                                      // 23
  virtual void Reserved24() {}                                      // 24
  virtual void Reserved25() {}                                      // 25
  virtual void Reserved26() {}                                      // 26
  virtual void Reserved27() {}                                      // 27
  virtual void Reserved28() {}                                      // 28
  virtual void Reserved29() {}                                      // 29
  virtual void Reserved30() {}                                      // 30
  virtual void Reserved31() {}                                      // 31
  virtual void Reserved32() {}                                      // 32
  virtual void Reserved33() {}                                      // 33
  virtual void Reserved34() {}                                      // 34
  virtual void Reserved35() {}                                      // 35
  virtual void Reserved36() {}                                      // 36
  virtual void Reserved37() {}                                      // 37
  virtual void Reserved38() {}                                      // 38
  virtual void Reserved39() {}                                      // 39
  virtual void Reserved40() {}                                      // 40
  // 0 means success: out holds the picture between first (factor 0) and second (factor 1).
  virtual int32_t BlendFrames(std::shared_ptr<avcore::IMediaBuffer> first,
                              std::shared_ptr<avcore::IMediaBuffer> second,
                              std::shared_ptr<avcore::IMediaBuffer> out,
                              float factor) = 0;                      // 41
};

namespace gpu {

// The session of the GPU service ("C8CBF3DC-...").
class gpu_session {
public:
  virtual ~gpu_session() = default;                                   // 0
  virtual int32_t GetGpuKind() = 0;                                   // 1
};

}  // namespace gpu
}  // namespace service

// The process-wide service manager (borrowed), or null. The argument is 0.
extern "C" HOST_SERVICE_API service::IServiceManager* OVKServiceMrgAcqire(int32_t zero);
