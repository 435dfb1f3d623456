// Writes a YUV4MPEG2 clip enlarged from another: every plane of every frame
// scaled up bilinearly by an integer factor, at a frame rate of one's choice.
// For measuring frameinterp at large sizes on real footage:
//   y4m_enlarge park_joy_480x270_50fps_10f.y4m 4 24:1 > park_joy_1080p24.y4m
#include <cstdio>
#include <cstdlib>
#include <string>

#include "synthetic_planes.h"
#include "upscale.h"
#include "tool_error.h"
#include "y4m_clip.h"

int main(int argc, char** argv) {
  using frameinterp::testing::Plane;
  if (argc != 4) {
    std::fprintf(stderr, "usage: y4m_enlarge INPUT.y4m FACTOR RATE(N:D) > OUTPUT.y4m\n");
    return 2;
  }
  const int factor = std::atoi(argv[2]);
  if (factor < 1) {
    std::fprintf(stderr, "y4m_enlarge: bad factor %s\n", argv[2]);
    return 1;
  }
  try {
    const auto clip = fitool::Y4mClip::Open(argv[1], fitool::Y4mClip::Access::kForward);
    const int32_t w = clip->header().width, h = clip->header().height;
    std::printf("YUV4MPEG2 W%d H%d F%s Ip A1:1 C420jpeg\n", w * factor, h * factor, argv[3]);
    for (int64_t i = 0; clip->Has(i); ++i) {
      const fitool::Picture frame = clip->Frame(i);
      std::printf("FRAME\n");
      for (const std::vector<uint8_t>* samples : {&frame.y, &frame.u, &frame.v}) {
        const int32_t pw = samples == &frame.y ? w : w / 2;
        Plane plane(pw, static_cast<int32_t>(samples->size()) / pw, pw);
        plane.px = *samples;
        const Plane big = frameinterp::testing::upscale(plane, factor);
        std::fwrite(big.data(), 1, big.px.size(), stdout);
      }
    }
  } catch (const fitool::ToolError& e) {
    std::fprintf(stderr, "y4m_enlarge: %s\n", e.what());
    return 1;
  }
  return 0;
}
