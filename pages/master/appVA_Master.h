#pragma once
// The "MASTER" page: output scopes, part levels, mutes and part selection. It adds the
// per-part tabs SYNTH, VOICE, FX and the track tab to the main tab control, and builds the
// four part pages, showing the first part's in the SYNTH tab. For now VOICE and FX hold
// bare panels with the first part's page names, and the track tab the sequencer page of
// track 0.
#include "app/PageServices.h"
#include "toolkit/uxPanelCtrl.h"

class appVA_Part;
class uxTabCtrl;

class appVA_Master : public uxPanelCtrl, public TrackTypeListener {
 public:
  static constexpr int kParts = 4;

  appVA_Master(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR colour, uxTabCtrl* mainMenu);
  ~appVA_Master() override;

  // Puts the editor page of a track of the given type into the track tab; nothing yet.
  void SetTrackType(int /*track*/, int /*type*/) override {}

  appVA_Part* PartPage(int part) const { return part >= 0 && part < kParts ? partPages_[part] : nullptr; }

 private:
  PageServices* services_;
  appVA_Part* partPages_[kParts] = {};
  int shownPart_ = 0;
  bool synthTabOwnsPage_ = false;
};
