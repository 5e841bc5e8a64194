#pragma once
// The MIDI input and output of an external clip track (ET1 = 10, ET2 = 11): input port and
// channel, key range, velocity curve, octave transposition, and the port and channel the
// track plays out on.
#include "pages/midi/MidiInputPage.h"

class appVA_MidiSettingsTrack : public MidiInputPage {
 public:
  static constexpr int kInPortChannel = 0xC8;
  static constexpr int kStart = 0xC9;
  static constexpr int kEnd = 0xCA;
  static constexpr int kTranspose = 0xCB;
  static constexpr int kVelocityCurve = 0xCE;
  static constexpr int kOutPortChannel = 0xCF;

  appVA_MidiSettingsTrack(PageServices* services, int track, const char* name, uxPOINT pos, int16_t w, int16_t h,
                          uxCOLOR colour);
};
