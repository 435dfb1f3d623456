#include "module_pass.h"

#include <cstdio>
#include <memory>

#include "clip_provider.h"
#include "module_session.h"
#include "platform.h"
#include "progress_meter.h"

namespace fitool {

RequestCounts RunModulePass(const Options& options, FrameSequence& upstream, Rational rate,
                         uint32_t mode, const std::vector<int64_t>& times,
                         const std::function<void(int64_t index, const Picture&)>& on_frame) {
  const std::string path = options.module_path.empty() ? DefaultModulePath() : options.module_path;
  const std::unique_ptr<ModuleSession> module = ModuleSession::Open(path);
  module->Configure(std::make_shared<ClipProvider>(upstream, rate, options.pixel_format), mode,
                    options.gpu_effect);
  ProgressMeter progress(static_cast<int64_t>(times.size()), !options.quiet && IsTerminal(stderr));
  return RequestFrames(module->session(), times, [&](int64_t index, const Picture& picture) {
    on_frame(index, picture);
    progress.Update(index + 1);
  });
}

}  // namespace fitool
