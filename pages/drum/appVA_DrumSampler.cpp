#include "pages/drum/appVA_DrumSampler.h"

#include <utility>

#include "app/PageServices.h"
#include "pages/drum/appVA_DrumGrid.h"
#include "pages/drum/appVA_DrumInstrument.h"
#include "pages/drum/appVA_DrumKit.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"

namespace {

struct InstrumentSpec {
  const char* tab;
  const char* page;
  const char* subFolder;
};
constexpr InstrumentSpec kInstrumentSpecs[appVA_DrumSampler::kInstruments] = {
    {"KICK", "KICK", "/kick"},           {"SNARE1", "SNARE1", "/snare"},     {"SNARE2", "SNARE2", "/snare"},
    {"CLHAT", "CL-HAT", "/clhat"},       {"OPHAT", "OP-HAT", "/ophat"},      {"RIDE", "RIDE", "/ride"},
    {"CRASH", "CRASH", "/crash"},        {"TOM1", "TOM1", "/percusion"},     {"TOM2", "TOM2", "/percusion"},
    {"TOM3", "TOM3", "/percusion"},      {"PRC1", "PRC1", "/percusion"},     {"PRC2", "PRC2", "/percusion"},
    {"PRC3", "PRC3", "/percusion"},      {"MIS", "MISC", "/misc"},
};
const uxPOINT kSubPagePos(0, 80);
constexpr int16_t kSubPageWidth = 800;
constexpr int16_t kSubPageHeight = 400;
constexpr int16_t kMiscHeight = 330;

}  // namespace

appVA_DrumSampler::appVA_DrumSampler(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                                     int16_t h, uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour) {
  setRepaint();
  tabs_ = new uxTabCtrl(services, 0, "DRUM", uxPOINT(0, 40), 800, 40, 0x404040, 0xC0C0C0, 0, 10);
  AddElement(tabs_);

  auto* kitTab = new uxTabItemCtrl(services, 0, "KIT", 0x303030, 0xFFFFFF, nullptr);
  kit_ = new appVA_DrumKit(services, "KIT", kSubPagePos, kSubPageWidth, kSubPageHeight, "kit_bkg.png");
  kitTab->AddPanel(kit_);
  tabs_->AddTabItem(kitTab);

  auto* gridTab = new uxTabItemCtrl(services, 1, "GRID", 0x101010, 0xFFFFFF, nullptr);
  grid_ = new appVA_DrumGrid(services, 0, "GRID", kSubPagePos, kSubPageWidth, kSubPageHeight, 0x101010,
                             services->ClipLauncher());
  gridTab->AddPanel(grid_);
  tabs_->AddTabItem(gridTab);

  tabs_->AddTabItem(new uxTabItemCtrl(services, 2, " << ", 0x101010, 0xFFFFFF, nullptr, false, uxTabItemCtrl::kLeftArrow));
  for (int i = 0; i < kInstruments; ++i) {
    const InstrumentSpec& s = kInstrumentSpecs[i];
    auto* tab = new uxTabItemCtrl(services, static_cast<unsigned>(3 + i), s.tab, 0x101010, 0xFFFFFF, nullptr,
                                  i < kInstruments - 1);
    instruments_[i] = new appVA_DrumInstrument(services, i, s.page, kSubPagePos, kSubPageWidth,
                                               i == kInstruments - 1 ? kMiscHeight : kSubPageHeight, 0x101010,
                                               s.subFolder);
    tab->AddPanel(instruments_[i]);
    tabs_->AddTabItem(tab);
  }
  tabs_->AddTabItem(
      new uxTabItemCtrl(services, 17, " >> ", 0x101010, 0xFFFFFF, nullptr, false, uxTabItemCtrl::kRightArrow));
  tabs_->setActiveTab(0);
  tabs_->SetFocus(true);
}

appVA_DrumSampler::~appVA_DrumSampler() = default;

int appVA_DrumSampler::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int appVA_DrumSampler::OnMessage(tagUX_Message* msg) { return uxPanelCtrl::OnMessage(msg); }

// Of the sub-pages only the kit page has controls that learn controllers.
int appVA_DrumSampler::OnMidiCC(int port, int channel, int controller, int value) {
  kit_->OnMidiCC(port, channel, controller, value);
  return 1;
}
