// Frame blending: what Blending hands the host and gets back, its fallbacks
// and messages, the output format and memory type, the allocator, the frame
// properties the output takes over, and the debug dump.
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

  // The memory type of the output of a blend of two pictures in memory type 5:
  // 1 while the GPU effect is on, 5 once it is off.
  uint32_t MemoryTypeOfABlend() {
    BlendPair(1, 5);
    return services().last_blend_out_memory_type;
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
  EXPECT_EQ(result->GetPts(), 0) << "Blending stamps nothing";
  EXPECT_EQ(result->GetDuration(), 0);
  const BufferPtr out = BufferOf(result);
  // (The host blends only into an output of the inputs' format and size.)
  EXPECT_TRUE(IsBlendOf(out.get(), BufferOf(left).get(), BufferOf(right).get(), 0.25f));
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
  desc->SetAttribute49(49);
  left = SampleOf(picture);
  standin::MediaDesc* out = DescOf(source->Blending(left, SampleOf(Picture(1, 2)), 1, 2));
  EXPECT_EQ(media().allocated_tags(), Texts{"Source"}) << "what the host's allocator sees";
  EXPECT_EQ(out->metadata().tags(), (Texts{"Source", "Blank"}));
  EXPECT_EQ(DescOf(left)->metadata().tags(), Texts{"Source"});
  avcore::MediaAttr16 read{};
  out->GetAttribute10(&read, 0);
  EXPECT_EQ(read.lo, wide.lo);
  EXPECT_EQ(read.hi, wide.hi);
  EXPECT_EQ((std::vector<uint32_t>{out->GetAttribute11(0), out->GetAttribute13(0),
                                   out->GetAttribute19(0), out->GetAttribute48()}),
            (std::vector<uint32_t>{12, 14, 18, 49}));
}

TEST(CopyFrameProperties, CopiesThe2xAttributesOnlyWhenAttribute48Agrees) {
  for (const uint32_t destination_48 : {7u, 8u}) {
    auto source = standin::MakePicture(1, 4, 4);
    auto destination = standin::MakePicture(1, 4, 4);
    avcore::IMediaDesc* from = source->GetDesc(0);
    avcore::IMediaDesc* to = destination->GetDesc(0);
    from->SetAttribute18(190);
    from->SetAttribute20(210);
    from->SetAttribute22(230);
    from->SetAttribute24(250);
    from->SetAttribute49(7);
    to->SetAttribute49(destination_48);
    frameinterp::CopyFrameProperties(source, destination);
    const bool agree = destination_48 == 7;
    EXPECT_EQ((std::vector<uint32_t>{to->GetAttribute19(0), to->GetAttribute21(0),
                                     to->GetAttribute23(0), to->GetAttribute25(0)}),
              (std::vector<uint32_t>{190, agree ? 210u : 0u, agree ? 230u : 0u, agree ? 250u : 0u}))
        << destination_48;
    EXPECT_EQ(source.use_count(), 1) << "the shared copies are dropped";
  }
}

// A picture without a description, or no buffer at all on either side, is
// neither read nor written.
TEST(CopyFrameProperties, LeavesAPictureWithoutADescriptionAlone) {
  auto described = standin::MakePicture(1, 4, 4);
  described->GetDesc(0)->GetMetadata(0)->AddTag("Source");
  const auto bare = std::make_shared<WrappedBuffer>(standin::MakePicture(1, 4, 4), false, false);
  frameinterp::CopyFrameProperties(described, bare);
  frameinterp::CopyFrameProperties(bare, described);
  frameinterp::CopyFrameProperties(described, nullptr);
  frameinterp::CopyFrameProperties(nullptr, described);
  EXPECT_EQ(dynamic_cast<standin::MediaDesc*>(described->GetDesc(0))->metadata().tags(),
            Texts{"Source"});
}

// ---------------------------------------------------------------------------
// The failure table

