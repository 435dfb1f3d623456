// A session driven through the stand-in host by arbitrary bytes: the
// provider's rate, frames (times, durations, sizes, pixel formats, missing
// pictures and samples), the modes, the option, the request times, and host
// failures switched on and off between requests. The only exceptions that
// may leave the module are the host's std::bad_alloc (when the stand-in is
// made to throw) and core::AnyBadAccess from SetOption; every request must
// return, and nothing may read or write outside its memory.
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "frameinterpimpl.h"
#include "host/core.h"
#include "tick_math.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "standin/standard_services.h"

namespace {

// Reads values off the front of the input; zeros once it runs out.
class Bytes {
public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return size_ == 0; }
  template <class T>
  T Take() {
    T value{};
    const size_t n = sizeof(T) < size_ ? sizeof(T) : size_;
    std::memcpy(&value, data_, n);
    data_ += n;
    size_ -= n;
    return value;
  }
  // One of a few interesting values, or any value of the type.
  int64_t Time() {
    switch (Take<uint8_t>() % 8) {
      case 0: return 0;
      case 1: return std::numeric_limits<int64_t>::max();
      case 2: return std::numeric_limits<int64_t>::min();
      case 3: return -36'000'000'000;  // the "no time" marker
      case 4: return Take<int64_t>();
      default: return Take<int16_t>() * int64_t{100'000};
    }
  }

private:
  const uint8_t* data_;
  size_t size_;
};

constexpr uint32_t kFormats[] = {1, 6, 20, 2, 7};

std::shared_ptr<avcore::IMediaBuffer> Picture(Bytes& in) {
  const uint8_t choice = in.Take<uint8_t>();
  if (choice % 7 == 0) return nullptr;  // a sample without a picture
  const uint32_t width = 2 + in.Take<uint8_t>() % 80, height = 2 + in.Take<uint8_t>() % 60;
  auto picture = standin::MakePicture(kFormats[choice % 5], width, height);
  const uint8_t seed = in.Take<uint8_t>();
  for (int p = 0; p < picture->layout().plane_count; ++p) {
    uint8_t* bytes = picture->plane(p);
    for (size_t k = 0; k < picture->layout().PlaneBytes(p); ++k) {
      bytes[k] = static_cast<uint8_t>(k * seed + (k >> 5) * 7);
    }
  }
  return picture;
}

void SwitchFaults(uint8_t bits) {
  standin::MediaFaults& faults = standin::Faults();
  faults.desc_create_fails = bits & 1;
  faults.no_default_allocator = bits & 2;
  faults.allocate_fails = bits & 4;
  faults.sample_create_fails = bits & 8;
  faults.allocate_throws = bits & 16;
  faults.sample_create_throws = bits & 32;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool host = [] {
    standin::SetLogThreshold(5);
    standin::RegisterStandardServices();
    return true;
  }();
  (void)host;
  Bytes in(data, size);

  const FrameRate rate{in.Take<int8_t>(), in.Take<int8_t>()};
  const int frames_count = 1 + in.Take<uint8_t>() % 12;
  // A picture shared by several frames keeps inputs short.
  const std::shared_ptr<avcore::IMediaBuffer> common = Picture(in);
  std::vector<standin::ScriptedFrame> frames;
  int64_t pts = in.Take<int16_t>() * int64_t{10'000};
  for (int i = 0; i < frames_count; ++i) {
    const uint8_t kind = in.Take<uint8_t>();
    standin::ScriptedFrame frame;
    frame.pts = pts;
    frame.duration = kind & 1 ? in.Time() : 400'000;
    frame.picture = kind & 2 ? Picture(in) : common;
    frame.missing = (kind & 12) == 12;
    frames.push_back(frame);
    pts = kind & 16 ? in.Time() : frameinterp::SaturatingAdd(pts, 400'000);
  }
  auto provider = std::make_shared<standin::ScriptedProvider>(rate, frames);
  provider->UseSharedSamples(in.Take<uint8_t>() & 1);

  frameinterp::FrameInterpImpl session;
  session.SetProvider(provider);
  for (int request = 0; request < 24 && !in.empty(); ++request) {
    const uint8_t op = in.Take<uint8_t>();
    try {
      switch (op % 8) {
        case 0:
          session.SetMode(in.Take<uint8_t>() % 6);
          break;
        case 1: {
          const core::ValAny value = op & 8 ? core::ValAny(static_cast<int64_t>(1)) : core::ValAny(true);
          session.SetOption(op & 16 ? "UseGpuEffect" : "Other", &value);
          break;
        }
        case 2:
          SwitchFaults(in.Take<uint8_t>());
          break;
        default:
          session.GetFrame(in.Time(), in.Take<uint8_t>());
          break;
      }
    } catch (const std::bad_alloc&) {
    } catch (const core::AnyBadAccess&) {
    }
  }
  standin::ResetMedia();
  return 0;
}
