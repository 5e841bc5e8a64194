#pragma once
// The four buffers the effects engine hands an effect (part L/R, side-chain L/R), run
// through it in place one 128-frame block per call, and the noise the effect tests feed.
#include <gtest/gtest.h>

#include <vector>

#include "audio/CEffectBase.h"

namespace effect_buffers {

constexpr int kBlock = 128;

// NEON flushes subnormal results whatever the thread's mode; a scalar reference keeps them
// without it, so lanes and reference only agree in the mode, where the real-time threads run.
#if defined(__ARM_NEON) || defined(__ARM_NEON__)
constexpr bool kLanesAlwaysFlush = true;
#else
constexpr bool kLanesAlwaysFlush = false;
#endif

struct Buffers {
  explicit Buffers(int n) : data(4, std::vector<float>(n, 0.0f)) {}
  std::vector<std::vector<float>> data;
};

// The length of the buffers is a whole number of blocks.
inline void RunBlocks(CEffectBase& fx, Buffers& b, float level = 1.0f) {
  const int n = static_cast<int>(b.data[0].size());
  for (int i = 0; i < n; i += kBlock) {
    float* p[4] = {b.data[0].data() + i, b.data[1].data() + i, b.data[2].data() + i, b.data[3].data() + i};
    fx.Process(p, p, kBlock, level);
  }
}

// White noise in [-0.5, 0.5) from a fixed linear congruential sequence.
inline std::vector<float> Noise(int n, unsigned seed) {
  std::vector<float> x(n);
  for (float& v : x) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
  }
  return x;
}

// Feeds the same noise to two effects and expects identical part outputs, e.g. an effect
// that was sent ignored parameters against an untouched one.
inline void ExpectSameOutput(CEffectBase& ref, CEffectBase& fx, int n, unsigned seed) {
  Buffers a(n), b(n);
  a.data[0] = b.data[0] = Noise(n, seed);
  a.data[1] = b.data[1] = Noise(n, seed + 1);
  RunBlocks(ref, a);
  RunBlocks(fx, b);
  EXPECT_EQ(a.data[0], b.data[0]);
  EXPECT_EQ(a.data[1], b.data[1]);
}

// Feeds the same stereo noise, period by period, through an effect's vectorised Process and its
// scalar ProcessReference, and expects outputs within `tolerance` (0: identical).
template <typename Effect>
void ExpectLanesMatchReference(Effect& lanes, Effect& reference, int frames, float level, float amplitude,
                               int periods, unsigned seed, float tolerance) {
  std::vector<float> in[2], outLanes[2], outRef[2];
  for (int ch = 0; ch < 2; ++ch) {
    in[ch].resize(frames);
    outLanes[ch].resize(frames);
    outRef[ch].resize(frames);
  }
  for (int period = 0; period < periods; ++period) {
    for (int i = 0; i < frames; ++i) {
      for (int ch = 0; ch < 2; ++ch) {
        seed = seed * 1664525u + 1013904223u;
        in[ch][i] = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
      }
    }
    float* inPtr[4] = {in[0].data(), in[1].data(), in[0].data(), in[1].data()};
    float* lanesOut[4] = {outLanes[0].data(), outLanes[1].data(), nullptr, nullptr};
    float* refOut[4] = {outRef[0].data(), outRef[1].data(), nullptr, nullptr};
    lanes.Process(inPtr, lanesOut, frames, level);
    reference.ProcessReference(inPtr, refOut, frames, level);
    for (int ch = 0; ch < 2; ++ch)
      for (int i = 0; i < frames; ++i)
        ASSERT_NEAR(outLanes[ch][i], outRef[ch][i], tolerance)
            << "period " << period << " channel " << ch << " sample " << i;
  }
}

}  // namespace effect_buffers
