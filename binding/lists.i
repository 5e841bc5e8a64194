// The one-line list control and its item. The icon and the element of an item are the
// script's: the item only points to them, and they must outlive the list's use of them.

%{
#include "toolkit/uxLISTCtrl.h"
%}

// An item record's element is cleared when the element ends (lifetime.i).
%typemap(memberin, noblock=1) uxBaseElement *pElemt {
  if (arg1) tovgui_life::PointItem(arg1, $input);
}

typedef struct tagListItem {
  std::string item_text;
  tImage *pIcon;
  int userdata;
  uxBaseElement *pElemt;
  %extend {
    ~tagListItem() {
      tovgui_life::UnpointItem($self);
      delete $self;
    }
  }
} tListItem;
%clear uxBaseElement *pElemt;

// The list shows the script's icons and elements: it keeps them while it lives.
%exception uxLISTCtrl::AddItem {
  $action
  tovgui_life::KeepFor(arg1, obj3);
  tovgui_life::KeepFor(arg1, obj4);
}

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char *NOT_NONE { char *text };

class uxLISTCtrl : public uxBaseElement {
 public:
  uxLISTCtrl(GUIManager *gui, uint32_t userValue, int16_t x, int16_t y, int16_t w, uxCOLOR background,
             uxCOLOR text);
  virtual ~uxLISTCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  int AddItem(int userdata, char *text, tImage *icon, uxBaseElement *MAY_BE_NONE);
};
%clear tUX_Message *msg;
%clear char *text;
