#pragma once
// Shared set-up for the spectral wavetable oscillator tests: an analysed wavetable whose
// variant m is (1 - m/256) x a unit sine + m/256 x a bright cycle of 60 harmonics, an
// oscillator wired as a voice wires it (48 kHz, 128-frame blocks, reset), its own
// 256-point FFT helper, and a block loop that builds before it renders.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/WaveTable.h"
#include "numeric/FftProcessor.h"
#include "engine/SpectralWaveOsc.h"
#include "platform/ArmConvert.h"
#include "platform/Denormals.h"

namespace wtosc_test {

constexpr int32_t kFrames = 128;
constexpr int32_t kRate = 48000;
constexpr float kTwo32 = 4294967296.0f;
constexpr double kPi = 3.14159265358979323846;

using Block = std::array<float, kFrames>;

struct Stereo {
  Block left{};
  Block right{};
};

// The two frames the variants crossfade between; analyse = false leaves them unanalysed.
inline std::unique_ptr<WaveTable> MakeTable(bool analyse) {
  auto table = std::make_unique<WaveTable>();
  std::vector<float> frames(2 * WaveTable::kSize);
  for (int32_t n = 0; n < WaveTable::kSize; ++n) {
    const double t = 2.0 * kPi * n / WaveTable::kSize;
    frames[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(t));
    double bright = 0.0;
    for (int32_t j = 1; j <= 60; ++j) bright += std::sin(j * t + 0.7 * j) / j;
    frames[static_cast<std::size_t>(WaveTable::kSize + n)] = static_cast<float>(bright);
  }
  table->FillVariants(2, frames.data());
  if (analyse) {
    for (int32_t v = 0; v < WaveTable::kVariants; ++v) table->AnalyseVariant(v);
  }
  return table;
}

// Built once: the analysis of 256 variants is the slow part.
inline const WaveTable& SharedTable() {
  static const std::unique_ptr<WaveTable> table = MakeTable(true);
  return *table;
}

// The table read the render makes at an unbent phase: the phase passes through a float.
inline float Read(const float* table, uint32_t raw) {
  const uint32_t bent = arm::ToUint32(static_cast<float>(raw) * (1.0f / kTwo32) * kTwo32);
  const uint32_t i = bent >> 24;
  const float frac = static_cast<float>(bent & 0xFFFFFFu) * (1.0f / 16777216.0f);
  return table[i] + (table[i + 1] - table[i]) * frac;
}

inline uint32_t Increment(float f) { return arm::ToUint32(f / static_cast<float>(kRate) * 1.0f * kTwo32); }

class SpectralWaveOscFixture : public ::testing::Test {
 protected:
  SpectralWaveOscFixture() {
    fft_.InitForward(SpectralWaveOsc::kTableLength);
    fft_.InitInverse(SpectralWaveOsc::kTableLength);
    Prepare(osc_);
  }

  static void Prepare(SpectralWaveOsc& osc, const WaveTable* table = &SharedTable()) {
    osc.SetSampleRate(kRate);
    osc.SetBlockSize(kFrames);
    osc.Reset();
    osc.SetWavetable(table);
  }

  // One block of the render slot: smoothing, table build, render.
  Stereo Block(SpectralWaveOsc& osc, float frequency, const float* pm = nullptr, const float* fm = nullptr,
               float fmAmount = 0.0f, const float* bm = nullptr, float bmAmount = 0.0f) {
    Stereo out;
    osc.SmoothControls();
    osc.BuildTable(fft_);
    osc.Render(out.left.data(), out.right.data(), fm, fmAmount, frequency, bmAmount, pm, bm);
    return out;
  }
  Stereo Block(float frequency) { return Block(osc_, frequency); }

  // Moves every smoothed control onto its target.
  static void Settle(SpectralWaveOsc& osc) {
    for (int i = 0; i < 3000; ++i) osc.SmoothControls();
  }

  platform::ScopedFlushToZero ftz_;
  FftProcessor fft_;
  SpectralWaveOsc osc_;
};

}  // namespace wtosc_test
