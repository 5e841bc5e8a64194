#include "toolkit/uxValueLabel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/ArmConvert.h"
#include "platform/LogSink.h"
#include "toolkit/CTheme.h"
#include "toolkit/uxDC.h"

namespace {

int16_t Short(int v) { return static_cast<int16_t>(v); }

// How one encoder detent moves each value type, and where the value stops.
enum class Step { None, Linear, Half, Choice, Pair, InstrumentOnly };
struct StepRow {
  Step kind;
  float unit;  // detent in steps of s
  float lo, hi;
};
constexpr StepRow kSteps[] = {
    {Step::None, 0, 0, 0},                 // 0
    {Step::Linear, 1, 0, 100},             // 1
    {Step::Linear, 1, -100, 100},          // 2
    {Step::Linear, 1, -50, 50},            // 3
    {Step::Linear, 1, -50, 50},            // 4
    {Step::Linear, 1, -24, 24},            // 5
    {Step::Linear, 1, 0, 128},             // 6
    {Step::Linear, 1, 0, 256},             // 7
    {Step::Half, 0.5f, 0, 0},              // 8: 0..N-1
    {Step::Linear, 1, 0, 50},              // 9
    {Step::Linear, 1, 0, 100},             // 10
    {Step::Choice, 1, 0, 0},               // 11: 0..N-1
    {Step::None, 0, 0, 0},                 // 12
    {Step::None, 0, 0, 0},                 // 13
    {Step::Pair, 1, 0, 15},                // 14: either nibble
    {Step::Linear, 1, 30, 220},            // 15
    {Step::Linear, 1, 0, 200},             // 16
    {Step::Linear, 5, 0, 1000},            // 17
    {Step::InstrumentOnly, 10, 0, 1000},   // 18
};

// What a controller value u (0..127) becomes for each value type.
enum class Map { Zero, Linear, WholeChoice, Choice, Capped };
struct MapRow {
  Map kind;
  float divisor;
  float factor;
  float offset;
};
constexpr MapRow kMaps[] = {
    {Map::Zero, 1, 0, 0},                 // 0
    {Map::Linear, 1.27f, 1, 0},           // 1
    {Map::Linear, 1.27f, 2, -100},        // 2
    {Map::Linear, 1.27f, 1, -50},         // 3
    {Map::Linear, 1.27f, 1, -50},         // 4
    {Map::Linear, 5.2916665f, 1, -12},    // 5
    {Map::Linear, 1, 1, 0},               // 6
    {Map::Linear, 1, 2, 0},               // 7
    {Map::WholeChoice, 0, 0, 0},          // 8
    {Map::Linear, 0.635f, 1, 0},          // 9
    {Map::Linear, 1.27f, 1, 0},           // 10
    {Map::Choice, 0, 0, 0},               // 11
    {Map::Linear, 1.27f, 1, 0},           // 12
    {Map::Zero, 1, 0, 0},                 // 13
    {Map::Zero, 1, 0, 0},                 // 14
    {Map::Zero, 1, 0, 0},                 // 15
    {Map::Zero, 1, 0, 0},                 // 16
    {Map::Capped, 1, 7.874016f, 1000},    // 17
    {Map::Zero, 1, 0, 0},                 // 18
};

constexpr int kCaptionFont = 9;
constexpr int kFactorFont = 8;
constexpr int kFrameRadius = 8;
constexpr int kMarkerRadius = 3;
// A long press is this many ticks; a checked-but-idle label keeps its bright value this long
// after a change.
constexpr int kLongPressTicks = 30;
constexpr int kChangeTicks = 6;
constexpr int kMapCheckTicks = 10;

// The user data carries two fields: bits 0-11 the encoder slot (slot / 8 the encoder, slot % 8
// the place in its group) and bits 12-15 the part whose controllers the label follows. The
// encoder is read from the slot field alone, so a label of part B still answers its encoder.
constexpr uint32_t kSlotBits = 0x0FFF;
uint32_t EncoderOf(uint32_t userData) { return (userData & kSlotBits) / 8; }
uint32_t PartOf(uint32_t userData) { return (userData >> 12) & 15; }

uxCOLOR ConstructColour(const char* role, const std::string& name, uxCOLOR given) {
  if constexpr (ux::kScriptFlavour) return CTheme::ColorFromName(role, "ValLbl", name, given, false);
  return given;
}

uxCOLOR PaintColour(const char* role, const std::string& name, uxCOLOR fallback) {
  if constexpr (ux::kScriptFlavour) return CTheme::ColorFromName(role, "ValLbl", name, fallback, true);
  return fallback;
}

// The scripts' four-colour labels have no accent border of their own: they take the dim
// frame colour the unchecked look already uses.
constexpr uxCOLOR kDefaultAccentBorder = 0x404040;

}  // namespace

