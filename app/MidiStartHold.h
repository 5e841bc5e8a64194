#pragma once
// MIDI that arrives while the instrument starts: the input ports open before the parts are
// loaded, and a message that came then had nowhere to go. Once holding is switched on, the
// messages that arrive with no receiver are kept, in order and up to a bound, and Release
// hands them to the receiver before anything newer. Clock ticks are timing, which a late
// burst would only falsify; they are not kept.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/PiMutex.h"

class MidiStartHold {
 public:
  static constexpr int kCapacity = 512;

  struct Message {
    int source;
    int port;
    int channel;
    int status;
    uint8_t data1;
    uint8_t data2;
  };
  using Receiver = void (*)(void* context, const Message& m);

  // From now on, messages without a receiver are kept.
  void Hold();
  // Keeps `m` when holding; false when it should be delivered at once instead (holding off
  // or already released). Called by the input threads.
  bool Keep(const Message& m);
  // Delivers the kept messages to `receiver` in their order and stops holding; messages
  // arriving meanwhile wait for it and go after. The number dropped because the store was
  // full.
  int Release(Receiver receiver, void* context);

 private:
  platform::PiMutex mutex_;
  std::atomic<bool> holding_{false};  // changed under the mutex; read first without it
  int count_ = 0;
  int dropped_ = 0;
  Message kept_[kCapacity] = {};
};
