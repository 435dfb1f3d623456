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

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "child_process.h"
#include "frame_times.h"
#include "png_readback.h"
#include "scratch_dir.h"
#include "testdata.h"
#include "y4m_clip.h"

namespace fitool {
namespace {

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

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

  // A clip of the footage folder.
  static std::string Clip(const std::string& name) {
    return frameinterp::testing::TestdataPath("clips/" + name);
  }

  // park_joy cut to 321 x 241, "odd.y4m" in the output folder, its header's
  // interlacing token `interlacing`.
  std::string WriteOddClip(const std::string& interlacing = "Ip") {
    const auto source = Open(Clip("park_joy_480x270_50fps_10f.y4m"));
    std::string bytes = "YUV4MPEG2 W321 H241 F50:1 " + interlacing + " A1:1\n";
    for (int64_t i = 0; i < *source->count(); ++i) {
      const Picture frame = source->Frame(i);
      bytes += "FRAME\n";
      for (const auto& [plane, w, h] : {std::tuple{&frame.y, 321, 241}, {&frame.u, 161, 121},
                                        {&frame.v, 161, 121}}) {
        const int stride = plane == &frame.y ? 480 : 240;
        for (int row = 0; row < h; ++row) {
          bytes.append(plane->begin() + row * stride, plane->begin() + row * stride + w);
        }
      }
    }
    return out_.Write("odd.y4m", bytes);
  }

  ScratchDir out_;
  ScratchDir logs_;
};

// Every sample of `output` was written, where the stand-in host's fresh
// buffers hold 0: limited-range chroma, as every input and conversion here
// gives, is never below 16, and the footage's luma never below 10.
void ExpectPlanesWritten(const std::string& output) {
  const auto clip = Open(output);
  for (int64_t i = 0; i < *clip->count(); ++i) {
    const Picture frame = clip->Frame(i);
    ASSERT_GE(std::min(*std::ranges::min_element(frame.u), *std::ranges::min_element(frame.v)), 16)
        << output << " frame " << i;
    ASSERT_GT(*std::ranges::min_element(frame.y), 0) << output << " frame " << i;
  }
}

// The quality table has a row for each default mode.
void ExpectEveryModeScored(const std::string& report) {
  for (const char* mode : {"\nrepeat ", "\nblend ", "\nmotion "}) {
    EXPECT_NE(report.find(mode), std::string::npos) << report;
  }
}

// PSNR Y, PSNR of all planes and SSIM Y of a mode's row of the quality table.
std::vector<double> Scores(const std::string& report, const std::string& mode) {
  const size_t row = report.find("\n" + mode + " ");
  if (row == std::string::npos) return {};
  std::istringstream line(report.substr(row + mode.size() + 2));
  std::vector<double> scores(3);
  for (double& score : scores) line >> score;
  return scores;
}

constexpr char kCisco[] = "CiscoVT2people_160x96_6fps.y4m";
constexpr char kRtn[] = "RTn23_80x44_15fps.y4m";

TEST_F(ProgramTest, EveryFramingModeKeepsTheDurationAndRepeatPassesFramesThrough) {
  struct Case {
    std::string args, clip, written;
    Rational rate;
    bool pass_through;
  };
  for (const Case& c :
       {Case{"-m repeat -o out.y4m -i", Clip(kCisco), "10 frames written to out.y4m", {12, 1},
             true},
        Case{"-m repeat -r 75 -o cars.y4m", Clip("cars_320x240_30fps.y4m"),
             "75 frames written to cars.y4m", {75, 1}, true},
        Case{"-m 0 -r 29.97 -o ntsc.y4m", Clip(kRtn), "written to ntsc.y4m", {30000, 1001}, true},
        Case{"-m repeat -r 1 -o one.y4m", Clip(kCisco), "1 frame written to one.y4m", {1, 1}, true},
        Case{"-m blend -r 25 -o blend.y4m", Clip(kRtn), "written to blend.y4m", {25, 1}, false},
        Case{"-m motion -r 25 -o motion.y4m", Clip(kRtn), "written to motion.y4m", {25, 1}, false}}) {
    const ProgramRun run = Run(c.args + " " + c.clip);
    ASSERT_EQ(run.status, 0) << c.args << ": " << run.err;
    EXPECT_NE(run.err.find(c.written + " ("), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" fps; the module's GetFrame took "), std::string::npos) << run.err;
    ExpectConversion(c.clip, out_.File(c.written.substr(c.written.rfind(' ') + 1)), c.rate,
                     c.pass_through);
  }
}

