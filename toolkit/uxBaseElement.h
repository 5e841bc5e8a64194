#pragma once
// Root of every widget, panel, popup and page: a screen rectangle, the state flags, a name,
// the owning manager and the drawing context it paints with. The virtual operations keep the
// order the script binding relies on.
#include <cstdint>
#include <string>

#include "toolkit/Flavour.h"
#include "toolkit/uxDefs.h"
#include "toolkit/uxHost.h"

class uxDC;

class uxBaseElement {
 public:
  uxBaseElement(uxHost* manager, int id, uint32_t userData, const char* name);
  virtual ~uxBaseElement();
  uxBaseElement(const uxBaseElement&) = delete;
#if SYNTH_TOOLKIT_SCRIPT
  // Told of every element as it ends, before its members go: the script module forgets what
  // it kept for the element, whoever deleted it. Null (the default) tells nobody.
  using EndHook = void (*)(uxBaseElement* element);
  static void SetEndHook(EndHook hook);
#endif
  uxBaseElement& operator=(const uxBaseElement&) = delete;

  virtual int OnPaint() = 0;
  virtual int OnMessage(tagUX_Message* msg);
  virtual void Update() {}
  virtual void invalidate() {}
  virtual int OnMidiCC(int, int, int, int) { return 0; }
  virtual void Select(bool selected) { selected_ = selected; }
  virtual void SetIntValue(int) {}
  virtual void SetTextValue(char*) {}
  virtual void SetFloatValue(float) {}
  virtual int GetIntValue() { return 0; }
  virtual float GetFloatValue() { return 0.0f; }
  virtual const char* GetStringValue() { return ""; }
  virtual int GetMaxValue() { return 0; }
  virtual int GetMinValue() { return 0; }
  virtual void SetScaleFactor(float) {}
  virtual float GetScaleFactor() { return 0.0f; }
  virtual void SetEnabled(bool enabled);
  virtual void SetChecked(bool checked, bool repaint = true);
  virtual void SetFocus(bool focus) { focus_ = focus; }
  virtual void SetGrayed(bool grayed);
  virtual bool isEnabled() { return enabled_; }
  virtual bool isFocus() { return focus_; }
  virtual bool isChecked() { return checked_; }
  virtual bool isGrayed() { return grayed_; }
  virtual void SetRelativePos(int x, int y);

  int SendMessage(tagUX_Message* msg);
  bool intersect(uxPOINT p) const { return intersect(rect_, p); }
  bool intersect(uxRECT r, uxPOINT p) const;
  uxRECT* getClientRect() { return &rect_; }
  void setRepaint() { repaint_ = true; }
  void setRepaintCtrls() { repaintCtrls_ = true; }
  const char* getName() const { return name_.c_str(); }
  void setName(const char* name) { name_ = name ? name : ""; }
  uxHost* getGUIManager() const { return manager_; }
  uxDC* GetDriver() const { return dc_; }
  void SetID(int id) { id_ = id; }
  int GetID() const { return id_; }
  void SetIDmask(uint32_t mask, uint32_t value);
  void SetUserData(int data) { userData_ = static_cast<uint32_t>(data); }
  uint32_t GetUserData() const { return userData_; }

  bool isSelected() const { return selected_; }
  bool needsRepaint() const { return repaint_; }
  bool needsRepaintCtrls() const { return repaintCtrls_; }

 protected:
  bool focus_ = false;
  uxRECT rect_;
  // A new element paints itself the first time it is asked to.
  bool repaint_ = true;
  bool repaintCtrls_ = true;
  bool checked_ = false;
  bool selected_ = false;
  bool enabled_ = false;
  bool grayed_ = false;
  uxDC* dc_ = nullptr;
  int relX_ = 0;
  int relY_ = 0;
  std::string name_;
  uxHost* manager_ = nullptr;
  uint32_t userData_ = 0;
  int id_ = -1;
};
