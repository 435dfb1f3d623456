#include "testdata.h"

#include <filesystem>
#include <stdexcept>

namespace frameinterp::testing {

std::string TestdataPath(const std::string& relative) {
  const std::string dir = FRAMEINTERP_TESTDATA_DIR;
  if (!std::filesystem::is_directory(dir + "/clips")) {
    throw std::runtime_error("the test footage folder " + dir +
                             " is missing (configure with -DFRAMEINTERP_TESTDATA_DIR=<folder>)");
  }
  // Absolute, with its drive on Windows, so that a program started in another
  // folder finds it.
  return std::filesystem::absolute(dir + "/" + relative).string();
}

}  // namespace frameinterp::testing
