#include "markdown_reporter.h"

#include <cstdio>

namespace frameinterp::bench {

void MarkdownReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
      rows_.push_back({run.benchmark_name(), run.GetAdjustedRealTime(),
                       benchmark::GetTimeUnitString(run.time_unit), run.report_label});
    }
  }
}

void MarkdownReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\n| Benchmark | Input | Time per call |\n|---|---|---:|\n");
  for (const Row& row : rows_) {
    std::printf("| %s | %s | %.1f %s |\n", row.name.c_str(), row.label.c_str(), row.time,
                row.unit.c_str());
  }
}

}  // namespace frameinterp::bench
