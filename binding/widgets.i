// The simple controls: buttons, labels, bars and meters, the text box, the on-screen
// keyboard, the panel selector and the group. Every constructor takes the manager the
// widget belongs to (None for a widget without one).

%{
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxImageButton.h"
#include "toolkit/uxKeyboardCtrl.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxPeakMeter.h"
#include "toolkit/uxSelectCtrl.h"
#include "toolkit/uxTextBox.h"
%}

typedef int eButtonColorSelect;

// Texts the widgets copy, files they load, messages they read, and the caption reference
// the button dereferences: None is refused. The button's caption alone stays as the toolkit
// has it, where None changes nothing.
%apply SWIGTYPE *NOT_NONE { tUX_Message *msg, char **ref };
%apply char *NOT_NONE { char *name, char *text, char *caption, char *unit, char *line, char *onFile, char *offFile };
%apply char const *NOT_NONE { char const *format };

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

class uxGroup : public uxPanelCtrl {
 public:
  uxGroup(GUIManager *manager, uint32_t id, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);
  uxGroup(GUIManager *manager, uint32_t id, char *name, uxPOINT pos, int16_t w, int16_t h);
  virtual ~uxGroup();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  int getSelectedID();
};

class uxImageButton : public uxBaseElement {
 public:
  uxImageButton(GUIManager *manager, uxPOINT pos, char *onFile, char *offFile);
  virtual ~uxImageButton();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
};

class uxKeyboardCtrl : public uxPanelCtrl {
 public:
  uxKeyboardCtrl(GUIManager *manager, uxPOINT pos, int16_t w, int16_t h, uxCOLOR keyFrame, uxCOLOR panel);
  virtual ~uxKeyboardCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  bool isActive();
  %extend {
    // The confirmed text itself, not a copy: it lives as long as the keyboard.
    std::string *getText() { return &$self->getTextRef(); }
    void setText(std::string &text) { $self->setText(text.c_str()); }
  }
};

class uxLabel : public uxBaseElement {
 public:
  uxLabel(GUIManager *manager, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame,
          uxCOLOR textColour, int font);
  uxLabel(GUIManager *manager, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame,
          uxCOLOR textColour, int font);
  virtual ~uxLabel();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  void setText(char *text);
  void setText(char *text, uxCOLOR, uxCOLOR);
  char const *getText();
  void setLabelText(char *caption, char *unit, uxCOLOR);
};

class uxPeakMeter : public uxBarCtrl {
 public:
  uxPeakMeter(GUIManager *manager, uint32_t id, int16_t x, int16_t y, int16_t w, int16_t h, uxCOLOR background,
              uxCOLOR frame, uxCOLOR bar, uxCOLOR peak);
  virtual ~uxPeakMeter();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  void setLevel(float);
  float smooth(float);
  void doTick();
};

class uxSelectCtrl : public uxBaseElement {
 public:
  uxSelectCtrl(GUIManager *manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR active, uxCOLOR frame,
               uxPanelCtrl *focusPanel, uxPanelCtrl *modulePanel);
  uxSelectCtrl(GUIManager *manager, uint32_t id, uxPOINT pos, int16_t w, int16_t h, uxCOLOR active,
               uxPanelCtrl *focusPanel, uxPanelCtrl *modulePanel);
  virtual ~uxSelectCtrl();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  virtual void SetEnabled(bool);
  void SetActive(int flag = 0, int arg = -1);
  void Activate();
};

class uxTextBox : public uxBaseElement {
 public:
  uxTextBox(GUIManager *manager, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR second,
            uxCOLOR textColour, int font);
  virtual ~uxTextBox();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  // A script's line is added as it is; the formatted form is listed but never reached.
  void AddLine(char *line);
  %warnfilter(509) AddLine;
  void AddLine(char const *format, ...);
  void Clear();
};
%clear tUX_Message *msg, char **ref;
%clear char *name, char *text, char *caption, char *unit, char *line, char *onFile, char *offFile;
%clear char const *format;
