#include "module_pass.h"

#include <cstdio>
#include <memory>

#include "clip_provider.h"
#include "host_environment.h"
#include "module_session.h"
#include "platform.h"
#include "progress_meter.h"
#include "tool_error.h"

namespace fitool {
ProgressMeter::Display ProgressDisplay(const Options& options) {
  if (IsTerminal(stderr)) {
    return options.quiet ? ProgressMeter::Display::kNone : ProgressMeter::Display::kBar;
  }
  return options.progress ? ProgressMeter::Display::kLines : ProgressMeter::Display::kNone;
}

std::string ModulePathFor(const Options& options, uint32_t mode, int sessions) {
  const std::string path = options.module_path.empty() ? DefaultModulePath() : options.module_path;
  if (options.verbosity >= 1) {
    std::fprintf(stderr, "frameinterp: mode %s through %s%s\n", ModeName(mode), path.c_str(),
                 sessions > 1 ? (", " + std::to_string(sessions) + " sessions").c_str() : "");
  }
  return path;
}

RequestCounts RunModulePass(const Options& options, FrameSequence& upstream, Rational rate,
                            uint32_t mode, const RequestPlan& plan, const FrameSink& on_frame) {
  const std::unique_ptr<ModuleSession> module = ModuleSession::Open(ModulePathFor(options, mode));
  const auto provider = std::make_shared<ClipProvider>(upstream, rate, options.pixel_format);
  module->Configure(provider, mode, options.gpu_effect);
  ProgressMeter progress(plan.total, ProgressDisplay(options));
  const RequestCounts counts = RequestFrames(
      module->session(), plan,
      [&] {
        ShowModuleLog();
        if (provider->failure()) throw ToolError(*provider->failure());
      },
      [&](int64_t k, int64_t time, const Picture& picture) {
        on_frame(k, time, picture);
        progress.Update(k + 1);
      });
  ShowModuleLog();
  return counts;
}

}  // namespace fitool
