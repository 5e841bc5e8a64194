#pragma once
// Driver of the "APC mini mk2": the APC MINI's scheme with other notes; pad colours are
// chosen by velocity and blinking by the note-on's channel; buttons are simply on or off.
#include "midi/CTL_APCMini.h"

class CTL_APCMiniMk2 : public CTL_APCMini {
 public:
  CTL_APCMiniMk2(CAlsaMidi* midi, int portIndex) : CTL_APCMini(midi, portIndex, kMk2Notes) {}

  void SetPadLed(int column, int row, int state) override;
  void SetTrackLed(int position, int state) override;
  void SetSceneLed(int position, int row, int state) override;
  void SetShiftLed(int state) override;

 private:
  static constexpr Notes kMk2Notes{112, 100, 122, 119};
};
