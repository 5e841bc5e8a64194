#pragma once
// A strip of named tabs along the top of a page area. It paints the strip and the active
// tab's page, switches tabs on touch and tells its owner, and routes messages to the active
// tab. The instrument's strip scrolls: tabs marked scrollable give way to the ones after
// them when the arrows at its ends are pressed.
#include <vector>

#include "toolkit/uxBaseElement.h"
#include "toolkit/uxTabItemCtrl.h"

class uxTabCtrl : public uxBaseElement {
 public:
  uxTabCtrl(uxHost* manager, unsigned int id, const char* name, uxPOINT pos, int16_t w, int16_t h,
            uxCOLOR background, uxCOLOR line, uxCOLOR third, int font);
  ~uxTabCtrl() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // The control owns the item from now on. Returns its index.
  int AddTabItem(uxTabItemCtrl* item);
  // Replaces the item at an existing index (the old one is not deleted); false when refused.
  bool SetTabItem(int index, uxTabItemCtrl* item, const char* name);
  // 1 when the tab became active, 0 when refused (outside the list or already active).
  int setActiveTab(int index);
  // Another name scripts reach the same switch by.
  int switch2Tab(int index) { return setActiveTab(index); }
  int getActiveTab() const { return active_; }
  // The item at `index` (null outside the list) and the number of items.
  uxTabItemCtrl* GetTabItem(int index) const { return Item(index); }
  int GetTabCount() const { return static_cast<int>(items_.size()); }

 private:
  // Places the tabs along the strip. `all` includes hidden tabs.
  void Layout(bool all);
  // Whether item i is in the strip: drawn and touchable.
  bool InStrip(std::size_t i);
  uxTabItemCtrl* Item(int index) const;
  int SwitchTo(int index);
  void PressArrow(int kind);

  std::vector<uxTabItemCtrl*> items_;
  int originX_;
  int originY_;
  int16_t stripHeight_;
  int16_t stripWidth_;
  uxCOLOR line_;
  uxCOLOR background_;
  uxCOLOR third_;
  int active_ = -1;
  int font_;
  int padding_ = 5;
  // The instrument's scrolling strip.
  int leftArrow_ = -1;
  int rightArrow_ = -1;
  int offset_ = 2;
  int rightArrowWidth_ = 0;
  int extent_ = 0;                  // where the laid-out tabs end
  std::vector<bool> scrolledOut_;   // skipped by the scroll offset
};
