#include "quality/png_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "png_reader.h"
#include "quality/checksums.h"

namespace {

using fitool::Adler32;
using fitool::Crc32;
using fitool::WritePng;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(Checksums, StandardCheckValuesAndContinuation) {
  const std::string digits = "123456789";
  EXPECT_EQ(Crc32(Bytes(digits), digits.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
  EXPECT_EQ(Crc32(Bytes(digits) + 4, 5, Crc32(Bytes(digits), 4)), 0xCBF43926u);
  const std::string word = "Wikipedia";
  EXPECT_EQ(Adler32(Bytes(word), word.size()), 0x11E60398u);
  EXPECT_EQ(Adler32(nullptr, 0), 1u);
  EXPECT_EQ(Adler32(Bytes(word) + 3, 6, Adler32(Bytes(word), 3)), 0x11E60398u);
}

TEST(Checksums, Adler32StaysExactOverLongRuns) {
  // All 0xFF is the worst case for the deferred modulo; compare with the
  // definition evaluated in 64 bits.
  const std::vector<uint8_t> data(100'000, 0xFF);
  uint64_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(Adler32(data.data(), data.size()), static_cast<uint32_t>((b << 16) | a));
}

class PngFile : public ::testing::Test {
protected:
  void TearDown() override { std::remove(path_.c_str()); }
  const std::string path_ = TempFileForTest(".png");
};

TEST_F(PngFile, RoundTripsPixelsThroughEveryBlockLayout) {
  // 1×1; 3×2; a picture whose rows fill exactly two 65535-byte stored blocks
  // ((171·3 + 1)·255 = 131070); and one spilling into a third block.
  for (const auto& [w, h] : {std::pair{1, 1}, {3, 2}, {171, 255}, {200, 150}}) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7 + i / 251);
    std::string error;
    ASSERT_TRUE(WritePng(path_, w, h, rgb, &error)) << error;
    DecodedPng png;
    ASSERT_EQ(DecodePng(ReadFileBytes(path_), &png), "") << w << "x" << h;
    EXPECT_EQ(png.width, w);
    EXPECT_EQ(png.height, h);
    EXPECT_EQ(png.rgb, rgb) << w << "x" << h;
  }
}

TEST_F(PngFile, RejectsBadArgumentsAndUnwritablePaths) {
  std::string error;
  EXPECT_FALSE(WritePng(path_, 0, 4, {}, &error));
  EXPECT_NE(error.find(path_), std::string::npos);
  EXPECT_FALSE(WritePng(path_, 2, 2, std::vector<uint8_t>(11), &error));
  EXPECT_NE(error.find("11 bytes"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(path_));

  const std::string nowhere = path_ + ".missing-folder/x.png";
  EXPECT_FALSE(WritePng(nowhere, 2, 2, std::vector<uint8_t>(12), &error));
  EXPECT_NE(error.find(nowhere), std::string::npos);
  EXPECT_FALSE(WritePng(nowhere, 2, 2, std::vector<uint8_t>(12), nullptr));  // no message wanted
}

}  // namespace
