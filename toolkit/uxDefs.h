#pragma once
// The toolkit's plain records and every constant the widgets, the two GUI managers and the
// script binding share. One set of numbers for both flavours.
#include <cstdint>

// A colour as the framebuffer holds it: 0x00RRGGBB.
using uxCOLOR = uint32_t;

// The record every toolkit message travels in. Constructors zero every field they are not
// given: records reach Python and the instrument's message queue whole, so an unset word
// would carry whatever the stack held.
typedef struct tagUX_Message {
  uint32_t type;
  uint32_t param;
  uint32_t flag;
  uint32_t arg;
  void* pData;
  int32_t m_x;
  int32_t m_y;
  int32_t m_evt_type;

  tagUX_Message() : tagUX_Message(0) {}
  explicit tagUX_Message(int type_)
      : type(static_cast<uint32_t>(type_)), param(0), flag(0), arg(0), pData(nullptr), m_x(0), m_y(0),
        m_evt_type(0) {}
  tagUX_Message(int type_, int param_, int flag_) : tagUX_Message(type_) {
    param = static_cast<uint32_t>(param_);
    flag = static_cast<uint32_t>(flag_);
  }
  tagUX_Message(int type_, int param_, int flag_, void* data) : tagUX_Message(type_, param_, flag_) {
    pData = data;
  }
  tagUX_Message(int type_, int param_, void* data) : tagUX_Message(type_) {
    param = static_cast<uint32_t>(param_);
    pData = data;
  }
  tagUX_Message(int type_, int param_, void* data, int flag_) : tagUX_Message(type_, param_, flag_) {
    pData = data;
  }
  // Touch messages.
  tagUX_Message(int type_, int x, int y, int evtType) : tagUX_Message(type_) {
    m_x = x;
    m_y = y;
    m_evt_type = evtType;
  }
} tUX_Message;

typedef struct tag_uxPOINT {
  int32_t x = 0;
  int32_t y = 0;
  tag_uxPOINT() = default;
  tag_uxPOINT(int32_t x_, int32_t y_) : x(x_), y(y_) {}
} uxPOINT;

typedef struct tag_uxRECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width = 0;
  int32_t height = 0;

  tag_uxRECT() = default;
  // Sizes wrap rather than overflow for rectangles wider than the int range.
  tag_uxRECT(int32_t l, int32_t t, int32_t r, int32_t b)
      : left(l), top(t), right(r), bottom(b), width(static_cast<int32_t>(int64_t{r} - l)),
        height(static_cast<int32_t>(int64_t{b} - t)) {}
  tag_uxRECT(int32_t l, int32_t t, int32_t r, int32_t b, int32_t w, int32_t h)
      : left(l), top(t), right(r), bottom(b), width(w), height(h) {}

  void move(int32_t dx, int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  void size(int32_t w, int32_t h) {
    setWidth(w);
    setHeight(h);
  }
  void setWidth(int32_t w) {
    right = left + w;
    width = w;
  }
  void setHeight(int32_t h) {
    bottom = top + h;
    height = h;
  }
} uxRECT;

