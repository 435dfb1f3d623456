// The motion frame source: which frames a request reads from the provider,
// which answers come from the cache, the window or upstream, when the window
// restarts, how it answers where the pipeline cannot run, and the pictures it
// synthesises for content with known motion.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "blend_check.h"
#include "frame_source_motion.h"
#include "host_pictures.h"
#include "standin/log_control.h"
#include "standin/media.h"
#include "standin/scripted_provider.h"
#include "stepping_clock.h"
#include "synthetic_planes.h"

namespace {

using frameinterp::FrameSourceMotionImpl;
using blendtest::BufferOf;
using frameinterp::SamplePtr;
using motiontest::HostPicture;
using motiontest::Planes;
using standin::ProviderCalls;
using standin::ScriptedFrame;
using standin::ScriptedProvider;

constexpr int64_t kStep = 400'000;  // 25 frames per second

// 64 x 64 pictures, each a texture moved 2 pixels further right than the last.
std::vector<ScriptedFrame> TexturedFrames(int count, int64_t first_pts = 0, int32_t width = 64) {
  const auto texture = frameinterp::testing::smooth_texture(width, 64, width);
  std::vector<ScriptedFrame> frames;
  for (int i = 0; i < count; ++i) {
    const auto moved = frameinterp::testing::shifted(texture, 2 * i, 0);
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * 64 * 3 / 2, 128);
    std::copy(moved.px.begin(), moved.px.end(), bytes.begin());
    frames.push_back({first_pts + i * kStep, kStep, HostPicture(width, 64, bytes), false});
  }
  return frames;
}

// A picture as a stricter host hands it out: it may only be locked for
// reading, and with `claims_more_rows` its description claims 80 x 80 while
// its planes hold the 64 x 64 of the wrapped one.
class StrictPicture final : public avcore::IMediaBuffer {
public:
  StrictPicture(std::shared_ptr<avcore::IMediaBuffer> inner, bool claims_more_rows)
      : inner_(std::move(inner)), desc_(1) {
    desc_.SetSize(claims_more_rows ? 80 : 64, claims_more_rows ? 80 : 64);
  }
  int32_t Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t access,
               int32_t zero) override {
    return access == kRead ? inner_->Lock(planes, strides, access, zero) : -1;
  }
  int32_t Unlock() override { return inner_->Unlock(); }
  avcore::IMediaDesc* GetDesc(int32_t) override { return &desc_; }
  void GetGpuResource(std::shared_ptr<void>* out, int32_t a, int32_t b) override {
    inner_->GetGpuResource(out, a, b);
  }

private:
  std::shared_ptr<avcore::IMediaBuffer> inner_;
  standin::MediaDesc desc_;
};

size_t CountLines(const standin::LogCapture& log, const std::string& prefix, int level) {
  size_t n = 0;
  for (const auto& line : log.lines()) {
    if (line.tag == "FrameSourceMotionImpl" && line.level == level &&
        line.text.rfind(prefix, 0) == 0) {
      ++n;
    }
  }
  return n;
}

constexpr char kRestartLog[] = "*******************FrameSourceImpl::GetFrame ";
constexpr char kSynthesisLog[] = "------------------FrameInterpolation  elap0 ";

struct MotionSource : ::testing::Test {
  void Use(std::vector<ScriptedFrame> frames, FrameRate rate = {25, 1}) {
    provider = std::make_shared<ScriptedProvider>(rate, std::move(frames));
    source = std::make_unique<FrameSourceMotionImpl>(provider, false);
  }
  // The provider calls one request made.
  ProviderCalls Request(int64_t pts, SamplePtr* out) {
    provider->ResetCalls();
    *out = source->GetFrame(pts, 3);
    return provider->calls();
  }
  void TearDown() override { standin::ResetMedia(); }

  standin::LogCapture log;
  std::shared_ptr<ScriptedProvider> provider;
  std::unique_ptr<FrameSourceMotionImpl> source;
  SamplePtr answer;
};

