// The heaviest LED work on the MIDI clock path: the SmartPAD's quarter-note refresh with
// every pad blinking (128 messages), sent through the port manager into a pipe that
// another thread drains, as a USB MIDI device's kernel buffer would be.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "bench/BenchPeriod.h"
#include "midi/CAlsaMidi.h"
#include "midi/CTL_SmartPAD.h"
#include "midi/FakeRawMidiBackend.h"
#include "platform/LogSink.h"

namespace {

// The stand-in's port table, with the output written into a real pipe.
class PipeBackend final : public RawMidiBackend {
 public:
  PipeBackend() {
    fake.cards = {FakeRawMidiBackend::Card{0, {FakeRawMidiBackend::Device{0, "SmartPAD", {{"", true, true}}}}}};
    if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    drain_ = std::thread([this] {
      char buf[4096];
      while (read(fds_[0], buf, sizeof buf) > 0) {
      }
    });
  }
  ~PipeBackend() override {
    close(fds_[1]);
    drain_.join();
    close(fds_[0]);
  }

  int NextCard(int& card) override { return fake.NextCard(card); }
  int OpenControl(int card, RawMidiControl*& ctl) override { return fake.OpenControl(card, ctl); }
  void CloseControl(RawMidiControl* ctl) override { fake.CloseControl(ctl); }
  int NextDevice(RawMidiControl* ctl, int& device) override { return fake.NextDevice(ctl, device); }
  int Info(RawMidiControl* ctl, int device, int sub, RawMidiStream stream, RawMidiInfo& info) override {
    return fake.Info(ctl, device, sub, stream, info);
  }
  int Open(RawMidiHandle** in, RawMidiHandle** out, const char* hw, bool nonblock) override {
    return fake.Open(in, out, hw, nonblock);
  }
  int Close(RawMidiHandle* h) override { return fake.Close(h); }
  int SetNonblock(RawMidiHandle* h, bool nb) override { return fake.SetNonblock(h, nb); }
  ssize_t Read(RawMidiHandle* h, void* b, size_t n) override { return fake.Read(h, b, n); }
  ssize_t Write(RawMidiHandle*, const void* b, size_t n) override {
    const ssize_t r = write(fds_[1], b, n);
    return r < 0 ? -errno : r;
  }
  const char* StrError(int e) override { return fake.StrError(e); }

  FakeRawMidiBackend fake;

 private:
  int fds_[2];
  std::thread drain_;
};

void BM_SmartPadQuarterNoteAllBlinking(benchmark::State& state) {
  PipeBackend backend;
  CAlsaMidi midi(backend);
  platform::SetLogSink([](const char*, void*) {}, nullptr);
  midi.ScanDevices();
  platform::SetLogSink(nullptr, nullptr);
  midi.OpenPort(0, 0, true);
  CTL_SmartPAD pad(&midi, 0);
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) pad.SetPadLed(c, r, 2 + 2 * ((c + r) % 3));
  int tick = 0;
  for (auto _ : state) {
    pad.OnClockTick(tick);
    tick += 24;
  }
  state.SetItemsProcessed(state.iterations() * 128);
  // One refresh happens within one period of the clock path.
  bench::ReportPeriodShare(state);
  midi.ClosePort(0);
}
BENCHMARK(BM_SmartPadQuarterNoteAllBlinking)->Unit(benchmark::kMicrosecond);

}  // namespace
