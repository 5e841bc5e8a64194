// The list control's item. The icon and the element are the script's: the item only points
// to them.

%{
#include "toolkit/uxLISTCtrl.h"
%}

class uxBaseElement;

typedef struct tagListItem {
  std::string item_text;
  tImage *pIcon;
  int userdata;
  uxBaseElement *pElemt;
} tListItem;
