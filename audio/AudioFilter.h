#pragma once
// Biquad section with a coefficient designer (first- and second-order passes, Butterworth,
// Linkwitz-Riley, shelves, parametric EQs, all-passes, resonators, impulse-invariant and
// magnitude-matched low/band-passes) and a dry/wet mix d0*x + c0*section(x).
#include <cstdint>

#include "audio/Biquad.h"

class AudioFilter {
 public:
  enum Algorithm : int32_t {
    kLowPass1OnePole = 0,
    kLowPass1 = 1,
    kHighPass1 = 2,
    kLowPass2 = 3,
    kHighPass2 = 4,
    kBandPass2 = 5,
    kBandStop2 = 6,
    kButterworthLowPass = 7,
    kButterworthHighPass = 8,
    kButterworthBandPass = 9,
    kButterworthBandStop = 10,
    kAnalogMatchedLowPassCompensated = 11,
    kAnalogMatchedLowPass = 12,
    kLowShelf1 = 13,
    kHighShelf1 = 14,
    kParametricEq = 15,
    kParametricEqConstantQ = 16,
    kLinkwitzRileyLowPass = 17,
    kLinkwitzRileyHighPass = 18,
    kAllPass1 = 19,
    kAllPass2 = 20,
    kResonatorA = 21,
    kResonatorB = 22,
    kMatchedLowPassTight = 23,
    kMatchedLowPassLoose = 24,
    kMatchedBandPassTight = 25,
    kMatchedBandPassLoose = 26,
    kImpulseInvariantLowPass1 = 27,
    kImpulseInvariantLowPass2 = 28,
    kNumAlgorithms = 29,
  };

  // Virtual slots in this order: Reset, CanProcessFrame, ProcessSample, SetSampleRate. No
  // virtual destructor: filters live by value inside their effects.
  // Keeps the rate, switches the section to the transposed canonical form and clears its
  // state; the coefficients stay as they are. Returns true.
  virtual bool Reset(float sampleRate);
  virtual bool CanProcessFrame();
  // d0*x + c0*y, y the section's output.
  virtual float ProcessSample(float x) {
    const float y = biquad_.ProcessSample(x);
    return biquad_.Coefficient(Biquad::kD0) * x + biquad_.Coefficient(Biquad::kC0) * y;
  }
  // Keeps the rate and designs the coefficients for it.
  virtual void SetSampleRate(float sampleRate);

  // Redesigns only when one of the four values differs from the stored one. A Q of 0 or
  // less stands for 0.707.
  void SetParameters(int32_t algorithm, float fc, float q, float boostCutDb);
  // Designs the stored algorithm into the section. False, with the section's previous
  // coefficients left in force, for an unknown algorithm or a design that would not be
  // finite and stable (a corner at or beyond Nyquist, Q too low for the design, ...).
  bool CalculateCoefficients();
  // Clears the section's memory only: rate, realisation and coefficients stay.
  void ClearState() { biquad_.Reset(sampleRate_); }

  // The section's storage value, for zero-delay feedback loops around the filter.
  float GetStorageValue() { return biquad_.GetStorageValue(); }
  const Biquad& Section() const { return biquad_; }
  Biquad& MutableSection() { return biquad_; }
  // The section's coefficient in force (Biquad::CoefIndex).
  float Coefficient(int32_t index) const { return biquad_.Coefficient(index); }

  int32_t GetAlgorithm() const { return algorithm_; }
  float Fc() const { return fc_; }
  float Q() const { return q_; }
  float BoostCutDb() const { return boostCutDb_; }
  float SampleRate() const { return sampleRate_; }

 private:
  Biquad biquad_;
  float designed_[Biquad::kNumCoefficients] = {};
  int32_t algorithm_ = kLowPass1;
  float fc_ = 100.0f;
  float q_ = 0.707f;
  float boostCutDb_ = 0.0f;
  float sampleRate_ = 44100.0f;
};
