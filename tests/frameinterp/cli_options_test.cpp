// The command line: option forms, defaults and refusals.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli_options.h"
#include "host_environment.h"
#include "pixel_formats.h"
#include "progress_meter.h"

namespace fitool {
namespace {

Options Parse(std::vector<std::string> args) { return ParseOptions(args); }

TEST(ParseOptions, ReadsEveryOptionInItsShortLongAndInlineForms) {
  const Options options =
      Parse({"-oout.y4m", "--mode=blend", "-r", "29.97", "--pixel-format", "nv12", "--gpu-effect",
             "--module", "m.so", "-vv", "--verbose", "-q", "--progress", "-i", "in.y4m",
             "--snapshot", "3", "s.png", "--snapshot-width=0", "--threads", "256",
             "--segment=2/5"});
  EXPECT_EQ(options.input, "in.y4m");
  EXPECT_EQ(options.output, "out.y4m");
  EXPECT_TRUE(options.output_given);
  EXPECT_EQ(options.modes, std::vector<uint32_t>{kModeBlend});
  EXPECT_EQ(options.fps, (Rational{30000, 1001}));
  EXPECT_EQ(options.pixel_format, kFormatNv12);
  EXPECT_TRUE(options.gpu_effect);
  EXPECT_EQ(options.module_path, "m.so");
  EXPECT_EQ(options.verbosity, 3);
  EXPECT_TRUE(options.quiet);
  EXPECT_TRUE(options.progress);
  EXPECT_EQ(options.snapshot_frame, 3);
  EXPECT_EQ(options.snapshot_path, "s.png");
  EXPECT_EQ(options.snapshot_width, 0);
  EXPECT_EQ(options.threads, 256);
  EXPECT_TRUE(options.segment && options.segment->k == 2 && options.segment->n == 5);
  EXPECT_EQ(Parse({"--input=-"}).input, "-");
  EXPECT_EQ(Parse({"-iclip.y4m"}).input, "clip.y4m");
}

TEST(ParseOptions, DefaultsModesListsAndScores) {
  const Options defaults = Parse({});  // the built-in scene; a conversion writes to stdout
  EXPECT_TRUE(defaults.input.empty() && defaults.modes.empty() && !defaults.fps.has_value());
  EXPECT_EQ(defaults.output, "-");
  EXPECT_EQ(defaults.pixel_format, kFormatI420);
  EXPECT_EQ(defaults.verbosity, 0);
  EXPECT_EQ(Parse({"-m", "3"}).modes, std::vector<uint32_t>{kModeNone});
  EXPECT_EQ(Parse({"-m", "motion,0"}).modes, (std::vector<uint32_t>{kModeMotion, kModeRepeat}));
  EXPECT_EQ(Parse({"-", "-o", "-"}).input, "-");
  EXPECT_EQ(Parse({"--evaluate", "--json=s.json", "in.y4m"}).json_path, "s.json");
  EXPECT_EQ(Parse({"--json", "s.json"}).json_path, "s.json");
  EXPECT_EQ(Parse({"--", "-odd-name.y4m"}).input, "-odd-name.y4m");
}

TEST(ParseOptions, RefusesWhatItCannotUnderstandOrWouldIgnore) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{
           {"--frobnicate"}, {"-m", "fast"}, {"-m", "4"}, {"-m", "blend,blend"}, {"-r", "0"},
           {"-r", "fast"}, {"--pixel-format", "rgb"}, {"a.y4m", "b.y4m"}, {"-o"},
           {"--snapshot", "x", "s.png"}, {"--snapshot", "3"}, {"--quiet=yes"},
           {"-m", "blend,motion", "in.y4m"}, {"--json", "s.json", "in.y4m"}, {"--evaluate"},
           {"--evaluate", "-o", "x.y4m", "in.y4m"}, {"--evaluate", "-r", "50", "in.y4m"},
           {"-i", "a.y4m", "b.y4m"}, {"-i", ""}, {"-i"}, {"--snapshot-width", "640", "in.y4m"},
           {"--snapshot", "1", "s.png", "--snapshot-width", "-5"},
           {"--snapshot", "1", "s.png", "--snapshot-width", "20000"}, {"--threads", "0"},
           {"--threads", "-2"}, {"--threads", "two"}, {"--threads", "257"}, {"--threads", ""},
           {"--segment", "0/3", "in.y4m"}, {"--segment", "4/3", "in.y4m"},
           {"--segment", "1/0", "in.y4m"}, {"--segment", "1", "in.y4m"},
           {"--segment", "1/3/3", "in.y4m"}, {"--segment", "1/3"},
           {"--segment", "1/3", "--evaluate", "in.y4m"}}) {
    EXPECT_THROW(Parse(args), UsageError) << args[0];
  }
}

TEST(Verbosity, FailuresAlwaysEachLevelMoreAndOnlyTheHighestThePerRequestLines) {
  const standin::LogLine failure{"FrameSourceBlendingImpl::Blending", 4, "FrameInterpolation fail"};
  const standin::LogLine limit{"frameinterp", 3, "src(367) forward overhead (1001)"};
  const standin::LogLine stage{"FrameSourceMotionImpl", 1, "reset_input 3"};
  const standin::LogLine answer{"FrameSourceMotionImpl", 4,
                                "------------------FrameInterpolation  elap0 0,elap1 0"};
  const standin::LogLine fetch{"FrameSourceMotionImpl", 4,
                               "*******************FrameSourceImpl::GetFrame 0"};
  const standin::LogLine blend{"frameinterp", 0, "try_num 1. pts (0, 5, 10)"};
  using Shown = std::vector<bool>;
  const auto shown = [&](int verbosity) {
    Shown lines;
    for (const auto& line : {failure, limit, stage, answer, fetch, blend}) {
      lines.push_back(ShowsModuleLine(verbosity, line));
    }
    return lines;
  };
  EXPECT_EQ(shown(0), (Shown{true, false, false, false, false, false}));
  EXPECT_EQ(shown(1), (Shown{true, true, false, false, false, false}));
  EXPECT_EQ(shown(2), (Shown{true, true, true, false, false, false}));
  EXPECT_EQ(shown(3), (Shown{true, true, true, true, true, true}));
  EXPECT_EQ(shown(7), shown(3));
}

TEST(ProgressMeter, LogLinesComeEveryFewSecondsWithTheTimeLeftWhenKnown) {
  for (const auto& [total, lines] :
       {std::pair{std::optional<int64_t>(100), "frameinterp: 25/100 frames  5.0 fps  0:15 left\n"
                                               "frameinterp: 50/100 frames  5.0 fps  0:10 left\n"},
        std::pair{std::optional<int64_t>(), "frameinterp: 25 frames  5.0 fps\n"
                                            "frameinterp: 50 frames  5.0 fps\n"}}) {
    std::FILE* log = std::tmpfile();
    {
      ProgressMeter meter(total, ProgressMeter::Display::kLines, log);
      for (int64_t done = 1; done <= 60; ++done) meter.UpdateAt(done, static_cast<double>(done) / 5);
    }
    std::rewind(log);
    std::string text(200, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), log));
    std::fclose(log);
    EXPECT_EQ(text, lines);
  }
}

}  // namespace
}  // namespace fitool
