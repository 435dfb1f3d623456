#include "snapshot.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>

#include "bitmap_font.h"

namespace fitool {
namespace {

constexpr uint8_t kBackground = 40;  // dark grey between and above the panels
constexpr uint8_t kTextColour[3] = {240, 240, 240};
constexpr int kGap = 4;  // pixels between panels and around labels
constexpr int kErrorGain = 4;

// A panel's content as RGB, its size and its label.
struct Cell {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  std::vector<std::string> label;
};

// |a − b| of luma ×kErrorGain, clipped, as grey.
std::vector<uint8_t> ErrorMap(const Picture& a, const Picture& b) {
  std::vector<uint8_t> rgb(a.y.size() * 3);
  for (size_t i = 0; i < a.y.size(); ++i) {
    const int d = std::min(255, kErrorGain * std::abs(int{a.y[i]} - int{b.y[i]}));
    std::fill_n(&rgb[i * 3], 3, static_cast<uint8_t>(d));
  }
  return rgb;
}

bool ValidPicture(const Picture* p) {
  if (!p || p->width <= 0 || p->height <= 0) return false;
  const size_t luma = static_cast<size_t>(p->width) * p->height;
  const size_t chroma = static_cast<size_t>(p->chroma_width()) * p->chroma_height();
  return p->y.size() == luma && p->u.size() == chroma && p->v.size() == chroma;
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

// The panel's content, or false with the reason when its pictures are malformed.
bool MakeCell(const Panel& panel, Cell* cell, std::string* error) {
  cell->label = panel.label;
  if (!panel.picture) return true;
  const std::string name = panel.label.empty() ? "a panel" : "panel '" + panel.label[0] + "'";
  if (!ValidPicture(panel.picture)) return Fail(error, name + " has no valid picture");
  cell->width = panel.picture->width;
  cell->height = panel.picture->height;
  if (!panel.reference) {
    cell->rgb = PictureToRgb(*panel.picture);
    return true;
  }
  if (!ValidPicture(panel.reference) || panel.reference->width != cell->width ||
      panel.reference->height != cell->height) {
    return Fail(error, name + ": the error map needs two valid pictures of one size");
  }
  cell->rgb = ErrorMap(*panel.picture, *panel.reference);
  return true;
}

// The cell's content scaled down to `width` pixels across, its height in
// proportion (at least 1): each pixel the rounded mean of the block of source
// pixels it covers, the blocks' edges rounded to whole pixels.
void ScaleDown(Cell* cell, int width) {
  const int height = std::max(
      1, static_cast<int>((int64_t{cell->height} * width + cell->width / 2) / cell->width));
  // The first source pixel of output pixel i, of `to` over `from` pixels.
  const auto edge = [](int i, int from, int to) {
    return static_cast<int>((int64_t{i} * from + to / 2) / to);
  };
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const int top = edge(y, cell->height, height), bottom = edge(y + 1, cell->height, height);
    for (int x = 0; x < width; ++x) {
      const int left = edge(x, cell->width, width), right = edge(x + 1, cell->width, width);
      const int count = (bottom - top) * (right - left);
      int sum[3] = {0, 0, 0};
      for (int sy = top; sy < bottom; ++sy) {
        const uint8_t* row = &cell->rgb[static_cast<size_t>(sy) * cell->width * 3];
        for (int sx = left; sx < right; ++sx) {
          for (int k = 0; k < 3; ++k) sum[k] += row[sx * 3 + k];
        }
      }
      for (int k = 0; k < 3; ++k) {
        rgb[(static_cast<size_t>(y) * width + x) * 3 + k] =
            static_cast<uint8_t>((sum[k] + count / 2) / count);
      }
    }
  }
  cell->width = width;
  cell->height = height;
  cell->rgb = std::move(rgb);
}

bool WritePng(std::FILE* file, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  const bool written = png_image_write_to_stdio(&image, file, 0, rgb.data(), 0, nullptr) != 0;
  if (!written) Fail(error, std::string("cannot write the PNG: ") + image.message);
  png_image_free(&image);
  return written;
}

}  // namespace

bool WriteSnapshot(std::FILE* file, const std::vector<std::vector<Panel>>& rows,
                   std::string* error, int max_panel_width) {
  std::vector<std::vector<Cell>> cells(rows.size());
  std::vector<int> column_widths;
  int narrowest = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      Cell cell;
      if (!MakeCell(rows[r][c], &cell, error)) return false;
      if (max_panel_width > 0 && cell.width > max_panel_width) ScaleDown(&cell, max_panel_width);
      if (column_widths.size() <= c) column_widths.push_back(0);
      column_widths[c] = std::max(column_widths[c], cell.width);
      if (cell.width > 0) narrowest = narrowest ? std::min(narrowest, cell.width) : cell.width;
      cells[r].push_back(std::move(cell));
    }
  }
  if (narrowest == 0) return Fail(error, "nothing to show");

  // Labels at double size unless a panel is too narrow for a few such glyphs.
  const int scale = narrowest >= 160 ? 2 : 1;
  const int line_height = kGlyphHeight * scale + kGap;
  int width = kGap;
  for (const int column : column_widths) width += column + kGap;
  std::vector<int> row_tops;
  int height = 0;
  for (const std::vector<Cell>& row : cells) {
    size_t lines = 0;
    int tallest = 0;
    for (const Cell& cell : row) {
      lines = std::max(lines, cell.label.size());
      tallest = std::max(tallest, cell.height);
    }
    row_tops.push_back(height);
    height += kGap + static_cast<int>(lines) * line_height + tallest;
  }
  height += kGap;

  std::vector<uint8_t> canvas(static_cast<size_t>(width) * height * 3, kBackground);
  for (size_t r = 0; r < cells.size(); ++r) {
    size_t lines = 0;
    for (const Cell& cell : cells[r]) lines = std::max(lines, cell.label.size());
    const int picture_top = row_tops[r] + kGap + static_cast<int>(lines) * line_height;
    int x = kGap;
    for (size_t c = 0; c < cells[r].size(); ++c) {
      const Cell& cell = cells[r][c];
      for (size_t line = 0; line < cell.label.size(); ++line) {
        DrawText(canvas, width, x, row_tops[r] + kGap + static_cast<int>(line) * line_height,
                 x + column_widths[c], scale, cell.label[line], kTextColour);
      }
      for (int y = 0; y < cell.height; ++y) {
        std::copy_n(&cell.rgb[static_cast<size_t>(y) * cell.width * 3],
                    static_cast<size_t>(cell.width) * 3,
                    &canvas[(static_cast<size_t>(picture_top + y) * width + x) * 3]);
      }
      x += column_widths[c] + kGap;
    }
  }
  return WritePng(file, width, height, canvas, error);
}

}  // namespace fitool
