// The run without INPUT: the built-in synthetic scene, converted in each mode
// and scored against its true in-between pictures.
#pragma once

#include "cli_options.h"

namespace fitool {

// Converts the scene at options.fps (default twice its rate) in each quality
// mode and prints how close each comes to the truth on the output frames that
// fall between scene frames. With -o, also writes the last mode's output.
// Throws ToolError.
void RunSyntheticScene(const Options& options);

}  // namespace fitool
