// The application's page painting on the GUI thread, held against the 20 ms between two
// paints: one full repaint of the Master page, and a heavy GUI tick (page, popups, touch,
// timers) with nothing to repaint.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/GUIManager.h"
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
    char dir[] = "/tmp/bench_app_XXXXXX";
    root = ::mkdtemp(dir) ? dir : "";
    platform::SetDataRoot(root);
    std::filesystem::create_directories(root + "/var/lib/ruv/working");
    platform::SetLogSink([](const char*, void*) {}, nullptr);
    gm.SetSleep([](uint32_t) {});
    gm.BuildPages();
  }
  ~App() {
    platform::SetLogSink(nullptr, nullptr);
    platform::SetDataRoot("");
    if (!root.empty()) std::filesystem::remove_all(root);
  }
  std::string root;
  Screen screen;
  FakeRawMidiBackend midi;
  GUIManager gm{&screen.dc, midi, &StandardPages()};
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
