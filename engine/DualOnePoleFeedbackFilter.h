#pragma once
// Stereo two-pole low-pass in the style of a classic Sallen-Key 35 circuit: two one-pole
// low-pass stages with a one-pole high-pass in the feedback path around the second.
#include "engine/CVAOnePoleFilter.h"

namespace filt {

struct FeedbackCoefficients {
  float G = 0.0f;        // every stage
  float betaHP = 0.0f;   // -1 / (1 + g)
  float betaLP2 = 0.0f;  // (K - K G) / (1 + g)
  float alpha0 = 1.0f;   // 1 / (1 - K G + K G^2)
};

// For a cutoff already limited to its range and a feedback K; g is prewarped in double.
FeedbackCoefficients ComputeFeedback(float sampleRate, double cutoffHz, double K);

// Feedback never falls below this, so a resonance of 0 still leaves a trace of it.
constexpr double kMinFeedback = 0.05;
// The loop oscillates on its own at K = 2 and has no saturation to hold it there: a tone at
// the cutoff would grow without bound. Held just inside the edge, it still rings for a long
// time. A value a float holds exactly keeps the single-precision loop.
constexpr double kMaxFeedback = 1.9f;

}  // namespace filt

class DualOnePoleFeedbackFilter {
 public:
  DualOnePoleFeedbackFilter();

  // Rate in Hz; values that are not positive and finite are ignored. Recomputes.
  void SetSampleRate(float rate);
  void SetFrames(int frames) { frames_ = frames > 0 ? frames : 0; }
  void Reset();

  // Cutoff limited to 80..18000 Hz; K = 2 x resonance (resonance limited to 0..1), at least
  // 0.05 and at most filt::kMaxFeedback. Coefficients change only when the cutoff or K changed.
  void Process(const float* inLeft, const float* inRight, float* outLeft, float cutoffHz,
               float resonance, float* outRight);

 private:
  void UpdateCoefficients();
  template <bool kDoubleLoopGain>
  void RunChannel(const float* in, float* out, int channel);

  // Stage s of channel c is stage_[2 s + c]: low-pass 1, low-pass 2, high-pass.
  CVAOnePoleFilter stage_[6];
  float alpha0_ = 1.0f;
  double K_ = 0.5;
  double cutoff_ = 200.0;
  float sampleRate_ = 48000.0f;
  int frames_ = 128;
};
