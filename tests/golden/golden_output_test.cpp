// The module's whole output, as digests, over every real clip and triplet of
// the footage folder: modes 0, 1 and 2 at three output rates in three pixel
// formats (the table recorded in golden_outputs.tsv), and mode 2 under the
// motion settings no session reaches, frame by frame against digests made by
// an independent model of the pipeline (model-digests.tsv of the footage).
// Any change to the pixel arithmetic, the window handling or the answers'
// times shows up here as a differing digest.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "clip_provider.h"
#include "frame_source_motion.h"
#include "frameinterpimpl.h"
#include "motion/kernels/motion_kernels.h"
#include "output_digests.h"
#include "standin/log_control.h"
#include "standin/standard_services.h"
#include "testdata.h"

namespace {

using frameinterp::SamplePtr;
using fitool::Rational;
using frameinterp::testing::kFootage;

constexpr uint32_t kFormats[] = {1, 6, 20};  // I420, NV12, 4-byte pixels
constexpr uint32_t kModes[] = {0, 1, 2};     // repeat, blend, motion

struct OutputRate {
  const char* label;
  Rational (*of)(Rational input);
};
constexpr OutputRate kRates[] = {
    {"double", [](Rational r) { return Rational{2 * r.num, r.den}; }},
    {"60000/1001", [](Rational) { return Rational{60000, 1001}; }},
    {"half", [](Rational r) { return Rational{r.num, 2 * r.den}; }},
};

// Rows "clip rate format mode" -> "frames digest" of the recorded table.
std::map<std::string, std::string> RecordedTable() {
  std::map<std::string, std::string> table;
  std::ifstream in(FRAMEINTERP_GOLDEN_TABLE);
  std::string clip, rate, format, mode, frames, digest;
  while (in >> clip >> rate >> format >> mode >> frames >> digest) {
    table[clip + ' ' + rate + ' ' + format + ' ' + mode] = frames + ' ' + digest;
  }
  return table;
}

// Runs `request` over the clip at `output_rate` and compares the frame count
// and digest with the table's row `key`, or prints the row when recording
// (FRAMEINTERP_GOLDEN_RECORD=1).
void CheckRun(const std::map<std::string, std::string>& table, const std::string& key,
              const golden::Clip& clip, Rational output_rate,
              const std::function<SamplePtr(int64_t)>& request) {
  int64_t frames = 0;
  uint64_t digest = golden::Fnv1a({});
  golden::RequestClip(clip, output_rate, request, [&](const std::vector<uint8_t>& bytes) {
    ++frames;
    digest = golden::Fnv1a(bytes, digest);
  });
  char value[64];
  std::snprintf(value, sizeof value, "%lld %016llx", static_cast<long long>(frames),
                static_cast<unsigned long long>(digest));
  if (std::getenv("FRAMEINTERP_GOLDEN_RECORD") != nullptr) {
    std::printf("%s %s\n", key.c_str(), value);
    return;
  }
  const auto row = table.find(key);
  EXPECT_TRUE(row != table.end() && row->second == value)
      << key << ": " << value << ", recorded " << (row != table.end() ? row->second : "nothing");
}

// The host services that mode 1 blends with, the module's log silenced, and
// the pixel kernels of the tier FRAMEINTERP_KERNEL_TIER names ("c", "sse2",
// "avx2", "avx512"; the processor's own without it).
class StandInHost : public ::testing::Environment {
public:
  void SetUp() override {
    standin::SetLogThreshold(5);
    standin::RegisterStandardServices();
    if (const char* name = std::getenv("FRAMEINTERP_KERNEL_TIER")) {
      for (int t = 0; t < frameinterp::kCpuTierCount; ++t) {
        const auto tier = static_cast<frameinterp::CpuTier>(t);
        if (std::string(name) != frameinterp::cpu_tier_name(tier)) continue;
        if (!frameinterp::use_motion_kernel_tier(tier)) {
          GTEST_SKIP() << "this processor cannot run the " << name << " kernels";
        }
        return;
      }
      FAIL() << "unknown kernel tier " << name;
    }
  }
  void TearDown() override { standin::UnregisterStandardServices(); }
};
const auto* const kHost = ::testing::AddGlobalTestEnvironment(new StandInHost);

class GoldenOutput : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenOutput, EveryModeRateAndFormatGivesTheRecordedOutput) {
  const golden::Clip clip = golden::ReadClip(frameinterp::testing::TestdataPath(GetParam()));
  ASSERT_GT(clip.frames->count(), 0);
  const std::map<std::string, std::string> table = RecordedTable();
  for (const OutputRate& rate : kRates) {
    for (const uint32_t format : kFormats) {
      for (const uint32_t mode : kModes) {
        frameinterp::FrameInterpImpl session;
        session.SetProvider(std::make_shared<fitool::ClipProvider>(*clip.frames, clip.rate, format));
        session.SetMode(mode);
        CheckRun(table,
                 clip.name + ' ' + rate.label + ' ' + std::to_string(format) + ' ' +
                     std::to_string(mode),
                 clip, rate.of(clip.rate), [&](int64_t t) { return session.GetFrame(t, 0); });
      }
    }
  }
}

