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
// a decimal within 0.05 % of N x 1000/1001 for an integer N as that rate
// (29.97, 29.970 and 23.98 as well as 23.976), any other decimal as its exact
// reduced fraction, or one of ffmpeg's names ntsc (30000/1001), pal (25),
// film (24), ntsc-film (24000/1001). On failure returns nullopt with the
// reason in *error.
std::optional<Rational> ParseRate(const std::string& text, std::string* error);

// Twice the given rate, reduced.
Rational DoubledRate(Rational rate);

}  // namespace fitool
