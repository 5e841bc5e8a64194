#include "pages/midi/appVA_MidiSettingsClock.h"

#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "toolkit/uxImage.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxValueLabel.h"

namespace {

struct ValueSpec {
  int setting;
  int slot;
  const char* text;
  const char* choices[2];
  int16_t x;
  const char* pictures[2];  // state 0, state 1
  int16_t pictureX, pictureY;
};

constexpr const char* kSwitchOff = "sw-l1r1-open.png";
constexpr const char* kSwitchOn = "sw-l1r1-closed.png";

// In the order turned labels are applied.
constexpr ValueSpec kSpecs[appVA_MidiSettingsClock::kValues] = {
    {appVA_MidiSettingsClock::kClockSource, 0, " Clock Src ", {"INT", "EXT"}, 10,
     {"sw-l2r1-down.png", "sw-l2r1-up.png"}, 320, 158},
    {appVA_MidiSettingsClock::kClockOut, 24, " Clock Out ", {"Off", "On"}, 610, {kSwitchOff, kSwitchOn}, 500, 160},
    {appVA_MidiSettingsClock::kTransportIn, 8, " Trans In ", {"Off", "On"}, 210, {kSwitchOff, kSwitchOn}, 320, 224},
    {appVA_MidiSettingsClock::kTransportOut, 16, " Trans Out ", {"Off", "On"}, 410, {kSwitchOff, kSwitchOn}, 500,
     224},
};

constexpr uint32_t kSettingBit = 0x100000;

}  // namespace

appVA_MidiSettingsClock::appVA_MidiSettingsClock(PageServices* services, int number, const char* name, uxPOINT pos,
                                                 int16_t w, int16_t h, const char* image)
    : uxPanelCtrl(services, static_cast<uint32_t>(number), name, pos, w, h, image),
      services_(services),
      number_(number) {
  for (int i = 0; i < kValues; ++i) {
    const ValueSpec& s = kSpecs[i];
    const uint32_t uid = kSettingBit | static_cast<uint32_t>(number) << 12 | static_cast<uint32_t>(s.setting);
    auto* label = new uxValueLabel(services, static_cast<int>(uid), static_cast<uint32_t>(s.slot), uxPOINT(s.x, 420),
                                   180, 70, 0x303030, 0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, false);
    label->SetLabelText(s.text, nullptr, 13);
    for (const char* choice : s.choices) label->AddEnumText(choice);
    label->SetEncoderMode(8);
    label->SetFloatValue(0.0f, 0);
    label->SetChecked(true, true);
    labels_[i] = label;
    AddElement(label);
    auto* picture = new uxImage(services, uxPOINT(s.pictureX, static_cast<int16_t>(pos.y + s.pictureY)), s.pictures[0]);
    picture->addImage(s.pictures[1]);
    switches_[i] = picture;
    AddElement(picture);
  }
  auto* caption = new uxLabel(services, uxPOINT(10, 370), 50, 35, 0x101010, 0x101010, 0xFFFFFF, 11);
  caption->setText("BPM:");
  AddElement(caption);
  tempo_ = new uxLabel(services, uxPOINT(70, 370), 120, 40, 0x101010, 0x802020, 0xFFFFFF, 11);
  tempo_->setText("120");
  AddElement(tempo_);
  repaint_ = true;
}

const char* appVA_MidiSettingsClock::SwitchPicture(int index) const {
  return kSpecs[index].pictures[switchState_[index]];
}

const char* appVA_MidiSettingsClock::TempoText() const { return tempo_->getText(); }

void appVA_MidiSettingsClock::ShowSwitch(int index, float value) {
  switchState_[index] = value > 0.0f ? 1 : 0;
  switches_[index]->showImage(switchState_[index]);
}

int appVA_MidiSettingsClock::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

void appVA_MidiSettingsClock::LoadValues(int number) {
  for (int i = 0; i < kValues; ++i) {
    const float value =
        services_->GetSetting(kSettingBit | static_cast<uint32_t>(number) << 12 | static_cast<uint32_t>(kSpecs[i].setting));
    labels_[i]->SetFloatValue(value, 0);
    labels_[i]->SetFloatRawValue(value);
    ShowSwitch(i, value);
  }
}

void appVA_MidiSettingsClock::ApplyValue(int slot, float value) {
  for (int i = 0; i < kValues; ++i)
    if (kSpecs[i].slot == slot) ShowSwitch(i, value);
}

int appVA_MidiSettingsClock::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) == number_) LoadValues(number_);
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (int i = 0; i < kValues; ++i)
        if (kSpecs[i].slot / 8 == static_cast<int>(msg->param & 3) && labels_[i]->isChecked())
          ApplyValue(kSpecs[i].slot, labels_[i]->GetFloatValue());
      break;
    case UX_MSG_TICK_EVENT: {
      char text[16];
      std::snprintf(text, sizeof text, "%d", static_cast<int>(services_->Tempo()));
      const uxCOLOR colour = services_->TakeExternalClock() ? kTempoExternal : kTempoInternal;
      if (colour != tempoColour_ || std::strcmp(text, tempo_->getText()) != 0) {
        tempoColour_ = colour;
        tempo_->setText(text, tempoColour_, 0x101010);
      }
      break;
    }
    default:
      break;
  }
  return result;
}
