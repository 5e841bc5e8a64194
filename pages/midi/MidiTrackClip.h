#pragma once
// The edit clip of a MIDI track as the track pages reach it: a clip-set load swaps the
// track instruments under the clip master's lock, so every read and write holds it.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"

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

// The clip (0-7) track `track` edits, -1 for none or without a launcher.
inline int EditClip(CClipCore* core, int track) {
  if (!core) return -1;
  auto lock = core->Master().Lock();
  return core->EditClip(track);
}

// Calls f(clip) with clip `clip` of the sequence instrument on `track` under the lock;
// false without calling it when there is none.
template <class F>
bool WithClip(CClipCore* core, int track, int clip, F&& f) {
  if (!core || clip < 0 || clip >= CInstrument::kScenes) return false;
  auto lock = core->Master().Lock();
  CInstrument* instrument = core->Master().Track(track);
  if (!instrument || instrument->IsSequence() != 1) return false;
  auto* seq = dynamic_cast<CInstrumentSeq*>(instrument);
  if (!seq) return false;
  f(seq->Clip(clip));
  return true;
}

}  // namespace midi_track
