// Runs of the built frameinterp program on real footage: the output's header
// and frame count in each mode, pass-through frames equal to the input frame
// covering their time, and failures that leave no output behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "child_process.h"
#include "frame_times.h"
#include "scratch_dir.h"
#include "y4m_clip.h"

namespace fitool {
namespace {

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string FirstLine(const std::string& path) {
  const std::string text = Slurp(path);
  return text.substr(0, text.find('\n'));
}

class ProgramTest : public ::testing::Test {
protected:
  // Runs the program in the output folder with `args`: words separated by
  // spaces, where a word "<FILE" gives the program FILE as standard input.
  ProgramRun Run(const std::string& args) {
    std::vector<std::string> words;
    std::string input;
    std::istringstream split(args);
    for (std::string word; split >> word;) {
      if (word[0] == '<') {
        input = word.substr(1);
      } else {
        words.push_back(word);
      }
    }
    ProgramRun run;
    run.status = RunChild(FRAMEINTERP_PROGRAM, words,
                          {out_.File(""), input, logs_.File("stdout"), logs_.File("stderr")});
    run.out = Slurp(logs_.File("stdout"));
    // Messages are text, whose line ends the C runtime writes as CR LF on Windows.
    run.err = Slurp(logs_.File("stderr"));
    for (size_t at; (at = run.err.find("\r\n")) != std::string::npos;) run.err.erase(at, 1);
    return run;
  }

  // Checks a converted clip against its input: the header keeps every input
  // token with F replaced, one frame per request; in pass-through every frame
  // equals the input frame covering its time.
  void ExpectConversion(const std::string& input, const std::string& output, Rational rate,
                        bool pass_through) {
    const auto source = Y4mClip::Open(input);
    const auto result = Y4mClip::Open(output);
    EXPECT_EQ(FirstLine(output) + "\n", source->header().LineWithRate(rate));
    const Rational input_rate = source->header().rate;
    const std::vector<int64_t> times =
        RequestSchedule(rate, FrameTime(source->count() - 1, input_rate));
    ASSERT_EQ(result->count(), static_cast<int64_t>(times.size()));
    if (!pass_through) return;
    for (size_t k = 0; k < times.size(); ++k) {
      const int64_t covering = FrameAtOrBefore(times[k], input_rate, source->count());
      ASSERT_EQ(result->Frame(static_cast<int64_t>(k)), source->Frame(covering)) << "frame " << k;
    }
  }

  ScratchDir out_;
  ScratchDir logs_;
};

// The quality table has a row for each default mode.
void ExpectEveryModeScored(const std::string& report) {
  for (const char* mode : {"\nrepeat ", "\nblend ", "\nmotion "}) {
    EXPECT_NE(report.find(mode), std::string::npos) << report;
  }
}

const std::string kCisco = TestClip("CiscoVT2people_160x96_6fps.y4m");
const std::string kRtn = TestClip("RTn23_80x44_15fps.y4m");

TEST_F(ProgramTest, EveryFramingModeWritesOneFramePerRequestAndRepeatPassesFramesThrough) {
  struct Case {
    std::string args, clip, output;
    Rational rate;
    bool pass_through;
  };
  for (const Case& c : {Case{"-m repeat", kCisco, "out.y4m", {12, 1}, true},
                        Case{"-m 0 -r 29.97 -o ntsc.y4m", kRtn, "ntsc.y4m", {30000, 1001}, true},
                        Case{"-m blend -r 25 -o blend.y4m", kRtn, "blend.y4m", {25, 1}, false},
                        Case{"-m motion -r 25 -o motion.y4m", kRtn, "motion.y4m", {25, 1}, false}}) {
    const ProgramRun run = Run(c.args + " " + c.clip);
    ASSERT_EQ(run.status, 0) << c.args << ": " << run.err;
    EXPECT_NE(run.err.find("frames written to " + c.output), std::string::npos) << run.err;
    ExpectConversion(c.clip, out_.File(c.output), c.rate, c.pass_through);
  }
}

TEST_F(ProgramTest, SnapshotOfAConversionIsAPngOrAFailureWithoutOutput) {
  ProgramRun run = Run("-q -m repeat --snapshot 8 look.png " + kCisco);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Slurp(out_.File("look.png")).substr(1, 3), "PNG");

  run = Run("-q -m repeat -o late.y4m --snapshot 9 late.png " + kCisco);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "frameinterp: --snapshot 9: the run has output frames 0 to 8\n");
  EXPECT_FALSE(std::filesystem::exists(out_.File("late.y4m")));
}

TEST_F(ProgramTest, BlendModeMixesTheNeighboursThroughTheHostsService) {
  ASSERT_EQ(Run("-q -m blend " + kCisco).status, 0);
  const auto source = Y4mClip::Open(kCisco);
  const auto result = Y4mClip::Open(out_.File("out.y4m"));
  ASSERT_EQ(result->count(), 9);
  // Output frame 2i + 1 lies halfway between input frames i and i + 1.
  for (int64_t i = 0; i + 1 < source->count(); ++i) {
    const Picture a = source->Frame(i), b = source->Frame(i + 1);
    const Picture mixed = result->Frame(2 * i + 1);
    EXPECT_NE(mixed, a);
    for (size_t s = 0; s < a.y.size(); ++s) {
      ASSERT_LE(std::abs(2 * mixed.y[s] - a.y[s] - b.y[s]), 2) << "frame " << 2 * i + 1;
    }
  }
}

