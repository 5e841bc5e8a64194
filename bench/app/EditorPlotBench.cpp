// The voice editors' curves, recomputed on the GUI thread whenever a setting moves, held
// against the 20 ms between two paints: the filter response (8192 samples through the voice's
// stereo filter slot folded onto a 1024-point transform, 512 magnitudes) per filter family, the envelope walk, the LFO preview, the
// shaper's transfer curve, the algorithmic oscillator's cycle and the resonator's partials.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/GUIManager.h"
#include "bench/app/ScratchDataRoot.h"
#include "bench/toolkit/PaintBench.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/editors/modADSR.h"
#include "pages/editors/modALGOsc.h"
#include "pages/editors/modRESOsc.h"
#include "pages/editors/modShaper.h"
#include "pages/editors/modFilter.h"
#include "pages/editors/modLFO.h"
#include "platform/Paths.h"

namespace {

using toolkit_bench::Report;
using toolkit_bench::Screen;

// The editors are built over a GUIManager without pages, on a data root of its own.
struct Core {
  Core() {
    gm.SetSleep([](uint32_t) {});
  }
  Screen screen;
  FakeRawMidiBackend midi;
  GUIManager gm{&screen.dc, midi, nullptr};
  app_bench::ScratchDataRoot data{"bench_editors", "/var/lib/ruv/working"};
};

// Argument: the filter type (1 four-pole, 3 ladder, 6 ladder approximation, 8 state
// variable, 11 feedback).
void PlotResponse(benchmark::State& state) {
  Core core;
  modFilter page(&core.gm, 0, "FILTER", uxPOINT(0, 40), 800, 440, 0, nullptr);
  page.SetParamValue(0, 60.0f);
  page.SetParamValue(16, static_cast<float>(state.range(0)));
  float cutoff = 1000.0f;
  for (auto _ : state) {
    // A cutoff turn: every iteration plots a different filter setting.
    cutoff = cutoff < 8000.0f ? cutoff * 1.01f : 1000.0f;
    page.SetParamValue(8, cutoff);
    benchmark::DoNotOptimize(page.Buffer()[2]);
  }
  Report(state);
}
BENCHMARK(PlotResponse)->Arg(1)->Arg(3)->Arg(6)->Arg(8)->Arg(11)->Unit(benchmark::kMicrosecond);

void PlotEnvelope(benchmark::State& state) {
  Core core;
  modADSR page(&core.gm, 0, "ENV", uxPOINT(0, 40), 800, 440, 0);
  page.SetEnvelopeValue(0, 0.4f);
  page.SetEnvelopeValue(8, 0.8f);
  page.SetEnvelopeValue(16, 60.0f);
  page.SetEnvelopeValue(24, 1.2f);
  page.SetEnvelopeValue(25, 3.0f);
  page.SetEnvelopeValue(26, 2.0f);
  for (auto _ : state) page.PlotEnvelope(true);
  Report(state);
}
BENCHMARK(PlotEnvelope)->Unit(benchmark::kMicrosecond);

void LfoPreview(benchmark::State& state) {
  Core core;
  modLFO page(&core.gm, 0, "LFO", uxPOINT(0, 40), 800, 440, 0);
  tagUX_Message focus(UX_MSG_FOCUS, 1, 1);
  page.OnMessage(&focus);
  page.ApplyValue(16, 10.0f);
  for (auto _ : state) page.Update();
  Report(state);
}
BENCHMARK(LfoPreview)->Unit(benchmark::kMicrosecond);

// Argument: the shaper type; every iteration draws a new curve value.
void ShaperCurve(benchmark::State& state) {
  Core core;
  int insert = 0;
  modShaper page(&core.gm, 0, "SHAPER", uxPOINT(0, 40), 800, 440, 0, &insert);
  page.ApplyValue(8, static_cast<float>(state.range(0)));
  float curve = -100.0f;
  for (auto _ : state) {
    curve = curve < 100.0f ? curve + 1.0f : -100.0f;
    page.ApplyValue(0, curve);
    benchmark::DoNotOptimize(page.Table()[7]);
  }
  Report(state);
}
BENCHMARK(ShaperCurve)->Arg(0)->Arg(2)->Arg(5)->Unit(benchmark::kMicrosecond);

// Argument: the algorithm; every iteration draws the cycle at a new SHAPE.
void AlgorithmCycle(benchmark::State& state) {
  Core core;
  modALGOsc page(&core.gm, 0, "Algorithm", uxPOINT(0, 40), 800, 440, 0);
  page.ApplyValue(8, 40.0f);
  page.ApplyValue(28, static_cast<float>(state.range(0)));
  float shape = 0.0f;
  for (auto _ : state) {
    shape = shape < 256.0f ? shape + 1.0f : 0.0f;
    page.ApplyValue(1, shape, false);
    benchmark::DoNotOptimize(page.Cycle()[7]);
  }
  Report(state);
}
BENCHMARK(AlgorithmCycle)->Arg(0)->Arg(1)->Arg(5)->Arg(6)->Unit(benchmark::kMicrosecond);

void ResonatorPartials(benchmark::State& state) {
  Core core;
  modRESOsc page(&core.gm, 0, "Resonator", uxPOINT(0, 40), 800, 440, 0);
  float timbre = 0.0f;
  for (auto _ : state) {
    timbre = timbre < 256.0f ? timbre + 1.0f : 0.0f;
    page.ApplyValue(1, timbre, false);
    benchmark::DoNotOptimize(page.Bars()[1]);
  }
  Report(state);
}
BENCHMARK(ResonatorPartials)->Unit(benchmark::kMicrosecond);

}  // namespace
