#pragma once
// The MIDI input of one synth part: port and channel, key range, bend ranges, velocity curve
// and octave transposition.
#include "pages/midi/MidiInputPage.h"

class appVA_MidiPart : public MidiInputPage {
 public:
  // Settings of a part, bits 0-11 of the UID.
  static constexpr int kPortChannel = 0xC8;
  static constexpr int kStart = 0xC9;
  static constexpr int kEnd = 0xCA;
  static constexpr int kTranspose = 0xCB;
  static constexpr int kBendUp = 0xCC;
  static constexpr int kBendDown = 0xCD;
  static constexpr int kVelocityCurve = 0xCE;

  // `part` 0-3.
  appVA_MidiPart(PageServices* services, int part, const char* name, uxPOINT pos, int16_t w, int16_t h,
                 uxCOLOR colour);
};
