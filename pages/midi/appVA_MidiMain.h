#pragma once
// The "MIDI" page: a tab for each synth part's MIDI input, one for each external track's
// input and output, one for the MIDI clock and one for the devices. Its part and track
// keyboards show the notes played, which the core tells it as the key monitor.
#include "app/KeyMonitor.h"
#include "toolkit/uxPanelCtrl.h"

class MidiInputPage;
class PageServices;
class appVA_MidiDevices;
class appVA_MidiSettingsClock;
class uxTabCtrl;

class appVA_MidiMain : public uxPanelCtrl, public KeyMonitor {
 public:
  static constexpr int kInputPages = 6;  // parts A-D, ET1, ET2

  appVA_MidiMain(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                 uxCOLOR colour);
  ~appVA_MidiMain() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // MIDI threads and the audio thread: key flags only.
  void ShowKey(int channel, int status, int key) override;

  uxTabCtrl* Tabs() const { return tabs_; }
  // Parts 0-3, then the tracks 10 and 11.
  MidiInputPage* InputPage(int index) const { return inputs_[index]; }
  appVA_MidiSettingsClock* ClockPage() const { return clock_; }
  appVA_MidiDevices* DevicesPage() const { return devices_; }

 private:
  PageServices* services_;
  uxTabCtrl* tabs_;
  MidiInputPage* inputs_[kInputPages] = {};
  appVA_MidiSettingsClock* clock_ = nullptr;
  appVA_MidiDevices* devices_ = nullptr;
};
