#include "pages/editors/modOsc.h"

#include <cstring>

#include "app/PageServices.h"
#include "pages/editors/modOSCCfg.h"
#include "platform/LogSink.h"

namespace {

constexpr int kTypeKey = 0x12A;
constexpr int kLampKey = 0x129;
constexpr int kKeyStride = 16;
constexpr float kTypeSwitch = 6.0f;
constexpr int16_t kIconX = 680;

}  // namespace

int modOsc::TypeEnum(int type) {
  static constexpr int kEnums[kTypes] = {1, 2, 4};
  return type >= 0 && type < kTypes ? kEnums[type] : 0;
}

const char* modOsc::TypeText(int type) {
  static constexpr const char* kTexts[kTypes] = {"  WT  ", " ALG  ", " RESO "};
  return type >= 0 && type < kTypes ? kTexts[type] : "";
}

modOsc::modOsc(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR colour, EditorFactory factory)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services),
      part_(static_cast<int>((id >> 16) & 0xF)), osc_(static_cast<int>((id >> 12) & 0xF)) {
  cfgPanel_ = new modOSCCfg(services, id, name, pos, w, h);
  cfgPanel_->SetCaptionIcon("OscIcon.png", uxPOINT(kIconX, 0));
  for (int t = 0; t < kTypes; ++t) {
    editors_[t] = factory != nullptr ? factory(t, services, id, name, pos, w, h) : nullptr;
    if (editors_[t] == nullptr)
      editors_[t] = new uxPanelCtrl(services, id, name, pos, w, h, colour, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE);
    editors_[t]->SetCaptionIcon("ConfigIcon.png", uxPOINT(kIconX, 0));
  }
}

modOsc::~modOsc() {
  for (uxPanelCtrl* e : editors_) delete e;
  delete cfgPanel_;
}

uxPanelCtrl* modOsc::Shown() const { return editors_[oscType_ >= 0 && oscType_ < kTypes ? oscType_ : 0]; }

uint32_t modOsc::TypeUid() const {
  return static_cast<uint32_t>(part_) << 16 | static_cast<uint32_t>(osc_) << 12 | 0x010;
}

int modOsc::Deliver(uxPanelCtrl* panel, tagUX_Message msg) { return panel->OnMessage(&msg); }

void modOsc::SendType() {
  services_->sendPanelEnum(kLampKey + kKeyStride * osc_, part_, TypeEnum(oscType_));
  services_->sendPanelText(kTypeKey + kKeyStride * osc_, part_, TypeText(oscType_), false);
}

int modOsc::OnPaint() { return configShown_ ? cfgPanel_->OnPaint() : Shown()->OnPaint(); }

int modOsc::OnMidiCC(int a, int b, int c, int d) {
  for (uxPanelCtrl* e : editors_) e->OnMidiCC(a, b, c, d);
  return 1;
}

void modOsc::ShowConfig(bool show) {
  if (show == configShown_) return;
  if (show) {
    Deliver(Shown(), tagUX_Message(UX_MSG_FOCUS, 2, 0));
    Deliver(cfgPanel_, tagUX_Message(UX_MSG_FOCUS, 1, 0));
  } else {
    Deliver(cfgPanel_, tagUX_Message(UX_MSG_FOCUS, 2, 0));
    Deliver(Shown(), tagUX_Message(UX_MSG_FOCUS, 1, 0));
  }
  configShown_ = show;
}

int modOsc::OnMessage(tagUX_Message* msg) {
  switch (msg->type) {
    case EN_MSG_SET_VALUE: {
      float value = 0.0f;
      if (msg->pData != nullptr) std::memcpy(&value, msg->pData, sizeof value);
      // Value 6 on the type key is the type switch: the editors' own refresh on it is not
      // reached through the container.
      if (static_cast<int>(msg->param) != kTypeKey + kKeyStride * osc_ || value != kTypeSwitch) break;
      if (configShown_) {
        Deliver(cfgPanel_, tagUX_Message(UX_MSG_FOCUS, 2, 0));
        configShown_ = false;
      } else {
        Deliver(Shown(), tagUX_Message(UX_MSG_FOCUS, 2, 0));
      }
      oscType_ = ((oscType_ < 0 ? 0 : oscType_) + 1) % kTypes;
      Deliver(Shown(), tagUX_Message(UX_MSG_FOCUS, 1, 1));
      SendType();
      services_->ValueChanged(TypeUid(), FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM, static_cast<float>(oscType_));
      return 1;
    }
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) == -1 || static_cast<int>(msg->param) == part_) {
        const float stored = services_->GetParamById(static_cast<int>(TypeUid()));
        oscType_ = stored >= -1e6f && stored <= 1e6f ? static_cast<int>(stored) : -1;
        SendType();
        cfgPanel_->OnMessage(msg);
      }
      for (uxPanelCtrl* e : editors_) e->OnMessage(msg);
      platform::LogPrintf("ModOSC: value_changed <%s> \n", getName());
      return 1;
    case UX_MSG_TOUCH_EVENT:
      if (msg->m_evt_type == TYPE_PRESS && msg->m_x >= rect_.right - 140 && msg->m_x < rect_.right - 70 &&
          msg->m_y >= 40 && msg->m_y < 80) {
        ShowConfig(!configShown_);
        return 1;
      }
      break;
    case UX_MSG_FOCUS:
      if (msg->param == 2) configShown_ = false;
      break;
    case UX_MSG_CLOSE_PANEL:
      configShown_ = false;
      break;
    default:
      break;
  }
  if (!configShown_) return Shown()->OnMessage(msg);
  const int result = cfgPanel_->OnMessage(msg);
  if (msg->type == UX_MSG_TICK_EVENT || msg->type == EN_MSG_SET_VALUE) Shown()->OnMessage(msg);
  return result;
}
