#pragma once
// A ring from the MIDI input threads to the GUI tick: controller and program changes for the
// pages. Like the GUI queue it has no full test; a producer a whole ring ahead overwrites
// entries not yet read. With N slots the write index runs 0..N and index N stands for slot 0;
// the read index wraps when it passes N - 1. Indices are 16-bit atomics: producers and the
// GUI thread run apart.
#include <atomic>
#include <cstdint>

// One MIDI FIFO entry, 12 bytes: kind 0xB0 (length 4: channel, controller, value) or 0xC0
// (length 2: program in data[0]).
struct MidiFifoEntry {
  uint16_t kind = 0;
  uint8_t length = 0;
  uint8_t part = 0;
  uint8_t data[8] = {};
};
static_assert(sizeof(MidiFifoEntry) == 12);

inline constexpr int kMidiFifoSlots = 255;

template <typename Entry, int N>
class MsgFifo {
 public:
  static_assert(N > 0 && N < 65535);
  static constexpr uint16_t kSlots = N;

  void Clear() {
    readIndex_.store(0, std::memory_order_relaxed);
    writeIndex_.store(0, std::memory_order_release);
    peeked_.store(0, std::memory_order_relaxed);
  }

  void Push(const Entry& entry) {
    const uint16_t w = writeIndex_.load(std::memory_order_relaxed);
    const uint16_t slot = w < kSlots ? w : 0;
    slots_[slot] = entry;
    writeIndex_.store(static_cast<uint16_t>(slot + 1), std::memory_order_release);
  }

  // 0 when empty; otherwise copies the oldest entry out and returns 1. Without `advance`
  // the entry stays and the peeked flag is set.
  int Pop(Entry& out, bool advance) {
    uint16_t r = readIndex_.load(std::memory_order_relaxed);
    if (r == writeIndex_.load(std::memory_order_acquire)) return 0;
    if (r > kSlots - 1) r = 0;
    out = slots_[r];
    if (advance) {
      readIndex_.store(static_cast<uint16_t>(r + 1), std::memory_order_release);
    } else {
      readIndex_.store(r, std::memory_order_relaxed);
      peeked_.store(1, std::memory_order_relaxed);
    }
    return 1;
  }

  uint16_t ReadIndex() const { return readIndex_.load(std::memory_order_relaxed); }
  uint16_t WriteIndex() const { return writeIndex_.load(std::memory_order_relaxed); }
  uint8_t Peeked() const { return peeked_.load(std::memory_order_relaxed); }

 private:
  Entry slots_[N] = {};
  std::atomic<uint16_t> readIndex_{0};
  std::atomic<uint16_t> writeIndex_{0};
  std::atomic<uint8_t> peeked_{0};
};
