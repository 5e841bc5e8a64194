#pragma once
// The "GRID" tab of a MIDI track page: the edit clip's notes and the chosen controller in a
// piano roll, with the play cursor.
#include "pages/midi/MidiTrackLabels.h"
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class uxPianoRoll;

class appVA_MidiTrackGrid : public uxPanelCtrl {
 public:
  appVA_MidiTrackGrid(uxHost* manager, int track, const char* name, uxPOINT pos, int16_t w, int16_t h,
                      uxCOLOR colour, CClipCore* clips, MidiTrackLabels labels);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Loads clip `clip` (0-7) of `track` into the roll; nothing without a sequence clip.
  void ShowClip(int track, int clip);

  uxPianoRoll* Roll() const { return roll_; }
  int Columns() const { return columns_; }
  int Accent() const { return accent_; }
  int ContentWidth() const { return contentWidth_; }
  float ColumnWidth() const { return columnWidth_; }

 private:
  CClipCore* clips_;
  uxPianoRoll* roll_;
  MidiTrackLabels labels_;
  int track_;
  int columns_ = 0;
  int accent_ = 0;
  int contentWidth_ = 0;
  float columnWidth_ = 20.0f;
};
