#pragma once
// The "SETTINGS" tab of a MIDI track page: the controllers the edit clip uses; choosing one
// shows it in the grid's controller lane.
#include <vector>

#include "pages/midi/MidiTrackLabels.h"
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class uxTableCtrl;

class appVA_MidiTrackSettings : public uxPanelCtrl {
 public:
  static constexpr int kMinRows = 8;

  appVA_MidiTrackSettings(uxHost* manager, int track, const char* name, uxPOINT pos, int16_t w, int16_t h,
                          uxCOLOR colour, CClipCore* clips, MidiTrackLabels labels);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void FillControllerList(int track, int clip);

  uxTableCtrl* Table() const { return table_; }
  const std::vector<int>& Controllers() const { return controllers_; }

 private:
  CClipCore* clips_;
  uxTableCtrl* table_;
  MidiTrackLabels labels_;
  std::vector<int> controllers_;
  int selectedRow_ = -1;
  int track_;
};
