// Frame rates as exact fractions, and the parsing of the output rate option.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace fitool {

// num/den frames per second; both positive once validated.
struct Rational {
  int64_t num = 0;
  int64_t den = 1;

  friend bool operator==(const Rational&, const Rational&) = default;
};

// The same value with numerator and denominator divided by their gcd.
Rational Reduced(Rational rate);

// "num:den", the form a YUV4MPEG2 header uses.
std::string RateText(Rational rate);

// The problem with a rate as a sentence fragment, or "" when it is usable:
// both terms in 1 .. 4,294,967,295 and the value within 0.001 .. 100,000 fps
// (frames at least 100 ticks and at most 1000 s apart).
std::string RateProblem(Rational rate);

// Parses an output rate: "N/D" or "N:D" (kept as given), an integer N (N/1),
// the named decimals 23.976, 29.97, 47.952, 59.94 and 119.88 (the NTSC-style
// rates x/1001), or any other decimal as its exact reduced fraction.
// On failure returns nullopt with the reason in *error.
std::optional<Rational> ParseRate(const std::string& text, std::string* error);

// Twice the given rate, reduced.
Rational DoubledRate(Rational rate);

}  // namespace fitool
