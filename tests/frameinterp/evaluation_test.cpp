// What --evaluate gives the module: the even frames, then the last of them
// once more for the next even frame's time.
#include <gtest/gtest.h>

#include "evaluation.h"

namespace fitool {
namespace {

std::vector<uint8_t> Served(int frames) {
  std::vector<Picture> pictures;
  for (int i = 0; i < frames; ++i) {
    pictures.push_back(Picture::Filled(2, 2, static_cast<uint8_t>(i), 128));
  }
  PictureList clip(std::move(pictures));
  EvenFramesWithTail upstream(clip, frames);
  std::vector<uint8_t> served;
  for (int64_t j = 0; j < upstream.count(); ++j) served.push_back(upstream.Frame(j).y[0]);
  return served;
}

TEST(EvenFramesWithTail, GivesTheEvenFramesAndRepeatsTheLastOfThem) {
  EXPECT_EQ(Served(5), (std::vector<uint8_t>{0, 2, 4, 4}));
  EXPECT_EQ(Served(4), (std::vector<uint8_t>{0, 2, 2}));
  EXPECT_EQ(Served(2), (std::vector<uint8_t>{0, 0}));
}

}  // namespace
}  // namespace fitool
