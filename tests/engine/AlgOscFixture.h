#pragma once
// Shared set-up for the algorithmic oscillator tests: an oscillator wired as a voice wires
// it (48 kHz, 128-frame blocks, reset), its own 256-point FFT helper, and a block loop
// that builds before it renders, as the render slot does.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "engine/AlgOsc.h"
#include "numeric/FftProcessor.h"
#include "platform/ArmConvert.h"
#include "platform/Denormals.h"

namespace algosc_test {

constexpr int32_t kFrames = 128;
constexpr int32_t kRate = 48000;
constexpr float kTwo32 = 4294967296.0f;

using Block = std::array<float, kFrames>;

struct Stereo {
  Block left{};
  Block right{};
};

// Linear interpolation between table points, as the plain render reads a phase.
inline float Interpolated(const float* table, uint32_t phase) {
  const uint32_t i = phase >> 24;
  const float frac = static_cast<float>(phase & 0xFFFFFFu) * (1.0f / 16777216.0f);
  return table[i] + (table[i + 1] - table[i]) * frac;
}

// The per-sample phase increment of a voice at f Hz without FM.
inline uint32_t Increment(float f) {
  const float base = f / static_cast<float>(kRate);
  return arm::ToUint32((base + base * 0.0f) * kTwo32);
}

class AlgOscFixture : public ::testing::Test {
 protected:
  AlgOscFixture() {
    fft_.InitForward(AlgOsc::kN);
    fft_.InitInverse(AlgOsc::kN);
    Prepare(osc_);
  }

  static void Prepare(AlgOsc& osc) {
    osc.SetSampleRate(kRate);
    osc.SetBlockSize(kFrames);
    osc.Reset();
  }

  // One block of the render slot: smoothing, table build, render.
  Stereo Block(AlgOsc& osc, float frequency, const float* pm = nullptr, const float* fm = nullptr,
               float fmAmount = 0.0f) {
    Stereo out;
    osc.SmoothControls();
    osc.BuildTable(fft_);
    osc.OscDetune(out.left.data(), out.right.data(), fm, fmAmount, frequency, pm);
    return out;
  }
  Stereo Block(float frequency, const float* pm = nullptr) { return Block(osc_, frequency, pm); }

  // Renders without building, so that a pending table stays as it is.
  Stereo RenderOnly(AlgOsc& osc, float frequency, const float* pm = nullptr) {
    Stereo out;
    osc.OscDetune(out.left.data(), out.right.data(), nullptr, 0.0f, frequency, pm);
    return out;
  }

  static void Settle(AlgOsc& osc) {
    for (int i = 0; i < 2000; ++i) osc.SmoothControls();
  }

  platform::ScopedFlushToZero ftz_;
  FftProcessor fft_;
  AlgOsc osc_;
};

}  // namespace algosc_test