TEST_F(MotionSource, FirstRequestPushesTheCoveringFrameTwiceAndFetchesTwoMore) {
  Use(TexturedFrames(8));
  const SteppingClock clock(1'000'000);  // 1 ms a reading
  const ProviderCalls calls = Request(2 * kStep + kStep / 2, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(calls.seek, 1);
  EXPECT_EQ(calls.move_next, 2) << "frames 3 and 4 are stepped to";
  EXPECT_EQ(calls.get_current_frame, 3);
  EXPECT_EQ(answer->GetPts(), 2 * kStep + kStep / 2);
  EXPECT_EQ(answer->GetDuration(), kStep) << "a synthesised frame lasts one frame duration";
  // The timing lines in whole milliseconds, one reading of the clock apart.
  EXPECT_EQ(CountLines(log, std::string(kRestartLog) + "2", 4), 1u);
  EXPECT_EQ(CountLines(log, std::string(kSynthesisLog) + "1,elap1 4,elap2 5,elap3 1", 4), 1u);
  EXPECT_NE(Planes(answer), Planes(provider->frames()[2].picture));
  EXPECT_NE(Planes(answer), Planes(provider->frames()[3].picture));
}

// Each copy of an upstream picture, its check included, is one read Lock of
// its buffer, undone before the request ends; nothing upstream is written.
TEST_F(MotionSource, EachCopyOfAnUpstreamPictureLocksItOnce) {
  Use(TexturedFrames(8));
  const auto locks = [&](uint32_t access) {
    int64_t n = 0;
    for (const ScriptedFrame& frame : provider->frames()) {
      const auto* picture = dynamic_cast<const standin::CpuBuffer*>(frame.picture.get());
      n += picture->locks_taken(access);
      EXPECT_EQ(picture->lock_count(), 0);
    }
    return n;
  };
  Request(2 * kStep + kStep / 2, &answer);
  EXPECT_EQ(locks(avcore::IMediaBuffer::kRead), 3) << "frame 2 once for two slots, frames 3 and 4";
  Request(3 * kStep + kStep / 2, &answer);
  EXPECT_EQ(locks(avcore::IMediaBuffer::kRead), 4) << "frame 3 again";
  Request(5 * kStep + kStep / 2, &answer);
  EXPECT_EQ(locks(avcore::IMediaBuffer::kRead), 7) << "a new window: frames 5, 6 and 7";
  EXPECT_EQ(locks(avcore::IMediaBuffer::kWrite), 0);
}

// Upstream pictures are only read: a host that refuses to lock them for
// writing gets the same synthesised answer.
TEST_F(MotionSource, PicturesThatMayOnlyBeReadGiveTheSameAnswer) {
  Use(TexturedFrames(8));
  Request(2 * kStep + kStep / 2, &answer);
  const auto writable = Planes(answer);
  auto frames = TexturedFrames(8);
  for (auto& frame : frames) frame.picture = std::make_shared<StrictPicture>(frame.picture, false);
  Use(std::move(frames));
  Request(2 * kStep + kStep / 2, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), 2 * kStep + kStep / 2);
  EXPECT_EQ(Planes(answer), writable);
}

TEST_F(MotionSource, RepeatsSynthesesAndWindowFramesAreAnsweredThroughTheOneOutputSample) {
  Use(TexturedFrames(8));
  Request(2 * kStep + kStep / 2, &answer);
  SamplePtr again;
  EXPECT_EQ(Request(2 * kStep + kStep / 2 + 99, &again).reads(), 0);
  EXPECT_EQ(again, answer);
  // The next synthesis overwrites the one output sample.
  const auto first_picture = Planes(answer);
  EXPECT_EQ(Request(2 * kStep + 3 * kStep / 4, &again).reads(), 0);
  EXPECT_EQ(again, answer);
  EXPECT_EQ(answer->GetPts(), 2 * kStep + 3 * kStep / 4);
  EXPECT_NE(Planes(answer), first_picture);

  // Frame 3 sits in the window: copied out through the same sample.
  SamplePtr window_frame;
  EXPECT_EQ(Request(3 * kStep - 99, &window_frame).reads(), 0);
  EXPECT_EQ(window_frame, answer);
  EXPECT_EQ(window_frame->GetPts(), 3 * kStep);
  EXPECT_EQ(window_frame->GetDuration(), kStep);
  EXPECT_EQ(Planes(window_frame), Planes(provider->frames()[3].picture));
}

// A new window reuses the output sample only when the host has let go of
// the last answer, of every clone of it and of its buffer.
TEST_F(MotionSource, AnAnswerTheHostKeptStaysAsItWasAfterTheNextWindow) {
  Use(TexturedFrames(12));
  // A request that starts a new window, the last answer let go of first.
  const auto window_at = [&](int frame) {
    answer.reset();
    Request(frame * kStep + kStep / 2, &answer);
  };
  window_at(2);
  const int64_t allocated = standin::Counters().buffers_allocated;
  window_at(5);
  EXPECT_EQ(standin::Counters().buffers_allocated, allocated) << "nothing kept: reused";

  const auto buffer = BufferOf(answer);
  const auto picture = Planes(buffer);
  window_at(8);
  EXPECT_EQ(Planes(buffer), picture) << "a buffer kept";

  SamplePtr clone;
  answer->Clone(&clone, 0);
  const auto cloned = Planes(clone);
  window_at(2);
  EXPECT_EQ(clone->GetPts(), 8 * kStep + kStep / 2);
  EXPECT_EQ(Planes(clone), cloned) << "a clone kept";

  const SamplePtr kept = answer;
  const auto kept_picture = Planes(kept);
  window_at(5);
  EXPECT_EQ(kept->GetPts(), 2 * kStep + kStep / 2);
  EXPECT_EQ(Planes(kept), kept_picture) << "an answer kept";
}

