// The upstream frame provider: an object of the host that delivers decoded
// frames by presentation time (100-ns ticks).
#pragma once

#include <cstdint>
#include <memory>

#include "host/media.h"

// Frames per second num/den.
struct FrameRate {
  int64_t num;
  int64_t den;
};

class IFrameProvider {
public:
  virtual ~IFrameProvider() = default;                                // 0
  virtual FrameRate GetFrameRate() = 0;                               // 1
  virtual uint32_t GetInfo() = 0;                                     // 2
  // Positions on a frame for pts and returns that frame's time.
  virtual int64_t Seek(int64_t pts, uint32_t flags, int32_t* status) = 0;  // 3
  // 0: advanced to the next frame; any other value: there is none.
  virtual int32_t MoveNext(int32_t* status) = 0;                      // 4
  // The frame at the current position; empty when there is none.
  virtual std::shared_ptr<avcore::IMediaSample> GetCurrentFrame(int32_t* status) = 0;  // 5
};
