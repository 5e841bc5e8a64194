#pragma once
// One tab of a tab control: its name and colours in the strip, and the pages (panels) it
// holds, of which it shows and messages one.
#include <string>
#include <vector>

#include "toolkit/uxBaseElement.h"

class uxPanelCtrl;
class uxICONBar;

class uxTabItemCtrl : public uxBaseElement {
 public:
  // What an item is in the instrument's scrolling strip; the script module's items are all tabs.
  enum Kind { kTab = 0, kLeftArrow = 1, kRightArrow = 2 };

  // `flag` hides the tab in the script module; in the instrument it makes the tab one that
  // scrolls out of the strip, and `kind` makes the item a scroll arrow.
  uxTabItemCtrl(uxHost* manager, unsigned int id, const char* name, uxCOLOR background, uxCOLOR text,
                uxICONBar* iconBar, bool flag = false, int kind = kTab);
  ~uxTabItemCtrl() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // The item owns its panels from now on.
  int AddPanel(uxPanelCtrl* panel);
  // Replaces without deleting the panel that was there.
  void SetPanel(int index, uxPanelCtrl* panel);
  // The panel at `index` (null outside the list) and the number of panels: what a holder of
  // the tab needs to know which panel a SetPanel lets go of.
  uxPanelCtrl* GetPanel(int index) const;
  int GetPanelCount() const { return static_cast<int>(panels_.size()); }

  const char* getTabName() const { return tabName_.c_str(); }
  int getTabNameLen() const { return static_cast<int>(tabName_.size()); }
  void setTabName(const char* name) { tabName_ = name ? name : ""; }
  void setTabName(const char* name, uxCOLOR text) {
    setTabName(name);
    text_ = text;
  }
  void setClientRect(int left, int top, int right, int bottom) { rect_ = uxRECT(left, top, right, bottom); }
  uxCOLOR getColorFrg() const { return text_; }
  uxCOLOR getColorBgn() const { return background_; }
  bool isHidden() const { return flag_; }
  bool isScrollable() const { return flag_; }
  int getKind() const { return kind_; }
  // The panel the item shows, null when it has none.
  uxPanelCtrl* ActivePanel() const;

 private:

  std::string tabName_;
  std::vector<uxPanelCtrl*> panels_;
  int activePanel_ = 0;
  uxCOLOR background_;
  uxCOLOR text_;
  uxICONBar* iconBar_;
  bool flag_;
  int kind_;
};
