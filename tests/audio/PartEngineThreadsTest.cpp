#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "audio/CKLTSynthEngine.h"
#include "platform/PiMutex.h"
#include "tests/engine/EngineRig.h"

namespace {

// The audio process's arrangement: two engine threads render under their engine mutexes and
// meet the audio thread at a three-party barrier; the audio thread mixes the period just
// rendered while the engine threads go on with the next. A fourth thread plays notes under
// the event mutex and changes parameters under the routing locks.
TEST(PartEngineThreads, RendersWhileNotesParametersAndSwapsArrive) {
  initMathTables();
  constexpr int kMinPeriods = 400;
  constexpr int kNoEnd = 1 << 30;
  testing_support::LogCapture log;
  CKLTSynthEngine adapter;
  std::atomic<int> exchanges{0};
  adapter.SetSwapCallback([&](int, int value) {
    if (value == CSynthEngine::kWaitEffects) exchanges.fetch_add(1);
  });
  adapter.init({0, engine_test::kFrames, engine_test::kRate}, nullptr);
  // A real clock under a sanitizer would miss the deadline and make the test depend on the
  // machine's speed.
  adapter.engine()->SetClock(&engine_test::FrozenNow);
  platform::PiMutex engineMutex[2];
  platform::PiMutex eventMutex;
  pthread_barrier_t barrier;
  pthread_barrier_init(&barrier, nullptr, 3);
  // The audio thread names the last period once the routing thread is done; the engine
  // threads read it after a barrier the audio thread reached after writing it.
  std::atomic<int> lastPeriod{kNoEnd};
  std::atomic<bool> routingDone{false};

  auto worker = [&](int t) {
    platform::EnableFlushToZero();
    for (int k = 0;; ++k) {
      {
        std::lock_guard<platform::PiMutex> lock(engineMutex[t]);
        adapter.RenderWorker(nullptr, t);
      }
      pthread_barrier_wait(&barrier);
      if (k >= lastPeriod.load()) break;
    }
  };
  std::atomic<float> peak{0.0f};
  std::atomic<int> periods{0};
  auto audio = [&] {
    float buffers[2][8][engine_test::kFrames];
    float* out[2][8];
    for (int s = 0; s < 2; ++s)
      for (int c = 0; c < 8; ++c) out[s][c] = buffers[s][c];
    for (int k = 0;; ++k) {
      pthread_barrier_wait(&barrier);
      adapter.Render(out[k & 1], 1, 0.5f);
      for (int c = 0; c < 8; ++c)
        for (float x : buffers[k & 1][c]) peak.store(std::fmax(peak.load(std::memory_order_relaxed), std::fabs(x)));
      periods.store(k + 1);
      if (k >= lastPeriod.load()) break;
      if (lastPeriod.load() == kNoEnd && routingDone.load() && k >= kMinPeriods) lastPeriod.store(k + 1);
    }
  };
  auto router = [&] {
    auto bothEngines = [&](auto&& call) {
      std::lock_guard<platform::PiMutex> a(engineMutex[0]);
      std::lock_guard<platform::PiMutex> b(engineMutex[1]);
      call();
    };
    auto event = [&](int32_t type, int part, int note, float value) {
      EngineEvent e{};
      e.type = type;
      e.part = static_cast<uint8_t>(part);
      e.first.note = static_cast<uint8_t>(note);
      e.second = value;
      std::lock_guard<platform::PiMutex> lock(eventMutex);
      adapter.OnEvent(&e);
    };
    auto patch = [&](int rt, int part) {
      adapter.SetParam(rt, part, 16, 1.0f);  // algorithmic oscillator 1
      adapter.SetParam(rt, part, 17, 100.0f);
      adapter.SetParam(rt, part, 771, 100.0f);
      adapter.SetParam(rt, part, 1026, 0.002f);
      adapter.SetParam(rt, part, 1028, 100.0f);
      adapter.SetModRoute(rt, part, 0, 100.0f, SynthVoice::kSrcEnv1, SynthVoice::kDstVca1Env, 1, 0.0f);
    };
    const char wave[] = {0, 80, static_cast<char>(160), static_cast<char>(240)};
    for (int part = 0; part < 2; ++part) bothEngines([&] { patch(1, part); });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int i = 0; (i < 500 || exchanges.load() < 2) && std::chrono::steady_clock::now() < giveUp; ++i) {
      const int part = i % 2;
      event(kEventNoteOn, part, 48 + i % 24, 0.8f);
      if (i % 3 == 0) event(kEventNoteOff, part, 48 + (i + 21) % 24, 0.0f);
      if (i % 5 == 0) bothEngines([&] { adapter.SetParam(1, part, 768, static_cast<float>(200 + i % 1000)); });
      if (i % 7 == 0) adapter.SetParam(0, part, 773, static_cast<float>(i % 12));
      if (i % 11 == 0) {
        std::lock_guard<platform::PiMutex> a(engineMutex[0]);
        adapter.SetLfoWave(1, part, 0, wave, 4);
      }
      if (i % 13 == 0) bothEngines([&] { adapter.SetModAmount(part, 0, 80.0f); });
      if (i % 17 == 0) event(kEventPitchBend, part, 0, 0.0f);
      if (i % 25 >= 23 && adapter.IsSwapPending(part) == 0) {
        adapter.ClearShadowBank(part, 0);
        patch(0, part);
        adapter.SetLfoWave(0, part, 1, wave, 2);
        bothEngines([&] { adapter.TriggerSwap(part); });
      }
      adapter.OnClock(static_cast<unsigned>(i), 120.0f);
      // Let some periods pass between steps, so notes get played and swaps get done.
      const int now = periods.load();
      while (periods.load() == now && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    }
    routingDone.store(true);
  };

  std::thread a(worker, 0), b(worker, 1), driver(audio), routing(router);
  a.join();
  b.join();
  driver.join();
  routing.join();
  pthread_barrier_destroy(&barrier);
  EXPECT_GT(peak.load(), 0.0f);
  EXPECT_GE(exchanges.load(), 2);
  EXPECT_EQ(log.Text().find("Disable Voice"), std::string::npos);
}

}  // namespace
