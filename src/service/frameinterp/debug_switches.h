// The module's two debug switches: module-wide integers that start at 0 and
// that no operation of the module sets. While the timing switch is non-zero,
// each blend logs its timing line; while the dump switch is
// non-zero, each blend writes its picture to "dump.yuv".
//
// The accessors live in the module's static library with hidden visibility,
// so they are not exported from the shared module; only tests (which link the
// static library) reach them.
#pragma once

namespace frameinterp {

int& BlendingTimingSwitch();
int& BlendingDumpSwitch();

}  // namespace frameinterp