uxValueLabel::uxValueLabel(uxHost* manager, const char* name, int id, uint32_t userData, uxPOINT pos, int16_t w,
                           int16_t h, uxCOLOR background, uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text,
                           uxCOLOR textAccent, bool midi, int)
    : uxBaseElement(manager, id, userData, name),
      background_(ConstructColour("Bg", name_, background)),
      accentBorder_(ConstructColour("BorderAcc", name_, accentBorder)),
      text_colour_(ConstructColour("Text", name_, text)),
      titleText_(ConstructColour("TitleText", name_, titleText)),
      textAccent_(ConstructColour("TextAcc", name_, textAccent)),
      border_(ConstructColour("Border", name_, dc_ ? dc_->getSelectColor() : 0)),
      enums_(&ownEnums_),
      midiEnabled_(midi) {
  rect_ = uxRECT(pos.x, pos.y, pos.x + w, pos.y + h, w, h);
  repaint_ = true;
  enabled_ = true;
  if constexpr (ux::kScriptFlavour) {
    if (midi) {
      midiState_ = STATE_MIDI_CC_ASSIGNED;
      std::snprintf(ccText_, sizeof ccText_, "0");
    }
  } else {
    const int cc = manager_ ? manager_->GetCCAssignment(static_cast<uint32_t>(id_)) : -1;
    if (midi && cc >= 0 && cc <= 127) {
      midiState_ = STATE_MIDI_CC_ASSIGNED;
      std::snprintf(ccText_, sizeof ccText_, "%d", cc);
    }
  }
}

#if SYNTH_TOOLKIT_SCRIPT
uxValueLabel::uxValueLabel(uxHost* manager, const char* name, int id, uint32_t userData, uxPOINT pos, int16_t w,
                           int16_t h, uxCOLOR background, uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text,
                           uxCOLOR textAccent, bool midi)
    : uxValueLabel(manager, name, id, userData, pos, w, h, background, accentBorder, titleText, text, textAccent, midi,
                   0) {}

uxValueLabel::uxValueLabel(uxHost* manager, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h,
                           uxCOLOR background, uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text,
                           uxCOLOR textAccent, bool midi)
    : uxValueLabel(manager, "ValueLabel", id, userData, pos, w, h, background, accentBorder, titleText, text,
                   textAccent, midi, 0) {}

uxValueLabel::uxValueLabel(uxHost* manager, const char* name, int id, uint32_t userData, uxPOINT pos, int16_t w,
                           int16_t h, uxCOLOR background, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent,
                           bool midi)
    : uxValueLabel(manager, name, id, userData, pos, w, h, background, kDefaultAccentBorder, titleText, text,
                   textAccent, midi, 0) {}

uxValueLabel::uxValueLabel(uxHost* manager, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h,
                           uxCOLOR background, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent, bool midi)
    : uxValueLabel(manager, "ValueLabel", id, userData, pos, w, h, background, kDefaultAccentBorder, titleText, text,
                   textAccent, midi, 0) {}
#else
uxValueLabel::uxValueLabel(uxHost* manager, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h,
                           uxCOLOR background, uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text,
                           uxCOLOR textAccent, bool midi)
    : uxValueLabel(manager, "ValueLabel", id, userData, pos, w, h, background, accentBorder, titleText, text,
                   textAccent, midi, 0) {}
#endif

const char* uxValueLabel::Format(float v, bool flag) const {
  const char* text = convert_ ? convert_(v, flag) : nullptr;
  return text ? text : "";
}

