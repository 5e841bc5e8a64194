#include "pages/widgets/WaveStack.h"

#include <cmath>

namespace widgets {

float BendCurve(float c, float b) {
  if (b > 0.0f) return std::pow(c, 1.0f / (1.02f - b));
  if (b < 0.0f) return 1.0f - std::pow(1.0f - c, 1.0f / (b + 1.02f));
  return c;
}

const float* WaveSamples(const WaveTable* table, int index, int* count) {
  *count = 0;
  if (!table || index < 0 || index >= WaveTable::kVariants) return nullptr;
  const WaveVariant& v = table->Variant(index);
  if (!v.samples || v.sampleCount <= 0) return nullptr;
  *count = v.sampleCount;
  return v.samples;
}

}  // namespace widgets
