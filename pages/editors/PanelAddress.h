#pragma once
// The parameter a value message from the panel names: its CAN id maps, within an editor's
// parameter group, to a ctrl and an instance, and the message's flag carries the value kind.
// Every editor finds the labels such a message sets by this same test.

struct tagUX_Message;
class uxValueLabel;

// Reads the float a set-value message carries; false when it carries none.
bool ReadPanelValue(const tagUX_Message& msg, float& value);

struct PanelAddress {
  PanelAddress(int canId, int group, int kind);
  // True when the label shows the parameter this address names.
  bool Names(const uxValueLabel& label) const;

  int ctrl;
  int instance;
  int kind;
};
