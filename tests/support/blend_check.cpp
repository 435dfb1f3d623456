#include "blend_check.h"

#include <algorithm>

namespace blendtest {

std::shared_ptr<standin::CpuBuffer> PatternPicture(uint32_t format, uint32_t width, uint32_t height,
                                                   int seed) {
  auto picture = standin::MakePicture(format, width, height);
  const standin::PictureLayout& layout = picture->layout();
  for (int p = 0; p < layout.plane_count; ++p) {
    uint8_t* bytes = picture->plane(p);
    const size_t row_bytes = layout.planes[p].row_bytes;
    for (size_t row = 0; row < layout.planes[p].rows; ++row) {
      for (size_t x = 0; x < row_bytes; ++x) {
        bytes[row * row_bytes + x] = static_cast<uint8_t>(
            x * 7 + row * 13 + static_cast<size_t>(p) * 61 + static_cast<size_t>(seed) * 97 + 3);
      }
    }
  }
  return picture;
}

int64_t ClipFrameTime(const frameinterp::testing::Y4MClip& clip, int64_t index) {
  return index * 10'000'000 * clip.rate_den / clip.rate_num;
}

std::vector<standin::ScriptedFrame> FramesFromClip(const frameinterp::testing::Y4MClip& clip,
                                                   uint32_t format) {
  const auto width = static_cast<uint32_t>(clip.width);
  const auto height = static_cast<uint32_t>(clip.height);
  const uint32_t half_w = width / 2;
  std::vector<standin::ScriptedFrame> frames;
  for (size_t i = 0; i < clip.frames.size(); ++i) {
    const frameinterp::testing::Y4MFrame& source = clip.frames[i];
    auto picture = standin::MakePicture(format, width, height);
    if (format == 1 || format == 6) {
      std::copy(source.y.begin(), source.y.end(), picture->plane(0));
    }
    if (format == 1) {
      std::copy(source.u.begin(), source.u.end(), picture->plane(1));
      std::copy(source.v.begin(), source.v.end(), picture->plane(2));
    } else if (format == 6) {
      uint8_t* uv = picture->plane(1);
      for (size_t c = 0; c < source.u.size(); ++c) {
        uv[2 * c] = source.u[c];
        uv[2 * c + 1] = source.v[c];
      }
    } else {
      uint8_t* pixel = picture->plane(0);
      for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x, pixel += 4) {
          const size_t chroma = static_cast<size_t>(y / 2) * half_w + x / 2;
          pixel[0] = source.y[static_cast<size_t>(y) * width + x];
          pixel[1] = source.u[chroma];
          pixel[2] = source.v[chroma];
          pixel[3] = 255;
        }
      }
    }
    const auto index = static_cast<int64_t>(i);
    const int64_t pts = ClipFrameTime(clip, index);
    frames.push_back({pts, ClipFrameTime(clip, index + 1) - pts, std::move(picture), false});
  }
  return frames;
}

std::vector<standin::ScriptedFrame> PatternFrames(int count, int64_t start, int64_t step,
                                                  int64_t duration, uint32_t format, uint32_t width,
                                                  uint32_t height) {
  std::vector<standin::ScriptedFrame> frames;
  for (int i = 0; i < count; ++i) {
    frames.push_back({start + i * step, duration, PatternPicture(format, width, height, i), false});
  }
  return frames;
}

BufferPtr BufferOf(const std::shared_ptr<avcore::IMediaSample>& sample) {
  BufferPtr buffer;
  if (sample) sample->GetBuffer(&buffer, 0, 0);
  return buffer;
}

int32_t ExpectedWeight(float factor) {
  const float scaled = factor * 1024.0f + 0.5f;
  if (scaled != scaled || scaled <= 0.0f) return 0;
  if (scaled >= 2048.0f) return 1024;
  const int32_t w = static_cast<int32_t>(scaled);
  return w > 1024 ? 1024 : w;
}

