#pragma once
// Byte-at-a-time MIDI parser of one ALSA raw-MIDI port. Unlike the serial port's parser it
// has no SysEx state: SysEx bytes come through as messages of status 0xF0 with two data
// bytes each, which the pad-controller drivers read.
#include <cstdint>

#include "midi/MidiMessage.h"

class RawMidiParser {
 public:
  enum class State : uint8_t { Idle, FirstData, SecondData, OneData };

  // Takes one byte; true when it completed a message, which is then in `out`.
  bool Feed(uint8_t byte, MidiMessage& out);

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
