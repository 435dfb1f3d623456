// Frame blending: what Blending hands the host and gets back, its
// fallbacks and messages, the output format and memory type, the allocator,
// the frame-property copies and the debug dump.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "blending_probe.h"

namespace {

using blendtest::BufferOf;
using blendtest::BufferPtr;
using blendtest::IsBlendOf;
using blendtest::PatternPicture;
using blendtest::ProbedBlending;
using blendtest::RecordingDesc;
using blendtest::Texts;
using blendtest::WithTag;
using blendtest::WrappedBuffer;
using frameinterp::SamplePtr;

constexpr int64_t kStep = 400'000;
constexpr char kBlendingTag[] = "FrameSourceBlendingImpl::Blending";

SamplePtr SampleOf(BufferPtr picture) { return standin::MakeSample(std::move(picture), 0, 0); }

std::shared_ptr<standin::CpuBuffer> Picture(uint32_t format, int seed, uint32_t memory_type = 0,
                                            uint32_t width = 16, uint32_t height = 8) {
  auto picture = PatternPicture(format, width, height, seed);
  picture->GetDesc(0)->SetMemoryType(memory_type);
  return picture;
}

standin::MediaDesc* DescOf(const BufferPtr& buffer) {
  return buffer ? dynamic_cast<standin::MediaDesc*>(buffer->GetDesc(0)) : nullptr;
}

class Blending : public blendtest::BlendingFixture {
protected:
  void SetUp() override {
    BlendingFixture::SetUp();
    Build(false);
  }

  // A new source over a short stream (Blending itself reads no frames).
  void Build(bool use_gpu_effect) {
    source.reset();
    Use({25, 1}, blendtest::PatternFrames(2, 0, kStep, kStep), use_gpu_effect);
  }

  // A blend of two fresh pictures of the format; the result.
  SamplePtr BlendPair(uint32_t format, uint32_t memory_type, int64_t num = 1, int64_t gap = 2) {
    left = SampleOf(Picture(format, 1, memory_type));
    right = SampleOf(Picture(format, 2, memory_type));
    return source->Blending(left, right, num, gap);
  }

  std::string Format9(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
  }

