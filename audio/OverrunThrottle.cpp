#include "audio/OverrunThrottle.h"

bool OverrunThrottle::Note(int64_t nowNs, uint32_t* skipped) {
  if (printed_ && nowNs - lastLineNs_ < kIntervalNs) {
    ++skipped_;
    return false;
  }
  *skipped = skipped_;
  skipped_ = 0;
  printed_ = true;
  lastLineNs_ = nowNs;
  return true;
}
