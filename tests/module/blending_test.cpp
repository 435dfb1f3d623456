// Frame blending: what Blending hands the host and gets back, its
// fallbacks and messages, the output format and memory type, the allocator,
// the frame-property copies and the debug dump.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "blending_support.h"
#include "debug_switches.h"
#include "standin/service_registry.h"

namespace {

using blendtest::BufferOf;
using blendtest::BufferPtr;
using blendtest::IsBlendOf;
using blendtest::RecordingDesc;
using blendtest::WrappedBuffer;
using frameinterp::SamplePtr;
using Texts = std::vector<std::string>;

constexpr char kBlendingTag[] = "FrameSourceBlendingImpl::Blending";
constexpr char kAllocatorTag[] = "FrameSourceBlendingImpl::Blending_GPU";

SamplePtr SampleOf(BufferPtr picture) { return standin::MakeSample(std::move(picture), 0, 0); }

std::shared_ptr<standin::CpuBuffer> Picture(uint32_t format, int seed, uint32_t memory_type = 0,
                                            uint32_t width = 16, uint32_t height = 8) {
  auto picture = blendtest::PatternPicture(format, width, height, seed);
  picture->GetDesc(0)->SetMemoryType(memory_type);
  return picture;
}

standin::MediaDesc* DescOf(const SamplePtr& sample) {
  return dynamic_cast<standin::MediaDesc*>(BufferOf(sample)->GetDesc(0));
}

class Blending : public blendtest::BlendingFixture {
protected:
  void SetUp() override {
    BlendingFixture::SetUp();
    Build(false);
  }

  // A new source (Blending itself reads no frames).
  void Build(bool use_gpu_effect) {
    Use({25, 1}, blendtest::PatternFrames(2, 0, 400'000, 400'000), use_gpu_effect);
  }

  // A blend of two fresh pictures of the format; the result.
  SamplePtr BlendPair(uint32_t format, uint32_t memory_type, int64_t num = 1, int64_t gap = 2) {
    left = SampleOf(Picture(format, 1, memory_type));
    right = SampleOf(Picture(format, 2, memory_type));
    return source->Blending(left, right, num, gap);
  }

  SamplePtr left;
  SamplePtr right;
};

// ---------------------------------------------------------------------------
// Success

TEST_F(Blending, HandsBothPicturesToTheHostAndWrapsTheOutputInANewSample) {
  const SamplePtr result = BlendPair(1, 0, 100'000, 400'000);
  ASSERT_NE(result, nullptr);
  EXPECT_NE(result, left);
  EXPECT_EQ(source->held(), result);
  EXPECT_EQ(result->GetPts(), 0) << "Blending stamps nothing";
  EXPECT_EQ(result->GetDuration(), 0);
  const BufferPtr out = BufferOf(result);
  EXPECT_NE(out, BufferOf(left));
  EXPECT_TRUE(IsBlendOf(out.get(), BufferOf(left).get(), BufferOf(right).get(), 0.25f));
  EXPECT_EQ(services().last_blend_factor, 0.25f);
  EXPECT_EQ(out->GetDesc(0)->GetFormat(), 1u);
  EXPECT_EQ(out->GetDesc(0)->GetWidth(0), 16u);
  EXPECT_EQ(out->GetDesc(0)->GetHeight(0), 8u);
  // One description made and disposed of, one buffer, one sample.
  EXPECT_EQ(media().descs_created, 1);
  EXPECT_EQ(media().descs_destroyed, 1);
  EXPECT_EQ(media().buffers_allocated, 1);
  EXPECT_EQ(media().samples_created, 1);
  EXPECT_TRUE(Log().empty());
}

TEST_F(Blending, FactorIsComputedInSinglePrecision) {
  const auto factor_of = [&](int64_t num, int64_t gap) {
    BlendPair(1, 0, num, gap);
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(services().last_blend_factor));
    return std::string(text);
  };
  EXPECT_EQ(factor_of(100'000, 300'000), "0.333333343");
  EXPECT_EQ(factor_of(166'833, 333'667), "0.49999851");
}

