#include "y4m_clip.h"

#include <fstream>
#include <sstream>

namespace frameinterp::testing {
namespace {

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool ReadPlane(std::ifstream& in, size_t bytes, std::vector<uint8_t>* plane) {
  plane->resize(bytes);
  return static_cast<bool>(
      in.read(reinterpret_cast<char*>(plane->data()), static_cast<std::streamsize>(bytes)));
}

}  // namespace

bool ReadY4MClip(const std::string& path, int32_t max_frames, Y4MClip* clip, std::string* error) {
  *clip = Y4MClip{};
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, path + ": cannot be opened");
  std::string header;
  if (!std::getline(in, header) || header.rfind("YUV4MPEG2", 0) != 0) {
    return Fail(error, path + ": no YUV4MPEG2 header");
  }
  std::istringstream tokens(header.substr(9));
  std::string token;
  while (tokens >> token) {
    const std::string value = token.substr(1);
    switch (token[0]) {
      case 'W':
        clip->width = std::stoi(value);
        break;
      case 'H':
        clip->height = std::stoi(value);
        break;
      case 'F': {
        const auto colon = value.find(':');
        if (colon == std::string::npos) return Fail(error, path + ": bad rate " + token);
        clip->rate_num = std::stoll(value.substr(0, colon));
        clip->rate_den = std::stoll(value.substr(colon + 1));
        break;
      }
      case 'C':
        if (value.rfind("420", 0) != 0) return Fail(error, path + ": not 4:2:0 (" + token + ")");
        break;
      default:
        break;  // I, A and X tokens do not matter here
    }
  }
  if (clip->width <= 0 || clip->height <= 0 || clip->width % 2 != 0 || clip->height % 2 != 0) {
    return Fail(error, path + ": missing or odd size");
  }
  if (clip->rate_num <= 0 || clip->rate_den <= 0) return Fail(error, path + ": missing rate");

  const size_t luma = static_cast<size_t>(clip->width) * static_cast<size_t>(clip->height);
  const size_t chroma = luma / 4;
  std::string frame_line;
  while (static_cast<int32_t>(clip->frames.size()) < max_frames && std::getline(in, frame_line)) {
    if (frame_line.rfind("FRAME", 0) != 0) return Fail(error, path + ": expected FRAME");
    Y4MFrame frame;
    if (!ReadPlane(in, luma, &frame.y) || !ReadPlane(in, chroma, &frame.u) ||
        !ReadPlane(in, chroma, &frame.v)) {
      return Fail(error, path + ": frame " + std::to_string(clip->frames.size()) + " is cut short");
    }
    clip->frames.push_back(std::move(frame));
  }
  return true;
}

}  // namespace frameinterp::testing
