// A session driven through the stand-in host by arbitrary bytes, over
// pictures cut from real footage: a fuzzed crop of a clip's frames, moved
// further by a fuzzed shift from frame to frame, at any size up to the
// clip's (odd ones included) and in any pixel format; frames with their own
// times, durations and pictures, missing or without one; rows padded or
// packed; requests in any order; modes, the option and host failures
// switched between requests. Some inputs drive a motion source of fuzzed
// settings instead of a session.
//
// Every answer is checked: its time is the request's (within 100 ticks) or an
// upstream frame's own; its picture is an upstream one or has an upstream
// picture's size and the mode's output format; every byte of a picture the
// module (or the host's blend) made lies in 1...254, the range the footage is
// clamped to, which mixing never leaves (the host's buffers start at 0, so a
// sample left unwritten shows); no buffer is left locked. Nothing the host
// owns may change but the times of upstream samples, and those only to a
// request's time. The only exceptions that may leave the module are the
// host's std::bad_alloc (when the stand-in is made to throw) and
// core::AnyBadAccess from SetOption.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "frame_source_motion.h"
#include "frameinterpimpl.h"
#include "host/core.h"
#include "picture.h"
#include "standin/locked_picture.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "standin/standard_services.h"
#include "testdata.h"
#include "tick_math.h"
#include "y4m_clip.h"

namespace {

using frameinterp::SamplePtr;
using Buffer = std::shared_ptr<avcore::IMediaBuffer>;

[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "session_fuzz.cpp:%d: check failed: %s\n", line, condition);
  std::abort();
}
#define CHECK(condition) ((condition) ? void() : Fail(#condition, __LINE__))

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

// The first frames of a few clips, every sample clamped to 1...254.
std::vector<std::vector<fitool::Picture>> LoadFootage() {
  std::vector<std::vector<fitool::Picture>> clips;
  for (const char* name : {"clips/cars_320x240_30fps.y4m", "clips/park_joy_480x270_50fps_10f.y4m",
                           "clips/RTn23_80x44_15fps.y4m"}) {
    const auto clip = fitool::Y4mClip::Open(frameinterp::testing::TestdataPath(name),
                                            fitool::Y4mClip::Access::kRandom);
    std::vector<fitool::Picture>& frames = clips.emplace_back();
    for (int64_t i = 0; i < std::min<int64_t>(*clip->count(), 6); ++i) {
      fitool::Picture picture = clip->Frame(i);
      for (auto* plane : {&picture.y, &picture.u, &picture.v}) {
        for (uint8_t& v : *plane) v = std::clamp<uint8_t>(v, 1, 254);
      }
      frames.push_back(std::move(picture));
    }
  }
  return clips;
}

// Where a crop lies in its clip's frame; outside the frame the nearest edge
// sample is taken.
struct Crop {
  const fitool::Picture* from;
  uint32_t format;
  int width, height, x, y;
};

Crop NextCrop(Bytes& in, const std::vector<fitool::Picture>& clip, int max_size) {
  const fitool::Picture& from = clip[in.Take<uint8_t>() % clip.size()];
  const auto size = [&](int limit) {
    const auto v = in.Take<uint16_t>();
    return v & 1 ? 1 + (v >> 1) % std::min(limit, max_size) : 32 + (v >> 1) % 97;
  };
  constexpr uint32_t kFormats[] = {1, 6, 20, 2, 7};
  const uint32_t format = kFormats[in.Take<uint8_t>() % 5];
  const int width = size(from.width), height = size(from.height);
  return {&from, format, width, height, in.Take<int16_t>() % from.width,
          in.Take<int16_t>() % from.height};
}

// The crop as a new host picture: Y, U and V (1); Y and interleaved UV (6);
// any other format pixels of U, Y, V and Y again.
Buffer CropPicture(const Crop& c) {
  const fitool::Picture& f = *c.from;
  const auto at = [](const std::vector<uint8_t>& plane, int plane_w, int plane_h, int x, int y) {
    return plane[static_cast<size_t>(std::clamp(y, 0, plane_h - 1)) * plane_w +
                 std::clamp(x, 0, plane_w - 1)];
  };
  const auto luma = [&](int x, int y) { return at(f.y, f.width, f.height, c.x + x, c.y + y); };
  const auto chroma = [&](const std::vector<uint8_t>& plane, int x, int y) {
    return at(plane, f.chroma_width(), f.chroma_height(), (c.x + x) >> 1, (c.y + y) >> 1);
  };
  auto picture = standin::MakePicture(c.format, c.width, c.height);
  const standin::PictureLayout& layout = picture->layout();
  for (int p = 0; p < layout.plane_count; ++p) {
    for (uint32_t row = 0; row < layout.planes[p].rows; ++row) {
      uint8_t* out = picture->plane(p) + static_cast<size_t>(row) * picture->stride(p);
      const int y = static_cast<int>(row);
      for (int x = 0; x < static_cast<int>(layout.planes[p].row_bytes); ++x) {
        if (c.format == 1) {
          out[x] = p == 0 ? luma(x, y) : chroma(p == 1 ? f.u : f.v, 2 * x, 2 * y);
        } else if (c.format == 6) {
          out[x] = p == 0 ? luma(x, y) : chroma(x % 2 ? f.v : f.u, x & ~1, 2 * y);
        } else {
          const int px = x / 4;
          out[x] = x % 2 ? luma(px, y) : chroma(x % 4 ? f.v : f.u, px, y);
        }
      }
    }
  }
  return picture;
}

