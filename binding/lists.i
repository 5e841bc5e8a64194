// The one-line list control and its item. The icon and the element of an item are the
// script's: the item only points to them, and they must outlive the list's use of them.

%{
#include "toolkit/uxLISTCtrl.h"
%}

typedef struct tagListItem {
  std::string item_text;
  tImage *pIcon;
  int userdata;
  uxBaseElement *pElemt;
} tListItem;

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char *NOT_NONE { char *text };

class uxLISTCtrl : public uxBaseElement {
 public:
  uxLISTCtrl(GUIManager *gui, uint32_t userValue, int16_t x, int16_t y, int16_t w, uxCOLOR background,
             uxCOLOR text);
  virtual ~uxLISTCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  int AddItem(int userdata, char *text, tImage *icon, uxBaseElement *element);
};
%clear tUX_Message *msg;
%clear char *text;
