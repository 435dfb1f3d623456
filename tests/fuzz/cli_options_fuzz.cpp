// The command line on arbitrary arguments (the bytes split at NUL bytes) and
// the rate parser on the first of them: either a UsageError or options that
// hold together, and a rate that is usable and reads back from its text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_options.h"
#include "rational.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckRate(const fitool::Rational& rate) {
  Check(fitool::RateProblem(rate).empty());
  std::string error;
  const auto again = fitool::ParseRate(fitool::RateText(rate), &error);
  Check(again && *again == rate);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back().push_back(static_cast<char>(data[i]));
    }
  }
  std::string error;
  if (const auto rate = fitool::ParseRate(args[0], &error)) {
    CheckRate(*rate);
  } else {
    Check(!error.empty());
  }
  try {
    const fitool::Options options = fitool::ParseOptions(args);
    if (options.fps) CheckRate(*options.fps);
    Check(options.modes.size() <= 4);
    for (const uint32_t mode : options.modes) Check(mode <= fitool::kModeNone);
    Check(!options.evaluate || !options.input.empty());
  } catch (const fitool::UsageError& usage) {
    Check(usage.what()[0] != '\0');
  }
  return 0;
}
