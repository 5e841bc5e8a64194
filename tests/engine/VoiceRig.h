#pragma once
// One voice in its render slot, run as the part engine runs it: 48 kHz, 128-frame blocks,
// events posted into the slot's ring, then per block ProcessEvents, Render, SmoothControls.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/WaveTable.h"
#include "engine/SynthVoice.h"
#include "engine/VoiceSlot.h"
#include "numeric/FftProcessor.h"
#include "numeric/MathTables.h"
#include "platform/Denormals.h"

namespace voice_test {

constexpr int32_t kFrames = 128;
constexpr int32_t kRate = 48000;

// A wavetable of 256 analysed variants crossfading from a sine to a bright sawtooth-like
// cycle, built once for the binary.
inline WaveTable& SharedWavetable() {
  static WaveTable* table = [] {
    auto* t = new WaveTable();
    std::vector<float> frames(2 * WaveTable::kSize);
    for (int32_t n = 0; n < WaveTable::kSize; ++n) {
      const double ph = 2.0 * 3.14159265358979 * n / WaveTable::kSize;
      frames[static_cast<std::size_t>(n)] = static_cast<float>(std::sin(ph));
      double bright = 0.0;
      for (int32_t j = 1; j <= 40; ++j) bright += std::sin(j * ph) / j;
      frames[static_cast<std::size_t>(WaveTable::kSize + n)] = static_cast<float>(0.5 * bright);
    }
    t->FillVariants(2, frames.data());
    for (int32_t v = 0; v < WaveTable::kVariants; ++v) t->AnalyseVariant(v);
    return t;
  }();
  return *table;
}

struct VoiceRig {
  explicit VoiceRig(int32_t index = 0) : buffers(kFrames), slot(index) {
    initMathTables();
    fft.InitForward(256);
    fft.InitInverse(256);
    voice = std::make_unique<SynthVoice>(index, &controllers, &buffers);
    voice->SetBlockSize(kFrames);
    voice->SetSampleRate(kRate);
    voice->InitRouting();
    bank.voices[index] = voice.get();
    bank.part = 1;
    slot.SetOutputs(left.data(), right.data());
  }

  // Parameter changes as the engine sends them (no smoothing), applied at once.
  void Param(int32_t number, int32_t instance, float value) {
    voice->SetParam(false, instance, number, value);
    voice->ApplyParams();
  }
  void Route(int32_t slotIndex, int32_t source, int32_t destination, float amount = 1.0f,
             int32_t mode = ModulationMatrix::kUnipolar) {
    ASSERT_EQ(voice->SetRoute(slotIndex, source, destination, amount, mode), 0);
    voice->ApplyParams();
  }
  bool Start(int32_t note, float velocity, float offset = 0.0f) {
    return slot.PostEvent({VoiceSlot::kStart, &bank, static_cast<uint8_t>(note), velocity, offset});
  }
  bool ReleaseNote() { return slot.PostEvent({VoiceSlot::kRelease, nullptr, 0, 0.0f, 0.0f}); }

  void Block() {
    slot.ProcessEvents(fft);
    slot.Render();
    voice->SmoothControls();
  }
  // Renders `blocks` blocks and appends the left output.
  void Run(int32_t blocks, std::vector<float>* out = nullptr) {
    for (int32_t b = 0; b < blocks; ++b) {
      Block();
      if (out) out->insert(out->end(), left.begin(), left.end());
    }
  }
  float BlockPeak() const {
    float p = 0.0f;
    for (int32_t i = 0; i < kFrames; ++i) p = std::fmax(p, std::fmax(std::fabs(left[i]), std::fabs(right[i])));
    return p;
  }

  // A plain sounding patch: oscillator 1 an algorithmic sine at full level into channel A,
  // filter A bypassed, oscillator 2 off, ENV1 -> VCA1.ENV.
  void SineThroughEnv1() {
    Param(16, 0, SynthVoice::kAlgorithmic);
    Param(536, 0, 1);  // "VA Sweep": a sine at shape 0
    Param(17, 0, 100);
    Param(16, 1, 3);
    Param(773, 0, 0);
    Param(771, 0, 100);
    Route(0, SynthVoice::kSrcEnv1, SynthVoice::kDstVca1Env);
  }
  // ENV1 as an ADSR with gentle curves: attack, decay and release in seconds, sustain 0..100.
  void Env1(float attack, float decay, float sustain, float release) {
    Param(1024, 0, 50);
    Param(1025, 0, 50);
    Param(1026, 0, attack);
    Param(1027, 0, decay);
    Param(1028, 0, sustain);
    Param(1029, 0, release);
  }

  platform::ScopedFlushToZero ftz;
  VoiceControllers controllers;
  VoiceBuffers buffers;
  std::unique_ptr<SynthVoice> voice;
  BankVoices bank;
  VoiceSlot slot;
  FftProcessor fft;
  std::array<float, kFrames> left{};
  std::array<float, kFrames> right{};
};

}  // namespace voice_test
