#pragma once
// The LOOP (bars) and TEMPO (BPM) value labels of a MIDI track page, which its sub-pages
// refresh. The track page owns them; either may be null while it has none.
class uxValueLabel;

struct MidiTrackLabels {
  uxValueLabel* loop = nullptr;
  uxValueLabel* tempo = nullptr;
};
