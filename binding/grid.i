// The scrolling text grid: a log of copied lines, newest first, holding at most the number
// given to its constructor.

%{
#include "toolkit/uxGridCtrl.h"
%}

// A grid that may hold no line would drop its oldest line from an empty list.
%typemap(check, noblock=1) int GRID_MAXIMUM {
  if ($1 < 1) {
    SWIG_exception_fail(SWIG_ValueError, "in method '$symname', argument $argnum: a grid holds at least 1 line");
  }
}
%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char *NOT_NONE { char *line };

class uxGridCtrl : public uxBaseElement {
 public:
  uxGridCtrl(GUIManager *gui, uint32_t userValue, uxPOINT pos, int16_t w, int16_t h, int GRID_MAXIMUM, uxCOLOR text,
             uxCOLOR background);
  virtual ~uxGridCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  void AddLine(char *line);
  void Clear();
};
%clear tUX_Message *msg;
%clear char *line;
