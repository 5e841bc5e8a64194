#include "engine/LinearRamp.h"

void LinearRamp::SetImmediate(float* t, float value) {
  if (!t) return;
  *t = value;
  target = t;
  goal = value;
  direction = 0;
}

void LinearRamp::SetTarget(float* t, float g, float range, float time) {
  if (!t) return;
  step = range / (time / tickPeriod);
  // A zero or negative time or range would leave the ramp stepping forever (or by NaN):
  // such a move arrives on the next tick instead.
  if (!(step > 0.0f)) step = __builtin_huge_valf();
  direction = *t < g ? 1 : (*t > g ? 2 : 0);
  target = t;
  goal = g;
}
