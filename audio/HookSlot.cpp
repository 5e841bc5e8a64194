#include "audio/HookSlot.h"

void HookSlot::Publish(Hook hook, void* context) {
  const uint32_t g = generation_.load(std::memory_order_relaxed);
  generation_.store(g + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  hook_.store(hook, std::memory_order_relaxed);
  context_.store(context, std::memory_order_relaxed);
  generation_.store(g + 2, std::memory_order_release);
}

bool HookSlot::Call() const {
  const uint32_t before = generation_.load(std::memory_order_acquire);
  if (before & 1u) return false;
  const Hook hook = hook_.load(std::memory_order_relaxed);
  void* const context = context_.load(std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_acquire);
  if (hook == nullptr || generation_.load(std::memory_order_relaxed) != before) return false;
  hook(context);
  return true;
}
