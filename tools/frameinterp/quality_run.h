// Runs the module in several modes over one subject whose true pictures are
// known, and scores every mode's answers against them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "frame_sequence.h"
#include "quality_report.h"
#include "rational.h"
#include "request_loop.h"

namespace fitool {

struct QualitySubject {
  std::string description;            // one line: what is measured
  FrameSequence* upstream = nullptr;  // the frames given to the module
  Rational rate;                      // their rate
  std::vector<int64_t> times;         // the requests
  std::function<Picture(int64_t index)> truth;    // the true picture of request `index`
  std::function<bool(int64_t index)> measured;    // whether request `index` is scored
};

// Runs each mode and prints the description and the score table on stdout
// (stderr when stdout carries the video or the JSON);
// writes --json and --snapshot when asked and says where they went. `on_last_mode_frame`, when set,
// receives every answer of the last mode. Throws ToolError.
std::vector<ModeScore> RunQualityComparison(const Options& options,
                                            const std::vector<uint32_t>& modes,
                                            const QualitySubject& subject,
                                            const FrameSink& on_last_mode_frame = nullptr);

// The modes a quality run uses: those given with -m, or repeat, blend, motion.
std::vector<uint32_t> QualityModes(const Options& options);

}  // namespace fitool
