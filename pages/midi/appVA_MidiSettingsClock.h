#pragma once
// The MIDI clock settings: clock source, transport in and out, clock out, each with a switch
// picture, and the tempo the clock runs at, yellow while an external clock arrives.
#include <cstdint>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxImage;
class uxLabel;
class uxValueLabel;

class appVA_MidiSettingsClock : public uxPanelCtrl {
 public:
  static constexpr int kClockSource = 0xD0;
  static constexpr int kClockOut = 0xD1;
  static constexpr int kTransportIn = 0xD2;
  static constexpr int kTransportOut = 0xD3;
  static constexpr int kValues = 4;
  static constexpr uxCOLOR kTempoExternal = 0xFFFF00;
  static constexpr uxCOLOR kTempoInternal = 0xFFFFFF;

  appVA_MidiSettingsClock(PageServices* services, int number, const char* name, uxPOINT pos, int16_t w, int16_t h,
                          const char* image);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void LoadValues(int number);
  void ApplyValue(int slot, float value);

  // By index in the order Clock Src, Clock Out, Trans In, Trans Out.
  uxValueLabel* Label(int index) const { return labels_[index]; }
  // The picture file the value's switch shows.
  const char* SwitchPicture(int index) const;
  const char* TempoText() const;
  uxCOLOR TempoColour() const { return tempoColour_; }

 private:
  void ShowSwitch(int index, float value);

  PageServices* services_;
  int number_;
  uxValueLabel* labels_[kValues];
  uxImage* switches_[kValues];
  int switchState_[kValues] = {};
  uxLabel* tempo_;
  uxCOLOR tempoColour_ = kTempoInternal;
};
