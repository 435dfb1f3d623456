// Console output as usual while the benchmarks run; the figures are kept by
// name so that a program can print its own summary tables afterwards.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace frameinterp::bench {

struct Result {
  // Processor time per iteration: on a shared machine it varies less than the
  // wall-clock time, which it equals on a quiet one.
  double seconds = 0;
  std::map<std::string, double> counters;
  std::string label;
};
using Results = std::map<std::string, Result>;

class SummaryReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override;
  const Results& results() const { return results_; }

private:
  Results results_;
};

// Runs the benchmarks the command line selects, then hands their figures to
// `summarize`; the program's exit status.
int RunAndSummarize(int argc, char** argv, const std::function<void(const Results&)>& summarize);

// A Markdown table: the header row, then the rows.
void PrintTable(const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows);

// "12.3" style figures; "-" for a missing one.
std::string Figure(double value, int decimals = 1);

}  // namespace frameinterp::bench
