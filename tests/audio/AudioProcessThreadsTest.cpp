// The whole audio process with its own synth engine, drum player and effects engines on
// ALSA's "null" device: the audio thread, both engine threads and a thread sending parameters
// and MIDI run together (also under ThreadSanitizer), and the audio thread allocates nothing
// once warm.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/AudioDriver.h"
#include "audio/CAudioProcess.h"
#include "audio/CKLTSynthEngine.h"
#include "numeric/MathTables.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/Emulation.h"
#include "tests/support/LogCapture.h"

namespace {

uint32_t Uid(int target, int instance, uint32_t number) {
  return (static_cast<uint32_t>(target) << 16) | (static_cast<uint32_t>(instance) << 12) | number;
}

struct Armed {
  CAudioProcess* process;
  std::atomic<bool> arm{false};
  std::atomic<long> periods{0};
};

void CountingPeriod(void* context) {
  auto* a = static_cast<Armed*>(context);
  if (a->arm.load(std::memory_order_relaxed)) testing_support::ArmAllocCounter();
  a->process->ProcessCycle(0, 0.5f);
  a->periods.fetch_add(1, std::memory_order_relaxed);
}

TEST(AudioProcessThreads, ThePeriodRunsBesideParameterAndMidiTraffic) {
  SKIP_WHEN_EMULATED("ALSA's configuration files are the host's, not the target's");
  initMathTables();
  testing_support::LogCapture log;
  CAudioProcess process;
  ASSERT_EQ(InitAudioProcess(&process, nullptr), 0);
  // A slow sanitizer run must not push voices past their deadline.
  static_cast<CKLTSynthEngine*>(process.Engine())->engine()->SetClock([] { return timespec{100, 0}; });
  log.Clear();
  // Four effects per part, switched on.
  for (int part = 0; part < 4; ++part) {
    const int types[] = {2, 3, 6, 8};
    for (int slot = 0; slot < 4; ++slot) {
      process.SetParam(1, Uid(8 + part, slot, 0xF0), static_cast<float>(types[slot]));
      process.SetParam(1, Uid(8 + part, slot, 0x00F), 0.0f);
    }
  }
  Armed armed{&process};
  process.SetPeriodHook(CountingPeriod, &armed);
  AudioDriver driver;
  driver.SetDevice("null");
  ASSERT_EQ(OpenAudioDriver(&driver, &process), 0) << log.Text();

  std::atomic<bool> stop{false};
  std::thread traffic([&] {
    PartMidiSettings settings;
    for (int k = 0; !stop.load(); ++k) {
      process.SetParam(1, Uid(5, k & 3, 0xB10), static_cast<float>(k % 101));
      process.SetParam(1, Uid(8 + (k & 3), 1, 0x002), static_cast<float>(k % 100));  // delay feedback
      process.SetParam(k & 1, Uid(k & 3, 0, 0x010), 0.5f);
      process.SendMidi(k & 3, 0x90, 60 + (k & 7), 100, &settings);
      process.SendMidi(9, 0x99, 76, 100, nullptr);
      process.OnClock(static_cast<unsigned>(k), 120.0f);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  auto waitPeriods = [&](long n) {
    const long target = armed.periods.load() + n;
    for (int i = 0; i < 5000 && armed.periods.load() < target; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return armed.periods.load() >= target;
  };
  ASSERT_TRUE(waitPeriods(20));
  testing_support::ResetAllocCount();
  armed.arm = true;
  const bool ran = waitPeriods(200);
  const std::size_t allocations = testing_support::AllocCount();
  stop = true;
  traffic.join();
  driver.Stop();
  process.Stop();
  EXPECT_TRUE(ran);
  EXPECT_EQ(allocations, 0u);
}

// The start-up may hand over the period hook while periods already run: a period sees either
// no hook (and runs the plain cycle) or the hook with its context, never the hook alone. The
// timing records are read meanwhile, as the diagnostics page does.
struct HookSeen {
  std::atomic<long> calls{0};
  std::atomic<long> withoutContext{0};
};

void ContextCheckingPeriod(void* context) {
  static std::atomic<HookSeen*> seen{nullptr};
  if (context == nullptr) {
    if (HookSeen* s = seen.load()) s->withoutContext.fetch_add(1);
    return;
  }
  auto* s = static_cast<HookSeen*>(context);
  seen.store(s);
  s->calls.fetch_add(1);
}

TEST(AudioProcessThreads, AHookInstalledWhilePeriodsRunComesWithItsContext) {
  initMathTables();
  testing_support::LogCapture log;
  CAudioProcess process;
  ASSERT_EQ(InitAudioProcess(&process, nullptr), 0);
  static_cast<CKLTSynthEngine*>(process.Engine())->engine()->SetClock([] { return timespec{100, 0}; });
  HookSeen seen;
  std::atomic<bool> stop{false};
  std::atomic<long> periods{0};
  std::thread audio([&] {
    while (!stop.load()) {
      process.RunPeriodHook();
      periods.fetch_add(1);
    }
  });
  while (periods.load() < 2) std::this_thread::yield();
  uint32_t periodSum = 0;
  for (int round = 0; round < 50; ++round) {
    process.SetPeriodHook(ContextCheckingPeriod, &seen);
    const long from = periods.load();
    while (periods.load() < from + 2) std::this_thread::yield();
    process.SetPeriodHook(nullptr, nullptr);
    // The diagnostics page reads the load figures while the engine threads write them.
    for (int i = 0; i < CAudioProcess::kTimingRecords; ++i) periodSum += process.ReadTiming(i).periodMicros;
  }
  stop = true;
  audio.join();
  process.Stop();
  EXPECT_GT(seen.calls.load(), 0);
  EXPECT_EQ(seen.withoutContext.load(), 0);
  EXPECT_GT(periodSum, 0u);
}

}  // namespace
