#pragma once
// The script module's own GUIManager: it owns the list of a script's top-level elements,
// passes toolkit messages to them and to the script's callbacks, runs the GUI pass the
// script calls periodically, reads the touch screen and sends the front panel's frames. It
// has none of the instrument's pages, data or routing; its value and CAN notifications only
// print. The instrument has a GUIManager of its own, so this one exists only in the script
// flavour of the toolkit.
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/CDrvInput.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxHost.h"

static_assert(ux::kScriptFlavour, "the library GUIManager belongs to the script flavour");

class CCANDev;
class uxBaseElement;
class uxDC;

// What a script implements to see toolkit messages; the manager calls only MessageReceived.
class GUIManagerCB {
 public:
  virtual void run(int);
  virtual void MessageReceived(tagUX_Message* msg);
  virtual ~GUIManagerCB() = default;
};

class IGUIManager {};

class GUIManager : public CDrvInput, public IGUIManager, public uxHost {
 public:
  GUIManager(uxDC* dc, CCANDev* can, std::string inputDevice = "/dev/input/event0");
  ~GUIManager() override;

  void OnTouchEvent(int x, int y, int type) override;

  uxDC* getDC() override { return dc_; }
  void setHookSendMsgCallback(GUIManagerCB* cb) { m_hooksendmsg_cb = cb; }
  void setSendMsgCallback(GUIManagerCB* cb) { m_sendmsg_cb = cb; }
  void AddElement(uxBaseElement* element);

  int HookSendMessage(tagUX_Message* msg) override;
  // Delivered at once in the caller's thread, queued or not: the script module has no queue.
  int SendMessage(tagUX_Message* msg, bool queued = false) override;

  void InitGUI(unsigned colour = 0);  // black
  void doTick();
  void DoGUI();
  int initialLoad() { return 1; }
  // What the instrument's manager does here has no counterpart in a script's screen.
  void spawn() {}
  void SettingValueChanged(int, float) {}
  void LoggerText(const char* text);

  void ValueChanged(uint32_t uid, float value, unsigned flags = FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM) override;
  void CANValueNotify(int id, int part, float value);
  void CANAssignNotify(int id, int part, float value);
  void CANEncoderEvent(int id, int code);
  void CANKeyEvent(int id, int code);
  void ActivatePanel(int panel, int arg = -1);
  // The script module keeps no controller map.
  int GetCCAssignment(uint32_t) override { return -1; }
  void SetCCAssignment(int, int) override {}
  int GetMidiCC(int) { return 0; }
  void SetMidiCC(int, int) {}
  int OnMidiCC(int, int, int, int) { return 0; }

  // Whether a popup of `kind` (popupValue .. popupPB) is showing; popupAny asks for any of
  // them. Kinds outside the slots show nothing.
  bool isPopup(int kind) const;
  // Whether a popup of a kind other than `kind` is showing.
  bool isOtherPopup(int kind) const;

  void sendRawPanelMsg(int id, const unsigned char* data, int length);
  void sendPanelEnum(int id, int a, int b);
  void sendPanelFloat(int id, int part, int kind, float value);
  void sendPanelText(int id, int idx, const char* text, bool alt = false);
  void sendCANMidiMsg(int status, unsigned char channel, unsigned char data1, unsigned char data2);
  void sendCANFocus(int n) override;
  void setPanelMode(int mode);
  int getPanelMode() const { return panelMode_; }

  GUIManagerCB* m_hooksendmsg_cb = nullptr;
  GUIManagerCB* m_sendmsg_cb = nullptr;

 private:
  void Send(int id, const unsigned char* data, int length);

  uxDC* dc_;
  CCANDev* can_;
  std::string inputDevice_;
  std::vector<uxBaseElement*> elements_;  // not owned
  bool tickPending_ = false;
  uint32_t tickCounter_ = 0;
  int32_t focusIndex_ = -1;
  int32_t panelMode_ = 0;
  // Popup countdowns per kind, in GUI passes of four; nonzero while the popup shows.
  uint32_t popups_[popupSize] = {};
};