TEST_F(Blending, OutputTakesOverTheLeftPicturesMetadataAndAttributes) {
  auto picture = Picture(1, 1);
  avcore::IMediaDesc* desc = picture->GetDesc(0);
  desc->GetMetadata(0)->AddTag("Source");
  const avcore::MediaAttr16 wide{0x0102030405060708u, 0x1112131415161718u};
  desc->SetAttribute9(&wide);
  desc->SetAttribute12(12);
  desc->SetAttribute14(14);
  desc->SetAttribute18(18);
  desc->SetAttribute20(20);
  desc->SetAttribute22(22);
  desc->SetAttribute24(24);
  desc->SetAttribute49(49);
  left = SampleOf(picture);
  right = SampleOf(Picture(1, 2));
  const SamplePtr result = source->Blending(left, right, 1, 2);
  standin::MediaDesc* out = DescOf(result);
  EXPECT_EQ(out->metadata().tags(), (Texts{"Source", "Blank"}));
  EXPECT_EQ(DescOf(left)->metadata().tags(), Texts{"Source"});
  avcore::MediaAttr16 read{};
  out->GetAttribute10(&read, 0);
  EXPECT_EQ(read.lo, wide.lo);
  EXPECT_EQ(read.hi, wide.hi);
  EXPECT_EQ(out->GetAttribute11(0), 12u);
  EXPECT_EQ(out->GetAttribute13(0), 14u);
  EXPECT_EQ(out->GetAttribute19(0), 18u);
  EXPECT_EQ(out->GetAttribute21(0), 20u);
  EXPECT_EQ(out->GetAttribute23(0), 22u);
  EXPECT_EQ(out->GetAttribute25(0), 24u);
  EXPECT_EQ(out->GetAttribute48(), 49u);
}

TEST_F(Blending, ReadsTheDescriptionsInTheOrderGiven) {
  std::vector<std::string> journal;
  RecordingDesc desc_a("A", &journal);
  RecordingDesc desc_b("B", &journal);
  auto a = std::make_shared<WrappedBuffer>(Picture(1, 1));
  auto b = std::make_shared<WrappedBuffer>(Picture(1, 2));
  a->desc = &desc_a;
  b->desc = &desc_b;
  desc_a.attribute[13] = 13;
  desc_a.attribute[11] = 11;
  desc_a.attribute[48] = 48;
  desc_a.memory_type = 6;
  left = SampleOf(a);
  ASSERT_NE(source->Blending(left, SampleOf(b), 1, 2), left);
  const Texts expected = {"A.GetWidth=16",        "A.GetHeight=8", "B.GetWidth=16",
                          "B.GetHeight=8",        "A.GetFormat=1", "B.GetFormat=1",
                          "A.GetMetadataConst=0", "A.Get13=13",    "A.Get10=0",
                          "A.Get11=11",           "A.Get48=48",    "A.GetMemoryType=6"};
  ASSERT_GE(journal.size(), expected.size());
  EXPECT_EQ(Texts(journal.begin(), journal.begin() + static_cast<long>(expected.size())), expected);
}

// ---------------------------------------------------------------------------
// The failure table

