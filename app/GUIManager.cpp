#include "app/GUIManager.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "audio/CAudioProcess.h"
#include "midi/CClipCore.h"
#include "platform/Paths.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxPopup.h"
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

// The main tabs this manager creates, in order, each with its page; the Master page adds
// tabs 2-5 itself while it is built, after its own tab is in place.
struct TabRow {
  unsigned id;
  const char* caption;
  uxCOLOR background;
  uxCOLOR text;
  PageId page;
  const char* pageName;
  uxCOLOR pageColour;
};
constexpr TabRow kTabs[] = {
    {0, "ARRANGER", 0x404040, 0xFFFFFF, PageId::kArrange, "PANEL_SONG", 0x404040},
    {1, "MASTER", 0x404040, 0xFFFFFF, PageId::kMaster, "MASTER", 0x404040},
    {6, "DRUM", 0x606060, 0xFFFFFF, PageId::kDrum, "PANEL_DRUM", 0x303030},
    {7, "CLIP", 0x404040, 0xFFFFFF, PageId::kClips, "PANEL_CLIP", 0x404040},
    {8, "MIDI", 0x404040, 0xFFFFFF, PageId::kMidi, "PANEL_MIDIIN", 0x404040},
    {9, "DIAG", 0x404040, 0xFFFFFF, PageId::kDiag, "PANEL_DIAG", 0x404040},
};

void DefaultSleep(uint32_t micros) { ::usleep(micros); }

}  // namespace

GUIManager::GUIManager(uxDC* dc, RawMidiBackend& midiBackend, const PageFactory* pages)
    : pages_(pages), dc_(dc), sleep_(DefaultSleep) {
  messageQueue_.Clear();
  midiFifo_.Clear();
  clipCore_ = new CClipCore(*this, midiBackend);
  clipCore_->DetectController();
  midi_.SetClipCore(clipCore_);
  loader_.SetClipCore(clipCore_);
  midiPorts_ = new CAlsaMidi(midiBackend);
  midi_.SetMidiPorts(midiPorts_);

  popupValue_ = new uxPopupValue(this, "PopupValue", uxPOINT(300, 200), 200, 80, 0x202020, 0xFFFFFF);
  popupMessage_ = new uxPopupMsg(this, "PopupMessage", uxPOINT(200, 150), 300, 110, 0x202020, 0xFFFFFF);
  popupDelete_ = new uxPopupMsg(this, "PopupDelete", uxPOINT(200, 210), 300, 110, 0x202020, 0xFFFFFF);
  popupProgress_ = new uxPopupPB(this, "PopupProgress", uxPOINT(50, 200), 300, 100, 0x404040, 0xFFFFFF);
  const uxPOINT wtPos(175, 150);
  if (pages_ != nullptr) popupWT_ = pages_->MakeWavetablePopup(this, "PopupWT", wtPos, 450, 210, 0x202020, 0xFFFFFF);
  if (popupWT_ == nullptr) popupWT_ = new uxPopup(this, "PopupWT", wtPos, 450, 210, 0x202020, 0xFFFFFF);
}

// The tab items own the pages they hold, so deleting the main tab control deletes every page
// of the tree; the pages take their registrations back as they go.
GUIManager::~GUIManager() {
  programLoader_.Stop();
  {
    std::lock_guard lock(uiMutex_);
    delete mainMenu_;
    mainMenu_ = nullptr;
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
  midi_.SetMidiPorts(nullptr);
  delete midiPorts_;
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

  for (const TabRow& row : kTabs) {
    auto* item = new uxTabItemCtrl(this, row.id, row.caption, row.background, row.text, nullptr);
    mainMenu_->AddTabItem(item);
    const PageFrame frame{row.pageName, kPagePos, kPageWidth, kPageHeight, row.pageColour};
    uxPanelCtrl* page = pages_ != nullptr ? pages_->MakePage(row.page, frame, *this, mainMenu_) : nullptr;
    if (page == nullptr)
      page = new uxPanelCtrl(this, 0, frame.name, frame.pos, frame.width, frame.height, frame.colour);
    item->AddPanel(page);
  }

  mainMenu_->setActiveTab(1);
  mainMenu_->SetFocus(true);
  pageState_[0] = 1;
  pageState_[1] = 0;

  open(platform::DataPath(kTouchDevice).c_str());
  Sleep(kTouchSettleMicros);

  tagUX_Message loadValues(UX_MSG_VALUES_CHANGED, -1, -1);
  mainMenu_->OnMessage(&loadValues);
}

void GUIManager::SetPadSample(int id, uint32_t uid, SampleFile* sample) {
  if (links_.audio != nullptr) links_.audio->SetPadSample(id, uid, sample);
}

void GUIManager::PostEvent(const EngineEvent& event) {
  if (links_.audio != nullptr) links_.audio->PostEvent(&event);
}

CAudioProcess::TimingRecord GUIManager::AudioTiming(int record) const {
  if (links_.audio == nullptr || record < 0 || record >= CAudioProcess::kTimingRecords) return {};
  return links_.audio->ReadTiming(record);
}

// ---- registration of pages ----

void GUIManager::AddControllerListener(uxBaseElement* page) {
  if (page == nullptr) return;
  std::lock_guard lock(controllerMutex_);
  controllerListeners_.push_back(page);
}

void GUIManager::RemoveControllerListener(uxBaseElement* page) {
  std::lock_guard lock(controllerMutex_);
  controllerListeners_.erase(std::remove(controllerListeners_.begin(), controllerListeners_.end(), page),
                             controllerListeners_.end());
}

void GUIManager::SetMidiLineMonitor(MidiLineMonitor* monitor) { midi_.SetMidiLineMonitor(monitor); }

void GUIManager::RemoveMidiLineMonitor(MidiLineMonitor* monitor) { midi_.RemoveMidiLineMonitor(monitor); }

void GUIManager::SetTrackTypeListener(TrackTypeListener* listener) {
  std::lock_guard lock(uiMutex_);
  trackTypeListener_ = listener;
}

void GUIManager::RemoveTrackTypeListener(TrackTypeListener* listener) {
  std::lock_guard lock(uiMutex_);
  if (trackTypeListener_ == listener) trackTypeListener_ = nullptr;
}

const void* GUIManager::VoiceSlot(int slot) const {
  IAudioProcess* engine = links_.audio != nullptr ? links_.audio->Engine() : nullptr;
  return engine != nullptr ? engine->GetVoice(slot) : nullptr;
}