// The scripted provider, keeping every sample it hands out with the time,
// duration and buffer it had then.
class WatchedProvider final : public IFrameProvider {
public:
  explicit WatchedProvider(std::shared_ptr<standin::ScriptedProvider> inner)
      : inner_(std::move(inner)) {}
  FrameRate GetFrameRate() override { return inner_->GetFrameRate(); }
  uint32_t GetInfo() override { return inner_->GetInfo(); }
  int64_t Seek(int64_t pts, uint32_t flags, int32_t* status) override {
    return inner_->Seek(pts, flags, status);
  }
  int32_t MoveNext(int32_t* status) override { return inner_->MoveNext(status); }
  SamplePtr GetCurrentFrame(int32_t* status) override {
    SamplePtr sample = inner_->GetCurrentFrame(status);
    if (sample) {
      Buffer buffer;
      sample->GetBuffer(&buffer, 0, 0);
      handed_out_.push_back({sample, sample->GetPts(), sample->GetDuration(), buffer});
    }
    return sample;
  }

  // Every upstream sample as it was handed out, but for a time set to one of
  // the request times; each such time is added to `restamped`.
  void CheckSamples(const std::vector<int64_t>& requests, std::vector<int64_t>* restamped) const {
    for (const HandedOut& h : handed_out_) {
      Buffer buffer;
      h.sample->GetBuffer(&buffer, 0, 0);
      CHECK(buffer == h.buffer && h.sample->GetDuration() == h.duration);
      const int64_t pts = h.sample->GetPts();
      if (pts == h.pts) continue;
      CHECK(std::find(requests.begin(), requests.end(), pts) != requests.end());
      restamped->push_back(pts);
    }
  }

private:
  struct HandedOut {
    SamplePtr sample;
    int64_t pts, duration;
    Buffer buffer;
  };
  std::shared_ptr<standin::ScriptedProvider> inner_;
  std::vector<HandedOut> handed_out_;
};

// What an answer may be, from the upstream frames.
class Upstream {
public:
  explicit Upstream(const std::vector<standin::ScriptedFrame>& frames) : frames_(frames) {
    for (const auto& frame : frames_) {
      times_.push_back(frame.pts);
      if (frame.picture) copies_.push_back(Copy(frame.picture));
    }
  }

  // The answer to a request at pts in a mode (a motion source's is mode 2's).
  void CheckAnswer(const SamplePtr& answer, uint32_t mode, int64_t pts, WatchedProvider& watch) {
    requests_.push_back(pts);
    watch.CheckSamples(requests_, &restamped_);
    for (const auto& frame : frames_) {
      if (frame.picture) CHECK(static_cast<standin::CpuBuffer&>(*frame.picture).lock_count() == 0);
    }
    if (mode == 3) CHECK(answer == nullptr);
    if (!answer) return;
    const int64_t t = answer->GetPts();
    const bool near = frameinterp::WideTicks(t) < frameinterp::WideTicks(pts) + 100 &&
                      frameinterp::WideTicks(pts) < frameinterp::WideTicks(t) + 100;
    CHECK(near || std::find(times_.begin(), times_.end(), t) != times_.end() ||
          std::find(restamped_.begin(), restamped_.end(), t) != restamped_.end());
    Buffer buffer;
    answer->GetBuffer(&buffer, 0, 0);
    const auto upstream = std::find_if(frames_.begin(), frames_.end(),
                                       [&](const auto& frame) { return frame.picture == buffer; });
    if (upstream != frames_.end()) return;
    CHECK(buffer && (mode == 1 || mode == 2));
    CheckMadePicture(*buffer, mode);
  }