float uxValueLabel::convert(float v) const { return convert_ ? static_cast<float>(std::strtod(Format(v, true), nullptr)) : v; }

void uxValueLabel::Report(float value, unsigned flags) {
  if (manager_) manager_->ValueChanged(static_cast<uint32_t>(id_), value, flags);
}

void uxValueLabel::SetLabelText(const char* label, const char* unit, int font) {
  if (!label) return;
  valueFont_ = font;
  unit_ = unit ? std::string(unit).substr(0, 4) : std::string();
  if (!ux::kScriptFlavour && unit) fullUnit_ = unit;
  label_ = label;
  repaint_ = true;
  enums_->clear();
  steps_ = 0;
}

void uxValueLabel::SetActive(bool active, bool force) {
  active_ = active;
  if (active || force) forceRepaint_ = true;
}

void uxValueLabel::SetEnabled(bool enabled, bool force) {
  enabled_ = enabled;
  repaint_ = true;
  if (enabled || force) forceRepaint_ = true;
}

void uxValueLabel::SetEncoderMode(int type, int steps) {
  type_ = type;
  if (type == 0) {
    SetGrayed(true);
    value_ = 0.0f;
  } else {
    SetGrayed(false);
  }
  steps_ = enums_->empty() ? steps + 1 : static_cast<int>(enums_->size());
}

void uxValueLabel::EncoderStep(bool up) {
  if (type_ < 0 || type_ >= static_cast<int>(std::size(kSteps))) return;
  const StepRow& row = kSteps[type_];
  const float dir = up ? 1.0f : -1.0f;
  const float s = second_ ? factor_ : 1.0f;
  switch (row.kind) {
    case Step::None:
      return;
    case Step::InstrumentOnly:
      if constexpr (ux::kScriptFlavour) return;
      [[fallthrough]];
    case Step::Linear:
      raw_ = std::clamp(raw_ + dir * s * row.unit, row.lo, row.hi);
      return;
    case Step::Half:
    case Step::Choice: {
      raw_ += dir * (row.kind == Step::Half ? row.unit : s);
      // N - 1 first, then 0: with no choices at all the value rests at 0.
      if (raw_ >= static_cast<float>(steps_)) raw_ = static_cast<float>(steps_ - 1);
      if (raw_ < 0.0f) raw_ = 0.0f;
      return;
    }
    case Step::Pair: {
      const int shift = second_ ? 4 : 0;
      const int nibble = std::clamp(((pair_ >> shift) & 15) + (up ? 1 : -1), 0, 15);
      pair_ = (pair_ & ~(15 << shift)) | (nibble << shift);
      return;
    }
  }
}

float uxValueLabel::MapController(int u) const {
  if (type_ < 0 || type_ >= static_cast<int>(std::size(kMaps))) return 0.0f;
  const MapRow& row = kMaps[type_];
  const float fu = static_cast<float>(u);
  // Float division: a label without choices maps everything to 0 instead of dividing by 0.
  const float perChoice = 127.0f / static_cast<float>(steps_);
  switch (row.kind) {
    case Map::Zero:
      return 0.0f;
    case Map::Linear:
      return fu / row.divisor * row.factor + row.offset;
    case Map::WholeChoice:
      return steps_ > 0 ? std::trunc(fu / perChoice) : 0.0f;
    case Map::Choice:
      return steps_ > 0 ? fu / perChoice : 0.0f;
    case Map::Capped:
      return std::min(fu * row.factor, row.offset);
  }
  return 0.0f;
}

void uxValueLabel::AddEnumText(const char* text, uint32_t attr) {
  tEnumItem item;
  item.text = text ? text : "";
  if constexpr (ux::kScriptFlavour) {
    item.attr = attr;
  } else {
    item.unit = fullUnit_;
  }
  enums_->push_back(std::move(item));
  steps_ = static_cast<int>(enums_->size());
}

void uxValueLabel::ClearEnums() {
  std::lock_guard<std::mutex> lock(listMutex_);
  enums_->clear();
}

void uxValueLabel::SetEnumRef(tEnumList* list) {
  enums_ = list ? list : &ownEnums_;
  steps_ = static_cast<int>(enums_->size());
}

