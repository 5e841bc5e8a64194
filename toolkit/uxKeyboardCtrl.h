#pragma once
// The on-screen keyboard pages open to name presets and other items: 38 character keys, a
// backspace and an OK key, and a display of the text typed so far. The page reads the
// confirmed text after the keyboard has closed.
#include <string>

#include "toolkit/uxPanelCtrl.h"

class uxButton;
class uxLabel;

class uxKeyboardCtrl : public uxPanelCtrl {
 public:
  static constexpr int kKeys = 38;
  static constexpr int kBackspace = 64;
  static constexpr int kOk = 65;

  uxKeyboardCtrl(uxHost* manager, uxPOINT pos, int16_t w, int16_t h, uxCOLOR keyFrame, uxCOLOR panel);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // What OK confirmed; empty while typing and after a close without OK.
  const char* getText() const { return result_.c_str(); }
  // The confirmed text itself, for scripts that pass it on by reference.
  std::string& getTextRef() { return result_; }
  void setText(const char* text);
  bool isActive() const { return enabled_; }

 private:
  void Type(unsigned code);

  uxButton* keys_[kKeys] = {};
  uxButton* backspace_ = nullptr;
  uxButton* ok_ = nullptr;
  uxCOLOR keyFrame_;
  uxCOLOR panel_;
  uxLabel* display_ = nullptr;
  std::string result_;
  std::string edit_;
  int flash_ = 20;
  // The touch that opened the keyboard must not type: input waits for its release.
  bool blocked_ = false;
};
