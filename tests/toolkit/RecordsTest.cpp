// The toolkit's records and constants: the numbers every widget, both managers and the
// script binding share.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "toolkit/uxDefs.h"

namespace {

struct Constant {
  const char* name;
  long long value;
  long long expected;
};

TEST(ToolkitRecords, ConstantsHaveTheirValues) {
  const Constant table[] = {
      {"UX_MSG_TOUCH_EVENT", UX_MSG_TOUCH_EVENT, 256},
      {"UX_MSG_KEY", UX_MSG_KEY, 257},
      {"UX_MSG_ENCODER", UX_MSG_ENCODER, 258},
      {"UX_MSG_FOCUS", UX_MSG_FOCUS, 259},
      {"UX_MSG_POPUP_SHOW", UX_MSG_POPUP_SHOW, 260},
      {"UX_MSG_POPUP_HIDE", UX_MSG_POPUP_HIDE, 261},
      {"UX_MSG_VALUES_CHANGED", UX_MSG_VALUES_CHANGED, 262},
      {"UX_MSG_TAB_SELECT", UX_MSG_TAB_SELECT, 263},
      {"UX_MSG_LIST_SELECT", UX_MSG_LIST_SELECT, 264},
      {"UX_MSG_PANEL_CTRL", UX_MSG_PANEL_CTRL, 265},
      {"UX_MSG_ON_BUTTON", UX_MSG_ON_BUTTON, 266},
      {"UX_MSG_OFF_BUTTON", UX_MSG_OFF_BUTTON, 267},
      {"UX_MSG_TABLE_ITEM_SEL", UX_MSG_TABLE_ITEM_SEL, 268},
      {"UX_MSG_ACTIVATE_MODUL", UX_MSG_ACTIVATE_MODUL, 269},
      {"UX_MSG_CLOSE_PANEL", UX_MSG_CLOSE_PANEL, 270},
      {"UX_MSG_ON_LABEL", UX_MSG_ON_LABEL, 271},
      {"UX_MSG_TICK_EVENT", UX_MSG_TICK_EVENT, 272},
      {"EN_MSG_SET_VALUE", EN_MSG_SET_VALUE, 273},
      {"UX_MSG_ENCODER_EVENT", UX_MSG_ENCODER_EVENT, 274},
      {"UX_MSG_ENCODER_VALUE_CHANGED", UX_MSG_ENCODER_VALUE_CHANGED, 275},
      {"UX_MSG_ASSIGN_DESTINATION", UX_MSG_ASSIGN_DESTINATION, 276},
      {"UX_MSG_ASSIGN_SOURCE", UX_MSG_ASSIGN_SOURCE, 277},
      {"UX_MSG_REPAINT", UX_MSG_REPAINT, 278},
      {"UX_MSG_PART_CHANGED", UX_MSG_PART_CHANGED, 279},
      {"UX_MSG_BPM_QN_TICK", UX_MSG_BPM_QN_TICK, 280},
      {"APP_MSG_CLIP_CHANGED", APP_MSG_CLIP_CHANGED, 281},
      {"APP_MSG_RESCAN_FILES", APP_MSG_RESCAN_FILES, 283},
      {"UX_PARAM_ENTER", UX_PARAM_ENTER, 1},
      {"UX_PARAM_BACK", UX_PARAM_BACK, 2},
      {"UX_PARAM_ESC", UX_PARAM_ESC, 3},
      {"UX_PARAM_INC", UX_PARAM_INC, 4},
      {"UX_PARAM_DEC", UX_PARAM_DEC, 5},
      {"UX_PARAM_MENU", UX_PARAM_MENU, 6},
      {"UX_PARAM_STORE", UX_PARAM_STORE, 7},
      {"UX_PARAM_SELECT", UX_PARAM_SELECT, 8},
      {"UX_NOTIFY_REPAINT", UX_NOTIFY_REPAINT, 0},
      {"UX_NOTIFY_ENTER", UX_NOTIFY_ENTER, 1},
      {"UX_NOTIFY_LEAVE", UX_NOTIFY_LEAVE, 2},
      {"UX_NOTIFY_DESELECT", UX_NOTIFY_DESELECT, 3},
      {"UX_NOTIFY_SELECT", UX_NOTIFY_SELECT, 4},
      {"UX_NOTIFY_HIDE", UX_NOTIFY_HIDE, -1},
      {"TYPE_MOVE", TYPE_MOVE, 0},
      {"TYPE_PRESS", TYPE_PRESS, 1},
      {"TYPE_RELEASE", TYPE_RELEASE, 2},
      {"FLAG_NONE", FLAG_NONE, 0},
      {"FLAG_REPAINT", FLAG_REPAINT, 1},
      {"FLAG_UPDATE_DS", FLAG_UPDATE_DS, 2},
      {"FLAG_UPDATE_ENGINE_IM", FLAG_UPDATE_ENGINE_IM, 4},
      {"FLAG_UPDATE_ENGINE", FLAG_UPDATE_ENGINE, 8},
      {"FLAG_SEND_CAN", FLAG_SEND_CAN, 16},
      {"STATE_MIDI_NONE", STATE_MIDI_NONE, 0},
      {"STATE_MIDI_CC_LEARN", STATE_MIDI_CC_LEARN, 1},
      {"STATE_MIDI_CC_ASSIGNED", STATE_MIDI_CC_ASSIGNED, 2},
      {"uxValueLabel_state_released", uxValueLabel_state_released, 0},
      {"uxValueLabel_state_rising", uxValueLabel_state_rising, 1},
      {"uxValueLabel_state_pressed", uxValueLabel_state_pressed, 2},
      {"uxValueLabel_state_2nd", uxValueLabel_state_2nd, 3},
      {"popupValue", popupValue, 0},
      {"popupMsg", popupMsg, 1},
      {"popupDel", popupDel, 2},
      {"popupWT", popupWT, 3},
      {"popupPB", popupPB, 4},
      {"popupSize", popupSize, 5},
      {"popupAny", popupAny, -1},
      {"CAPTION_HEIGHT", CAPTION_HEIGHT, 40},
      {"OPTION_FLAG_CAPTION", OPTION_FLAG_CAPTION, 1},
      {"OPTION_FLAG_CLOSE", OPTION_FLAG_CLOSE, 2},
      {"EXCLUSIVE_REGION", EXCLUSIVE_REGION, 1},
      {"FONT_SELECTED", FONT_SELECTED, -1},
      {"TOUCH_SCREEN_SAVE", TOUCH_SCREEN_SAVE, 1},
      {"FMT_LEN", FMT_LEN, 32},
      {"NAME_LEN", NAME_LEN, 32},
      {"TEXT_LEN", TEXT_LEN, 32},
      {"PROG_NAME_SIZE", PROG_NAME_SIZE, 14},
      {"MAX_ENUMS", MAX_ENUMS, 9},
      {"AVERAGE_BUF", AVERAGE_BUF, 32},
      {"STRETCH_VAL", STRETCH_VAL, 8},
      {"SLIDER_WIDTH", SLIDER_WIDTH, 10},
      {"WT_FACT", WT_FACT, 2},
      {"WT_FACT2", WT_FACT2, 3},
      {"WT_INTERLEAVE", WT_INTERLEAVE, 5},
      {"WT_POS_X", WT_POS_X, 160},
      {"WT_POS_Y", WT_POS_Y, 34},
      {"WT_WIDTH", WT_WIDTH, 280},
      {"WT_HEIGHT", WT_HEIGHT, 24},
      {"ButtonBackgroundColor", ButtonBackgroundColor, 0},
      {"ButtonBoundingColor", ButtonBoundingColor, 1},
      {"ButtonCheckColor", ButtonCheckColor, 2},
      {"ButtonTextColor", ButtonTextColor, 3},
      {"ButtonSelectColor", ButtonSelectColor, 4},
      {"BtnModeToggle", BtnModeToggle, 0},
      {"BtnModeGridToggle", BtnModeGridToggle, 1},
      {"BtnModeSelectable", BtnModeSelectable, 2},
      {"uxBarCtrl_LeftRight", uxBarCtrl_LeftRight, 0},
      {"uxBarCtrl_RightLeft", uxBarCtrl_RightLeft, 1},
      {"uxBarCtrl_BottomUp", uxBarCtrl_BottomUp, 2},
      {"uxBarCtrl_TopDown", uxBarCtrl_TopDown, 3},
      {"uxBarCtrl_verticalBipolar", uxBarCtrl_verticalBipolar, 4},
      {"uxBarCtrl_horicontalBipolar", uxBarCtrl_horicontalBipolar, 5},
      {"uxBarCtrl_horicontalBipolarMarker", uxBarCtrl_horicontalBipolarMarker, 6},
      {"uxPeakMeter_LeftRight", uxPeakMeter_LeftRight, 0},
      {"uxPeakMeter_RightLeft", uxPeakMeter_RightLeft, 1},
      {"uxPeakMeter_BottomUp", uxPeakMeter_BottomUp, 2},
      {"uxPeakMeter_TopDown", uxPeakMeter_TopDown, 3},
      {"uxPeakMeter_verticalBipolar", uxPeakMeter_verticalBipolar, 4},
      {"uxPeakMeter_horicontalBipolar", uxPeakMeter_horicontalBipolar, 5},
      {"uxTableCtrl_Drag", uxTableCtrl_Drag, 0},
      {"uxTableCtrl_Radio", uxTableCtrl_Radio, 1},
      {"uxTableCtrl_Set", uxTableCtrl_Set, 2},
      {"uxTableCtrl_Toggle", uxTableCtrl_Toggle, 3},
      {"uxTableCtrl_RadioToggle", uxTableCtrl_RadioToggle, 4},
      {"uxTableCtrl_touchonly", uxTableCtrl_touchonly, 0},
      {"uxTableCtrl_touch_datawheel", uxTableCtrl_touch_datawheel, 1},
      {"uxValueCtrl_enumerator", uxValueCtrl_enumerator, 0},
      {"uxValueCtrl_val", uxValueCtrl_val, 1},
      {"uxValueCtrl_bar", uxValueCtrl_bar, 2},
      {"uxValueCtrl_text", uxValueCtrl_text, 3},
      {"uxValueCtrl_val_float", uxValueCtrl_val_float, 4},
      {"CORE_GUI", CORE_GUI, 0},
      {"DEVICE_PX415", DEVICE_PX415, 1},
  };
  for (const Constant& c : table) EXPECT_EQ(c.value, c.expected) << c.name;

  EXPECT_STREQ(PATH_IMAGES, "/usr/share/ruv/gui/");
  EXPECT_STREQ(DEVICE_TYPE_STRING, "TGUI");
  EXPECT_STREQ(SOFTWARE_VERSION, "0.9");
  EXPECT_STREQ(SOFTWARE_RELEASE, "Beta");
  EXPECT_DOUBLE_EQ(PI, 3.141592653589793);
  EXPECT_DOUBLE_EQ(TWO_PI, 6.283185307179586);
  EXPECT_DOUBLE_EQ(LOG_10, 2.302585093);
}

// Every constructor leaves the words it is not given at 0: records go whole into queues
// and to Python, where a stale word would read as data.
TEST(ToolkitRecords, MessageConstructorsZeroWhatTheyAreNotGiven) {
  int payload = 0;
  struct Case {
    const char* form;
    tagUX_Message msg;
    uint32_t type, param, flag;
    void* data;
    int32_t x, y, evt;
  };
  // Fill the storage with garbage first so a missed field would show.
  alignas(tagUX_Message) unsigned char raw[sizeof(tagUX_Message)];
  std::memset(raw, 0xA5, sizeof raw);
  auto* placed = new (raw) tagUX_Message(272);
  const Case cases[] = {
      {"(type) over garbage", *placed, 272, 0, 0, nullptr, 0, 0, 0},
      {"()", tagUX_Message(), 0, 0, 0, nullptr, 0, 0, 0},
      {"(type, param, flag)", tagUX_Message(262, -1, -1), 262, 0xFFFFFFFFu, 0xFFFFFFFFu, nullptr, 0, 0, 0},
      {"(type, param, flag, data)", tagUX_Message(273, 5, 2, &payload), 273, 5, 2, &payload, 0, 0, 0},
      {"(type, param, data)", tagUX_Message(264, 7, static_cast<void*>(&payload)), 264, 7, 0, &payload, 0, 0, 0},
      {"(type, param, data, flag)", tagUX_Message(268, 3, &payload, 9), 268, 3, 9, &payload, 0, 0, 0},
      {"touch (type, x, y, evt)", tagUX_Message(256, 190, 235, 1), 256, 0, 0, nullptr, 190, 235, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    EXPECT_EQ(c.msg.type, c.type);
    EXPECT_EQ(c.msg.param, c.param);
    EXPECT_EQ(c.msg.flag, c.flag);
    EXPECT_EQ(c.msg.arg, 0u);
    EXPECT_EQ(c.msg.pData, c.data);
    EXPECT_EQ(c.msg.m_x, c.x);
    EXPECT_EQ(c.msg.m_y, c.y);
    EXPECT_EQ(c.msg.m_evt_type, c.evt);
  }
}

TEST(ToolkitRecords, RectangleKeepsSizeAndEdgesInStep) {
  uxRECT r(10, 20, 30, 50);
  EXPECT_EQ(r.width, 20);
  EXPECT_EQ(r.height, 30);
  r.move(5, -5);
  EXPECT_EQ(r.left, 15);
  EXPECT_EQ(r.right, 35);
  EXPECT_EQ(r.top, 15);
  EXPECT_EQ(r.bottom, 45);
  EXPECT_EQ(r.width, 20);
  EXPECT_EQ(r.height, 30);
  r.size(7, 9);
  EXPECT_EQ(r.right, 22);
  EXPECT_EQ(r.bottom, 24);
  r.setWidth(100);
  r.setHeight(1);
  EXPECT_EQ(r.right, 115);
  EXPECT_EQ(r.width, 100);
  EXPECT_EQ(r.bottom, 16);
  EXPECT_EQ(r.height, 1);
  const uxRECT zero;
  EXPECT_EQ(zero.left | zero.top | zero.right | zero.bottom | zero.width | zero.height, 0);
  const uxPOINT origin;
  EXPECT_EQ(origin.x | origin.y, 0);
}

}  // namespace
