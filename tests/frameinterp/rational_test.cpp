// Output rate parsing, the default rate and the rate bounds.
#include <gtest/gtest.h>

#include "rational.h"

namespace fitool {
namespace {

Rational Parsed(const std::string& text) {
  std::string error;
  const auto rate = ParseRate(text, &error);
  EXPECT_TRUE(rate.has_value()) << text << ": " << error;
  return rate.value_or(Rational{});
}

std::string Rejection(const std::string& text) {
  std::string error;
  EXPECT_FALSE(ParseRate(text, &error).has_value()) << text;
  return error;
}

// A decimal within 0.05 % of N x 1000/1001 is that rate, however it is
// rounded; other decimals are exact; ffmpeg's names are its rates.
TEST(ParseRate, ReadsFractionsAsGivenIntegersNamesNtscDecimalsAndExactDecimals) {
  struct Case {
    const char* text;
    Rational rate;
  };
  for (const Case c : {Case{"60/2", {60, 2}}, Case{"30000:1001", {30000, 1001}}, Case{"50", {50, 1}},
                       Case{"23.976", {24000, 1001}}, Case{"29.97", {30000, 1001}},
                       Case{"47.952", {48000, 1001}}, Case{"59.94", {60000, 1001}},
                       Case{"119.88", {120000, 1001}}, Case{"25.5", {51, 2}},
                       Case{"29.970", {30000, 1001}}, Case{"23.98", {24000, 1001}},
                       Case{"59.9401", {60000, 1001}}, Case{"23.96", {599, 25}},
                       Case{"12.5", {25, 2}}, Case{"25.0", {25, 1}}, Case{"50.00", {50, 1}},
                       Case{"1000.0", {1000, 1}}, Case{".25", {1, 4}}, Case{"ntsc", {30000, 1001}},
                       Case{"pal", {25, 1}}, Case{"film", {24, 1}},
                       Case{"ntsc-film", {24000, 1001}}}) {
    EXPECT_EQ(Parsed(c.text), c.rate) << c.text;
  }
}

TEST(ParseRate, RejectsMalformedZeroAndAbsurdRates) {
  for (const char* text : {"", "abc", "30/", "/2", "30:x", "-30", "3e1", "1.", "30/1/2", "2.5.1",
                           "4294967296/1", "NTSC", "pal25", "ntsc-"}) {
    EXPECT_NE(Rejection(text).find("is not a frame rate"), std::string::npos) << text;
  }
  for (const auto& [text, problem] : {std::pair{"0", "zero"}, {"30/0", "zero"},
                                      {"1000000", "above 100000"}, {"1/1001", "below 0.001"}}) {
    EXPECT_NE(Rejection(text).find(problem), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace fitool
