#pragma once
// The keys held down on a MIDI input, in one fixed record that answers both "newest first"
// and "lowest first" for an arpeggiator. Never allocates; copying it copies the whole state.
#include <cstdint>

class HeldNoteList {
 public:
  static constexpr int kMaxKeys = 16;
  // Slot 0 doubles as the "none" link, so keys live in slots 1-16.
  static constexpr int kSlots = kMaxKeys + 1;
  static constexpr uint8_t kFreeKey = 0xFF;

  struct Slot {
    uint8_t key;       // kFreeKey = free
    uint8_t velocity;
    uint8_t next;      // slot of the next older held key; 0 = none
    bool operator==(const Slot&) const = default;
  };

  HeldNoteList() { Clear(); }

  void Clear();
  // Presses `key` (0-127; anything else is ignored): a held key moves to the front with the
  // new velocity; with 16 held, the oldest is dropped first.
  void Add(int key, uint8_t velocity);
  // Releases `key`; a key that is not held changes nothing.
  void Remove(int key);

  int Count() const { return count; }
  // Slot of the most recently pressed key; 0 when empty. Follow Slot::next to go older.
  int Head() const { return head; }
  // Slot of the least recently pressed key; 0 when empty.
  int OldestSlot() const;
  // Slots 0-16; free slots read key kFreeKey.
  const Slot& SlotAt(int slot) const { return slots[slot]; }
  // Slot of the index-th lowest held key, index 0 to Count()-1.
  int SortedSlot(int index) const { return sorted[index]; }
  // Slot holding `key`; 0 when it is not held.
  int FindSlot(int key) const;

  bool operator==(const HeldNoteList&) const = default;

 private:
  void RemoveSlot(int slot);

  uint8_t count;
  Slot slots[kSlots];
  uint8_t head;
  uint8_t sorted[kMaxKeys];
};
