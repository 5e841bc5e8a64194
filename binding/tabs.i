// Tab controls and their tabs, tables and their rows: containers that delete what they are
// given. A tab control deletes its tabs and a tab its panels when they are deleted; a table
// deletes its rows and a row its columns when cleared or deleted.

%{
#include <algorithm>
#include <stdexcept>
#include <unordered_map>

#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
%}

class uxICONBar;
class uxTabItemCtrl;
class uxTableRow;

// The toolkit reads these without a check, or copies them.
%apply SWIGTYPE *NOT_NONE { tUX_Message *msg, uxTableCtrl *table };
%apply char *NOT_NONE { char *tabName };

TOVGUI_REFUSES_TWICE(uxTabCtrl::AddTabItem)
TOVGUI_REFUSES_TWICE(uxTabCtrl::SetTabItem)
TOVGUI_REFUSES_TWICE(uxTabItemCtrl::AddPanel)
TOVGUI_REFUSES_TWICE(uxTabItemCtrl::SetPanel)
TOVGUI_REFUSES_TWICE(uxTableCtrl::addRow)
TOVGUI_REFUSES_TWICE(uxTableRow::addColumn)

class uxTabCtrl : public uxBaseElement {
 public:
  uxTabCtrl(GUIManager *gui, uint32_t userValue, char *caption, uxPOINT pos, int16_t w, int16_t h,
            uxCOLOR background, uxCOLOR line, uxCOLOR third, int font);
  virtual ~uxTabCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  %extend {
    int AddTabItem(uxTabItemCtrl *HANDED_OVER) {
      tovgui_life::CheckHandOver("uxTabCtrl_AddTabItem", static_cast<uxBaseElement*>($self), HANDED_OVER);
      const int index = $self->AddTabItem(HANDED_OVER);
      tovgui_life::HandOver(static_cast<uxBaseElement*>($self), HANDED_OVER);
      return index;
    }
    // An index outside the list changes nothing, and the tab stays the script's. The tab it
    // replaces is the script's again.
    void SetTabItem(int index, uxTabItemCtrl *HANDED_OVER, char *name = 0) {
      if (index < 0 || index >= $self->GetTabCount()) return;
      uxTabItemCtrl* replaced = $self->GetTabItem(index);
      if (replaced != HANDED_OVER)
        tovgui_life::CheckHandOver("uxTabCtrl_SetTabItem", static_cast<uxBaseElement*>($self), HANDED_OVER);
      $self->SetTabItem(index, HANDED_OVER, name);
      if (replaced == HANDED_OVER) return;
      tovgui_life::HandOver(static_cast<uxBaseElement*>($self), HANDED_OVER);
      if (replaced) tovgui_life::GiveBack(replaced);
    }
  }
  bool setActiveTab(int);
  bool switch2Tab(int);
};

class uxTabItemCtrl : public uxBaseElement {
 public:
  uxTabItemCtrl(GUIManager *gui, uint32_t userValue, char *tabName, uxCOLOR background, uxCOLOR text,
                uxICONBar *iconBar, bool hidden = false);
  virtual ~uxTabItemCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  char const *getTabName();
  int getTabNameLen();
  void setTabName(char *tabName);
  void setTabName(char *tabName, uxCOLOR);
  %extend {
    int AddPanel(uxPanelCtrl *HANDED_OVER) {
      tovgui_life::CheckHandOver("uxTabItemCtrl_AddPanel", static_cast<uxBaseElement*>($self), HANDED_OVER);
      const int index = $self->AddPanel(HANDED_OVER);
      tovgui_life::HandOver(static_cast<uxBaseElement*>($self), HANDED_OVER);
      return index;
    }
    // An index outside the list changes nothing, and the panel stays the script's. The panel
    // it replaces is the script's again.
    void SetPanel(int index, uxPanelCtrl *HANDED_OVER) {
      if (index < 0 || index >= $self->GetPanelCount()) return;
      uxPanelCtrl* replaced = $self->GetPanel(index);
      if (replaced != HANDED_OVER)
        tovgui_life::CheckHandOver("uxTabItemCtrl_SetPanel", static_cast<uxBaseElement*>($self), HANDED_OVER);
      $self->SetPanel(index, HANDED_OVER);
      if (replaced == HANDED_OVER) return;
      tovgui_life::HandOver(static_cast<uxBaseElement*>($self), HANDED_OVER);
      if (replaced) tovgui_life::GiveBack(replaced);
    }
  }
  void setClientRect(int, int, int, int);
  uxCOLOR getColorFrg();
  uxCOLOR getColorBgn();
  bool isHidden();
};

class uxTableCtrl : public uxPanelCtrl {
 public:
  typedef int eMode;
  typedef int eEntryMode;
  uxTableCtrl(GUIManager *gui, uint32_t userValue, char *caption, uxPOINT pos, int16_t w, int16_t h, int rows,
              uxCOLOR colour, bool scrollBar = true, int *focus = 0);
  virtual ~uxTableCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  %extend {
    void addRow(uxTableRow *HANDED_OVER) {
      tovgui_life::CheckHandOver("uxTableCtrl_addRow", static_cast<uxBaseElement*>($self), HANDED_OVER);
      $self->addRow(HANDED_OVER);
      tovgui_life::HandOver(static_cast<uxBaseElement*>($self), HANDED_OVER);
    }
  }
  bool isEnter();
  uxTableRow *getSelectedRow();
  uxTableRow *getRow(int);
  void selectRow(int, bool = true);
  void deselectRow();
  void setSelectionMode(uxTableCtrl::eMode);
  void setUpdateMode(bool);
  void setEntryMode(uxTableCtrl::eEntryMode);
  void setItemmSelection(bool);
  void setRowSelMode(bool);
  virtual void Clear();
  void repaintRow(uxTableRow *);
  void Invalidate();
  void ScrollToSelected();
  uxPOINT getPanning();
  int getSelection();
};

// A row's painting divides by its height.
%typemap(check, noblock=1) int ROW_HEIGHT {
  if ($1 < 1) {
    SWIG_exception_fail(SWIG_ValueError, "in method '$symname', argument $argnum: a row is at least 1 pixel high");
  }
}

class uxTableRow : public uxBaseElement {
 public:
  uxTableRow(uxTableCtrl *table, int id, uint32_t userValue, int ROW_HEIGHT, char *name = "");
  virtual ~uxTableRow();
  virtual void SetRelativePos(int, int);
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  %extend {
    void addColumn(uxBaseElement *HANDED_OVER) {
      tovgui_life::CheckHandOver("uxTableRow_addColumn", static_cast<uxBaseElement*>($self), HANDED_OVER);
      $self->addColumn(HANDED_OVER);
      tovgui_life::HandOver(static_cast<uxBaseElement*>($self), HANDED_OVER);
    }
  }
  virtual void SetChecked(bool, bool = true);
  virtual bool isChecked();
  void SetCheckDisable(bool);
  virtual void Select(bool);
  virtual void Clear();
  uxBaseElement *getColumn(int);
  virtual void invalidate();
  int getHeight();
};
%clear tUX_Message *msg, uxTableCtrl *table;
%clear char *tabName;
