#include "midi/HeldNoteList.h"

#include <type_traits>

// The latched pattern is taken by plain copy on the clock path.
static_assert(std::is_trivially_copyable_v<HeldNoteList>);
static_assert(sizeof(HeldNoteList) == 1 + 3 * HeldNoteList::kSlots + 1 + HeldNoteList::kMaxKeys);

void HeldNoteList::Clear() {
  count = 0;
  head = 0;
  for (Slot& s : slots) s = Slot{kFreeKey, 0, 0};
  for (uint8_t& s : sorted) s = 0;
}

int HeldNoteList::FindSlot(int key) const {
  // A free slot's 0xFF can never match, since only 0-127 get in.
  if (key < 0 || key > 127) return 0;
  for (int s = 1; s < kSlots; ++s)
    if (slots[s].key == key) return s;
  return 0;
}

int HeldNoteList::OldestSlot() const {
  int s = head;
  while (s != 0 && slots[s].next != 0) s = slots[s].next;
  return s;
}

void HeldNoteList::Add(int key, uint8_t velocity) {
  // 0xFF marks a free slot, so a transposed or shifted key beyond the MIDI range would
  // corrupt the record.
  if (key < 0 || key > 127) return;
  if (const int held = FindSlot(key); held != 0) RemoveSlot(held);
  if (count >= kMaxKeys) RemoveSlot(OldestSlot());

  int slot = 1;
  while (slot < kSlots && slots[slot].key != kFreeKey) ++slot;
  if (slot == kSlots) return;  // unreachable: the drop above always frees one

  slots[slot] = Slot{static_cast<uint8_t>(key), velocity, head};
  head = static_cast<uint8_t>(slot);

  int at = 0;
  while (at < count && slots[sorted[at]].key <= key) ++at;
  for (int i = count; i > at; --i) sorted[i] = sorted[i - 1];
  sorted[at] = static_cast<uint8_t>(slot);
  ++count;
}

void HeldNoteList::Remove(int key) {
  if (const int slot = FindSlot(key); slot != 0) RemoveSlot(slot);
}

void HeldNoteList::RemoveSlot(int slot) {
  if (head == slot) {
    head = slots[slot].next;
  } else {
    int prev = head;
    while (prev != 0 && slots[prev].next != slot) prev = slots[prev].next;
    if (prev != 0) slots[prev].next = slots[slot].next;
  }

  int at = 0;
  while (at < count && sorted[at] != slot) ++at;
  if (at < count) {
    for (int i = at; i + 1 < count; ++i) sorted[i] = sorted[i + 1];
    // Keep unused entries at 0 so a record that was emptied again equals a cleared one.
    sorted[count - 1] = 0;
    --count;
  }
  slots[slot] = Slot{kFreeKey, 0, 0};
}
