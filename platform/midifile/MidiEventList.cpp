#include "MidiEventList.h"

namespace smf {

void MidiEventList::append(int tick, int track, const uint8_t* bytes, std::size_t n) {
  MidiEvent e;
  e.tick = tick;
  e.track = track;
  e.offset_ = static_cast<uint32_t>(bytes_.size());
  e.size_ = static_cast<uint32_t>(n);
  bytes_.insert(bytes_.end(), bytes, bytes + n);
  events_.push_back(e);
}

void MidiEventList::seal() {
  for (MidiEvent& e : events_) e.data_ = bytes_.data() + e.offset_;
}

void MidiEventList::clear() {
  events_.clear();
  bytes_.clear();
}

int MidiEventList::linkNotePairs() {
  // Open note-ons of each channel and key, most recent last: a chain through the events'
  // indexes, so pairing allocates nothing per note.
  constexpr int kNone = -1;
  std::vector<int> top(16 * 128, kNone);
  std::vector<int> below(events_.size(), kNone);
  int pairs = 0;
  for (std::size_t i = 0; i < events_.size(); ++i) {
    MidiEvent& e = events_[i];
    if (!e.isNote()) continue;
    e.unlinkEvent();
    const int slot = e.getChannel() * 128 + (e.getKeyNumber() & 0x7F);
    if (e.isNoteOn()) {
      below[i] = top[slot];
      top[slot] = static_cast<int>(i);
    } else if (top[slot] != kNone) {
      const int on = top[slot];
      top[slot] = below[static_cast<std::size_t>(on)];
      events_[static_cast<std::size_t>(on)].linkEvent(&e);
      ++pairs;
    }
  }
  return pairs;
}

}  // namespace smf
