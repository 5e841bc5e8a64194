// Popups (message, progress, value) and the scrolling message box.

%{
#include "toolkit/uxMessageBox.h"
#include "toolkit/uxPopup.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxPopupValue.h"

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

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg, uxDC *dc };
%apply char *NOT_NONE { char *name, char *title };
%apply char const *NOT_NONE { char const *title, char const *text, char const *footer, char const *unit,
                              char const *label };
%apply char const *PLAIN_FORMAT { char const *format };

class uxPopup : public uxBaseElement {
 public:
  uxPopup(GUIManager *manager, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame);
  virtual ~uxPopup();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  virtual void OnUserPaint(uxDC *dc);
  void show();
  void hide();
};

class uxPopupMsg : public uxPopup {
 public:
  uxPopupMsg(GUIManager *manager, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame);
  virtual ~uxPopupMsg();
  virtual void OnMessage(tUX_Message *msg);
  virtual void OnUserPaint(uxDC *dc);
  void Message(char const *title, char const *text, char const *footer);
};

class uxPopupPB : public uxPopup {
 public:
  uxPopupPB(GUIManager *manager, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame);
  virtual ~uxPopupPB();
  virtual void OnMessage(tUX_Message *msg);
  virtual void OnUserPaint(uxDC *dc);
  void Message(char const *title, char const *text);
  void setProgress(float value, float maximum);
};

class uxPopupValue : public uxPopup {
 public:
  uxPopupValue(GUIManager *manager, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
               uxCOLOR frame);
  virtual ~uxPopupValue();
  virtual void OnMessage(tUX_Message *msg);
  virtual void OnUserPaint(uxDC *dc);
  void setTracking(bool);
  void setValues(float minimum, float maximum, int part, float bar, float marker, float number, char const *unit,
                 char const *label);
};

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
%clear tUX_Message *msg, uxDC *dc;
%clear char *name, char *title;
%clear char const *title, char const *text, char const *footer, char const *unit, char const *label;
%clear char const *format;
