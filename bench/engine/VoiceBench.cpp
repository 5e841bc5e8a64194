#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench/BenchPeriod.h"
#include "bench/engine/EnginePatches.h"
#include "data/WaveTable.h"
#include "engine/SynthVoice.h"
#include "engine/VoiceSlot.h"
#include "numeric/FftProcessor.h"
#include "numeric/MathTables.h"
#include "platform/Denormals.h"

namespace {

constexpr int32_t kFrames = 128;
constexpr int32_t kRate = 48000;
constexpr double kDeadlineSeconds = 2200e-6;
constexpr int kVoicesPerThread = 8;

using engine_patches::Wavetable;

// One voice in its slot, driven block by block as an engine thread drives it.
struct Rig {
  Rig() : buffers(kFrames), slot(0) {
    initMathTables();
    fft.InitForward(256);
    fft.InitInverse(256);
    voice = std::make_unique<SynthVoice>(0, &controllers, &buffers);
    voice->SetBlockSize(kFrames);
    voice->SetSampleRate(kRate);
    voice->InitRouting();
    bank.voices[0] = voice.get();
    slot.SetOutputs(left.data(), right.data());
  }
  void Param(int32_t number, int32_t instance, float value) { voice->SetParam(false, instance, number, value); }
  void Route(int32_t s, int32_t source, int32_t destination, float amount, int32_t mode) {
    voice->SetRoute(s, source, destination, amount, mode);
  }
  void Start(int note) { slot.PostEvent({VoiceSlot::kStart, &bank, static_cast<uint8_t>(note), 0.9f, 0.0f}); }

  VoiceControllers controllers;
  VoiceBuffers buffers;
  std::unique_ptr<SynthVoice> voice;
  BankVoices bank;
  VoiceSlot slot;
  FftProcessor fft;
  std::vector<float> left = std::vector<float>(kFrames);
  std::vector<float> right = std::vector<float>(kFrames);
};

// The whole of one voice's block.
void RunVoiceBlock(Rig& rig) {
  rig.slot.ProcessEvents(rig.fft);
  rig.slot.Render();
  rig.voice->SmoothControls();
}

// The timed blocks only, kept out of line so that callgrind can count them alone
// (--toggle-collect='*TimedVoiceBlock*'), without the set-up blocks.
__attribute__((noinline)) void TimedVoiceBlock(Rig& rig) { RunVoiceBlock(rig); }

void Envelopes(Rig& r) {
  for (int e = 0; e < 4; ++e) {
    r.Param(1024, e, 40);
    r.Param(1025, e, 40);
    r.Param(1026, e, 0.01f);
    r.Param(1027, e, 0.3f);
    r.Param(1028, e, 60);
    r.Param(1029, e, 0.3f);
  }
}

// One algorithmic oscillator, no unison, filters bypassed, four routes.
void LightPatch(Rig& r) {
  Envelopes(r);
  r.Param(16, 0, SynthVoice::kAlgorithmic);
  r.Param(536, 0, 0);
  r.Param(17, 0, 100);
  r.Param(16, 1, 3);
  r.Param(773, 0, 0);
  r.Param(773, 1, 0);
  r.Param(771, 0, 100);
  r.Route(0, SynthVoice::kSrcEnv1, SynthVoice::kDstVca1Env, 1.0f, 1);
  r.Route(1, SynthVoice::kSrcEnv2, SynthVoice::kDstVcfAEnv, 0.5f, 1);
  r.Route(2, SynthVoice::kSrcLfo1, SynthVoice::kDstVcfAMod, 0.1f, 2);
  r.Route(3, SynthVoice::kSrcMacro1, SynthVoice::kDstOsc1Shape, 0.2f, 2);
}

// Two wavetable oscillators with four-voice unison, harmonic scan morph and bend (or a
// resonator in the second slot), a four-pole ladder and a state-variable filter, the shaper
// on channel A, and all 24 routes.
void HeavyPatch(Rig& r, bool resonator) {
  Envelopes(r);
  for (int o = 0; o < 2; ++o) {
    r.voice->AttachWavetable(o, &Wavetable());
    r.Param(16, o, SynthVoice::kWavetable);
    r.Param(516, o, 3);
    r.Param(520, o, 6);
    r.Param(522, o, 40);
    r.Param(526, o, 30);
    r.Param(519, o, 100);
    r.Param(517, o, 50);
    r.Param(17, o, 90);
  }
  if (resonator) {
    r.Param(16, 1, SynthVoice::kResonator);
    r.Param(553, 1, 0.002f);
    r.Param(554, 1, 0.5f);
  }
  r.Param(18, 1, 1);
  r.Param(773, 0, 3);
  r.Param(773, 1, 7);
  r.Param(771, 0, 80);
  r.Param(771, 1, 80);
  r.Param(1538, 0, 3);
  r.Param(1539, 0, 3);
  r.Param(1537, 0, 50);
  const auto& routes = engine_patches::kHeavyRoutes;
  for (int s = 0; s < 24; ++s) r.Route(s, routes[s][0], routes[s][1], 0.3f, routes[s][2]);
}

enum Patch { kLight = 0, kHeavy = 1, kHeavyResonator = 2 };

// One voice block per iteration: events, table builds, render and control smoothing. Arg 1
// is 0 for a sounding voice and 1 for a bound voice whose note has finished, which the
// engine keeps rendering.
void BM_VoiceBlock(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  Rig rig;
  const auto patch = static_cast<Patch>(state.range(0));
  if (patch == kLight) LightPatch(rig);
  else HeavyPatch(rig, patch == kHeavyResonator);
  rig.Start(57);
  for (int b = 0; b < 40; ++b) RunVoiceBlock(rig);
  if (state.range(1) == 1) {
    rig.slot.PostEvent({VoiceSlot::kRelease, nullptr, 0, 0.0f, 0.0f});
    for (int b = 0; b < 1000 && !rig.slot.IsFinished(); ++b) RunVoiceBlock(rig);
  }
  int32_t blocks = 0;
  for (auto _ : state) {
    TimedVoiceBlock(rig);
    benchmark::DoNotOptimize(rig.left.data());
    // A new note now and then keeps the oscillators' restarts and the envelopes moving.
    if (state.range(1) == 0 && ++blocks == 375) {
      blocks = 0;
      rig.Start(57);
    }
  }
  bench::ReportPeriodShare(state);
  // Percent of one engine thread's 2200 us render deadline that eight such voices take (the
  // library prints an inverted rate with an "s" after it).
  state.counters["deadline_pct_8_voices"] = benchmark::Counter(
      kDeadlineSeconds / kVoicesPerThread / 100.0,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_VoiceBlock)
    ->ArgNames({"patch", "finished"})
    ->Args({kLight, 0})
    ->Args({kHeavy, 0})
    ->Args({kHeavyResonator, 0})
    ->Args({kLight, 1})
    ->Args({kHeavy, 1});

}  // namespace
