// The script's GUI manager and the message callback scripts derive from.

%{
#include "toolkit/GUIManager.h"
%}

// Scripts name popup kinds by these numbers (popupValue .. popupPB, popupAny).
%{
typedef int ePopupType;
%}
typedef int ePopupType;

// As the frame callback of the CAN device: a callback stored through a member belongs to the
// native side, and reading the member gives a new proxy.
%typemap(check, noblock=1) GUIManagerCB *m_sendmsg_cb, GUIManagerCB *m_hooksendmsg_cb {
  if (Swig::Director* director = SWIG_DIRECTOR_CAST($1)) director->swig_disown();
}
%typemap(out, noblock=1) GUIManagerCB *m_sendmsg_cb, GUIManagerCB *m_hooksendmsg_cb {
  $result = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor, 0);
}

// The manager keeps what it was made with and the callbacks it was given, and lives on after
// its script's proxy while elements made with it do (lifetime.i).
%exception GUIManager::GUIManager {
  try {
    $action
  } catch (std::bad_alloc&) {
    SWIG_exception_fail(SWIG_MemoryError, "in method '$symname': out of memory");
  }
  tovgui_life::ManagerMade(result, arg1, arg2);
}
%exception GUIManager::setSendMsgCallback {
  $action
  tovgui_life::KeepCallback(arg1, obj1, false);
}
%exception GUIManager::setHookSendMsgCallback {
  $action
  tovgui_life::KeepCallback(arg1, obj1, true);
}
TOVGUI_REFUSES_TWICE(GUIManager::AddElement)

class GUIManager : public CDrvInput, public IGUIManager {
 public:
  GUIManager(uxDC *dc, CCANDev *can, std::string inputDevice = "/dev/input/event0");
  %extend {
    ~GUIManager() { tovgui_life::Drop($self, &tovgui_life::FinishManager); }
  }
  uxDC *getDC();
  void InitGUI(uxCOLOR colour = CTheme::ColorFromRGB(0, 0, 0));
  void DoGUI();
  void doTick();
  virtual void OnTouchEvent(int x, int y, int kind);
  int SendMessage(tUX_Message *msg);
  int HookSendMessage(tUX_Message *msg);
  %extend {
    // The manager paints and messages its elements until it ends, and deletes them then.
    // None adds nothing.
    void AddElement(uxBaseElement *MAY_BE_NONE) {
      if (!MAY_BE_NONE) return;
      tovgui_life::CheckHandOver("GUIManager_AddElement", $self, MAY_BE_NONE);
      $self->AddElement(MAY_BE_NONE);
      tovgui_life::HandOver($self, MAY_BE_NONE);
      tovgui_life::Managers()[$self].elements.push_back(MAY_BE_NONE);
    }
  }
  void ValueChanged(int UID, float value, int flags = FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM);
  void SettingValueChanged(int, float);
  void CANEncoderEvent(int id, int code);
  void CANKeyEvent(int id, int code);
  // The panel's notifications carry a third number the manager does not use.
  %extend {
    void CANValueNotify(int id, int part, int unused, float value) {
      (void)unused;
      $self->CANValueNotify(id, part, value);
    }
    void CANAssignNotify(int id, int part, int unused, float value) {
      (void)unused;
      $self->CANAssignNotify(id, part, value);
    }
  }
  void ActivatePanel(int nr, int arg = -1);
  void setPanelMode(int mode);
  int getPanelMode();
  void sendCANFocus(int n);
  void sendPanelEnum(int id, int a, int b);
  void sendPanelFloat(int id, int part, int kind, float value);
  void sendPanelText(int id, int idx, char const *text, bool alt = false);
  void sendCANMidiMsg(int b0, uint8_t b1, uint8_t b2, uint8_t b3);
  void sendRawPanelMsg(int id, uint8_t *data, int len);
  bool isPopup(ePopupType kind);
  bool isOtherPopup(ePopupType kind);
  void LoggerText(char *text);
  bool initialLoad();
  void spawn();
  int GetMidiCC(int);
  void SetMidiCC(int, int);
  int OnMidiCC(int, int, int, int);
  void setSendMsgCallback(GUIManagerCB *cb);
  void setHookSendMsgCallback(GUIManagerCB *cb);
  GUIManagerCB *m_sendmsg_cb;
  GUIManagerCB *m_hooksendmsg_cb;
};
%clear GUIManagerCB *m_sendmsg_cb, GUIManagerCB *m_hooksendmsg_cb;

%feature("director") GUIManagerCB;

class GUIManagerCB {
 public:
  virtual void run(int);
  virtual void MessageReceived(tUX_Message *msg);
  virtual ~GUIManagerCB();
};
