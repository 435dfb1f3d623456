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

TEST(ParseRate, KeepsFractionsAsGivenAndReadsIntegers) {
  EXPECT_EQ(Parsed("60/2"), (Rational{60, 2}));
  EXPECT_EQ(Parsed("30000:1001"), (Rational{30000, 1001}));
  EXPECT_EQ(Parsed("50"), (Rational{50, 1}));
}

TEST(ParseRate, NamedDecimalsAreTheThousandOneRates) {
  EXPECT_EQ(Parsed("23.976"), (Rational{24000, 1001}));
  EXPECT_EQ(Parsed("29.97"), (Rational{30000, 1001}));
  EXPECT_EQ(Parsed("47.952"), (Rational{48000, 1001}));
  EXPECT_EQ(Parsed("59.94"), (Rational{60000, 1001}));
  EXPECT_EQ(Parsed("119.88"), (Rational{120000, 1001}));
}

TEST(ParseRate, OtherDecimalsAreExactReducedFractions) {
  EXPECT_EQ(Parsed("25.5"), (Rational{51, 2}));
  EXPECT_EQ(Parsed("29.970"), (Rational{2997, 100}));
  EXPECT_EQ(Parsed("0.5"), (Rational{1, 2}));
  EXPECT_EQ(Parsed(".25"), (Rational{1, 4}));
}

TEST(ParseRate, RejectsMalformedZeroAndAbsurdRates) {
  for (const char* text : {"", "abc", "30/", "/2", "30:x", "-30", "3e1", "1.", "30/1/2", "2.5.1"}) {
    EXPECT_NE(Rejection(text).find("is not a frame rate"), std::string::npos) << text;
  }
  EXPECT_NE(Rejection("0").find("zero"), std::string::npos);
  EXPECT_NE(Rejection("30/0").find("zero"), std::string::npos);
  EXPECT_NE(Rejection("1000000").find("above 100000"), std::string::npos);
  EXPECT_NE(Rejection("1/1001").find("below 0.001"), std::string::npos);
  EXPECT_NE(Rejection("4294967296/1").find("is not a frame rate"), std::string::npos);
}

TEST(DoubledRate, IsTwiceTheRateReduced) {
  EXPECT_EQ(DoubledRate({30000, 1001}), (Rational{60000, 1001}));
  EXPECT_EQ(DoubledRate({25, 2}), (Rational{25, 1}));
  EXPECT_EQ(DoubledRate({30, 4}), (Rational{15, 1}));
  EXPECT_EQ(RateText(DoubledRate({12, 1})), "24:1");
}

}  // namespace
}  // namespace fitool
