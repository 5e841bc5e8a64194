#include "toolkit/uxKeyboardCtrl.h"

#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"

namespace {

// The key texts by key code.
constexpr const char* kKeyText[uxKeyboardCtrl::kKeys] = {
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "0",
    "Q", "W", "E", "R", "T", "Z", "U", "I", "O", "P",
    "A", "S", "D", "F", "G", "H", "I", "J", "K", "L",
    "Y", "X", "C", "V", "B", "N", "M", "_",
};

struct KeyRow {
  int y;
  int firstX;
  int firstCode;
  int count;
};

constexpr KeyRow kRows[] = {
    {180, 10, 0, 10},
    {250, 25, 10, 10},
    {320, 40, 20, 10},
    {390, 55, 30, 8},
};

constexpr int kKeyWidth = 68;
constexpr int kKeyHeight = 50;
constexpr int kKeyPitch = 76;
constexpr int kWideKeyWidth = 136;
constexpr uxCOLOR kKeyBackground = 0x202020;
constexpr uxCOLOR kKeyTextColour = 0xFFFFFF;

}  // namespace

uxKeyboardCtrl::uxKeyboardCtrl(uxHost* manager, uxPOINT pos, int16_t w, int16_t h, uxCOLOR keyFrame, uxCOLOR panel)
    : uxPanelCtrl(manager, 0xFFFFFFFFu, "KBD", pos, w, h, panel, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE),
      keyFrame_(keyFrame),
      panel_(panel) {
  display_ = new uxLabel(manager, uxPOINT(10, 100), 500, 50, 0x404040, 0xC0C0C0, 0x008080, 7);
  display_->setText("");
  AddElement(display_);
  auto key = [&](int code, int x, int y, int width, const char* text) {
    auto* b = new uxButton(manager, static_cast<unsigned>(code), uxPOINT(x, y), static_cast<int16_t>(width),
                           kKeyHeight, kKeyBackground, keyFrame, kKeyTextColour, false, 1, 5);
    b->SetText(text, true, false);
    AddElement(b);
    return b;
  };
  for (const KeyRow& row : kRows)
    for (int i = 0; i < row.count; ++i)
      keys_[row.firstCode + i] =
          key(row.firstCode + i, row.firstX + i * kKeyPitch, row.y, kKeyWidth, kKeyText[row.firstCode + i]);
  backspace_ = key(kBackspace, 650, 100, kWideKeyWidth, "<<");
  ok_ = key(kOk, 680, 390, kWideKeyWidth, "OK");
  repaint_ = true;
}

void uxKeyboardCtrl::setText(const char* text) {
  edit_ = text ? text : "";
  display_->setText(edit_.c_str());
}

void uxKeyboardCtrl::Type(unsigned code) {
  if (code == kBackspace) {
    if (!edit_.empty()) edit_.pop_back();
  } else if (code == kOk) {
    result_ = display_->getText();
    display_->setText("");
    Close(true);
  } else if (code < kKeys) {
    edit_ += kKeyText[code];
  }
  // The edit text stays for the next opening, after OK too.
  display_->setText(edit_.c_str());
}

int uxKeyboardCtrl::OnMessage(tagUX_Message* msg) {
  if (!enabled_) return 0;
  const int result = uxPanelCtrl::OnMessage(msg);
  if (!focus_) return result;
  switch (msg->type) {
    case UX_MSG_FOCUS:
      if (msg->param == 1) {
        result_.clear();
        blocked_ = true;
      }
      break;
    case UX_MSG_TOUCH_EVENT:
      if (msg->m_evt_type == TYPE_RELEASE) blocked_ = false;
      break;
    case UX_MSG_ON_BUTTON:
      if (!blocked_) Type(msg->param);
      break;
    case UX_MSG_TAB_SELECT:
      Close(true);
      break;
    default:
      break;
  }
  return result;
}

int uxKeyboardCtrl::OnPaint() {
  if (!enabled_) return 0;
  // A pressed key stays lit for a while, then every key goes dark together.
  if (--flash_ <= 1) {
    flash_ = 20;
    for (uxButton* k : keys_) k->SetChecked(false, true);
    backspace_->SetChecked(false, true);
    ok_->SetChecked(false, true);
  }
  return uxPanelCtrl::OnPaint();
}