  SamplePtr left;
  SamplePtr right;
};

// ---------------------------------------------------------------------------
// Success

TEST_F(Blending, HandsBothPicturesToTheHostAndWrapsTheOutputInANewSample) {
  left = SampleOf(Picture(1, 1));
  right = SampleOf(Picture(1, 2));
  const SamplePtr result = source->Blending(left, right, 100'000, 400'000);
  ASSERT_NE(result, nullptr);
  EXPECT_NE(result, left);
  EXPECT_EQ(source->held(), result);
  EXPECT_EQ(result->GetPts(), 0) << "Blending stamps nothing";
  EXPECT_EQ(result->GetDuration(), 0);
  const BufferPtr out = BufferOf(result);
  EXPECT_NE(out, BufferOf(left));
  EXPECT_TRUE(IsBlendOf(out.get(), BufferOf(left).get(), BufferOf(right).get(), 0.25f));
  EXPECT_EQ(services().blend_calls, 1);
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

TEST_F(Blending, EveryPixelFormatIsBlendedByTheFormula) {
  for (const uint32_t format : {1u, 6u, 20u}) {
    for (const auto& [num, gap] :
         std::vector<std::pair<int64_t, int64_t>>{{0, 5}, {1, 5}, {2, 3}, {5, 5}}) {
      left = SampleOf(Picture(format, 3, 0, 10, 6));
      right = SampleOf(Picture(format, 4, 0, 10, 6));
      const SamplePtr result = source->Blending(left, right, num, gap);
      ASSERT_NE(result, left) << format;
      EXPECT_EQ(BufferOf(result)->GetDesc(0)->GetFormat(), format);
      EXPECT_TRUE(IsBlendOf(BufferOf(result).get(), BufferOf(left).get(), BufferOf(right).get(),
                            static_cast<float>(num) / static_cast<float>(gap)))
          << "format " << format << " at " << num << "/" << gap;
    }
  }
}

TEST_F(Blending, FactorIsComputedInSinglePrecision) {
  left = SampleOf(Picture(1, 1));
  right = SampleOf(Picture(1, 2));
  SamplePtr result = source->Blending(left, right, 100'000, 300'000);
  EXPECT_EQ(Format9(services().last_blend_factor), "0.333333343");
  EXPECT_EQ(services().last_blend_factor, 1.0f / 3.0f);
  EXPECT_TRUE(IsBlendOf(BufferOf(result).get(), BufferOf(left).get(), BufferOf(right).get(),
                        services().last_blend_factor));

  result = source->Blending(left, right, 166'833, 333'667);
  EXPECT_EQ(Format9(services().last_blend_factor), "0.49999851");
  EXPECT_EQ(blendtest::ExpectedWeight(services().last_blend_factor), 512);
  EXPECT_TRUE(IsBlendOf(BufferOf(result).get(), BufferOf(left).get(), BufferOf(right).get(),
                        services().last_blend_factor));
}

TEST_F(Blending, OutputMetadataIsTheLeftPicturesPlusTheBlankTag) {
  auto picture = Picture(1, 1);
  picture->GetDesc(0)->GetMetadata(0)->AddTag("Source");
  picture->GetDesc(0)->GetMetadata(0)->AddTag("Face");
  left = SampleOf(picture);
  right = SampleOf(Picture(1, 2));
  const SamplePtr result = source->Blending(left, right, 1, 2);
  EXPECT_EQ(DescOf(BufferOf(result))->metadata().tags(),
            (std::vector<std::string>{"Source", "Face", "Blank"}));
  EXPECT_EQ(DescOf(picture)->metadata().tags(), (std::vector<std::string>{"Source", "Face"}));
}

TEST_F(Blending, OutputDescriptionCarriesTheLeftPicturesAttributes) {
  auto picture = Picture(1, 1, 0);
  avcore::IMediaDesc* desc = picture->GetDesc(0);
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
  avcore::IMediaDesc* out = BufferOf(source->Blending(left, right, 1, 2))->GetDesc(0);
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
  right = SampleOf(b);
  ASSERT_NE(source->Blending(left, right, 1, 2), left);
  const std::vector<std::string> expected = {
      "A.GetWidth=16", "A.GetHeight=8", "B.GetWidth=16",        "B.GetHeight=8",
      "A.GetFormat=1", "B.GetFormat=1", "A.GetMetadataConst=0", "A.Get13=13",
      "A.Get10=0",     "A.Get11=11",    "A.Get48=48",           "A.GetMemoryType=6"};
  ASSERT_GE(journal.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(journal.begin(),
                                     journal.begin() + static_cast<long>(expected.size())),
            expected);
}

// ---------------------------------------------------------------------------
// The failure table

TEST_F(Blending, EmptyInputSampleGivesNothing) {
  const SamplePtr earlier = BlendPair(1, 0);
  const SamplePtr picture = SampleOf(Picture(1, 1));
  EXPECT_EQ(source->Blending(nullptr, picture, 1, 2), nullptr);
  EXPECT_EQ(source->Blending(picture, nullptr, 1, 2), nullptr);
  const auto lines = WithTag(Log(), kBlendingTag);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "input param is error ");
  EXPECT_EQ(lines[0].level, 4);
  EXPECT_EQ(source->held(), earlier);
}

TEST_F(Blending, MissingGpuSessionGivesTheLeftSample) {
  for (const auto outcome : {standin::SessionOutcome::kNull, standin::SessionOutcome::kForeign}) {
    controls().gpu_sessions = outcome;
    Build(false);
    EXPECT_EQ(BlendPair(1, 0), left);
  }
  standin::UnregisterService(standin::kGpuServiceGuid);
  Build(false);
  EXPECT_EQ(BlendPair(1, 0), left);
  const auto lines = WithTag(Log(), kBlendingTag);
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : lines) {
    EXPECT_EQ(line.text, "OVK_GPU_UHP_GUID fail");
    EXPECT_EQ(line.level, 4);
  }
  EXPECT_EQ(services().blend_calls, 0);
  EXPECT_EQ(source->held(), nullptr);
}

TEST_F(Blending, MissingVisualProcessingSessionGivesTheLeftSample) {
  controls().visual_process_sessions = standin::SessionOutcome::kForeign;
  Build(false);
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_EQ(Texts(WithTag(Log(), kBlendingTag)),
            std::vector<std::string>{"OVK_VISUAL_PROCESS_GUID fail"});

  // With both missing, the GPU session is asked about first.
  standin::UnregisterAllServices();
  Build(false);
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_EQ(WithTag(Log(), kBlendingTag).back().text, "OVK_GPU_UHP_GUID fail");
  EXPECT_EQ(WithTag(Log(), kBlendingTag).size(), 2u);
}

