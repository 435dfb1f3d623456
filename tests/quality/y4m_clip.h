// Reads real footage for tests: the frames of an 8-bit 4:2:0 YUV4MPEG2 file.
// Only what the test data needs (W and H tokens, plain FRAME lines).
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture.h"

inline std::string TestClip(const std::string& relative) {
  return std::string(FRAMEINTERP_TESTDATA_DIR) + "/" + relative;
}

inline std::vector<fitool::Picture> ReadY4m(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!std::getline(in, line) || line.rfind("YUV4MPEG2", 0) != 0) {
    throw std::runtime_error(path + ": not a YUV4MPEG2 file");
  }
  int w = 0, h = 0;
  std::istringstream tokens(line);
  for (std::string t; tokens >> t;) {
    if (t[0] == 'W') w = std::stoi(t.substr(1));
    if (t[0] == 'H') h = std::stoi(t.substr(1));
  }
  std::vector<fitool::Picture> frames;
  while (std::getline(in, line) && line.rfind("FRAME", 0) == 0) {
    fitool::Picture p = fitool::Picture::Filled(w, h, 0, 0);
    for (std::vector<uint8_t>* plane : {&p.y, &p.u, &p.v}) {
      in.read(reinterpret_cast<char*>(plane->data()), static_cast<std::streamsize>(plane->size()));
    }
    if (!in) throw std::runtime_error(path + ": truncated frame");
    frames.push_back(std::move(p));
  }
  return frames;
}
