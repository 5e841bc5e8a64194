// The host link's costs: the table CRC-32 over a transport frame, a 4 KiB packet and the
// largest payload; 4 KiB packets echoed over loopback (round trips a second); and the
// transport frame as the audio-period tick sends it to a client that keeps reading.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "app/host/HostServices.h"
#include "app/host/HostUIManager.h"
#include "app/host/TCPCommServer.h"
#include "bench/BenchPeriod.h"
#include "midi/CClipCore.h"
#include "midi/FakeRawMidiBackend.h"
#include "platform/Crc32.h"
#include "platform/LogSink.h"
#include "tests/host/HostTestKit.h"

namespace {

void Quiet(const char*, void*) {}

void BM_Crc32(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < buf.size(); ++i) buf[i] = static_cast<uint8_t>(i * 131 + 7);
  for (auto _ : state) benchmark::DoNotOptimize(platform::crc32(0, buf.data(), static_cast<uint32_t>(buf.size())));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Crc32)->Arg(180)->Arg(4096)->Arg(8 << 20);

class Echo : public TCPCommServer {
 public:
  ~Echo() override { Stop(); }
  void OnPacket(const uint8_t* p, uint32_t n) override { Send(p, n); }
};

void BM_LoopbackRoundTrip4KiB(benchmark::State& state) {
  platform::SetLogSink(&Quiet, nullptr);
  Echo server;
  server.Start(0);
  host_test::Client client(server.BoundPort());
  std::vector<uint8_t> payload(4096, 0x5A);
  const host_test::Bytes frame = host_test::Frame(payload);
  for (auto _ : state) {
    client.Write(frame);
    if (!client.ReadPacket()) {
      state.SkipWithError("no echo");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 4096 * 2);
  platform::SetLogSink(nullptr, nullptr);
}
BENCHMARK(BM_LoopbackRoundTrip4KiB)->UseRealTime();

using host_test::NullHost;
using host_test::NullTracks;

// One frame per period on the audio thread; the host reads them in its own thread.
void BM_SendTransport(benchmark::State& state) {
  platform::SetLogSink(&Quiet, nullptr);
  FakeRawMidiBackend midi;
  NullTracks tracks;
  CClipCore core(tracks, midi);
  NullHost host(&core);
  HostUIManager link;
  link.init(&host, 0);
  host_test::Client client(link.BoundPort());
  client.ReadPacket();  // the grid
  std::atomic<bool> reading{true};
  std::thread reader([&] {
    uint8_t sink[65536];
    while (reading) {
      pollfd p{client.Fd(), POLLIN, 0};
      if (poll(&p, 1, 50) > 0 && recv(client.Fd(), sink, sizeof sink, 0) <= 0) break;
    }
  });
  uint32_t step = 0;
  for (auto _ : state) link.SendTransport(step++);
  bench::ReportPeriodShare(state);
  reading = false;
  reader.join();
  link.Stop();
  platform::SetLogSink(nullptr, nullptr);
}
BENCHMARK(BM_SendTransport);

}  // namespace
