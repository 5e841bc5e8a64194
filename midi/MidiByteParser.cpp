#include "midi/MidiByteParser.h"

bool MidiByteParser::Feed(uint8_t byte, MidiMessage& out) {
  if (IsMidiRealtime(byte)) {
    out = {0, byte, data1_, data2_};
    return true;
  }
  switch (state_) {
    case State::Idle:
      Idle(byte);
      return false;
    case State::FirstData:
      if (IsMidiStatus(byte)) break;
      data1_ = byte;
      state_ = State::SecondData;
      return false;
    case State::SecondData:
      if (IsMidiStatus(byte)) break;
      data2_ = byte;
      state_ = State::Idle;
      out = {channel_, status_, data1_, data2_};
      return true;
    case State::OneData:
      if (IsMidiStatus(byte)) break;
      data1_ = byte;
      state_ = State::Idle;
      out = {channel_, status_, data1_, 0};
      return true;
    case State::SysEx:
      if (!IsMidiStatus(byte)) return false;
      if (byte == 0xF7) {
        state_ = State::Idle;
        return false;
      }
      break;
  }
  // A status byte ends whatever was pending and starts anew.
  state_ = State::Idle;
  Idle(byte);
  return false;
}

void MidiByteParser::Idle(uint8_t byte) {
  if (byte == 0xF0) {
    state_ = State::SysEx;
    return;
  }
  if (IsMidiStatus(byte)) {
    status_ = byte & 0xF0;
    channel_ = byte & 0x0F;
    haveStatus_ = true;
    state_ = (byte >= 0xC0 && byte <= 0xDF) ? State::OneData : State::FirstData;
    return;
  }
  if (haveStatus_) {
    data1_ = byte;
    state_ = State::SecondData;
  }
}
