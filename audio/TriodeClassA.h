#pragma once
// One class-A triode stage as a waveshaper: exponential, arctangent or asymmetric
// exponential saturation, the stage's phase inversion, a DC-blocking high-pass and a
// low shelf for the coupling.
#include <cstdint>

#include "audio/AudioFilter.h"

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

  // The shaper alone (steps before inversion and filters), for tests and tables.
  float Shape(float x) const;

 private:
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
