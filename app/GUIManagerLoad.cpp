// The UI core's side of loading and storing: the device configuration at start-up, the pages'
// notifications and the progress and delete popups; the loads themselves are the Loader's.
#include <mutex>

#include "app/GUIManager.h"
#include "app/PageFactory.h"
#include "data/DataTree.h"
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxTabCtrl.h"

namespace {

constexpr char kDeviceConfig[] = "DeviceConfig";
constexpr int kProgressStart = 100;
constexpr int kProgressStep = 10;

}  // namespace

int GUIManager::InitialLoad() {
  // Before anything is read or stored: a store into a folder the tree lacks would fail.
  data_tree::Create();
  if (deviceConfig_.XMLLoadDeviceConfig(kDeviceConfig) != 0) return 1;
  uxMessageBox* splash = splashSink_ ? splashSink_->load() : splashBox_;
  if (splash != nullptr) splash->AddLine("%s", "Load Device Config [ERROR]");
  deviceConfig_.XMLStoreDeviceConfig(kDeviceConfig);
  return 0;
}

void GUIManager::NotifyPages(int param, int flag) {
  tagUX_Message msg(UX_MSG_VALUES_CHANGED, param, flag);
  std::lock_guard lock(uiMutex_);
  DeliverToPage(&msg);
}

void GUIManager::OnStoreProgress(int percent, int state) {
  std::lock_guard lock(uiMutex_);
  if (state == 0) {
    if (popupProgress_ != nullptr) popupProgress_->hide();
    progressCountdown_ = 0;
    return;
  }
  if (progressCountdown_ == 0 || popupProgress_ == nullptr) return;
  progressCountdown_ = kProgressStep;
  popupProgress_->setProgress(static_cast<float>(percent), static_cast<float>(state));
  popupProgress_->setRepaint();
  popupProgress_->OnPaint();
}

bool GUIManager::BeginSongProgress(const char* name, int steps) {
  if (PopupTimersRunning(true) || popupProgress_ == nullptr) return false;
  songSteps_ = steps;
  popupProgress_->setProgress(0.0f, static_cast<float>(steps));
  popupProgress_->Message("LOAD ARRANGEMENT", name);
  progressCountdown_ = kProgressStart;
  return true;
}

void GUIManager::ShowSongStep(int step) {
  if (progressCountdown_ == 0 || popupProgress_ == nullptr) return;
  progressCountdown_ = kProgressStep;
  popupProgress_->setProgress(static_cast<float>(step), static_cast<float>(songSteps_));
  popupProgress_->setRepaint();
  popupProgress_->OnPaint();
}

void GUIManager::EndSongProgress() {
  if (popupProgress_ != nullptr) popupProgress_->hide();
  progressCountdown_ = 0;
}

bool GUIManager::PopupTimersRunning(bool withDelete) const {
  for (int popup : {popupValue, popupMsg, popupWT})
    if (popupTimer_[popup].load(std::memory_order_relaxed) != 0) return true;
  return withDelete && popupTimer_[popupDel].load(std::memory_order_relaxed) != 0;
}

bool GUIManager::ShowProgress(const char* title, const char* text) {
  std::lock_guard lock(uiMutex_);
  if (PopupTimersRunning(true) || popupProgress_ == nullptr) return false;
  popupProgress_->setProgress(0.0f, 1.0f);
  popupProgress_->Message(title, text);
  popupProgress_->setRepaint();
  popupProgress_->OnPaint();
  progressCountdown_ = kProgressStart;
  return true;
}

bool GUIManager::ShowWavetablePopup(const char* title, const WaveTable* table) {
  // A value, message or delete popup, or the progress bar, keeps the screen.
  for (int popup : {popupValue, popupMsg, popupDel})
    if (popupTimer_[popup].load(std::memory_order_relaxed) != 0) return false;
  if (progressCountdown_ != 0 || popupWT_ == nullptr) return false;
  if (pages_ != nullptr) pages_->SetWavetablePopup(popupWT_, title, table);
  popupWT_->show();
  popupWT_->setRepaint();
  popupTimer_[popupWT].store(100);
  return true;
}

void GUIManager::HideProgress() {
  std::lock_guard lock(uiMutex_);
  EndSongProgress();
}

std::string GUIManager::PresetName(int part) {
  std::lock_guard lock(uiMutex_);
  const PartSlot* slot = arranger_.Slot(part);
  return slot != nullptr ? slot->name : std::string();
}

std::string GUIManager::KitName() {
  std::lock_guard lock(uiMutex_);
  return arranger_.KitName();
}

std::string GUIManager::SongName() {
  std::lock_guard lock(uiMutex_);
  return arranger_.Name();
}

void GUIManager::HideDeletePopup() {
  std::lock_guard lock(uiMutex_);
  if (PopupTimersRunning(false) || progressCountdown_ != 0 || popupDelete_ == nullptr) return;
  popupDelete_->hide();
  popupTimer_[popupDel].store(0);
}

void GUIManager::SetTrackType(int track, int type) {
  constexpr int kTrackTab = 5;
  constexpr int kDrumTab = 6;
  constexpr int kDrumTrack = 4;
  std::lock_guard lock(uiMutex_);
  if (type == 1 || type == 2) {
    if (trackTypeListener_ != nullptr) trackTypeListener_->SetTrackType(track, type);
    if (mainMenu_ != nullptr) mainMenu_->setActiveTab(kTrackTab);
  } else if (type == 3 && track == kDrumTrack) {
    if (mainMenu_ != nullptr) mainMenu_->setActiveTab(kDrumTab);
  }
}
