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
  const AudioFilter& HighPass() const { return highPass_; }
  const AudioFilter& LowShelf() const { return lowShelf_; }
  AudioFilter& MutableHighPass() { return highPass_; }
  AudioFilter& MutableLowShelf() { return lowShelf_; }

  // Shape on x[0..count-1] in place, count a multiple of 4. The asymmetric exponential
  // shaper runs four samples at a time with its exponential from v4::Exp (within a few
  // units in the last place of std::exp); the other shapers and the linear limit are Shape
  // itself, sample by sample.
  void ShapeBlock(float* x, int count) const;
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
