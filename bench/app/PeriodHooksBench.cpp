// The application's share of every audio period: the cycle tick (MIDI LED, transport clock,
// the clip launcher's tick with the default clip set running, beat pulse and save delays),
// and the whole period hook (pedal, the audio process's period over empty sound objects and
// the oscilloscope capture).
#include <benchmark/benchmark.h>

#include "app/GUIManager.h"
#include "audio/CAudioProcess.h"
#include "bench/BenchPeriod.h"
#include "midi/CClipCore.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/StandardPages.h"
#include "platform/LogSink.h"
#include "platform/MemoryFrameBuffer.h"
#include "toolkit/uxDC.h"

namespace {

struct QuietPedal : PedalPort {
  float ReadPedal() override { return 0.25f; }
  int ReadSwitch() override { return 0; }
  void SetLed(int, int) override {}
};

struct Rig {
  Rig() {
    platform::SetLogSink([](const char*, void*) {}, nullptr);
    dc.Init();
    gui = std::make_unique<GUIManager>(&dc, midi, &StandardPages());
    gui->SetAudioProcess(&audio);
    gui->SetPedalPort(&pedal);
    gui->ClipLauncher()->Master().running.store(1);
  }
  ~Rig() {
    audio.Stop();
    platform::SetLogSink(nullptr, nullptr);
  }
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
  FakeRawMidiBackend midi;
  CAudioProcess audio{SoundObjectFactory{}};
  QuietPedal pedal;
  std::unique_ptr<GUIManager> gui;
};

void BM_AudioCycleTick_TransportAndClips(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) rig.gui->AudioCycleTick();
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_AudioCycleTick_TransportAndClips);

// The application's own work of a period apart from the audio process's mix: the cycle tick
// and both scope channels capturing a sounding signal without pause.
void BM_PeriodHook_ApplicationPart(benchmark::State& state) {
  Rig rig;
  float signal[2][CAudioProcess::kFrames];
  unsigned seed = 1;
  for (auto& channel : signal)
    for (float& s : channel) s = bench::NextNoise(seed);
  OutputCapture& capture = rig.gui->Capture();
  for (auto _ : state) {
    rig.gui->AudioCycleTick();
    for (int c = 0; c < 2; ++c) {
      capture.channel[c].Feed(signal[c], CAudioProcess::kFrames);
      if (capture.channel[c].GetState() == ScopeChannel::kFull) capture.channel[c].Reset();
    }
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_PeriodHook_ApplicationPart);

// Includes the audio process's period with its engine-thread barrier, which dominates.
void BM_PeriodHook_WholeChainOverEmptySoundObjects(benchmark::State& state) {
  Rig rig;
  InitAudioProcess(&rig.audio, nullptr);
  rig.gui->InstallAudioHooks();
  for (auto _ : state) {
    rig.audio.RunPeriodHook();
    // Keep the scope capturing, as while the display is open.
    if (rig.gui->Capture().channel[0].GetState() == ScopeChannel::kFull) rig.gui->Capture().channel[0].Reset();
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_PeriodHook_WholeChainOverEmptySoundObjects);

}  // namespace
