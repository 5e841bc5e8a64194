// Only the script flavour has this GUIManager; the instrument links its own under the same
// name.
#include "toolkit/Flavour.h"
#if SYNTH_TOOLKIT_SCRIPT

#include "toolkit/GUIManager.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/ClientLog.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "toolkit/CCANDev.h"
#include "toolkit/CTheme.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

namespace {

constexpr uint16_t kPanelControlId = 40;
constexpr uint16_t kPanelMidiId = 16;
constexpr uint32_t kTickEvery = 34;
constexpr int kPanelTextMax = 12;
constexpr int kPanelTextChunk = 6;

// Shared by every manager of the process: one GUI pass in four does the slow work.
unsigned g_guiPass = 0;

}  // namespace

void GUIManagerCB::run(int) { platform::LogWrite("Not implemented: GUIManagerCB.run()\n"); }

void GUIManagerCB::MessageReceived(tagUX_Message*) {
  platform::LogWrite("Not implemented: GUIManagerCB.MessageReceived()\n");
}

GUIManager::GUIManager(uxDC* dc, CCANDev* can, std::string inputDevice)
    : dc_(dc), can_(can), inputDevice_(std::move(inputDevice)) {
  CTheme::Init();
  if (dc_) dc_->Init();
}

GUIManager::~GUIManager() = default;

void GUIManager::AddElement(uxBaseElement* element) {
  if (element) elements_.push_back(element);
}

int GUIManager::HookSendMessage(tagUX_Message* msg) {
  if (!msg) return 0;
  if (m_hooksendmsg_cb) m_hooksendmsg_cb->MessageReceived(msg);
  if (msg->type == UX_MSG_FOCUS && msg->param == 2) focusIndex_ = -1;
  return 0;
}

int GUIManager::SendMessage(tagUX_Message* msg, bool) {
  if (!msg) return 0;
  if (m_sendmsg_cb) m_sendmsg_cb->MessageReceived(msg);
  // By index: an element may add elements while it handles the message, and those are
  // reached too.
  for (std::size_t i = 0; i < elements_.size(); ++i) elements_[i]->OnMessage(msg);
  return 0;
}

void GUIManager::InitGUI(unsigned colour) {
  if (dc_) dc_->FillScreen(colour);
  open(inputDevice_.c_str());
  // The touch controller needs this long after opening before its reports settle.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  tagUX_Message msg(static_cast<int>(UX_MSG_VALUES_CHANGED), -1, -1);
  SendMessage(&msg);
}

void GUIManager::doTick() {
  if (tickCounter_ % kTickEvery == 0) tickPending_ = true;
  ++tickCounter_;
}

void GUIManager::DoGUI() {
  if (g_guiPass++ % 4 == 0) {
    if (tickPending_) {
      tickPending_ = false;
      tagUX_Message tick(static_cast<int>(UX_MSG_TICK_EVENT));
      SendMessage(&tick);
    }
    DoService();
    if (popups_[popupMsg] > 1) --popups_[popupMsg];
    if (popups_[popupDel] > 1) --popups_[popupDel];
  }
  for (std::size_t i = 0; i < elements_.size(); ++i) elements_[i]->OnPaint();
}

bool GUIManager::isPopup(int kind) const {
  if (kind == popupAny) return isOtherPopup(popupAny);
  return kind >= 0 && kind < popupSize && popups_[kind] != 0;
}

bool GUIManager::isOtherPopup(int kind) const {
  for (int k = 0; k < popupSize; ++k)
    if (k != kind && popups_[k] != 0) return true;
  return false;
}

void GUIManager::OnTouchEvent(int x, int y, int type) {
  tagUX_Message msg(static_cast<int>(UX_MSG_TOUCH_EVENT), x, y, type);
  SendMessage(&msg);
  CDrvInput::OnTouchEvent(x, y, type);
}

void GUIManager::LoggerText(const char* text) { platform::ClientLog::Append(text); }

