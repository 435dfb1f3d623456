#include "y4m_reader.h"

#include <fstream>
#include <sstream>

namespace frameinterp::testing {

Y4MLuma read_y4m_luma(const std::string& path, int32_t max_frames) {
  Y4MLuma out;
  std::ifstream in(path, std::ios::binary);
  std::string header;
  if (!in || !std::getline(in, header) || header.rfind("YUV4MPEG2", 0) != 0) {
    return out;
  }
  std::istringstream tokens(header);
  std::string token;
  while (tokens >> token) {
    if (token[0] == 'W') {
      out.width = std::stoi(token.substr(1));
    } else if (token[0] == 'H') {
      out.height = std::stoi(token.substr(1));
    }
  }
  const size_t luma = static_cast<size_t>(out.width) * static_cast<size_t>(out.height);
  const size_t chroma = 2 * (static_cast<size_t>(out.width / 2) * (out.height / 2));
  std::string frame_line;
  while (static_cast<int32_t>(out.frames.size()) < max_frames && std::getline(in, frame_line) &&
         frame_line.rfind("FRAME", 0) == 0) {
    std::vector<uint8_t> y(luma);
    if (!in.read(reinterpret_cast<char*>(y.data()), static_cast<std::streamsize>(luma))) {
      break;
    }
    in.ignore(static_cast<std::streamsize>(chroma));
    out.frames.push_back(std::move(y));
  }
  return out;
}

}  // namespace frameinterp::testing
