// The audio thread's share of the delayed saves: one TickDirty of the settings and one of the
// device configuration per period, while both saves count down.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bench/BenchPeriod.h"
#include "data/CDeviceConfig.h"
#include "data/CSettings.h"
#include "platform/Paths.h"

namespace {

void DelayedSaveTicks(benchmark::State& state) {
  // Settings count down only when loaded from the working directory, as at start-up.
  std::string root = (std::filesystem::temp_directory_path() / "synthbench-XXXXXX").string();
  if (!mkdtemp(root.data())) {
    state.SkipWithError("no temporary directory");
    return;
  }
  std::filesystem::create_directories(root + "/var/lib/ruv/working");
  platform::SetDataRoot(root);
  CSettings settings;
  CDeviceConfig config;
  settings.XMLLoadSettings("[default]", true);
  // A count far longer than any run, so every tick counts down.
  settings.ArmSave(1 << 30);
  config.ArmSave(1 << 30);
  for (auto _ : state) {
    settings.TickDirty();
    config.TickDirty();
    benchmark::ClobberMemory();
  }
  bench::ReportPeriodShare(state);
  platform::SetDataRoot("");
  std::filesystem::remove_all(root);
}
BENCHMARK(DelayedSaveTicks);

}  // namespace
