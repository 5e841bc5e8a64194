// The application's page painting on the GUI thread, held against the 20 ms between two
// paints: one full repaint of the Master page, the paint that draws both output scopes from
// full captures, and a heavy GUI tick (page, popups, touch, timers) with nothing to repaint.
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "bench/app/ScratchDataRoot.h"
#include "bench/toolkit/PaintBench.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/StandardPages.h"
#include "pages/master/appVA_Master.h"
#include "platform/Paths.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"

namespace {

using toolkit_bench::Report;
using toolkit_bench::Screen;

// A GUIManager with its pages over the memory screen, on a data root of its own.
struct App {
  App() {
    gm.SetSleep([](uint32_t) {});
    gm.BuildPages();
  }
  Screen screen;
  FakeRawMidiBackend midi;
  GUIManager gm{&screen.dc, midi, &StandardPages()};
  app_bench::ScratchDataRoot data{"bench_app", "/var/lib/ruv/working"};
};

void MasterPageFullRepaint(benchmark::State& state) {
  App app;
  auto* page = dynamic_cast<appVA_Master*>(app.gm.MainMenu()->GetTabItem(1)->ActivePanel());
  for (auto _ : state) {
    page->setRepaint();
    page->setRepaintCtrls();
    page->OnPaint();
  }
  Report(state);
}
BENCHMARK(MasterPageFullRepaint)->Unit(benchmark::kMicrosecond);

// Fills a scope channel as the audio thread does, to its longest capture.
void FillCapture(ScopeChannel& channel) {
  static const std::vector<float> signal = [] {
    std::vector<float> s(4 * ScopeChannel::kMaxLength);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = 0.5f * std::sin(static_cast<float>(i) * 0.05f + 2.0f);
    return s;
  }();
  channel.SetLength(ScopeChannel::kMaxLength);
  channel.Reset();
  channel.Feed(signal.data(), static_cast<int>(signal.size()));
}

// The page repainted whole on a paint that takes both captures: the scopes' points and their
// curves, every control, and the page.
void MasterPageRepaintWithBothScopes(benchmark::State& state) {
  App app;
  auto* page = dynamic_cast<appVA_Master*>(app.gm.MainMenu()->GetTabItem(1)->ActivePanel());
  OutputCapture& capture = app.gm.Capture();
  for (auto _ : state) {
    state.PauseTiming();
    FillCapture(capture.channel[0]);
    FillCapture(capture.channel[1]);
    page->OnPaint();  // the odd paint: the captures wait for the next one
    page->setRepaint();
    page->setRepaintCtrls();
    for (uxBaseElement* e : *page->GetElementList()) e->setRepaint();
    state.ResumeTiming();
    page->OnPaint();
  }
  if (capture.channel[0].GetState() != ScopeChannel::kWait) state.SkipWithError("the scopes did not draw");
  Report(state);
}
BENCHMARK(MasterPageRepaintWithBothScopes)->Unit(benchmark::kMicrosecond);

void HeavyTickNothingToRepaint(benchmark::State& state) {
  App app;
  for (auto _ : state) {
    app.gm.Tick();
    state.PauseTiming();
    for (int i = 0; i < 3; ++i) app.gm.Tick();
    state.ResumeTiming();
  }
  Report(state);
}
BENCHMARK(HeavyTickNothingToRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