void GUIManager::ValueChanged(uint32_t uid, float value, unsigned flags) {
  platform::LogPrintf("[ValChgd] (assign) UID:%04X,value:%f, [Flags: %04X]\n", uid, value, flags);
}

void GUIManager::CANValueNotify(int id, int part, float value) {
  platform::LogPrintf("[RecvCAN] (value) part:%d, UID:%04X,val:%f, [CANRX ID: %04X]\n", part,
                      static_cast<unsigned>(id), value, static_cast<unsigned>(id));
}

void GUIManager::CANAssignNotify(int id, int part, float value) {
  platform::LogPrintf("[RecvCAN] (assign) part:%d, UID:%04X,val:%f, [CANRX ID: %04X]\n", part,
                      static_cast<unsigned>(id), value, static_cast<unsigned>(id));
}

void GUIManager::CANEncoderEvent(int id, int code) {
  platform::LogPrintf("[RecvCAN] (encoder) canID:%04X, [Flags: %04X]\n", static_cast<unsigned>(id),
                      static_cast<unsigned>(code));
}

void GUIManager::CANKeyEvent(int id, int code) {
  platform::LogPrintf("[RecvCAN] (key) canID:%04X, [Flags: %04X]\n", static_cast<unsigned>(id),
                      static_cast<unsigned>(code));
}

void GUIManager::ActivatePanel(int panel, int arg) {
  platform::LogPrintf("[ActivatePanel] (assign) nr:%04X, [arg: %04X]\n", static_cast<unsigned>(panel),
                      static_cast<unsigned>(arg));
}

void GUIManager::Send(int id, const unsigned char* data, int length) {
  if (can_) can_->SendRAW(static_cast<uint16_t>(id), data, length);
}

void GUIManager::sendRawPanelMsg(int id, const unsigned char* data, int length) { Send(id, data, length); }

void GUIManager::sendPanelEnum(int id, int a, int b) {
  const unsigned char frame[4] = {0xB0, static_cast<unsigned char>(a), 0x0A, static_cast<unsigned char>(b)};
  Send(id, frame, 4);
}

void GUIManager::sendPanelFloat(int id, int part, int kind, float value) {
  unsigned char frame[7] = {0xB0, static_cast<unsigned char>(part), static_cast<unsigned char>(kind)};
  std::memcpy(frame + 3, &value, sizeof value);
  Send(id, frame, 7);
}

// The panel's displays take twelve characters in two frames of up to six.
void GUIManager::sendPanelText(int id, int idx, const char* text, bool alt) {
  if (!text || !can_) return;
  const int length = static_cast<int>(strnlen(text, kPanelTextMax));
  const int first = length < kPanelTextChunk ? length : kPanelTextChunk;
  const unsigned char index = static_cast<unsigned char>(idx);
  unsigned char frame[2 + kPanelTextChunk] = {static_cast<unsigned char>(alt ? 0xE0 : 0xC0), index};
  std::memcpy(frame + 2, text, static_cast<std::size_t>(first));
  Send(id, frame, 2 + first);
  frame[0] = alt ? 0xE1 : 0xC1;
  std::memcpy(frame + 2, text + first, static_cast<std::size_t>(length - first));
  Send(id, frame, 2 + length - first);
}

void GUIManager::sendCANMidiMsg(int status, unsigned char channel, unsigned char data1, unsigned char data2) {
  const unsigned char frame[4] = {static_cast<unsigned char>(status), channel, data1, data2};
  Send(kPanelMidiId, frame, 4);
}

void GUIManager::sendCANFocus(int n) {
  const unsigned char frame[2] = {0xA1, static_cast<unsigned char>(n)};
  Send(kPanelControlId, frame, 2);
}

void GUIManager::setPanelMode(int mode) {
  if (!can_) return;
  const unsigned char frame[2] = {0xA2, static_cast<unsigned char>(mode)};
  Send(kPanelControlId, frame, 2);
  panelMode_ = mode;
}

#endif  // SYNTH_TOOLKIT_SCRIPT
