#pragma once
// Stereo test signals and a runner that feeds them through an effect in place, period by
// period, as the effects engine does.
#include <algorithm>
#include <vector>

#include "audio/CEffectBase.h"

namespace stereo_run {

constexpr int kPeriod = 128;

struct Stereo {
  std::vector<float> l;
  std::vector<float> r;
};

inline Stereo Silence(int n) { return {std::vector<float>(n, 0.0f), std::vector<float>(n, 0.0f)}; }

// The side-chain buffers stay silent.
inline Stereo Play(CEffectBase& fx, Stereo s, float level = 1.0f) {
  const int n = static_cast<int>(s.l.size());
  std::vector<float> scL(kPeriod, 0.0f), scR(kPeriod, 0.0f);
  for (int i = 0; i < n; i += kPeriod) {
    float* bufs[4] = {s.l.data() + i, s.r.data() + i, scL.data(), scR.data()};
    fx.Process(bufs, bufs, std::min(kPeriod, n - i), level);
  }
  return s;
}

}  // namespace stereo_run
