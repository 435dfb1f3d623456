// Writes a YUV4MPEG2 clip enlarged from another: every plane of every frame
// scaled up bilinearly by an integer factor, at a frame rate of one's choice.
// For measuring frameinterp at large sizes on real footage:
//   y4m_enlarge park_joy_480x270_50fps_10f.y4m 4 24:1 > park_joy_1080p24.y4m
#include <cstdio>
#include <cstdlib>
#include <string>

#include "synthetic_planes.h"
#include "y4m_reader.h"

int main(int argc, char** argv) {
  using frameinterp::testing::Plane;
  if (argc != 4) {
    std::fprintf(stderr, "usage: y4m_enlarge INPUT.y4m FACTOR RATE(N:D) > OUTPUT.y4m\n");
    return 2;
  }
  const auto clip = frameinterp::testing::read_y4m(argv[1], 1 << 20);
  const int factor = std::atoi(argv[2]);
  if (clip.frames.empty() || factor < 1) {
    std::fprintf(stderr, "y4m_enlarge: cannot read %s or bad factor %s\n", argv[1], argv[2]);
    return 1;
  }
  const int32_t w = clip.width, h = clip.height;
  std::printf("YUV4MPEG2 W%d H%d F%s Ip A1:1 C420jpeg\n", w * factor, h * factor, argv[3]);
  for (const auto& frame : clip.frames) {
    std::printf("FRAME\n");
    size_t at = 0;
    for (int p = 0; p < 3; ++p) {
      const int32_t pw = p == 0 ? w : w / 2, ph = p == 0 ? h : h / 2;
      Plane plane(pw, ph, pw);
      std::copy(frame.begin() + static_cast<std::ptrdiff_t>(at),
                frame.begin() + static_cast<std::ptrdiff_t>(at + plane.px.size()), plane.px.begin());
      at += plane.px.size();
      const Plane big = frameinterp::testing::upscale(plane, factor);
      std::fwrite(big.data(), 1, big.px.size(), stdout);
    }
  }
  return 0;
}
