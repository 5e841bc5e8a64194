// One period through a part's effects engine: the empty chain (the copy of the four buffers
// every part pays) and a chain of switched-on gain effects (the engine's own cost per slot
// on top of the effects' work).
#include <benchmark/benchmark.h>

#include <array>

#include "audio/CFXEngine.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

constexpr int kFrames = 128;

// Scales the part pair by its gain and the fade level.
class GainFx : public CEffectBase {
 public:
  GainFx() : CEffectBase(&gain_) {}
  void Process(float** /*in*/, float** out, int frames, float lvl) override {
    const float g = gain_ * lvl;
    for (int ch = 0; ch < 2; ++ch)
      for (int i = 0; i < frames; ++i) out[ch][i] *= g;
  }
  void SetParam(int /*id*/, float value) override { gain_ = value; }

 private:
  float gain_ = 1.0f;
};

effect_registry::Table GainTypes() {
  effect_registry::Table t = effect_registry::kTypes;
  for (auto& row : t) {
    row.create = []() -> CEffectBase* { return new GainFx; };
    row.reset = [](CEffectBase* /*effect*/, int /*rate*/) {};
    row.fade = nullptr;
  }
  return t;
}

struct Buffers {
  std::array<std::array<float, kFrames>, 4> in{};
  std::array<std::array<float, kFrames>, 4> out{};
  std::array<float*, 4> inPtr{};
  std::array<float*, 4> outPtr{};
  Buffers() {
    for (int b = 0; b < 4; ++b) {
      inPtr[b] = in[b].data();
      outPtr[b] = out[b].data();
      in[b].fill(0.25f);
    }
  }
};

void DiscardLog(const char*, void*) {}

void BM_FXEngine_EmptyChain(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CFXEngine fx;
  fx.init({3, kFrames, 48000}, nullptr);
  Buffers b;
  for (auto _ : state) {
    fx.Process(b.inPtr.data(), b.outPtr.data());
    benchmark::DoNotOptimize(b.out.data());
    benchmark::ClobberMemory();
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_FXEngine_EmptyChain);

// `range(0)` gain effects (one per type) in the first slots, all switched on.
void BM_FXEngine_GainChain(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  platform::SetLogSink(DiscardLog, nullptr);
  CFXEngine fx(GainTypes());
  fx.init({3, kFrames, 48000}, nullptr);
  const int count = static_cast<int>(state.range(0));
  for (int slot = 0; slot < count; ++slot) {
    fx.SetParam(1, slot, CFXEngine::kTypeParam, static_cast<float>(slot + 1));
    fx.SetParam(1, slot, 0x001, 1.0f);
    fx.SetParam(1, slot, CFXEngine::kBypassParam, 0.0f);
  }
  platform::SetLogSink(nullptr, nullptr);
  Buffers b;
  fx.Process(b.inPtr.data(), b.outPtr.data());  // switches them on
  for (auto _ : state) {
    fx.Process(b.inPtr.data(), b.outPtr.data());
    benchmark::DoNotOptimize(b.out.data());
    benchmark::ClobberMemory();
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_FXEngine_GainChain)->ArgName("effects")->Arg(1)->Arg(4)->Arg(9);

}  // namespace
