#include "run.h"

int main(int argc, char** argv) { return fitool::RunFrameinterp(argc, argv); }
