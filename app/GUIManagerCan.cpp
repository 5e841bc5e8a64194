// The front panel's side of the GUIManager: frames from the "CAN-RX" thread become toolkit
// messages for the page tree (given directly, in that thread), panel keys switch pages, and
// the senders write the panel's value, text and focus frames.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/GUIManager.h"
#include "app/HeadphoneLevel.h"
#include "app/PanelFrames.h"
#include "app/PanelTables.h"
#include "audio/CAudioProcess.h"
#include "midi/CMidiDev.h"
#include "platform/LogSink.h"
#include "toolkit/CCANDev.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxTabCtrl.h"

using panel::KeyAction;
using panel::KeyMessages;

namespace {

std::atomic<GUIManager*> g_canReceiver{nullptr};

constexpr uint32_t kMasterVolumeUid = 0x50B16;
constexpr int kStopCode = 12;
constexpr int kScreenSavedTimer = 100;  // fourth ticks: 2 s
constexpr int kPanelTab = 3;            // the voice page hosts the module panels
constexpr int kMasterTab = 1;

void SignalProcessGroup() { killpg(getpgrp(), SIGTERM); }

const panel::KeyRow* FindKey(int id) {
  for (const panel::KeyRow& row : panel::kKeyRows)
    if (row.id == id) return &row;
  return nullptr;
}

}  // namespace

void SetCanReceiver(GUIManager* manager) { g_canReceiver.store(manager); }

void OnCanMessage(uint16_t id, const uint8_t* data, uint8_t length) {
  if (GUIManager* manager = g_canReceiver.load()) manager->OnCanFrame(id, data, length);
}

void GUIManager::SetShutdownAction(ShutdownFn action) { shutdown_ = std::move(action); }

void GUIManager::OnCanFrame(uint16_t id, const uint8_t* data, uint8_t length) {
  const PanelRequest r = ReadPanelFrame(id, data, length);
  switch (r.kind) {
    case PanelRequest::kNone:
      break;
    case PanelRequest::kValue:
      CANValueNotify(r.id, r.part, r.value);
      break;
    case PanelRequest::kAssign:
      CANAssignNotify(r.id, r.part, r.value);
      break;
    case PanelRequest::kHeadphone:
      SetHeadphoneLevel(r.value);
      break;
    case PanelRequest::kMasterVolume:
      SetMasterVolume(r.value);
      break;
    case PanelRequest::kEncoder:
      CANEncoderEvent(r.id, r.code);
      break;
    case PanelRequest::kKey:
      CANKeyEvent(r.id, r.code);
      break;
    case PanelRequest::kMidi:
      if (links_.midi) links_.midi->OnMidiInput(r.bytes[1], r.bytes[0], r.bytes[2], r.bytes[3]);
      break;
    case PanelRequest::kSelectPart:
      SelectPart(r.code);
      break;
    case PanelRequest::kFocus:
      platform::LogPrintf("CANRX: Focus %d\n", r.code);
      if (r.code < panel::kFocusCount) ActivatePanel(panel::kFocusPanels[r.code], -1, 1);
      break;
    case PanelRequest::kAssignSource:
      ActivatePanel(panel::kAssignPanel, r.code, 1);
      break;
    case PanelRequest::kShutdown:
      if (shutdownArmed_.load()) {
        SaveBeforeShutdown();
        if (shutdown_) shutdown_();
        else SignalProcessGroup();
      }
      for (int p = 0; p < CAudioProcess::kParts; ++p) SendPartStop(p);
      break;
    case PanelRequest::kTogglePlay:
      TogglePlay();
      break;
  }
}

void GUIManager::SaveBeforeShutdown() {
  // SIGTERM ends the process before the delayed saves fall due: a change made in the last
  // seconds would be lost.
  if (settings_.AutoSave() && (settings_.SavePending() || settings_.SaveCountdown() > 0)) {
    settings_.XMLStoreSettings(nullptr);
  }
  if (deviceConfig_.SavePending() || deviceConfig_.SaveCountdown() > 0) deviceConfig_.XMLStoreDeviceConfig(nullptr);
}

