// The panel: a container that owns, paints and messages its elements, with an optional
// caption. Groups, keyboards and tables are panels and are taken by these functions too.

%{
#include <algorithm>
#include <stdexcept>

#include "toolkit/uxPanelCtrl.h"
#include "BindingRecords.h"
%}

// A caption's icon pair: the picture and its greyed form.
typedef struct tagStdIconItem {
  int index;
  int indexGreyed;
} tStdIconItem;

// A panel deletes each element of its list: one held elsewhere, or the panel itself or one of
// its containers, is refused (lifetime.i).
TOVGUI_REFUSES_TWICE(uxPanelCtrl::AddElement)

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char *NOT_NONE { char *caption, char *image };

// The panel's own list: a view that ends with the panel.
%typemap(ret, noblock=1) vector< uxBaseElement * > *GetElementList {
  tovgui_life::Watch(static_cast<uxBaseElement*>(arg1), $result, true);
}

class uxPanelCtrl : public uxBaseElement {
 public:
  uxPanelCtrl(GUIManager *gui, uint32_t userValue, char *caption, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour,
              int options = 0);
  uxPanelCtrl(GUIManager *gui, uint32_t userValue, char *caption, uxPOINT pos, int16_t w, int16_t h, char *image);
  virtual ~uxPanelCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  virtual void SetFocus(bool);
  virtual void Clear();
  %extend {
    void AddElement(uxBaseElement *HANDED_OVER) {
      tovgui_life::CheckHandOver("uxPanelCtrl_AddElement", static_cast<uxBaseElement*>($self), HANDED_OVER);
      $self->AddElement(HANDED_OVER);
      tovgui_life::HandOver(static_cast<uxBaseElement*>($self), HANDED_OVER);
    }
  }
  void Close(bool send = true);
  void SetActive(int);
  vector< uxBaseElement * > *GetElementList();
  %extend {
    void SetTypeName(std::string const &name, bool repaint = false) { $self->SetTypeName(name.c_str(), repaint); }
  }
  void SetCaptionIcon(char *image, uxPOINT pos, bool repaint = false);
};
%clear tUX_Message *msg;
%clear char *caption, char *image;
