#pragma once
// The tempo of an external MIDI clock: the time of the last twelve clocks (half a quarter
// note) gives the beats per minute. Until twelve clocks have arrived the ring holds no
// span to measure, so the tempo stays as it was.
#include <cstdint>

class MidiClockTempo {
 public:
  static constexpr int kSlots = 12;

  // One clock at monotonic time `nanos`; true when `tempo` was updated.
  bool Add(int64_t nanos, double& tempo);
  // Forgets the clocks received (a new clock source starts its own span).
  void Clear();

 private:
  int64_t stamps_[kSlots] = {};
  int index_ = 0;
  int filled_ = 0;
};
