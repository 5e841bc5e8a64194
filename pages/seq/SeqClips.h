#pragma once
// What the sequencer page and its nine tabs share: the bank of eight steps every track's
// step pages show, the way to the edit clip of a track under the clip master's lock, and the
// four encoder labels the sequencer page owns and its tabs drive.
//
// A clip-set load swaps the track instruments under the clip master's lock, so every read
// and write of a clip here holds it; the lock is never held while a widget is told anything.
#include <cstdint>

#include "midi/EditClipAccess.h"

class uxValueLabel;

// The bank the step pages show: bank b is steps 8b+1 .. 8b+8. One for all tracks, so
// switching tracks keeps it. GUI thread only.
inline int SeqStepBank = 0;

namespace seq {

// The encoder labels A to D, in the order of their encoders; B is never drawn.
inline constexpr int kLabels = 4;
using Labels = uxValueLabel* const*;

// Encoder slots of the labels: slot / 8 is the panel encoder.
inline constexpr int kSlotMode = 0;
inline constexpr int kSlotUnused = 8;
inline constexpr int kSlotGate = 16;
inline constexpr int kSlotTempo = 24;

// The edit clip and its access under the lock, as every track page has them.
using edit_clip::EditClip;
using edit_clip::WithClip;

// The last bank that starts inside a clip of `stepCount` steps (counts outside 0..64 read
// as the nearest of them): the banks a page may move to are 0 .. LastBank.
inline int LastBank(int stepCount) {
  const int n = stepCount < 0 ? 0 : (stepCount > kClipSteps ? kClipSteps : stepCount);
  return n > 0 ? (n - 1) / 8 : 0;
}

// The clip launcher's tempo (beats a minute).
int Tempo(CClipCore* core);

// The page's tab became active: labels C and D show and edit the gate width of the edit
// clip and the launcher's tempo (the step pages relabel them on every visit, as the
// settings page does).
void FocusEncoders(Labels labels, CClipCore* core, int track, int clip);

// A label's value stored where its encoder slot says: 0 the clip's mode, 16 its gate width,
// 24 the launcher's tempo (with or without a clip); 8 nothing. `log` prints the mode's value
// line. Without `fromLabel` the label's own raw value is set first.
void SetEncoderValue(Labels labels, CClipCore* core, int track, int clip, int slot, bool fromLabel, float value,
                     bool log);

// A 275 (encoder value changed): each checked label of encoder `param & 3` hands its value on.
void EncoderChanged(Labels labels, CClipCore* core, int track, int clip, uint32_t param, bool log);

}  // namespace seq