TEST_F(ProgramTest, PixelFormatsAndPipesGiveTheSameOrNearlyTheSameFrames) {
  ASSERT_EQ(Run("-q -m repeat -o i420.y4m " + kCisco).status, 0);
  ASSERT_EQ(Run("-q -m repeat --pixel-format nv12 -o nv12.y4m " + kCisco).status, 0);
  ASSERT_EQ(Run("-q -m repeat --pixel-format bgra -o bgra.y4m " + kCisco).status, 0);
  EXPECT_EQ(Slurp(out_.File("nv12.y4m")), Slurp(out_.File("i420.y4m")));
  // Standard input and output work like files.
  const ProgramRun piped = Run("-q -m repeat -o - - <" + kCisco);
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, Slurp(out_.File("i420.y4m")));
  const auto exact = Y4mClip::Open(out_.File("i420.y4m"));
  const auto converted = Y4mClip::Open(out_.File("bgra.y4m"));
  ASSERT_EQ(converted->count(), exact->count());
  // About 15% of this footage's pixels lie outside the RGB cube and clip;
  // the others come back within rounding.
  int64_t close = 0, total = 0;
  for (int64_t i = 0; i < exact->count(); ++i) {
    const Picture a = exact->Frame(i), b = converted->Frame(i);
    for (size_t s = 0; s < a.y.size(); ++s, ++total) close += std::abs(a.y[s] - b.y[s]) <= 2;
  }
  EXPECT_GT(close, total * 90 / 100);
}

TEST_F(ProgramTest, ModeNoneFailsWithoutLeavingOrTouchingAnOutput) {
  ProgramRun run = Run("-m none " + kCisco);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("gave no frame for the first request"), std::string::npos) << run.err;
  EXPECT_EQ(out_.EntryCount(), 0u);

  // Not even the header reaches standard output.
  run = Run("-m none -o - " + kCisco);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");

  out_.Write("kept.y4m", "old");
  run = Run("-m none -o kept.y4m " + kCisco);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Slurp(out_.File("kept.y4m")), "old");
  EXPECT_EQ(out_.EntryCount(), 1u);
}

TEST_F(ProgramTest, BadInputsAndModulesGiveOneLineAndNoOutput) {
  const std::string odd = logs_.Write("odd.y4m", "YUV4MPEG2 W5 H2 F25:1\nFRAME\n0123456789ab");
  ProgramRun run = Run("-m repeat " + odd);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "frameinterp: " + odd +
                         ": odd width 5 (only even widths and heights are supported)\n");

  // 23 frames at one per 1000 s, asked for at 100000 fps.
  std::string slow = "YUV4MPEG2 W4 H2 F1:1000\n";
  for (int i = 0; i < 23; ++i) slow += "FRAME\n" + std::string(12, 'a');
  run = Run("-r 100000 " + logs_.Write("slow.y4m", slow));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "frameinterp: " + logs_.File("slow.y4m") +
                         ": the output rate 100000:1 would give more than 2147483647 frames\n");

  run = Run("--module /nonexistent/module.so " + kCisco);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("frameinterp: /nonexistent/module.so: cannot load the module", 0), 0u)
      << run.err;

  // A library that loads but is not a service module.
  const std::string host_library = std::filesystem::absolute(FRAMEINTERP_HOST_LIBRARY).string();
  run = Run("--module " + host_library + " " + kCisco);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no GetServiceModuleInfo export"), std::string::npos) << run.err;

  run = Run("--evaluate -r 50 " + kCisco);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "frameinterp: --evaluate requests the odd frames' times; leave out -r\n"
            "Try 'frameinterp --help'.\n");
  EXPECT_EQ(out_.EntryCount(), 0u);
}

TEST_F(ProgramTest, EvaluatePrintsEveryModeAndWritesJsonAndSnapshot) {
  const ProgramRun run = Run("-q --evaluate --json scores.json --snapshot 1 look.png " + kRtn);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("given the 8 even frames and asked for the 7 odd ones"), std::string::npos)
      << run.out;
  ExpectEveryModeScored(run.out);
  EXPECT_NE(Slurp(out_.File("scores.json")).find("\"mode\": \"motion\""), std::string::npos);
  EXPECT_EQ(Slurp(out_.File("look.png")).substr(1, 3), "PNG");
  EXPECT_FALSE(std::filesystem::exists(out_.File("out.y4m")));
}

TEST_F(ProgramTest, WithoutInputTheBuiltInSceneIsScoredInEveryMode) {
  const ProgramRun run = Run("-q");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("built-in scene"), std::string::npos) << run.out;
  ExpectEveryModeScored(run.out);
  EXPECT_EQ(out_.EntryCount(), 0u);
}

}  // namespace
}  // namespace fitool
