// The session: which frame source each mode builds, when a source is kept and
// when it is rebuilt, and how options are taken. A new source announces itself
// by reading the provider's frame rate; a kept one by answering from its cache.
#include <gtest/gtest.h>

#include <memory>

#include "frameinterpimpl.h"
#include "host/core.h"
#include "standin/scripted_provider.h"

namespace {

using frameinterp::FrameInterpImpl;
using standin::ScriptedProvider;

constexpr int64_t kStep = 400'000;

std::shared_ptr<ScriptedProvider> MakeProvider() {
  return std::make_shared<ScriptedProvider>(FrameRate{25, 1},
                                            ScriptedProvider::Uniform(20, 0, kStep, kStep));
}

struct Session : ::testing::Test {
  void SetUp() override { session.SetProvider(provider); }

  int SourcesBuilt() const { return provider->calls().get_frame_rate; }

  std::shared_ptr<ScriptedProvider> provider = MakeProvider();
  FrameInterpImpl session;
};

TEST_F(Session, EachModesSourceAnswersAndNoProviderGivesNothing) {
  for (const uint32_t mode : {0u, 1u, 2u, 3u, 5u}) {
    FrameInterpImpl bare;
    bare.SetMode(mode);
    EXPECT_EQ(bare.GetFrame(kStep, 0), nullptr) << mode;
  }
  // Modes 0 and unknown: the covering frame; mode 3: nothing, and no read.
  for (const uint32_t mode : {0u, 5u, 0xFFFFFFFFu, 3u}) {
    session.SetMode(mode);
    provider->ResetCalls();
    const auto frame = session.GetFrame(3 * kStep + 10, 0);
    EXPECT_EQ(frame != nullptr ? frame->GetPts() : -1, mode == 3 ? -1 : 3 * kStep) << mode;
    EXPECT_EQ(provider->calls().reads() == 0, mode == 3) << mode;
  }
}

TEST_F(Session, SourceIsBuiltOnFirstRequestAndKeptAcrossTheSameMode) {
  EXPECT_EQ(SourcesBuilt(), 0);
  session.GetFrame(0, 0);
  EXPECT_EQ(SourcesBuilt(), 1);
  session.SetMode(0);  // the current mode: no change
  provider->ResetCalls();
  const auto frame = session.GetFrame(kStep, 0);
  EXPECT_EQ(provider->calls().get_frame_rate, 0);
  EXPECT_EQ(provider->calls().seek, 0) << "the kept source steps from its last frame";
  EXPECT_EQ(provider->calls().move_next, 1);
  EXPECT_EQ(frame->GetPts(), kStep);
}

TEST_F(Session, OptionChangeRebuildsOnTheNextRequestOnly) {
  const core::ValAny on(true);
  const core::ValAny off(false);
  session.GetFrame(0, 0);
  EXPECT_EQ(session.SetOption("UseGpuEffect", &off), 0);  // the current value
  session.GetFrame(kStep, 0);
  EXPECT_EQ(SourcesBuilt(), 1);

  EXPECT_EQ(session.SetOption("UseGpuEffect", &on), 0);
  EXPECT_EQ(SourcesBuilt(), 1) << "not before the next request";
  provider->ResetCalls();
  session.GetFrame(2 * kStep, 0);
  EXPECT_EQ(provider->calls().get_frame_rate, 1);
  EXPECT_EQ(provider->calls().seek, 1) << "a new source seeks";
  provider->ResetCalls();
  session.GetFrame(3 * kStep, 0);
  EXPECT_EQ(provider->calls().get_frame_rate, 0);
}

TEST_F(Session, OptionKeysAreExactAndValuesMustBeBool) {
  const core::ValAny on(true);
  const core::ValAny number(int64_t{1});
  session.GetFrame(0, 0);
  EXPECT_EQ(session.SetOption("usegpueffect", &on), 0);
  EXPECT_EQ(session.SetOption("UseGpuEffect ", &on), 0);
  EXPECT_EQ(session.SetOption("Other", &number), 0);
  EXPECT_EQ(session.SetOption(nullptr, &on), 0);
  EXPECT_THROW(session.SetOption("UseGpuEffect", &number), core::AnyBadAccess);
  EXPECT_THROW(session.SetOption("UseGpuEffect", nullptr), core::AnyBadAccess);
  session.GetFrame(kStep, 0);
  EXPECT_EQ(SourcesBuilt(), 1) << "ignored keys and refused values change nothing";
}

TEST_F(Session, ProviderChangeReachesOnlySourcesBuiltAfterIt) {
  session.GetFrame(0, 0);
  auto second = std::make_shared<ScriptedProvider>(
      FrameRate{25, 1}, ScriptedProvider::Uniform(5, 100 * kStep, kStep, kStep));
  session.SetProvider(second);
  EXPECT_EQ(session.GetFrame(kStep, 0)->GetPts(), kStep);
  EXPECT_EQ(second->calls().reads(), 0);

  session.SetMode(1);
  EXPECT_EQ(session.GetFrame(kStep, 0)->GetPts(), 100 * kStep);
  EXPECT_EQ(second->calls().seek, 1);
}

TEST_F(Session, FlagsTravelToTheProvidersSeekInEveryMode) {
  for (const uint32_t mode : {0u, 1u, 2u}) {
    const auto fresh = MakeProvider();
    FrameInterpImpl of_mode;
    of_mode.SetProvider(fresh);
    of_mode.SetMode(mode);
    of_mode.GetFrame(kStep / 2, 0x55);
    const std::vector<uint32_t>& flags = fresh->calls().seek_flags;
    EXPECT_FALSE(flags.empty()) << mode;
    EXPECT_EQ(flags, std::vector<uint32_t>(flags.size(), 0x55)) << mode;
  }
}

// Under {-25, -1} every mode steps, synthesises and seeks as under {25, 1}:
// the frame duration is 400,000 ticks, not unknown. (Mode 2 needs two blocks
// of 16 x 16 each way.)
TEST_F(Session, ARateOfTwoNegativeSignsActsAsItsMagnitudesInEveryMode) {
  for (const uint32_t mode : {0u, 1u, 2u}) {
    std::vector<int64_t> seen[2];
    for (int negative = 0; negative < 2; ++negative) {
      const auto fresh = std::make_shared<ScriptedProvider>(
          negative ? FrameRate{-25, -1} : FrameRate{25, 1},
          ScriptedProvider::Uniform(20, 0, kStep, kStep, 32));
      FrameInterpImpl of_mode;
      of_mode.SetProvider(fresh);
      of_mode.SetMode(mode);
      for (const int64_t pts : {kStep / 2, 3 * kStep / 2, 5 * kStep / 2}) {
        const auto frame = of_mode.GetFrame(pts, 0);
        seen[negative].push_back(frame ? frame->GetPts() : -1);
      }
      seen[negative].push_back(fresh->calls().seek);
      seen[negative].push_back(fresh->calls().move_next);
    }
    EXPECT_EQ(seen[0], seen[1]) << "mode " << mode << ": answers' times, seeks, steps";
  }
}

}  // namespace
