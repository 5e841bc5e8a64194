#pragma once
// The messages the core and the widgets hand a page, built the way their senders build them,
// so a page test says what happens ("the 24-step row was chosen") rather than which fields
// of a record carry it.
#include <cstdint>

#include "toolkit/uxDefs.h"

namespace page_msg {

// 256: a touch at screen coordinates; TYPE_PRESS, TYPE_MOVE or TYPE_RELEASE.
inline tagUX_Message Touch(int x, int y, int type) { return tagUX_Message(UX_MSG_TOUCH_EVENT, x, y, type); }

// 259: the page's tab became active (param 1) or the page got its focus back (2); flag 1
// sends no focus frame to the panel.
inline tagUX_Message Focus(int param = 1, int flag = 0) { return tagUX_Message(UX_MSG_FOCUS, param, flag); }

// 262: values changed; param is the part or -1, flag -1 keeps what the page shows in view.
inline tagUX_Message ValuesChanged(int param = -1, int flag = -1) {
  return tagUX_Message(UX_MSG_VALUES_CHANGED, param, flag);
}

// 266 / 267: a button with user data `id` pressed or released.
inline tagUX_Message ButtonOn(int id) { return tagUX_Message(UX_MSG_ON_BUTTON, id, 0); }
inline tagUX_Message ButtonOff(int id) { return tagUX_Message(UX_MSG_OFF_BUTTON, id, 0); }

// 268: row `row` of `table` chosen, as the table reports it. The queued reports some pages
// post carry no table: pass nullptr; a page compares pData, never follows it.
inline tagUX_Message TableChoice(const void* table, int row, int flag = 0) {
  return tagUX_Message(UX_MSG_TABLE_ITEM_SEL, row, flag, const_cast<void*>(table));
}

// 272: the GUI tick that reaches the page.
inline tagUX_Message Tick() { return tagUX_Message(UX_MSG_TICK_EVENT); }

// 273: the panel set parameter `canId` of part `part` to `*value` (value outlives the call).
inline tagUX_Message SetValue(int canId, int part, float* value) {
  return tagUX_Message(EN_MSG_SET_VALUE, canId, part, value);
}

// 274: panel encoder `encoder` (144-148) turned right (130), left (131) or pressed (132).
inline constexpr int kTurnRight = 130;
inline constexpr int kTurnLeft = 131;
inline constexpr int kPress = 132;
inline tagUX_Message Encoder(int encoder, int code) { return tagUX_Message(UX_MSG_ENCODER_EVENT, encoder, code); }

// 275: a value label of encoder `encoder & 3` changed its value (the label sends it).
inline tagUX_Message EncoderValueChanged(int encoder, int code = kTurnRight) {
  return tagUX_Message(UX_MSG_ENCODER_VALUE_CHANGED, encoder, code);
}

// 276: the panel assigns a destination (`canId` of `part`, `*value` its amount).
inline tagUX_Message AssignDestination(int canId, int part, float* value) {
  return tagUX_Message(UX_MSG_ASSIGN_DESTINATION, canId, part, value);
}
// 277: an assignment source chosen on the panel (flag 1: the panel was already shown).
inline tagUX_Message AssignSource(int source, int flag = 1) {
  return tagUX_Message(UX_MSG_ASSIGN_SOURCE, source, flag);
}

// 281: the host link changed a clip of `track`.
inline tagUX_Message ClipChanged(int track) { return tagUX_Message(APP_MSG_CLIP_CHANGED, track, 0); }

// 283: the files on the data storage changed; lists are read again.
inline tagUX_Message RescanFiles() { return tagUX_Message(APP_MSG_RESCAN_FILES); }

}  // namespace page_msg
