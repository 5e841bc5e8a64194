#pragma once
// The edit clip of a track as the pages reach it. A clip-set load swaps the track instruments
// under the clip master's lock, so every read and write of a clip here holds it.
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/ClipData.h"

namespace edit_clip {

// The clip (0-7) the pages of `track` edit, -1 for none or without a launcher.
inline int EditClip(CClipCore* core, int track) {
  if (!core) return -1;
  auto lock = core->Master().Lock();
  return core->EditClip(track);
}

// Calls f(clip) with clip `clip` of the sequence instrument on `track`, under the lock;
// false without calling it when the track holds no sequence instrument or the clip is not
// 0-7.
template <class F>
bool WithClip(CClipCore* core, int track, int clip, F&& f) {
  if (!core || clip < 0 || clip >= CInstrument::kScenes) return false;
  auto lock = core->Master().Lock();
  auto* seq = dynamic_cast<CInstrumentSeq*>(core->Master().Track(track));
  if (!seq || seq->IsSequence() != 1) return false;
  f(seq->Clip(clip));
  return true;
}

// Calls f(clip) with clip `clip` as WithClip does, under the edit mutex alone: the clip's
// contents stay as they are while f copies or reads much, and the clock goes on ticking. f
// only reads, and not the play position (the clock writes that under its own mutex).
template <class F>
bool ReadClip(CClipCore* core, int track, int clip, F&& f) {
  if (!core || clip < 0 || clip >= CInstrument::kScenes) return false;
  auto lock = core->Master().EditLock();
  auto* seq = dynamic_cast<CInstrumentSeq*>(core->Master().Track(track));
  if (!seq || seq->IsSequence() != 1) return false;
  f(static_cast<const ClipData&>(seq->Clip(clip)));
  return true;
}

}  // namespace edit_clip
