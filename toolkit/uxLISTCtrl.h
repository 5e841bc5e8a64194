#pragma once
// A script's one-line selector: shows one item (icon and text) of a list and steps through
// it with the increment and decrement keys. An item may carry an element that is painted and
// receives messages while its item is the current one.
#include "toolkit/Flavour.h"
#if SYNTH_TOOLKIT_SCRIPT
#include <string>
#include <vector>

#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

// The list owns the text only; icon and element stay the script's.
typedef struct tagListItem {
  std::string item_text;
  tImage* pIcon = nullptr;
  int userdata = 0;
  uxBaseElement* pElemt = nullptr;
} tListItem;

class uxLISTCtrl : public uxBaseElement {
 public:
  uxLISTCtrl(uxHost* manager, unsigned int id, int16_t x, int16_t y, int16_t w, uxCOLOR background, uxCOLOR frame);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  int AddItem(int userdata, const char* text, tImage* icon, uxBaseElement* element);
  int GetCurrent() const { return current_; }

 private:
  tListItem* Current();

  std::vector<tListItem> items_;
  uxCOLOR frame_;
  uxCOLOR background_;
  int current_ = 0;
  int x_, y_;
  int16_t width_;
  int16_t height_ = 30;
};
#endif
