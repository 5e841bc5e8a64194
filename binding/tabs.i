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

namespace {

// The tabs tab controls hold and the panels tabs hold, each with the pointer object of the
// proxy it was handed over with. A tab or panel that SetTabItem or SetPanel replaces is no
// longer deleted by anyone native: its pointer object owns it again, so the script's proxy
// deletes it when dropped (at once, when the script dropped it before). An element that ends
// (its container deleted it) is forgotten, through the toolkit's end hook.
std::unordered_map<uxBaseElement*, SwigPyObject*>& HeldByTabs() {
  static auto* held = new std::unordered_map<uxBaseElement*, SwigPyObject*>;
  return *held;
}

// The object the script handed over in the call now running: set by the argument's
// conversion, taken by the call's body once the container holds it. Calls run one at a time
// under the interpreter lock.
PyObject* g_handedInput = nullptr;

bool IsHeld(uxBaseElement* element) { return HeldByTabs().count(element) != 0; }

void Hold(uxBaseElement* element) {
  SwigPyObject* handed = SWIG_Python_GetSwigThis(g_handedInput);
  g_handedInput = nullptr;
  if (!handed) return;
  handed->own = 0;
  Py_INCREF(handed);
  HeldByTabs()[element] = handed;
}

// Ends our hold; `own` is what the pointer object's ownership becomes.
void Release(uxBaseElement* element, int own) {
  auto& held = HeldByTabs();
  const auto it = held.find(element);
  if (it == held.end()) return;
  SwigPyObject* object = it->second;
  held.erase(it);
  object->own = own;
  Py_DECREF(reinterpret_cast<PyObject*>(object));
}

void ForgetEnded(uxBaseElement* element) {
  if (Py_IsInitialized()) Release(element, 0);
}

}  // namespace
%}

%init %{
  uxBaseElement::SetEndHook(ForgetEnded);
%}

// A tab or panel handed to a tab control or a tab: held (above) once the call stored it.
%typemap(in, noblock=1) SWIGTYPE *HELD (void *argp = 0, int res = 0) {
  res = SWIG_ConvertPtr($input, &argp, $descriptor, 0);
  if (!SWIG_IsOK(res)) {
    SWIG_exception_fail(SWIG_ArgError(res), "in method '$symname', argument $argnum of type '$type'");
  }
  $1 = reinterpret_cast<$ltype>(argp);
  g_handedInput = $input;
}
%typemap(check, noblock=1) SWIGTYPE *HELD {
  if (!$1) {
    SWIG_exception_fail(SWIG_ValueError, "invalid null reference in method '$symname', argument $argnum of type '$1_type'");
  }
}

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
    int AddTabItem(uxTabItemCtrl *HELD) {
      if (IsHeld(HELD)) throw std::invalid_argument("in method 'uxTabCtrl_AddTabItem', the tab is already in a tab control");
      const int index = $self->AddTabItem(HELD);
      Hold(HELD);
      return index;
    }
    // An index outside the list changes nothing, and the tab stays the script's.
    void SetTabItem(int index, uxTabItemCtrl *HELD, char *name = 0) {
      if (index < 0 || index >= $self->GetTabCount()) return;
      uxTabItemCtrl* replaced = $self->GetTabItem(index);
      if (replaced != HELD && IsHeld(HELD))
        throw std::invalid_argument("in method 'uxTabCtrl_SetTabItem', the tab is already in a tab control");
      $self->SetTabItem(index, HELD, name);
      if (replaced == HELD) return;
      Hold(HELD);
      Release(replaced, SWIG_POINTER_OWN);
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
    int AddPanel(uxPanelCtrl *HELD) {
      if (IsHeld(HELD)) throw std::invalid_argument("in method 'uxTabItemCtrl_AddPanel', the panel is already in a tab");
      const int index = $self->AddPanel(HELD);
      Hold(HELD);
      return index;
    }
    // An index outside the list changes nothing, and the panel stays the script's.
    void SetPanel(int index, uxPanelCtrl *HELD) {
      if (index < 0 || index >= $self->GetPanelCount()) return;
      uxPanelCtrl* replaced = $self->GetPanel(index);
      if (replaced != HELD && IsHeld(HELD))
        throw std::invalid_argument("in method 'uxTabItemCtrl_SetPanel', the panel is already in a tab");
      $self->SetPanel(index, HELD);
      if (replaced == HELD) return;
      Hold(HELD);
      Release(replaced, SWIG_POINTER_OWN);
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
      std::vector<uxBaseElement*>& list = *$self->GetElementList();
      if (std::find(list.begin(), list.end(), static_cast<uxBaseElement*>(HANDED_OVER)) != list.end())
        throw std::invalid_argument("in method 'uxTableCtrl_addRow', the row is already in the table");
      $self->addRow(HANDED_OVER);
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
      bool twice = HANDED_OVER == static_cast<uxBaseElement*>($self);
      for (int i = 0; i < $self->getColumnCount() && !twice; ++i) twice = $self->getColumn(i) == HANDED_OVER;
      if (twice) throw std::invalid_argument("in method 'uxTableRow_addColumn', the column is the row or already in it");
      $self->addColumn(HANDED_OVER);
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