const char* uxValueLabel::getEnumText(int i) const {
  return i >= 0 && i < static_cast<int>(enums_->size()) ? (*enums_)[std::size_t(i)].text.c_str() : "";
}

uint32_t uxValueLabel::getEnumAttr(int i) const {
  return i >= 0 && i < static_cast<int>(enums_->size()) ? (*enums_)[std::size_t(i)].attr : 0;
}

void uxValueLabel::setEnableMidiCC(bool on) {
  midiEnabled_ = on;
  if (!on) midiState_ = STATE_MIDI_NONE;
}

void uxValueLabel::setEncoderFactor(float factor, const char* text) {
  factor_ = factor;
  factorText_ = text ? text : "";
}

void uxValueLabel::ShowEntry(int index) {
  const tEnumItem& item = (*enums_)[std::size_t(index)];
  const std::size_t colon = item.text.find(':', 1);
  if (colon != std::string::npos) {
    unit_ = item.text.substr(colon + 1);
    text_ = item.text.substr(0, colon);
  } else {
    text_ = item.text;
    if constexpr (!ux::kScriptFlavour) unit_ = item.unit;
  }
  attr_ = item.attr;
}

void uxValueLabel::SetFloatValue(float v, unsigned flags) {
  if (convert_) {
    SetTextValue(Format(v, false), flags);
    value_ = v;
    Report(v, flags);
  } else {
    char formatted[32];
    std::snprintf(formatted, sizeof formatted, format_.c_str(), static_cast<double>(v));
    attr_ = 0;
    if (!enums_->empty()) {
      const int size = static_cast<int>(enums_->size());
      int index = arm::ToInt32(v);
      // Out of the list (either side) the shown choice stays and the index is pulled in.
      if (index >= size || index < 0) {
        index = index < 0 ? 0 : size - 1;
      } else {
        ShowEntry(index);
      }
      value_ = static_cast<float>(index);
      Report(value_, flags);
    } else if (type_ == 14) {
      pair_ = std::clamp(arm::ToInt32(v), 0, 255);
      const int hi = pair_ >> 4, lo = (pair_ & 15) + 1;
      char pair[16];
      if (hi == 0) {
        std::snprintf(pair, sizeof pair, ">off");
        second_ = true;
      } else {
        std::snprintf(pair, sizeof pair, second_ ? ">%d:%d" : "%d:%d<", hi, lo);
      }
      text_ = pair;
      Report(static_cast<float>(pair_), flags);
    } else {
      text_ = formatted;
      value_ = v;
      Report(v, flags);
    }
  }
  if (flags & FLAG_REPAINT) repaint_ = true;
}

void uxValueLabel::SetIntValue(int i, unsigned flags) {
  if (enums_->empty()) {
    text_ = std::to_string(i);
  } else if (i >= 0 && i < static_cast<int>(enums_->size())) {
    text_ = (*enums_)[std::size_t(i)].text;
  }
  if (flags & FLAG_REPAINT) repaint_ = true;
  value_ = static_cast<float>(i);
  Report(value_, flags);
}

void uxValueLabel::SetTextValue(const char* text, unsigned flags) {
  if (!text) return;
  // A formatter's text goes through here from SetFloatValue; were it matched against the
  // choices, a text equal to one would send it back into SetFloatValue without end.
  if (!convert_) {
    for (std::size_t i = 0; i < enums_->size(); ++i) {
      if ((*enums_)[i].text == text) {
        SetFloatValue(static_cast<float>(i), flags);
        raw_ = static_cast<float>(i);
        return;
      }
    }
  }
  text_ = text;
  attr_ = 0;
  if (flags & FLAG_REPAINT) repaint_ = true;
}

void uxValueLabel::SetFloatRawValue(float v) {
  raw_ = v == 0.0f ? 0.0f : v;
  if (focus_ && enabled_) changeTicks_ = kChangeTicks;
}

float uxValueLabel::GetFloatValue() { return type_ == 14 ? static_cast<float>(pair_) : value_; }

