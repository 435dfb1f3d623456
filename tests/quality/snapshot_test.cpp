#include "quality/snapshot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <set>

#include "png_readback.h"
#include "quality/bitmap_font.h"
#include "synthetic_planes.h"

namespace {

using fitool::Panel;
using fitool::Picture;
using fitool::PictureToRgb;
using fitool::WriteSnapshot;

std::vector<int> Pixel(const std::vector<uint8_t>& rgb, size_t index) {
  return {rgb[index * 3], rgb[index * 3 + 1], rgb[index * 3 + 2]};
}

TEST(PictureToRgb, KnownColours) {
  // Left 2×2 block: black (Y 16), white (Y 235), mid grey, below-black Y 0;
  // right block: BT.601 limited-range red (81, 90, 240) and overshoot.
  Picture p = Picture::Filled(4, 2, 16, 128);
  p.y = {16, 235, 81, 255, 126, 0, 81, 255};
  p.u = {128, 90};
  p.v = {128, 240};
  const std::vector<uint8_t> rgb = PictureToRgb(p);
  ASSERT_EQ(rgb.size(), 4u * 2 * 3);
  EXPECT_EQ(Pixel(rgb, 0), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Pixel(rgb, 1), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(Pixel(rgb, 4), (std::vector<int>{128, 128, 128}));
  EXPECT_EQ(Pixel(rgb, 5), (std::vector<int>{0, 0, 0}));  // clipped, not wrapped
  for (size_t i : {2, 6}) {  // both pixels of the right block share its chroma
    const std::vector<int> red = Pixel(rgb, i);
    EXPECT_NEAR(red[0], 255, 2);
    EXPECT_NEAR(red[1], 0, 2);
    EXPECT_NEAR(red[2], 0, 2);
  }
  EXPECT_EQ(Pixel(rgb, 3)[0], 255);  // Y 255 with V 240 would exceed 255 in red
  EXPECT_EQ(Pixel(rgb, 7)[0], 255);
}

TEST(BitmapFont, GlyphsAreDistinctAndCaseInsensitive) {
  using fitool::GlyphRows;
  using fitool::kGlyphHeight;
  // Each glyph's rows as a string of bytes, to compare and collect them.
  const auto rows = [](char c) { return std::string(GlyphRows(c), GlyphRows(c) + kGlyphHeight); };
  std::set<std::string> seen;
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,:;-+=*/()[]<>|_%#'\"!?@";
  for (char c : alphabet) {
    EXPECT_TRUE(seen.insert(rows(c)).second) << "glyph of '" << c << "' repeats another";
    for (char row : rows(c)) EXPECT_EQ(row & ~0x1F, 0) << c;  // five columns only
  }
  for (char c = 'a'; c <= 'z'; ++c) EXPECT_EQ(rows(c), rows(static_cast<char>(c - 'a' + 'A')));
  EXPECT_EQ(rows(' '), std::string(kGlyphHeight, '\0'));
  EXPECT_FALSE(seen.count(rows('~'))) << "unknown characters need a shape of their own";
  EXPECT_EQ(rows('~'), rows('\x7F'));
}

// A picture whose luma is a fixed pseudo-random pattern.
Picture Noise(int w, int h, uint32_t seed) {
  Picture p = Picture::Filled(w, h, 0, 128);
  p.y = frameinterp::testing::random_plane(w, h, w, seed).px;
  return p;
}

// Where `block` (bw × bh RGB pixels) appears in `image`: the top-left corner
// of the first match, searching every position.
struct Found {
  int x;
  int y;
};
std::optional<Found> Locate(const DecodedPng& image, const std::vector<uint8_t>& block, int bw,
                            int bh) {
  for (int y = 0; y + bh <= image.height; ++y) {
    for (int x = 0; x + bw <= image.width; ++x) {
      bool match = true;
      for (int r = 0; r < bh && match; ++r) {
        match = std::equal(&block[static_cast<size_t>(r) * bw * 3],
                           &block[static_cast<size_t>(r + 1) * bw * 3],
                           &image.rgb[(static_cast<size_t>(y + r) * image.width + x) * 3]);
      }
      if (match) return Found{x, y};
    }
  }
  return std::nullopt;
}

// Number of distinct colours in the rows [top, bottom) between the given columns.
size_t Colours(const DecodedPng& image, int top, int bottom, int x0, int x1) {
  std::set<std::vector<int>> colours;
  for (int y = top; y < bottom; ++y) {
    for (int x = x0; x < x1; ++x)
      colours.insert(Pixel(image.rgb, static_cast<size_t>(y) * image.width + x));
  }
  return colours.size();
}

class Snapshot : public ::testing::Test {
protected:
  void TearDown() override { std::remove(path_.c_str()); }

  // Writes the rows to the test's file and reads them back; nullopt and the
  // reason in error_ when WriteSnapshot refuses.
  std::optional<DecodedPng> RoundTrip(const std::vector<std::vector<Panel>>& rows) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    const bool written = WriteSnapshot(file, rows, &error_);
    std::fclose(file);
    if (!written) return std::nullopt;
    return ReadPng(path_);
  }

  const std::string path_ = (std::filesystem::temp_directory_path() /
                             ("snapshot-test-" + std::to_string(std::random_device{}()) + ".png"))
                                .string();
  std::string error_;
  const Picture first_ = Noise(24, 16, 1);
  const Picture second_ = Noise(24, 16, 2);
};

TEST_F(Snapshot, RowsOfLabelledPanelsWithErrorMapsUnderTheirColumns) {
  const auto png = RoundTrip({{{{"ab", "c"}, &first_}, {{}, &second_}},
                              {{}, {{"err"}, &second_, &first_}}});
  ASSERT_TRUE(png) << error_;
  std::vector<uint8_t> error_map;
  for (size_t i = 0; i < first_.y.size(); ++i) {
    const int d = std::min(255, 4 * std::abs(first_.y[i] - second_.y[i]));
    error_map.insert(error_map.end(), 3, static_cast<uint8_t>(d));
  }
  const auto a = Locate(*png, PictureToRgb(first_), 24, 16);
  const auto b = Locate(*png, PictureToRgb(second_), 24, 16);
  const auto e = Locate(*png, error_map, 24, 16);
  ASSERT_TRUE(a && b && e);
  EXPECT_EQ(a->y, b->y);
  EXPECT_LT(a->x + 24, b->x);
  EXPECT_EQ(e->x, b->x);  // under the panel it belongs to
  EXPECT_GT(e->y, b->y + 16);
  // Two label lines above the first panel, none above the second; the
  // error map's own label between the rows; nothing under the first panel.
  const int line = fitool::kGlyphHeight + 4;
  EXPECT_GT(Colours(*png, a->y - line, a->y, a->x, a->x + 24), 1u);
  EXPECT_GT(Colours(*png, a->y - 2 * line, a->y - line, a->x, a->x + 24), 1u);
  EXPECT_EQ(Colours(*png, 0, b->y, b->x, b->x + 24), 1u);
  EXPECT_GT(Colours(*png, b->y + 16, e->y, e->x, e->x + 24), 1u);
  EXPECT_EQ(Colours(*png, a->y + 16, png->height, a->x, a->x + 24), 1u);
}

TEST_F(Snapshot, IsCompressed) {
  const Picture flat = Picture::Filled(320, 240, 90, 100);
  const auto png = RoundTrip({{{{"flat"}, &flat}}});
  ASSERT_TRUE(png) << error_;
  EXPECT_LT(std::filesystem::file_size(path_), png->rgb.size() / 20);
}

TEST_F(Snapshot, RejectsMissingOrMismatchedPictures) {
  const Picture small = Noise(8, 8, 3);
  Picture torn = first_;
  torn.u.pop_back();
  EXPECT_FALSE(RoundTrip({}));
  EXPECT_FALSE(RoundTrip({{{{"gone"}, nullptr}}}));
  EXPECT_FALSE(RoundTrip({{{{"a"}, &first_, &small}}}));
  EXPECT_NE(error_.find("'a'"), std::string::npos) << error_;
  EXPECT_FALSE(RoundTrip({{{{"torn"}, &torn}}}));
  EXPECT_NE(error_.find("'torn'"), std::string::npos) << error_;
}

}  // namespace
