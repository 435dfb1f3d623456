#include "rational.h"

#include <array>
#include <cmath>
#include <numeric>
#include <string_view>
#include <utility>

namespace fitool {
namespace {

constexpr int64_t kMaxTerm = 4'294'967'295;
// 0.001 fps and 100,000 fps.
constexpr Rational kSlowest{1, 1000};
constexpr Rational kFastest{100'000, 1};

// a/b < c/d for terms within kMaxTerm: the products stay below 2^64.
bool Less(Rational a, Rational b) {
  return static_cast<uint64_t>(a.num) * static_cast<uint64_t>(b.den) <
         static_cast<uint64_t>(b.num) * static_cast<uint64_t>(a.den);
}

// A run of decimal digits as a number no greater than `limit`.
std::optional<int64_t> ParseDigits(std::string_view digits, int64_t limit) {
  if (digits.empty()) return std::nullopt;
  int64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return value;
}

// ffmpeg's names of video rates.
constexpr std::array<std::pair<std::string_view, Rational>, 4> kNamedRates{{
    {"ntsc", {30000, 1001}},
    {"pal", {25, 1}},
    {"film", {24, 1}},
    {"ntsc-film", {24000, 1001}},
}};

// The rate N x 1000/1001 for the integer N nearest to 1.001 x `rate`, when
// `rate` lies within 0.05 % of it: such rates are written as rounded
// decimals (23.976, 23.98, 29.97, 29.970, 59.94) that stand for the exact
// x/1001 rate.
std::optional<Rational> NtscStyleRate(Rational rate) {
  const long double value = static_cast<long double>(rate.num) / static_cast<long double>(rate.den);
  const long double n = std::round(value * 1001 / 1000);
  const long double ntsc = n * 1000 / 1001;
  if (n < 1 || n > kMaxTerm / 1000 || std::fabs(value - ntsc) > ntsc * 0.0005L) return std::nullopt;
  return Reduced({static_cast<int64_t>(n) * 1000, 1001});
}

// A decimal "I.F" as its exact fraction I·10^k + F over 10^k, reduced.
std::optional<Rational> ParseDecimal(std::string_view text, size_t point) {
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = text.substr(point + 1);
  // Up to 18 digits in all keep I·10^k + F within 64 bits.
  if (fraction.empty() || whole.size() + fraction.size() > 18) return std::nullopt;
  int64_t scale = 1;
  for (size_t i = 0; i < fraction.size(); ++i) scale *= 10;
  const auto w = whole.empty() ? std::optional<int64_t>(0) : ParseDigits(whole, INT64_MAX / 10);
  const auto f = ParseDigits(fraction, INT64_MAX);
  if (!w || !f) return std::nullopt;
  return Reduced({*w * scale + *f, scale});
}

}  // namespace

Rational Reduced(Rational rate) {
  const int64_t g = std::gcd(rate.num, rate.den);
  if (g <= 1) return rate;
  return {rate.num / g, rate.den / g};
}

std::string RateText(Rational rate) {
  return std::to_string(rate.num) + ":" + std::to_string(rate.den);
}

std::string RateProblem(Rational rate) {
  if (rate.num <= 0 || rate.den <= 0) return "has a zero or negative term";
  if (rate.num > kMaxTerm || rate.den > kMaxTerm) return "has a term above 4294967295";
  if (Less(rate, kSlowest)) return "is below 0.001 frames per second";
  if (Less(kFastest, rate)) return "is above 100000 frames per second";
  return "";
}

std::optional<Rational> ParseRate(const std::string& text, std::string* error) {
  const std::string_view view(text);
  std::optional<Rational> rate;
  const size_t separator = view.find_first_of("/:");
  const size_t point = view.find('.');
  if (separator != std::string_view::npos) {
    const auto num = ParseDigits(view.substr(0, separator), kMaxTerm);
    const auto den = ParseDigits(view.substr(separator + 1), kMaxTerm);
    if (num && den) rate = Rational{*num, *den};
  } else if (point != std::string_view::npos) {
    rate = ParseDecimal(view, point);
    if (rate) rate = NtscStyleRate(*rate).value_or(*rate);
  } else if (const auto num = ParseDigits(view, kMaxTerm)) {
    rate = Rational{*num, 1};
  } else {
    for (const auto& [name, value] : kNamedRates) {
      if (view == name) rate = value;
    }
  }
  if (!rate) {
    *error = "'" + text +
             "' is not a frame rate (use N/D, N:D, N, a decimal such as 29.97, or ntsc, pal, "
             "film, ntsc-film)";
    return std::nullopt;
  }
  const std::string problem = RateProblem(*rate);
  if (!problem.empty()) {
    *error = "frame rate '" + text + "' " + problem;
    return std::nullopt;
  }
  return rate;
}

Rational DoubledRate(Rational rate) { return Reduced({2 * rate.num, rate.den}); }

}  // namespace fitool
