// The command line: option forms, defaults and refusals.
#include <gtest/gtest.h>

#include "cli_options.h"
#include "pixel_formats.h"

namespace fitool {
namespace {

Options Parse(std::vector<std::string> args) { return ParseOptions(args); }

TEST(ParseOptions, DefaultsToTheBuiltInSceneAndOutYuv) {
  const Options options = Parse({});
  EXPECT_TRUE(options.input.empty());
  EXPECT_EQ(options.output, "out.y4m");
  EXPECT_FALSE(options.output_given);
  EXPECT_TRUE(options.modes.empty());
  EXPECT_FALSE(options.fps.has_value());
  EXPECT_EQ(options.pixel_format, kFormatI420);
  EXPECT_EQ(options.verbosity, 0);
}

TEST(ParseOptions, ReadsEveryOptionInItsShortLongAndInlineForms) {
  const Options options =
      Parse({"-oout.y4m", "--mode=blend", "-r", "29.97", "--pixel-format", "nv12", "--gpu-effect",
             "--module", "m.so", "-vv", "--verbose", "-q", "in.y4m", "--snapshot", "3", "s.png"});
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
  EXPECT_EQ(options.snapshot_frame, 3);
  EXPECT_EQ(options.snapshot_path, "s.png");
}

TEST(ParseOptions, ModesListsAndScoresBelongToQualityRuns) {
  EXPECT_EQ(Parse({"-m", "3"}).modes, std::vector<uint32_t>{kModeNone});
  EXPECT_EQ(Parse({"-m", "motion,0"}).modes, (std::vector<uint32_t>{kModeMotion, kModeRepeat}));
  EXPECT_EQ(Parse({"-", "-o", "-"}).input, "-");
  EXPECT_EQ(Parse({"--evaluate", "--json=s.json", "in.y4m"}).json_path, "s.json");
  EXPECT_EQ(Parse({"--json", "s.json"}).json_path, "s.json");
  EXPECT_EQ(Parse({"--", "-odd-name.y4m"}).input, "-odd-name.y4m");
}

TEST(ParseOptions, RefusesWhatItCannotUnderstandOrWouldIgnore) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--frobnicate"},
                                             {"-m", "fast"},
                                             {"-m", "4"},
                                             {"-m", "blend,blend"},
                                             {"-r", "0"},
                                             {"-r", "fast"},
                                             {"--pixel-format", "rgb"},
                                             {"a.y4m", "b.y4m"},
                                             {"-o"},
                                             {"--snapshot", "x", "s.png"},
                                             {"--snapshot", "3"},
                                             {"--quiet=yes"},
                                             {"-m", "blend,motion", "in.y4m"},
                                             {"--json", "s.json", "in.y4m"},
                                             {"--evaluate"},
                                             {"--evaluate", "-o", "x.y4m", "in.y4m"},
                                             {"--evaluate", "-r", "50", "in.y4m"}}) {
    EXPECT_THROW(Parse(args), UsageError) << args[0];
  }
}

}  // namespace
}  // namespace fitool
