#include "run.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli_options.h"
#include "conversion.h"
#include "evaluation.h"
#include "host_environment.h"
#include "platform.h"
#include "scene_run.h"
#include "tool_error.h"

#ifndef FRAMEINTERP_VERSION
#define FRAMEINTERP_VERSION "unknown"
#endif

namespace fitool {
namespace {

// Refuses a run whose output would replace or overwrite its input file,
// whatever name or link leads to it.
void RefuseOutputsOverInput(const Options& options) {
  if (options.input.empty()) return;
  const std::optional<FileIdentity> input =
      options.input == "-" ? IdentityOf(stdin) : IdentityOf(options.input);
  if (!input || !input->regular) return;
  std::vector<std::string> outputs = {options.json_path, options.snapshot_path};
  if (!options.evaluate) outputs.push_back(options.output);
  for (const std::string& output : outputs) {
    if (output.empty()) continue;
    if ((output == "-" ? IdentityOf(stdout) : IdentityOf(output)) == input) {
      throw ToolError(output + ": this output is the input file " +
                      (options.input == "-" ? "(standard input)" : options.input) +
                      "; choose another output");
    }
  }
}

}  // namespace

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
    RefuseOutputsOverInput(options);
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
