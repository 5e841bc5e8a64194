// Reading and pairing the largest real MIDI file (music009.mid of Debian's
// planetblupi-music-midi: 190 KB, about 27 700 notes) as the MIDI-file page does on the GUI
// thread, which it blocks meanwhile; held against the 5 ms GUI tick.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "MidiFile.h"
#include "bench/BenchPeriod.h"

namespace {

std::string Music009() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string places[] = {
      "/usr/share/planetblupi/music/music009.mid",
      // where the tests unpack the package when it is not installed
      std::string(tmp && *tmp ? tmp : "/tmp") + "/synth-planetblupi-music/root/usr/share/planetblupi/music/music009.mid",
  };
  struct stat st;
  for (const std::string& p : places)
    if (stat(p.c_str(), &st) == 0) return p;
  return {};
}

void MidiFileReadAndPair(benchmark::State& state) {
  const std::string path = Music009();
  if (path.empty()) {
    state.SkipWithError("needs the planetblupi-music-midi package (scripts/setup)");
    return;
  }
  smf::MidiFile reader;  // reused, as the page keeps one
  int pairs = 0;
  for (auto _ : state) {
    if (!reader.read(path)) {
      state.SkipWithError("music009.mid did not read");
      return;
    }
    pairs = reader.linkNotePairs();
    benchmark::DoNotOptimize(reader.getFileDurationInTicks());
  }
  state.counters["pairs"] = pairs;
  bench::ReportPeriodShare(state, 1.0);
  state.counters["gui_tick_share"] =
      benchmark::Counter(0.005, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(MidiFileReadAndPair)->Unit(benchmark::kMicrosecond);

}  // namespace
