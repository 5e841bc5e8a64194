// The wavetable editor's work on the GUI thread: one tick's share of a chosen table's
// analysis (32 variants, held against the 5 ms GUI tick), and the front panel's load that
// reads the file and analyses all 256 variants at once, blocking the thread.
#include <stdlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "bench/app/ScratchDataRoot.h"
#include "bench/toolkit/PaintBench.h"
#include "data/WaveTable.h"
#include "midi/FakeRawMidiBackend.h"
#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "data/WavefileCache.h"
#include "pages/editors/modWTOsc.h"
#include "platform/Paths.h"

namespace {

using toolkit_bench::Screen;

constexpr int kFrames = 256, kFrame = 2048;

std::vector<int16_t> SineToSaw() {
  std::vector<int16_t> s(static_cast<std::size_t>(kFrames) * kFrame);
  for (int f = 0; f < kFrames; ++f)
    for (int j = 0; j < kFrame; ++j) {
      const double x = static_cast<double>(j) / kFrame, m = static_cast<double>(f) / (kFrames - 1);
      s[static_cast<std::size_t>(f) * kFrame + static_cast<std::size_t>(j)] =
          static_cast<int16_t>(((1.0 - m) * std::sin(2.0 * M_PI * x) + m * (2.0 * x - 1.0)) * 30000.0);
    }
  return s;
}

void ReportTickShare(benchmark::State& state, double tickSeconds) {
  bench::ReportPeriodShare(state, 1.0);
  state.counters["gui_tick_share"] =
      benchmark::Counter(tickSeconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One tick of the popup's preparation: 32 variants.
void AnalyseVariants32(benchmark::State& state) {
  const std::vector<int16_t> samples = SineToSaw();
  WaveTable table;
  table.LoadNative(samples.data(), samples.size());
  int32_t next = 0;
  for (auto _ : state) {
    bench::CountBegin();
    for (int k = 0; k < 32; ++k) table.AnalyseVariant((next + k) & 255);
    bench::CountEnd();
    next = (next + 32) & 255;
    benchmark::DoNotOptimize(table.Variant(next).magnitudes[3]);
  }
  ReportTickShare(state, 0.005);
}
BENCHMARK(AnalyseVariants32)->Unit(benchmark::kMicrosecond);

struct Core {
  Core() {
    gm.SetSleep([](uint32_t) {});
  }
  Screen screen;
  FakeRawMidiBackend midi;
  GUIManager gm{&screen.dc, midi, nullptr};
  app_bench::ScratchDataRoot data{"bench_wavetable", "/var/lib/ruv/working/wave"};
};

void WriteWav(const std::string& path, const std::vector<int16_t>& samples) {
  auto put = [](std::ofstream& f, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.put(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const auto data = static_cast<uint32_t>(samples.size() * 2);
  std::ofstream f(path, std::ios::binary);
  f.write("RIFF", 4), put(f, 36 + data, 4), f.write("WAVEfmt ", 8), put(f, 16, 4), put(f, 1, 2), put(f, 1, 2);
  put(f, 48000, 4), put(f, 96000, 4), put(f, 2, 2), put(f, 16, 2), f.write("data", 4), put(f, data, 4);
  f.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(data));
}

// The front panel's load key: file, 256 variants, the data set's copy and the engine.
void PanelLoad256(benchmark::State& state) {
  Core core;
  WriteWav(core.data.root + "/var/lib/ruv/working/wave/sweep.wav", SineToSaw());
  modWTOsc page(&core.gm, 0, "OSC", uxPOINT(0, 40), 800, 440, 0x303030);
  auto key = [&](float value) {
    tagUX_Message msg(EN_MSG_SET_VALUE, modWTOsc::kKeyId, 0);
    msg.pData = &value;
    page.OnMessage(&msg);
  };
  key(2.0f);
  for (auto _ : state) key(4.0f);
  ReportTickShare(state, 0.005);
}
BENCHMARK(PanelLoad256)->Unit(benchmark::kMillisecond);

// The noise editor's load of a multi-sample set: eight stereo items of two seconds each,
// read and decoded by the sample cache (a fresh cache each time, as a set not yet held).
void MswLoad(benchmark::State& state) {
  Core core;
  const std::string dir = core.data.root + "/var/lib/ruv/working/wave/noises";
  std::filesystem::create_directories(dir);
  MultiWaveReader set;
  for (int item = 0; item < 8; ++item) {
    auto sample = std::make_unique<SampleFile>();
    sample->Resize(2, 96000);
    unsigned seed = static_cast<unsigned>(item) + 1;
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < 96000; ++i) sample->Channel(c)[i] = 0.5f * bench::NextNoise(seed);
    sample->SetSampleRate(48000);
    sample->SetBitDepth(16);
    set.AddItem(std::move(sample));
    MswfRegion region;
    region.sampleIndex = static_cast<uint32_t>(item);
    region.lowKey = region.highKey = static_cast<uint8_t>(36 + item);
    set.Regions().push_back(region);
  }
  std::vector<uint8_t> bytes;
  set.CreateStream(bytes, 1);
  std::ofstream(dir + "/set.msw", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  for (auto _ : state) {
    WavefileCache cache;
    benchmark::DoNotOptimize(cache.LoadFile("set", ".msw"));
  }
  ReportTickShare(state, 0.005);
}
BENCHMARK(MswLoad)->Unit(benchmark::kMillisecond);

}  // namespace
