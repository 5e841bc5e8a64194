#include "app/MidiClockTempo.h"

bool MidiClockTempo::Add(int64_t nanos, double& tempo) {
  // The slot about to be overwritten holds the clock of twelve clocks ago.
  const int64_t oldest = stamps_[index_];
  stamps_[index_] = nanos;
  index_ = (index_ + 1) % kSlots;
  if (filled_ < kSlots) {
    ++filled_;
    return false;
  }
  const double span = static_cast<double>(nanos - oldest);
  if (span <= 0.0) return false;
  // Twelve clocks are half a quarter note: 2.5 / (seconds per clock) beats a minute.
  tempo = 2.5 / (span / kSlots / 1e9);
  return true;
}

void MidiClockTempo::Clear() {
  index_ = 0;
  filled_ = 0;
}
