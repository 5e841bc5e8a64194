#pragma once
// The trigger steps of the drum track's edit clip as a grid of 16 steps by six instrument
// rows, four pages of 16 steps, with the hit's instrument, accent, the clip length and row
// actions (clear, mute) on the panel encoders. Edits go straight into the clip.
#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class uxButton;
class uxLabel;
class uxTableCtrl;
class uxValueLabel;
struct ClipData;

class appVA_DrumGrid : public uxPanelCtrl {
 public:
  static constexpr int kColumns = 16;
  static constexpr int kRows = 7;  // row 0: the step headers
  static constexpr int kDrumTrack = 4;
  static constexpr int kRowTableId = 32;
  static constexpr uxCOLOR kMutedColour = 0x606060;
  static constexpr uxCOLOR kOpenColour = 0x0000D2;

  appVA_DrumGrid(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour,
                 CClipCore* clips);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Shows the edit clip in the grid; `refresh` also renumbers the step headers.
  void LoadGrid(bool refresh);

  int Clip() const { return clip_; }
  int Page() const { return page_; }
  uxTableCtrl* RowTable() const { return rowTable_; }
  uxTableCtrl* StepTable(int column) const { return stepTables_[column]; }
  uxButton* RowButton(int row) const { return rowButtons_[row]; }
  uxButton* Cell(int row, int column) const { return cells_[column][row]; }
  uxValueLabel* Action() const { return action_; }
  uxValueLabel* SelLabel() const { return select_; }
  uxValueLabel* AccentLabel() const { return accent_; }
  uxValueLabel* Steps() const { return steps_; }
  // The short name of drum instrument `i`, "" outside 0-13.
  static const char* ShortName(int instrument);

 private:
  // Calls f(clip, steps) with the edit clip and its length clamped to 0-64, under the lock.
  template <class F>
  bool WithClip(F&& f);
  void TouchCell(int row, int column);
  void OnValueTurned(int encoder, unsigned flag);
  int LastPage(int steps) const;

  CClipCore* clips_;
  int clip_ = -1;
  int page_ = 0;
  int row_ = -1;
  int column_ = -1;
  int lastStep_ = -1;
  uxLabel* clipName_;
  uxLabel* metre_;
  uxLabel* position_;
  uxValueLabel* action_;
  uxValueLabel* select_;
  uxValueLabel* accent_;
  uxValueLabel* steps_;
  uxTableCtrl* rowTable_;
  uxButton* rowButtons_[kRows] = {};
  uxTableCtrl* stepTables_[kColumns] = {};
  uxButton* cells_[kColumns][kRows] = {};
};
