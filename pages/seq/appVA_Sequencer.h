#pragma once
// The sequencer page of one clip track: nine tabs (the clip's settings and the eight step
// pages), a header with the edit clip's name, metre and song position, and the four encoder
// labels the tabs share. It follows which clip of its track is edited (the clip page's
// choice, or the playing scene) and which bank of eight steps the step pages show, and
// reloads the tabs when either changes.
#include <cstdint>

#include "pages/seq/SeqClips.h"
#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxLabel;
class uxTabCtrl;
class uxValueLabel;
class appVA_SeqSettings;
class appVA_SeqStep;

// The tracks that have a sequencer page, and the page's name (the drum track has none).
struct SequencerTrack {
  int track;
  const char* name;
};
inline constexpr SequencerTrack kSequencerTracks[] = {
    {0, " ARP A "}, {1, " ARP B "}, {2, " ARP C "}, {3, " ARP D "}, {5, "ARP ET1"}, {6, "ARP ET2"},
};

class appVA_Sequencer : public uxPanelCtrl {
 public:
  static constexpr int kTabs = 9;
  static constexpr int kStepPages = 8;
  static constexpr uint32_t kBankEncoder = 148;  // the fifth panel encoder

  // The page of `track` (also its element id), at (0, 40), 800 x 440, colour 0x303030 on the
  // Master page.
  appVA_Sequencer(PageServices* services, int track, const char* name, uxPOINT pos, int16_t w, int16_t h,
                  uxCOLOR colour);
  ~appVA_Sequencer() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;

  // Every tab shows `bank` of the edit clip again.
  void UpdateStepPages(int bank);

  int Track() const { return track_; }
  int EditClip() const { return editClip_; }
  uxTabCtrl* Tabs() const { return tabs_; }
  uxValueLabel* Label(int i) const { return labels_[i]; }
  appVA_SeqSettings* Settings() const { return settings_; }
  appVA_SeqStep* StepPage(int i) const { return steps_[i]; }
  uxLabel* ClipName() const { return clipName_; }
  uxLabel* Metre() const { return metre_; }
  uxLabel* Position() const { return position_; }
  uxLabel* ClipCaption() const { return clipCaption_; }

 private:
  // The clip name into the header when the track has a sequence; false when it has none.
  bool ShowClipName();
  // The step count of the edit clip (0..64), or -1 without a clip to move through.
  int EditClipSteps();

  PageServices* services_;
  uxTabCtrl* tabs_;
  uxValueLabel* labels_[seq::kLabels] = {};
  appVA_SeqSettings* settings_ = nullptr;
  appVA_SeqStep* steps_[kStepPages] = {};
  uxLabel* clipCaption_ = nullptr;
  uxLabel* clipName_ = nullptr;
  uxLabel* metre_ = nullptr;
  uxLabel* position_ = nullptr;
  CClipCore* clips_;
  int editClip_ = -1;
  int track_;
};
