// The instrument's widgets painted on the GUI thread, held against the 20 ms between two
// paints: a full cubic scope, the roll of the largest real MIDI file in full and with only
// its cursor moved, and the wavetable popup's stack of 52 waves.
#include <cmath>
#include <memory>
#include <vector>

#include "bench/toolkit/PaintBench.h"
#include "pages/widgets/uxMultiWaveView.h"
#include "pages/widgets/uxPianoRoll.h"
#include "pages/widgets/uxPopupWT.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/pages/widgets/MidiCsvEvents.h"
#include "tests/toolkit/support/FakeHost.h"

namespace {

using toolkit_bench::Report;
using toolkit_bench::Screen;

struct Rig {
  Screen screen;
  toolkit_test::FakeHost host{&screen.dc};
};

void ScopeCubicFullRepaint(benchmark::State& state) {
  Rig rig;
  uxPOINT at(10, 100);
  uxScopeView scope(&rig.host, 1, &at, 590, 200, 0x101010, 0x808080, nullptr, false, 0, 1, true);
  scope.SetInterpolation(uxScopeView::kCubic);
  scope.SetGrid(32, 25);
  for (int i = 0; i < 590; ++i) {
    scope.Points()[i].a = 0.5f + 0.45f * std::sin(static_cast<float>(i) * 0.03f);
    scope.Points()[i].b = 0.3f + 0.2f * std::cos(static_cast<float>(i) * 0.05f);
  }
  scope.Points()[100].marks[0] = 1;
  for (auto _ : state) {
    scope.setRepaint();
    scope.OnPaint();
  }
  Report(state);
}
BENCHMARK(ScopeCubicFullRepaint)->Unit(benchmark::kMicrosecond);

// The roll as the MIDI track grid page holds it, with every note of the file.
struct RollRig : Rig {
  RollRig() {
    roll.Events() = widgets_test::EventsFromFile(widgets_test::kLargestMidiFile);
    notes = 0;
    for (const SeqEvent& e : roll.Events()) notes += e.type == kSeqNote;
    roll.SetFirstNote(48);
    roll.OnPaint();
  }
  uxPOINT at{5, 100};
  uxPianoRoll roll{&host, &at, 790, 300, 0x000000};
  int notes = 0;
};

void RollFullRepaint(benchmark::State& state) {
  RollRig rig;
  if (rig.notes == 0) {
    state.SkipWithError("needs midicsv and the planetblupi-music-midi package (scripts/setup)");
    return;
  }
  for (auto _ : state) {
    rig.roll.setRepaint();
    rig.roll.OnPaint();
  }
  state.counters["notes"] = rig.notes;
  Report(state);
}
BENCHMARK(RollFullRepaint)->Unit(benchmark::kMicrosecond);

void RollCursorRepaint(benchmark::State& state) {
  RollRig rig;
  if (rig.notes == 0) {
    state.SkipWithError("needs midicsv and the planetblupi-music-midi package (scripts/setup)");
    return;
  }
  int x = 0;
  for (auto _ : state) {
    rig.roll.SetCursor(x = (x + 7) % 790);
    rig.roll.setRepaintCtrls();
    rig.roll.OnPaint();
  }
  state.counters["notes"] = rig.notes;
  Report(state);
}
BENCHMARK(RollCursorRepaint)->Unit(benchmark::kMicrosecond);

std::unique_ptr<WaveTable> SineToSaw() {
  std::vector<float> frames(std::size_t{WaveTable::kVariants} * WaveTable::kSize);
  for (int v = 0; v < WaveTable::kVariants; ++v)
    for (int i = 0; i < WaveTable::kSize; ++i) {
      const float p = static_cast<float>(i) / WaveTable::kSize, m = static_cast<float>(v) / 255.0f;
      frames[std::size_t(v) * WaveTable::kSize + std::size_t(i)] =
          (1.0f - m) * std::sin(6.2831853f * p) + m * (1.0f - 2.0f * p);
    }
  auto table = std::make_unique<WaveTable>();
  table->FillVariants(WaveTable::kVariants, frames.data());
  return table;
}

void PopupWavetableStack(benchmark::State& state) {
  Rig rig;
  auto table = SineToSaw();
  uxPopupWT popup(&rig.host, "PopupWT", uxPOINT(175, 150), 450, 210, 0x202020, 0xFFFFFF);
  popup.SetWavetable(table.get());
  popup.SetTitle("SINE-SAW");
  for (auto _ : state) {
    popup.SetShown(true);
    popup.show();
    popup.OnPaint();
  }
  Report(state);
}
BENCHMARK(PopupWavetableStack)->Unit(benchmark::kMicrosecond);

void MultiWaveViewFullRepaint(benchmark::State& state) {
  Rig rig;
  auto table = SineToSaw();
  uxPOINT at(10, 100);
  uxMultiWaveView view(&rig.host, 60, &at, 580, 220, 0x101010, 0x808080, nullptr);
  view.SetWavetable(table.get());
  view.SetWaveA(128);
  view.SetBend(0.3f);
  for (auto _ : state) {
    view.setRepaint();
    view.OnPaint();
  }
  Report(state);
}
BENCHMARK(MultiWaveViewFullRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
