// A control thread publishes, replaces and clears hooks while the audio thread calls the slot
// as fast as it can: every call pairs a hook with the context it was published with.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "audio/HookSlot.h"

namespace {

struct Context {
  std::atomic<long> calls{0};
  std::atomic<long> foreign{0};  // calls that brought another hook's context
};

Context a, b;

void HookA(void* c) {
  if (c == &a) a.calls.fetch_add(1, std::memory_order_relaxed);
  else a.foreign.fetch_add(1, std::memory_order_relaxed);
}

void HookB(void* c) {
  if (c == &b) b.calls.fetch_add(1, std::memory_order_relaxed);
  else b.foreign.fetch_add(1, std::memory_order_relaxed);
}

TEST(HookSlotThreads, EveryCallPairsAHookWithItsOwnContext) {
  HookSlot slot;
  EXPECT_FALSE(slot.Call()) << "nothing published";
  std::atomic<bool> stop{false};
  std::atomic<long> calls{0};
  std::thread audio([&] {
    while (!stop.load(std::memory_order_relaxed)) {
      slot.Call();
      calls.fetch_add(1, std::memory_order_relaxed);
    }
  });
  while (calls.load() < 10) std::this_thread::yield();
  for (int round = 0; round < 20000; ++round) {
    slot.Publish(HookA, &a);
    slot.Publish(HookB, &b);  // replaced while periods run
    slot.Publish(nullptr, nullptr);
    if (round % 64 == 0) std::this_thread::yield();
  }
  slot.Publish(HookA, &a);
  const long seen = a.calls.load();
  while (a.calls.load() < seen + 2) std::this_thread::yield();  // a settled slot calls its hook
  stop = true;
  audio.join();
  EXPECT_EQ(a.foreign.load(), 0);
  EXPECT_EQ(b.foreign.load(), 0);
  slot.Publish(nullptr, nullptr);
  EXPECT_FALSE(slot.Call());
}

}  // namespace
