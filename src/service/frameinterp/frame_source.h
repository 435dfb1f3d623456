// The interface through which a session asks its frame source for frames.
#pragma once

#include <cstdint>
#include <memory>

#include "host/media.h"

namespace frameinterp {

// A frame handed out by a frame source or the session; empty means no frame.
using SamplePtr = std::shared_ptr<avcore::IMediaSample>;

class IFrameSourceInternal {
public:
  // The frame for time pts (100-ns ticks); flags go unchanged to the provider's Seek.
  virtual SamplePtr GetFrame(int64_t pts, uint32_t flags) = 0;  // slot 0
  virtual ~IFrameSourceInternal() = default;                    // slot 1
};

}  // namespace frameinterp
