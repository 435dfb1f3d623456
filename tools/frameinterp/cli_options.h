// The command line of frameinterp: its options, their parsing and the help.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rational.h"
#include "tool_error.h"

namespace fitool {

// A command line that cannot be understood.
class UsageError : public ToolError {
public:
  using ToolError::ToolError;
};

// The session's interpolation modes.
enum Mode : uint32_t { kModeRepeat = 0, kModeBlend = 1, kModeMotion = 2, kModeNone = 3 };

// Run K of N of a conversion's output frames (--segment K/N).
struct Segment {
  int64_t k = 1;
  int64_t n = 1;
};

inline constexpr int kMaxThreads = 256;

struct Options {
  std::string input;  // empty: the embedded synthetic scene
  std::string output = "-";  // without -o, standard output
  bool output_given = false;
  std::vector<uint32_t> modes;  // empty: the job's default
  std::optional<Rational> fps;
  std::string fps_text;
  uint32_t pixel_format = 1;
  bool gpu_effect = false;
  std::string module_path;  // empty: the module beside the program
  int verbosity = 0;
  bool quiet = false;
  bool progress = false;
  bool help = false;
  bool version = false;
  bool evaluate = false;
  std::string json_path;
  std::optional<int64_t> snapshot_frame;
  std::string snapshot_path;
  std::optional<int> snapshot_width;  // the widest a panel is drawn (0: full size)
  int threads = 0;  // sessions of a conversion; 0: one per usable processor, at most 16
  std::optional<Segment> segment;
};

// The widest a snapshot panel is drawn without --snapshot-width.
inline constexpr int kDefaultSnapshotWidth = 960;

// Parses the arguments after the program name. Throws UsageError.
Options ParseOptions(const std::vector<std::string>& args);

const char* ModeName(uint32_t mode);

std::string HelpText();

}  // namespace fitool
