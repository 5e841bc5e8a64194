#pragma once
// A progress popup for long operations: title, one line of text and a bar that fills
// towards the maximum.
#include <string>

#include "toolkit/uxPopup.h"

class uxPopupPB : public uxPopup {
 public:
  using uxPopup::uxPopup;

  void OnUserPaint(uxDC* dc) override;
  // Stores the texts and shows the popup.
  void Message(const char* title, const char* text);
  void setProgress(float value, float maximum);

 private:
  uxCOLOR barColour_ = 0x0000C8;
  std::string title_;
  std::string text_;
  float maximum_ = 100.0f;
  float value_ = 100.0f;
};
