#include "blend_check.h"

#include "standin/locked_picture.h"

namespace blendtest {

std::shared_ptr<standin::CpuBuffer> PatternPicture(uint32_t format, uint32_t width, uint32_t height,
                                                   int seed) {
  auto picture = standin::MakePicture(format, width, height);
  const standin::PictureLayout& layout = picture->layout();
  for (int p = 0; p < layout.plane_count; ++p) {
    const size_t row_bytes = layout.planes[p].row_bytes;
    for (size_t i = 0; i < layout.PlaneBytes(p); ++i) {
      picture->plane(p)[i] = static_cast<uint8_t>((i % row_bytes) * 7 + (i / row_bytes) * 13 +
                                                  static_cast<size_t>(p * 61 + seed * 97 + 3));
    }
  }
  return picture;
}

std::vector<standin::ScriptedFrame> PatternFrames(int count, int64_t start, int64_t step,
                                                  int64_t duration) {
  std::vector<standin::ScriptedFrame> frames;
  for (int i = 0; i < count; ++i) {
    frames.push_back({start + i * step, duration, PatternPicture(1, 16, 8, i), false});
  }
  return frames;
}

BufferPtr BufferOf(const std::shared_ptr<avcore::IMediaSample>& sample) {
  BufferPtr buffer;
  if (sample) sample->GetBuffer(&buffer, 0, 0);
  return buffer;
}

::testing::AssertionResult IsBlendOf(avcore::IMediaBuffer* out, avcore::IMediaBuffer* a,
                                     avcore::IMediaBuffer* b, float factor) {
  if (out == nullptr || a == nullptr || b == nullptr) {
    return ::testing::AssertionFailure() << "a picture is missing";
  }
  avcore::IMediaDesc* desc = out->GetDesc(0);
  const standin::PictureLayout layout =
      standin::LayoutFor(desc->GetFormat(), desc->GetWidth(0), desc->GetHeight(0));
  constexpr uint32_t kRead = avcore::IMediaBuffer::kRead;
  const standin::LockedPicture lo(*out, kRead), la(*a, kRead), lb(*b, kRead);
  if (!lo.ok() || !la.ok() || !lb.ok()) return ::testing::AssertionFailure() << "cannot lock";
  const float scaled = factor * 1024.0f + 0.5f;
  const uint32_t w = !(scaled > 0.0f)    ? 0
                     : scaled >= 1024.0f ? 1024
                                         : static_cast<uint32_t>(scaled);
  for (int p = 0; p < layout.plane_count; ++p) {
    for (uint32_t row = 0; row < layout.planes[p].rows; ++row) {
      for (uint32_t x = 0; x < layout.planes[p].row_bytes; ++x) {
        const uint32_t va = la.At(p, row, x), vb = lb.At(p, row, x), vo = lo.At(p, row, x);
        const uint32_t expected = (va * (1024 - w) + vb * w + 512) >> 10;
        if (vo != expected) {
          return ::testing::AssertionFailure()
                 << "plane " << p << " row " << row << " byte " << x << ": " << vo << ", expected "
                 << expected << " from " << va << " and " << vb << " at w " << w;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

std::vector<std::string> LoggedSince(size_t first) {
  const std::vector<standin::LogLine> log = standin::CapturedLog();
  std::vector<std::string> lines;
  for (size_t k = first; k < log.size(); ++k) {
    lines.push_back(log[k].tag + " " + std::to_string(log[k].level) + " " + log[k].text);
  }
  return lines;
}

}  // namespace blendtest
