#pragma once
// A callback and its context, handed from a control thread to the audio thread as one unit.
// Two separate atomics let a period pair a hook with the context of the next publication
// (the hook read just before a clear, the context just after it). The slot carries a
// generation count instead: a period that reads across a publication takes no hook for that
// period, so it sees either no hook or a hook with its own context, and it never waits.
#include <atomic>
#include <cstdint>

class HookSlot {
 public:
  using Hook = void (*)(void* context);

  // One publisher at a time (the start-up or the thread that owns the hook).
  void Publish(Hook hook, void* context);
  // For the audio thread: false (and nothing called) when no hook is set or a publication
  // is under way; else calls the hook with its context.
  bool Call() const;

 private:
  std::atomic<uint32_t> generation_{0};  // odd while a publication is under way
  std::atomic<Hook> hook_{nullptr};
  std::atomic<void*> context_{nullptr};
};
