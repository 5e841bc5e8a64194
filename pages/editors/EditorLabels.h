#pragma once
// How the voice editors read back the value labels they built: each label carries its
// editor slot in its user data, the slot's eighth is the encoder row it sits on, and enum
// labels hold their index as a float.
#include <cstdint>

#include "toolkit/uxDefs.h"
#include "toolkit/uxValueLabel.h"

namespace editor_labels {

inline int SlotOf(const uxValueLabel* label) { return static_cast<int>(label->GetUserData() & 0xFFF); }

// A stored value far outside any index (or not a number) reads as the first entry.
inline int IndexOf(float v) { return v >= -1e6f && v <= 1e6f ? static_cast<int>(v) : 0; }

// True when an encoder message turned this label: the one checked on the message's row.
inline bool TurnedBy(const tagUX_Message& msg, uxValueLabel* label, int slot) {
  return slot / 8 == static_cast<int>(msg.param & 3) && label->isChecked();
}

}  // namespace editor_labels