// The motion settings of the model table: the defaults, each setting changed
// alone, a few combinations, and every search method in both estimation modes.
std::vector<std::string> MotionSettingsList() {
  std::vector<std::string> list = {
      "defaults", "block_size=8", "block_size=4", "block_size=2", "search_range=7",
      "split_refinement=1", "comp_mode=1", "me_mode=0", "comp_mode=1,me_mode=0",
      "block_size=8,comp_mode=1,split_refinement=1", "scene_detect=0", "scene_threshold=2.5"};
  for (int method = 0; method <= 10; ++method) {
    list.push_back("search_method=" + std::to_string(method) + ",search_range=8");
  }
  for (int method = 1; method <= 9; ++method) {
    list.push_back("me_mode=0,search_method=" + std::to_string(method) + ",search_range=8");
  }
  return list;
}

frameinterp::MotionSettings ParseSettings(const std::string& text);

// Every motion setting in every pixel format, on a clip large enough for
// split blocks and long vectors: rows "<clip> double <format> 2:<settings>".
TEST(GoldenMotionSettings, EverySettingInEveryFormatGivesTheRecordedOutput) {
  const golden::Clip clip = golden::ReadClip(
      frameinterp::testing::TestdataPath("clips/CiscoVT2people_320x192_12fps.y4m"));
  ASSERT_GT(clip.frames->count(), 0);
  const std::map<std::string, std::string> table = RecordedTable();
  for (const std::string& settings : MotionSettingsList()) {
    for (const uint32_t format : kFormats) {
      frameinterp::FrameSourceMotionImpl source(
          std::make_shared<fitool::ClipProvider>(*clip.frames, clip.rate, format), false,
          ParseSettings(settings));
      CheckRun(table, clip.name + " double " + std::to_string(format) + " 2:" + settings, clip,
               kRates[0].of(clip.rate), [&](int64_t t) { return source.GetFrame(t, 0); });
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Footage, GoldenOutput, ::testing::ValuesIn(kFootage),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           std::string name = std::filesystem::path(param.param).stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// Settings "defaults" or "name=value,..." over the defaults.
frameinterp::MotionSettings ParseSettings(const std::string& text) {
  frameinterp::MotionSettings s;
  if (text == "defaults") return s;
  std::istringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    const size_t eq = item.find('=');
    const std::string name = item.substr(0, eq);
    const double value = std::stod(item.substr(eq + 1));
    const auto whole = static_cast<int32_t>(value);
    if (name == "comp_mode") s.comp_mode = whole;
    else if (name == "me_mode") s.me_mode = whole;
    else if (name == "search_method") s.search_method = whole;
    else if (name == "block_size") s.block_size = whole;
    else if (name == "search_range") s.search_range = whole;
    else if (name == "split_refinement") s.split_refinement = whole;
    else if (name == "scene_detect") s.scene_detect = whole;
    else if (name == "scene_threshold") s.scene_threshold = value;
    else ADD_FAILURE() << "unknown setting " << name;
  }
  return s;
}

class ModelDigests : public ::testing::TestWithParam<const char*> {};

// Each row: clip, output rate N/D, settings, frame count, one digest per
// output frame (format 1).
TEST_P(ModelDigests, EveryMotionSettingMatchesTheModelFrameByFrame) {
  const golden::Clip clip = golden::ReadClip(
      frameinterp::testing::TestdataPath(std::string("clips/") + GetParam() + ".y4m"));
  ASSERT_GT(clip.frames->count(), 0);
  const std::string digests = frameinterp::testing::TestdataPath("model-digests.tsv");
  std::ifstream in(digests);
  ASSERT_TRUE(in) << "cannot read " << digests;
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name, rate_text, settings;
    int64_t count = 0;
    if (!(fields >> name >> rate_text >> settings >> count) || name != GetParam()) continue;
    std::vector<std::string> expected(static_cast<size_t>(count));
    for (std::string& digest : expected) fields >> digest;
    const size_t slash = rate_text.find('/');
    const Rational rate{std::stoll(rate_text.substr(0, slash)), std::stoll(rate_text.substr(slash + 1))};

    frameinterp::FrameSourceMotionImpl source(
        std::make_shared<fitool::ClipProvider>(*clip.frames, clip.rate, 1), false,
        ParseSettings(settings));
    std::vector<std::string> actual;
    golden::RequestClip(
        clip, rate, [&](int64_t t) { return source.GetFrame(t, 0); },
        [&](const std::vector<uint8_t>& bytes) { actual.push_back(golden::Sha256Prefix(bytes)); });
    ASSERT_EQ(actual.size(), expected.size()) << settings;
    int differing = 0, first = -1;
    for (size_t k = 0; k < actual.size(); ++k) {
      if (actual[k] != expected[k]) {
        if (differing++ == 0) first = static_cast<int>(k);
      }
    }
    EXPECT_EQ(differing, 0) << settings << ": " << differing << " of " << count
                            << " frames differ, the first at output frame " << first;
    ++rows;
  }
  EXPECT_GT(rows, 0) << "no model rows for " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Clips, ModelDigests,
                         ::testing::Values("RTn23_80x44_15fps", "CiscoVT2people_160x96_6fps",
                                           "rapids_176x96_60f"));

}  // namespace