TEST_F(Blending, EveryFailureGivesItsResultAndMessageAndKeepsTheHeldFrame) {
  enum Result { kEmpty, kLeft, kNewSampleWithTheLeftPicture };
  struct Case {
    const char* name;
    std::function<void()> arrange;  // after a successful blend of left and right
    Result result;
    const char* tag;      // of the one message; null: nothing is logged
    const char* message;  // logged at level 4
  };
  const auto without_services = [&](standin::SessionOutcome gpu, standin::SessionOutcome visual) {
    controls().gpu_sessions = gpu;
    controls().visual_process_sessions = visual;
    Build(false);
  };
  const auto unregistered = [&](const char* guid) {
    standin::UnregisterService(guid);
    Build(false);
  };
  const SamplePtr bare = SampleOf(nullptr);
  using standin::SessionOutcome;
  const Case cases[] = {
      {"no left", [&] { left = nullptr; }, kEmpty, kBlendingTag, "input param is error "},
      {"no right", [&] { right = nullptr; }, kEmpty, kBlendingTag, "input param is error "},
      {"null GPU session",
       [&] { without_services(SessionOutcome::kNull, SessionOutcome::kSession); }, kLeft,
       kBlendingTag, "OVK_GPU_UHP_GUID fail"},
      {"foreign GPU session",
       [&] { without_services(SessionOutcome::kForeign, SessionOutcome::kSession); }, kLeft,
       kBlendingTag, "OVK_GPU_UHP_GUID fail"},
      {"no GPU service", [&] { unregistered(standin::kGpuServiceGuid); }, kLeft, kBlendingTag,
       "OVK_GPU_UHP_GUID fail"},
      {"foreign visual-processing session",
       [&] { without_services(SessionOutcome::kSession, SessionOutcome::kForeign); }, kLeft,
       kBlendingTag, "OVK_VISUAL_PROCESS_GUID fail"},
      {"no visual-processing service", [&] { unregistered(standin::kVisualProcessServiceGuid); },
       kLeft, kBlendingTag, "OVK_VISUAL_PROCESS_GUID fail"},
      {"neither session: the GPU is asked about first",
       [&] { without_services(SessionOutcome::kNull, SessionOutcome::kNull); }, kLeft, kBlendingTag,
       "OVK_GPU_UHP_GUID fail"},
      {"left without a picture", [&] { left = bare; }, kEmpty, kBlendingTag,
       "input param is error "},
      {"right without a picture", [&] { right = bare; }, kEmpty, kBlendingTag,
       "input param is error "},
      {"other format", [&] { right = SampleOf(Picture(6, 2)); }, kLeft, nullptr, nullptr},
      {"other width", [&] { right = SampleOf(Picture(1, 2, 0, 18, 8)); }, kLeft, nullptr, nullptr},
      {"other height", [&] { right = SampleOf(Picture(1, 2, 0, 16, 10)); }, kLeft, nullptr,
       nullptr},
      {"no output description", [&] { faults().desc_create_fails = true; }, kLeft, nullptr,
       nullptr},
      {"no default allocator",
       [&] {
         Build(false);
         faults().no_default_allocator = true;
       },
       kLeft, kAllocatorTag, "OVKAvCoreDefaultAllocatorAcquire fail"},
      {"no output buffer", [&] { faults().allocate_fails = true; }, kLeft, nullptr, nullptr},
      {"host blend fails", [&] { controls().blend_frames_failure = -5; },
       kNewSampleWithTheLeftPicture, kBlendingTag, "FrameInterpolation fail"},
      {"no new sample", [&] { faults().sample_create_fails = true; }, kEmpty, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    controls() = {};
    faults() = {};
    standin::RegisterStandardServices();
    Build(false);
    ASSERT_NE(BlendPair(1, 0), left);
    c.arrange();
    const SamplePtr held = source->held();
    const size_t logged = Log().size();

    const SamplePtr result = source->Blending(left, right, 1, 2);
    switch (c.result) {
      case kEmpty:
        EXPECT_EQ(result, nullptr);
        break;
      case kLeft:
        EXPECT_EQ(result, left);
        break;
      case kNewSampleWithTheLeftPicture:
        ASSERT_NE(result, nullptr);
        EXPECT_NE(result, left);
        EXPECT_EQ(BufferOf(result), BufferOf(left));
        // The properties went into the discarded output, not into the left picture.
        EXPECT_TRUE(DescOf(left)->metadata().tags().empty());
        break;
    }
    EXPECT_EQ(source->held(), c.result == kNewSampleWithTheLeftPicture ? result : held);
    const std::vector<standin::LogLine> log = Log();
    const std::vector<standin::LogLine> lines(log.begin() + static_cast<long>(logged), log.end());
    EXPECT_EQ(blendtest::LinesWithTag(lines, c.tag != nullptr ? c.tag : kBlendingTag),
              c.message != nullptr ? Texts{std::string("4 ") + c.message} : Texts{});
    EXPECT_EQ(lines.size(), c.message != nullptr ? 1u : 0u);
    EXPECT_EQ(media().descs_destroyed, media().descs_created) << "descriptions disposed of";
  }
}

// ---------------------------------------------------------------------------
// Output format, memory type and the GPU-effect flag

TEST_F(Blending, Formats2And7And31InCpuMemoryBecomeFormat1AndTurnTheGpuEffectOffForGood) {
  for (const uint32_t format : {2u, 7u, 31u}) {
    Build(true);
    BlendPair(format, 3);
    EXPECT_EQ(services().last_blend_out_format, format) << "memory type 3 keeps " << format;
    EXPECT_EQ(services().last_blend_out_memory_type, 1u) << "GPU effect on, kind 2";

    BlendPair(format, 0);
    EXPECT_EQ(services().last_blend_out_format, 1u) << format;
    EXPECT_EQ(services().last_blend_out_memory_type, 0u) << format;
    EXPECT_FALSE(source->use_gpu_effect()) << format;

    // Every later blend of this source runs with the effect off.
    BlendPair(1, 5);
    EXPECT_EQ(services().last_blend_out_memory_type, 5u) << format;
  }
  for (const uint32_t format : {1u, 3u, 6u, 20u, 30u, 32u}) {
    Build(true);
    BlendPair(format, 0);
    EXPECT_EQ(services().last_blend_out_format, format);
    EXPECT_TRUE(source->use_gpu_effect()) << format;
  }
}

TEST_F(Blending, GpuKindDecidesWhetherAPictureWithoutGpuStorageTurnsTheEffectOff) {
  for (int32_t kind = -2; kind <= 8; ++kind) {
    controls().gpu_kind = kind;
    Build(true);
    BlendPair(1, 5);
    const bool cleared = kind == 0 || kind == 1 || kind == 3 || kind == 4 || kind == 5;
    EXPECT_EQ(source->use_gpu_effect(), !cleared) << "kind " << kind;
    EXPECT_EQ(services().last_blend_out_memory_type, cleared ? 5u : 1u) << "kind " << kind;
  }
  EXPECT_EQ(services().gpu_kind_calls, 11);

  // A picture with GPU storage keeps the effect on whatever the kind.
  controls().gpu_kind = 4;
  Build(true);
  auto a = std::make_shared<WrappedBuffer>(Picture(1, 1, 5));
  a->gpu = std::make_shared<int>(1);
  left = SampleOf(a);
  right = SampleOf(Picture(1, 2, 5));
  const SamplePtr result = source->Blending(left, right, 1, 4);
  EXPECT_TRUE(source->use_gpu_effect());
  EXPECT_EQ(services().last_blend_out_memory_type, 1u);
  EXPECT_TRUE(IsBlendOf(BufferOf(result).get(), a.get(), BufferOf(right).get(), 0.25f));

  // With the effect off the memory type is the left picture's, kind 2 or not.
  controls().gpu_kind = 2;
  Build(false);
  BlendPair(1, 5);
  EXPECT_EQ(services().last_blend_out_memory_type, 5u);
}

TEST_F(Blending, AllocatorIsAcquiredOncePerSourceAndAgainAfterAFailure) {
  faults().no_default_allocator = true;
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_EQ(media().allocator_acquired, 2);
  faults().no_default_allocator = false;
  for (int i = 0; i < 3; ++i) EXPECT_NE(BlendPair(1, 0), left);
  EXPECT_EQ(media().allocator_acquired, 3);
  EXPECT_NE(source->allocator(), nullptr);
  Build(false);
  BlendPair(1, 0);
  EXPECT_EQ(media().allocator_acquired, 4) << "a new source acquires it again";
}

// ---------------------------------------------------------------------------
// CopyMetadata, CopyAttributes, CopyFrameProperties

struct Copies : ::testing::Test {
  Copies() {
    source->desc = &from;
    destination->desc = &to;
    from.attribute[19] = 190;
    from.attribute[21] = 210;
    from.attribute[23] = 230;
    from.attribute[25] = 250;
    from.metadata.AddTag("Scene");
    to.metadata.AddTag("Old");
  }
  Texts journal;
  RecordingDesc from{"S", &journal};
  RecordingDesc to{"D", &journal};
  std::shared_ptr<WrappedBuffer> source =
      std::make_shared<WrappedBuffer>(standin::MakePicture(1, 4, 4));
  std::shared_ptr<WrappedBuffer> destination =
      std::make_shared<WrappedBuffer>(standin::MakePicture(1, 4, 4));
};

TEST_F(Copies, CopyAttributesCopies19AndThe2xPairsOnlyWhen48Agrees) {
  from.attribute[48] = 7;
  to.attribute[48] = 8;
  frameinterp::CopyAttributes(source, destination);
  EXPECT_EQ(journal, (Texts{"S.Get48=7", "D.Get48=8", "S.Get19=190", "D.Set18=190"}));

  journal.clear();
  to.attribute[48] = 7;
  frameinterp::CopyAttributes(source, destination);
  EXPECT_EQ(journal,
            (Texts{"S.Get48=7", "D.Get48=7", "S.Get19=190", "D.Set18=190", "S.Get25=250",
                   "S.Get23=230", "S.Get21=210", "D.Set24=250", "D.Set20=210", "D.Set22=230"}));
}

TEST_F(Copies, CopyFramePropertiesReplacesTheTagsAddsBlankThenCopiesAttributes) {
  frameinterp::CopyFrameProperties(source, destination);
  EXPECT_EQ(Texts(journal.begin(), journal.begin() + 3),
            (Texts{"D.GetMetadata=0", "S.GetMetadataConst=0", "S.Get48=0"}));
  EXPECT_EQ(journal.back(), "D.Set22=230");
  EXPECT_EQ(to.metadata.tags(), (Texts{"Scene", "Blank"}));
  EXPECT_EQ(source.use_count(), 1) << "the shared copies are dropped";
}

// ---------------------------------------------------------------------------
// The debug dump

// A fresh folder made the current one for the life of the object.
class CurrentFolder {
public:
  CurrentFolder() : previous_(std::filesystem::current_path()) {
    path_ = std::filesystem::temp_directory_path() /
            ("frameinterp-dump-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
  }
  ~CurrentFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadDump() {
  std::ifstream in("dump.yuv", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bytes of rows [0, rows) of each plane of a stand-in picture, one plane after another.
std::vector<uint8_t> Rows(const SamplePtr& sample, std::vector<uint32_t> rows) {
  auto* picture = dynamic_cast<standin::CpuBuffer*>(BufferOf(sample).get());
  std::vector<uint8_t> bytes;
  for (size_t p = 0; picture != nullptr && p < rows.size(); ++p) {
    const uint8_t* plane = picture->plane(static_cast<int>(p));
    bytes.insert(bytes.end(), plane, plane + picture->layout().planes[p].row_bytes * rows[p]);
  }
  return bytes;
}

TEST_F(Blending, DumpIsWrittenOnlyWhileItsSwitchIsOnAndHoldsTheLatestFrame) {
  const CurrentFolder folder;
  BlendPair(1, 0);
  EXPECT_FALSE(std::filesystem::exists("dump.yuv"));

  frameinterp::BlendingDumpSwitch() = 1;
  std::ofstream("dump.yuv", std::ios::binary) << std::string(1000, 'x');
  const SamplePtr result = BlendPair(1, 0);
  // 16 x 8 in format 1: Y 16 x 8, then U and V 8 x 4 each.
  EXPECT_EQ(ReadDump(), Rows(result, {8, 4, 4}));
  EXPECT_EQ(ReadDump().size(), 192u);
  EXPECT_EQ(dynamic_cast<standin::CpuBuffer*>(BufferOf(result).get())->lock_count(), 0)
      << "locked and unlocked";

  const SamplePtr again = source->Blending(SampleOf(Picture(1, 7)), SampleOf(Picture(1, 8)), 1, 3);
  EXPECT_EQ(ReadDump(), Rows(again, {8, 4, 4}));
}

TEST_F(Blending, DumpTakesEachPlaneFromTheLockedPicturesLayout) {
  const CurrentFolder folder;
  frameinterp::BlendingDumpSwitch() = 1;

  // Odd height: chroma planes of 8 x 5 in the stand-in; the dump writes the
  // rows that every host's half height holds (4), never more.
  EXPECT_EQ(ReadDump(), Rows(source->Blending(SampleOf(Picture(1, 1, 0, 16, 9)),
                                              SampleOf(Picture(1, 2, 0, 16, 9)), 1, 2),
                             {9, 4, 4}));
  // Four bytes a pixel: one plane.
  EXPECT_EQ(ReadDump(), Rows(BlendPair(20, 0), {8}));

  // A host picture whose half-height plane holds exactly 2 rows of a 5-row
  // picture: halving the pitch times the height would read 4 bytes past it.
  controls().blend_frames_failure = 1;  // the output is then the left picture itself
  auto tight = std::make_shared<blendtest::TightPicture>(
      6, 8, 5, std::vector<standin::PlaneGeometry>{{8, 5}, {8, 2}});
  for (size_t p = 0; p < 2; ++p) {
    for (size_t i = 0; i < tight->plane(p).size(); ++i)
      tight->plane(p)[i] = static_cast<uint8_t>(i + 40 * p);
  }
  left = SampleOf(tight);
  ASSERT_EQ(BufferOf(source->Blending(left, SampleOf(Picture(6, 2, 0, 8, 5)), 1, 2)),
            BufferOf(left));
  std::vector<uint8_t> expected = tight->plane(0);
  expected.insert(expected.end(), tight->plane(1).begin(), tight->plane(1).end());
  EXPECT_EQ(ReadDump(), expected);
}

}  // namespace
