#pragma once
// Driver of the "SmartPAD": pads light by note-on velocity and cannot blink by themselves,
// so the driver blinks them on the MIDI clock, once a quarter note, and sends changed pads
// then too. The launch buttons and the pads share the notes 112-119, on different channels.
#include "midi/LaunchCtrl.h"

class CTL_SmartPAD : public LaunchCtrl {
 public:
  CTL_SmartPAD(CAlsaMidi* midi, int portIndex) : LaunchCtrl(midi, portIndex) {}

  // Switches the pads off at the next quarter note.
  void ResetLeds() override;
  void SetPadLed(int column, int row, int state) override;
  void SetTrackLed(int position, int state) override;
  // Lights the pad (column, row): blinking bright when `on`, dim when not.
  void SetSceneLed(int column, int row, int on) override;
  void SetShiftLed(int state) override;
  int DecodePad(int channel, int status, uint8_t data1, uint8_t data2, int& row,
                int& column) override;
  int DecodeTrackButton(int channel, int status, uint8_t data1, uint8_t data2,
                        int& position) override;
  int DecodeSceneButton(int channel, int status, uint8_t data1, uint8_t data2,
                        int& position) override;
  int DecodeShift(int channel, int status, uint8_t data1, uint8_t data2, int& pressed) override;
  int IsFunctionButton(int channel, int status, uint8_t data1, uint8_t data2) override;
  int IsNotControlChange(int channel, int status) override;
  void OnClockTick(int tick) override;

  static uint8_t PadNote(int column, int row) { return static_cast<uint8_t>(row * 16 + column); }

 private:
  enum Update : int32_t { kNothing = 0, kNoteOff = 1, kColour = 2 };
  struct Pad {
    uint8_t steady = 0;
    uint8_t blink = 0;
    int32_t update = kNothing;
    uint8_t blinking = 0;
  };

  Pad pads_[64];
  bool blinkPhase_ = false;
};
