#include "app/GUIManager.h"

#include <unistd.h>

#include "midi/CClipCore.h"
#include "pages/arrange/appVA_Arrange.h"
#include "pages/clips/appVA_Clips.h"
#include "pages/diag/appVA_Diag.h"
#include "pages/drum/appVA_DrumSampler.h"
#include "pages/master/appVA_Master.h"
#include "pages/midi/appVA_MidiMain.h"
#include "pages/widgets/uxPopupWT.h"
#include "platform/Paths.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxPopupValue.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"

namespace {

constexpr const char* kCCMapName = "MidiCCMap";
constexpr const char* kTouchDevice = "/dev/input/event0";
constexpr uint32_t kTouchSettleMicros = 2'000'000;

const uxPOINT kPagePos(0, 40);
constexpr int16_t kPageWidth = 800;
constexpr int16_t kPageHeight = 440;

struct TabRow {
  unsigned id;
  const char* caption;
  uxCOLOR background;
  uxCOLOR text;
};

// The main tabs this manager creates; the Master page adds 2-5 itself.
constexpr TabRow kArrangeTab{0, "ARRANGER", 0x404040, 0xFFFFFF};
constexpr TabRow kMasterTab{1, "MASTER", 0x404040, 0xFFFFFF};
constexpr TabRow kDrumTab{6, "DRUM", 0x606060, 0xFFFFFF};
constexpr TabRow kClipTab{7, "CLIP", 0x404040, 0xFFFFFF};
constexpr TabRow kMidiTab{8, "MIDI", 0x404040, 0xFFFFFF};
constexpr TabRow kDiagTab{9, "DIAG", 0x404040, 0xFFFFFF};

void DefaultSleep(uint32_t micros) { ::usleep(micros); }

}  // namespace

GUIManager::GUIManager(uxDC* dc, RawMidiBackend& midiBackend) : dc_(dc), sleep_(DefaultSleep) {
  messageQueue_.Clear();
  midiFifo_.Clear();
  clipCore_ = new CClipCore(*this, midiBackend);
  clipCore_->DetectController();

  popupValue_ = new uxPopupValue(this, "PopupValue", uxPOINT(300, 200), 200, 80, 0x202020, 0xFFFFFF);
  popupMessage_ = new uxPopupMsg(this, "PopupMessage", uxPOINT(200, 150), 300, 110, 0x202020, 0xFFFFFF);
  popupDelete_ = new uxPopupMsg(this, "PopupDelete", uxPOINT(200, 210), 300, 110, 0x202020, 0xFFFFFF);
  popupProgress_ = new uxPopupPB(this, "PopupProgress", uxPOINT(50, 200), 300, 100, 0x404040, 0xFFFFFF);
  popupWT_ = new uxPopupWT(this, "PopupWT", uxPOINT(175, 150), 450, 210, 0x202020, 0xFFFFFF);
}

// The tab items own the pages they hold, so deleting the main tab control deletes every page
// of the tree; the page pointers are only cleared after it.
GUIManager::~GUIManager() {
  {
    std::lock_guard lock(uiMutex_);
    delete mainMenu_;
    mainMenu_ = nullptr;
    midiMainPage_ = nullptr;
    arrangePage_ = nullptr;
    masterPage_ = nullptr;
    diagPage_ = nullptr;
    clipsPage_ = nullptr;
    drumPage_ = nullptr;
  }
  delete popupValue_;
  delete popupMessage_;
  delete popupDelete_;
  delete popupProgress_;
  delete popupWT_;
  delete messageBox_;
  if (splashSink_) splashSink_->store(nullptr);
  delete splashBox_;
  delete splashPanel_;
  delete clipCore_;
}

void GUIManager::Sleep(uint32_t micros) const {
  if (sleep_) sleep_(micros);
}

void GUIManager::BuildPages() {
  std::lock_guard lock(uiMutex_);
  // Other threads may still log to the splash; they must stop seeing it before it goes.
  if (splashSink_) splashSink_->store(nullptr);
  delete splashBox_;
  splashBox_ = nullptr;
  delete splashPanel_;
  splashPanel_ = nullptr;

  if (!ccMap_.XMLLoadMidiCCMap(kCCMapName)) ccMap_.XMLStoreMidiCCMap(kCCMapName);

  if (dc_) dc_->FillScreen(0);

  messageBox_ = new uxMessageBox(this, "MessageBox", 400, 300, 0x000000, 0xFFFFFF, 0xFFFFFF, 7);
  mainMenu_ = new uxTabCtrl(this, 0, "MainMenu", uxPOINT(0, 0), 800, 40, 0, 0xC0C0C0, 0x404040, 10);

  auto addTab = [this](const TabRow& row) {
    auto* item = new uxTabItemCtrl(this, row.id, row.caption, row.background, row.text, nullptr);
    mainMenu_->AddTabItem(item);
    return item;
  };

  arrangePage_ = new appVA_Arrange(this);
  addTab(kArrangeTab)->AddPanel(arrangePage_);
  // The Master page adds tabs 2-5 while it is built, so its own tab must be in place first.
  uxTabItemCtrl* masterItem = addTab(kMasterTab);
  masterPage_ = new appVA_Master(this, 0, "MASTER", kPagePos, kPageWidth, kPageHeight, 0x404040, mainMenu_);
  masterItem->AddPanel(masterPage_);
  drumPage_ = new appVA_DrumSampler(this, 0, "PANEL_DRUM", kPagePos, kPageWidth, kPageHeight, 0x303030);
  addTab(kDrumTab)->AddPanel(drumPage_);
  clipsPage_ = new appVA_Clips(this, 0, "PANEL_CLIP", kPagePos, kPageWidth, kPageHeight, 0x404040, clipCore_);
  addTab(kClipTab)->AddPanel(clipsPage_);
  midiMainPage_ = new appVA_MidiMain(this, 0, "PANEL_MIDIIN", kPagePos, kPageWidth, kPageHeight, 0x404040);
  addTab(kMidiTab)->AddPanel(midiMainPage_);
  diagPage_ = new appVA_Diag(this, 0, 0, "PANEL_DIAG", kPagePos, kPageWidth, kPageHeight, 0x404040);
  addTab(kDiagTab)->AddPanel(diagPage_);

  mainMenu_->setActiveTab(1);
  mainMenu_->SetFocus(true);
  pageState_[0] = 1;
  pageState_[1] = 0;

  open(platform::DataPath(kTouchDevice).c_str());
  Sleep(kTouchSettleMicros);

  tagUX_Message loadValues(UX_MSG_VALUES_CHANGED, -1, -1);
  mainMenu_->OnMessage(&loadValues);
}
