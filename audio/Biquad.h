#pragma once
// Second-order IIR section (two poles, two zeros) in one of four realisations: direct form,
// canonical form, and their transposed variants.
#include <cstdint>

class Biquad {
 public:
  // Coefficient order: feed-forward a0..a2, feedback b1, b2 (subtracted), then the wet and
  // dry gains c0, d0 that the owning filter mixes with; the section itself ignores c0, d0.
  enum CoefIndex : int32_t { kA0 = 0, kA1, kA2, kB1, kB2, kC0, kD0, kNumCoefficients };
  enum Realisation : int32_t {
    kDirect = 0,
    kCanonical = 1,
    kTransposedDirect = 2,
    kTransposedCanonical = 3,
  };
  static constexpr int kNumStates = 4;

  // Virtual slots in this order: Reset, CanProcessFrame, ProcessSample. No virtual
  // destructor: sections live by value inside their filters and effects.
  // Clears the state; the rate is not kept. Returns true.
  virtual bool Reset(float sampleRate);
  // A section runs one sample at a time, never a whole frame.
  virtual bool CanProcessFrame();
  // One output sample. A realisation code outside 0..3 passes x through.
  virtual float ProcessSample(float x);

  // The part of the next output that does not depend on the next input, for zero-delay
  // feedback loops around the section: the feedback-and-history sum in the direct form,
  // the first state in the transposed canonical form, 0 in the other two. Stored and
  // returned.
  float GetStorageValue();
  float StorageValue() const { return storage_; }

  void SetCoefficients(const float (&c)[kNumCoefficients]);
  const float* Coefficients() const { return coeffs_; }
  float Coefficient(int32_t index) const { return coeffs_[index]; }
  void SetRealisation(int32_t code) { realisation_ = code; }
  int32_t GetRealisation() const { return realisation_; }
  const float* State() const { return state_; }

 private:
  float coeffs_[kNumCoefficients] = {};
  float state_[kNumStates] = {};
  int32_t realisation_ = kDirect;
  float storage_ = 0.0f;
};
