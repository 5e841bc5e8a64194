#include "audio/SimpleLPF.h"

bool SimpleLPF::Reset(float /*sampleRate*/) {
  state_ = 0.0f;
  return true;
}

bool SimpleLPF::CanProcessFrame() { return false; }
