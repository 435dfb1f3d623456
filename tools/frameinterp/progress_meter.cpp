#include "progress_meter.h"

#include <algorithm>
#include <string>

namespace fitool {
namespace {

constexpr int kBarWidth = 30;
constexpr double kRedrawInterval = 0.1;

// "1:05" for 65 s.
std::string Clock(double seconds) {
  const auto whole = static_cast<long long>(seconds);
  return std::to_string(whole / 60) + ":" + (whole % 60 < 10 ? "0" : "") +
         std::to_string(whole % 60);
}

}  // namespace

ProgressMeter::ProgressMeter(std::optional<int64_t> total, Display display, std::FILE* out)
    : total_(total), display_(display), out_(out), start_(std::chrono::steady_clock::now()) {}

void ProgressMeter::Update(int64_t done) {
  if (display_ == Display::kNone) return;
  UpdateAt(done, std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
}

void ProgressMeter::UpdateAt(int64_t done, double seconds) {
  const bool last = total_ && done >= *total_;
  if (display_ == Display::kNone ||
      (display_ == Display::kBar && !last && seconds - last_shown_ < kRedrawInterval) ||
      (display_ == Display::kLines && seconds - last_shown_ < kLineInterval)) {
    return;
  }
  last_shown_ = seconds;
  const double fps = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
  char counts[80];
  if (total_) {
    std::snprintf(counts, sizeof counts, "%lld/%lld frames  %.1f fps", static_cast<long long>(done),
                  static_cast<long long>(*total_), fps);
  } else {
    std::snprintf(counts, sizeof counts, "%lld frames  %.1f fps", static_cast<long long>(done), fps);
  }
  std::string text = counts;
  if (total_ && fps > 0) text += "  " + Clock(static_cast<double>(*total_ - done) / fps) + " left";
  if (display_ == Display::kLines) {
    std::fprintf(out_, "frameinterp: %s\n", text.c_str());
  } else {
    std::string bar;
    if (total_ && *total_ > 0) {
      const auto filled = static_cast<size_t>(kBarWidth * std::min(done, *total_) / *total_);
      bar.append(1, '[').append(filled, '#').append(kBarWidth - filled, '.').append("] ");
    }
    std::fprintf(out_, "\r%s%s ", bar.c_str(), text.c_str());
    drawn_ = true;
  }
  std::fflush(out_);
}

void ProgressMeter::Finish() {
  if (!drawn_) return;
  std::fprintf(out_, "\r%*s\r", kBarWidth + 60, "");
  std::fflush(out_);
  drawn_ = false;
}

}  // namespace fitool
