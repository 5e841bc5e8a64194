#include "audio/DelayAPF.h"

bool DelayAPF::Reset(float sampleRate) {
  line_.Reset(sampleRate);
  lfo_.Reset(sampleRate);
  restingDelay_ = -1.0f;
  lowPassState_ = 0.0f;
  return true;
}

bool DelayAPF::CanProcessFrame() { return false; }

void DelayAPF::SetParameters(const DelayApfParams& p) {
  params_ = p;
  g_ = p.g;
  lowPassEnable_ = p.lowPassEnable != 0;
  lowPassG_ = p.lowPassG;
  line_.SetInterpolate(p.interpolate != 0);
  lfoEnable_ = p.lfoEnable != 0;
  lfoDepth_ = p.lfoDepth;
  maxModulationMs_ = p.maxModulationMs;
  line_.SetDelayMs(p.delayMs);
  restingDelay_ = -1.0f;
}
