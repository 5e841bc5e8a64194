#include "app/PanelLink.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/HeadphoneLevel.h"
#include "app/PanelFrames.h"
#include "app/PanelTables.h"
#include "audio/CAudioProcess.h"
#include "data/CDeviceConfig.h"
#include "data/CSettings.h"
#include "midi/CMidiDev.h"
#include "platform/LogSink.h"
#include "toolkit/CCANDev.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxTabCtrl.h"

using panel::KeyAction;
using panel::KeyMessages;

namespace {

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

PanelLink::PanelLink(PanelUi& ui, const AppLinks& links, CSettings& settings, CDeviceConfig& deviceConfig)
    : ui_(ui), links_(links), settings_(settings), deviceConfig_(deviceConfig) {}

void PanelLink::SetShutdownAction(ShutdownFn action) { shutdown_ = std::move(action); }

void PanelLink::OnCanFrame(uint16_t id, const uint8_t* data, uint8_t length) {
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
      ui_.TogglePlay();
      break;
  }
}

void PanelLink::SaveBeforeShutdown() {
  // SIGTERM ends the process before the delayed saves fall due: a change made in the last
  // seconds would be lost.
  if (settings_.AutoSave() && (settings_.SavePending() || settings_.SaveCountdown() > 0)) {
    settings_.XMLStoreSettings(nullptr);
  }
  if (deviceConfig_.SavePending() || deviceConfig_.SaveCountdown() > 0) deviceConfig_.XMLStoreDeviceConfig(nullptr);
}

void PanelLink::SetMasterVolume(float v) {
  // The comparison is false for NaN as well.
  if (!(v >= 0.0f && v <= 100.0f) || !links_.audio) return;
  links_.audio->SetParam(1, kMasterVolumeUid, CAudioProcess::LevelOf(v) * 100.0f);
}

void PanelLink::GivePanelRequest(PanelRequest request) {
  tagUX_Message msg;
  if (PanelPageMessage(request, msg)) ui_.SendMessage(&msg, false);
}

void PanelLink::CANValueNotify(int id, int part, float value) {
  PanelRequest r;
  r.kind = PanelRequest::kValue;
  r.id = static_cast<uint16_t>(id);
  r.part = part;
  r.value = value;
  GivePanelRequest(r);
}

void PanelLink::CANAssignNotify(int id, int part, float value) {
  PanelRequest r;
  r.kind = PanelRequest::kAssign;
  r.id = static_cast<uint16_t>(id);
  r.part = part;
  r.value = value;
  GivePanelRequest(r);
}

