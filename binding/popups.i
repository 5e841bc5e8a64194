// Popups: the plain one, message, progress and value.

%{
#include "toolkit/uxPopup.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxPopupValue.h"
%}

%apply SWIGTYPE *NOT_NONE { tUX_Message *msg, uxDC *dc };
%apply char *NOT_NONE { char *name, char *title };
%apply char const *NOT_NONE { char const *title, char const *text, char const *footer, char const *unit,
                              char const *label };

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

%clear tUX_Message *msg, uxDC *dc;
%clear char *name, char *title;
%clear char const *title, char const *text, char const *footer, char const *unit, char const *label;
