#pragma once
// The parameter widget of every page: a rounded frame with its caption on the top edge, the
// value with a short unit beside it, and a marker for MIDI-controller learning. Its id is the
// parameter it edits; its user data holds the panel encoder slot it answers to in bits 0-11
// (slot / 8 is the encoder) and the part whose controllers it follows in bits 12-15. Encoder
// turns, a learned controller, the page's setters and touch all end in one ValueChanged call
// on the manager.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/Flavour.h"
#include "toolkit/uxBaseElement.h"

typedef struct enumItem {
  std::string text;
  uint32_t attr = 0;
  // The instrument remembers the unit that was current when the choice was added.
  std::string unit;
} tEnumItem;

using tEnumList = std::vector<tEnumItem>;

// Formats a value for display (flag false) or for reading a number back (flag true).
using uxConvertFn = const char* (*)(float value, bool flag);

class uxValueLabel : public uxBaseElement {
 public:
#if SYNTH_TOOLKIT_SCRIPT
  // Scripts may leave out the MIDI flag.
  uxValueLabel(uxHost* manager, const char* name, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR background, uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent,
               bool midi = false);
  uxValueLabel(uxHost* manager, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
               uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent, bool midi = false);
  uxValueLabel(uxHost* manager, const char* name, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR background, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent, bool midi = false);
  uxValueLabel(uxHost* manager, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
               uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent, bool midi = false);
#else
  uxValueLabel(uxHost* manager, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background,
               uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent, bool midi);
#endif

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  int OnMidiCC(int a, int part, int controller, int value) override;
  float GetFloatValue() override;

  // These take value-change flags for GUIManager::ValueChanged; FLAG_REPAINT also marks the
  // label dirty. They hide the base's one-argument slots, which stay as the base has them:
  // callers holding a base pointer reach those, as the binding expects.
  static constexpr unsigned kDefaultFlags = FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
  virtual void SetEnabled(bool enabled, bool force = false);
  virtual void SetTextValue(const char* text, unsigned flags = kDefaultFlags);
  virtual void SetIntValue(int value, unsigned flags = kDefaultFlags);
  virtual void SetFloatValue(float value, unsigned flags = kDefaultFlags);
#pragma GCC diagnostic pop
  virtual void SetFloatRawValue(float value);
  virtual float GetFloatRawValue() { return raw_; }

  void SetLabelText(const char* label, const char* unit = nullptr, int font = 13);
  void SetActive(bool active, bool force = false);
  bool isActive() const { return active_; }
  void SetEncoderMode(int type, int steps = 0);
  void EncoderStep(bool up);
  void AddEnumText(const char* text, uint32_t attr = 0);
  void ClearEnums();
  // The list belongs to the caller and must outlive the label; null returns to the own list.
  void SetEnumRef(tEnumList* list);
  const char* getEnumText(int i) const;
  uint32_t getEnumAttr(int i) const;
  const char* getLabelText() const { return label_.c_str(); }
  const char* getText() const { return text_.c_str(); }
  const char* getUnitText() const { return unit_.c_str(); }
  float convert(float v) const;

  void setConvertFunction(uxConvertFn fn) { convert_ = fn; }
  void set2nd(bool on) { second_ = on; }
  bool get2nd() const { return second_; }
  void setEnableMidiCC(bool on);
  void setEncoderNotifications(int flags) { notifyFlags_ = static_cast<unsigned>(flags); }
  void setGrayedText(const char* text) { grayedText_ = text ? text : ""; }
  void setEncoderFactor(float factor, const char* text);

  int GetMidiState() const { return midiState_; }
  int GetTouchState() const { return touchState_; }
  int GetChangeTicks() const { return changeTicks_; }
  int GetStepCount() const { return steps_; }
  int GetValueType() const { return type_; }
  const char* GetControllerText() const { return ccText_; }

 private:
  uxValueLabel(uxHost* manager, const char* name, int id, uint32_t userData, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR background, uxCOLOR accentBorder, uxCOLOR titleText, uxCOLOR text, uxCOLOR textAccent,
               bool midi, int);
  // What a formatter gave, "" for null.
  const char* Format(float v, bool flag) const;
  float MapController(int u) const;
  void ShowEntry(int index);
  void Report(float value, unsigned flags);
  void LongPress();

  uxCOLOR background_;
  uxCOLOR accentBorder_;
  uxCOLOR text_colour_;
  uxCOLOR titleText_;
  uxCOLOR textAccent_;
  uxCOLOR border_;
  std::string label_ = "test";
  std::string text_ = "000";
  uint32_t attr_ = 0;
  std::string format_ = "%.0f";
  std::string grayedText_ = "-";
  uxConvertFn convert_ = nullptr;
  std::string unit_;
  std::string fullUnit_;
  int inset_ = 6;
  bool drawFrame_ = true;
  tEnumList* enums_;
  tEnumList ownEnums_;
  int type_ = -1;
  float value_ = 0.0f;
  float raw_ = 0.0f;
  int pair_ = 0;
  int steps_ = 0;
  int touchState_ = uxValueLabel_state_released;
  int pressTicks_ = 0;
  int midiState_ = STATE_MIDI_NONE;
  char ccText_[8] = {};
  bool midiEnabled_;
  bool forceRepaint_ = false;
  unsigned notifyFlags_ = FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM | FLAG_SEND_CAN;
  bool second_ = false;
  int changeTicks_ = 0;
  bool active_ = true;
  float factor_ = 1.0f;
  std::string factorText_;
  std::mutex listMutex_;
  int valueFont_ = 13;
};