TEST_F(Blending, EveryFailureGivesItsResultAndMessage) {
  enum Result { kEmpty, kLeft, kNewSampleWithTheLeftPicture };
  struct Case {
    const char* name;
    std::function<void()> arrange;  // after a successful blend of left and right
    Result result;
    std::string message;  // the one line logged, if any
  };
  const std::string input = std::string(kBlendingTag) + " 4 input param is error ";
  const std::string no_gpu = std::string(kBlendingTag) + " 4 OVK_GPU_UHP_GUID fail";
  const std::string no_visual = std::string(kBlendingTag) + " 4 OVK_VISUAL_PROCESS_GUID fail";
  using standin::SessionOutcome;
  const auto sessions = [&](SessionOutcome gpu, SessionOutcome visual) {
    return [=, this] {
      controls().gpu_sessions = gpu;
      controls().visual_process_sessions = visual;
      Build(false);
    };
  };
  const auto unregistered = [&](const char* guid) {
    return [=, this] {
      standin::UnregisterService(guid);
      Build(false);
    };
  };
  const auto undescribed = [&](const SamplePtr& sample) {
    return SampleOf(std::make_shared<WrappedBuffer>(BufferOf(sample), false, false));
  };
  const auto no_manager = [&] {
    standin::SetServiceManagerAvailable(false);
    Build(false);
  };
  const Case cases[] = {
      {"no left", [&] { left = nullptr; }, kEmpty, input},
      {"no right", [&] { right = nullptr; }, kEmpty, input},
      {"null GPU session", sessions(SessionOutcome::kNull, SessionOutcome::kSession), kLeft,
       no_gpu},
      {"foreign GPU session", sessions(SessionOutcome::kForeign, SessionOutcome::kSession), kLeft,
       no_gpu},
      {"no GPU service", unregistered(standin::kGpuServiceGuid), kLeft, no_gpu},
      {"no service manager", no_manager, kLeft, no_gpu},
      {"null visual-processing session", sessions(SessionOutcome::kSession, SessionOutcome::kNull),
       kLeft, no_visual},
      {"foreign visual-processing session",
       sessions(SessionOutcome::kSession, SessionOutcome::kForeign), kLeft, no_visual},
      {"no visual-processing service", unregistered(standin::kVisualProcessServiceGuid), kLeft,
       no_visual},
      {"neither session: the GPU is asked about first",
       sessions(SessionOutcome::kNull, SessionOutcome::kNull), kLeft, no_gpu},
      {"left without a picture", [&] { left = SampleOf(nullptr); }, kEmpty, input},
      {"right without a picture", [&] { right = SampleOf(nullptr); }, kEmpty, input},
      {"left picture without a description", [&] { left = undescribed(left); }, kLeft, ""},
      {"right picture without a description", [&] { right = undescribed(right); }, kLeft, ""},
      {"other format", [&] { right = SampleOf(Picture(6, 2)); }, kLeft, ""},
      {"other width", [&] { right = SampleOf(Picture(1, 2, 0, 18, 8)); }, kLeft, ""},
      {"other height", [&] { right = SampleOf(Picture(1, 2, 0, 16, 10)); }, kLeft, ""},
      {"no output description", [&] { faults().desc_create_fails = true; }, kLeft, ""},
      {"no default allocator", [&] { Build(false); faults().no_default_allocator = true; }, kLeft,
       std::string(kAllocatorTag) + " 4 OVKAvCoreDefaultAllocatorAcquire fail"},
      {"no output buffer", [&] { faults().allocate_fails = true; }, kLeft, ""},
      {"host blend fails", [&] { controls().blend_frames_failure = -5; },
       kNewSampleWithTheLeftPicture, std::string(kBlendingTag) + " 4 FrameInterpolation fail"},
      {"no new sample", [&] { faults().sample_create_fails = true; }, kEmpty, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    controls() = {};
    faults() = {};
    standin::SetServiceManagerAvailable(true);
    standin::RegisterStandardServices();
    Build(false);
    ASSERT_NE(BlendPair(1, 0), left);
    c.arrange();
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
    EXPECT_EQ(blendtest::LoggedSince(logged), c.message.empty() ? Texts{} : Texts{c.message});
    EXPECT_EQ(media().descs_destroyed, media().descs_created) << "descriptions disposed of";
  }
}

// ---------------------------------------------------------------------------
// Output format, memory type and the GPU effect

TEST_F(Blending, FormatMemoryTypeAndGpuKindDecideTheOutputAndTheGpuEffect) {
  struct Case {
    uint32_t format, memory_type;
    int32_t gpu_kind;
    bool gpu_storage, use_gpu_effect;
    uint32_t out_format, out_memory_type;
    uint32_t later_memory_type;  // of the next blend of plain pictures in memory type 5
  };
  std::vector<Case> cases = {
      // Formats 2, 7 and 31 in CPU memory become format 1, and the effect goes off for good.
      {2, 3, 2, false, true, 2, 1, 1}, {7, 3, 2, false, true, 7, 1, 1},
      {31, 3, 2, false, true, 31, 1, 1}, {2, 0, 2, false, true, 1, 0, 5},
      {7, 0, 2, false, true, 1, 0, 5}, {31, 0, 2, false, true, 1, 0, 5},
      {1, 0, 2, false, true, 1, 1, 1}, {3, 0, 2, false, true, 3, 1, 1},
      {6, 0, 2, false, true, 6, 1, 1}, {8, 0, 2, false, true, 8, 1, 1},
      {30, 0, 2, false, true, 30, 1, 1}, {32, 0, 2, false, true, 32, 1, 1},
      // GPU storage keeps the effect on whatever the kind; without the effect
      // the memory type is the left picture's.
      {1, 5, 4, true, true, 1, 1, 5}, {1, 5, 2, false, false, 1, 5, 5}};
  // Kinds 0, 1, 3, 4 and 5 turn the effect off for a picture without GPU storage.
  for (const int32_t kind : {-1, 0, 1, 2, 3, 4, 5, 6}) {
    const uint32_t memory_type = kind == 0 || kind == 1 || (kind >= 3 && kind <= 5) ? 5 : 1;
    cases.push_back({1, 5, kind, false, true, 1, memory_type, memory_type});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "format " << c.format << ", memory type " << c.memory_type
                                      << ", kind " << c.gpu_kind << ", storage " << c.gpu_storage);
    controls().gpu_kind = c.gpu_kind;
    Build(c.use_gpu_effect);
    auto picture = Picture(c.format, 1, c.memory_type);
    left = SampleOf(std::make_shared<WrappedBuffer>(std::move(picture), c.gpu_storage));
    right = SampleOf(Picture(c.format, 2, c.memory_type));
    const SamplePtr result = source->Blending(left, right, 1, 4);
    // (The stand-in host blends only pictures of one layout, so it refuses a change of format.)
    if (c.out_format == c.format) {
      EXPECT_TRUE(
          IsBlendOf(BufferOf(result).get(), BufferOf(left).get(), BufferOf(right).get(), 0.25f));
    }
    EXPECT_EQ(services().last_blend_out_format, c.out_format);
    EXPECT_EQ(services().last_blend_out_memory_type, c.out_memory_type);
    EXPECT_EQ(MemoryTypeOfABlend(), c.later_memory_type);
  }
}

