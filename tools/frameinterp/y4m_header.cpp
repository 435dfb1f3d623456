#include "y4m_header.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <sstream>
#include <string_view>

namespace fitool {
namespace {

constexpr std::string_view kMagic = "YUV4MPEG2";
constexpr std::array<std::string_view, 4> kColourTags = {"420", "420jpeg", "420paldv",
                                                          "420mpeg2"};
constexpr char kSupportedColours[] =
    "supported: 8-bit 4:2:0 as C420, C420jpeg, C420paldv, C420mpeg2 or no C token";
// How a user makes what the reader refuses: ffmpeg converts, scales or
// rewraps nearly anything.
constexpr char kColourFix[] =
    "; convert it to 8-bit 4:2:0 first, for example with ffmpeg's -pix_fmt yuv420p";
constexpr char kSizeFix[] =
    "; scale it down first, for example with ffmpeg's "
    "-vf scale=w=16384:h=16384:force_original_aspect_ratio=decrease";
constexpr char kContainerFix[] =
    "; decode it to YUV4MPEG2 first, for example with ffmpeg -i INPUT -pix_fmt yuv420p "
    "-f yuv4mpegpipe -";

std::optional<int64_t> Number(std::string_view digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (const char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Colour tags with a bit depth above 8 end in "p" and digits (C420p10), or
// "mono16".
bool NamesHighBitDepth(std::string_view colour) {
  if (colour == "mono16") return true;
  const size_t p = colour.rfind('p');
  return p != std::string_view::npos && p + 1 < colour.size() &&
         std::all_of(colour.begin() + static_cast<long>(p) + 1, colour.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string SideProblem(const char* name, std::optional<int64_t> side, std::string_view token) {
  if (!side) return "invalid " + std::string(name) + " '" + std::string(token) + "'";
  if (*side == 0) return std::string("zero ") + name;
  if (*side > kMaxPictureSide) {
    return std::string(name) + " " + std::to_string(*side) + " is above " +
           std::to_string(kMaxPictureSide) + kSizeFix;
  }
  return "";
}

}  // namespace

std::string Y4mHeader::LineWithRate(Rational output_rate) const {
  std::string line(kMagic);
  for (const std::string& token : tokens) {
    line += ' ';
    if (token[0] == 'F') {
      line += 'F';
      line += RateText(output_rate);
    } else if (token[0] == 'I' && interlaced) {
      line += "Ip";
    } else {
      line += token;
    }
  }
  line += '\n';
  return line;
}

size_t Y4mHeader::FrameBytes() const {
  const auto luma = static_cast<size_t>(width) * static_cast<size_t>(height);
  const auto chroma = static_cast<size_t>((width + 1) / 2) * static_cast<size_t>((height + 1) / 2);
  return luma + 2 * chroma;
}

std::optional<Y4mHeader> ParseY4mHeader(const std::string& line, std::string* error) {
  const auto fail = [error](std::string message) {
    *error = std::move(message);
    return std::nullopt;
  };
  if (line.compare(0, kMagic.size(), kMagic) != 0 ||
      (line.size() > kMagic.size() && line[kMagic.size()] != ' ')) {
    return fail(std::string("not a YUV4MPEG2 file (the header does not start with YUV4MPEG2)") +
                kContainerFix);
  }

  Y4mHeader header;
  bool seen_w = false, seen_h = false, seen_f = false, seen_c = false;
  std::istringstream words(line.substr(kMagic.size()));
  std::string token;
  while (words >> token) {
    const std::string_view value = std::string_view(token).substr(1);
    bool* seen = nullptr;
    switch (token[0]) {
      case 'W': {
        seen = &seen_w;
        const auto width = Number(value);
        if (auto problem = SideProblem("width", width, token); !problem.empty()) return fail(problem);
        header.width = static_cast<int>(*width);
        break;
      }
      case 'H': {
        seen = &seen_h;
        const auto height = Number(value);
        if (auto problem = SideProblem("height", height, token); !problem.empty()) {
          return fail(problem);
        }
        header.height = static_cast<int>(*height);
        break;
      }
      case 'F': {
        seen = &seen_f;
        const size_t colon = value.find(':');
        const auto num = Number(value.substr(0, colon));
        const auto den =
            colon == std::string_view::npos ? std::nullopt : Number(value.substr(colon + 1));
        if (!num || !den) return fail("invalid frame rate '" + token + "' (expected F num:den)");
        header.rate = {*num, *den};
        if (auto problem = RateProblem(header.rate); !problem.empty()) {
          return fail("frame rate " + RateText(header.rate) + " " + problem);
        }
        break;
      }
      case 'C': {
        seen = &seen_c;
        if (NamesHighBitDepth(value)) {
          return fail("unsupported bit depth in colour format '" + token + "' (" +
                      kSupportedColours + ")" + kColourFix);
        }
        if (std::find(kColourTags.begin(), kColourTags.end(), value) == kColourTags.end()) {
          return fail("unsupported colour format '" + token + "' (" + kSupportedColours + ")" +
                      kColourFix);
        }
        break;
      }
      case 'I':
        // Top or bottom field first, or mixed (then told frame by frame).
        header.interlaced = value == "t" || value == "b" || value == "m";
        break;
      default:  // aspect, X extensions and anything newer are kept as they are
        break;
    }
    if (seen) {
      if (*seen) return fail(std::string("repeated ") + token[0] + " token in the header");
      *seen = true;
    }
    header.tokens.push_back(token);
  }
  if (!seen_w) return fail("the header has no width (W)");
  if (!seen_h) return fail("the header has no height (H)");
  if (!seen_f) return fail("the header has no frame rate (F)");
  return header;
}

}  // namespace fitool
