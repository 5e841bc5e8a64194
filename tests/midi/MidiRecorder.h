#pragma once
// Records what reaches a MidiMessageCallback, for tests of the MIDI inputs. The callback is
// a plain function, so the recorder installs itself as the one current instance. Messages
// go into a fixed array: recording allocates nothing, so it can run on a reader thread
// that counts allocations.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <vector>

namespace midi_test {

struct Received {
  int source = 0;
  int port = 0;
  int channel = 0;
  int status = 0;
  int data1 = 0;
  int data2 = 0;
  bool operator==(const Received&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Received& r) {
  return os << "{src " << r.source << " port " << r.port << " ch " << r.channel << std::hex
            << " st 0x" << r.status << " 0x" << r.data1 << " 0x" << r.data2 << std::dec << "}";
}

class MidiRecorder {
 public:
  static constexpr std::size_t kCapacity = 4096;

  MidiRecorder() { Current().store(this); }
  ~MidiRecorder() { Current().store(nullptr); }
  MidiRecorder(const MidiRecorder&) = delete;
  MidiRecorder& operator=(const MidiRecorder&) = delete;

  static int Callback(int source, int port, int channel, int status, uint8_t data1,
                      uint8_t data2) {
    if (MidiRecorder* r = Current().load()) r->Add({source, port, channel, status, data1, data2});
    return 0;
  }

  // Called on the delivering thread before each message is stored (e.g. to arm the
  // allocation counter there).
  void (*onDelivery)() = nullptr;

  bool WaitFor(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return count_ >= count; });
  }

  std::size_t Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }

  std::vector<Received> Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::vector<Received>(messages_.begin(), messages_.begin() + count_);
  }

 private:
  static std::atomic<MidiRecorder*>& Current() {
    static std::atomic<MidiRecorder*> current{nullptr};
    return current;
  }

  void Add(const Received& r) {
    if (onDelivery) onDelivery();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (count_ < kCapacity) messages_[count_++] = r;
    }
    cv_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable cv_;
  std::array<Received, kCapacity> messages_{};
  std::size_t count_ = 0;
};

}  // namespace midi_test
