#include "engine/CVAOnePoleFilter.h"

void CVAOnePoleFilter::UpdateCoefficients() {
  if (!(cutoff_ > 0.0f)) {
    G_ = 0.0f;
    return;
  }
  if (cutoff_ >= 0.5f * sampleRate_) {
    G_ = 1.0f;
    return;
  }
  const float g = filt::PrewarpG(sampleRate_, cutoff_);
  // Rounding can push the tangent's argument just past pi/2 right below Nyquist.
  G_ = (g >= 0.0f && std::isfinite(g)) ? g / (1.0f + g) : 1.0f;
}
