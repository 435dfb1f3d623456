// The shared test footage, found through FRAMEINTERP_TESTDATA_DIR.
#pragma once

#include <string>

namespace frameinterp::testing {

// The path of `relative` in the footage folder. When the folder is missing it
// throws, which fails the calling test with one message naming the folder.
std::string TestdataPath(const std::string& relative);

}  // namespace frameinterp::testing
