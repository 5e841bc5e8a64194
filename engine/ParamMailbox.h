#pragma once
// Latest value of each of N parameters, posted by any thread and taken by the one thread
// that owns the object between its blocks. A parameter posted several times before it is
// taken keeps only its last value, so a burst of any length (a whole preset) fits.
#include <algorithm>
#include <atomic>
#include <cstdint>

template <int N>
class ParamMailbox {
 public:
  static constexpr int kWords = (N + 31) / 32;

  // Any thread.
  void Post(int slot, float value, bool flag) {
    values_[slot].store(value, std::memory_order_relaxed);
    order_[slot].store(next_.fetch_add(1, std::memory_order_relaxed), std::memory_order_relaxed);
    flags_[slot].store(static_cast<uint8_t>(kPending | (flag ? kFlag : 0)), std::memory_order_release);
    pending_[slot / 32].fetch_or(1u << (slot % 32), std::memory_order_release);
  }

  // Owner thread: calls take(slot, value, flag) for every posted slot, in the order of their
  // last posts (one parameter may change what the next one does: a link, then a cutoff). A
  // value posted while this runs is taken now or at the next call, never lost.
  template <typename Take>
  void TakeAll(Take&& take) {
    Taken taken[N];
    int count = 0;
    for (int w = 0; w < kWords; ++w) {
      if (pending_[w].load(std::memory_order_relaxed) == 0) continue;
      uint32_t bits = pending_[w].exchange(0, std::memory_order_acquire);
      while (bits != 0) {
        const int slot = w * 32 + __builtin_ctz(bits);
        bits &= bits - 1;
        const uint8_t f = flags_[slot].exchange(0, std::memory_order_acquire);
        if ((f & kPending) == 0) continue;
        taken[count++] = {order_[slot].load(std::memory_order_relaxed), slot,
                          values_[slot].load(std::memory_order_relaxed), (f & kFlag) != 0};
      }
    }
    if (count == 0) return;
    // Stamps wrap round; any two in one take are far less than 2^31 apart.
    std::sort(taken, taken + count,
              [](const Taken& a, const Taken& b) { return static_cast<int32_t>(a.order - b.order) < 0; });
    for (int i = 0; i < count; ++i) take(taken[i].slot, taken[i].value, taken[i].flag);
  }

  bool Empty() const {
    for (int w = 0; w < kWords; ++w)
      if (pending_[w].load(std::memory_order_relaxed) != 0) return false;
    return true;
  }

 private:
  static constexpr uint8_t kPending = 1;
  static constexpr uint8_t kFlag = 2;

  struct Taken {
    uint32_t order;
    int slot;
    float value;
    bool flag;
  };

  std::atomic<float> values_[N] = {};
  std::atomic<uint32_t> order_[N] = {};
  std::atomic<uint8_t> flags_[N] = {};
  std::atomic<uint32_t> pending_[kWords] = {};
  std::atomic<uint32_t> next_{0};
};