TEST_F(ProgramTest, SnapshotOfAConversionIsAPngOrAFailureWithoutOutput) {
  ProgramRun run = Run("-m repeat -o out.y4m --snapshot 9 look.png --snapshot-width 80 " +
                       Clip(kCisco));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("\nframeinterp: snapshot of output frame 9 written to look.png\n"),
            std::string::npos) << run.err;
  const auto png = ReadPng(out_.File("look.png"));
  ASSERT_TRUE(png);  // the frame before, the answer; no frame after the last one
  EXPECT_EQ(png->width, 4 + 2 * (80 + 4));

  run = Run("-q -m repeat -o late.y4m --snapshot 10 late.png " + Clip(kCisco));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "frameinterp: --snapshot 10: the run has output frames 0 to 9\n");
  EXPECT_FALSE(std::filesystem::exists(out_.File("late.y4m")));
}

TEST_F(ProgramTest, PixelFormatsAndStreamsGiveTheSameFrames) {
  ASSERT_EQ(Run("-q -m repeat -o i420.y4m " + Clip(kCisco)).status, 0);
  ASSERT_EQ(Run("-q -m repeat --pixel-format nv12 -o nv12.y4m " + Clip(kCisco)).status, 0);
  ASSERT_EQ(Run("-q -m repeat --pixel-format bgra -o bgra.y4m " + Clip(kCisco)).status, 0);
  EXPECT_EQ(Slurp(out_.File("nv12.y4m")), Slurp(out_.File("i420.y4m")));
  // Standard input, read as a stream, and standard output (where a
  // conversion without -o writes when it is no terminal) give the bytes of
  // files in every mode.
  for (const std::string mode : {"repeat", "blend", "motion"}) {
    for (const std::string rate : {"-r 29.97", "-r 4"}) {
      const std::string args = "-q -m " + mode + " " + rate;
      ASSERT_EQ(Run(args + " --threads 1 -o file.y4m " + Clip(kCisco)).status, 0);
      const ProgramRun piped = Run(args + " --threads 3 - <" + Clip(kCisco));
      ASSERT_EQ(piped.status, 0) << piped.err;
      EXPECT_TRUE(piped.out == Slurp(out_.File("file.y4m"))) << args;
    }
  }
  EXPECT_EQ(Open(out_.File("bgra.y4m"))->count(), 10);
}

