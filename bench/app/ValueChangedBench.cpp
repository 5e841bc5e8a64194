// One parameter change as a value label or the MIDI controller map makes it: stored in the
// part's data set, handed to the running synth engine at once and mirrored to the front panel
// on a virtual bus.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "app/GUIManager.h"
#include "audio/CAudioProcess.h"
#include "bench/BenchPeriod.h"
#include "midi/FakeRawMidiBackend.h"
#include "numeric/MathTables.h"
#include "pages/StandardPages.h"
#include "platform/LogSink.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "platform/VirtualCanHub.h"
#include "platform/VirtualCanOps.h"
#include "toolkit/CCANDev.h"
#include "toolkit/uxDC.h"

namespace {

void Quiet(const char*, void*) {}

void BM_ValueChangedStoreEngineAndPanel(benchmark::State& state) {
  platform::SetLogSink(&Quiet, nullptr);
  char dir[] = "/tmp/valuechanged-XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temporary directory");
    return;
  }
  platform::SetDataRoot(dir);
  initMathTables();
  {
    platform::VirtualCanHub hub(platform::VirtualCanOps::HubPath(dir, "can0"));
    hub.Start();
    // A panel member that never reads: the hub drops what it cannot pass on, as a bus would.
    const int panel = platform::VirtualCanOps::Connect(hub.Path());
    platform::VirtualCanOps sockets(dir);
    CCANDev can(sockets);
    platform::MemoryFrameBuffer fb;
    uxDC dc(&fb);
    dc.Init();
    CAudioProcess audio;
    InitAudioProcess(&audio, nullptr);
    FakeRawMidiBackend midi;
    GUIManager manager(&dc, midi, &StandardPages());
    manager.SetAudioProcess(&audio);
    if (can.Open("can0") == 0) manager.SetCanDevice(&can);
    float value = 0.0f;
    for (auto _ : state) {
      // GLIDE_Rate of part A: a float frame to the panel.
      manager.ValueChanged(0x00003, FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM | FLAG_SEND_CAN, value);
      value = value < 100.0f ? value + 1.0f : 0.0f;
    }
    bench::ReportPeriodShare(state);
    can.Close();
    audio.Stop();
    if (panel >= 0) close(panel);
  }
  platform::SetDataRoot("");
  platform::SetLogSink(nullptr, nullptr);
  std::string cleanup = std::string("rm -rf ") + dir;
  if (system(cleanup.c_str()) != 0) state.SkipWithError("temporary directory left behind");
}
BENCHMARK(BM_ValueChangedStoreEngineAndPanel);

}  // namespace
