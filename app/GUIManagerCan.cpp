// The GUIManager's side of the front panel: the receive callback that reaches the panel
// link, and what the link asks of the UI core.
#include <atomic>
#include <mutex>

#include "app/GUIManager.h"
#include "toolkit/uxPopupMsg.h"

namespace {

std::atomic<GUIManager*> g_canReceiver{nullptr};

}  // namespace

void SetCanReceiver(GUIManager* manager) { g_canReceiver.store(manager); }

void OnCanMessage(uint16_t id, const uint8_t* data, uint8_t length) {
  if (GUIManager* manager = g_canReceiver.load()) manager->OnCanFrame(id, data, length);
}


int GUIManager::HookSendMessage(tagUX_Message* msg) {
  if (msg && msg->type == UX_MSG_FOCUS && msg->param == 2) SetCurrentPanel(-1);
  return 1;
}

bool GUIManager::PopupsBusy() const {
  for (const std::atomic<int32_t>& timer : popupTimer_)
    if (timer.load() != 0) return true;
  return ProgressShown();
}

// The tick paints the popups; they change only under the UI mutex.
void GUIManager::ShowScreenSaved(const char* name, int fourthTicks) {
  std::lock_guard lock(uiMutex_);
  if (popupMessage_) {
    popupMessage_->Message("SCREEN SAVED", name, "");
    popupMessage_->show();
  }
  popupTimer_[popupMsg].store(fourthTicks);
}
