#include "platform.h"
#include "run.h"

int main(int argc, char** argv) {
  fitool::Utf8Arguments arguments(argc, argv);
  return fitool::RunFrameinterp(arguments.argc(), arguments.argv());
}
