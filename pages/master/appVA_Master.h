#pragma once
// The "MASTER" page: output scopes, part levels, mutes and part selection. It adds the
// per-part tabs SYNTH, VOICE, FX and the track tab to the main tab control. For now the
// tabs hold bare panels with the first part's page names, and the track tab the sequencer
// page of track 0.
#include "app/PageServices.h"
#include "toolkit/uxPanelCtrl.h"

class uxTabCtrl;

class appVA_Master : public uxPanelCtrl, public TrackTypeListener {
 public:
  appVA_Master(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR colour, uxTabCtrl* mainMenu);
  ~appVA_Master() override;

  // Puts the editor page of a track of the given type into the track tab; nothing yet.
  void SetTrackType(int /*track*/, int /*type*/) override {}

 private:
  PageServices* services_;
};
