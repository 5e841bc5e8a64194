#pragma once
// A ring from the MIDI input threads to the GUI tick: controller and program changes for the
// pages. Serial MIDI, every ALSA port and "CAN-RX" push at once, so a producer reserves its
// slot by moving the write index with a compare-and-swap, writes the entry and then marks the
// slot ready; the one reader takes a slot only once it is marked, and clears the mark before it
// moves the read index on. A push that finds the ring full drops its entry: a producer never
// writes over a slot the reader may be copying. With N slots the write index runs 0..N and
// index N stands for slot 0; the read index wraps when it passes N - 1. The write word also
// counts reservations in its upper half, so a producer that slept through a whole lap fails
// its compare-and-swap instead of taking a slot again. Lock-free, so a signal handler may push.
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
  static_assert(N > 1 && N < 65535);
  static constexpr uint16_t kSlots = N;

  // Only while no thread pushes or pops.
  void Clear() {
    for (auto& r : ready_) r.store(0, std::memory_order_relaxed);
    readIndex_.store(0, std::memory_order_relaxed);
    write_.store(0, std::memory_order_release);
    peeked_.store(0, std::memory_order_relaxed);
  }

  // false when the ring is full and the entry was dropped.
  bool Push(const Entry& entry) {
    uint32_t w = write_.load(std::memory_order_relaxed);
    uint16_t slot;
    for (;;) {
      const uint16_t index = static_cast<uint16_t>(w);
      slot = index < kSlots ? index : 0;
      const uint16_t next = static_cast<uint16_t>(slot + 1);
      // An unread slot, or a step that would make the indices equal (the ring reads as
      // empty then), means full.
      if (ready_[slot].load(std::memory_order_acquire) != 0 || next == readIndex_.load(std::memory_order_acquire))
        return false;
      const uint32_t reserved = (w & 0xFFFF0000u) + 0x10000u + next;
      if (write_.compare_exchange_weak(w, reserved, std::memory_order_acq_rel, std::memory_order_relaxed)) break;
    }
    slots_[slot] = entry;
    ready_[slot].store(1, std::memory_order_release);
    return true;
  }

  // 0 when empty (or the oldest slot is reserved but not yet written); otherwise copies the
  // oldest entry out and returns 1. Without `advance` the entry stays and the peeked flag is set.
  int Pop(Entry& out, bool advance) {
    uint16_t r = readIndex_.load(std::memory_order_relaxed);
    if (r == static_cast<uint16_t>(write_.load(std::memory_order_acquire))) return 0;
    if (r > kSlots - 1) r = 0;
    if (ready_[r].load(std::memory_order_acquire) == 0) return 0;
    out = slots_[r];
    if (advance) {
      // The index moves before the mark clears: a producer that sees the slot free also sees
      // the read index past it, so it cannot make the indices meet over a written slot.
      readIndex_.store(static_cast<uint16_t>(r + 1), std::memory_order_release);
      ready_[r].store(0, std::memory_order_release);
    } else {
      readIndex_.store(r, std::memory_order_relaxed);
      peeked_.store(1, std::memory_order_relaxed);
    }
    return 1;
  }

  uint16_t ReadIndex() const { return readIndex_.load(std::memory_order_relaxed); }
  uint16_t WriteIndex() const { return static_cast<uint16_t>(write_.load(std::memory_order_relaxed)); }
  uint8_t Peeked() const { return peeked_.load(std::memory_order_relaxed); }

 private:
  Entry slots_[N] = {};
  std::atomic<uint8_t> ready_[N] = {};
  std::atomic<uint16_t> readIndex_{0};
  std::atomic<uint32_t> write_{0};  // reservation count << 16 | write index
  std::atomic<uint8_t> peeked_{0};
};

static_assert(std::atomic<uint32_t>::is_always_lock_free && std::atomic<uint16_t>::is_always_lock_free &&
                  std::atomic<uint8_t>::is_always_lock_free,
              "the rings are pushed to from a signal handler");
