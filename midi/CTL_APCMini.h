#pragma once
// Driver of the "APC MINI" pad controller: every LED is a note-on on channel 0 whose
// velocity is the LED state itself. Also the base of the mk2, which differs in its notes
// and colour codes.
#include "midi/LaunchCtrl.h"

class CTL_APCMini : public LaunchCtrl {
 public:
  // The notes of one model's controls.
  struct Notes {
    uint8_t firstLaunch;  // launch buttons 0-7
    uint8_t firstScene;   // second-row buttons 0-7
    uint8_t shift;
    uint8_t function;
  };

  CTL_APCMini(CAlsaMidi* midi, int portIndex) : CTL_APCMini(midi, portIndex, kNotes) {}

  void ResetLeds() override;
  void SetPadLed(int column, int row, int state) override;
  void SetTrackLed(int position, int state) override;
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

  // Pad notes, bottom-up on the device: row 0 is the top row.
  static uint8_t PadNote(int column, int row) { return static_cast<uint8_t>(56 - 8 * row + column); }

 protected:
  CTL_APCMini(CAlsaMidi* midi, int portIndex, const Notes& notes)
      : LaunchCtrl(midi, portIndex), notes_(notes) {}

  static constexpr Notes kNotes{82, 64, 98, 89};
  const Notes& notes_;
};