  // The upstream pictures and their descriptions as they were made.
  void CheckPictures() const {
    auto copy = copies_.begin();
    for (const auto& frame : frames_) {
      if (frame.picture) CHECK(Copy(frame.picture) == *copy++);
    }
  }

private:
  // A picture's description (format and size) and its bytes, padding and all.
  static std::vector<uint8_t> Copy(const Buffer& picture) {
    auto& cpu = static_cast<standin::CpuBuffer&>(*picture);
    avcore::IMediaDesc* desc = cpu.GetDesc(0);
    std::vector<uint8_t> bytes;
    for (const uint32_t v : {desc->GetFormat(), desc->GetWidth(0), desc->GetHeight(0)}) {
      bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&v),
                   reinterpret_cast<const uint8_t*>(&v + 1));
    }
    for (int p = 0; p < cpu.layout().plane_count; ++p) {
      const size_t n = static_cast<size_t>(cpu.stride(p)) * cpu.layout().planes[p].rows;
      bytes.insert(bytes.end(), cpu.plane(p), cpu.plane(p) + n);
    }
    return bytes;
  }

  // A picture of the module's (or the host's blend): an upstream picture's
  // size, the mode's format for it, every byte in the footage's range, and
  // unlocked.
  void CheckMadePicture(avcore::IMediaBuffer& buffer, uint32_t mode) const {
    avcore::IMediaDesc* desc = buffer.GetDesc(0);
    CHECK(desc != nullptr);
    const uint32_t format = desc->GetFormat(), width = desc->GetWidth(0), height = desc->GetHeight(0);
    const bool sized = std::any_of(frames_.begin(), frames_.end(), [&](const auto& frame) {
      if (!frame.picture) return false;
      avcore::IMediaDesc* d = frame.picture->GetDesc(0);
      const uint32_t f = d->GetFormat();
      const uint32_t motion = f == 1 || f == 6 ? f : 20;
      const uint32_t blend = (f == 2 || f == 7 || f == 31) && d->GetMemoryType() == 0 ? 1 : f;
      return d->GetWidth(0) == width && d->GetHeight(0) == height &&
             format == (mode == 1 ? blend : motion);
    });
    CHECK(sized);
    const standin::PictureLayout layout = standin::LayoutFor(format, width, height);
    {
      const standin::LockedPicture picture(buffer, avcore::IMediaBuffer::kRead);
      CHECK(picture.Covers(layout));
      for (int p = 0; p < layout.plane_count; ++p) {
        for (uint32_t row = 0; row < layout.planes[p].rows; ++row) {
          for (uint32_t x = 0; x < layout.planes[p].row_bytes; ++x) {
            const uint8_t v = picture.At(p, row, x);
            CHECK(v >= 1 && v <= 254);
          }
        }
      }
    }
    CHECK(static_cast<standin::CpuBuffer&>(buffer).lock_count() == 0);
  }

  const std::vector<standin::ScriptedFrame>& frames_;
  std::vector<int64_t> times_;     // of the upstream frames
  std::vector<int64_t> requests_;
  std::vector<int64_t> restamped_;  // request times upstream samples were given
  std::vector<std::vector<uint8_t>> copies_;
};

void SwitchFaults(uint8_t bits) {
  standin::MediaFaults& faults = standin::Faults();
  faults.desc_create_fails = bits & 1;
  faults.no_default_allocator = bits & 2;
  faults.allocate_fails = bits & 4;
  faults.sample_create_fails = bits & 8;
  faults.allocate_throws = bits & 16;
  faults.sample_create_throws = bits & 32;
}

FrameRate NextRate(Bytes& in) {
  constexpr FrameRate kRates[] = {{25, 1}, {30, 1}, {30000, 1001}, {24, 1}, {50, 1}, {12, 1}, {-25, -1}};
  const uint8_t choice = in.Take<uint8_t>();
  if (choice & 0x80) return {in.Take<int8_t>(), in.Take<int8_t>()};
  return kRates[choice % std::size(kRates)];
}

frameinterp::MotionSettings NextSettings(Bytes& in) {
  frameinterp::MotionSettings s;
  s.comp_mode = in.Take<uint8_t>() % 3;
  // Both estimation modes; any other synthesises nothing by design and hands
  // out the output frame as it was.
  s.me_mode = in.Take<uint8_t>() % 2;
  s.search_method = in.Take<uint8_t>() % 11;
  s.block_size = 2 + in.Take<uint8_t>() % 15;
  s.search_range = 1 + in.Take<uint8_t>() % 16;
  const uint8_t bits = in.Take<uint8_t>();
  s.split_refinement = bits & 1;
  s.scene_detect = bits & 2 ? 1 : 0;
  constexpr double kThresholds[] = {10.0, 2.5, 0.0, 100.0};
  s.scene_threshold = kThresholds[(bits >> 2) % 4];
  return s;
}

