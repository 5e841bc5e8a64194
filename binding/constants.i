// The module's constants after `cvar`, in the order scripts see them. Values come from the
// toolkit's own definitions (toolkit/uxDefs.h); all are Python ints but EXCLUSIVE_REGION.
// A class declared later whose enumeration holds one of these names publishes it here only:
// its enumerators are ignored there, so each name is set once and in this place.

// Touch event kinds (tUX_Message::m_evt_type).
%constant int TYPE_PRESS = TYPE_PRESS;
%constant int TYPE_MOVE = TYPE_MOVE;
%constant int TYPE_RELEASE = TYPE_RELEASE;

// Message types.
%constant int UX_MSG_TOUCH_EVENT = UX_MSG_TOUCH_EVENT;
%constant int UX_MSG_KEY = UX_MSG_KEY;
%constant int UX_MSG_ENCODER = UX_MSG_ENCODER;
%constant int UX_MSG_FOCUS = UX_MSG_FOCUS;
%constant int UX_MSG_POPUP_SHOW = UX_MSG_POPUP_SHOW;
%constant int UX_MSG_POPUP_HIDE = UX_MSG_POPUP_HIDE;
%constant int UX_MSG_VALUES_CHANGED = UX_MSG_VALUES_CHANGED;
%constant int UX_MSG_TAB_SELECT = UX_MSG_TAB_SELECT;
%constant int UX_MSG_LIST_SELECT = UX_MSG_LIST_SELECT;
%constant int UX_MSG_PANEL_CTRL = UX_MSG_PANEL_CTRL;
%constant int UX_MSG_ON_BUTTON = UX_MSG_ON_BUTTON;
%constant int UX_MSG_OFF_BUTTON = UX_MSG_OFF_BUTTON;
%constant int UX_MSG_TABLE_ITEM_SEL = UX_MSG_TABLE_ITEM_SEL;
%constant int UX_MSG_ACTIVATE_MODUL = UX_MSG_ACTIVATE_MODUL;
%constant int UX_MSG_CLOSE_PANEL = UX_MSG_CLOSE_PANEL;
%constant int UX_MSG_ON_LABEL = UX_MSG_ON_LABEL;
%constant int UX_MSG_TICK_EVENT = UX_MSG_TICK_EVENT;
%constant int EN_MSG_SET_VALUE = EN_MSG_SET_VALUE;
%constant int UX_MSG_ENCODER_EVENT = UX_MSG_ENCODER_EVENT;
%constant int UX_MSG_ENCODER_VALUE_CHANGED = UX_MSG_ENCODER_VALUE_CHANGED;
%constant int UX_MSG_ASSIGN_DESTINATION = UX_MSG_ASSIGN_DESTINATION;
%constant int UX_MSG_ASSIGN_SOURCE = UX_MSG_ASSIGN_SOURCE;
%constant int UX_MSG_REPAINT = UX_MSG_REPAINT;
%constant int UX_MSG_PART_CHANGED = UX_MSG_PART_CHANGED;
%constant int UX_MSG_BPM_QN_TICK = UX_MSG_BPM_QN_TICK;

// Key codes in the param of UX_MSG_KEY.
%constant int UX_PARAM_ENTER = UX_PARAM_ENTER;
%constant int UX_PARAM_BACK = UX_PARAM_BACK;
%constant int UX_PARAM_ESC = UX_PARAM_ESC;
%constant int UX_PARAM_INC = UX_PARAM_INC;
%constant int UX_PARAM_DEC = UX_PARAM_DEC;
%constant int UX_PARAM_MENU = UX_PARAM_MENU;
%constant int UX_PARAM_STORE = UX_PARAM_STORE;
%constant int UX_PARAM_SELECT = UX_PARAM_SELECT;

// Notifications.
%constant int UX_NOTIFY_REPAINT = UX_NOTIFY_REPAINT;
%constant int UX_NOTIFY_ENTER = UX_NOTIFY_ENTER;
%constant int UX_NOTIFY_LEAVE = UX_NOTIFY_LEAVE;
%constant int UX_NOTIFY_DESELECT = UX_NOTIFY_DESELECT;
%constant int UX_NOTIFY_SELECT = UX_NOTIFY_SELECT;
%constant int UX_NOTIFY_HIDE = UX_NOTIFY_HIDE;

// Drawing.
%constant bool EXCLUSIVE_REGION = EXCLUSIVE_REGION;
%constant int FONT_SELECTED = FONT_SELECTED;

// Button colour slots and modes.
%constant int ButtonBackgroundColor = ButtonBackgroundColor;
%constant int ButtonBoundingColor = ButtonBoundingColor;
%constant int ButtonCheckColor = ButtonCheckColor;
%constant int ButtonTextColor = ButtonTextColor;
%constant int ButtonSelectColor = ButtonSelectColor;
%constant int BtnModeToggle = BtnModeToggle;
%constant int BtnModeGridToggle = BtnModeGridToggle;
%constant int BtnModeSelectable = BtnModeSelectable;

