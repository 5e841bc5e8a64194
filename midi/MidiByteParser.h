#pragma once
// Byte-at-a-time MIDI parser of the serial/USB port: channel messages with running status,
// system real-time bytes anywhere (even inside SysEx), SysEx content swallowed.
#include <cstdint>

#include "midi/MidiMessage.h"

class MidiByteParser {
 public:
  enum class State : uint8_t { Idle, FirstData, SecondData, OneData, SysEx };

  // Takes one byte; true when it completed a message, which is then in `out`.
  bool Feed(uint8_t byte, MidiMessage& out);

  State state() const { return state_; }

 private:
  void Idle(uint8_t byte);

  State state_ = State::Idle;
  uint8_t channel_ = 0;
  uint8_t status_ = 0;
  uint8_t data1_ = 0;
  uint8_t data2_ = 0;
  // Running status needs a status byte seen first; before that, data bytes are line noise.
  bool haveStatus_ = false;
};
