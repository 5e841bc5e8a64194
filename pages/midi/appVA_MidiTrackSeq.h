#pragma once
// The MIDI track page of one clip-launcher track: the edit clip's name, metre and play
// position, LOOP (bars) and TEMPO on encoders C and D, and the tabs GRID, SETTINGS and
// MIDI-FILE.
#include "pages/midi/MidiTrackLabels.h"
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class uxLabel;
class uxTabCtrl;
class uxValueLabel;
class appVA_MidiTrackGrid;
class appVA_MidiTrackFiles;
class PageServices;
class appVA_MidiTrackSettings;

class appVA_MidiTrackSeq : public uxPanelCtrl {
 public:
  static constexpr int kLoopUid = 249;
  static constexpr int kTempoUid = 240;
  static constexpr int kLoopChoices = MidiTrackLabels::kLoopChoices;

  // Without `services` the MIDI-FILE tab shows no progress popup.
  appVA_MidiTrackSeq(uxHost* manager, CClipCore* clips, int track, const char* name, uxPOINT pos, int16_t w,
                     int16_t h, uxCOLOR colour, PageServices* services = nullptr);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int port, int channel, int data1, int data2) override;

  uxTabCtrl* Tabs() const { return tabs_; }
  uxValueLabel* Loop() const { return labels_.loop; }
  uxValueLabel* Tempo() const { return labels_.tempo; }
  uxLabel* ClipName() const { return clipName_; }
  uxLabel* Metre() const { return metre_; }
  uxLabel* Position() const { return position_; }
  appVA_MidiTrackGrid* Grid() const { return grid_; }
  appVA_MidiTrackFiles* Files() const { return files_; }
  appVA_MidiTrackSettings* Settings() const { return settings_; }
  int CurrentClip() const { return clip_; }

 private:
  uxTabCtrl* tabs_;
  MidiTrackLabels labels_;
  uxLabel* clipName_;
  uxLabel* metre_;
  uxLabel* position_;
  appVA_MidiTrackGrid* grid_;
  appVA_MidiTrackFiles* files_;
  appVA_MidiTrackSettings* settings_;
  CClipCore* clips_;
  int clip_ = -1;
  int track_;
};