void GUIManager::SetMasterVolume(float v) {
  // The comparison is false for NaN as well.
  if (!(v >= 0.0f && v <= 100.0f) || !links_.audio) return;
  links_.audio->SetParam(1, kMasterVolumeUid, CAudioProcess::LevelOf(v) * 100.0f);
}

void GUIManager::GivePanelRequest(PanelRequest request) {
  tagUX_Message msg;
  if (PanelPageMessage(request, msg)) SendMessage(&msg, false);
}

void GUIManager::CANValueNotify(int id, int part, float value) {
  PanelRequest r;
  r.kind = PanelRequest::kValue;
  r.id = static_cast<uint16_t>(id);
  r.part = part;
  r.value = value;
  GivePanelRequest(r);
}

void GUIManager::CANAssignNotify(int id, int part, float value) {
  PanelRequest r;
  r.kind = PanelRequest::kAssign;
  r.id = static_cast<uint16_t>(id);
  r.part = part;
  r.value = value;
  GivePanelRequest(r);
}

void GUIManager::CANEncoderEvent(int id, int code) {
  if (id == panel::kScreenDumpEncoder && code == panel::kScreenDumpCode) {
    ScreenDump();
    return;
  }
  PanelRequest r;
  r.kind = PanelRequest::kEncoder;
  r.id = static_cast<uint16_t>(id);
  r.code = code;
  GivePanelRequest(r);
}

void GUIManager::ScreenDump() {
  char name[32];
  std::snprintf(name, sizeof name, "screen_save%d", screenDumpCounter_++);
  for (const std::atomic<int32_t>& timer : popupTimer_)
    if (timer.load() != 0) return;
  if (ProgressShown()) return;
  if (dc_) dc_->saveScreen(name);
  // The tick paints the popups; they change only under the UI mutex.
  std::lock_guard lock(uiMutex_);
  if (popupMessage_) {
    popupMessage_->Message("SCREEN SAVED", name, "");
    popupMessage_->show();
  }
  popupTimer_[popupMsg].store(kScreenSavedTimer);
}

void GUIManager::CANKeyEvent(int id, int code) {
  const panel::KeyRow* row = FindKey(id);
  if (!row) return;
  const KeyAction* action = &row->other;
  if (code == panel::kAltRelease) action = &row->release;
  else if (code == panel::kAltPress) action = &row->alt;
  else if (row->onlyCode >= 0 && code != row->onlyCode) return;

  // The tab control is the page tree's: it changes only under the UI mutex (recursive, so the
  // messages below take it again).
  std::lock_guard lock(uiMutex_);
  if (action->tab >= 0 && mainMenu_) mainMenu_->setActiveTab(action->tab);
  auto give = [this](uint32_t type, int param, int flag, int arg) {
    tagUX_Message msg(static_cast<int>(type), param, flag);
    msg.arg = static_cast<uint32_t>(arg);
    SendMessage(&msg, false);
  };
  switch (action->messages) {
    case KeyMessages::kNone:
      break;
    case KeyMessages::kCloseAll:
      give(UX_MSG_CLOSE_PANEL, -1, 0, 0);
      break;
    case KeyMessages::kCloseAllFocus:
      give(UX_MSG_CLOSE_PANEL, -1, 0, 0);
      give(UX_MSG_FOCUS, static_cast<int>(UX_MSG_REPAINT), 0, 0);
      break;
    case KeyMessages::kEnter:
      give(UX_MSG_KEY, UX_PARAM_ENTER, 0, 0);
      break;
    case KeyMessages::kOpenAssign:
      if (CurrentPanel() != panel::kAssignPanel) {
        if (mainMenu_) mainMenu_->setActiveTab(kPanelTab);
        give(UX_MSG_CLOSE_PANEL, panel::kAssignPanel, 1, 0);
        give(UX_MSG_ACTIVATE_MODUL, panel::kAssignPanel, 1, -1);
      }
      break;
  }
  if (action->clearPanel) SetCurrentPanel(-1);
  if (action->shutdown == panel::Shutdown::kArm) shutdownArmed_.store(1);
  if (action->shutdown == panel::Shutdown::kDisarm) shutdownArmed_.store(0);
}

