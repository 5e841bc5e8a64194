#include "audio/TwoBandShelvingFilter.h"

TwoBandShelvingFilter::TwoBandShelvingFilter() { SetParameters(params_); }

bool TwoBandShelvingFilter::Reset(float sampleRate) {
  lowShelf_.Reset(sampleRate);
  highShelf_.Reset(sampleRate);
  // A shelf whose values do not change afterwards would otherwise keep the design of the
  // previous rate.
  lowShelf_.SetSampleRate(sampleRate);
  highShelf_.SetSampleRate(sampleRate);
  return true;
}

bool TwoBandShelvingFilter::CanProcessFrame() { return false; }

void TwoBandShelvingFilter::SetParameters(const ShelvingParams& p, float q) {
  params_ = p;
  lowShelf_.SetParameters(AudioFilter::kLowShelf1, p.lowShelfHz, q, p.lowShelfDb);
  highShelf_.SetParameters(AudioFilter::kHighShelf1, p.highShelfHz, q, p.highShelfDb);
}
