#pragma once
// The front panel's fixed vocabulary: frame ids and command bytes, the shortest frame each
// command can be read from, the focus numbers of the panel's module keys and what each panel
// key does. Kept as data so the receive path only looks rows up.
#include <cstdint>

namespace panel {

// Frame ids.
inline constexpr uint16_t kMidiId = 16;
inline constexpr uint16_t kBeatId = 32;
inline constexpr uint16_t kControlId = 40;
inline constexpr uint16_t kEncoderFirst = 144;
inline constexpr uint16_t kEncoderLast = 148;
inline constexpr uint16_t kKeyFirst = 149;
inline constexpr uint16_t kKeyLast = 156;
inline constexpr uint16_t kValueFirst = 256;
inline constexpr uint16_t kValueLast = 766;
inline constexpr uint16_t kMasterVolumeId = 416;
inline constexpr uint16_t kHeadphoneId = 417;

// Command bytes (byte 0).
inline constexpr uint8_t kSelectPart = 0xA0;
inline constexpr uint8_t kFocus = 0xA1;
inline constexpr uint8_t kPanelMode = 0xA2;
inline constexpr uint8_t kAssignSource = 0xA4;
inline constexpr uint8_t kShutdown = 0xA5;
inline constexpr uint8_t kTogglePlay = 0xA7;
inline constexpr uint8_t kValue = 0xB0;
inline constexpr uint8_t kText = 0xC0;
inline constexpr uint8_t kTextRest = 0xC1;
inline constexpr uint8_t kAssign = 0xE0;
inline constexpr uint8_t kAltText = 0xE0;
inline constexpr uint8_t kAltTextRest = 0xE1;

// Value kinds of a {0xB0, part, kind, ...} frame.
inline constexpr uint8_t kByteKind = 9;
inline constexpr uint8_t kEnumKind = 10;
inline constexpr uint8_t kByteKind2 = 11;
constexpr bool IsFloatKind(int kind) { return (kind >= 1 && kind <= 8) || kind == kEnumKind; }
constexpr bool IsByteKind(int kind) { return kind == kByteKind || kind == kByteKind2; }

// A frame shorter than what its command reads would hand stale bytes on as a value.
inline constexpr uint8_t kFloatFrame = 7;  // command, part, kind, float
inline constexpr uint8_t kByteFrame = 4;   // command, part, kind, byte
inline constexpr uint8_t kMidiFrame = 4;
inline constexpr uint8_t kControlFrame = 2;  // command, argument

// Text frames: twelve characters in two frames of up to six.
inline constexpr int kTextMax = 12;
inline constexpr int kTextChunk = 6;

// The module panel each focus number {0xA1, n} opens.
inline constexpr int kFocusPanels[] = {8, 6, 9, 7, 0, 1, 2, 5, 3, 4, 10, 11, 12, 13};
inline constexpr int kFocusCount = sizeof kFocusPanels / sizeof kFocusPanels[0];

// Panel 14 is the modulation-assignment panel.
inline constexpr int kAssignPanel = 14;

// Key codes: 134 the alternative (shifted) press, 133 its release on the power key.
inline constexpr uint8_t kAltPress = 134;
inline constexpr uint8_t kAltRelease = 133;
inline constexpr uint8_t kScreenDumpCode = 134;
inline constexpr uint16_t kScreenDumpEncoder = 147;

// Messages some keys give the main tab control after switching the tab.
enum class KeyMessages : uint8_t {
  kNone,
  kCloseAll,           // {270, -1, 0}
  kCloseAllFocus,      // {270, -1, 0} then {259, 278, 0}
  kEnter,              // {257, UX_PARAM_ENTER, 0}
  kOpenAssign,         // {270, 14, 1}, {269, 14, 1, arg -1} unless the assignment panel is open
};

enum class Shutdown : int8_t { kKeep = 0, kArm = 1, kDisarm = -1 };

struct KeyAction {
  int8_t tab;  // active tab of the main tab control, -1 unchanged
  KeyMessages messages;
  bool clearPanel;  // the current panel becomes -1
  Shutdown shutdown;
};

inline constexpr KeyAction kNothing{-1, KeyMessages::kNone, false, Shutdown::kKeep};

struct KeyRow {
  uint16_t id;
  int16_t onlyCode;  // the "other" column applies only to this code; -1 any
  KeyAction release;  // code 133
  KeyAction alt;      // code 134
  KeyAction other;
};

inline constexpr KeyRow kKeyRows[] = {
    {148, 132, kNothing, kNothing, {2, KeyMessages::kNone, false, Shutdown::kKeep}},
    {149, -1, kNothing, {5, KeyMessages::kNone, true, Shutdown::kKeep}, {4, KeyMessages::kNone, true, Shutdown::kKeep}},
    {150, -1, kNothing, {7, KeyMessages::kNone, true, Shutdown::kKeep}, {-1, KeyMessages::kOpenAssign, true, Shutdown::kKeep}},
    {151, -1, kNothing, {0, KeyMessages::kNone, true, Shutdown::kKeep}, {1, KeyMessages::kNone, true, Shutdown::kKeep}},
    {152, -1, kNothing, {6, KeyMessages::kCloseAll, true, Shutdown::kKeep}, {3, KeyMessages::kCloseAll, true, Shutdown::kKeep}},
    {153, -1, kNothing, {8, KeyMessages::kNone, false, Shutdown::kKeep}, {-1, KeyMessages::kCloseAllFocus, false, Shutdown::kKeep}},
    {154, -1, {-1, KeyMessages::kNone, false, Shutdown::kDisarm}, {9, KeyMessages::kNone, false, Shutdown::kArm}, {-1, KeyMessages::kEnter, false, Shutdown::kKeep}},
    {155, -1, kNothing, {7, KeyMessages::kNone, false, Shutdown::kKeep}, {7, KeyMessages::kNone, false, Shutdown::kKeep}},
    {156, -1, kNothing, {6, KeyMessages::kNone, false, Shutdown::kKeep}, {6, KeyMessages::kNone, false, Shutdown::kKeep}},
};

// The panel's SelectPart buttons on the Master page are button ids 8 to 11.
inline constexpr int kPartButtonBase = 8;

}  // namespace panel