TEST_F(Blending, SampleWithoutAPictureGivesNothing) {
  const SamplePtr earlier = BlendPair(1, 0);
  const SamplePtr bare = SampleOf(nullptr);
  const SamplePtr picture = SampleOf(Picture(1, 1));
  EXPECT_EQ(source->Blending(bare, picture, 1, 2), nullptr);
  EXPECT_EQ(source->Blending(picture, bare, 1, 2), nullptr);
  EXPECT_EQ(Texts(WithTag(Log(), kBlendingTag)),
            (std::vector<std::string>{"input param is error ", "input param is error "}));
  EXPECT_EQ(source->held(), earlier);
}

TEST_F(Blending, PicturesOfDifferentFormatOrSizeGiveTheLeftSampleSilently) {
  const SamplePtr earlier = BlendPair(1, 0);
  left = SampleOf(Picture(1, 1));
  for (const BufferPtr& other : {BufferPtr(Picture(6, 2)), BufferPtr(Picture(1, 2, 0, 18, 8)),
                                 BufferPtr(Picture(1, 2, 0, 16, 10))}) {
    EXPECT_EQ(source->Blending(left, SampleOf(other), 1, 2), left);
  }
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(media().descs_created, 1) << "only the first blend made a description";
  EXPECT_EQ(source->held(), earlier);
}

TEST_F(Blending, NoOutputDescriptionGivesTheLeftSampleSilently) {
  faults().desc_create_fails = true;
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(media().buffers_allocated, 0);
}

TEST_F(Blending, NoDefaultAllocatorGivesTheLeftSampleWithItsMessage) {
  faults().no_default_allocator = true;
  EXPECT_EQ(BlendPair(1, 0), left);
  const auto lines = WithTag(Log(), "FrameSourceBlendingImpl::Blending_GPU");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "OVKAvCoreDefaultAllocatorAcquire fail");
  EXPECT_EQ(lines[0].level, 4);
  EXPECT_EQ(Log().size(), 1u);
  EXPECT_EQ(media().descs_destroyed, media().descs_created) << "the description is disposed of";
}

TEST_F(Blending, NoOutputBufferGivesTheLeftSampleSilently) {
  faults().allocate_fails = true;
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(media().descs_destroyed, 1);
  EXPECT_EQ(services().blend_calls, 0);
}

TEST_F(Blending, HostBlendFailureGivesANewSampleWithTheLeftPicture) {
  controls().blend_frames_failure = -5;
  const SamplePtr result = BlendPair(1, 0);
  ASSERT_NE(result, nullptr);
  EXPECT_NE(result, left);
  EXPECT_EQ(BufferOf(result), BufferOf(left));
  EXPECT_EQ(source->held(), result);
  EXPECT_EQ(Texts(WithTag(Log(), kBlendingTag)),
            std::vector<std::string>{"FrameInterpolation fail"});
  EXPECT_EQ(WithTag(Log(), kBlendingTag)[0].level, 4);
  // The properties were copied into the discarded output, not into the left picture.
  EXPECT_TRUE(DescOf(BufferOf(left))->metadata().tags().empty());
}

TEST_F(Blending, NoNewSampleGivesNothingSilently) {
  const SamplePtr earlier = BlendPair(1, 0);
  faults().sample_create_fails = true;
  EXPECT_EQ(BlendPair(1, 0), nullptr);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(source->held(), earlier);
  EXPECT_EQ(media().descs_destroyed, 2);
}

// ---------------------------------------------------------------------------
// Output format, memory type and the GPU-effect flag

TEST_F(Blending, Format7InCpuMemoryBecomesFormat1AndTurnsTheGpuEffectOffForGood) {
  Build(true);
  BlendPair(1, 5);
  EXPECT_EQ(services().last_blend_out_memory_type, 1u) << "GPU effect on, kind 2";
  EXPECT_TRUE(source->use_gpu_effect());

  const SamplePtr result = BlendPair(7, 0);
  EXPECT_EQ(services().last_blend_out_format, 1u);
  EXPECT_EQ(services().last_blend_out_memory_type, 0u);
  EXPECT_FALSE(source->use_gpu_effect());
  // The stand-in blends only pictures of one layout: the host refuses.
  EXPECT_EQ(BufferOf(result), BufferOf(left));
  EXPECT_EQ(Texts(WithTag(Log(), kBlendingTag)),
            std::vector<std::string>{"FrameInterpolation fail"});

  // Every later blend of this source runs with the effect off.
  BlendPair(1, 5);
  EXPECT_EQ(services().last_blend_out_memory_type, 5u);
  EXPECT_FALSE(source->use_gpu_effect());

  // A new source starts again from the session's value.
  Build(true);
  EXPECT_TRUE(source->use_gpu_effect());
  BlendPair(1, 5);
  EXPECT_EQ(services().last_blend_out_memory_type, 1u);
}