// 321 x 241: the right header and frame count in every mode and format,
// every chroma sample written (luma has no rounded-up size); repeat passes
// the frames through; --evaluate scores and draws it.
TEST_F(ProgramTest, OddSizesConvertAndEvaluate) {
  const std::string odd = WriteOddClip();
  for (const std::string mode : {"repeat", "blend", "motion"}) {
    for (const std::string format : {"i420", "nv12", "bgra"}) {
      const std::string args = "-q -m " + mode + " --pixel-format " + format + " -o out.y4m ";
      ASSERT_EQ(Run(args + odd).status, 0) << args;
      ExpectConversion(odd, out_.File("out.y4m"), {100, 1}, mode == "repeat" && format != "bgra");
      ExpectPlanesWritten(out_.File("out.y4m"));
    }
  }
  // Scores of the whole pictures: each mode closer to the true frames than
  // the one before, as on every clip of the footage.
  const ProgramRun run = Run("-q --evaluate --snapshot 1 look.png " + odd);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<double> repeat = Scores(run.out, "repeat"), blend = Scores(run.out, "blend"),
                            motion = Scores(run.out, "motion");
  ASSERT_EQ(motion.size(), 3u) << run.out;
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_LT(repeat[k], blend[k]) << run.out;
    EXPECT_LT(blend[k], motion[k]) << run.out;
  }
  EXPECT_GT(repeat[0], 15) << run.out;
  const auto png = ReadPng(out_.File("look.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 4 + 6 * (321 + 4));
}

// Interlaced frames are converted as progressive pictures: one warning
// however many sessions convert, and an output header that says Ip.
TEST_F(ProgramTest, InterlacedInputWarnsOnceAndIsWrittenAsProgressive) {
  const std::string warning =
      "frameinterp: interlaced input is converted as progressive frames; deinterlace it first, "
      "for example with ffmpeg's -vf bwdif\n";
  for (const std::string field_order : {"It", "Ib", "Im"}) {
    const std::string clip = WriteOddClip(field_order);
    const ProgramRun run = Run("-m motion --threads 2 -o out.y4m " + clip);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find(warning), 0u) << run.err;
    EXPECT_EQ(run.err.rfind(warning), 0u) << run.err;
    EXPECT_EQ(FirstLine(out_.File("out.y4m")), "YUV4MPEG2 W321 H241 F100:1 Ip A1:1");
  }
  const ProgramRun run = Run("--evaluate -m repeat " + WriteOddClip("It"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, warning);
}

TEST_F(ProgramTest, FailuresSayWhyAndLeaveOrTouchNoOutput) {
  // 23 frames at one per 1000 s, asked for at 100000 fps.
  std::string slow = "YUV4MPEG2 W4 H2 F1:1000\n";
  for (int i = 0; i < 23; ++i) slow += "FRAME\n" + std::string(12, 'a');
  const std::string slow_path = logs_.Write("slow.y4m", slow);
  const std::string c422 = logs_.Write("422.y4m", "YUV4MPEG2 W4 H2 F25:1 C422\nFRAME\n01234567");
  // Frame 10 of 15 without its FRAME line, found as a stream reaches it.
  std::string broken = Slurp(Clip(kRtn));
  size_t at = 0;
  for (int i = 0; i <= 10; ++i) at = broken.find("FRAME\n", at + 1);
  const std::string broken_path = logs_.Write("broken.y4m", broken.replace(at, 5, "FRAMX"));
  // A missing module, a file that is no library (the loader's reason names
  // the path; on Windows it gives the system's code too), a library that is
  // not a service module.
  const std::string missing = "/nonexistent/module.so";
  const std::string text = logs_.Write("text.dll", "not a library");
  const std::string host = std::filesystem::absolute(FRAMEINTERP_HOST_LIBRARY).string();
  struct Case {
    std::string args;
    int status;
    std::string err;  // the whole message, or a part of it
    int windows_code = 0;
  };
  for (const Case& c : {
           Case{"-m none " + Clip(kCisco), 1, "gave no frame for the first request"},
           Case{"--threads 3 -m none " + Clip(kCisco), 1, "gave no frame for the first request"},
           Case{"--threads 3 -o broken_out.y4m - <" + broken_path, 1,
                "frameinterp: standard input: frame 10 does not start with a FRAME line\n"},
           Case{"--threads 0 " + Clip(kCisco), 2,
                "frameinterp: --threads takes a count of sessions from 1 to 256, not '0'\n"},
           Case{"--segment 4/3 " + Clip(kCisco), 2,
                "frameinterp: --segment takes K/N, run K of N with 1 <= K <= N, not '4/3'\n"},
           Case{"--segment 1/2 - <" + Clip(kCisco), 2,
                "frameinterp: --segment needs an input file, which it reads from where its run "
                "begins; standard input is read once, from its start\n"},
           Case{"-m repeat /nonexistent/clip.y4m", 1,
                "frameinterp: /nonexistent/clip.y4m: cannot open: No such file or directory\n"},
           Case{"-m repeat " + c422, 1, "); convert it to 8-bit 4:2:0 first, for example with "
                                        "ffmpeg's -pix_fmt yuv420p\n"},
           Case{"-r 100000 " + slow_path, 1,
                "frameinterp: " + slow_path +
                    ": the output rate 100000:1 would give more than 2147483647 frames\n"},
           Case{"--module " + missing + " " + Clip(kCisco), 1,
                "frameinterp: " + missing + ": cannot load the module: " + missing + ": ", 126},
           Case{"--module " + text + " " + Clip(kCisco), 1,
                "frameinterp: " + text + ": cannot load the module: " + text + ": ", 193},
           Case{"--module " + host + " " + Clip(kCisco), 1,
                "frameinterp: " + host + ": not a service module (no GetServiceModuleInfo export)"},
           Case{"--evaluate -r 50 " + Clip(kCisco), 2,
                "frameinterp: --evaluate requests the odd frames' times; leave out -r\n"
                "Try 'frameinterp --help'.\n"}}) {
    const ProgramRun run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
#if defined(_WIN32)
    if (c.windows_code) {
      const std::string code = "(error " + std::to_string(c.windows_code) + ")";
      EXPECT_NE(run.err.find(code), std::string::npos) << run.err;
    }
#endif
  }
  EXPECT_EQ(out_.EntryCount(), 0u);

  // Not even the header reaches standard output, and an output file is not touched.
  ProgramRun run = Run("-m none -o - " + Clip(kCisco));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  out_.Write("kept.y4m", "old");
  run = Run("-m none --threads 2 -o kept.y4m " + Clip(kCisco));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Slurp(out_.File("kept.y4m")), "old");
  EXPECT_EQ(out_.EntryCount(), 1u);
}

