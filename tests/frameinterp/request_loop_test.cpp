// The request loop against a scripted session: answers handed on at once,
// empty answers repeated and counted, failures before anything is handed on.
#include <gtest/gtest.h>

#include <deque>
#include <tuple>

#include "pixel_formats.h"
#include "request_loop.h"
#include "standin/media.h"
#include "tool_error.h"

namespace fitool {
namespace {

// Answers each GetFrame with the next scripted sample (null: no frame).
class ScriptedSession final : public service::IFrameInterp {
public:
  explicit ScriptedSession(std::deque<std::shared_ptr<avcore::IMediaSample>> answers)
      : answers_(std::move(answers)) {}
  int32_t Operation1() override { return 0; }
  void Operation2() override {}
  int32_t SetProvider(std::shared_ptr<IFrameProvider>) override { return 0; }
  void SetMode(uint32_t) override {}
  int32_t SetOption(const char*, const core::ValAny*) override { return 0; }
  std::shared_ptr<avcore::IMediaSample> GetFrame(int64_t pts, uint32_t flags) override {
    requests.push_back({pts, flags});
    auto answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  std::vector<std::pair<int64_t, uint32_t>> requests;

private:
  std::deque<std::shared_ptr<avcore::IMediaSample>> answers_;
};

std::shared_ptr<avcore::IMediaSample> Answer(uint8_t luma) {
  return standin::MakeSample(ToHostBuffer(Picture::Filled(4, 2, luma, 128), kFormatI420), 0, 0);
}

TEST(RequestFrames, RepeatsThePreviousPictureForEmptyAnswersAndCountsThem) {
  ScriptedSession session({Answer(10), nullptr, nullptr, Answer(20), nullptr, Answer(30)});
  std::vector<std::tuple<int64_t, int64_t, uint8_t>> handed;
  int checks = 0;
  // The answer to the last time does not belong to the run.
  const std::vector<int64_t> times = {0, 5, 10, 15, 20, 25};
  RequestPlan plan = PlanFrom(times);
  plan.keep = [](int64_t k) { return k < 5; };
  const RequestCounts counts = RequestFrames(
      session, plan, [&] { ++checks; },
      [&](int64_t k, int64_t time, const Picture& picture) {
        handed.push_back({k, time, picture.y[0]});
      });
  EXPECT_EQ(counts.frames, 5);
  EXPECT_EQ(counts.repeats, 3);
  EXPECT_EQ(checks, 6);
  EXPECT_EQ(handed, (std::vector<std::tuple<int64_t, int64_t, uint8_t>>{
                        {0, 0, 10}, {1, 5, 10}, {2, 10, 10}, {3, 15, 20}, {4, 20, 20}}));
  EXPECT_EQ(session.requests, (std::vector<std::pair<int64_t, uint32_t>>{
                                  {0, 0}, {5, 0}, {10, 0}, {15, 0}, {20, 0}, {25, 0}}));
}

// (An empty first answer is the program's "-m none" failure.)
TEST(RequestFrames, AFailedCheckIsAnErrorBeforeAnythingIsHandedOn) {
  ScriptedSession answering({Answer(10), Answer(10)});
  const std::vector<int64_t> times = {0, 5};
  int handed = 0;
  EXPECT_THROW(RequestFrames(
                   answering, PlanFrom(times),
                   [] { throw ToolError("upstream"); },
                   [&](int64_t, int64_t, const Picture&) { ++handed; }),
               ToolError);
  EXPECT_EQ(handed, 0);
}

TEST(RequestFrames, AnswersThatCannotBeReadAreErrorsNamingTheRequest) {
  // No picture, and a picture in a format the harness never asked for.
  for (const auto& [picture, problem] :
       {std::pair{std::shared_ptr<avcore::IMediaBuffer>(), " has no picture"},
        std::pair{std::shared_ptr<avcore::IMediaBuffer>(standin::MakePicture(3, 4, 2)),
                  ": the picture has format 3, not 1, 6 or 20"}}) {
    ScriptedSession session({Answer(10), standin::MakeSample(picture, 0, 0)});
    const std::vector<int64_t> times = {0, 7};
    try {
      RequestFrames(session, PlanFrom(times), nullptr, [](int64_t, int64_t, const Picture&) {});
      ADD_FAILURE() << problem;
    } catch (const ToolError& error) {
      EXPECT_NE(std::string(error.what()).find(std::string("request 1 (time 7)") + problem),
                std::string::npos)
          << error.what();
    }
  }
}

}  // namespace
}  // namespace fitool
