#include "request_script.h"

#include <gtest/gtest.h>

#include "blend_check.h"
#include "standin/log_control.h"

namespace scripttest {
namespace {

struct Given {
  Sample sample;
  int64_t pts;
  int64_t duration;
};

void CheckAnswer(const Sample& answer, const Answer& expected, const Sample& last,
                 standin::ScriptedProvider& provider) {
  const std::vector<standin::ScriptedFrame>& frames = provider.frames();
  switch (expected.kind) {
    case Answer::kNothing:
      EXPECT_EQ(answer, nullptr);
      return;
    case Answer::kLastAnswer:
      EXPECT_NE(answer, nullptr);
      EXPECT_EQ(answer, last) << "not the last answer itself";
      return;
    case Answer::kUpstream:
      ASSERT_NE(answer, nullptr);
      EXPECT_EQ(blendtest::BufferOf(answer), frames.at(expected.frame).picture)
          << "not the picture of upstream frame " << expected.frame;
      break;
    case Answer::kBlend:
      ASSERT_NE(answer, nullptr);
      EXPECT_TRUE(blendtest::IsBlendOf(blendtest::BufferOf(answer).get(),
                                       frames.at(expected.frame).picture.get(),
                                       frames.at(expected.frame + 1).picture.get(),
                                       expected.factor));
      break;
  }
  EXPECT_EQ(answer->GetPts(), expected.pts);
  EXPECT_EQ(answer->GetDuration(), expected.duration);
}

}  // namespace

void RunScript(const std::function<Sample(int64_t pts)>& request,
               standin::ScriptedProvider& provider, const std::vector<Request>& script) {
  std::vector<Given> given;
  Sample last;
  for (size_t i = 0; i < script.size(); ++i) {
    const Request& step = script[i];
    SCOPED_TRACE("request " + std::to_string(i) + " at " + std::to_string(step.pts));
    provider.ResetCalls();
    const size_t logged = standin::CapturedLog().size();
    const Sample answer = request(step.pts);

    CheckAnswer(answer, step.answer, last, provider);
    const standin::ProviderCalls& calls = provider.calls();
    EXPECT_EQ(calls.seek, step.reads.seek) << "seeks";
    EXPECT_EQ(calls.move_next, step.reads.move_next) << "forward steps";
    EXPECT_EQ(calls.get_current_frame, step.reads.get_current_frame) << "frames read";
    EXPECT_EQ(blendtest::LoggedSince(logged), step.log);

    for (const Given& earlier : given) {
      if (earlier.sample == answer) continue;
      EXPECT_EQ(earlier.sample->GetPts(), earlier.pts) << "an earlier answer's time changed";
      EXPECT_EQ(earlier.sample->GetDuration(), earlier.duration) << "and its duration";
    }
    if (!answer) continue;
    std::erase_if(given, [&](const Given& earlier) { return earlier.sample == answer; });
    given.push_back({answer, answer->GetPts(), answer->GetDuration()});
    last = answer;
  }
}

}  // namespace scripttest
