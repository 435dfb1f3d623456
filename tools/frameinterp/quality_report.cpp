#include "quality_report.h"

#include <cmath>
#include <cstdio>

#include "cli_options.h"
#include "quality/metrics.h"
#include "staged_output.h"

namespace fitool {
namespace {

std::string Decibels(double value, const char* format, const char* infinite) {
  if (std::isinf(value)) return infinite;
  char text[32];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace

void AddComparison(ModeScore* score, const Picture& answer, const Picture& truth) {
  // Running means, so that the score is complete after every addition.
  const auto n = static_cast<double>(score->compared);
  score->psnr_y = (score->psnr_y * n + PsnrY(answer, truth)) / (n + 1);
  score->psnr_all = (score->psnr_all * n + PsnrAll(answer, truth)) / (n + 1);
  score->ssim_y = (score->ssim_y * n + SsimY(answer, truth)) / (n + 1);
  ++score->compared;
}

std::string FormatScoreTable(const std::vector<ModeScore>& scores) {
  std::string table =
      "mode     PSNR Y (dB)  PSNR all (dB)  SSIM Y   compared  repeats  ms/frame\n";
  for (const ModeScore& s : scores) {
    char row[160];
    std::snprintf(row, sizeof(row), "%-8s %11s  %13s  %6.4f  %8lld  %7lld  %8.3f\n",
                  ModeName(s.mode), Decibels(s.psnr_y, "%.2f", "inf").c_str(),
                  Decibels(s.psnr_all, "%.2f", "inf").c_str(), s.ssim_y,
                  static_cast<long long>(s.compared), static_cast<long long>(s.repeats),
                  s.ms_per_frame);
    table += row;
  }
  return table;
}

std::string FormatScoreJson(const std::string& subject, const std::vector<ModeScore>& scores) {
  std::string json = "{\n  \"subject\": " + JsonString(subject) + ",\n  \"modes\": [";
  for (size_t i = 0; i < scores.size(); ++i) {
    const ModeScore& s = scores[i];
    char entry[400];
    std::snprintf(entry, sizeof(entry),
                  "%s\n    {\"mode\": \"%s\", \"psnr_y\": %s, \"psnr_all\": %s, \"ssim_y\": %.6f, "
                  "\"compared\": %lld, \"frames\": %lld, \"repeats\": %lld, "
                  "\"ms_per_frame\": %.3f}",
                  i == 0 ? "" : ",", ModeName(s.mode),
                  Decibels(s.psnr_y, "%.4f", "null").c_str(),
                  Decibels(s.psnr_all, "%.4f", "null").c_str(), s.ssim_y,
                  static_cast<long long>(s.compared), static_cast<long long>(s.frames),
                  static_cast<long long>(s.repeats), s.ms_per_frame);
    json += entry;
  }
  return json + "\n  ]\n}\n";
}

std::string WriteScoreJson(const std::string& path, const std::string& subject,
                           const std::vector<ModeScore>& scores) {
  const std::string json = FormatScoreJson(subject, scores);
  StagedOutput output(path);
  output.Write(json.data(), json.size());
  output.Commit();
  return output.name();
}

}  // namespace fitool
