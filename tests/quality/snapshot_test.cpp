#include "quality/snapshot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>

#include "png_readback.h"
#include "synthetic_planes.h"

namespace {

using fitool::Panel;
using fitool::Picture;
using fitool::PictureToRgb;
using fitool::WriteSnapshot;

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

class Snapshot : public ::testing::Test {
protected:
  void TearDown() override { std::remove(path_.c_str()); }

  // Writes the rows to the test's file and reads them back; nullopt and the
  // reason in error_ when WriteSnapshot refuses.
  std::optional<DecodedPng> RoundTrip(const std::vector<std::vector<Panel>>& rows,
                                      int max_panel_width = 0) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    const bool written = WriteSnapshot(file, rows, &error_, max_panel_width);
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
  EXPECT_GT(a->y, 0) << "the labels above the panels";
}

// Columns of black and white, 40 x 20, drawn 20 pixels wide: mid grey, 20 x 10.
TEST_F(Snapshot, WidePanelsAreScaledDownToTheMeanOfThePixelsTheyCover) {
  Picture stripes = Picture::Filled(40, 20, 16, 128);
  for (size_t i = 1; i < stripes.y.size(); i += 2) stripes.y[i] = 235;
  const auto png = RoundTrip({{{{}, &stripes}}}, 20);
  ASSERT_TRUE(png) << error_;
  EXPECT_EQ(png->width, 4 + 20 + 4);
  EXPECT_TRUE(Locate(*png, std::vector<uint8_t>(20 * 10 * 3, 128), 20, 10));
  EXPECT_EQ(png->height, 4 + 10 + 4);
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
