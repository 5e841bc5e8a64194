#pragma once
// What the display reads of the voice a render slot plays: six oscilloscope captures (the
// four filter outputs, the shaper's two outputs) and the latest values of the envelopes,
// LFOs, oscillators, shaper, filter cutoffs, matrix routes and noise regions. The slot's
// render thread writes it once a block; display threads read it without a lock, for
// display only.
#include <atomic>
#include <cstdint>

#include "engine/RegionPlayer.h"
#include "engine/ScopeCapture.h"

struct VoiceStatus {
  static constexpr int32_t kScopes = 6;
  enum Scope : int32_t { kFilterALeft, kFilterARight, kFilterBLeft, kFilterBRight, kShaperLeft, kShaperRight };

  struct Envelope {
    std::atomic<int32_t> state{0};  // as EnvGen::State
    std::atomic<float> level{0.0f};
    std::atomic<uint8_t> release2{0};  // 1 while the pedal selects the second release
  };
  struct Lfo {
    std::atomic<float> output{0.0f};  // last value of the block
    std::atomic<float> phase{0.0f};   // 0..1 of the cycle
  };
  struct Oscillator {
    std::atomic<float> frequency{0.0f};  // Hz, bend included
    std::atomic<float> position{0.0f};   // wavetable position 0..1
    std::atomic<const float*> table{nullptr};  // the cycle the oscillator plays
    std::atomic<int32_t> length{0};
  };
  struct Filter {
    std::atomic<float> cutoff{0.0f};  // Hz, as the block ran
    std::atomic<float> base{0.0f};    // the smoothed setting before modulation
  };

  ScopeCapture scope[kScopes];
  Envelope envelope[4];
  Lfo lfo[3];
  Oscillator oscillator[2];
  std::atomic<float> shaperCurve{0.0f};    // modulation included
  std::atomic<float> shaperDensity{0.0f};
  Filter filter[2];
  std::atomic<float> route[24] = {};
  RegionDisplay noise{};
  std::atomic<uint32_t> blocks{0};
};
