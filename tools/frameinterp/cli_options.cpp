#include "cli_options.h"

#include <array>
#include <sstream>

#include "pixel_formats.h"
#include "y4m_header.h"

namespace fitool {
namespace {

constexpr std::array<const char*, 4> kModeNames = {"repeat", "blend", "motion", "none"};

uint32_t ParseMode(const std::string& text) {
  for (uint32_t mode = 0; mode < kModeNames.size(); ++mode) {
    if (text == kModeNames[mode] || text == std::to_string(mode)) return mode;
  }
  throw UsageError("unknown mode '" + text + "' (use repeat, blend, motion, none or 0 to 3)");
}

// Modes as a comma-separated list, each at most once.
std::vector<uint32_t> ParseModes(const std::string& text) {
  std::vector<uint32_t> modes;
  std::istringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    const uint32_t mode = ParseMode(item);
    for (const uint32_t seen : modes) {
      if (seen == mode) throw UsageError("mode '" + item + "' is listed twice");
    }
    modes.push_back(mode);
  }
  if (modes.empty()) throw UsageError("no mode given to -m");
  return modes;
}

uint32_t ParsePixelFormat(const std::string& text) {
  if (text == "i420" || text == "yuv420p") return kFormatI420;
  if (text == "nv12") return kFormatNv12;
  if (text == "bgra") return kFormatBgra;
  throw UsageError("unknown pixel format '" + text + "' (use i420, nv12 or bgra)");
}

// A whole number of at most 12 digits; `what` names it in the refusal.
int64_t ParseWholeNumber(const std::string& text, const char* what) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos) {
    throw UsageError("'" + text + "' is not " + what);
  }
  return std::stoll(text);
}

int ParseSnapshotWidth(const std::string& text) {
  const int64_t width = ParseWholeNumber(text, "a width");
  if (width > kMaxPictureSide) {
    throw UsageError("--snapshot-width " + text + " is above " + std::to_string(kMaxPictureSide) +
                     " (0 draws the panels at full size)");
  }
  return static_cast<int>(width);
}

// A whole number of at most nine digits, or nullopt.
std::optional<int64_t> ParseCount(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoll(text);
}

int ParseThreads(const std::string& text) {
  const std::optional<int64_t> count = ParseCount(text);
  if (!count || *count < 1 || *count > kMaxThreads) {
    throw UsageError("--threads takes a count of sessions from 1 to " + std::to_string(kMaxThreads) +
                     ", not '" + text + "'");
  }
  return static_cast<int>(*count);
}

Segment ParseSegment(const std::string& text) {
  const size_t slash = text.find('/');
  const std::optional<int64_t> k = ParseCount(text.substr(0, slash));
  const std::optional<int64_t> n =
      slash == std::string::npos ? std::nullopt : ParseCount(text.substr(slash + 1));
  if (!k || !n || *k < 1 || *k > *n) {
    throw UsageError("--segment takes K/N, run K of N with 1 <= K <= N, not '" + text + "'");
  }
  return {*k, *n};
}

// Walks the arguments, handing out option values from "--name=value",
// "--name value" and "-x value".
class ArgumentCursor {
public:
  explicit ArgumentCursor(const std::vector<std::string>& args) : args_(args) {}
  bool done() const { return index_ >= args_.size(); }
  std::string Next() { return args_[index_++]; }
  std::string Value(const std::string& option, std::optional<std::string>* inline_value) {
    if (inline_value->has_value()) {
      std::string value = **inline_value;
      inline_value->reset();
      return value;
    }
    if (done()) throw UsageError("option " + option + " needs a value");
    return Next();
  }

private:
  const std::vector<std::string>& args_;
  size_t index_ = 0;
};

