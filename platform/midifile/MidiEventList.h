#pragma once
// The events of one track in file order, with the bytes they point into.
#include <cstdint>
#include <vector>

#include "MidiEvent.h"

namespace smf {

class MidiEventList {
 public:
  MidiEventList() = default;
  // Events point into the list's own byte store, so a list is moved, never copied.
  MidiEventList(const MidiEventList&) = delete;
  MidiEventList& operator=(const MidiEventList&) = delete;
  MidiEventList(MidiEventList&&) = default;
  MidiEventList& operator=(MidiEventList&&) = default;

  int size() const { return static_cast<int>(events_.size()); }
  int getEventCount() const { return size(); }
  MidiEvent& operator[](int i) { return events_[static_cast<std::size_t>(i)]; }
  const MidiEvent& operator[](int i) const { return events_[static_cast<std::size_t>(i)]; }
  MidiEvent& back() { return events_.back(); }

  // Appends an event of `n` bytes at `tick`; its bytes are valid once Seal has run.
  void append(int tick, int track, const uint8_t* bytes, std::size_t n);
  // Points every event at its bytes; call once the track is complete.
  void seal();
  void clear();
  // Pairs each note-off with the latest still-open note-on of its channel and key; returns
  // the number of pairs. Note-ons left open stay unlinked.
  int linkNotePairs();

 private:
  std::vector<MidiEvent> events_;
  std::vector<uint8_t> bytes_;
};

}  // namespace smf