TEST_F(MotionSource, UpstreamFramesAtOrAfterTheRequestAreTheAnswerThemselves) {
  Use(TexturedFrames(8, 10 * kStep));
  Request(0, &answer);
  EXPECT_EQ(BufferOf(answer), provider->frames()[0].picture) << "before the first frame";

  // A request at the "no time" marker itself starts the window like any other.
  constexpr int64_t kNoTime = -36'000'000'000;
  Use(TexturedFrames(8, kNoTime - 2 * kStep));
  Request(kNoTime, &answer);
  EXPECT_EQ(BufferOf(answer), provider->frames()[2].picture) << "at the marker time";
  // Window slots a one-frame stream left empty hold no frame at the marker.
  Use(TexturedFrames(1));
  Request(kStep / 2, &answer);
  Request(kNoTime, &answer);
  EXPECT_EQ(BufferOf(answer), provider->frames()[0].picture) << "after a one-frame window";

  Use(TexturedFrames(8));
  Request(3 * kStep + 50, &answer);
  EXPECT_EQ(BufferOf(answer), provider->frames()[3].picture) << "at a frame time";
  EXPECT_EQ(answer->GetPts(), 3 * kStep);
}

TEST_F(MotionSource, RequestBetweenTheLastTwoWindowFramesPushesTheCoveringFrameAgain) {
  Use(TexturedFrames(8));
  Request(2 * kStep + kStep / 2, &answer);  // window: 2, 2, 3, 4
  ProviderCalls calls = Request(3 * kStep + kStep / 2, &answer);
  EXPECT_EQ(calls.get_current_frame, 1) << "frame 3 again: the window becomes 2, 3, 4, 3";
  EXPECT_EQ(CountLines(log, kRestartLog, 4), 1u) << "no restart";
  EXPECT_EQ(answer->GetPts(), 3 * kStep + kStep / 2);
  // The second copy of frame 3 did not go into the planes the two slots of
  // frame 2 shared: frame 2 is still in the window.
  SamplePtr window_frame;
  EXPECT_EQ(Request(2 * kStep, &window_frame).reads(), 0);
  EXPECT_EQ(Planes(window_frame), Planes(provider->frames()[2].picture));

  // Now frames[3] is frame 3, so a later request between 3 and 4 restarts.
  Request(3 * kStep + 3 * kStep / 4, &answer);
  EXPECT_EQ(CountLines(log, kRestartLog, 4), 2u);
  EXPECT_EQ(answer->GetPts(), 3 * kStep + 3 * kStep / 4);
}

TEST_F(MotionSource, FramesSparserThanTheNominalRateAreRepeatedInTheWindow) {
  auto frames = TexturedFrames(6);
  for (size_t i = 0; i < frames.size(); ++i) {
    frames[i].pts = static_cast<int64_t>(2 * i) * kStep;  // 12.5 fps under a 25 fps rate
    frames[i].duration = 2 * kStep;
  }
  Use(std::move(frames));
  Request(3 * kStep, &answer);  // window: 2, 2, 4, 4 (in ticks of kStep)
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), 3 * kStep);
  EXPECT_NE(Planes(answer), Planes(provider->frames()[1].picture));
  EXPECT_NE(Planes(answer), Planes(provider->frames()[2].picture));
  EXPECT_EQ(CountLines(log, kSynthesisLog, 4), 1u);
}

TEST_F(MotionSource, TheLastIntervalOfAStreamCopiesTheWindowFrameThatCoversIt) {
  Use(TexturedFrames(5));
  Request(3 * kStep + kStep / 2, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), 3 * kStep);
  EXPECT_EQ(answer->GetDuration(), kStep);
  EXPECT_EQ(Planes(answer), Planes(provider->frames()[3].picture));
  EXPECT_NE(BufferOf(answer), provider->frames()[3].picture) << "through the output sample";

  Request(4 * kStep + kStep / 2, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), 4 * kStep);
  EXPECT_EQ(Planes(answer), Planes(provider->frames()[4].picture));

  Request(9 * kStep, &answer);
  EXPECT_EQ(answer, nullptr) << "nothing upstream after the stream";

  // A stream that ends at the end of the time range, where no step is left.
  constexpr int64_t kLast = std::numeric_limits<int64_t>::max() - kStep;
  Use(TexturedFrames(4, kLast - 3 * kStep));
  Request(kLast + kStep / 2, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), kLast);
  EXPECT_EQ(Planes(answer), Planes(provider->frames()[3].picture));
}

