// The GUI thread's pass: painting, touch input, popup timers, the MIDI FIFO and the message
// queue. Everything that reaches the pages from here runs under the UI mutex, which the
// "CAN-RX" and host threads also take for their direct deliveries.
#include <cstring>
#include <mutex>

#include "app/GUIManager.h"
#include "app/GuiThread.h"
#include "audio/CAudioProcess.h"
#include "midi/CClipCore.h"
#include "toolkit/RepaintTree.h"
#include "toolkit/uxPopup.h"
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupValue.h"
#include "toolkit/uxTabCtrl.h"

namespace {

constexpr uint32_t kTickPauseMicros = 5000;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kProgramChange = 0xC0;

}  // namespace

void* GuiThreadMain(void* manager) {
  auto* gm = static_cast<GUIManager*>(manager);
  while (!gm->GuiThreadStopping()) {
    gm->Tick();
    gm->Sleep(kTickPauseMicros);
    if (CAudioProcess* audio = gm->AudioProcess()) audio->Idle();
  }
  return nullptr;
}

void GUIManager::Tick() {
  TickPages();
  // File writes need no page, so the other threads' deliveries do not wait for them.
  settings_.SaveIfDirty();
  deviceConfig_.SaveIfDirty();
}

void GUIManager::RepaintScreen() {
  std::lock_guard lock(uiMutex_);
  // In the order of the tick's paints, so popups end up over the pages as they do there.
  uxBaseElement* const order[] = {popupWT_, mainMenu_, messageBox_, popupValue_, popupMessage_, popupDelete_};
  for (uxBaseElement* e : order) MarkTreeForRepaint(e);
  for (uxBaseElement* e : order)
    if (e) e->OnPaint();
}

void GUIManager::TickPages() {
  std::lock_guard lock(uiMutex_);
  if (popupWT_) popupWT_->OnPaint();

  const uint32_t c = tickCounter_.fetch_add(1, std::memory_order_relaxed);
  if (c % 4 == 0) {
    if (links_.audio) {
      for (int part = 0; part < 4; ++part)
        voiceMonitor_[part].store(links_.audio->GetPartVoiceState(static_cast<uint32_t>(part) << 16),
                                  std::memory_order_relaxed);
      engineState_.store(links_.audio->GetEngineState(0), std::memory_order_relaxed);
    }
    if (mainMenu_) mainMenu_->OnPaint();
    if (messageBox_) messageBox_->OnPaint();
    popupValue_->OnPaint();
    popupMessage_->OnPaint();
    popupDelete_->OnPaint();
    if (pendingTick_.exchange(false, std::memory_order_relaxed)) {
      tagUX_Message tick(UX_MSG_TICK_EVENT);
      DeliverToPage(&tick);
    }
    DoService();
    // A progress display keeps every popup up until it ends.
    if (!ProgressShown()) {
      CountPopupDown(popupValue, popupValue_);
      CountPopupDown(popupMsg, popupMessage_);
      CountPopupDown(popupWT, popupWT_);
      CountPopupDown(popupDel, popupDelete_);
    }
  }

  DrainMidiFifo();
  DeliverQueued();
  clipCore_->PollInput();
}

void GUIManager::CountPopupDown(int popup, uxPopup* owner) {
  std::atomic<int32_t>& timer = popupTimer_[popup];
  int32_t left = timer.load(std::memory_order_relaxed);
  // A decrement that lost against a new countdown from another thread tries again.
  while (left > 0 && !timer.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
  }
  if (left == 1) HidePopup(owner);
}

void GUIManager::HidePopup(uxPopup* popup) {
  if (popup) popup->hide();
}

void GUIManager::DrainMidiFifo() {
  MidiFifoEntry entry;
  while (midiFifo_.Pop(entry, true)) {
    if (entry.part >= 4) continue;
    if (entry.kind == kProgramChange) {
      // The program loader has loaded and swapped the part already; another swap would
      // flip the banks back to the previous sound. The pages only hear of it.
      if (arranger_.HasProgram(entry.data[0])) NotifyPages(entry.part, 0);
    } else if (entry.kind == kControlChange) {
      DispatchMidiCC(entry.data[0], entry.part, entry.data[1], entry.data[2]);
    }
  }
}

void GUIManager::DeliverQueued() {
  tagUX_Message msg;
  if (messageQueue_.Take(msg)) DeliverToPage(&msg);
}

void GUIManager::DeliverToPage(tagUX_Message* msg) {
  if (mainMenu_) mainMenu_->OnMessage(msg);
}

void GUIManager::OnTouchEvent(int x, int y, int type) {
  tagUX_Message touch(UX_MSG_TOUCH_EVENT, x, y, type);
  {
    std::lock_guard lock(uiMutex_);
    DeliverToPage(&touch);
  }
  CDrvInput::OnTouchEvent(x, y, type);
}

int GUIManager::SendMessage(tagUX_Message* msg, bool queued) {
  if (!msg) return 0;
  if (queued) {
    messageQueue_.Post(*msg);
    return 1;
  }
  std::lock_guard lock(uiMutex_);
  return mainMenu_ ? mainMenu_->OnMessage(msg) : 0;
}

void GUIManager::SendMessage(tagUX_Message& msg) { SendMessage(&msg, false); }
