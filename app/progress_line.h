// The headless scan's progress: one live line on a terminal, plain lines elsewhere.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "engine/scan_run.h"

namespace kelvane {

// "1.2 of 3.0 GB (40%), 2345678 games, 950.0 MB/s, 0:02 left": what has been read, the
// games, the speed and the time left; without a known size, no share and no time left.
// Amounts are in decimal units: 1 kB = 1000 bytes, 1 MB = 10^6 bytes.
std::string ProgressText(const ScanProgress& progress, double seconds);
// Its parts: "1.2 of 3.0 GB (40%)", and "950.0 MB/s, 0:02 left" (empty before a first byte).
std::string ProgressAmount(const ScanProgress& progress);
std::string ProgressSpeed(const ScanProgress& progress, double seconds);

class ProgressLine : public ScanObserver {
 public:
  // live: redraw one line in place (a terminal), at most ten times a second; otherwise a
  // plain line at most once a second. now: seconds on a steady clock.
  ProgressLine(FILE* out, bool live, std::function<double()> now = SteadySeconds);
  ~ProgressLine() override;
  void Progress(const ScanProgress& progress) override;
  // Ends a live line that is shown, so that what is written next starts a line of its own;
  // the next progress starts a new live line.
  void End();

  static double SteadySeconds();

 private:
  FILE* out_;
  bool live_;
  std::function<double()> now_;
  double start_;
  double last_ = -1;
  bool shown_ = false;
};

}  // namespace kelvane
