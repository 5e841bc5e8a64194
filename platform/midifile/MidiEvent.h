#pragma once
// One event of a Standard MIDI File track: its absolute tick and its bytes as the file
// holds them, running status expanded (status first; a meta event FF type length data, a
// system-exclusive event F0/F7 length data). A note-on and the note-off that ends it point
// at each other once the file's notes are paired.
#include <cstdint>
#include <string>

namespace smf {

class MidiEvent {
 public:
  int tick = 0;   // absolute, in the file's ticks per quarter note
  int track = 0;

  int size() const { return static_cast<int>(size_); }
  const uint8_t* data() const { return data_; }
  // Byte `i` (0: the status); 0 outside the event.
  int operator[](int i) const { return i >= 0 && i < size() ? data_[i] : 0; }
  int getP0() const { return (*this)[0]; }
  int getP1() const { return (*this)[1]; }
  int getP2() const { return (*this)[2]; }
  int getChannel() const { return getP0() & 0x0F; }

  bool isNoteOn() const { return (getP0() & 0xF0) == 0x90 && size() == 3 && getP2() > 0; }
  bool isNoteOff() const {
    const int s = getP0() & 0xF0;
    return size() == 3 && (s == 0x80 || (s == 0x90 && getP2() == 0));
  }
  bool isNote() const { return isNoteOn() || isNoteOff(); }
  bool isController() const { return (getP0() & 0xF0) == 0xB0 && size() == 3; }
  bool isMetaMessage() const { return getP0() == 0xFF && size() >= 3; }
  int getMetaType() const { return isMetaMessage() ? getP1() : -1; }
  // FF 58 04 nn dd cc bb.
  bool isTimeSignature() const { return getMetaType() == 0x58 && size() == 7 && getP2() == 4; }
  bool isTrackName() const { return getMetaType() == 0x03; }
  bool isEndOfTrack() const { return getMetaType() == 0x2F; }
  // The data of a meta event after its type and length, as bytes; empty for other events.
  std::string getMetaContent() const;

  int getKeyNumber() const { return getP1(); }
  int getVelocity() const { return getP2(); }
  int getControllerNumber() const { return getP1(); }
  int getControllerValue() const { return getP2(); }

  bool isLinked() const { return linked_ != nullptr; }
  MidiEvent* getLinkedEvent() const { return linked_; }
  int getTickDuration() const { return linked_ ? linked_->tick - tick : 0; }
  void linkEvent(MidiEvent* other);
  void unlinkEvent();

 private:
  friend class MidiEventList;
  const uint8_t* data_ = nullptr;  // in the track's byte store
  uint32_t size_ = 0;
  uint32_t offset_ = 0;            // of data_ in that store
  MidiEvent* linked_ = nullptr;
};

}  // namespace smf
