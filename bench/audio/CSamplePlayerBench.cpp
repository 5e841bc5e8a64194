// The drum player's period with all sixteen pads sounding at different pitches and every
// side-chain send on, and the same with every pad inside its end fade (the dearest block).
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/CSamplePlayer.h"
#include "bench/BenchPeriod.h"
#include "data/SampleFile.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

uint32_t PadUid(int pad, uint32_t param) { return 0x40000u | (static_cast<uint32_t>(pad) << 12) | param; }

// Every pad on the sample at different pans with its side-chain send on, and one more
// parameter set per pad.
template <typename Value>
void SetUpPads(CSamplePlayer& player, SampleFile& sample, uint32_t param, Value value) {
  player.init({2, kFrames, 48000}, nullptr);
  for (int p = 0; p < CSamplePlayer::kPads; ++p) {
    player.SetPadSample(0, 4, PadUid(p, 0), &sample);
    player.SetParam(1, 4, PadUid(p, CSamplePlayer::kParamLevel), 80.0f);
    player.SetParam(1, 4, PadUid(p, CSamplePlayer::kParamPan), static_cast<float>(p * 12 - 90));
    player.SetParam(1, 4, PadUid(p, CSamplePlayer::kParamSideChainLevel), 25.0f);
    player.SetParam(1, 4, PadUid(p, param), value(p));
  }
}

// The counted periods, all pads triggered again every retriggerEvery periods.
void RunPeriods(benchmark::State& state, CSamplePlayer& player, int retriggerEvery) {
  float buffers[CSamplePlayer::kOutputs][kFrames];
  float* out[CSamplePlayer::kOutputs] = {buffers[0], buffers[1], buffers[2], buffers[3]};
  int period = 0;
  for (auto _ : state) {
    if (period++ % retriggerEvery == 0)
      for (int p = 0; p < CSamplePlayer::kPads; ++p) player.Trigger(p, 0.8f);
    bench::CountedRegion([&] { player.Process(nullptr, out); });
    benchmark::DoNotOptimize(buffers);
  }
  bench::ReportPeriodShare(state);
}

void BM_SamplePlayer_16Pads(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  SampleFile sample;
  if (!sample.Load("/usr/share/sounds/alsa/Front_Center.wav")) {
    state.SkipWithError("Front_Center.wav (alsa-utils) not found");
    return;
  }
  CSamplePlayer player;
  SetUpPads(player, sample, CSamplePlayer::kParamPitch, [](int p) { return static_cast<float>(p * 12 - 90); });
  // Retrigger now and then so no pad runs out, the fastest one included.
  RunPeriods(state, player, 64);
}
BENCHMARK(BM_SamplePlayer_16Pads);

// Every pad inside its end fade in every period (a short sample faded over its whole length),
// the blocks where the fade level is worked out frame by frame.
void BM_SamplePlayer_16PadsFading(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  SampleFile sample;
  sample.Samples().assign(1, std::vector<float>(6 * kFrames, 0.5f));
  sample.SetSampleRate(48000);
  CSamplePlayer player;
  SetUpPads(player, sample, CSamplePlayer::kParamFadeOut, [](int) { return 100.0f; });  // longer than the sample
  // Retriggered before each note's last block, so every period reads a full block of fade.
  RunPeriods(state, player, 5);
}
BENCHMARK(BM_SamplePlayer_16PadsFading);

}  // namespace
