// Cost of the numeric core against the library functions it replaces, and of the FFTs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "NE10.h"
#include "bench/BenchPeriod.h"
#include "numeric/FftProcessor.h"
#include "numeric/MathTables.h"
#include "numeric/SplitRadixFft.h"
#include "platform/Denormals.h"

namespace {

constexpr int kBlock = 128;  // one period of calls

std::vector<double> Arguments(double lo, double hi) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> d(lo, hi);
  std::vector<double> v(kBlock);
  for (double& x : v) x = d(rng);
  return v;
}

template <typename Fn>
void RunBlock(benchmark::State& state, double lo, double hi, Fn fn) {
  platform::ScopedFlushToZero ftz;
  initMathTables();
  const std::vector<double> x = Arguments(lo, hi);
  for (auto _ : state) {
    float sum = 0.0f;
    for (double v : x) sum += fn(v);
    benchmark::DoNotOptimize(sum);
  }
  // One iteration is one call per frame of a period.
  bench::ReportPeriodShare(state, 1.0);
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_LookupExp(benchmark::State& s) { RunBlock(s, -20.0, 20.0, [](double v) { return lookupExp(v); }); }
void BM_StdExp(benchmark::State& s) {
  RunBlock(s, -20.0, 20.0, [](double v) { return static_cast<float>(std::exp(v)); });
}
void BM_LookupPow2(benchmark::State& s) { RunBlock(s, -20.0, 20.0, [](double v) { return lookupPow2(v); }); }
void BM_StdPow2(benchmark::State& s) {
  RunBlock(s, -20.0, 20.0, [](double v) { return static_cast<float>(std::pow(2.0, v)); });
}
BENCHMARK(BM_LookupExp);
BENCHMARK(BM_StdExp);
BENCHMARK(BM_LookupPow2);
BENCHMARK(BM_StdPow2);

// Four powers per call; one call per four frames of a period.
void BM_FastPow4(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  const v4::f4 a = v4::Set(0.3f, 1.7f, 2.5f, 0.9f);
  v4::f4 b = v4::Set(0.5f, -0.25f, 1.5f, 0.75f);
  const v4::f4 db = v4::Set1(1e-7f);
  for (auto _ : state) {
    v4::f4 r = fastPow4(a, b);
    benchmark::DoNotOptimize(r);
    b = v4::Add(b, db);
  }
  bench::ReportPeriodShare(state, 4.0 / kBlock);
}
void BM_Powf4(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  float a[4] = {0.3f, 1.7f, 2.5f, 0.9f};
  float b[4] = {0.5f, -0.25f, 1.5f, 0.75f};
  for (auto _ : state) {
    float r[4];
    for (int l = 0; l < 4; ++l) r[l] = powf(a[l], b[l]);
    benchmark::DoNotOptimize(r);
    for (float& x : b) x += 1e-7f;
  }
  bench::ReportPeriodShare(state, 4.0 / kBlock);
}
BENCHMARK(BM_FastPow4);
BENCHMARK(BM_Powf4);

// What an oscillator's band limiting costs: a 256-point forward and inverse.
void BM_FftProcessorRoundTrip256(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  FftProcessor fft;
  fft.InitForward(256);
  fft.InitInverse(256);
  std::vector<float> in(256), out(256);
  for (int i = 0; i < 256; ++i) in[i] = std::sin(0.1f * i) + 0.3f * std::sin(1.3f * i);
  std::vector<ne10_fft_cpx_float32_t> spectrum(256);
  for (auto _ : state) {
    fft.Forward(spectrum.data(), in.data());
    fft.Inverse(out.data(), spectrum.data());
    benchmark::DoNotOptimize(out.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_FftProcessorRoundTrip256);

// One complex transform of the FFT stand-in at the sizes its callers plan: 256 for the
// oscillators' tables (forward and inverse), 2048 for a wavetable's analysis when loaded.
// scripts/perf-style counts take the CountedRegion: instructions per transform.
void BM_Ne10Fft(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  const int n = static_cast<int>(state.range(0));
  const int inverse = static_cast<int>(state.range(1));
  ne10_fft_cfg_float32_t cfg = ne10_fft_alloc_c2c_float32(n);
  std::vector<ne10_fft_cpx_float32_t> in(n), out(n);
  unsigned seed = 1;
  for (auto& c : in) c = {bench::NextNoise(seed), bench::NextNoise(seed)};
  for (auto _ : state) {
    bench::CountedRegion([&] { ne10_fft_c2c_1d_float32(out.data(), in.data(), cfg, inverse); });
    benchmark::DoNotOptimize(out.data());
  }
  ne10_fft_destroy_c2c_float32(cfg);
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Ne10Fft)->ArgNames({"n", "inverse"})->ArgsProduct({{16, 256, 2048}, {0, 1}});

// The filter editor's spectrum: a 1024-point forward transform.
void BM_SplitRadix1024(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  SplitRadixFft::InitTables();
  std::vector<float> impulse(2048, 0.0f), data(2048);
  for (int i = 0; i < 1024; ++i) impulse[2 * i] = std::exp(-0.01f * i) * std::cos(0.2f * i);
  for (auto _ : state) {
    data = impulse;
    SplitRadixFft::Transform(data.data(), 1024, SplitRadixFft::kForward);
    benchmark::DoNotOptimize(data.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_SplitRadix1024);

}  // namespace