int uxValueLabel::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type == UX_MSG_TICK_EVENT) {
    if (changeTicks_ == 1) {
      changeTicks_ = 0;
      repaint_ = true;
    } else if (changeTicks_ > 1) {
      --changeTicks_;
    }
    if (enabled_) {
      ++pressTicks_;
      if (!ux::kScriptFlavour && pressTicks_ % kMapCheckTicks == 0 && midiState_ == STATE_MIDI_CC_ASSIGNED &&
          manager_ && manager_->GetCCAssignment(static_cast<uint32_t>(id_)) < 0) {
        midiState_ = STATE_MIDI_NONE;
        repaint_ = true;
      }
    }
  }
  if (!enabled_) return result;

  if (msg->type == UX_MSG_ENCODER_EVENT) {
    if (!focus_ || !checked_ || grayed_ || (msg->param & 7) != EncoderOf(userData_)) return result;
    switch (msg->flag) {
      case 131:
        EncoderStep(false);
        break;
      case 130:
        EncoderStep(true);
        break;
      case 132:
        second_ = !second_;
        break;
      default:
        break;
    }
    const float stepped = type_ == 14 ? static_cast<float>(pair_) : raw_;
    if (convert_) {
      SetTextValue(Format(raw_, true), notifyFlags_);
      value_ = stepped;
      Report(std::strtof(Format(value_, true), nullptr), notifyFlags_);
    } else {
      SetFloatValue(stepped, notifyFlags_);
    }
    tagUX_Message changed(UX_MSG_ENCODER_VALUE_CHANGED, static_cast<int>(msg->param), static_cast<int>(msg->flag));
    SendMessage(&changed);
    platform::LogPrintf("LABEL %x, value changed %f\n", userData_, static_cast<double>(GetFloatValue()));
  } else if (msg->type == UX_MSG_TOUCH_EVENT && focus_) {
    if (msg->m_evt_type == TYPE_PRESS && intersect(uxPOINT(msg->m_x, msg->m_y))) {
      SetChecked(true);
      tagUX_Message on(UX_MSG_ON_LABEL, static_cast<int>(userData_), 0);
      SendMessage(&on);
      pressTicks_ = 0;
      repaint_ = true;
      touchState_ = uxValueLabel_state_pressed;
    } else if (msg->m_evt_type == TYPE_RELEASE) {
      const bool afterLongPress = touchState_ == uxValueLabel_state_2nd;
      touchState_ = uxValueLabel_state_released;
      if (!ux::kScriptFlavour && afterLongPress && midiState_ == STATE_MIDI_NONE && manager_ &&
          intersect(uxPOINT(msg->m_x, msg->m_y))) {
        const int cc = manager_->GetCCAssignment(static_cast<uint32_t>(id_));
        if (cc >= 0) manager_->SetCCAssignment(cc, -1);
      }
    }
  }
  return result;
}

int uxValueLabel::OnMidiCC(int, int part, int controller, int u) {
  if (PartOf(userData_) != static_cast<uint32_t>(part)) return 0;
  if (midiState_ == STATE_MIDI_CC_LEARN) {
    std::snprintf(ccText_, sizeof ccText_, "%d", controller);
    repaint_ = true;
    midiState_ = STATE_MIDI_CC_ASSIGNED;
    if (!ux::kScriptFlavour && manager_) manager_->SetCCAssignment(controller, id_);
    return 0;
  }
  if (midiState_ != STATE_MIDI_CC_ASSIGNED) return 0;
  const int own = ux::kScriptFlavour ? 0 : (manager_ ? manager_->GetCCAssignment(static_cast<uint32_t>(id_)) : -1);
  if (controller != own) return 0;
  const float v = MapController(u);
  if (!isEnabled() || v == value_) return 0;
  if (convert_) {
    value_ = v;
    SetTextValue(Format(v, true), FLAG_REPAINT);
  } else {
    SetFloatValue(v, FLAG_REPAINT);
  }
  return 1;
}

void uxValueLabel::LongPress() {
  if (!midiEnabled_ || touchState_ != uxValueLabel_state_pressed || pressTicks_ <= kLongPressTicks) return;
  touchState_ = uxValueLabel_state_2nd;
  repaint_ = true;
  midiState_ = midiState_ == STATE_MIDI_NONE ? STATE_MIDI_CC_LEARN : STATE_MIDI_NONE;
}

