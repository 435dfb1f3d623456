// The main job: converting a YUV4MPEG2 clip to another frame rate through
// the module.
#pragma once

#include "cli_options.h"

namespace fitool {

// Converts options.input into options.output in one mode, frame by frame as
// the input arrives. Throws ToolError; an output file exists only after
// success.
void RunConversion(const Options& options);

}  // namespace fitool