void PanelLink::CANEncoderEvent(int id, int code) {
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

void PanelLink::ScreenDump() {
  char name[32];
  std::snprintf(name, sizeof name, "screen_save%d", screenDumpCounter_++);
  if (ui_.PopupsBusy()) return;
  {
    // The GUI thread paints under the UI mutex: the file gets a whole frame, not a half-drawn one.
    std::lock_guard lock(ui_.UiMutex());
    if (uxDC* dc = ui_.getDC()) dc->saveScreen(name);
  }
  ui_.ShowScreenSaved(name, kScreenSavedTimer);
}

void PanelLink::CANKeyEvent(int id, int code) {
  const panel::KeyRow* row = FindKey(id);
  if (!row) return;
  const KeyAction* action = &row->other;
  if (code == panel::kAltRelease) action = &row->release;
  else if (code == panel::kAltPress) action = &row->alt;
  else if (row->onlyCode >= 0 && code != row->onlyCode) return;

  // The tab control is the page tree's: it changes only under the UI mutex (recursive, so the
  // messages below take it again).
  std::lock_guard lock(ui_.UiMutex());
  if (action->tab >= 0 && ui_.MainMenu()) ui_.MainMenu()->setActiveTab(action->tab);
  auto give = [this](uint32_t type, int param, int flag, int arg) {
    tagUX_Message msg(static_cast<int>(type), param, flag);
    msg.arg = static_cast<uint32_t>(arg);
    ui_.SendMessage(&msg, false);
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
      if (ui_.CurrentPanel() != panel::kAssignPanel) {
        if (ui_.MainMenu()) ui_.MainMenu()->setActiveTab(kPanelTab);
        give(UX_MSG_CLOSE_PANEL, panel::kAssignPanel, 1, 0);
        give(UX_MSG_ACTIVATE_MODUL, panel::kAssignPanel, 1, -1);
      }
      break;
  }
  if (action->clearPanel) ui_.SetCurrentPanel(-1);
  if (action->shutdown == panel::Shutdown::kArm) shutdownArmed_.store(1);
  if (action->shutdown == panel::Shutdown::kDisarm) shutdownArmed_.store(0);
}

void PanelLink::ActivatePanel(int panelIndex, int assign, int value) {
  auto give = [this](uint32_t type, int param, int flag, int arg) {
    tagUX_Message msg(static_cast<int>(type), param, flag);
    msg.arg = static_cast<uint32_t>(arg);
    ui_.SendMessage(&msg, false);
  };
  std::lock_guard lock(ui_.UiMutex());
  if (panelIndex != ui_.CurrentPanel()) {
    if (ui_.MainMenu()) ui_.MainMenu()->setActiveTab(kPanelTab);
    give(UX_MSG_CLOSE_PANEL, panelIndex, 1, 0);
    give(UX_MSG_ACTIVATE_MODUL, panelIndex, value, assign);
    if (assign != -1) give(UX_MSG_ASSIGN_SOURCE, assign, 0, 0);
    ui_.SetCurrentPanel(panelIndex);
  }
  if (assign != -1) give(UX_MSG_ASSIGN_SOURCE, assign, 1, 0);
}

void PanelLink::SelectPart(int part) {
  std::lock_guard lock(ui_.UiMutex());
  if (ui_.MainMenu()) ui_.MainMenu()->setActiveTab(kMasterTab);
  ui_.SetCurrentPanel(-1);
  if (part >= 0 && part < CAudioProcess::kParts) {
    tagUX_Message button(UX_MSG_ON_BUTTON, panel::kPartButtonBase + part, 0);
    ui_.SendMessage(&button, false);
  }
  tagUX_Message changed(UX_MSG_PART_CHANGED, part, 0);
  ui_.SendMessage(&changed, false);
}

void PanelLink::SendPartStop(int part) {
  if (links_.audio) links_.audio->SendMidi(part, kStopCode, 0, 0, nullptr);
}

void PanelLink::sendPanelEnum(int id, int a, int b) {
  if (!links_.can) return;
  const uint8_t frame[panel::kByteFrame] = {panel::kValue, static_cast<uint8_t>(a), panel::kEnumKind,
                                            static_cast<uint8_t>(b)};
  links_.can->SendRAW(static_cast<uint16_t>(id), frame, panel::kByteFrame);
}

void PanelLink::sendPanelText(int id, int idx, const char* text, bool alt) {
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

void PanelLink::sendCANFocus(int n) {
  if (!links_.can) return;
  const uint8_t frame[panel::kControlFrame] = {panel::kFocus, static_cast<uint8_t>(n)};
  links_.can->SendRAW(panel::kControlId, frame, panel::kControlFrame);
}

void PanelLink::sendPanelPart(int part) {
  if (!links_.can) return;
  const uint8_t frame[panel::kControlFrame] = {panel::kSelectPart, static_cast<uint8_t>(part)};
  links_.can->SendRAW(panel::kControlId, frame, panel::kControlFrame);
}

void PanelLink::setPanelMode(int mode) {
  panelMode_ = mode;
  if (!links_.can) return;
  const uint8_t frame[panel::kControlFrame] = {panel::kPanelMode, static_cast<uint8_t>(mode)};
  links_.can->SendRAW(panel::kControlId, frame, panel::kControlFrame);
}
