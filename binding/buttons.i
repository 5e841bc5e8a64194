// Buttons and bars. Every widget constructor takes the manager the widget belongs to (None
// for a widget without one).

%{
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
%}

typedef int eButtonColorSelect;

// Messages the widgets read, the name they copy and the caption reference the button
// dereferences: None is refused. The button's caption stays as the toolkit has it, where None changes nothing.
%apply SWIGTYPE *NOT_NONE { tUX_Message *msg, char **ref };
%apply char *NOT_NONE { char *name };

class uxButton : public uxBaseElement {
 public:
  uxButton(GUIManager *manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
           uxCOLOR bounding, uxCOLOR textColour, bool largeFont = true, short align = 1, int frameOffset = 5);
  uxButton(GUIManager *manager, char *name, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
           uxCOLOR bounding, uxCOLOR textColour, bool largeFont = true, short align = 1, int frameOffset = 5);
  virtual ~uxButton();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  void SetText(char *newText, bool first = true, bool small = false);
  char const *GetText(bool first = true);
  void setMode(int);
  void setButtonState(bool);
  bool getButtonState();
  void SetTextRef(char **ref);
  void SetImage(int);
  void SetColor(eButtonColorSelect, uxCOLOR);
  void Label(bool);
};

class uxBarCtrl : public uxBaseElement {
 public:
  typedef int eOrientation;
  uxBarCtrl(GUIManager *manager, uint32_t id, int16_t x, int16_t y, int16_t w, int16_t h, uxCOLOR background,
            uxCOLOR frame, uxCOLOR bar);
  virtual ~uxBarCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  bool setLevel(float);
  void setMarker(float);
  virtual void SetScaleFactor(float);
  // A bar's caption: None is the empty caption, as the toolkit has it.
  void setText(char *barText);
  void setBarColor(uxCOLOR);
  void setBarColorNegativ(uxCOLOR);
  void setMax(float);
  void setMin(float);
  void setOrientation(uxBarCtrl::eOrientation);
  float getLevel();
};
%clear tUX_Message *msg, char **ref;
%clear char *name;