namespace {

struct Locked {
  explicit Locked(avcore::IMediaBuffer* b) : buffer(b) {
    ok = buffer->Lock(planes, strides, avcore::IMediaBuffer::kRead, 0) == 0;
  }
  ~Locked() {
    if (ok) buffer->Unlock();
  }
  avcore::IMediaBuffer* buffer;
  uint8_t* planes[avcore::IMediaBuffer::kMaxPlanes] = {};
  int32_t strides[avcore::IMediaBuffer::kMaxPlanes] = {};
  bool ok = false;
};

standin::PictureLayout LayoutOf(avcore::IMediaBuffer* buffer) {
  avcore::IMediaDesc* desc = buffer->GetDesc(0);
  return standin::LayoutFor(desc->GetFormat(), desc->GetWidth(0), desc->GetHeight(0));
}

}  // namespace

::testing::AssertionResult IsBlendOf(avcore::IMediaBuffer* out, avcore::IMediaBuffer* a,
                                     avcore::IMediaBuffer* b, float factor) {
  if (out == nullptr || a == nullptr || b == nullptr) {
    return ::testing::AssertionFailure() << "a picture is missing";
  }
  const standin::PictureLayout layout = LayoutOf(out);
  const Locked lo(out), la(a), lb(b);
  if (!lo.ok || !la.ok || !lb.ok) return ::testing::AssertionFailure() << "cannot lock";
  const uint32_t w = static_cast<uint32_t>(ExpectedWeight(factor));
  size_t checked = 0;
  for (int p = 0; p < layout.plane_count; ++p) {
    for (uint32_t row = 0; row < layout.planes[p].rows; ++row) {
      for (uint32_t x = 0; x < layout.planes[p].row_bytes; ++x) {
        const uint32_t va = la.planes[p][static_cast<size_t>(row) * la.strides[p] + x];
        const uint32_t vb = lb.planes[p][static_cast<size_t>(row) * lb.strides[p] + x];
        const uint32_t vo = lo.planes[p][static_cast<size_t>(row) * lo.strides[p] + x];
        const uint32_t expected = (va * (1024 - w) + vb * w + 512) >> 10;
        if (vo != expected) {
          return ::testing::AssertionFailure()
                 << "plane " << p << " row " << row << " byte " << x << ": " << vo << ", expected "
                 << expected << " from " << va << " and " << vb << " at w " << w;
        }
        ++checked;
      }
    }
  }
  return ::testing::AssertionSuccess() << checked << " bytes at w " << w;
}

::testing::AssertionResult SamePicture(avcore::IMediaBuffer* first, avcore::IMediaBuffer* second) {
  if (first == nullptr || second == nullptr) {
    return ::testing::AssertionFailure() << "a picture is missing";
  }
  const standin::PictureLayout layout = LayoutOf(first);
  const standin::PictureLayout other = LayoutOf(second);
  if (layout.plane_count != other.plane_count) {
    return ::testing::AssertionFailure() << "plane counts differ";
  }
  const Locked l1(first), l2(second);
  for (int p = 0; p < layout.plane_count; ++p) {
    if (layout.planes[p].rows != other.planes[p].rows ||
        layout.planes[p].row_bytes != other.planes[p].row_bytes) {
      return ::testing::AssertionFailure() << "plane " << p << " differs in size";
    }
    for (uint32_t row = 0; row < layout.planes[p].rows; ++row) {
      for (uint32_t x = 0; x < layout.planes[p].row_bytes; ++x) {
        if (l1.planes[p][static_cast<size_t>(row) * l1.strides[p] + x] !=
            l2.planes[p][static_cast<size_t>(row) * l2.strides[p] + x]) {
          return ::testing::AssertionFailure() << "plane " << p << " row " << row << " byte " << x;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

std::vector<standin::LogLine> WithTag(const std::vector<standin::LogLine>& lines,
                                      const std::string& tag) {
  std::vector<standin::LogLine> found;
  for (const standin::LogLine& line : lines) {
    if (line.tag == tag) found.push_back(line);
  }
  return found;
}

std::vector<std::string> Texts(const std::vector<standin::LogLine>& lines) {
  std::vector<std::string> texts;
  for (const standin::LogLine& line : lines) texts.push_back(line.text);
  return texts;
}

}  // namespace blendtest
