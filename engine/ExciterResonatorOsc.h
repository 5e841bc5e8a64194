#pragma once
// Struck-resonator oscillator: a burst of low-passed noise under an attack/decay envelope,
// with a ten-sample click at its onset, strikes a modal resonator bank tuned to the note.
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/ResonatorOsc.h"

class ExciterResonatorOsc {
 public:
  enum EnvelopeState : int32_t { kIdle = 0, kStart = 1, kAttack = 2, kDecay = 3 };

  static constexpr int32_t kClickLength = 10;
  // The envelope's curve: the attack aims at ratio + 1 and turns at 1, the decay aims at
  // 1 - ratio and ends at 0. The ratio is a float; the coefficients are worked out from it in
  // double.
  static constexpr double kAttackRatio = 1.291f;
  // Envelope times are counted at this rate whatever the voice runs at.
  static constexpr double kEnvelopeRate = 48000.0;
  // Shorter times would put the envelope coefficient at or above 1 and let the level run
  // away.
  static constexpr float kMinEnvelopeSeconds = 1e-4f;

  ExciterResonatorOsc();
  ExciterResonatorOsc(const ExciterResonatorOsc&) = delete;
  ExciterResonatorOsc& operator=(const ExciterResonatorOsc&) = delete;

  // Set up by the voice (not on the render path): the work buffer holds `frames` samples.
  void SetBlockSize(int32_t frames);
  // Hz; 0 or less is ignored.
  void SetSampleRate(int32_t rate);

  // Note start, on the render thread: the next block begins a new burst.
  void Start();

  // Parameters: single stores, safe from any thread.
  // -1 (left) .. 1 (right); the near side keeps the full output gain.
  void SetPan(float pan);
  // Seconds: the attack reaches its peak in `seconds`, the decay falls from the peak to
  // silence in about 2.6 x `seconds`.
  void SetAttack(float seconds);
  void SetDecay(float seconds);
  // 0..100: colour low-pass at 50 Hz per step, taken at the next start.
  void SetBrightness(float value);

  // Renders `frames` samples at `frequency` Hz into outLeft and outRight (overwritten).
  void Process(float* outLeft, float* outRight, float frequency);

  ResonatorOsc& Bank() { return bank_; }
  const ResonatorOsc& Bank() const { return bank_; }

  // For the display and inspection.
  int32_t BlockSize() const { return frames_; }
  int32_t SampleRate() const { return sampleRate_; }
  float Pan() const { return pan_.load(std::memory_order_relaxed); }
  float ColourFrequency() const { return colourHz_.load(std::memory_order_relaxed); }
  float ColourG() const { return g_; }
  float ColourA() const { return a_; }
  float Level() const { return level_; }
  int32_t State() const { return state_; }
  // The last block's excitation (after the colour filter and the click).
  const float* Excitation() const { return work_.data(); }
  // Each module has its own noise sequence; tests restart it to compare modules.
  void SeedNoise(uint32_t seed) { noise_ = seed; }

 private:
  struct Segment {
    float offset;
    float coefficient;
  };
  static Segment MakeSegment(float seconds, double target);

  // Colour filter: state-variable low-pass.
  float g_ = 0.0f;
  float k_ = 1.0f;
  float a_ = 1.0f;
  float ic1_ = 0.0f;
  float ic2_ = 0.0f;

  // Burst envelope.
  float level_ = 0.0f;
  std::atomic<float> attackOffset_{0.027213f};
  std::atomic<float> attackCoefficient_{0.98812f};
  std::atomic<float> decayOffset_{-3.469e-6f};
  std::atomic<float> decayCoefficient_{0.99998808f};
  int32_t clickLength_ = 0;
  uint8_t start_ = 0;
  float colourNormalised_ = 0.0f;
  int32_t state_ = kIdle;
  uint32_t noise_;

  ResonatorOsc bank_;

  std::atomic<float> pan_{0.0f};

  int32_t sampleRate_ = 44100;
  std::atomic<float> colourHz_{200.0f};

  std::vector<float> work_;
  int32_t frames_ = 0;
};
