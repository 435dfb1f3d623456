#include "run.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli_options.h"
#include "conversion.h"
#include "evaluation.h"
#include "host_environment.h"
#include "scene_run.h"

#ifndef FRAMEINTERP_VERSION
#define FRAMEINTERP_VERSION "unknown"
#endif

namespace fitool {

int RunFrameinterp(int argc, char** argv) {
  try {
    const Options options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
      std::fputs(HelpText().c_str(), stdout);
      return 0;
    }
    if (options.version) {
      std::printf("frameinterp %s\n", FRAMEINTERP_VERSION);
      return 0;
    }
    HostEnvironment host(options.verbosity);
    if (options.input.empty()) {
      RunSyntheticScene(options);
    } else if (options.evaluate) {
      RunEvaluation(options);
    } else {
      RunConversion(options);
    }
    return 0;
  } catch (const UsageError& error) {
    std::fprintf(stderr, "frameinterp: %s\nTry 'frameinterp --help'.\n", error.what());
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "frameinterp: %s\n", error.what());
    return 1;
  }
}

}  // namespace fitool
