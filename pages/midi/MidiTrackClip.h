#pragma once
// The edit clip of a MIDI track as the track pages reach it, and the loop's bars.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "midi/EditClipAccess.h"

namespace midi_track {

// Bars above this are shown and laid out as this many; real imports stay far below it.
inline constexpr int kMaxBars = 256;

// A metre without a numerator counts bars of four quarters.
inline int BarQuarters(int numerator) { return numerator > 0 ? numerator : 4; }

// Whole bars of a loop of `loopPP` pulses, capped at kMaxBars; computed in 64 bits.
inline int LoopBars(int32_t loopPP, int numerator) {
  if (loopPP <= 0) return 0;
  const int64_t bars = static_cast<int64_t>(loopPP) / kSeqPulsesPerQuarter / BarQuarters(numerator);
  return static_cast<int>(std::min<int64_t>(bars, kMaxBars));
}

// The edit clip and its access under the lock, as every track page has them.
using edit_clip::EditClip;
using edit_clip::ReadClip;
using edit_clip::WithClip;

}  // namespace midi_track
