#pragma once
// A framed text: the value of something with an optional caption on its frame and a unit
// after it, or a "-" while the thing is not available.
#include <string>

#include "toolkit/Flavour.h"
#include "toolkit/uxBaseElement.h"

class uxLabel : public uxBaseElement {
 public:
#if SYNTH_TOOLKIT_SCRIPT
  uxLabel(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame,
          uxCOLOR text, int font);
#endif
  // The script module writes these labels in font 7 whatever is asked.
  uxLabel(uxHost* manager, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame, uxCOLOR text,
          int font);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  void setText(const char* text);
  void setText(const char* text, uxCOLOR textColour, uxCOLOR background);
  // Caption on the frame and unit after the text; takes effect at the next repaint.
  void setLabelText(const char* caption, const char* unit, uxCOLOR unitColour);
  const char* getText() const { return text_.c_str(); }
  uxCOLOR getBackground() const { return background_; }

 private:
  // What both public forms build through; the last argument only tells it apart.
  uxLabel(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame,
          uxCOLOR text, int font, int);

  uxCOLOR background_;
  std::string text_;
  std::string caption_;
  std::string unit_;
  uxCOLOR textColour_;
  uxCOLOR frame_;
  uxCOLOR checkedFrame_ = 0;
  uxCOLOR unitColour_ = 0;
  uxCOLOR disabledFrame_;
  int font_;
  int inset_ = 0;
  bool captionMode_ = false;
};
