// Sessions on threads of their own at once, over pictures that they share: each
// answers exactly as a session alone, whatever the others do in the module
// and in the host libraries at the same time.
#include <gtest/gtest.h>

#include <iterator>
#include <latch>
#include <thread>

#include "clip_session.h"
#include "standin/log_control.h"
#include "standin/standard_services.h"

namespace {

TEST(ConcurrentSessions, EachAnswersAsASessionAloneInEveryModeAndFormat) {
  standin::SetLogThreshold(5);
  standin::RegisterStandardServices();
  const golden::Clip clip = embedding::FootageClip("clips/rapids_176x96_60f.y4m");
  constexpr uint32_t kFormats[] = {1, 6, 20};
  std::vector<standin::ScriptedFrame> pictures[std::size(kFormats)];  // one set per format
  struct Run {
    uint32_t mode, format;
    const std::vector<standin::ScriptedFrame>* frames;
    std::vector<uint64_t> digests;
  };
  std::vector<Run> runs;
  for (size_t f = 0; f < std::size(kFormats); ++f) {
    pictures[f] = embedding::TaggedFrames(clip, kFormats[f]);
    for (const uint32_t mode : {0u, 1u, 2u}) runs.push_back({mode, kFormats[f], &pictures[f], {}});
  }

  // Every first request (and so the first use of the pixel kernels) at once.
  std::latch start(static_cast<std::ptrdiff_t>(runs.size()));
  std::vector<std::thread> threads;
  for (Run& run : runs) {
    threads.emplace_back([&clip, &start, &run] {
      start.arrive_and_wait();
      run.digests = embedding::AnswerDigests(clip, *run.frames, run.mode);
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (const Run& run : runs) {
    EXPECT_EQ(run.digests, embedding::AnswerDigests(clip, *run.frames, run.mode))
        << "mode " << run.mode << ", format " << run.format;
  }
  standin::UnregisterStandardServices();
}

}  // namespace
