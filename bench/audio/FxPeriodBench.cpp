// The effects' share of one audio period for the whole instrument: four parts, each with
// every effect type switched on in its own slot (one instance per type and page allows nine
// per part), running on a noisy part signal with a drum side-chain. The argument is the
// number of effects switched on per part, to show how the cost scales.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>

#include "audio/CFXEngine.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

constexpr int kFrames = 128;
constexpr int kParts = 4;
constexpr uint32_t kType = 0xF0;
constexpr uint32_t kBypass = 0x00F;
constexpr int kWarmPeriods = 100;

struct PartBuffers {
  std::array<std::array<float, kFrames>, 4> in{};
  std::array<std::array<float, kFrames>, 4> out{};
  std::array<float*, 4> inPtr{};
  std::array<float*, 4> outPtr{};
};

void BM_FxPeriod_4Parts(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  platform::SetLogSink([](const char*, void*) {}, nullptr);
  const int active = static_cast<int>(state.range(0));
  std::array<std::unique_ptr<CFXEngine>, kParts> parts;
  std::array<PartBuffers, kParts> buffers;
  unsigned noise = 12345;
  for (int p = 0; p < kParts; ++p) {
    parts[p] = std::make_unique<CFXEngine>();
    parts[p]->init({3 + p, kFrames, 48000}, nullptr);
    int slot = 0;
    for (int type = 1; type <= 9 && slot < active; ++type) {
      parts[p]->SetParam(1, slot, kType, static_cast<float>(type));
      parts[p]->SetParam(1, slot, kBypass, 0.0f);
      ++slot;
    }
    PartBuffers& b = buffers[p];
    for (int i = 0; i < 4; ++i) {
      b.inPtr[i] = b.in[i].data();
      b.outPtr[i] = b.out[i].data();
      for (float& x : b.in[i]) {
        x = 0.25f * bench::NextNoise(noise);  // about -12 dBFS
      }
    }
  }
  platform::SetLogSink(nullptr, nullptr);
  // Past the switched-on effects' fade-in, so every counted period is a steady one.
  for (int warm = 0; warm < kWarmPeriods; ++warm)
    for (int p = 0; p < kParts; ++p) parts[p]->Process(buffers[p].inPtr.data(), buffers[p].outPtr.data());
  for (auto _ : state) {
    bench::CountedRegion([&] {
      for (int p = 0; p < kParts; ++p) parts[p]->Process(buffers[p].inPtr.data(), buffers[p].outPtr.data());
    });
    benchmark::DoNotOptimize(buffers[0].out[0][0]);
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_FxPeriod_4Parts)->Arg(0)->Arg(1)->Arg(3)->Arg(9);

// One part with one effect type at its page's defaults (type 0: the part's chain with no
// effect, the base that scripts/perf subtracts).
void BM_FxPeriod_OneEffect(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  platform::SetLogSink([](const char*, void*) {}, nullptr);
  const int type = static_cast<int>(state.range(0));
  CFXEngine part;
  part.init({3, kFrames, 48000}, nullptr);
  if (type > 0) {
    part.SetParam(1, 0, kType, static_cast<float>(type));
    part.SetParam(1, 0, kBypass, 0.0f);
  }
  PartBuffers b;
  unsigned noise = 12345;
  for (int i = 0; i < 4; ++i) {
    b.inPtr[i] = b.in[i].data();
    b.outPtr[i] = b.out[i].data();
  }
  platform::SetLogSink(nullptr, nullptr);
  for (int warm = 0; warm < kWarmPeriods; ++warm) part.Process(b.inPtr.data(), b.outPtr.data());
  for (auto _ : state) {
    // A new noise period each time, so no effect settles on a repeated block.
    for (int i = 0; i < 4; ++i)
      for (float& x : b.in[i]) x = 0.25f * bench::NextNoise(noise);
    bench::CountedRegion([&] { part.Process(b.inPtr.data(), b.outPtr.data()); });
    benchmark::DoNotOptimize(b.out[0][0]);
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_FxPeriod_OneEffect)->ArgName("type")->DenseRange(0, 9);

}  // namespace
