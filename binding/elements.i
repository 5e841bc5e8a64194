// The root of every widget: what a script reaches on any widget through its base pointer.
// The base is abstract, so scripts make concrete widgets and hand them to these functions.

%{
#include "toolkit/uxBaseElement.h"
#include "toolkit/GUIManager.h"

// The element's name is the std::string scripts pass on as a wrapped `std::string *`; it is
// reached through a derived class, whose member pointer is valid on every element.
struct tovgui_ElementName : uxBaseElement {
  static std::string* Of(uxBaseElement* e) { return &(e->*(&tovgui_ElementName::name_)); }
};
%}

class uxDC;
class GUIManager;

// The toolkit reads these without a check: the message, the name it copies, the text value a
// widget may keep.
%apply SWIGTYPE *NOT_NONE { tUX_Message *msg };
%apply char const *NOT_NONE { char const *name };
%apply char *NOT_NONE { char *text };

// The element's rectangle and name are views into it: they end with it.
%typemap(ret, noblock=1) uxRECT *getClientRect, std::string *getName {
  tovgui_life::Watch(arg1, $result, true);
}

%nodefaultctor uxBaseElement;
class uxBaseElement {
 public:
  virtual ~uxBaseElement();
  virtual bool OnPaint() = 0;
  virtual void OnMessage(tUX_Message *msg);
  virtual void Update();
  virtual void invalidate();
  virtual bool OnMidiCC(int, int, int, int);
  void setName(char const *name);
  uxDC *GetDriver();
  int GetUserData();
  void SetUserData(int);
  int GetID();
  void SetID(int);
  void SetIDmask(uint32_t mask, uint32_t value);
  virtual void Select(bool);
  virtual void SetIntValue(int);
  virtual void SetTextValue(char *text);
  virtual void SetFloatValue(float);
  virtual int GetIntValue();
  virtual float GetFloatValue();
  virtual char const *GetStringValue();
  virtual int GetMaxValue();
  virtual int GetMinValue();
  virtual void SetScaleFactor(float);
  virtual float GetScaleFactor();
  virtual void SetEnabled(bool);
  virtual void SetChecked(bool, bool = true);
  virtual void SetFocus(bool);
  virtual void SetGrayed(bool);
  virtual bool isEnabled();
  virtual bool isFocus();
  virtual bool isChecked();
  virtual bool isGrayed();
  virtual void SetRelativePos(int, int);
  %extend {
    // The element's host is a GUIManager whenever a script made the element.
    GUIManager *getGUIManager() { return dynamic_cast<GUIManager*>($self->getGUIManager()); }
  }
  int SendMessage(tUX_Message *msg);
  bool intersect(uxPOINT);
  bool intersect(uxRECT, uxPOINT);
  %extend {
    std::string *getName() { return tovgui_ElementName::Of($self); }
  }
  void setRepaint();
  void setRepaintCtrls();
  uxRECT *getClientRect();
};
%clear tUX_Message *msg;
%clear char const *name;
%clear char *text;
