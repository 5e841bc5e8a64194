#pragma once
// Stereo zero-delay-feedback transistor-ladder low-pass: four one-pole stages in a feedback
// loop (24 dB/oct), or two stages and an all-pass in the loop (12 dB/oct).
#include <span>

#include "engine/CVAOnePoleFilter.h"

namespace filt {

// Stage gain, feedback weights of stages 1..5 and input scaling of the ladder. Four-pole
// mode weights stages 1-4, two-pole mode stages 1, 2 and the all-pass stage 5; the weights of
// the stages outside the loop are 0.
struct LadderCoefficients {
  float G = 0.0f;
  float beta[5] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  float alpha0 = 1.0f;
};

// The stages (0-based) inside the loop of a mode; stages outside keep their coefficients.
std::span<const int> LadderLoopStages(int mode);

// For a cutoff already limited to its range and k = 2 x resonance; false for a mode other
// than 0 (four-pole) and 1 (two-pole), which has no coefficients.
bool ComputeLadder(float sampleRate, float cutoffHz, float k, int mode, LadderCoefficients* out);

// The two-pole loop oscillates on its own at a feedback of 2 and has no saturation to hold
// it there: a tone at the cutoff would grow without bound. Held just inside the edge, it
// still rings for a long time and a 0.1 tone at the cutoff peaks near 1.1.
constexpr float kMaxTwoPoleFeedback = 1.9f;

// One sample through the loop of mode M (0 four-pole, 1 two-pole) over stages s[0..4]
// (1-4 low-pass, 5 all-pass), before any output gain. The two-pole loop limits its
// feedback to kMaxTwoPoleFeedback.
template <int M>
inline float LadderTick(float x, float k, float alpha0, CVAOnePoleFilter (&s)[5]) {
  if constexpr (M == 0) {
    const float sigma = s[0].FeedbackOutput() + s[1].FeedbackOutput() +
                        s[2].FeedbackOutput() + s[3].FeedbackOutput();
    const float u = (x - k * sigma) * alpha0;
    return s[3].Tick<CVAOnePoleFilter::kLowPass>(
        s[2].Tick<CVAOnePoleFilter::kLowPass>(s[1].Tick<CVAOnePoleFilter::kLowPass>(
            s[0].Tick<CVAOnePoleFilter::kLowPass>(u))));
  } else {
    const float sigma = s[0].FeedbackOutput() + s[1].FeedbackOutput() + s[4].FeedbackOutput();
    const float u = (x - (k < kMaxTwoPoleFeedback ? k : kMaxTwoPoleFeedback) * sigma) * alpha0;
    return s[4].Tick<CVAOnePoleFilter::kAllPass>(
        s[1].Tick<CVAOnePoleFilter::kLowPass>(s[0].Tick<CVAOnePoleFilter::kLowPass>(u)));
  }
}

}  // namespace filt

class CDualMoogLadderFilter {
 public:
  enum Mode { kFourPole = 0, kTwoPole = 1 };

  CDualMoogLadderFilter();

  // Sets the rate of every stage, clears the stage states and recomputes the coefficients.
  // Values that are not positive and finite keep the previous rate.
  void SetSampleRate(float rate);
  void SetFrames(int frames) { frames_ = frames > 0 ? frames : 0; }
  // 0 four-pole, 1 two-pole; stores any value, clears the stage states and recomputes.
  // With another value Process leaves the outputs untouched.
  void SetMode(int mode);
  int Mode() const { return mode_; }
  void Reset();

  // Cutoff limited to 80..18000 Hz, resonance to 0..1 (k = 2 x resonance; in two-pole mode
  // the feedback never exceeds filt::kMaxTwoPoleFeedback). Coefficients change only when
  // either value changed.
  void Process(const float* inLeft, const float* inRight, float* outLeft, float cutoffHz,
               float resonance, float* outRight);

 private:
  void UpdateCoefficients();
  void ResetStages();
  // Both channels at once, left and right in two lanes of the vector unit.
  template <int M>
  void RunStereo(const float* inLeft, const float* inRight, float* outLeft, float* outRight);

  // Stage s of channel c is stage_[2 s + c]; stages 0-3 low-pass, stage 4 all-pass.
  CVAOnePoleFilter stage_[10];
  float alpha0_ = 1.0f;
  float cutoff_ = 1000.0f;
  float k_ = 0.0f;
  int mode_ = kTwoPole;
  float sampleRate_ = 48000.0f;
  int frames_ = 128;
};
