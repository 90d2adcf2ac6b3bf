#include "app/progress_line.h"

#include <chrono>
#include <cinttypes>

namespace kelvane {

namespace {

// Bytes in the largest decimal unit (1 MB = 10^6 bytes) that keeps them at 1 or more:
// "512 B", "3.4 MB", "1.2 GB".
std::string Amount(uint64_t bytes) {
  const char* units[] = {"B", "kB", "MB", "GB", "TB"};
  double v = static_cast<double>(bytes);
  int u = 0;
  while (v >= 1000 && u < 4) {
    v /= 1000;
    ++u;
  }
  char text[32];
  std::snprintf(text, sizeof text, u == 0 ? "%.0f %s" : "%.1f %s", v, units[u]);
  return text;
}

std::string Duration(double seconds) {
  const long long s = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace

std::string ProgressAmount(const ScanProgress& p) {
  std::string text = Amount(p.bytesRead);
  if (p.totalBytes > 0) {
    const int percent = static_cast<int>(100.0 * p.bytesRead / p.totalBytes);
    text += " of " + Amount(p.totalBytes) + " (" + std::to_string(percent) + "%)";
  }
  return text;
}

std::string ProgressSpeed(const ScanProgress& p, double seconds) {
  if (seconds <= 0 || p.bytesRead == 0) return "";
  const double rate = p.bytesRead / seconds;
  char speed[32];
  std::snprintf(speed, sizeof speed, "%.1f MB/s", rate / 1e6);
  std::string text = speed;
  if (p.totalBytes > 0 && p.bytesRead <= p.totalBytes)
    text += ", " + Duration((p.totalBytes - p.bytesRead) / rate) + " left";
  return text;
}

std::string ProgressText(const ScanProgress& p, double seconds) {
  std::string text = ProgressAmount(p) + ", " + std::to_string(p.gamesRead) + " games";
  const std::string speed = ProgressSpeed(p, seconds);
  return speed.empty() ? text : text + ", " + speed;
}

double ProgressLine::SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

ProgressLine::ProgressLine(FILE* out, bool live, std::function<double()> now)
    : out_(out), live_(live), now_(std::move(now)), start_(now_()) {}

ProgressLine::~ProgressLine() {
  End();
}

void ProgressLine::End() {
  if (shown_ && live_) std::fputc('\n', out_);
  shown_ = false;
  std::fflush(out_);
}

void ProgressLine::Progress(const ScanProgress& p) {
  const double now = now_();
  const bool end = p.totalBytes > 0 && p.bytesRead >= p.totalBytes;
  const double every = live_ ? 0.1 : 1.0;
  if (last_ >= 0 && now - last_ < every && !end) return;
  last_ = now;
  const std::string text = ProgressText(p, now - start_);
  if (live_)
    std::fprintf(out_, "\r%s\033[K", text.c_str());  // the rest of the old line is erased
  else
    std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
  shown_ = true;
}

}  // namespace kelvane
