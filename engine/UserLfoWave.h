#pragma once
// A user-drawn LFO cycle: up to sixteen levels (bytes 0..255 for -1..+1), each held and
// then ramped toward the next over a segment of 64 points; the smoothing decides how much
// of a segment is ramp. One wave per part, bank and LFO: the writer publishes a new cycle
// under a short lock and each render thread copies it between its blocks, so no LFO ever
// reads a table while it is rewritten.
#include <atomic>
#include <cstdint>

#include "platform/PiMutex.h"

class UserLfoWave {
 public:
  static constexpr int32_t kMaxSegments = 16;
  static constexpr int32_t kSegmentPoints = 64;
  // The last point repeats the first, so an interpolating reader never runs off the end.
  static constexpr int32_t kMaxPoints = kMaxSegments * kSegmentPoints + 1;

  // Builds the cycle of `count` levels (taken as a byte, at most 16) with smoothing 0..1
  // into `points` (kMaxPoints floats); returns the cycle's length, count x 64, or 0.
  static int32_t Build(const uint8_t* levels, int32_t count, float smooth, float* points);

  // Any thread.
  void Publish(const uint8_t* levels, int32_t count, float smooth);
  // Reader: when the wave changed since `*seen`, copies it (kMaxPoints floats), sets its
  // length (0: no wave) and returns true.
  bool CopyIfChanged(uint32_t* seen, float* points, int32_t* length) const;

 private:
  mutable platform::PiMutex mutex_;  // held for one copy of the cycle
  float points_[kMaxPoints] = {};
  int32_t length_ = 0;
  std::atomic<uint32_t> version_{0};
};
