#include "midi/RawMidiParser.h"

bool RawMidiParser::Feed(uint8_t byte, MidiMessage& out) {
  if (IsMidiRealtime(byte)) {
    out = {0, byte, data1_, data2_};
    return true;
  }
  if (state_ != State::Idle && IsMidiStatus(byte)) {
    // A status byte abandons a pending message; the end of a SysEx only ends it. Keeping
    // the message open instead would deliver the next note under the SysEx's status.
    state_ = State::Idle;
    if (byte == 0xF7) return false;
  }
  switch (state_) {
    case State::Idle:
      Idle(byte);
      return false;
    case State::FirstData:
      data1_ = byte;
      state_ = State::SecondData;
      return false;
    case State::SecondData:
      data2_ = byte;
      state_ = State::Idle;
      out = {channel_, status_, data1_, data2_};
      return true;
    case State::OneData:
      data1_ = byte;
      state_ = State::Idle;
      out = {channel_, status_, data1_, 0};
      return true;
  }
  return false;
}

void RawMidiParser::Idle(uint8_t byte) {
  if (IsMidiStatus(byte)) {
    status_ = byte & 0xF0;
    channel_ = byte & 0x0F;
    haveStatus_ = true;
    state_ = (byte >= 0xC0 && byte <= 0xDF) ? State::OneData : State::FirstData;
  } else if (haveStatus_) {
    data1_ = byte;
    state_ = State::SecondData;
  }
}
