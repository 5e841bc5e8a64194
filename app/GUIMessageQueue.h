#pragma once
// The GUI thread's inbox for toolkit messages posted from elsewhere (the SIGUSR1 handler,
// the table control, the pages' encoder push, "CAN-RX"): seven records, copied whole, in the
// same several-producer ring as the MIDI FIFO. A post that finds the inbox full is dropped.
// Index 7 stands for slot 0, so the two indices run 0..7.
#include <cstdint>

#include "app/MsgFifo.h"
#include "toolkit/uxDefs.h"

class GUIMessageQueue {
 public:
  static constexpr uint16_t kSlots = 7;

  GUIMessageQueue() = default;

  void Clear() { ring_.Clear(); }
  // Safe in a signal handler: no lock, no allocation. false when the inbox was full.
  bool Post(const tagUX_Message& msg) { return ring_.Push(msg); }
  // The oldest undelivered message into `out`; false when there is none.
  bool Take(tagUX_Message& out) { return ring_.Pop(out, true) != 0; }

  uint16_t ReadIndex() const { return ring_.ReadIndex(); }
  uint16_t WriteIndex() const { return ring_.WriteIndex(); }

 private:
  MsgFifo<tagUX_Message, kSlots> ring_;
};
