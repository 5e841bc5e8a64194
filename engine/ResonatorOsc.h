#pragma once
// Modal resonator bank: up to 32 state-variable band-pass modes tuned to a stretchable
// harmonic series, all struck by one input; odd partials ring on the left, even ones on the
// right, weighted by a timbre that sweeps a cosine comb across the partials.
#include <atomic>
#include <cstdint>

class ResonatorOsc {
 public:
  static constexpr int32_t kMaxPartials = 32;
  // Only the pairs below a quarter of the active partials ring: at most eight pairs.
  static constexpr int32_t kMaxSounding = 16;
  static constexpr int32_t kDampingTableSize = 257;  // 10^(i/64): 1 .. 10000

  // Weighting of the partials by the timbre.
  enum WeightingMode : int32_t {
    kCosineComb = 0,   // partial m by 0.5 cos(2 pi timbre m) + 0.5, timbre gliding over the block
    kOddDamped = 1,    // the left (first) partial of each pair by 1 - timbre
    kAllDamped = 2,    // every partial by 1 - timbre
    kEveryNth = 3,     // only partials m with (m + 1) a multiple of int(1 + 32 timbre)
  };

  // One mode's coefficients (g = tan(pi f), k = damping, a = 1 / (1 + g k + g^2)) and states.
  struct Mode {
    float g;
    float k;
    float a;
    float ic1;
    float ic2;
  };
  static constexpr Mode kStartMode = {0.0314275f, 0.01f, 0.9986998f, 0.0f, 0.0f};

  // What the editor draws of a partial: its frequency (normalised) and damping term.
  struct PartialDisplay {
    float frequency;
    float damping;
  };

  ResonatorOsc();
  ResonatorOsc(const ResonatorOsc&) = delete;
  ResonatorOsc& operator=(const ResonatorOsc&) = delete;

  // Parameters: single stores, safe from any thread; the render takes them at its next block.
  // A non-finite value keeps the previous one.
  // Any value; 0 is the voice's (and the default) weighting, unknown modes weight every
  // partial by 1.
  void SetWeighting(int32_t mode) { weighting_.store(mode, std::memory_order_relaxed); }
  // Fundamental / sample rate.
  void SetBaseFrequency(float normalised);
  // 0..1: leans the damping of the upper partials.
  void SetSkew(float skew);
  // 0..1 (values outside are held at the ends): reached linearly over the next block.
  void SetTimbre(float timbre);
  // 0..1 (values outside are held at the ends): higher rings longer.
  void SetDamping(float damping);
  // Partial t sits at (t + 1)(1 + t stretch) times the base frequency.
  void SetStretch(float stretch);
  // How many partials UpdateModes tunes; at most 32 are used.
  void SetPartialCount(int32_t count) { partials_.store(count, std::memory_order_relaxed); }
  void SetGains(float left, float right);

  int32_t Weighting() const { return weighting_.load(std::memory_order_relaxed); }
  float BaseFrequency() const { return base_.load(std::memory_order_relaxed); }
  float Skew() const { return skew_.load(std::memory_order_relaxed); }
  float TimbreTarget() const { return timbreTarget_.load(std::memory_order_relaxed); }
  float Damping() const { return damping_.load(std::memory_order_relaxed); }
  float Stretch() const { return stretch_.load(std::memory_order_relaxed); }
  int32_t PartialCount() const { return partials_.load(std::memory_order_relaxed); }
  float OutputGain() const { return outputGain_; }
  float LeftGain() const { return gainLeft_.load(std::memory_order_relaxed); }
  float RightGain() const { return gainRight_.load(std::memory_order_relaxed); }

  // Every mode back to its start coefficients with silent states.
  void ResetModes();
  // Retunes every partial from the parameters; returns the number of active partials (the
  // highest partial with a frequency above 0).
  int32_t UpdateModes();
  // Adds n samples of the bank's response to `input` into outLeft and outRight (the caller
  // clears them). Returns the number of samples added: fewer than n when a non-finite input
  // stopped the block, which leaves the remaining samples as they were.
  int32_t Process(const float* input, float* outLeft, float* outRight, int32_t n);

  int32_t ActivePartials() const { return active_; }
  // The timbre the last block ended on.
  float Timbre() const { return timbre_; }
  const Mode& ModeAt(int32_t i) const { return modes_[i & (kMaxPartials - 1)]; }
  const PartialDisplay& DisplayAt(int32_t i) const { return display_[i & (kMaxPartials - 1)]; }

  // 500 x 10^(4 d), d = damping held to 0..1, linearly interpolated in the table.
  static float DampingScale(float damping);
  // The weights of partials 0..count-1 (count at most kMaxPartials) for a weighting mode and
  // a steady timbre: what the render multiplies each partial by, and what an editor draws.
  static void Weights(int32_t mode, float timbre, int32_t count, float* weights);

 private:
  template <bool kCosine>
  int32_t Run(const float* input, float* outLeft, float* outRight, int32_t n, int32_t pairs,
              const float* weights);

  std::atomic<int32_t> weighting_{kCosineComb};
  std::atomic<float> base_{0.0045833f};
  std::atomic<float> skew_{0.25f};
  float tone_ = 0.5f;
  std::atomic<float> timbreTarget_{0.999f};
  float timbre_ = 0.0f;
  std::atomic<float> damping_{0.3f};
  std::atomic<float> stretch_{0.5f};
  std::atomic<int32_t> partials_{kMaxPartials};
  int32_t active_ = 0;
  Mode modes_[kMaxPartials];
  PartialDisplay display_[kMaxPartials] = {};
  std::atomic<float> gainLeft_{3.0f};
  std::atomic<float> gainRight_{3.0f};
  float outputGain_ = 3.0f;
};
