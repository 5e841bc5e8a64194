// The flasher's costs: the CRC-32 (shared with the host link, which checks every packet),
// and a whole 256 KiB image flashed into a simulated board over the virtual CAN bus, one
// acknowledged word at a time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchPeriod.h"
#include "platform/Crc32.h"
#include "platform/LogSink.h"
#include "platform/VirtualCanHub.h"
#include "platform/VirtualCanOps.h"
#include "tools/flasher/CFlashProtoSM.h"
#include "tools/flasher/sim/SimBoardRunner.h"
#include "tools/flasher/sim/SimBootloaderBoard.h"

namespace {

void BM_Crc32(benchmark::State& state) {
  std::vector<uint8_t> buf(static_cast<std::size_t>(state.range(0)));
  unsigned seed = 1;
  for (uint8_t& b : buf) b = static_cast<uint8_t>(bench::NextNoise(seed) * 127.0f);
  uint32_t crc = 0;
  for (auto _ : state) {
    crc = platform::crc32(crc, buf.data(), static_cast<uint32_t>(buf.size()));
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  // As if one buffer of this size were checked within one period.
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Crc32)->Arg(4096)->Arg(1 << 20);

void Quiet(const char*, void*) {}

// Not on the audio path: the figure is the wall time of one flash and the frames a second.
void BM_Flash256KiBOverVirtualBus(benchmark::State& state) {
  char dirTemplate[] = "/tmp/flashbench-XXXXXX";
  const std::string dir = mkdtemp(dirTemplate);
  platform::VirtualCanHub hub(platform::VirtualCanOps::HubPath(dir, "can0"));
  platform::VirtualCanOps sockets(dir);
  flasher_sim::SimBootloaderBoard board(1);
  flasher_sim::SimBoardRunner runner(board);
  flasher::CFlashProtoSM host(sockets);
  if (hub.Start() != 0 || !runner.Start(hub.Path()) || host.Open("") != 0 ||
      !hub.WaitForMemberCount(2, std::chrono::seconds(2))) {
    state.SkipWithError("virtual bus not available");
    return;
  }
  constexpr int kImageBytes = 256 * 1024;
  std::vector<uint8_t> image(kImageBytes + 4, 0);
  unsigned seed = 7;
  for (uint8_t& b : image) b = static_cast<uint8_t>(bench::NextNoise(seed) * 127.0f);
  const uint8_t magic[4] = {0x34, 0x12, 0x55, 0xAA};
  std::copy(magic, magic + 4, image.begin());
  platform::SetLogSink(Quiet, nullptr);
  int failures = 0;
  for (auto _ : state) {
    failures += host.start_bootloader(1) != 0;
    failures += host.startFlash(1, image.data(), static_cast<int>(image.size())) != 0;
  }
  platform::SetLogSink(nullptr, nullptr);
  if (failures) state.SkipWithError("the flash failed");
  // Frames a second on the bus: a request and an acknowledgement for every word.
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 * (kImageBytes / 4 + 1));
  runner.Stop();
  hub.Stop();
  rmdir(dir.c_str());
}
BENCHMARK(BM_Flash256KiBOverVirtualBus)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
