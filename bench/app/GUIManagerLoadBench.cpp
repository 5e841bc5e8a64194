// How long a preset load holds its caller in LoadEngine when the preset carries a
// multi-sample: the whole data set into the shadow bank plus decoding the sample.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/GUIManager.h"
#include "audio/CAudioProcess.h"
#include "bench/BenchPeriod.h"
#include "data/CDataSets.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/StandardPages.h"
#include "platform/LogSink.h"
#include "platform/MemoryFrameBuffer.h"
#include "tests/app/LoadFixtures.h"
#include "toolkit/uxDC.h"

namespace {

class QuietEngine : public IAudioProcess {
 public:
  void init(tagPluginAttr, EngineLogFn) override {}
};

void LoadEngineWithMultiSample(benchmark::State& state) {
  platform::SetLogSink([](const char*, void*) {}, nullptr);
  SoundObjectFactory objects;
  objects.makeEngine = [](EngineSwapFn, void*) -> IAudioProcess* { return new QuietEngine(); };
  CAudioProcess audio(objects);
  InitAudioProcess(&audio, nullptr);
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  dc.Init();
  FakeRawMidiBackend midi;
  GUIManager gm(&dc, midi, &StandardPages());
  gm.SetAudioProcess(&audio);

  const int items = static_cast<int>(state.range(0));
  const std::vector<uint8_t> image = app_fixtures::MultiImage(items, 48000);
  EmbeddedData* sample = gm.DataSet(0)->Embedded(3);
  sample->name = "multi";
  sample->encoding = "MSWF";
  for (auto _ : state) {
    state.PauseTiming();
    sample->data = image;  // a fresh preset load brings the bytes each time
    state.ResumeTiming();
    benchmark::DoNotOptimize(gm.LoadEngine(0));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(image.size()));
  bench::ReportPeriodShare(state);
  audio.Stop();
  platform::SetLogSink(nullptr, nullptr);
}
// Items of one second each.
BENCHMARK(LoadEngineWithMultiSample)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
