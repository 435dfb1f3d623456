// Runs of the built frameinterp program on real footage: the output's header
// and frame count in each mode, pass-through frames equal to the input frame
// covering their time, and failures that leave no output behind.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "child_process.h"
#include "frame_times.h"
#include "png_readback.h"
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

std::unique_ptr<Y4mClip> Open(const std::string& path) {
  return Y4mClip::Open(path, Y4mClip::Access::kRandom);
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
        input = out_.File(word.substr(1));
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
    const auto source = Open(input);
    const auto result = Open(output);
    EXPECT_EQ(FirstLine(output) + "\n", source->header().LineWithRate(rate));
    const Rational input_rate = source->header().rate;
    const int64_t frames = *source->count();
    const std::vector<int64_t> times = RequestTimes(rate, FrameTime(frames, input_rate));
    ASSERT_EQ(result->count(), static_cast<int64_t>(times.size()));
    if (!pass_through) return;
    for (size_t k = 0; k < times.size(); ++k) {
      const int64_t covering = std::min(FrameIndexAt(times[k], input_rate), frames - 1);
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

TEST_F(ProgramTest, EveryFramingModeKeepsTheDurationAndRepeatPassesFramesThrough) {
  struct Case {
    std::string args, clip, written;
    Rational rate;
    bool pass_through;
  };
  for (const Case& c :
       {Case{"-m repeat", kCisco, "10 frames written to out.y4m", {12, 1}, true},
        Case{"-m repeat -r 75 -o cars.y4m", TestClip("cars_320x240_30fps.y4m"),
             "75 frames written to cars.y4m", {75, 1}, true},
        Case{"-m 0 -r 29.97 -o ntsc.y4m", kRtn, "written to ntsc.y4m", {30000, 1001}, true},
        Case{"-m repeat -r 1 -o one.y4m", kCisco, "1 frame written to one.y4m", {1, 1}, true},
        Case{"-m blend -r 25 -o blend.y4m", kRtn, "written to blend.y4m", {25, 1}, false},
        Case{"-m motion -r 25 -o motion.y4m", kRtn, "written to motion.y4m", {25, 1}, false}}) {
    const ProgramRun run = Run(c.args + " " + c.clip);
    ASSERT_EQ(run.status, 0) << c.args << ": " << run.err;
    EXPECT_NE(run.err.find(c.written + " ("), std::string::npos) << run.err;
    ExpectConversion(c.clip, out_.File(c.written.substr(c.written.rfind(' ') + 1)), c.rate,
                     c.pass_through);
  }
}

TEST_F(ProgramTest, SnapshotOfAConversionIsAPngOrAFailureWithoutOutput) {
  ProgramRun run = Run("-m repeat --snapshot 9 look.png " + kCisco);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("\nframeinterp: snapshot of output frame 9 written to look.png\n"),
            std::string::npos) << run.err;
  const auto png = ReadPng(out_.File("look.png"));
  ASSERT_TRUE(png);  // the frame before, the answer; no frame after the last one
  EXPECT_EQ(png->width, 4 + 2 * (160 + 4));

  run = Run("-q -m repeat -o late.y4m --snapshot 10 late.png " + kCisco);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "frameinterp: --snapshot 10: the run has output frames 0 to 9\n");
  EXPECT_FALSE(std::filesystem::exists(out_.File("late.y4m")));
}

TEST_F(ProgramTest, BlendModeMixesTheNeighboursThroughTheHostsService) {
  ASSERT_EQ(Run("-q -m blend " + kCisco).status, 0);
  const auto source = Open(kCisco);
  const auto result = Open(out_.File("out.y4m"));
  ASSERT_EQ(result->count(), 10);
  // Output frame 2i + 1 lies halfway between input frames i and i + 1.
  for (int64_t i = 0; i + 1 < *source->count(); ++i) {
    const Picture a = source->Frame(i), b = source->Frame(i + 1);
    const Picture mixed = result->Frame(2 * i + 1);
    EXPECT_NE(mixed, a);
    for (size_t s = 0; s < a.y.size(); ++s) {
      ASSERT_LE(std::abs(2 * mixed.y[s] - a.y[s] - b.y[s]), 2) << "frame " << 2 * i + 1;
    }
  }
}

