#include "engine/Unison.h"

#include <cmath>

namespace unison {

void Frequencies(float f, float low, int32_t count, double octaves, float out[kMaxVoices]) {
  if (count <= 1) {
    out[0] = f;
    return;
  }
  const float e = static_cast<float>(std::pow(2.0, octaves / 2.0));
  switch (count) {
    case 2:
      out[0] = f / e;
      out[1] = low * e;
      break;
    case 3:
      out[0] = low;
      out[1] = f / e;
      out[2] = f * e;
      break;
    default: {
      const float d = static_cast<float>(std::pow(2.0, octaves / 6.0));
      out[0] = low / d;
      out[1] = f * d;
      out[2] = f / e;
      out[3] = low * e;
      break;
    }
  }
}

}  // namespace unison
