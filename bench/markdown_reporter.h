// Console output as usual, then the figures once more as Markdown table rows
// ready to paste into the README's performance table.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace frameinterp::bench {

class MarkdownReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

private:
  struct Row {
    std::string name;
    double time;
    std::string unit;
    std::string label;
  };
  std::vector<Row> rows_;
};

}  // namespace frameinterp::bench
