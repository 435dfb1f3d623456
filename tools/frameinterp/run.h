// The frameinterp program: parses the command line, runs the chosen job and
// turns failures into one line on stderr and an exit status.
#pragma once

namespace fitool {

// 0 on success, 1 when the run fails, 2 on a bad command line.
int RunFrameinterp(int argc, char** argv);

}  // namespace fitool
