#pragma once
// The tail of the application's per-part MIDI settings record that the MIDI conversion reads
// and writes; the application's record ends with these fields in this order.
#include <cstdint>

struct PartMidiSettings {
  uint8_t bendUp = 2;       // pitch-bend range up, semitones
  uint8_t bendDown = 2;     // pitch-bend range down, semitones
  uint8_t modAmount = 100;  // scales controller 1
  float noteOnFloat = 0.0f;    // every note conversion sets it to 0.0
  float noteOffFloat = 100.0f; // and this one to 100.0
  float velocityCurve = 0.0f;  // -100..100; 0 is linear
};
