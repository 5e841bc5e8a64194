#pragma once
// A message popup: title bar, one centred line of text and a footer.
#include <string>

#include "toolkit/uxPopup.h"

class uxPopupMsg : public uxPopup {
 public:
  using uxPopup::uxPopup;

  void OnUserPaint(uxDC* dc) override;
  // Stores the texts; the owner shows the popup.
  void Message(const char* title, const char* text, const char* footer);

 private:
  std::string title_;
  std::string footer_;
  std::string text_;
};
