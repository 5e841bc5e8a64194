// MIDI input costs: the byte parsers against the line's own rate (DIN MIDI carries at most
// 3125 bytes a second, about eight bytes a period), the delay from a byte on the serial
// line to the callback, and how long closing a threaded raw-MIDI port takes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchPeriod.h"
#include "midi/CAlsaMidi.h"
#include "midi/CMidiDev.h"
#include "midi/FakeRawMidiBackend.h"
#include "midi/MidiByteParser.h"
#include "midi/RawMidiParser.h"
#include "platform/LogSink.h"

namespace {

constexpr double kDinBytesPerSecond = 3125.0;

// Notes, controllers with running status, clock bytes and a SysEx: a busy live stream.
std::vector<uint8_t> MixedStream() {
  std::vector<uint8_t> s;
  unsigned seed = 7;
  while (s.size() < 4096) {
    seed = seed * 1664525u + 1013904223u;
    const uint8_t v = (seed >> 16) & 0x7F;
    switch ((seed >> 28) & 3) {
      case 0: s.insert(s.end(), {0x90, v, 0x64, 0xF8, static_cast<uint8_t>(v ^ 5), 0x40}); break;
      case 1: s.insert(s.end(), {0xB3, 0x07, v, 0x0A, v}); break;
      case 2: s.insert(s.end(), {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}); break;
      default: s.insert(s.end(), {0xE0, v, 0x40, 0xF8}); break;
    }
  }
  return s;
}

template <typename Parser>
void BM_Parse(benchmark::State& state) {
  const std::vector<uint8_t> stream = MixedStream();
  Parser parser;
  MidiMessage m;
  for (auto _ : state) {
    int n = 0;
    for (uint8_t b : stream) n += parser.Feed(b, m);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
  // One iteration parses as many bytes as the DIN line delivers in this many periods.
  bench::ReportPeriodShare(state, stream.size() / (kDinBytesPerSecond * bench::kPeriodSeconds));
}
BENCHMARK(BM_Parse<MidiByteParser>)->Name("BM_Parse/serial");
BENCHMARK(BM_Parse<RawMidiParser>)->Name("BM_Parse/rawmidi");

std::atomic<int> g_received{0};
int Count(int, int, int, int, uint8_t, uint8_t) {
  g_received.fetch_add(1, std::memory_order_release);
  return 0;
}

// A note written on the far end of a pseudo-terminal until the reader thread delivers it.
// Reported: median and 99th percentile in microseconds (informative; scheduling decides).
void BM_SerialByteToCallback(benchmark::State& state) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  {
    platform::SetLogSink([](const char*, void*) {}, nullptr);
    CMidiDev dev;
    dev.SetCallback(&Count);
    if (dev.Open(ptsname(master), "SERIAL", false) != 0) {
      state.SkipWithError("open failed");
      close(master);
      platform::SetLogSink(nullptr, nullptr);
      return;
    }
    std::vector<double> us;
    const uint8_t note[3] = {0x90, 0x3C, 0x64};
    for (auto _ : state) {
      const int before = g_received.load(std::memory_order_acquire);
      const auto t0 = std::chrono::steady_clock::now();
      if (write(master, note, sizeof note) != 3) break;
      while (g_received.load(std::memory_order_acquire) == before) {
      }
      us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    dev.Close();
    if (!us.empty()) {
      std::sort(us.begin(), us.end());
      state.counters["p50_us"] = us[us.size() / 2];
      state.counters["p99_us"] = us[us.size() * 99 / 100];
    }
  }
  close(master);
  platform::SetLogSink(nullptr, nullptr);
}
BENCHMARK(BM_SerialByteToCallback)->UseRealTime()->Iterations(2000);

// Opening a threaded port and closing it again: the close waits for the input thread,
// which wakes every millisecond.
void BM_OpenCloseThreadedPort(benchmark::State& state) {
  FakeRawMidiBackend fake;
  fake.cards = {FakeRawMidiBackend::Card{0, {FakeRawMidiBackend::Device{0, "Keys", {{"", true, true}}}}}};
  CAlsaMidi midi(fake);
  platform::SetLogSink([](const char*, void*) {}, nullptr);  // the listing is not the point here
  midi.ScanDevices();
  for (auto _ : state) {
    midi.OpenPort(0, 0, false);
    midi.ClosePort(0);
  }
  platform::SetLogSink(nullptr, nullptr);
}
BENCHMARK(BM_OpenCloseThreadedPort)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace
