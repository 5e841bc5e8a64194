#include "audio/DelayAPF.h"

bool DelayAPF::Reset(float sampleRate) {
  line_.Reset(sampleRate);
  lfo_.Reset(sampleRate);
  restingDelay_ = -1.0f;
  lowPassState_ = 0.0f;
  PlanBlocks();
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
  PlanBlocks();
}

void DelayAPF::PlanBlocks() {
  blockBack_ = 0u;
  const bool standing = !lfoEnable_ || lfo_.Increment() == 0.0f;
  if (!standing || lowPassEnable_ || line_.Interpolates() || line_.DelaySamples() == 0.0f) return;
  const float delay = ReadDelay();
  if (delay >= 3.0f) blockBack_ = static_cast<uint32_t>(delay) + 1u;
}
