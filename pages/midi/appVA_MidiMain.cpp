#include "pages/midi/appVA_MidiMain.h"

#include "app/PageServices.h"
#include "pages/midi/appVA_MidiDevices.h"
#include "pages/midi/appVA_MidiPart.h"
#include "pages/midi/appVA_MidiSettingsClock.h"
#include "pages/midi/appVA_MidiSettingsTrack.h"
#include "pages/widgets/uxPianoCtrl.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"

namespace {

const uxPOINT kPageAt{0, 80};
constexpr int16_t kPageWidth = 800;
constexpr int16_t kPageHeight = 400;
constexpr uxCOLOR kInputColour = 0x101010;
constexpr int kStopCode = 12;

struct InputTab {
  const char* caption;
  int number;
  const char* page;
};
constexpr InputTab kInputTabs[appVA_MidiMain::kInputPages] = {
    {" IN-A ", 0, "IN-A"}, {" IN-B ", 1, "IN-B"}, {" IN-C ", 2, "IN-C"},
    {" IN-D ", 3, "IN-D"}, {"IO-ET1", 10, "IO-ET1"}, {"IO-ET2", 11, "IO-ET2"},
};

}  // namespace

appVA_MidiMain::appVA_MidiMain(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                               int16_t h, uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services) {
  tabs_ = new uxTabCtrl(services, 0, "MIDI-MAIN", uxPOINT(0, 40), 800, 40, 0x404040, 0xC0C0C0, 0, 10);
  AddElement(tabs_);
  auto addTab = [&](unsigned tabId, const char* caption, uxPanelCtrl* page) {
    auto* item = new uxTabItemCtrl(services, tabId, caption, kInputColour, 0xFFFFFF, nullptr);
    item->AddPanel(page);
    tabs_->AddTabItem(item);
  };
  for (int i = 0; i < kInputPages; ++i) {
    const InputTab& t = kInputTabs[i];
    MidiInputPage* page =
        t.number < 4 ? static_cast<MidiInputPage*>(new appVA_MidiPart(services, t.number, t.page, kPageAt, kPageWidth,
                                                                      kPageHeight, kInputColour))
                     : new appVA_MidiSettingsTrack(services, t.number, t.page, kPageAt, kPageWidth, kPageHeight,
                                                   kInputColour);
    inputs_[i] = page;
    addTab(static_cast<unsigned>(t.number), t.caption, page);
  }
  clock_ = new appVA_MidiSettingsClock(services, 15, "Clock", kPageAt, kPageWidth, kPageHeight, "MidiClockSetting.png");
  addTab(15, "Clock", clock_);
  devices_ = new appVA_MidiDevices(services, static_cast<uint32_t>(-1), "MIDI-DEV", kPageAt, kPageWidth, kPageHeight, 0);
  addTab(static_cast<unsigned>(-1), "DEVICES", devices_);
  tabs_->setActiveTab(0);
  tabs_->SetFocus(true);
  services_->SetKeyMonitor(this);
  repaint_ = true;
}

appVA_MidiMain::~appVA_MidiMain() { services_->SetKeyMonitor(nullptr); }

int appVA_MidiMain::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int appVA_MidiMain::OnMessage(tagUX_Message* msg) { return uxPanelCtrl::OnMessage(msg); }

void appVA_MidiMain::ShowKey(int channel, int status, int key) {
  const int number = channel & 0x0F;
  const bool second = (channel & 0x80) != 0;
  for (MidiInputPage* page : inputs_) {
    if (page == nullptr || page->Number() != number) continue;
    uxPianoCtrl* keyboard = page->Keyboard();
    if (status == 0x90) {
      keyboard->SetKey(key, second);
    } else if (status == 0x80) {
      keyboard->ClearKey(key, second);
    } else if (status == kStopCode) {
      for (int k = 0; k <= uxPianoCtrl::kLastNote; ++k) {
        keyboard->ClearKey(k, false);
        keyboard->ClearKey(k, true);
      }
    }
  }
}
