#pragma once
// The "SETTINGS" tab of the sequencer page: the clip-wide settings of the track's edit clip
// (steps, key substitution, note order, restart, step length) chosen from lists, and through
// the sequencer page's encoder labels its mode, its gate width and the launcher's tempo.
// Edits go straight into the clip; playback takes them at the track's next step.
#include <cstdint>

#include "pages/seq/SeqClips.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxTableCtrl;

class appVA_SeqSettings : public uxPanelCtrl {
 public:
  enum Table { kSteps, kSubstitute, kOrder, kRestart, kFactor, kTables };

  appVA_SeqSettings(PageServices* services, int track, const char* name, uxPOINT pos, int16_t w, int16_t h,
                    uxCOLOR colour, CClipCore* clips, seq::Labels labels);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Everything shown again from the edit clip (the sequencer page's reload).
  void updateParam();
  // The list rows chosen from the edit clip.
  void UpdateTables();
  void SetEncoderValue(int slot, bool fromLabel, float value);

  uxTableCtrl* TableOf(Table t) const { return tables_[t]; }
  int EditClip() const { return editClip_; }

 private:
  // What the page shows of a clip, copied under the clip lock.
  struct Shown {
    int32_t StepCount, Factor, KeySubstitute, OrderAlgo, RestartMode, OpMode;
    float GateWidth;
  };
  // Copies the edit clip's settings; false when the track has no sequence or no edit clip.
  bool ReadClip(Shown& shown);
  void AddListTable(uxTableCtrl* table, const char* const* texts);
  // Rows from the clip's values; a value that no row stands for leaves its list as it is.
  void SelectFromClip(const Shown& clip);
  void SelectDefaults();

  uxTableCtrl* tables_[kTables] = {};
  seq::Labels labels_;
  CClipCore* clips_;
  int editClip_ = -1;
  int track_;
};
