#pragma once
// The demo song of a fresh data tree: the "[default]" clip set with three clips in the first
// scene that play together once launched (a step pattern on part A, chords from a MIDI file
// on part B, a beat on the drum grid), and the MIDI file itself in the "midifiles/" folder.
#include <cstdint>
#include <vector>

#include "midi/ClipData.h"

class DemoSong {
 public:
  static constexpr const char* kClipSet = "[default]";
  static constexpr const char* kMidiFile = "Factory Chords.mid";
  static constexpr int kStepTrack = 0;   // part A
  static constexpr int kChordTrack = 1;  // part B
  static constexpr int kDrumTrack = 4;
  static constexpr int kScene = 0;

  // The chords, as the MIDI file and the clip hold them (96 pulses a quarter note).
  static std::vector<SeqEvent> ChordEvents();
  // A format 0 standard MIDI file of `events` at 96 pulses a quarter note.
  static std::vector<uint8_t> MidiFileBytes(const std::vector<SeqEvent>& events, const char* trackName);

  // Writes the MIDI file and the clip set under the data root; false (after a line on stderr)
  // when either could not be written.
  static bool Write();
};
