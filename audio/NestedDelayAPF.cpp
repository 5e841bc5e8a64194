#include "audio/NestedDelayAPF.h"

bool NestedDelayAPF::Reset(float sampleRate) {
  DelayAPF::Reset(sampleRate);
  inner_.Reset(sampleRate);
  return true;
}

void NestedDelayAPF::SetParameters(const NestedApfParams& p) {
  params_ = p;
  DelayApfParams outer;
  outer.delayMs = p.outerDelayMs;
  outer.g = p.outerG;
  outer.lfoEnable = p.lfoEnable;
  outer.lfoRateHz = p.lfoRateHz;
  outer.lfoDepth = p.lfoDepth;
  outer.maxModulationMs = p.maxModulationMs;
  DelayAPF::SetParameters(outer);
  DelayApfParams inner;
  inner.delayMs = p.innerDelayMs;
  inner.g = p.innerG;
  inner_.SetParameters(inner);
}
