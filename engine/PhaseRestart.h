#pragma once
// Note-start restart of up to four unison phase accumulators: the note start arms it, the
// next render takes it, crossfades each restarting voice over the first twelve samples of
// the block into the value it restarts at, and sets the accumulator at sample 12.
#include <atomic>
#include <cstdint>

class PhaseRestart {
 public:
  static constexpr int32_t kSample = 12;  // where the voice's render retriggers its envelopes
  static constexpr int32_t kVoices = 4;

  // Note start (engine thread). deviation 1.0 leaves voices 1-3 running on; any other value
  // restarts them at random offsets. phaseReset restarts voice 0 at phase 0. Nothing
  // happens while the previous start has not been taken yet.
  void Arm(float deviation, bool phaseReset);
  // Start of a render: takes the armed settings; true when there were any.
  bool Take();

  // The sample at which `voice` restarts in this block, or -1.
  int32_t SampleFor(int32_t voice) const { return counter_ >= 0 && Restarts(voice) ? kSample : -1; }
  bool Restarts(int32_t voice) const { return flags_[voice == 0 ? 0 : 1] != 0; }
  // Counts 12, 8, 4, 0 over the first groups of four samples of a restarting block, then on
  // below 0 until the next start.
  int32_t Counter() const { return counter_; }
  // After each group of four samples.
  void EndGroup() {
    if (counter_ >= 0) counter_ -= 4;
  }
  // Fraction of a cycle at which `voice` restarts (0 for voice 0).
  float Offset(int32_t voice) const { return offsets_[voice & (kVoices - 1)]; }
  // Accumulator value at the restart of `voice` for a 256-point table: the offset's point.
  uint32_t RestartPhase(int32_t voice) const;

  // Crossfade weights of the group whose counter is c (12, 8 or 4): the running waveform
  // takes Window() + 12 - c, the restart value Window() + 24 - c, four lanes each.
  static const float* Window();

 private:
  std::atomic<uint8_t> pending_{0};
  uint8_t flags_[2] = {1, 1};  // [0] voice 0, [1] voices 1-3
  int32_t counter_ = -1;
  uint8_t pendingFlags_[2] = {1, 1};
  int32_t pendingCounter_ = -1;
  float offsets_[kVoices] = {};
};

// The table point at which a restarted waveform begins: the integer part of n x position
// wrapped into 0..n-1 (n a power of two); a negative or non-finite position gives 0.
uint32_t RestartIndex(int32_t n, float position);