// Runs converted one by one and joined as a farm joins them (the first file
// whole, every next one without its header line) make the whole conversion,
// as several sessions side by side do; a run without frames is a header alone.
TEST_F(ProgramTest, RunsJoinedAndSessionsSideBySideMakeTheWholeConversion) {
  const std::string args = "-m motion -r 25 " + Clip(kRtn);
  ASSERT_EQ(Run("-q --threads 1 -o whole.y4m " + args).status, 0);
  const std::string whole = Slurp(out_.File("whole.y4m"));
  ASSERT_EQ(Run("-q --threads 3 -o three.y4m " + args).status, 0);
  EXPECT_TRUE(Slurp(out_.File("three.y4m")) == whole);
  std::string joined;
  for (const std::string k : {"1", "2", "3", "4"}) {
    const ProgramRun run = Run("--segment " + k + "/4 -o part.y4m " + args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(", run " + k + " of 4) in "), std::string::npos) << run.err;
    const std::string part = Slurp(out_.File("part.y4m"));
    joined += k == "1" ? part : part.substr(part.find('\n') + 1);
  }
  EXPECT_TRUE(joined == whole);
  ASSERT_EQ(Run("-q -m repeat -r 1 --segment 7/20 -o none.y4m " + Clip(kCisco)).status, 0);
  EXPECT_EQ(Slurp(out_.File("none.y4m")), Open(Clip(kCisco))->header().LineWithRate({1, 1}));
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

TEST_F(ProgramTest, EvaluateScoresEveryModeOnTheClipOrTheBuiltInScene) {
  ProgramRun run = Run("-q --evaluate --json scores.json --snapshot 1 look.png " + Clip(kRtn));
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

  run = Run("-q");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("built-in scene"), std::string::npos) << run.out;
  ExpectEveryModeScored(run.out);
  EXPECT_EQ(out_.EntryCount(), 2u) << "the evaluation's own files only";
}

TEST_F(ProgramTest, TheInputIsNeverReplaced) {
  // The input as an output, by its name, a hard link, a symbolic link (where
  // the C++ library makes them) or behind standard input: refused, the input
  // intact.
  const std::string input = out_.Write("in.y4m", Slurp(Clip(kCisco)));
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
  EXPECT_TRUE(Slurp(input) == Slurp(Clip(kCisco)));
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
    ASSERT_EQ(Run("-q -m repeat -o null " + Clip(kCisco)).status, 0);
    struct stat info {};
    ASSERT_EQ(stat(device.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
  }

  // A FIFO receives the video as it is written.
  const std::string fifo = out_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  std::FILE* reader = popen(("cat '" + fifo + "' >'" + logs_.File("copy") + "'").c_str(), "r");
  ASSERT_EQ(Run("-q -m repeat -o fifo " + Clip(kCisco)).status, 0);
  ReleaseFifo(fifo, O_WRONLY);
  pclose(reader);
  ASSERT_EQ(Run("-q -m repeat -o file.y4m " + Clip(kCisco)).status, 0);
  EXPECT_TRUE(Slurp(logs_.File("copy")) == Slurp(out_.File("file.y4m")));
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

TEST_F(ProgramTest, ARunStoppedByTheFileSizeLimitLeavesNoPartialFile) {
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const rlimit small{100'000, old.rlim_max};  // below the 230 kB of output
  setrlimit(RLIMIT_FSIZE, &small);
  const ProgramRun run = Run("-q -m repeat -o big.y4m " + Clip(kCisco));
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
  const ProgramRun run = Run("-m repeat -r 0.5 --threads 3 -o small.y4m in.fifo");
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
  ASSERT_EQ(Run("-q -m repeat -o NUL " + Clip(kCisco)).status, 0);
  EXPECT_EQ(out_.EntryCount(), 0u);
}
#endif

}  // namespace
}  // namespace fitool