TEST_F(ProgramTest, PixelFormatsAndStreamsGiveTheSameOrNearlyTheSameFrames) {
  ASSERT_EQ(Run("-q -m repeat -o i420.y4m " + kCisco).status, 0);
  ASSERT_EQ(Run("-q -m repeat --pixel-format nv12 -o nv12.y4m " + kCisco).status, 0);
  ASSERT_EQ(Run("-q -m repeat --pixel-format bgra -o bgra.y4m " + kCisco).status, 0);
  EXPECT_EQ(Slurp(out_.File("nv12.y4m")), Slurp(out_.File("i420.y4m")));
  // Standard input, read as a stream, and standard output give the bytes of
  // files in every mode.
  for (const std::string mode : {"repeat", "blend", "motion"}) {
    for (const std::string rate : {"-r 29.97", "-r 4"}) {
      const std::string args = "-q -m " + mode + " " + rate + " -o ";
      ASSERT_EQ(Run(args + "file.y4m " + kCisco).status, 0);
      const ProgramRun piped = Run(args + "- - <" + kCisco);
      ASSERT_EQ(piped.status, 0) << piped.err;
      EXPECT_TRUE(piped.out == Slurp(out_.File("file.y4m"))) << args;
    }
  }
  const auto exact = Open(out_.File("i420.y4m"));
  const auto converted = Open(out_.File("bgra.y4m"));
  ASSERT_EQ(converted->count(), exact->count());
  // About 15% of this footage's pixels lie outside the RGB cube and clip;
  // the others come back within rounding.
  int64_t close = 0, total = 0;
  for (int64_t i = 0; i < *exact->count(); ++i) {
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

  // A missing module, a file that is no library (the loader's reason names
  // the path; on Windows it gives the system's code too), a library that is
  // not a service module.
  struct BadModule {
    std::string path, reason;
    int windows_code;
  };
  const std::string missing = "/nonexistent/module.so";
  const std::string text = logs_.Write("text.dll", "not a library");
  const std::string host = std::filesystem::absolute(FRAMEINTERP_HOST_LIBRARY).string();
  const std::string no_export = "not a service module (no GetServiceModuleInfo export)";
  for (const BadModule& m : {BadModule{missing, "cannot load the module: " + missing + ": ", 126},
                             BadModule{text, "cannot load the module: " + text + ": ", 193},
                             BadModule{host, no_export, 0}}) {
    run = Run("--module " + m.path + " " + kCisco);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("frameinterp: " + m.path + ": " + m.reason, 0), 0u) << run.err;
#if defined(_WIN32)
    const std::string code = "(error " + std::to_string(m.windows_code) + ")";
    if (m.windows_code) {
      EXPECT_NE(run.err.find(code), std::string::npos) << run.err;
    }
#endif
  }

  run = Run("--evaluate -r 50 " + kCisco);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "frameinterp: --evaluate requests the odd frames' times; leave out -r\n"
            "Try 'frameinterp --help'.\n");
  EXPECT_EQ(out_.EntryCount(), 0u);
}

// Pictures smaller than the motion pipeline's block grid: the run says why
// once and counts the answers that were not synthesised.
TEST_F(ProgramTest, MotionThatCannotRunSaysSoOnceAndCountsItsFallbacks) {
  std::string tiny = "YUV4MPEG2 W24 H16 F6:1\n";
  for (int i = 0; i < 4; ++i) tiny += "FRAME\n" + std::string(24 * 16 * 3 / 2, static_cast<char>('a' + i));
  const ProgramRun run = Run("-m motion -r 12 -o tiny_out.y4m " + logs_.Write("tiny.y4m", tiny));
  EXPECT_EQ(run.status, 0);
  const std::string line = "motion interpolation cannot run on a 24x16 picture of format 1";
  EXPECT_NE(run.err.find(line), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(line), run.err.rfind(line)) << run.err;
  EXPECT_NE(run.err.find("; 8 answers were the upstream frame, not synthesised\n"), std::string::npos)
      << run.err;
}

TEST_F(ProgramTest, EvaluatePrintsEveryModeAndWritesJsonAndSnapshot) {
  const ProgramRun run = Run("-q --evaluate --json scores.json --snapshot 1 look.png " + kRtn);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("given the 8 even frames and asked for the 7 odd ones"), std::string::npos)
      << run.out;
  ExpectEveryModeScored(run.out);
  EXPECT_NE(Slurp(out_.File("scores.json")).find("\"mode\": \"motion\""), std::string::npos);
  // Input before, three answers, input after, the true frame; the error
  // maps in a second row.
  const auto png = ReadPng(out_.File("look.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 4 + 6 * (80 + 4));
  EXPECT_GT(png->height, 2 * 44);
  EXPECT_FALSE(std::filesystem::exists(out_.File("out.y4m")));
}

TEST_F(ProgramTest, WithoutInputTheBuiltInSceneIsScoredInEveryMode) {
  const ProgramRun run = Run("-q");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("built-in scene"), std::string::npos) << run.out;
  ExpectEveryModeScored(run.out);
  EXPECT_EQ(out_.EntryCount(), 0u);
}

