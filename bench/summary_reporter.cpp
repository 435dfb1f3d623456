#include "summary_reporter.h"

#include <cstdio>

namespace frameinterp::bench {

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
    Result& result = results_[run.run_name.function_name];
    result.seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    for (const auto& [name, counter] : run.counters) result.counters[name] = counter.value;
    result.label = run.report_label;
  }
}

int RunAndSummarize(int argc, char** argv, const std::function<void(const Results&)>& summarize) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::printf("\n");
  summarize(reporter.results());
  return 0;
}

void PrintTable(const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows) {
  std::string line = "|", rule = "|";
  for (size_t i = 0; i < header.size(); ++i) {
    line.append(" ").append(header[i]).append(" |");
    rule += i == 0 ? "---|" : "---:|";
  }
  std::printf("%s\n%s\n", line.c_str(), rule.c_str());
  for (const auto& row : rows) {
    std::string cells = "|";
    for (const std::string& cell : row) cells.append(" ").append(cell).append(" |");
    std::printf("%s\n", cells.c_str());
  }
  std::printf("\n");
}

std::string Figure(double value, int decimals) {
  if (value <= 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace frameinterp::bench
