#pragma once
// The "DRUM" page: a strip of tabs over the kit page, the drum grid and one page per drum
// instrument. It edits nothing itself.

#include "toolkit/uxPanelCtrl.h"

class CClipCore;
class PageServices;
class appVA_DrumInstrument;
class appVA_DrumKit;
class uxTabCtrl;

class appVA_DrumSampler : public uxPanelCtrl {
 public:
  static constexpr int kInstruments = 14;
  static constexpr int kTabItems = 18;
  // Builds the grid page (800 x 400 at (0, 80)) over the clip launcher; without one the
  // section shows a bare panel in its place.

  appVA_DrumSampler(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                    uxCOLOR colour);
  ~appVA_DrumSampler() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int port, int channel, int controller, int value) override;

  uxTabCtrl* Tabs() const { return tabs_; }
  appVA_DrumKit* Kit() const { return kit_; }
  uxPanelCtrl* Grid() const { return grid_; }
  appVA_DrumInstrument* Instrument(int i) const { return i >= 0 && i < kInstruments ? instruments_[i] : nullptr; }

 private:
  uxTabCtrl* tabs_ = nullptr;
  appVA_DrumKit* kit_ = nullptr;
  uxPanelCtrl* grid_ = nullptr;
  appVA_DrumInstrument* instruments_[kInstruments] = {};
};
