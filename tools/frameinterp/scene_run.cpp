#include "scene_run.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "frame_times.h"
#include "quality/synthetic_scene.h"
#include "quality_run.h"
#include "staged_output.h"
#include "tool_error.h"
#include "y4m_writer.h"

namespace fitool {
namespace {

std::string SceneHeader(const SyntheticScene& scene, Rational output_rate) {
  return "YUV4MPEG2 W" + std::to_string(scene.width()) + " H" + std::to_string(scene.height()) +
         " F" + RateText(output_rate) + " Ip A1:1 C420jpeg\n";
}

}  // namespace

void RunSyntheticScene(const Options& options) {
  const SyntheticScene scene;
  const Rational rate{scene.rate_num(), scene.rate_den()};
  std::vector<Picture> pictures;
  for (int i = 0; i < scene.frame_count(); ++i) {
    pictures.push_back(scene.Render(static_cast<double>(i) * static_cast<double>(rate.den) /
                                     static_cast<double>(rate.num)));
  }
  PictureList frames(std::move(pictures));
  const Rational output_rate = options.fps ? *options.fps : DoubledRate(rate);

  QualitySubject subject;
  subject.upstream = &frames;
  subject.rate = rate;
  subject.times = RequestTimes(output_rate, FrameTime(frames.count(), rate));
  subject.truth = [&](int64_t index) {
    return scene.Render(static_cast<double>(index) * static_cast<double>(output_rate.den) /
                        static_cast<double>(output_rate.num));
  };
  // Frames at a scene frame's time are the scene's own, and those after the
  // last one are not between two: only the others are scored.
  const int64_t last = FrameTime(frames.count() - 1, rate);
  subject.measured = [&](int64_t index) {
    const int64_t t = subject.times[static_cast<size_t>(index)];
    return t < last && FrameTime(FrameIndexAt(t, rate), rate) != t;
  };
  subject.description = "built-in scene: " + scene.Describe() + "; converted to " +
                        RateText(output_rate) + ", scored on the output frames between scene frames";

  std::optional<StagedOutput> output;
  std::optional<Y4mWriter> writer;
  if (options.output_given) {
    output.emplace(options.output);
    writer.emplace(*output, SceneHeader(scene, output_rate), scene.width(), scene.height());
  }
  const std::vector<uint32_t> modes = QualityModes(options);
  RunQualityComparison(options, modes, subject, [&](int64_t, int64_t, const Picture& picture) {
    if (writer) writer->WriteFrame(picture);
  });
  if (!output) return;
  output->Commit();
  if (!options.quiet) {
    std::fprintf(stderr, "frameinterp: %s of the %s mode written to %s\n",
                 FrameCount(static_cast<int64_t>(subject.times.size())).c_str(),
                 ModeName(modes.back()), output->name().c_str());
  }
}

}  // namespace fitool
