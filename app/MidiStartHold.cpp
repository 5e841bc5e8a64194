#include "app/MidiStartHold.h"

namespace {

constexpr int kClock = 0xF8;

}  // namespace

void MidiStartHold::Hold() {
  std::lock_guard<platform::PiMutex> lock(mutex_);
  holding_.store(true, std::memory_order_release);
  count_ = 0;
  dropped_ = 0;
}

bool MidiStartHold::Keep(const Message& m) {
  // Once released, the input threads pass without touching the lock.
  if (!holding_.load(std::memory_order_acquire)) return false;
  std::lock_guard<platform::PiMutex> lock(mutex_);
  if (!holding_.load(std::memory_order_relaxed)) return false;
  if (m.status == kClock) return true;
  if (count_ < kCapacity)
    kept_[count_++] = m;
  else
    ++dropped_;
  return true;
}

int MidiStartHold::Release(Receiver receiver, void* context) {
  std::lock_guard<platform::PiMutex> lock(mutex_);
  for (int i = 0; i < count_; ++i) receiver(context, kept_[i]);
  const int dropped = dropped_;
  holding_.store(false, std::memory_order_release);
  count_ = 0;
  dropped_ = 0;
  return dropped;
}
