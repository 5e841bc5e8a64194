// The group, the image and image button, the on-screen keyboard and the label.

%{
#include "toolkit/uxGroup.h"
#include "toolkit/uxImage.h"
#include "toolkit/uxImageButton.h"
#include "toolkit/uxKeyboardCtrl.h"
#include "toolkit/uxLabel.h"
%}

// Texts the widgets copy, files they load and messages they read: None is refused.
%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char *NOT_NONE { char *name, char *text, char *caption, char *unit, char *file, char *onFile, char *offFile };

class uxGroup : public uxPanelCtrl {
 public:
  uxGroup(GUIManager *manager, uint32_t id, char *name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour);
  uxGroup(GUIManager *manager, uint32_t id, char *name, uxPOINT pos, int16_t w, int16_t h);
  virtual ~uxGroup();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  int getSelectedID();
};

class uxImage : public uxBaseElement {
 public:
  uxImage(GUIManager *manager, uxPOINT pos, char *file);
  uxImage(GUIManager *manager, uxPOINT pos, char *file, std::string directory);
  virtual ~uxImage();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
  int addImage(char *file);
  void showImage(int index);
};

class uxImageButton : public uxBaseElement {
 public:
  uxImageButton(GUIManager *manager, uxPOINT pos, char *onFile, char *offFile);
  virtual ~uxImageButton();
  virtual bool OnPaint();
  virtual void OnMessage(tUX_Message *msg);
};

// The keyboard's text is a view into it: it ends with the keyboard.
%typemap(ret, noblock=1) std::string *getText {
  tovgui_life::Watch(static_cast<uxBaseElement*>(arg1), $result, true);
}

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
%clear tUX_Message *msg;
%clear char *name, char *text, char *caption, char *unit, char *file, char *onFile, char *offFile;
