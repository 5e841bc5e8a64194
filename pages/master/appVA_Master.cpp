#include "pages/master/appVA_Master.h"

#include "pages/part/appVA_Part.h"
#include "pages/seq/appVA_Sequencer.h"

#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"

namespace {

struct PartTab {
  unsigned id;
  const char* caption;
  uxCOLOR background;
  uxCOLOR text;
  const char* page;
  uint32_t pageId;
  uxCOLOR pageColour;
  int sequencerTrack;  // the track whose sequencer page the tab holds, -1: a bare panel
};

constexpr PartTab kPartTabs[] = {
    {3, "VOICE A", 0x202020, 0x0000FF, "VOICE 1", 0, 0x404040, -1},
    {4, "FX A", 0x404040, 0x0000FF, "FX 1", 0x80000, 0x404040, -1},
    {5, " ARP A ", 0x303030, 0x0000FF, " ARP A ", 0, 0x303030, 0},
};

constexpr const char* kPartPageNames[appVA_Master::kParts] = {"PART A", "PART B", "PART C", "PART D"};
constexpr uint32_t kPartIdStep = 0x10000;
constexpr unsigned kSynthTab = 2;

}  // namespace

appVA_Master::appVA_Master(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                           int16_t h, uxCOLOR colour, uxTabCtrl* mainMenu)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services) {
  services_->AddControllerListener(this);
  services_->SetTrackTypeListener(this);
  for (int p = 0; p < kParts; ++p)
    partPages_[p] = new appVA_Part(services, kPartIdStep * static_cast<uint32_t>(p), kPartPageNames[p], pos, w, h,
                                   0x404040);
  if (!mainMenu) return;
  auto* synth = new uxTabItemCtrl(services, kSynthTab, "SYNTH A", 0x404040, 0x0000FF, nullptr);
  synth->AddPanel(partPages_[shownPart_]);
  synthTabOwnsPage_ = true;
  mainMenu->AddTabItem(synth);
  for (const PartTab& tab : kPartTabs) {
    auto* item = new uxTabItemCtrl(services, tab.id, tab.caption, tab.background, tab.text, nullptr);
    if (tab.sequencerTrack >= 0)
      item->AddPanel(new appVA_Sequencer(services, tab.sequencerTrack, tab.page, pos, w, h, tab.pageColour));
    else
      item->AddPanel(new uxPanelCtrl(services, tab.pageId, tab.page, pos, w, h, tab.pageColour));
    mainMenu->AddTabItem(item);
  }
}

appVA_Master::~appVA_Master() {
  // The page in the SYNTH tab belongs to the tab; the others are this page's.
  for (int p = 0; p < kParts; ++p)
    if (!(synthTabOwnsPage_ && p == shownPart_)) delete partPages_[p];
  services_->RemoveTrackTypeListener(this);
  services_->RemoveControllerListener(this);
}
