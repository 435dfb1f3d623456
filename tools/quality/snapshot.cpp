#include "snapshot.h"

#include <algorithm>
#include <cstdlib>

#include "bitmap_font.h"
#include "png_writer.h"

namespace fitool {
namespace {

constexpr uint8_t kBackground = 40;  // dark grey between and above the panels
constexpr uint8_t kTextColour[3] = {240, 240, 240};
constexpr int kGap = 4;  // pixels between panels and around labels
constexpr int kErrorGain = 4;

// A panel's content as RGB, its size and its label.
struct RgbPanel {
  int width;
  int height;
  std::vector<uint8_t> rgb;
  std::string label;
};

// |a − b| of luma ×kErrorGain, clipped, as grey.
RgbPanel ErrorMap(const Picture& a, const Picture& b) {
  RgbPanel panel{a.width, a.height, std::vector<uint8_t>(a.y.size() * 3), "ERROR |Y| X4"};
  for (size_t i = 0; i < a.y.size(); ++i) {
    const int d = std::min(255, kErrorGain * std::abs(int{a.y[i]} - int{b.y[i]}));
    std::fill_n(&panel.rgb[i * 3], 3, static_cast<uint8_t>(d));
  }
  return panel;
}

bool ValidPicture(const Picture* p) {
  if (!p || p->width <= 0 || p->height <= 0 || p->width % 2 || p->height % 2) return false;
  const size_t luma = static_cast<size_t>(p->width) * p->height;
  return p->y.size() == luma && p->u.size() == luma / 4 && p->v.size() == luma / 4;
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

}  // namespace

bool WriteSnapshot(const std::string& path, const std::vector<Panel>& panels,
                   const Picture* error_reference_a, const Picture* error_reference_b,
                   std::string* error) {
  std::vector<RgbPanel> shown;
  for (const Panel& panel : panels) {
    if (!ValidPicture(panel.picture))
      return Fail(error, path + ": panel '" + panel.label + "' has no valid picture");
    shown.push_back(
        {panel.picture->width, panel.picture->height, PictureToRgb(*panel.picture), panel.label});
  }
  if (error_reference_a && error_reference_b) {
    if (!ValidPicture(error_reference_a) || !ValidPicture(error_reference_b) ||
        error_reference_a->width != error_reference_b->width ||
        error_reference_a->height != error_reference_b->height) {
      return Fail(error, path + ": the error map needs two valid pictures of one size");
    }
    shown.push_back(ErrorMap(*error_reference_a, *error_reference_b));
  }
  if (shown.empty()) return Fail(error, path + ": nothing to show");

  // Labels at double size unless a panel is too narrow for a few such glyphs.
  int narrowest = shown.front().width, tallest = 0;
  for (const RgbPanel& p : shown) {
    narrowest = std::min(narrowest, p.width);
    tallest = std::max(tallest, p.height);
  }
  const int scale = narrowest >= 160 ? 2 : 1;
  const int label_height = kGlyphHeight * scale + 2 * kGap;
  int width = kGap;
  for (const RgbPanel& p : shown) width += p.width + kGap;
  const int height = label_height + tallest + kGap;

  std::vector<uint8_t> canvas(static_cast<size_t>(width) * height * 3, kBackground);
  int x = kGap;
  for (const RgbPanel& p : shown) {
    DrawText(canvas, width, x, kGap, x + p.width, scale, p.label, kTextColour);
    for (int r = 0; r < p.height; ++r) {
      std::copy_n(&p.rgb[static_cast<size_t>(r) * p.width * 3], static_cast<size_t>(p.width) * 3,
                  &canvas[(static_cast<size_t>(label_height + r) * width + x) * 3]);
    }
    x += p.width + kGap;
  }
  return WritePng(path, width, height, canvas, error);
}

}  // namespace fitool
