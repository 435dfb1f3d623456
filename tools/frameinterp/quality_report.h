// How close each mode's answers come to the true pictures: the running
// scores, the printed table and the JSON file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture.h"

namespace fitool {

struct ModeScore {
  uint32_t mode = 0;
  int64_t compared = 0;   // answers measured against a true picture
  double psnr_y = 0;      // means over the compared answers; +infinity when
  double psnr_all = 0;    // an answer equals its truth exactly
  double ssim_y = 0;
  int64_t frames = 0;     // answers requested
  int64_t repeats = 0;    // empty answers repeated
  double ms_per_frame = 0;
};

// Adds one answer and its true picture to the means.
void AddComparison(ModeScore* score, const Picture& answer, const Picture& truth);

// A table with one row per mode: PSNR Y, PSNR of all planes (dB), mean SSIM
// of Y, repeats and time per frame; infinite PSNR prints as "inf".
std::string FormatScoreTable(const std::vector<ModeScore>& scores);

// The same as a JSON document with a "subject" line (infinite PSNR as null).
std::string FormatScoreJson(const std::string& subject, const std::vector<ModeScore>& scores);

// Writes the JSON document to `path` ("-" for standard output), whole or not
// at all, and returns the name it went to. Throws ToolError.
std::string WriteScoreJson(const std::string& path, const std::string& subject,
                    const std::vector<ModeScore>& scores);

}  // namespace fitool