// A time near the frames: at one (or before the first, or after the last),
// a few ticks off, or some share of a frame duration after it; or any time.
int64_t NextRequest(Bytes& in, const std::vector<standin::ScriptedFrame>& frames, int64_t step) {
  const uint8_t choice = in.Take<uint8_t>();
  if (choice >= 0xE0) return in.Time();
  const int index = in.Take<uint8_t>() % (frames.size() + 2);
  const int64_t base = index == 0 ? frameinterp::SaturatingAdd(frames.front().pts, -step)
                       : index > static_cast<int>(frames.size())
                           ? frameinterp::SaturatingAdd(frames.back().pts, step)
                           : frames[static_cast<size_t>(index - 1)].pts;
  switch (choice % 4) {
    case 0: return base;
    case 1: return frameinterp::SaturatingAdd(base, in.Take<int8_t>());
    default: return frameinterp::SaturatingAdd(base, step * in.Take<uint8_t>() / 256);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto footage = [] {
    standin::SetLogThreshold(5);
    standin::RegisterStandardServices();
    return LoadFootage();
  }();
  Bytes in(data, size);

  const uint8_t setup = in.Take<uint8_t>();
  const bool own_settings = setup & 1;  // a motion source of fuzzed settings
  if (setup & 2) standin::SetRowPadding(1 + in.Take<uint8_t>() % 64);
  const FrameRate rate = NextRate(in);
  const int64_t nominal = frameinterp::NominalFrameDuration(rate.num, rate.den);
  const int64_t step = nominal > 0 ? nominal : 400'000;
  const auto& clip = footage[in.Take<uint8_t>() % footage.size()];
  // Sources of fuzzed settings cost more per pixel: smaller crops.
  const int max_size = own_settings ? 160 : 480;
  Crop crop = NextCrop(in, clip, max_size);
  const int dx = in.Take<int8_t>() % 9, dy = in.Take<int8_t>() % 9;
  const size_t first = in.Take<uint8_t>() % clip.size();

  std::vector<standin::ScriptedFrame> frames;
  const int count = 1 + in.Take<uint8_t>() % 12;
  int64_t pts = in.Take<int16_t>() * int64_t{10'000};
  for (int i = 0; i < count; ++i) {
    const uint8_t kind = in.Take<uint8_t>();
    standin::ScriptedFrame frame;
    frame.pts = pts;
    frame.duration = kind & 1 ? in.Time() : step;
    frame.missing = (kind & 0xE0) == 0xE0;
    switch ((kind >> 1) % 8) {
      case 5:  // the last picture again
        if (!frames.empty()) frame.picture = frames.back().picture;
        break;
      case 6:  // a cut to another crop, of another size or format
        crop = NextCrop(in, clip, max_size);
        frame.picture = CropPicture(crop);
        break;
      case 7:  // a sample without a picture
        break;
      default:
        crop.from = &clip[(first + static_cast<size_t>(i)) % clip.size()];
        crop.x += dx;
        crop.y += dy;
        frame.picture = CropPicture(crop);
    }
    frames.push_back(frame);
    pts = kind & 16 ? in.Time() : frameinterp::SaturatingAdd(pts, step);
  }
  auto scripted = std::make_shared<standin::ScriptedProvider>(rate, frames);
  scripted->UseSharedSamples(setup & 4);
  const auto provider = std::make_shared<WatchedProvider>(scripted);
  Upstream upstream(frames);

  if (own_settings) {
    frameinterp::FrameSourceMotionImpl source(provider, false, NextSettings(in));
    for (int request = 0; request < 12 && !in.empty(); ++request) {
      const int64_t t = NextRequest(in, frames, step);
      upstream.CheckAnswer(source.GetFrame(t, 0), 2, t, *provider);
    }
  } else {
    frameinterp::FrameInterpImpl session;
    session.SetProvider(provider);
    uint32_t mode = setup & 8 ? 2 : in.Take<uint8_t>() % 6;
    session.SetMode(mode);
    for (int request = 0; request < 16 && !in.empty(); ++request) {
      const uint8_t op = in.Take<uint8_t>();
      try {
        switch (op % 8) {
          case 0:
            mode = in.Take<uint8_t>() % 6;
            session.SetMode(mode);
            break;
          case 1: {
            const core::ValAny value =
                op & 8 ? core::ValAny(static_cast<int64_t>(1)) : core::ValAny(true);
            session.SetOption(op & 16 ? "UseGpuEffect" : "Other", &value);
            break;
          }
          case 2:
            SwitchFaults(in.Take<uint8_t>());
            break;
          default: {
            const int64_t t = NextRequest(in, frames, step);
            const uint32_t flags = in.Take<uint8_t>();
            upstream.CheckAnswer(session.GetFrame(t, flags), mode, t, *provider);
            break;
          }
        }
      } catch (const std::bad_alloc&) {
      } catch (const core::AnyBadAccess&) {
      }
    }
  }
  upstream.CheckPictures();
  standin::ResetMedia();
  return 0;
}