int uxValueLabel::OnPaint() {
  LongPress();
  if (!dc_ || !(forceRepaint_ || (enabled_ && repaint_))) return 1;
  forceRepaint_ = false;
  const int w = rect_.width;
  const int h = rect_.height;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h), false, false);

  const bool bright = checked_ || changeTicks_ > 0;
  const uxCOLOR dimUnit = PaintColour("TextAccDisabled", name_, 0x404040);
  const uxCOLOR background = checked_ ? background_ : PaintColour("BgDisabled", name_, 0x101010);
  const uxCOLOR unitColour = checked_ ? textAccent_ : dimUnit;
  const uxCOLOR markerBg = PaintColour("BgML", name_, 0x606060);
  const uxCOLOR markerText = PaintColour("TextML", name_, 0xFFFFFF);

  dc_->FillFrame(0, 0, Short(w), Short(h), background);
  dc_->FontSelect(kCaptionFont);
  dc_->SetForecolor(titleText_);
  dc_->SetBackcolor(background);
  const tFontSize small = dc_->getFontSize(kCaptionFont);
  if (drawFrame_) {
    const int i = inset_;
    const uxCOLOR frame = !active_ ? dimUnit : checked_ ? border_ : accentBorder_;
    dc_->DrawRoundFrame(Short(i), Short(i), Short(w - 2 * i), Short(h - 2 * i), kFrameRadius, frame);
    dc_->PutString(Short(w / 2 - static_cast<int>(label_.size()) * small.width / 2), Short(i + 1 - small.height / 2),
                   label_.c_str());
    if (midiState_ == STATE_MIDI_CC_LEARN || midiState_ == STATE_MIDI_CC_ASSIGNED) {
      dc_->FillRoundFrame(Short(w - 32), 2, Short(w - 10), 20, kMarkerRadius, markerBg);
      dc_->SetForecolor(markerText);
      dc_->SetBackcolor(markerBg);
      if (midiState_ == STATE_MIDI_CC_LEARN)
        dc_->PutChar('L', Short(w - 24), 3, markerText, markerBg);
      else
        dc_->PutString(Short(w - 30), 4, ccText_);
    } else if (midiEnabled_) {
      dc_->FillRoundFrame(Short(w - 32), 2, Short(w - 10), 10, kMarkerRadius, checked_ ? border_ : accentBorder_);
    }
  }

  uxCOLOR valueColour = text_colour_;
  if (!bright)
    valueColour = PaintColour("TextDisabled", name_, 0x505050);
  else if (attr_ & 1)
    valueColour = ux::kScriptFlavour ? dimUnit : 0x606060;
  dc_->FontSelect(static_cast<uint16_t>(valueFont_));
  dc_->SetForecolor(valueColour);
  dc_->SetBackcolor(background);
  const tFontSize cell = dc_->getFontSize(valueFont_);
  const int y = h / 2 - cell.height / 2;
  if (!active_ || grayed_) {
    dc_->PutString(Short(w / 2 - static_cast<int>(grayedText_.size()) * cell.width / 2), Short(y),
                   grayedText_.c_str());
  } else {
    const int n = static_cast<int>(text_.size());
    const int u = static_cast<int>(unit_.size());
    dc_->PutString(Short(w / 2 - (u * small.width + n * cell.width) / 2), Short(y), text_.c_str());
    dc_->FontSelect(kCaptionFont);
    dc_->SetForecolor(unitColour);
    // The unit's lower edge sits 2 pixels above the value's.
    dc_->PutString(Short(w / 2 + n * cell.width / 2), Short(y + cell.height - 2 - small.height), unit_.c_str());
  }
  if (second_ && factor_ != 1.0f) {
    dc_->FontSelect(kFactorFont);
    dc_->SetForecolor(ux::kScriptFlavour ? markerText : 0xFFFFFF);
    dc_->PutString(20, 0, factorText_.c_str());
  }
  repaint_ = false;
  dc_->EndPaint();
  return 1;
}
