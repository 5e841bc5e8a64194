// How long the clip launcher's clock waits for the clip master's lock while the host link
// replaces a MIDI clip on a track whose eight scenes hold 10 000 events each, and while it
// sends the largest MIDI clip (524 285 events) to a reading client.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "app/host/HostServices.h"
#include "app/host/HostUIManager.h"
#include "bench/midi/ClockWait.h"
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "platform/LogSink.h"
#include "tests/host/HostTestKit.h"

namespace {

void Quiet(const char*, void*) {}

using host_test::NullHost;
using host_test::NullTracks;

constexpr int kTrack = 5;

std::vector<SeqEvent> Events(int count) {
  std::vector<SeqEvent> events;
  events.reserve(static_cast<std::size_t>(count));
  for (int e = 0; e < count; ++e)
    events.push_back({kSeqNote, (e * 37) % 6144, (e * 37) % 6144 + 20, 0,
                      static_cast<uint8_t>(30 + e % 60), 100});
  return events;
}

// A MIDI clip record as the host sends it: header, then the events as they lie in memory.
std::vector<uint8_t> Upload(int clip, const std::vector<SeqEvent>& events) {
  std::vector<uint8_t> p(HostUIManager::kRecordHeader + events.size() * HostUIManager::kEventSize);
  const int32_t header[3] = {kTrack, clip, static_cast<int32_t>(events.size())};
  std::memcpy(p.data() + 36, header, sizeof header);
  std::memcpy(p.data() + HostUIManager::kRecordHeader, events.data(),
              events.size() * HostUIManager::kEventSize);
  return p;
}

struct LinkedLauncher {
  explicit LinkedLauncher(int eventsPerScene) : core(tracks, midi), host(&core) {
    platform::SetLogSink(&Quiet, nullptr);
    for (int s = 0; s < CInstrument::kScenes; ++s) {
      {
        auto lock = core.Master().Lock();
        auto& seq = static_cast<CInstrumentSeq&>(*core.Master().Track(kTrack));
        seq.CreateClip(s, kClipMidiSeq);
        seq.Clip(s).Loop_PP = 6144;
      }
      if (eventsPerScene > 0) {
        const std::vector<uint8_t> p = Upload(s, Events(eventsPerScene));
        link.OnMidiClip(p.data(), static_cast<uint32_t>(p.size()));
      }
    }
  }
  ~LinkedLauncher() { platform::SetLogSink(nullptr, nullptr); }

  FakeRawMidiBackend midi;
  NullTracks tracks;
  CClipCore core;
  NullHost host;
  HostUIManager link;
};

void BM_ClockWaitDuringHostClipUpload(benchmark::State& state) {
  LinkedLauncher l(10000);
  l.link.init(&l.host, -1);
  const std::vector<uint8_t> p = Upload(0, Events(static_cast<int>(state.range(0))));
  double longest = 0;
  for (auto _ : state)
    longest = std::max(longest, bench::LongestClockTick(l.core, [&] {
      l.link.OnMidiClip(p.data(), static_cast<uint32_t>(p.size()));
    }));
  bench::ReportClockWait(state, longest);
}
BENCHMARK(BM_ClockWaitDuringHostClipUpload)->Arg(10000)->Arg(524285)->Iterations(4)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClockWaitDuringHostClipSend(benchmark::State& state) {
  LinkedLauncher l(0);
  l.link.init(&l.host, 0);
  {
    const std::vector<uint8_t> p = Upload(0, Events(524285));
    l.link.OnMidiClip(p.data(), static_cast<uint32_t>(p.size()));
  }
  host_test::Client client(l.link.BoundPort());
  client.ReadPacket();  // the grid
  std::atomic<bool> reading{true};
  std::thread reader([&] {
    static uint8_t sink[1 << 16];
    while (reading) {
      pollfd pfd{client.Fd(), POLLIN, 0};
      if (poll(&pfd, 1, 50) > 0 && recv(client.Fd(), sink, sizeof sink, 0) <= 0) break;
    }
  });
  double longest = 0;
  for (auto _ : state)
    longest = std::max(longest, bench::LongestClockTick(l.core, [&] { l.link.SendMidiClip(kTrack, 0); }));
  bench::ReportClockWait(state, longest);
  reading = false;
  reader.join();
  l.link.Stop();
}
BENCHMARK(BM_ClockWaitDuringHostClipSend)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
