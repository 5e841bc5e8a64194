// The scrolling message box, whose texts the toolkit formats.

%{
#include "toolkit/uxMessageBox.h"

// The message box formats a script's text with no arguments to go with it: any conversion
// but a doubled percent sign would read an argument that is not there.
static bool tovgui_plain_format(const char* text) {
  for (const char* c = text; *c; ++c) {
    if (*c != '%') continue;
    if (c[1] != '%') return false;
    ++c;
  }
  return true;
}
%}

%typemap(check, noblock=1) char const *PLAIN_FORMAT {
  if (!$1) {
    SWIG_exception_fail(SWIG_ValueError, "invalid null reference in method '$symname', argument $argnum of type '$1_type'");
  }
  if (!tovgui_plain_format($1)) {
    SWIG_exception_fail(SWIG_ValueError, "in method '$symname', argument $argnum: a '%' that is not doubled has no value to format");
  }
}

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char *NOT_NONE { char *name, char *title };
%apply char const *PLAIN_FORMAT { char const *format };

class uxMessageBox : public uxBaseElement {
 public:
  uxMessageBox(GUIManager *manager, char *name, int16_t w, int16_t h, uxCOLOR background, uxCOLOR border,
               uxCOLOR textColour, int font = 7);
  virtual ~uxMessageBox();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  void show(uxPOINT pos, char *title);
  void hide();
  void setText(char const *format, ...);
  // A script's line is always the format: the plain form is listed but never reached.
  %warnfilter(509) AddLine;
  void AddLine(char const *format, ...);
  void AddLine(char *line);
};
%clear tUX_Message *msg;
%clear char *name, char *title;
%clear char const *format;
