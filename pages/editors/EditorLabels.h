#pragma once
// How the voice editors read back the value labels they built: each label carries its
// editor slot in its user data, the slot's eighth is the encoder row it sits on, and enum
// labels hold their index as a float. After a preset load each editor reads its labels back
// from the parameter store the same way.
#include <cstddef>
#include <cstdint>

#include "app/PageServices.h"
#include "toolkit/uxDefs.h"
#include "toolkit/uxValueLabel.h"

namespace editor_labels {

// Who follows a label change: one the front panel sent repaints the label and updates the
// store and the engine; one a controller made updates the store and the engine and goes out
// to the front panel.
constexpr unsigned kFlagsFromPanel = FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;
constexpr unsigned kFlagsFromController = FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM | FLAG_SEND_CAN;

inline int SlotOf(const uxValueLabel* label) { return static_cast<int>(label->GetUserData() & 0xFFF); }

// A stored value far outside any index (or not a number) reads as the first entry.
inline int IndexOf(float v) { return v >= -1e6f && v <= 1e6f ? static_cast<int>(v) : 0; }

// True when an encoder message turned this label: the one checked on the message's row.
inline bool TurnedBy(const tagUX_Message& msg, uxValueLabel* label, int slot) {
  return slot / 8 == static_cast<int>(msg.param & 3) && label->isChecked();
}

// True when a values-changed message is for every part (-1) or for this one.
inline bool ReloadsPart(const tagUX_Message& msg, int part) {
  return static_cast<int>(msg.param) == -1 || static_cast<int>(msg.param) == part;
}

// Sets every label to its stored value with these flags, then hands label and value on.
template <std::size_t N, class Apply>
void ReloadLabels(PageServices& services, uxValueLabel* const (&labels)[N], unsigned flags, Apply&& apply) {
  for (uxValueLabel* label : labels) {
    const float v = services.GetParamById(label->GetID());
    label->SetFloatValue(v, flags);
    apply(label, v);
  }
}

// Offers a controller move to every label. For each label it moved, `take` applies the
// label's new value to the editor and returns the value to report, which goes to the store
// with these flags.
template <std::size_t N, class Take>
void TakeControllerMove(PageServices& services, uxValueLabel* const (&labels)[N], int a, int part, int controller,
                        int value, unsigned flags, Take&& take) {
  for (uxValueLabel* label : labels) {
    if (label->OnMidiCC(a, part, controller, value) == 0) continue;
    const float v = take(label);
    services.ValueChanged(static_cast<uint32_t>(label->GetID()), flags, v);
  }
}

}  // namespace editor_labels
