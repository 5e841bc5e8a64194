#pragma once
// What a widget asks of the GUIManager that owns it. The instrument and the script module
// each have their own GUIManager; both derive from this, so the toolkit compiles without
// knowing which one it serves, and tests hand widgets a recording fake.
#include "toolkit/uxDefs.h"

class uxDC;

class uxHost {
 public:
  virtual ~uxHost() = default;

  virtual uxDC* getDC() = 0;
  // Sees every message any element receives, before the element acts on it. The script
  // module's manager answers 0, the instrument's 1.
  virtual int HookSendMessage(tagUX_Message* msg) = 0;
  // Delivers a message from an element to the manager's elements. `queued` asks the
  // instrument to post it to its GUI queue instead of delivering it at once; the script
  // module delivers at once either way.
  virtual int SendMessage(tagUX_Message* msg, bool queued = false) = 0;
  // Front-panel focus frame; 255 means no panel has focus.
  virtual void sendCANFocus(int n) = 0;
  // A value label changed its parameter. Each manager takes the three values in its own
  // argument order behind this call.
  virtual void ValueChanged(uint32_t uid, float value, unsigned flags) = 0;
  // The instrument's MIDI-controller map: the controller learned for a parameter, or -1;
  // SetCCAssignment(cc, -1) forgets controller cc. The script module keeps no map.
  virtual int GetCCAssignment(uint32_t uid) = 0;
  virtual void SetCCAssignment(int cc, int uid) = 0;
};