// Bar orientations.
%constant int uxBarCtrl_LeftRight = uxBarCtrl_LeftRight;
%constant int uxBarCtrl_RightLeft = uxBarCtrl_RightLeft;
%constant int uxBarCtrl_BottomUp = uxBarCtrl_BottomUp;
%constant int uxBarCtrl_TopDown = uxBarCtrl_TopDown;
%constant int uxBarCtrl_verticalBipolar = uxBarCtrl_verticalBipolar;
%constant int uxBarCtrl_horicontalBipolar = uxBarCtrl_horicontalBipolar;
%constant int uxBarCtrl_horicontalBipolarMarker = uxBarCtrl_horicontalBipolarMarker;

// Panels.
%constant int CAPTION_HEIGHT = CAPTION_HEIGHT;
%constant int OPTION_FLAG_CAPTION = OPTION_FLAG_CAPTION;
%constant int OPTION_FLAG_CLOSE = OPTION_FLAG_CLOSE;

// Meters (no marker variant).
%constant int AVERAGE_BUF = AVERAGE_BUF;
%constant int uxPeakMeter_LeftRight = uxPeakMeter_LeftRight;
%constant int uxPeakMeter_RightLeft = uxPeakMeter_RightLeft;
%constant int uxPeakMeter_BottomUp = uxPeakMeter_BottomUp;
%constant int uxPeakMeter_TopDown = uxPeakMeter_TopDown;
%constant int uxPeakMeter_verticalBipolar = uxPeakMeter_verticalBipolar;
%constant int uxPeakMeter_horicontalBipolar = uxPeakMeter_horicontalBipolar;

// Wavetable view geometry.
%constant int WT_FACT = WT_FACT;
%constant int WT_FACT2 = WT_FACT2;
%constant int WT_INTERLEAVE = WT_INTERLEAVE;
%constant int WT_POS_X = WT_POS_X;
%constant int WT_POS_Y = WT_POS_Y;
%constant int WT_WIDTH = WT_WIDTH;
%constant int WT_HEIGHT = WT_HEIGHT;

// Tables.
%constant int uxTableCtrl_Drag = uxTableCtrl_Drag;
%constant int uxTableCtrl_Radio = uxTableCtrl_Radio;
%constant int uxTableCtrl_Set = uxTableCtrl_Set;
%constant int uxTableCtrl_Toggle = uxTableCtrl_Toggle;
%constant int uxTableCtrl_RadioToggle = uxTableCtrl_RadioToggle;
%constant int uxTableCtrl_touchonly = uxTableCtrl_touchonly;
%constant int uxTableCtrl_touch_datawheel = uxTableCtrl_touch_datawheel;
%constant int STRETCH_VAL = STRETCH_VAL;
%constant int SLIDER_WIDTH = SLIDER_WIDTH;

// Enumerations and texts.
%constant int MAX_ENUMS = MAX_ENUMS;
%constant int FMT_LEN = FMT_LEN;
%constant int NAME_LEN = NAME_LEN;
%constant int TEXT_LEN = TEXT_LEN;

// Value control kinds.
%constant int uxValueCtrl_enumerator = uxValueCtrl_enumerator;
%constant int uxValueCtrl_val = uxValueCtrl_val;
%constant int uxValueCtrl_bar = uxValueCtrl_bar;
%constant int uxValueCtrl_text = uxValueCtrl_text;
%constant int uxValueCtrl_val_float = uxValueCtrl_val_float;

// MIDI learn states.
%constant int STATE_MIDI_NONE = STATE_MIDI_NONE;
%constant int STATE_MIDI_CC_LEARN = STATE_MIDI_CC_LEARN;
%constant int STATE_MIDI_CC_ASSIGNED = STATE_MIDI_CC_ASSIGNED;

// Value-change flags.
%constant int FLAG_NONE = FLAG_NONE;
%constant int FLAG_REPAINT = FLAG_REPAINT;
%constant int FLAG_UPDATE_DS = FLAG_UPDATE_DS;
%constant int FLAG_UPDATE_ENGINE_IM = FLAG_UPDATE_ENGINE_IM;
%constant int FLAG_UPDATE_ENGINE = FLAG_UPDATE_ENGINE;
%constant int FLAG_SEND_CAN = FLAG_SEND_CAN;

// Value label states.
%constant int uxValueLabel_state_released = uxValueLabel_state_released;
%constant int uxValueLabel_state_rising = uxValueLabel_state_rising;
%constant int uxValueLabel_state_pressed = uxValueLabel_state_pressed;
%constant int uxValueLabel_state_2nd = uxValueLabel_state_2nd;

// Names.
%constant int PROG_NAME_SIZE = PROG_NAME_SIZE;

// Popup kinds.
%constant int popupValue = popupValue;
%constant int popupMsg = popupMsg;
%constant int popupDel = popupDel;
%constant int popupWT = popupWT;
%constant int popupPB = popupPB;
%constant int popupSize = popupSize;
%constant int popupAny = popupAny;

// Screen.
%constant int TOUCH_SCREEN_SAVE = TOUCH_SCREEN_SAVE;
