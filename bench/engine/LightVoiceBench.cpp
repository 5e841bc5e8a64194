// The light voice the instruction budget is set for: two algorithmic oscillators (saw, and
// a square a few cents above it) into one four-pole stereo ladder with its cutoff moved every
// block, two envelopes, one LFO and five routes; sixteen such voices all sounding, one
// 128-frame period per iteration. scripts/perf divides its count by 16 x 128 voice-samples.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "bench/BenchPeriod.h"
#include "engine/SynthVoice.h"
#include "engine/VoiceSlot.h"
#include "numeric/FftProcessor.h"
#include "numeric/MathTables.h"
#include "platform/Denormals.h"

namespace {

constexpr int32_t kFrames = 128;
constexpr int32_t kRate = 48000;
constexpr int kVoices = 16;
constexpr int32_t kBypass = 0;
constexpr int32_t kMgLadder24 = 3;
constexpr int32_t kJustSaw = 0;
constexpr int32_t kPwm = 4;

struct LightVoice {
  LightVoice() : buffers(kFrames), slot(0) {
    voice = std::make_unique<SynthVoice>(0, &controllers, &buffers);
    voice->SetBlockSize(kFrames);
    voice->SetSampleRate(kRate);
    voice->InitRouting();
    bank.voices[0] = voice.get();
    slot.SetOutputs(left.data(), right.data());

    using V = SynthVoice;
    for (int e = 0; e < 2; ++e) {
      Param(1024, e, 40);
      Param(1025, e, 40);
      Param(1026, e, 0.01f);
      Param(1027, e, 0.3f);
      Param(1028, e, 60);
      Param(1029, e, 0.3f);
    }
    for (int o = 0; o < 2; ++o) {
      Param(16, o, V::kAlgorithmic);
      Param(17, o, 90);
    }
    Param(536, 0, kJustSaw);
    Param(536, 1, kPwm);
    Param(535, 1, 128);  // half way: a square
    Param(529, 1, 7);    // cents above the saw
    Param(18, 1, 0);             // both oscillators into filter A
    Param(773, 0, kMgLadder24);
    Param(773, 1, kBypass);
    Param(770, 0, 30);
    Param(771, 0, 100);
    Param(1281, 0, 4.0f);
    voice->SetRoute(0, V::kSrcEnv1, V::kDstVca1Env, 1.0f, 1);
    voice->SetRoute(1, V::kSrcEnv1, V::kDstVca2Env, 1.0f, 1);
    voice->SetRoute(2, V::kSrcEnv2, V::kDstVcfAEnv, 0.5f, 1);
    voice->SetRoute(3, V::kSrcLfo1, V::kDstVcfAMod, 0.1f, 2);
    voice->SetRoute(4, V::kSrcLfo1, V::kDstOsc1Pm, 0.05f, 2);
  }
  void Param(int32_t number, int32_t instance, float value) { voice->SetParam(false, instance, number, value); }
  void Start(int note) { slot.PostEvent({VoiceSlot::kStart, &bank, static_cast<uint8_t>(note), 0.9f, 0.0f}); }
  void Block(FftProcessor& fft, float cutoff) {
    Param(768, 0, cutoff);
    slot.ProcessEvents(fft);
    slot.Render();
    voice->SmoothControls();
  }

  VoiceControllers controllers;
  VoiceBuffers buffers;
  std::unique_ptr<SynthVoice> voice;
  BankVoices bank;
  VoiceSlot slot;
  std::vector<float> left = std::vector<float>(kFrames);
  std::vector<float> right = std::vector<float>(kFrames);
};

// With `bent`, every voice is bent two octaves up (440 Hz and above) with a slow vibrato that
// moves the pitch every period, as a bend or glide does.
void RunLightVoices16(benchmark::State& state, bool bent) {
  platform::ScopedFlushToZero ftz;
  initMathTables();
  FftProcessor fft;
  fft.InitForward(256);
  fft.InitInverse(256);
  std::array<std::unique_ptr<LightVoice>, kVoices> voices;
  for (int v = 0; v < kVoices; ++v) {
    voices[v] = std::make_unique<LightVoice>();
    voices[v]->Start(45 + v);
  }
  int32_t block = 0;
  auto period = [&] {
    const float cutoff = 1200.0f + 800.0f * std::sin(0.05f * static_cast<float>(block));
    if (bent) {
      const float octaves = 2.0f + 0.02f * std::sin(0.1f * static_cast<float>(block));
      for (auto& v : voices) v->voice->SetBend(octaves);
    }
    for (auto& v : voices) v->Block(fft, cutoff);
  };
  // About a second, so the controls the patch set glide to rest (the second oscillator's
  // shape: its table is rebuilt every period while it moves).
  for (int b = 0; b < 400; ++b, ++block) period();
  for (auto _ : state) {
    bench::CountedRegion(period);
    benchmark::DoNotOptimize(voices[0]->left.data());
    // New notes now and then keep the restarts and the attacks in the mix.
    if (++block % 375 == 0)
      for (int v = 0; v < kVoices; ++v) voices[v]->Start(45 + v);
  }
  bench::ReportPeriodShare(state);
}

void BM_LightVoices16(benchmark::State& state) { RunLightVoices16(state, false); }
void BM_LightVoices16Bent(benchmark::State& state) { RunLightVoices16(state, true); }
BENCHMARK(BM_LightVoices16);
BENCHMARK(BM_LightVoices16Bent);

}  // namespace