void GUIManager::ActivatePanel(int panelIndex, int assign, int value) {
  auto give = [this](uint32_t type, int param, int flag, int arg) {
    tagUX_Message msg(static_cast<int>(type), param, flag);
    msg.arg = static_cast<uint32_t>(arg);
    SendMessage(&msg, false);
  };
  std::lock_guard lock(uiMutex_);
  if (panelIndex != CurrentPanel()) {
    if (mainMenu_) mainMenu_->setActiveTab(kPanelTab);
    give(UX_MSG_CLOSE_PANEL, panelIndex, 1, 0);
    give(UX_MSG_ACTIVATE_MODUL, panelIndex, value, assign);
    if (assign != -1) give(UX_MSG_ASSIGN_SOURCE, assign, 0, 0);
    SetCurrentPanel(panelIndex);
  }
  if (assign != -1) give(UX_MSG_ASSIGN_SOURCE, assign, 1, 0);
}

void GUIManager::SelectPart(int part) {
  std::lock_guard lock(uiMutex_);
  if (mainMenu_) mainMenu_->setActiveTab(kMasterTab);
  SetCurrentPanel(-1);
  if (part >= 0 && part < CAudioProcess::kParts) {
    tagUX_Message button(UX_MSG_ON_BUTTON, panel::kPartButtonBase + part, 0);
    SendMessage(&button, false);
  }
  tagUX_Message changed(UX_MSG_PART_CHANGED, part, 0);
  SendMessage(&changed, false);
}

void GUIManager::SendPartStop(int part) {
  if (links_.audio) links_.audio->SendMidi(part, kStopCode, 0, 0, nullptr);
}

int GUIManager::HookSendMessage(tagUX_Message* msg) {
  if (msg && msg->type == UX_MSG_FOCUS && msg->param == 2) SetCurrentPanel(-1);
  return 1;
}

void GUIManager::sendPanelEnum(int id, int a, int b) {
  if (!links_.can) return;
  const uint8_t frame[panel::kByteFrame] = {panel::kValue, static_cast<uint8_t>(a), panel::kEnumKind,
                                            static_cast<uint8_t>(b)};
  links_.can->SendRAW(static_cast<uint16_t>(id), frame, panel::kByteFrame);
}

void GUIManager::sendPanelText(int id, int idx, const char* text, bool alt) {
  if (!links_.can || !text) return;
  const int length = static_cast<int>(strnlen(text, panel::kTextMax));
  const int first = length < panel::kTextChunk ? length : panel::kTextChunk;
  uint8_t frame[2 + panel::kTextChunk] = {alt ? panel::kAltText : panel::kText, static_cast<uint8_t>(idx)};
  std::memcpy(frame + 2, text, static_cast<std::size_t>(first));
  links_.can->SendRAW(static_cast<uint16_t>(id), frame, 2 + first);
  frame[0] = alt ? panel::kAltTextRest : panel::kTextRest;
  std::memcpy(frame + 2, text + first, static_cast<std::size_t>(length - first));
  links_.can->SendRAW(static_cast<uint16_t>(id), frame, 2 + length - first);
}

void GUIManager::sendCANFocus(int n) {
  if (!links_.can) return;
  const uint8_t frame[panel::kControlFrame] = {panel::kFocus, static_cast<uint8_t>(n)};
  links_.can->SendRAW(panel::kControlId, frame, panel::kControlFrame);
}

void GUIManager::setPanelMode(int mode) {
  panelMode_ = mode;
  if (!links_.can) return;
  const uint8_t frame[panel::kControlFrame] = {panel::kPanelMode, static_cast<uint8_t>(mode)};
  links_.can->SendRAW(panel::kControlId, frame, panel::kControlFrame);
}