// Message ids (tagUX_Message::type).
inline constexpr uint32_t UX_MSG_TOUCH_EVENT = 256;
inline constexpr uint32_t UX_MSG_KEY = 257;
inline constexpr uint32_t UX_MSG_ENCODER = 258;
inline constexpr uint32_t UX_MSG_FOCUS = 259;
inline constexpr uint32_t UX_MSG_POPUP_SHOW = 260;
inline constexpr uint32_t UX_MSG_POPUP_HIDE = 261;
inline constexpr uint32_t UX_MSG_VALUES_CHANGED = 262;
inline constexpr uint32_t UX_MSG_TAB_SELECT = 263;
inline constexpr uint32_t UX_MSG_LIST_SELECT = 264;
inline constexpr uint32_t UX_MSG_PANEL_CTRL = 265;
inline constexpr uint32_t UX_MSG_ON_BUTTON = 266;
inline constexpr uint32_t UX_MSG_OFF_BUTTON = 267;
inline constexpr uint32_t UX_MSG_TABLE_ITEM_SEL = 268;
inline constexpr uint32_t UX_MSG_ACTIVATE_MODUL = 269;
inline constexpr uint32_t UX_MSG_CLOSE_PANEL = 270;
inline constexpr uint32_t UX_MSG_ON_LABEL = 271;
inline constexpr uint32_t UX_MSG_TICK_EVENT = 272;
inline constexpr uint32_t EN_MSG_SET_VALUE = 273;
inline constexpr uint32_t UX_MSG_ENCODER_EVENT = 274;
inline constexpr uint32_t UX_MSG_ENCODER_VALUE_CHANGED = 275;
inline constexpr uint32_t UX_MSG_ASSIGN_DESTINATION = 276;
inline constexpr uint32_t UX_MSG_ASSIGN_SOURCE = 277;
inline constexpr uint32_t UX_MSG_REPAINT = 278;
inline constexpr uint32_t UX_MSG_PART_CHANGED = 279;
inline constexpr uint32_t UX_MSG_BPM_QN_TICK = 280;
// The instrument's own: a clip changed, and the SIGUSR1 request to rescan the files.
inline constexpr uint32_t APP_MSG_CLIP_CHANGED = 281;
inline constexpr uint32_t APP_MSG_RESCAN_FILES = 283;

// Key codes in the param of UX_MSG_KEY.
inline constexpr int UX_PARAM_ENTER = 1;
inline constexpr int UX_PARAM_BACK = 2;
inline constexpr int UX_PARAM_ESC = 3;
inline constexpr int UX_PARAM_INC = 4;
inline constexpr int UX_PARAM_DEC = 5;
inline constexpr int UX_PARAM_MENU = 6;
inline constexpr int UX_PARAM_STORE = 7;
inline constexpr int UX_PARAM_SELECT = 8;

inline constexpr int UX_NOTIFY_REPAINT = 0;
inline constexpr int UX_NOTIFY_ENTER = 1;
inline constexpr int UX_NOTIFY_LEAVE = 2;
inline constexpr int UX_NOTIFY_DESELECT = 3;
inline constexpr int UX_NOTIFY_SELECT = 4;
inline constexpr int UX_NOTIFY_HIDE = -1;

// Touch types in m_evt_type.
inline constexpr int TYPE_MOVE = 0;
inline constexpr int TYPE_PRESS = 1;
inline constexpr int TYPE_RELEASE = 2;

// Value-change flags: which holders of a parameter follow a change.
inline constexpr unsigned FLAG_NONE = 0;
inline constexpr unsigned FLAG_REPAINT = 1;
inline constexpr unsigned FLAG_UPDATE_DS = 2;
inline constexpr unsigned FLAG_UPDATE_ENGINE_IM = 4;
inline constexpr unsigned FLAG_UPDATE_ENGINE = 8;
inline constexpr unsigned FLAG_SEND_CAN = 16;

inline constexpr int STATE_MIDI_NONE = 0;
inline constexpr int STATE_MIDI_CC_LEARN = 1;
inline constexpr int STATE_MIDI_CC_ASSIGNED = 2;

inline constexpr int uxValueLabel_state_released = 0;
inline constexpr int uxValueLabel_state_rising = 1;
inline constexpr int uxValueLabel_state_pressed = 2;
inline constexpr int uxValueLabel_state_2nd = 3;

inline constexpr int popupValue = 0;
inline constexpr int popupMsg = 1;
inline constexpr int popupDel = 2;
inline constexpr int popupWT = 3;
inline constexpr int popupPB = 4;
inline constexpr int popupSize = 5;
inline constexpr int popupAny = -1;

inline constexpr int CAPTION_HEIGHT = 40;
inline constexpr int OPTION_FLAG_CAPTION = 1;
inline constexpr int OPTION_FLAG_CLOSE = 2;

