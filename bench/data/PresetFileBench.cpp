// Off the real-time threads, on the preset load and store path: a part's whole sound with a
// 10 MB embedded sample, written (Base64 encode and the piecewise write, without the pauses
// that spare the card) and read back (tokenise, decode, copy into the data set).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "bench/BenchPeriod.h"
#include "data/CDataSets.h"
#include "data/XmlWriter.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {

class NoPauseOps : public XmlWriterFileOps {
 public:
  void Pause(unsigned) override {}
};

// A data root of its own, a sound with a 10 MB sample, and the log kept quiet.
class PresetBench {
 public:
  PresetBench() {
    char templ[] = "/tmp/preset_bench_XXXXXX";
    if (mkdtemp(templ)) root_ = templ;
    std::filesystem::create_directories(root_ + "/var/lib/ruv/working/presets");
    platform::SetDataRoot(root_);
    platform::SetLogSink([](const char*, void*) {}, nullptr);
    unsigned seed = 1;
    EmbeddedData* wave = ds.Embedded(3);
    wave->name = "Bench Sample";
    wave->encoding = "RIFF";
    wave->data.resize(10u << 20);
    for (uint8_t& b : wave->data) b = static_cast<uint8_t>(bench::NextNoise(seed) * 127.0f);
    ds.SetWriterFileOps(ops_);
  }
  ~PresetBench() {
    platform::SetLogSink(nullptr, nullptr);
    platform::SetDataRoot("");
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  CDataSets ds;

 private:
  std::string root_;
  NoPauseOps ops_;
};

void BM_StorePresetWith10MBSample(benchmark::State& state) {
  PresetBench b;
  for (auto _ : state) benchmark::DoNotOptimize(b.ds.XMLStorePreset("bench"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (10 << 20));
  bench::ReportPeriodShare(state, 1.0);
}
BENCHMARK(BM_StorePresetWith10MBSample)->Unit(benchmark::kMillisecond);

void BM_LoadPresetWith10MBSample(benchmark::State& state) {
  PresetBench b;
  if (b.ds.XMLStorePreset("bench") != 1) {
    state.SkipWithError("cannot store the preset");
    return;
  }
  CDataSets loader;
  for (auto _ : state) benchmark::DoNotOptimize(loader.XMLLoadPreset("bench"));
  if (loader.Embedded(3)->data != b.ds.Embedded(3)->data) state.SkipWithError("sample did not come back");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (10 << 20));
  bench::ReportPeriodShare(state, 1.0);
}
BENCHMARK(BM_LoadPresetWith10MBSample)->Unit(benchmark::kMillisecond);

}  // namespace
