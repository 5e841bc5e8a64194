// Painting on the GUI thread, off the audio threads: the figures to hold against the 20 ms
// between two paints (four 5 ms GUI ticks), reported as "paint_period_share" beside the
// usual share of one audio period.
#include <benchmark/benchmark.h>

#include "bench/BenchPeriod.h"
#include "platform/LogSink.h"
#include "platform/MemoryFrameBuffer.h"
#include "toolkit/uxDC.h"

namespace {

struct Screen {
  Screen() {
    platform::SetLogSink([](const char*, void*) {}, nullptr);
    dc.Init();
    platform::SetLogSink(nullptr, nullptr);
  }
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
};

void Report(benchmark::State& state) {
  bench::ReportPeriodShare(state, 1.0);
  state.counters["paint_period_share"] =
      benchmark::Counter(0.02, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A page body: fill 800 x 440 and copy it to the screen.
void FillPage(benchmark::State& state) {
  Screen s;
  uxCOLOR c = 0;
  for (auto _ : state) {
    s.dc.BeginPaint(0, 40, 800, 440);
    s.dc.FillFrame(0, 0, 799, 439, ++c);
    s.dc.EndPaint();
  }
  Report(state);
}
BENCHMARK(FillPage)->Unit(benchmark::kMicrosecond);

void EndPaintFullScreen(benchmark::State& state) {
  Screen s;
  for (auto _ : state) {
    s.dc.BeginPaint(0, 0, 800, 480);
    s.dc.EndPaint();
  }
  Report(state);
}
BENCHMARK(EndPaintFullScreen)->Unit(benchmark::kMicrosecond);

// 40 characters in the 22 x 36 font.
void PutStringLargeFont(benchmark::State& state) {
  Screen s;
  s.dc.BeginPaint(0, 0, 800, 480);
  s.dc.FontSelect(13);
  for (auto _ : state) s.dc.PutString(0, 0, "The quick brown fox jumps over the lazy ");
  Report(state);
}
BENCHMARK(PutStringLargeFont)->Unit(benchmark::kMicrosecond);

void DrawImageFullScreen(benchmark::State& state) {
  Screen s;
  tImage img = s.dc.allocImage(uxRECT(0, 0, 800, 480), "full");
  for (int i = 0; i < 800 * 480; ++i) img.data[i] = static_cast<uint32_t>(i) * 2654435761u;
  s.dc.BeginPaint(0, 0, 800, 480);
  for (auto _ : state) s.dc.DrawImage(0, 0, &img);
  s.dc.freeImage(&img);
  Report(state);
}
BENCHMARK(DrawImageFullScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