// Refuses options that the chosen job would ignore.
void CheckCombination(const Options& options) {
  const bool conversion = !options.input.empty() && !options.evaluate;
  if (conversion && options.modes.size() > 1) throw UsageError("a conversion takes one mode");
  if (conversion && !options.json_path.empty()) {
    throw UsageError("--json needs --evaluate or the built-in scene (no INPUT)");
  }
  if (options.snapshot_width && !options.snapshot_frame) {
    throw UsageError("--snapshot-width needs --snapshot");
  }
  if (options.evaluate) {
    if (options.input.empty()) throw UsageError("--evaluate needs an INPUT clip");
    if (options.output_given) throw UsageError("--evaluate writes no video; leave out -o");
    if (options.fps) throw UsageError("--evaluate requests the odd frames' times; leave out -r");
  }
  if (options.segment && !conversion) {
    throw UsageError("--segment needs a conversion (an INPUT without --evaluate)");
  }
}

}  // namespace

const char* ModeName(uint32_t mode) {
  return mode < kModeNames.size() ? kModeNames[mode] : "unknown";
}

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  ArgumentCursor cursor(args);
  bool only_files = false;
  const auto set_input = [&options](const std::string& path) {
    if (!options.input.empty()) throw UsageError("more than one input file ('" + path + "')");
    if (path.empty()) throw UsageError("the input file name is empty");
    options.input = path;
  };
  while (!cursor.done()) {
    std::string arg = cursor.Next();
    if (only_files || arg == "-" || arg.empty() || arg[0] != '-') {
      set_input(arg);
      continue;
    }
    if (arg == "--") {
      only_files = true;
      continue;
    }
    std::optional<std::string> inline_value;
    if (const size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      inline_value = arg.substr(equals + 1);
      arg.resize(equals);
    }
    if (arg.size() > 2 && arg[0] == '-' && arg[1] != '-') {
      // "-vvv" counts, "-ofile" carries its value.
      if (arg.find_first_not_of('v', 1) == std::string::npos) {
        options.verbosity += static_cast<int>(arg.size() - 1);
        continue;
      }
      inline_value = arg.substr(2);
      arg.resize(2);
    }

    if (arg == "-i" || arg == "--input") {
      set_input(cursor.Value(arg, &inline_value));
    } else if (arg == "-o" || arg == "--output") {
      options.output = cursor.Value(arg, &inline_value);
      options.output_given = true;
    } else if (arg == "-m" || arg == "--mode") {
      options.modes = ParseModes(cursor.Value(arg, &inline_value));
    } else if (arg == "-r" || arg == "--fps") {
      options.fps_text = cursor.Value(arg, &inline_value);
      std::string error;
      options.fps = ParseRate(options.fps_text, &error);
      if (!options.fps) throw UsageError(error);
    } else if (arg == "--pixel-format") {
      options.pixel_format = ParsePixelFormat(cursor.Value(arg, &inline_value));
    } else if (arg == "--gpu-effect") {
      options.gpu_effect = true;
    } else if (arg == "--module") {
      options.module_path = cursor.Value(arg, &inline_value);
    } else if (arg == "-v" || arg == "--verbose") {
      ++options.verbosity;
    } else if (arg == "-q" || arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--progress") {
      options.progress = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--evaluate") {
      options.evaluate = true;
    } else if (arg == "--json") {
      options.json_path = cursor.Value(arg, &inline_value);
    } else if (arg == "--threads") {
      options.threads = ParseThreads(cursor.Value(arg, &inline_value));
    } else if (arg == "--segment") {
      options.segment = ParseSegment(cursor.Value(arg, &inline_value));
    } else if (arg == "--snapshot") {
      options.snapshot_frame = ParseWholeNumber(cursor.Value(arg, &inline_value), "a frame number");
      options.snapshot_path = cursor.Value(arg, &inline_value);
    } else if (arg == "--snapshot-width") {
      options.snapshot_width = ParseSnapshotWidth(cursor.Value(arg, &inline_value));
    } else {
      throw UsageError("unknown option '" + arg + "'");
    }
    if (inline_value) throw UsageError("option " + arg + " takes no value");
  }
  CheckCombination(options);
  return options;
}

