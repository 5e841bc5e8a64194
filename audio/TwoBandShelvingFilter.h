#pragma once
// Two-band tilt equaliser: a first-order low shelf followed by a first-order high shelf.
#include "audio/AudioFilter.h"

struct ShelvingParams {
  float lowShelfHz = 100.0f;
  float lowShelfDb = 0.0f;
  float highShelfHz = 100.0f;
  float highShelfDb = 0.0f;
};

class TwoBandShelvingFilter final {
 public:
  // Flat (both shelves at 100 Hz, 0 dB).
  TwoBandShelvingFilter();

  // Virtual slots in this order: Reset, CanProcessFrame, ProcessSample.
  // Clears both sections and keeps their shelves, designed for the new rate.
  virtual bool Reset(float sampleRate);
  virtual bool CanProcessFrame();
  virtual float ProcessSample(float x) { return highShelf_.ProcessSample(lowShelf_.ProcessSample(x)); }

  // Redesigns a shelf only when its values changed. A Q of 0 or less stands for 0.707.
  void SetParameters(const ShelvingParams& p, float q = 0.707f);
  const ShelvingParams& Parameters() const { return params_; }
  void ClearState() {
    lowShelf_.ClearState();
    highShelf_.ClearState();
  }
  const AudioFilter& LowShelf() const { return lowShelf_; }
  const AudioFilter& HighShelf() const { return highShelf_; }
  AudioFilter& MutableLowShelf() { return lowShelf_; }
  AudioFilter& MutableHighShelf() { return highShelf_; }

 private:
  ShelvingParams params_;
  AudioFilter lowShelf_;
  AudioFilter highShelf_;
};
