#pragma once
// The LOOP (bars) and TEMPO (BPM) value labels of a MIDI track page, which its sub-pages
// refresh. The track page owns them; either may be null while it has none.
#include <algorithm>

class uxValueLabel;

struct MidiTrackLabels {
  // LOOP's choices: OFF and 1-16 bars; a longer loop shows the last and keeps its length.
  static constexpr int kLoopChoices = 16;
  // The LOOP choice that shows a loop of `bars` bars.
  static float LoopChoice(int bars) { return static_cast<float>(std::clamp(bars, 0, kLoopChoices)); }

  uxValueLabel* loop = nullptr;
  uxValueLabel* tempo = nullptr;
};
