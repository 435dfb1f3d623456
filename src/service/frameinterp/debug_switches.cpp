#include "debug_switches.h"

namespace frameinterp {
namespace {

int g_blending_timing = 0;
int g_blending_dump = 0;

}  // namespace

int& BlendingTimingSwitch() { return g_blending_timing; }
int& BlendingDumpSwitch() { return g_blending_dump; }

}  // namespace frameinterp
