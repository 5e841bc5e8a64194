#include "audio/AudioFilterLanes.h"

bool AudioFilterLanes::Load(AudioFilter* const* filters, int count) {
  if (count < 1 || count > kLanes) return false;
  for (int l = 0; l < count; ++l)
    if (filters[l]->Section().GetRealisation() != Biquad::kTransposedCanonical) return false;
  alignas(16) float values[9][kLanes] = {};
  for (int l = 0; l < count; ++l) {
    const Biquad& section = filters[l]->Section();
    for (int c = 0; c < Biquad::kNumCoefficients; ++c) values[c][l] = section.Coefficient(c);
    values[7][l] = section.State()[0];
    values[8][l] = section.State()[1];
    filters_[l] = filters[l];
  }
  count_ = count;
  a0_ = v4::Load(values[Biquad::kA0]);
  a1_ = v4::Load(values[Biquad::kA1]);
  a2_ = v4::Load(values[Biquad::kA2]);
  b1_ = v4::Load(values[Biquad::kB1]);
  b2_ = v4::Load(values[Biquad::kB2]);
  c0_ = v4::Load(values[Biquad::kC0]);
  d0_ = v4::Load(values[Biquad::kD0]);
  s0_ = v4::Load(values[7]);
  s1_ = v4::Load(values[8]);
  return true;
}

void AudioFilterLanes::Store() {
  alignas(16) float s0[kLanes], s1[kLanes];
  v4::Store(s0, s0_);
  v4::Store(s1, s1_);
  for (int l = 0; l < count_; ++l) {
    float* state = filters_[l]->MutableSection().MutableState();
    state[0] = s0[l];
    state[1] = s1[l];
  }
}
