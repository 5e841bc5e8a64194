#pragma once
// Second-order IIR section (two poles, two zeros) in one of four realisations: direct form,
// canonical form, and their transposed variants.
#include <cfloat>
#include <cmath>
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
  // Inline: the effects run several sections per sample.
  virtual float ProcessSample(float x) {
    const float a0 = coeffs_[kA0];
    const float a1 = coeffs_[kA1];
    const float a2 = coeffs_[kA2];
    const float b1 = coeffs_[kB1];
    const float b2 = coeffs_[kB2];
    float* s = state_;
    switch (realisation_) {
      case kDirect: {
        const float y = FlushSubnormal(a0 * x + a1 * s[0] + a2 * s[1] - b1 * s[2] - b2 * s[3]);
        s[1] = s[0];
        s[0] = x;
        s[3] = s[2];
        s[2] = y;
        return y;
      }
      case kCanonical: {
        const float w = x - b1 * s[0] - b2 * s[1];
        const float y = FlushSubnormal(a0 * w + a1 * s[0] + a2 * s[1]);
        s[1] = s[0];
        s[0] = w;
        return y;
      }
      case kTransposedDirect: {
        const float w = x + s[2];
        const float y = FlushSubnormal(s[0] + a0 * w);
        s[2] = s[3] - b1 * w;
        s[0] = s[1] + a1 * w;
        s[3] = -b2 * w;
        s[1] = a2 * w;
        return y;
      }
      case kTransposedCanonical: {
        const float y = FlushSubnormal(s[0] + a0 * x);
        s[0] = a1 * x - b1 * y + s[1];
        s[1] = a2 * x - b2 * y;
        return y;
      }
      default:
        return x;
    }
  }

  // The part of the next output that does not depend on the next input, for zero-delay
  // feedback loops around the section: the feedback-and-history sum in the direct form,
  // the first state in the transposed canonical form, 0 in the other two. Stored and
  // returned.
  float GetStorageValue() {
    switch (realisation_) {
      case kDirect:
        storage_ = coeffs_[kA2] * state_[1] + coeffs_[kA1] * state_[0] - coeffs_[kB1] * state_[2] -
                   coeffs_[kB2] * state_[3];
        break;
      case kTransposedCanonical:
        storage_ = state_[0];
        break;
      default:
        storage_ = 0.0f;
        break;
    }
    return storage_;
  }
  float StorageValue() const { return storage_; }

  void SetCoefficients(const float (&c)[kNumCoefficients]);
  const float* Coefficients() const { return coeffs_; }
  float Coefficient(int32_t index) const { return coeffs_[index]; }
  void SetRealisation(int32_t code) { realisation_ = code; }
  int32_t GetRealisation() const { return realisation_; }
  const float* State() const { return state_; }
  // For owners that run several sections' arithmetic themselves (four lanes at a time).
  float* MutableState() { return state_; }

 private:
  // A subnormal result is replaced by exactly 0 before it reaches the state, so a decaying
  // section settles at 0 instead of crawling through the (slow on x86) subnormal range.
  static float FlushSubnormal(float y) { return (y != 0.0f && std::fabs(y) < FLT_MIN) ? 0.0f : y; }

  float coeffs_[kNumCoefficients] = {};
  float state_[kNumStates] = {};
  int32_t realisation_ = kDirect;
  float storage_ = 0.0f;
};
