#pragma once
// Driver of the "Launchpad Pro MK3" in programmer mode: every LED is a control change whose
// channel picks steady or pulsing and whose value picks the colour. The driver remembers
// what it lit so it can paint the whole picture again when the device asks for it.
#include "midi/LaunchCtrl.h"

class CTL_LaunchPADProMK3 : public LaunchCtrl {
 public:
  CTL_LaunchPADProMK3(CAlsaMidi* midi, int portIndex) : LaunchCtrl(midi, portIndex) {}

  void ResetLeds() override;
  void SetPadLed(int column, int row, int state) override;
  void SetTrackLed(int position, int state) override;
  // Also marks the pad (position, row) unless row is -1.
  void SetSceneLed(int position, int row, int state) override;
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
  // Handles the device's own requests: leaving and re-entering programmer mode.
  int OnMidiInput(int channel, int status, uint8_t data1, uint8_t data2) override;

  static uint8_t PadController(int column, int row) {
    return static_cast<uint8_t>(81 - 10 * row + column);
  }
  static uint8_t LaunchController(int position) { return static_cast<uint8_t>(89 - 10 * position); }
  static uint8_t SceneController(int position) { return static_cast<uint8_t>(101 + position); }

 private:
  void SendState(uint8_t controller, int state);
  void Repaint();

  int pads_[64] = {};
  int scenes_[8] = {};
  int launches_[8] = {};
};
