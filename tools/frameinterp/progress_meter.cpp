#include "progress_meter.h"

#include <cstdio>
#include <string>

namespace fitool {
namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressMeter::ProgressMeter(int64_t total, bool visible)
    : total_(total), visible_(visible && total > 0), start_(Clock::now()), last_draw_(start_) {}

void ProgressMeter::Update(int64_t done) {
  if (!visible_) return;
  const Clock::time_point now = Clock::now();
  if (done < total_ && now - last_draw_ < kRedrawInterval) return;
  last_draw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double fps = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
  const int filled = static_cast<int>(kBarWidth * done / total_);
  const std::string bar = std::string(static_cast<size_t>(filled), '#') +
                          std::string(static_cast<size_t>(kBarWidth - filled), '.');
  const double left = fps > 0 ? static_cast<double>(total_ - done) / fps : 0.0;
  std::fprintf(stderr, "\r[%s] %lld/%lld frames  %.1f fps  %d:%02d left ", bar.c_str(),
               static_cast<long long>(done), static_cast<long long>(total_), fps,
               static_cast<int>(left) / 60, static_cast<int>(left) % 60);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressMeter::Finish() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", kBarWidth + 60, "");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace fitool
