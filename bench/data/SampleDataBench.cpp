// Off the real-time threads, but on the preset-load path: decode and encode throughput of
// the sample codec, the MSWF serialiser and the spectral analysis of a whole wavetable.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/BenchPeriod.h"
#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "data/WaveTable.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

void Discard(const char*, void*) {}

// Ten seconds of 48 kHz stereo at the given depth.
SampleFile TenSeconds(int bits) {
  SampleFile s;
  s.SetBitDepth(bits);
  s.SetSampleRate(48000);
  s.Resize(2, 480000);
  for (int c = 0; c < 2; ++c)
    for (int f = 0; f < 480000; ++f) s.Channel(c)[f] = static_cast<float>((f * (3 + c)) % 20000 - 10000) / 10001.0f;
  s.Loop().loopEnd = 480000;
  return s;
}

void BM_DecodeWave(benchmark::State& state) {
  platform::SetLogSink(&Discard, nullptr);
  const SampleFile source = TenSeconds(static_cast<int>(state.range(0)));
  std::vector<uint8_t> image;
  source.EncodeWave(image);
  platform::SetLogSink(nullptr, nullptr);
  for (auto _ : state) {
    SampleFile s;
    benchmark::DoNotOptimize(s.Decode(image.data(), image.size()));
    benchmark::DoNotOptimize(s.Channel(0));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(image.size()));
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_DecodeWave)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_EncodeWave(benchmark::State& state) {
  platform::SetLogSink(&Discard, nullptr);
  const SampleFile source = TenSeconds(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::vector<uint8_t> image;
    bytes = source.EncodeWave(image);
    benchmark::DoNotOptimize(image.data());
  }
  platform::SetLogSink(nullptr, nullptr);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_EncodeWave)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

// A set of 16 one-second stereo 24-bit items serialised into an "MSWF" container.
void BM_CreateStreamOf16Items(benchmark::State& state) {
  platform::SetLogSink(&Discard, nullptr);
  MultiWaveReader set;
  for (int i = 0; i < 16; ++i) {
    auto item = std::make_unique<SampleFile>();
    item->SetBitDepth(24);
    item->Resize(2, 48000);
    set.AddItem(std::move(item));
    set.Regions().push_back(MswfRegion{});
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::vector<uint8_t> out;
    bytes = set.CreateStream(out, 1);
    benchmark::DoNotOptimize(out.data());
  }
  platform::SetLogSink(nullptr, nullptr);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_CreateStreamOf16Items)->Unit(benchmark::kMillisecond);

// What a preset load with wavetable data costs on top of decoding: all 256 variants analysed.
void BM_AnalyseVariantTimes256(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  platform::SetLogSink(&Discard, nullptr);
  std::vector<int16_t> data(64 * WaveTable::kSize);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<int16_t>((i * 37) % 40000 - 20000);
  auto table = std::make_unique<WaveTable>();
  table->LoadNative(data.data(), data.size());
  platform::SetLogSink(nullptr, nullptr);
  for (auto _ : state)
    for (int v = 0; v < WaveTable::kVariants; ++v) table->AnalyseVariant(v);
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_AnalyseVariantTimes256)->Unit(benchmark::kMillisecond);

}  // namespace
