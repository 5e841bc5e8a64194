// The drum instrument page on the GUI thread: choosing a sample loads the whole WAV there
// (the largest fixture, Debian's alsa-utils "Front_Right.wav", 146 KB), and every START/END
// move redraws the 379 points of both waveform views, held against the 20 ms paint interval.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/GUIManager.h"
#include "bench/app/ScratchDataRoot.h"
#include "bench/toolkit/PaintBench.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/drum/appVA_DrumInstrument.h"
#include "pages/widgets/uxScopeView.h"
#include "platform/Paths.h"
#include "toolkit/uxValueLabel.h"

namespace {

using toolkit_bench::Report;
using toolkit_bench::Screen;

constexpr char kLargest[] = "/usr/share/sounds/alsa/Front_Right.wav";

struct Core {
  Core() {
    std::error_code error;
    std::filesystem::copy_file(kLargest, data.root + kKick + "/Front_Right.wav", error);
    present = !error;
    gm.SetSleep([](uint32_t) {});
  }
  static constexpr char kKick[] = "/var/lib/ruv/working/wave/drumkit/Debian/kick";
  bool present = false;
  Screen screen;
  FakeRawMidiBackend midi;
  GUIManager gm{&screen.dc, midi, nullptr};
  app_bench::ScratchDataRoot data{"bench_drum", kKick};
};

// Runs `measure` on a page whose sample is the largest fixture, then reports; without the
// fixture the run ends in an error.
template <typename Measure>
void OnLargestWave(benchmark::State& state, Measure measure) {
  Core core;
  if (!core.present) {
    state.SkipWithError("alsa-utils sounds not installed");
    return;
  }
  appVA_DrumInstrument page(&core.gm, 0, "KICK", uxPOINT(0, 80), 800, 400, 0x101010, "/kick");
  if (!page.ChooseSample(0)) {
    state.SkipWithError("the fixture does not load");
    return;
  }
  measure(page);
  Report(state);
}

void ChooseLargestWave(benchmark::State& state) {
  OnLargestWave(state, [&](appVA_DrumInstrument& page) {
    for (auto _ : state) benchmark::DoNotOptimize(page.ChooseSample(0));
  });
}
BENCHMARK(ChooseLargestWave)->Unit(benchmark::kMillisecond);

// A START step: the 379 points of both views recomputed, then both views painted.
void RedrawWaveform(benchmark::State& state) {
  OnLargestWave(state, [&](appVA_DrumInstrument& page) {
    float start = 0.0f;
    for (auto _ : state) {
      start = start < 90.0f ? start + 1.0f : 0.0f;
      page.ValueLabel(appVA_DrumInstrument::kStart)->SetFloatValue(start, 0);
      page.DrawWaveform();
      page.View(0)->OnPaint();
      page.View(1)->OnPaint();
    }
  });
}
BENCHMARK(RedrawWaveform)->Unit(benchmark::kMicrosecond);

}  // namespace
