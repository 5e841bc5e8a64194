#pragma once
// One class-A triode stage as a waveshaper: exponential, arctangent or asymmetric
// exponential saturation, the stage's phase inversion, a DC-blocking high-pass and a
// low shelf for the coupling.
#include <cmath>
#include <cstdint>

#include "audio/AudioFilter.h"
#include "platform/Simd4.h"

struct TriodeParams {
  int32_t type = TriodeParams::kExponential;
  float saturation = 1.0f;  // k
  float asymmetry = 0.0f;   // -1..1
  float outputGain = 1.0f;  // linear
  uint8_t invert = 1;
  uint8_t highPassEnable = 1;
  uint8_t lowShelfEnable = 0;
  float highPassHz = 1.0f;
  float lowShelfHz = 80.0f;
  float lowShelfDb = 0.0f;

  // Shaper types; any other value gives silence.
  static constexpr int32_t kExponential = 0;
  static constexpr int32_t kArcTangent = 1;
  static constexpr int32_t kAsymmetricExponential = 2;
};

class TriodeClassA final {
 public:
  // Both filters designed from the construction values (for 44100 Hz until a Reset).
  TriodeClassA();

  // Virtual slots in this order: Reset, CanProcessFrame, ProcessSample.
  // Clears both filters and designs them for the rate; the parameters stay.
  virtual bool Reset(float sampleRate);
  virtual bool CanProcessFrame();
  virtual float ProcessSample(float x);

  // The filters are redesigned only when their values change.
  void SetParameters(const TriodeParams& p);
  const TriodeParams& Parameters() const { return params_; }
  void ClearState() {
    highPass_.ClearState();
    lowShelf_.ClearState();
  }
  const AudioFilter& HighPass() const { return highPass_; }
  const AudioFilter& LowShelf() const { return lowShelf_; }
  AudioFilter& MutableHighPass() { return highPass_; }
  AudioFilter& MutableLowShelf() { return lowShelf_; }

  // The shaper and inversion of one stage as one lane of ShapeLanes: the saturations of the
  // two sides of zero and their normalisations, signed so that the lane's result comes out
  // negated where the stage inverts (negating a product is exact). `linear` for the limit
  // y = x (times sign) near zero saturation.
  struct LaneConstants {
    bool linear;
    float sign;
    float kPositive, kNegative;
    float normPositive, normNegative;
  };
  // False for the shaper types other than the asymmetric exponential one.
  bool GetLaneConstants(LaneConstants& c) const;
  // Four stages' asymmetric exponential shapers with their inversion, stage n in lane n
  // (constants from GetLaneConstants): Shape's steps, with the exponential ExpNonPositive.
  static v4::f4 ShapeLanes(v4::f4 x, v4::f4 kPositive, v4::f4 kNegative, v4::f4 normPositive,
                           v4::f4 normNegative) {
    using namespace v4;
    const u4 nonNegative = CmpGe(x, Set1(0.0f));
    const f4 k = Select(nonNegative, kPositive, kNegative);
    const f4 norm = Select(nonNegative, normPositive, normNegative);
    const f4 e = ExpNonPositive(Sub(Set1(0.0f), Abs(Mul(k, x))));
    return Mul(Sub(Set1(1.0f), e), norm);
  }
  // e^x for x <= 0 within a few units in the last place of std::exp; below about -87.3 the
  // smallest normal float, NaN stays NaN. v4::Exp's polynomial, but its argument needs only
  // the lower clamp, and the shift by 1.5 * 2^23 rounds x log2(e) to an integer in two
  // additions, which on SSE saves the emulated NEON min/max and conversions.
  static v4::f4 ExpNonPositive(v4::f4 x) {
    using namespace v4;
    const f4 lowest = Set1(-87.33654f);
    x = Select(CmpLt(x, lowest), lowest, x);
    const f4 shift = Set1(12582912.0f);
    const f4 n = Sub(MulAdd(shift, x, Set1(1.44269504088896341f)), shift);
    return ExpOfReduced(x, n);
  }
  // The shaper alone (steps before inversion and filters), for tests and tables.
  float Shape(float x) const {
    const float k = params_.saturation;
    switch (params_.type) {
      case TriodeParams::kExponential:
        return Sign(x) * (1.0f - std::exp(-std::fabs(k * x)));
      case TriodeParams::kArcTangent:
        if (std::fabs(k) <= kLinearSaturation) return x;
        return std::atan(k * x) / std::atan(k);
      case TriodeParams::kAsymmetricExponential: {
        if (std::fabs(k) <= kLinearSaturation) return x;
        const float a = params_.asymmetry;
        const bool hard = (x >= 0.0f && a > 0.0f) || (x < 0.0f && a < 0.0f);
        const float kk = hard ? kHard_ : k;
        return Sign(x) * (1.0f - std::exp(-std::fabs(kk * x))) * (hard ? normHard_ : normGentle_);
      }
      default:
        return 0.0f;
    }
  }

 private:
  // Below this saturation the shapers' normalisations are 0/0; their limit is y = x.
  static constexpr float kLinearSaturation = 1e-6f;
  static float Sign(float x) { return x > 0.0f ? 1.0f : (x < 0.0f ? -1.0f : 0.0f); }

  void DesignFilters();

  TriodeParams params_;
  AudioFilter highPass_;
  AudioFilter lowShelf_;
  // 1 / (1 - exp(-k')) for the two saturations the asymmetric shaper uses: k on the
  // gentle side, k*(1 + 4|asymmetry|) on the hard one.
  float normGentle_ = 0.0f;
  float normHard_ = 0.0f;
  float kHard_ = 0.0f;
};
