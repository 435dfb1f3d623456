#include "blend_check.h"

#include "host_pictures.h"
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
                                                  int64_t duration, uint32_t format, uint32_t width,
                                                  uint32_t height) {
  std::vector<standin::ScriptedFrame> frames;
  for (int i = 0; i < count; ++i) {
    frames.push_back({start + i * step, duration, PatternPicture(format, width, height, i), false});
  }
  return frames;
}

std::vector<standin::ScriptedFrame> FramesFromClip(const frameinterp::testing::Y4MVideo& clip,
                                                   uint32_t format) {
  const auto time = [&](size_t i) {
    return static_cast<int64_t>(i) * 10'000'000 * clip.rate_den / clip.rate_num;
  };
  std::vector<standin::ScriptedFrame> frames;
  for (size_t i = 0; i < clip.frames.size(); ++i) {
    motiontest::I420 picture(clip.width, clip.height);
    picture.bytes = clip.frames[i];
    frames.push_back({time(i), time(i + 1) - time(i), motiontest::HostPicture(picture, format),
                      false});
  }
  return frames;
}

frameinterp::testing::Y4MVideo ReadClip(const std::string& file, int32_t max_frames) {
  return frameinterp::testing::read_y4m(std::string(FRAMEINTERP_TESTDATA_DIR) + "/clips/" + file,
                                        max_frames);
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

int64_t BlendAtTwiceTheRate(service::IFrameInterp& session, standin::ScriptedProvider& provider) {
  const FrameRate rate = provider.GetFrameRate();
  const std::vector<standin::ScriptedFrame>& frames = provider.frames();
  int64_t blends = 0;
  size_t left = 0;
  for (int64_t k = 0;; ++k) {
    const int64_t t = k * 10'000'000 * rate.den / (2 * rate.num);
    if (t > frames.back().pts) return blends;
    const std::shared_ptr<avcore::IMediaSample> answer = session.GetFrame(t, 0);
    if (answer == nullptr) {
      ADD_FAILURE() << "no answer at " << t;
      return blends;
    }
    while (left + 1 < frames.size() && frames[left + 1].pts <= t) ++left;
    const standin::ScriptedFrame& before = frames[left];
    if (t - before.pts < 100) {
      EXPECT_EQ(BufferOf(answer), before.picture) << "request at " << t;
      EXPECT_EQ(answer->GetPts(), before.pts);
      EXPECT_EQ(answer->GetDuration(), before.duration);
      continue;
    }
    const standin::ScriptedFrame& after = frames.at(left + 1);
    const int64_t gap = after.pts - before.pts;
    EXPECT_EQ(answer->GetPts(), t);
    EXPECT_EQ(answer->GetDuration(), gap);
    const float factor = static_cast<float>(t - before.pts) / static_cast<float>(gap);
    const ::testing::AssertionResult blended =
        IsBlendOf(BufferOf(answer).get(), before.picture.get(), after.picture.get(), factor);
    if (!blended) {
      ADD_FAILURE() << "request at " << t << " between " << before.pts << " and " << after.pts
                    << ": " << blended.message();
      return blends;
    }
    ++blends;
  }
}

std::vector<std::string> LinesWithTag(const std::vector<standin::LogLine>& lines,
                                      const std::string& tag) {
  std::vector<std::string> found;
  for (const standin::LogLine& line : lines) {
    if (line.tag == tag) found.push_back(std::to_string(line.level) + " " + line.text);
  }
  return found;
}

}  // namespace blendtest