TEST_F(ProgramTest, TheInputIsNeverReplaced) {
  // The input as an output, by its name, a hard link, a symbolic link (where
  // the C++ library makes them) or behind standard input: refused, the input
  // intact.
  const std::string input = out_.Write("in.y4m", Slurp(kCisco));
  std::filesystem::create_hard_link(input, out_.File("hard.y4m"));
  std::vector<std::string> cases = {"-o in.y4m in.y4m", "-o hard.y4m in.y4m",
                                    "--snapshot 1 hard.y4m in.y4m", "-o in.y4m - <in.y4m"};
#if !defined(_WIN32)
  std::filesystem::create_symlink(input, out_.File("link.y4m"));
  cases.push_back("-o link.y4m in.y4m");
#endif
  for (const std::string& args : cases) {
    const ProgramRun run = Run("-q -m repeat " + args);
    EXPECT_EQ(run.status, 1) << args;
    EXPECT_NE(run.err.find("this output is the input file"), std::string::npos) << run.err;
  }
  EXPECT_TRUE(Slurp(input) == Slurp(kCisco));
#if !defined(_WIN32)
  EXPECT_TRUE(std::filesystem::is_symlink(out_.File("link.y4m")));
#endif
}

#if !defined(_WIN32)
// Opens and closes the FIFO from the other side, so that a helper still
// waiting on it ends whether the program used it or not.
void ReleaseFifo(const std::string& fifo, int side) {
  const int fd = open(fifo.c_str(), side | O_NONBLOCK);
  if (fd >= 0) close(fd);
}

TEST_F(ProgramTest, DevicesAndFifosStayWhatTheyAre) {
  // A character device of our own, with the null device's numbers.
  const std::string device = out_.File("null");
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    ASSERT_EQ(Run("-q -m repeat -o null " + kCisco).status, 0);
    struct stat info {};
    ASSERT_EQ(stat(device.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
  }

  // A FIFO receives the video as it is written.
  const std::string fifo = out_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  std::FILE* reader = popen(("cat '" + fifo + "' >'" + logs_.File("copy") + "'").c_str(), "r");
  ASSERT_EQ(Run("-q -m repeat -o fifo " + kCisco).status, 0);
  ReleaseFifo(fifo, O_WRONLY);
  pclose(reader);
  ASSERT_EQ(Run("-q -m repeat -o file.y4m " + kCisco).status, 0);
  EXPECT_TRUE(Slurp(logs_.File("copy")) == Slurp(out_.File("file.y4m")));
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

TEST_F(ProgramTest, ARunStoppedByTheFileSizeLimitLeavesNoPartialFile) {
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const rlimit small{100'000, old.rlim_max};  // below the 230 kB of output
  setrlimit(RLIMIT_FSIZE, &small);
  const ProgramRun run = Run("-q -m repeat -o big.y4m " + kCisco);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(out_.EntryCount(), 0u);
}

TEST_F(ProgramTest, ALongPipeIsConvertedInBoundedMemory) {
  // 3000 frames of 320 x 240 (345 MB) through a FIFO, converted to one frame
  // every two seconds.
  std::string chunk;
  for (int i = 0; i < 100; ++i) {
    chunk += "FRAME\n" + std::string(320 * 240, static_cast<char>(16 + i)) +
             std::string(320 * 240 / 2, static_cast<char>(128));
  }
  logs_.Write("header", "YUV4MPEG2 W320 H240 F30:1\n");
  logs_.Write("chunk", chunk);
  const std::string fifo = out_.File("in.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  std::FILE* writer = popen(("{ cat '" + logs_.File("header") + "'; for i in $(seq 30); do cat '" +
                             logs_.File("chunk") + "'; done; } >'" + fifo + "'")
                                .c_str(),
                            "r");
  // A small sanitizer quarantine, so that freed frames are not kept.
  const char* sanitizer = std::getenv("ASAN_OPTIONS");
  const std::string saved = sanitizer ? sanitizer : "";
  setenv("ASAN_OPTIONS", (saved + ":quarantine_size_mb=16").c_str(), 1);
  const ProgramRun run = Run("-m repeat -r 0.5 -o small.y4m in.fifo");
  setenv("ASAN_OPTIONS", saved.c_str(), 1);
  ReleaseFifo(fifo, O_RDONLY);
  pclose(writer);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("50 frames written to small.y4m"), std::string::npos) << run.err;
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 200 * 1024) << "kB at most";
}
#else
TEST_F(ProgramTest, TheNullDeviceIsWrittenAsItIs) {
  ASSERT_EQ(Run("-q -m repeat -o NUL " + kCisco).status, 0);
  EXPECT_EQ(out_.EntryCount(), 0u);
}
#endif

}  // namespace
}  // namespace fitool
