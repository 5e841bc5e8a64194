// Off the real-time threads, on the preset load and store path: Base64 throughput for the sample
// data a preset carries (10 MB of bytes), and the writer storing such a value without its pauses.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/Base64.h"
#include "data/XmlWriter.h"

namespace {

constexpr std::size_t kBytes = 10 * 1000 * 1000;

std::vector<uint8_t> SampleBytes() {
  std::vector<uint8_t> v(kBytes);
  uint32_t x = 12345;
  for (auto& b : v) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return v;
}

void Base64Encode(benchmark::State& state) {
  const auto bytes = SampleBytes();
  for (auto _ : state) {
    std::string text = Base64::Encode(bytes.data(), bytes.size(), static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}
BENCHMARK(Base64Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void Base64Decode(benchmark::State& state) {
  const auto bytes = SampleBytes();
  const std::string text = Base64::Encode(bytes.data(), bytes.size(), 1) + "\"";
  std::vector<uint8_t> out;
  for (auto _ : state) {
    out.clear();
    benchmark::DoNotOptimize(Base64::Decode(text.data(), text.size(), out, '"'));
  }
  // Rate in decoded bytes, comparable with the encoder's.
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}
BENCHMARK(Base64Decode)->Unit(benchmark::kMillisecond);

// Without the real pauses and syncs the figure is the writer's own cost.
class NoPauseOps : public XmlWriterFileOps {
 public:
  int Sync(int) override { return 0; }
  void Pause(unsigned) override {}
};

void XmlWriterLargeValue(benchmark::State& state) {
  const auto bytes = SampleBytes();
  const std::string text = Base64::Encode(bytes.data(), bytes.size(), 1);
  const std::string path = "/tmp/xmlwriter_bench_" + std::to_string(::getpid()) + ".preset";
  NoPauseOps ops;
  for (auto _ : state) {
    XmlWriter w(path, ops);
    w.BeginElement("Preset");
    w.AddAttribute("Data", "base64, " + text);
    w.BeginElement("WAVE");
    w.EndAll();
    benchmark::DoNotOptimize(w.Close());
  }
  ::unlink(path.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(XmlWriterLargeValue)->Unit(benchmark::kMillisecond);

}  // namespace