inline constexpr bool EXCLUSIVE_REGION = true;
inline constexpr int FONT_SELECTED = -1;
inline constexpr const char* PATH_IMAGES = "/usr/share/ruv/gui/";
inline constexpr int TOUCH_SCREEN_SAVE = 1;

inline constexpr int FMT_LEN = 32;
inline constexpr int NAME_LEN = 32;
inline constexpr int TEXT_LEN = 32;
inline constexpr int PROG_NAME_SIZE = 14;
inline constexpr int MAX_ENUMS = 9;

inline constexpr int AVERAGE_BUF = 32;
inline constexpr int STRETCH_VAL = 8;
inline constexpr int SLIDER_WIDTH = 10;
inline constexpr int WT_FACT = 2;
inline constexpr int WT_FACT2 = 3;
inline constexpr int WT_INTERLEAVE = 5;
inline constexpr int WT_POS_X = 160;
inline constexpr int WT_POS_Y = 34;
inline constexpr int WT_WIDTH = 280;
inline constexpr int WT_HEIGHT = 24;

inline constexpr int ButtonBackgroundColor = 0;
inline constexpr int ButtonBoundingColor = 1;
inline constexpr int ButtonCheckColor = 2;
inline constexpr int ButtonTextColor = 3;
inline constexpr int ButtonSelectColor = 4;
inline constexpr int BtnModeToggle = 0;
inline constexpr int BtnModeGridToggle = 1;
inline constexpr int BtnModeSelectable = 2;

inline constexpr int uxBarCtrl_LeftRight = 0;
inline constexpr int uxBarCtrl_RightLeft = 1;
inline constexpr int uxBarCtrl_BottomUp = 2;
inline constexpr int uxBarCtrl_TopDown = 3;
inline constexpr int uxBarCtrl_verticalBipolar = 4;
inline constexpr int uxBarCtrl_horicontalBipolar = 5;
inline constexpr int uxBarCtrl_horicontalBipolarMarker = 6;
inline constexpr int uxPeakMeter_LeftRight = 0;
inline constexpr int uxPeakMeter_RightLeft = 1;
inline constexpr int uxPeakMeter_BottomUp = 2;
inline constexpr int uxPeakMeter_TopDown = 3;
inline constexpr int uxPeakMeter_verticalBipolar = 4;
inline constexpr int uxPeakMeter_horicontalBipolar = 5;

inline constexpr int uxTableCtrl_Drag = 0;
inline constexpr int uxTableCtrl_Radio = 1;
inline constexpr int uxTableCtrl_Set = 2;
inline constexpr int uxTableCtrl_Toggle = 3;
inline constexpr int uxTableCtrl_RadioToggle = 4;
inline constexpr int uxTableCtrl_touchonly = 0;
inline constexpr int uxTableCtrl_touch_datawheel = 1;

inline constexpr int uxValueCtrl_enumerator = 0;
inline constexpr int uxValueCtrl_val = 1;
inline constexpr int uxValueCtrl_bar = 2;
inline constexpr int uxValueCtrl_text = 3;
inline constexpr int uxValueCtrl_val_float = 4;

inline constexpr int CORE_GUI = 0;
inline constexpr int DEVICE_PX415 = 1;
inline constexpr const char* DEVICE_TYPE_STRING = "TGUI";
inline constexpr const char* SOFTWARE_VERSION = "0.9";
inline constexpr const char* SOFTWARE_RELEASE = "Beta";

inline constexpr double PI = 3.141592653589793;
inline constexpr double TWO_PI = 6.283185307179586;
inline constexpr double LOG_10 = 2.302585093;

// The appliance is 32-bit ARM: the message record is eight 32-bit words there. On a 64-bit
// host only the pointer widens, so nothing may serialise the record by its size.
static_assert(sizeof(void*) != 4 || sizeof(tagUX_Message) == 32, "message record is eight words on the target");
static_assert(sizeof(uxRECT) == 24 && sizeof(uxPOINT) == 8);
