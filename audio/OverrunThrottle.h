#pragma once
// Paces the period's overrun line. A machine without real-time scheduling can miss the
// deadline hundreds of times a minute, and a line for each buries everything else the
// instrument prints; one line a second, carrying how many were left out since the line
// before, keeps the log readable without hiding how often it happens. Runs on the audio
// thread: no allocation, no lock.
#include <cstdint>

class OverrunThrottle {
 public:
  static constexpr int64_t kIntervalNs = 1'000'000'000;

  // Notes one overrun at `nowNs` (a monotonic clock). True when its line is due; `skipped`
  // is then the number of overruns noted without a line since the last one printed.
  bool Note(int64_t nowNs, uint32_t* skipped);
 private:
  int64_t lastLineNs_ = 0;
  bool printed_ = false;
  uint32_t skipped_ = 0;
};
