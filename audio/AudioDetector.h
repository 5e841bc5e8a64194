#pragma once
// Envelope follower for a dynamics processor: peak, mean-square or RMS detection with
// separate attack and release one-pole smoothing, optionally reported in dB.
#include <cstdint>

class AudioDetector {
 public:
  enum Mode : int32_t { kPeak = 0, kMeanSquare = 1, kRms = 2 };
  static constexpr float kFloorDb = -96.0f;

  AudioDetector() = default;
  virtual ~AudioDetector() = default;
  // Takes the rate, recomputes the coefficients and clears the envelope.
  virtual void Reset(float sampleRate);
  // One input sample in, the detected level out (linear, or dB with log output on).
  virtual float ProcessSample(float x);
  // ProcessSample in two halves, for a meter that shows only the last sample's level:
  // the envelope follows every sample, the level (a logarithm) is worked out once.
  void Track(float x);
  float Level() const;
  // Track over a block for two detectors at once (a stereo pair), one in each of two
  // lanes. When `envelopes` is not null, the envelopes after each frame go there as pairs
  // (a, b) for a caller that works out the levels itself, four at a time; it holds 2 n + 2
  // floats, the last two left 0.
  static void TrackPair(AudioDetector& a, AudioDetector& b, const float* xa, const float* xb, float* envelopes,
                        int n);
  // Recomputes the coefficients when the rate changes; the envelope is kept.
  virtual void SetSampleRate(float sampleRate);

  // Times in ms (negative counts as 0, an immediate response); take effect at the next
  // RecomputeCoefficients, Reset or rate change.
  void SetAttackTime(float ms) { attackMs_ = ms; }
  void SetReleaseTime(float ms) { releaseMs_ = ms; }
  void SetDetectMode(int32_t mode) { detectMode_ = mode; }
  void SetLogOutput(bool on) { logOutput_ = on ? 1 : 0; }
  void SetClampToOne(bool on) { clampToOne_ = on ? 1 : 0; }
  void RecomputeCoefficients();
  void ClearState() { envelope_ = 0.0f; }

  float AttackCoefficient() const { return attackCoef_; }
  float ReleaseCoefficient() const { return releaseCoef_; }
  float Envelope() const { return envelope_; }

 private:
  float attackMs_ = 0.0f;
  float releaseMs_ = 0.0f;
  int32_t detectMode_ = kPeak;
  uint8_t logOutput_ = 0;
  uint8_t clampToOne_ = 0;
  float attackCoef_ = 0.0f;
  float releaseCoef_ = 0.0f;
  float sampleRate_ = 0.0f;
  float envelope_ = 0.0f;
};
