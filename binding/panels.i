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

// A panel deletes each element of its list once per entry: the same element twice, or the
// panel inside itself, would be deleted twice.
%exception uxPanelCtrl::AddElement {
  try {
    $action
  } catch (std::invalid_argument& e) {
    SWIG_exception_fail(SWIG_ValueError, e.what());
  } catch (std::bad_alloc&) {
    SWIG_exception_fail(SWIG_MemoryError, "in method '$symname': out of memory");
  }
}

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char *NOT_NONE { char *caption, char *image };

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
      std::vector<uxBaseElement*>& list = *$self->GetElementList();
      if (HANDED_OVER == static_cast<uxBaseElement*>($self) || std::find(list.begin(), list.end(), HANDED_OVER) != list.end())
        throw std::invalid_argument("in method 'uxPanelCtrl_AddElement', the element is the panel or already in it");
      $self->AddElement(HANDED_OVER);
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
