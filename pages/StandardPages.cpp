#include "pages/StandardPages.h"

#include "app/PageServices.h"
#include "pages/arrange/appVA_Arrange.h"
#include "pages/clips/appVA_Clips.h"
#include "pages/diag/appVA_Diag.h"
#include "pages/drum/appVA_DrumSampler.h"
#include "pages/master/appVA_Master.h"
#include "pages/midi/appVA_MidiMain.h"
#include "pages/widgets/uxPopupWT.h"

namespace {

class Pages final : public PageFactory {
 public:
  uxPanelCtrl* MakePage(PageId page, const PageFrame& f, PageServices& services, uxTabCtrl* mainMenu) const override {
    PageServices* s = &services;
    switch (page) {
      case PageId::kArrange:
        return new appVA_Arrange(s);
      case PageId::kMaster:
        return new appVA_Master(s, 0, f.name, f.pos, f.width, f.height, f.colour, mainMenu);
      case PageId::kDrum:
        return new appVA_DrumSampler(s, 0, f.name, f.pos, f.width, f.height, f.colour);
      case PageId::kClips:
        return new appVA_Clips(s, 0, f.name, f.pos, f.width, f.height, f.colour, services.ClipLauncher());
      case PageId::kMidi:
        return new appVA_MidiMain(s, 0, f.name, f.pos, f.width, f.height, f.colour);
      case PageId::kDiag:
        return new appVA_Diag(s, 0, 0, f.name, f.pos, f.width, f.height, f.colour);
    }
    return nullptr;
  }

  uxPopup* MakeWavetablePopup(uxHost* host, const char* name, uxPOINT pos, int16_t width, int16_t height,
                              uxCOLOR background, uxCOLOR text) const override {
    return new uxPopupWT(host, name, pos, width, height, background, text);
  }

  void SetWavetablePopup(uxPopup* popup, const char* title, const WaveTable* table) const override {
    // The core makes its wavetable popup only through MakeWavetablePopup above.
    auto* wt = static_cast<uxPopupWT*>(popup);
    wt->SetWavetable(table);
    wt->SetShown(true);
    wt->SetTitle(title != nullptr ? title : "");
  }
};

}  // namespace

const PageFactory& StandardPages() {
  static const Pages pages;
  return pages;
}