TEST_F(MotionSource, WhereThePipelineCannotRunTheCoveringFrameAnswers) {
  // Pictures smaller than two blocks each way: each such answer says why.
  Use(ScriptedProvider::Uniform(8, 0, kStep, kStep));
  ProviderCalls calls = Request(2 * kStep + kStep / 2, &answer);
  EXPECT_EQ(BufferOf(answer), provider->frames()[2].picture);
  EXPECT_EQ(calls.get_current_frame, 1);
  EXPECT_EQ(CountLines(log, "motion interpolation cannot run on a 16x16 picture of format 1: "
                            "answering with the upstream frame at 800000", 4), 1u);

  // Pictures whose description claims more rows than their planes hold.
  auto claiming = TexturedFrames(8);
  for (auto& frame : claiming) frame.picture = std::make_shared<StrictPicture>(frame.picture, true);
  Use(std::move(claiming));
  Request(2 * kStep + kStep / 2, &answer);
  EXPECT_EQ(BufferOf(answer), provider->frames()[2].picture);
  EXPECT_EQ(CountLines(log, "motion interpolation cannot run on a 80x80 picture", 4), 1u);

  // The frame at the request replaced under a running window (the host's
  // timeline edited) by one too small for the block grid: it answers itself.
  Use(TexturedFrames(8));
  Request(2 * kStep + kStep / 2, &answer);
  provider->frames()[3].picture = ScriptedProvider::Uniform(1, 0, kStep, kStep)[0].picture;
  Request(3 * kStep + kStep / 2, &answer);
  EXPECT_EQ(BufferOf(answer), provider->frames()[3].picture);

  // No frame rate, so no frame duration to step by.
  Use(TexturedFrames(8), FrameRate{0, 1});
  Request(2 * kStep + kStep / 2, &answer);
  EXPECT_EQ(BufferOf(answer), provider->frames()[2].picture);

  // An upstream sample without a picture.
  auto frames = TexturedFrames(8);
  frames[2].picture = nullptr;
  Use(std::move(frames));
  Request(2 * kStep + kStep / 2, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), 2 * kStep);
  EXPECT_EQ(BufferOf(answer), nullptr);
  EXPECT_EQ(CountLines(log, "motion interpolation cannot run on a 0x0 picture of format 0", 4), 1u);
}

TEST_F(MotionSource, HostFailuresAnswerWithTheUpstreamSampleOrPassOnWithoutLeaks) {
  // A host that throws leaves nothing behind (the leak check fails otherwise),
  // and the next request works once the host recovers.
  for (const bool allocate : {true, false}) {
    standin::ResetMedia();
    standin::Faults().allocate_throws = allocate;
    standin::Faults().sample_create_throws = !allocate;
    Use(TexturedFrames(8));
    EXPECT_THROW(Request(2 * kStep + kStep / 2, &answer), std::bad_alloc);
    EXPECT_THROW(Request(2 * kStep + kStep / 2, &answer), std::bad_alloc);
    standin::ResetMedia();
    Request(2 * kStep + kStep / 3, &answer);
    EXPECT_EQ(answer->GetPts(), 2 * kStep + kStep / 3) << allocate;
  }
  for (int fault = 0; fault < 4; ++fault) {
    standin::ResetMedia();
    standin::MediaFaults& faults = standin::Faults();
    faults.desc_create_fails = fault == 0;
    faults.no_default_allocator = fault == 1;
    faults.allocate_fails = fault == 2;
    faults.sample_create_fails = fault == 3;
    Use(TexturedFrames(8));
    Request(2 * kStep + kStep / 2, &answer);
    EXPECT_EQ(BufferOf(answer), provider->frames()[2].picture) << fault;
    EXPECT_EQ(standin::Counters().descs_created, standin::Counters().descs_destroyed) << fault;
    standin::ResetMedia();
    // Once the host recovers, the next request synthesises.
    Request(2 * kStep + kStep / 3, &answer);
    EXPECT_EQ(answer->GetPts(), 2 * kStep + kStep / 3) << fault;
  }
}