TEST_F(Blending, Formats2And31InCpuMemoryBecomeFormat1AndOthersPassThrough) {
  for (const uint32_t format : {2u, 7u, 31u}) {
    Build(true);
    BlendPair(format, 0);
    EXPECT_EQ(services().last_blend_out_format, 1u) << format;
    EXPECT_FALSE(source->use_gpu_effect()) << format;

    Build(true);
    BlendPair(format, 3);
    EXPECT_EQ(services().last_blend_out_format, format) << "memory type 3 keeps " << format;
    EXPECT_EQ(services().last_blend_out_memory_type, 1u);
    EXPECT_TRUE(source->use_gpu_effect());
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

// ---------------------------------------------------------------------------
// The allocator

TEST_F(Blending, AllocatorIsAcquiredOncePerSource) {
  for (int i = 0; i < 3; ++i) BlendPair(1, 0);
  EXPECT_EQ(media().allocator_acquired, 1);
  EXPECT_NE(source->allocator(), nullptr);
  EXPECT_EQ(media().buffers_allocated, 3);
  Build(false);
  BlendPair(1, 0);
  EXPECT_EQ(media().allocator_acquired, 2) << "a new source acquires it again";
}

TEST_F(Blending, AllocatorIsAskedForAgainAfterAFailedAcquisition) {
  faults().no_default_allocator = true;
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_EQ(BlendPair(1, 0), left);
  EXPECT_EQ(media().allocator_acquired, 2);
  EXPECT_EQ(source->allocator(), nullptr);
  faults().no_default_allocator = false;
  EXPECT_NE(BlendPair(1, 0), left);
  EXPECT_NE(BlendPair(1, 0), left);
  EXPECT_EQ(media().allocator_acquired, 3);
  EXPECT_EQ(WithTag(Log(), "FrameSourceBlendingImpl::Blending_GPU").size(), 2u);
}

// ---------------------------------------------------------------------------
// CopyMetadata, CopyAttributes, CopyFrameProperties

struct CopyFixture : ::testing::Test {
  CopyFixture() : from("S", &journal), to("D", &journal) {
    source = std::make_shared<WrappedBuffer>(standin::MakePicture(1, 4, 4));
    destination = std::make_shared<WrappedBuffer>(standin::MakePicture(1, 4, 4));
    source->desc = &from;
    destination->desc = &to;
    from.attribute[19] = 190;
    from.attribute[21] = 210;
    from.attribute[23] = 230;
    from.attribute[25] = 250;
  }
  std::vector<std::string> journal;
  RecordingDesc from;
  RecordingDesc to;
  std::shared_ptr<WrappedBuffer> source;
  std::shared_ptr<WrappedBuffer> destination;
};

TEST_F(CopyFixture, CopyAttributesCopies19AndThe2xPairsWhen48Agrees) {
  from.attribute[48] = 7;
  to.attribute[48] = 7;
  frameinterp::CopyAttributes(source, destination);
  EXPECT_EQ(journal,
            (std::vector<std::string>{"S.Get48=7", "D.Get48=7", "S.Get19=190", "D.Set18=190",
                                      "S.Get25=250", "S.Get23=230", "S.Get21=210", "D.Set24=250",
                                      "D.Set20=210", "D.Set22=230"}));
}

TEST_F(CopyFixture, CopyAttributesCopiesOnly19When48Differs) {
  from.attribute[48] = 7;
  to.attribute[48] = 8;
  frameinterp::CopyAttributes(source, destination);
  EXPECT_EQ(journal,
            (std::vector<std::string>{"S.Get48=7", "D.Get48=8", "S.Get19=190", "D.Set18=190"}));
  EXPECT_EQ(to.attribute[25], 0u);
}

TEST_F(CopyFixture, CopyMetadataReplacesTheTagsAndAddsBlank) {
  from.GetMetadata(0)->AddTag("Scene");
  to.GetMetadata(0)->AddTag("Old");
  journal.clear();
  frameinterp::CopyMetadata(source, destination);
  EXPECT_EQ(journal, (std::vector<std::string>{"D.GetMetadata=0", "S.GetMetadataConst=0"}));
  EXPECT_EQ(to.metadata().tags(), (std::vector<std::string>{"Scene", "Blank"}));
}

TEST_F(CopyFixture, CopyFramePropertiesIsMetadataThenAttributes) {
  from.GetMetadata(0)->AddTag("Scene");
  journal.clear();
  frameinterp::CopyFrameProperties(source, destination);
  EXPECT_EQ(journal.front(), "D.GetMetadata=0");
  EXPECT_EQ(journal.back(), "D.Set22=230");
  EXPECT_EQ(to.metadata().tags(), (std::vector<std::string>{"Scene", "Blank"}));
  EXPECT_EQ(source.use_count(), 1) << "the shared copies are dropped";
}

// ---------------------------------------------------------------------------
// The debug dump

// Runs a test in a new temporary directory, made the current one.
class TemporaryDirectory {
public:
  TemporaryDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/frameinterp-dump-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) return;
    path_ = name.data();
    char* here = getcwd(nullptr, 0);
    if (here != nullptr) {
      previous_ = here;
      std::free(here);
    }
    ok_ = chdir(path_.c_str()) == 0;
  }
  ~TemporaryDirectory() {
    if (!previous_.empty() && chdir(previous_.c_str()) != 0) std::perror("chdir");
    if (!path_.empty()) {
      std::remove((path_ + "/dump.yuv").c_str());
      rmdir(path_.c_str());
    }
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  bool ok() const { return ok_; }

private:
  std::string path_;
  std::string previous_;
  bool ok_ = false;
};

std::vector<uint8_t> ReadDump() {
  std::ifstream in("dump.yuv", std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool DumpExists() { return std::ifstream("dump.yuv").good(); }

// The bytes of rows [0, rows) of a plane of a stand-in picture.
std::vector<uint8_t> PlaneRows(standin::CpuBuffer* picture, int plane, uint32_t rows) {
  const uint8_t* bytes = picture->plane(plane);
  return std::vector<uint8_t>(
      bytes, bytes + static_cast<size_t>(picture->layout().planes[plane].row_bytes) * rows);
}

std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(Blending, DumpIsWrittenOnlyWhileItsSwitchIsOn) {
  TemporaryDirectory directory;
  ASSERT_TRUE(directory.ok());
  BlendPair(1, 0);
  EXPECT_FALSE(DumpExists());

  frameinterp::BlendingDumpSwitch() = 1;
  {
    std::ofstream stale("dump.yuv", std::ios::binary);
    stale << std::string(1000, 'x');
  }
  const SamplePtr result = BlendPair(1, 0);
  auto* out = dynamic_cast<standin::CpuBuffer*>(BufferOf(result).get());
  ASSERT_NE(out, nullptr);
  // 16 x 8 in format 1: Y 16 x 8, then U and V 8 x 4 each; the file holds
  // only this frame.
  EXPECT_EQ(ReadDump(), Joined({PlaneRows(out, 0, 8), PlaneRows(out, 1, 4), PlaneRows(out, 2, 4)}));
  EXPECT_EQ(ReadDump().size(), 192u);
  EXPECT_EQ(out->lock_count(), 0) << "locked and unlocked";

  // The next blend replaces it.
  const SamplePtr again = source->Blending(SampleOf(Picture(1, 7)), SampleOf(Picture(1, 8)), 1, 3);
  auto* second = dynamic_cast<standin::CpuBuffer*>(BufferOf(again).get());
  EXPECT_EQ(ReadDump(),
            Joined({PlaneRows(second, 0, 8), PlaneRows(second, 1, 4), PlaneRows(second, 2, 4)}));
}

TEST_F(Blending, DumpTakesEachPlaneFromTheLockedPicturesLayout) {
  TemporaryDirectory directory;
  ASSERT_TRUE(directory.ok());
  frameinterp::BlendingDumpSwitch() = 1;

  // Odd height: chroma planes of 8 x 5 in the stand-in; the dump writes the
  // rows that every host's half height holds (4), never more.
  left = SampleOf(Picture(1, 1, 0, 16, 9));
  right = SampleOf(Picture(1, 2, 0, 16, 9));
  auto* out =
      dynamic_cast<standin::CpuBuffer*>(BufferOf(source->Blending(left, right, 1, 2)).get());
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(ReadDump(), Joined({PlaneRows(out, 0, 9), PlaneRows(out, 1, 4), PlaneRows(out, 2, 4)}));

  // Four bytes a pixel: one plane.
  left = SampleOf(Picture(20, 1));
  right = SampleOf(Picture(20, 2));
  out = dynamic_cast<standin::CpuBuffer*>(BufferOf(source->Blending(left, right, 1, 2)).get());
  EXPECT_EQ(ReadDump(), PlaneRows(out, 0, 8));

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
  right = SampleOf(Picture(6, 2, 0, 8, 5));
  const SamplePtr result = source->Blending(left, right, 1, 2);
  ASSERT_EQ(BufferOf(result), BufferOf(left));
  EXPECT_EQ(ReadDump(), Joined({tight->plane(0), tight->plane(1)}));
}

}  // namespace
