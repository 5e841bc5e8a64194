#pragma once
// A push, toggle or selectable button showing a caption or an image. It tells its page about
// a press with UX_MSG_ON_BUTTON and about the release with UX_MSG_OFF_BUTTON, both carrying
// the button's id.
#include <string>

#include "toolkit/uxBaseElement.h"

// Which colour SetColor replaces: ButtonBackgroundColor ... ButtonSelectColor.
using eButtonColorSelect = int;

class uxButton : public uxBaseElement {
 public:
  uxButton(uxHost* manager, const char* name, unsigned int id, uxPOINT pos, int16_t w, int16_t h,
           uxCOLOR background, uxCOLOR bounding, uxCOLOR text, bool largeFont = true, int16_t align = 1,
           int frameOffset = 5);
  uxButton(uxHost* manager, unsigned int id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
           uxCOLOR bounding, uxCOLOR text, bool largeFont = true, int16_t align = 1, int frameOffset = 5);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void SetText(const char* text, bool first = true, bool small = false);
  const char* GetText(bool first = true) const { return first ? caption_.c_str() : altCaption_.c_str(); }
  void SetTextRef(char** ref);
  void SetImage(int index) { image_ = index; }
  void setMode(int mode) { mode_ = mode; }
  void setButtonState(bool state);
  bool getButtonState() const { return state_; }
  void Label(bool label) { label_ = label; }
  void SetColor(eButtonColorSelect which, uxCOLOR colour);
  uxCOLOR GetColor(eButtonColorSelect which) const;

 private:
  uxCOLOR background_;
  uxCOLOR bounding_;
  uxCOLOR text_;
  uxCOLOR checkText_;
  uxCOLOR check_;
  uxCOLOR select_;
  int image_ = -1;
  std::string caption_;
  std::string altCaption_;
  bool largeFont_;
  bool smallFont_ = false;
  int frameOffset_;
  int16_t align_;
  bool label_ = false;
  bool pressed_ = false;
  int mode_ = BtnModeToggle;
  bool state_ = false;
};