std::string HelpText() {
  return R"(Usage: frameinterp [options] [[-i] INPUT.y4m]

Converts a YUV4MPEG2 clip (8-bit 4:2:0, any size; "-" reads standard input)
to another frame rate through the frame interp module, loaded from its file
the way a media host loads it. The output keeps the clip's duration.
Interlaced clips are converted as progressive frames. Without INPUT it runs
the built-in synthetic scene, whose true in-between pictures are known, in
every mode and prints how close each comes to the truth.

  ffmpeg -i in.mp4 -pix_fmt yuv420p -f yuv4mpegpipe - |
    frameinterp -r 60 -i - | ffmpeg -i - out.mp4

Options:
  -i, --input FILE       the input clip, as INPUT
  -o, --output FILE      output YUV4MPEG2 file ("-" for standard output, where
                         a conversion writes without -o unless it is a
                         terminal); a file appears only when the whole run
                         succeeds, a device or FIFO is written as frames come;
                         the built-in scene run writes one only when asked,
                         holding the last mode's frames
  -m, --mode MODE        repeat, blend, motion or none, or 0 to 3 (default motion);
                         --evaluate and the built-in scene take a comma-separated
                         list (default repeat,blend,motion)
  -r, --fps RATE         output frame rate: N/D, N:D, N, a decimal, or ntsc,
                         pal, film, ntsc-film; a decimal within 0.05 % of
                         N x 1000/1001 is that rate (29.97, 29.970, 23.976,
                         59.94 ...) (default: twice the input rate)
      --pixel-format F   the pictures given to the module: i420 (default), nv12
                         or bgra (BT.601 limited range)
      --gpu-effect       set the session option "UseGpuEffect"
      --module PATH      the module file (default: the one beside this
                         program, else the one in the lib folder of its
                         installed tree)
      --evaluate         give the module only the even frames of INPUT, ask for
                         the odd ones and compare with the true odd frames
                         (PSNR of Y and of all planes, mean SSIM of Y)
      --json FILE        also write the quality results as JSON (an infinite
                         PSNR, from identical pictures, as null)
      --snapshot K FILE  write output frame K (counting from 0) as a PNG beside
                         the input frames before and after it, each panel
                         labelled with its time; with --evaluate or the
                         built-in scene also the true frame, each mode's PSNR
                         and one error map per mode
      --snapshot-width W the snapshot's panels scaled down to at most W pixels
                         wide (default 960; 0: full size)
      --threads N        convert with N sessions at once, one per thread (1 to
                         256; default: one per processor the program may run
                         on, at most 16); the output is the same as from one
                         session; --evaluate and the built-in scene use one
      --segment K/N      convert only run K of N of the output frames (frames
                         floor((K-1) x M / N) to floor(K x M / N) - 1 of the M
                         a whole conversion writes) into a complete YUV4MPEG2
                         file; the first run's file followed by every next
                         run's file without its header line is the whole
                         conversion; needs an INPUT file (not a pipe)
  -v, --verbose          more on stderr than the module's failures, each
                         repetition adding to the last:
                           -v    the limits the module reached, the input and
                                 the module file
                           -vv   the timing of the motion pipeline's stages
                           -vvv  the module's per-request lines (each motion
                                 answer's timing, each blend's trace)
  -q, --quiet            no progress bar and no summary line (the summary gives
                         the frames per second of the whole pipeline and the
                         processor time per frame spent in the module)
      --progress         when stderr is not a terminal, a progress line every
                         few seconds (frames done, frames per second, time left)
  -h, --help             this help
      --version          the program's version

Output frame k is requested at floor(k x 10,000,000 x D / N) ticks of 100 ns
for every k whose time lies before the end of the clip (the end of its last
frame), so 30 frames at 30 fps give 60 frames at 60 fps. --evaluate requests
the odd frames' times. When the module gives no frame, the previous output
frame is written again and counted.

A piped input is converted as it arrives, keeping only its last few frames;
--evaluate reads it whole. An output that is the input file is refused.
Exit status: 0 on success, 1 on a failed run, 2 on a bad command line.
)";
}

}  // namespace fitool