TEST_F(Blending, AllocatorIsAcquiredOncePerSourceAndAgainAfterAFailure) {
  faults().no_default_allocator = true;
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_EQ(media().allocator_acquired, 2);
  faults().no_default_allocator = false;
  for (int i = 0; i < 3; ++i) EXPECT_NE(BlendPair(1, 0), left);
  EXPECT_EQ(media().allocator_acquired, 3);
  Build(false);
  BlendPair(1, 0);
  EXPECT_EQ(media().allocator_acquired, 4) << "a new source acquires it again";
}

// ---------------------------------------------------------------------------
// The debug dump

// A fresh folder made the current one for the life of the object.
class CurrentFolder {
public:
  CurrentFolder() {
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
  }
  ~CurrentFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

private:
  std::filesystem::path previous_ = std::filesystem::current_path();
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("frameinterp-dump-" + std::to_string(std::random_device{}()));
};

std::vector<uint8_t> ReadDump() {
  std::ifstream in("dump.yuv", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(Blending, DumpWhileItsSwitchIsOnHoldsTheRowsThatEveryLayoutOfTheFormatHolds) {
  struct Case {
    const char* name;
    uint32_t format, width, height;
    std::vector<standin::PlaneGeometry> planes;  // pitch and rows, as the dump must write them
    bool written = true;                         // false: no plane is written
  };
  const Case cases[] = {
      {"odd height: the half-height planes' rows round down", 1, 16, 9, {{16, 9}, {8, 4}, {8, 4}}},
      {"one byte per chroma row", 1, 2, 2, {{2, 2}, {1, 1}, {1, 1}}},
      {"two planes, the second at half height", 6, 8, 5, {{8, 5}, {8, 2}}},
      {"four bytes a pixel: one plane", 20, 4, 3, {{16, 3}}},
      {"a height beyond any plane", 20, 0, 0x8000'0000u, {{4, 1}}, false},
  };
  const CurrentFolder folder;
  BlendPair(1, 0);
  EXPECT_FALSE(std::filesystem::exists("dump.yuv")) << "the switch is off";
  frameinterp::BlendingDumpSwitch() = 1;
  std::ofstream("dump.yuv", std::ios::binary) << std::string(1000, 'x');
  controls().blend_frames_failure = 1;  // the output is then the left picture itself
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto tight = std::make_shared<blendtest::TightPicture>(c.format, c.width, c.height, c.planes);
    left = SampleOf(tight);
    auto other = std::make_shared<blendtest::TightPicture>(c.format, c.width, c.height, c.planes);
    ASSERT_EQ(BufferOf(source->Blending(left, SampleOf(other), 1, 2)), BufferOf(left));
    EXPECT_EQ(ReadDump(), c.written ? tight->Bytes() : std::vector<uint8_t>{});
  }
}

}  // namespace