// A picture the working frames cannot take, first met after the request
// (wider, too small for the block grid, with rows narrower than its
// description's, or without a buffer): the request is
// answered as at the end of the stream, with a copy of the window frame that
// covers it, never with the later picture stamped with the request's time.
TEST_F(MotionSource, APictureOfAnotherLayoutAfterTheRequestEndsTheStreamThere) {
  for (int change = 0; change < 4; ++change) {
    auto frames = TexturedFrames(4);
    if (change == 0) {
      for (auto& wide : TexturedFrames(4, 4 * kStep, 96)) frames.push_back(std::move(wide));
    } else if (change == 1) {
      for (auto& small : ScriptedProvider::Uniform(4, 4 * kStep, kStep, kStep)) frames.push_back(small);
    } else if (change == 2) {
      for (auto& claims : TexturedFrames(4, 4 * kStep)) {
        claims.picture = std::make_shared<StrictPicture>(claims.picture, true);
        frames.push_back(std::move(claims));
      }
    } else {
      for (auto& bare : TexturedFrames(4, 4 * kStep)) {
        bare.picture = nullptr;
        frames.push_back(std::move(bare));
      }
    }
    for (int k = 2; k <= 3; ++k) {
      Use(frames);
      Request(k * kStep + kStep / 2, &answer);
      ASSERT_NE(answer, nullptr) << change << " " << k;
      EXPECT_EQ(answer->GetPts(), k * kStep) << change << " " << k;
      EXPECT_EQ(answer->GetDuration(), kStep) << change << " " << k;
      EXPECT_EQ(Planes(answer), Planes(provider->frames()[k].picture)) << change << " " << k;
      EXPECT_NE(BufferOf(answer), provider->frames()[k].picture) << "through the output sample";
      EXPECT_EQ(CountLines(log, kSynthesisLog, 4), 0u) << change << " " << k;
    }
  }
  // At and after the change the window starts over at the new size.
  auto frames = TexturedFrames(4);
  for (auto& wide : TexturedFrames(4, 4 * kStep, 96)) frames.push_back(std::move(wide));
  Use(frames);
  Request(5 * kStep + kStep / 2, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), 5 * kStep + kStep / 2);
  EXPECT_EQ(Planes(answer)[0].size(), 96u * 64);
  EXPECT_EQ(CountLines(log, kSynthesisLog, 4), 1u);
}

// A frame lasting a hundred nominal durations, and a last one lasting to the
// end of time: a request inside either costs a few estimations, not one per
// nominal duration it spans.
TEST_F(MotionSource, LongFramesCostAFewEstimationsWhateverTheirDuration) {
  constexpr char kEstimation[] = "------------------inject_frame me_mode == ME_MODE_BILAT";
  auto frames = TexturedFrames(8);
  frames[4].duration = 100 * kStep;
  for (size_t i = 5; i < frames.size(); ++i) frames[i].pts += 99 * kStep;
  Use(frames);
  const int64_t inside = 4 * kStep + 50 * kStep;
  Request(inside, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), inside) << "synthesised between frames 4 and 5";
  EXPECT_LE(CountLines(log, kEstimation, 1), 4u);

  frames.resize(5);
  frames[4].duration = std::numeric_limits<int64_t>::max() - frames[4].pts;
  Use(frames);
  const size_t before = CountLines(log, kEstimation, 1);
  Request(inside, &answer);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->GetPts(), 4 * kStep) << "the covering frame, copied out";
  EXPECT_EQ(Planes(answer), Planes(provider->frames()[4].picture));
  EXPECT_LE(CountLines(log, kEstimation, 1) - before, 4u);
}

// Odd sizes: the stand-in rounds chroma up, the working frames round it
// down; nothing may be read or written outside either.
TEST_F(MotionSource, OddSizesStayInsideEveryPlane) {
  for (const uint32_t format : {1u, 6u, 20u}) {
    std::vector<ScriptedFrame> frames;
    for (int i = 0; i < 6; ++i) {
      auto picture = standin::MakePicture(format, 67, 45);
      for (int p = 0; p < picture->layout().plane_count; ++p) {
        uint8_t* bytes = picture->plane(p);
        for (size_t k = 0; k < picture->layout().PlaneBytes(p); ++k) {
          bytes[k] = static_cast<uint8_t>((k * 7 + static_cast<size_t>(i) * 13) % 251);
        }
      }
      frames.push_back({i * kStep, kStep, std::move(picture), false});
    }
    Use(std::move(frames));
    for (int quarter = 1; quarter < 20; quarter += 3) {
      Request(quarter * kStep / 4, &answer);
      ASSERT_NE(answer, nullptr) << format << " " << quarter;
    }
    EXPECT_EQ(Planes(answer)[0].size(), (format == 20 ? 4u : 1u) * 67 * 45) << format;
  }
}

}  // namespace
