#pragma once
// What a part's and an external track's MIDI input pages share: the key-range keyboard, the
// velocity-curve display, the port/channel texts and the value labels, each a global setting
// of the page's number (UID = 0x100000 | number << 12 | setting). A turned label changes the
// keyboard, the curve or a port text, and a change of input, key range or transposition
// stops the notes of the part the number names.
#include <cstdint>
#include <vector>

#include "toolkit/uxPanelCtrl.h"

class PageServices;
class uxCurveCtrl;
class uxGroup;
class uxLabel;
class uxPianoCtrl;
class uxValueLabel;

class MidiInputPage : public uxPanelCtrl {
 public:
  enum class Role { kInput, kOutput, kStart, kEnd, kTranspose, kCurve, kBend };
  struct LabelSpec {
    int setting;  // bits 0-11 of the UID
    int slot;     // encoder * 8 + position
    Role role;
    const char* text;
    const char* unit;
    std::vector<const char*> choices;
    int encoderMode;
    int encoderSteps;
    float initial;
    int16_t x, y;
    bool checked;
  };
  struct Layout {
    const char* title;
    uxCOLOR titleColour;
    const char* inputFormat;   // "P%d:Chn%d"-like, port then channel
    const char* outputFormat;  // null: no output label
    int16_t groupAHeight;
  };

  static constexpr uint32_t kSettingBit = 0x100000;
  static constexpr int kKeyboardEnd = 109;

  uint32_t Uid(int setting) const { return kSettingBit | static_cast<uint32_t>(number_) << 12 | setting; }

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Shows the stored values of the page's number.
  void LoadValues(int number);
  // What a turned value changes beside its label.
  void ApplyValue(int slot, float value);

  int Number() const { return number_; }
  uxValueLabel* Label(int index) const { return labels_[index]; }
  int LabelCount() const { return static_cast<int>(labels_.size()); }
  // The label of a setting, null when the page has none.
  uxValueLabel* LabelOf(int setting) const;
  uxPianoCtrl* Keyboard() const { return keyboard_; }
  uxCurveCtrl* Curve() const { return curve_; }
  float CurveAmount() const { return curveAmount_; }
  const char* InputText() const;
  const char* OutputText() const;

 protected:
  // `specs` in the order turned labels are applied.
  MidiInputPage(PageServices* services, int number, const char* name, uxPOINT pos, int16_t w, int16_t h,
                uxCOLOR colour, const Layout& layout, const std::vector<LabelSpec>& specs);

 private:
  void ShowPort(uxLabel* label, const char* format, float value);
  void SetCurve(float value);

  PageServices* services_;
  int number_;
  Layout layout_;
  std::vector<LabelSpec> specs_;
  uxPianoCtrl* keyboard_;
  uxGroup* groupA_;
  uxGroup* groupB_;
  std::vector<uxValueLabel*> labels_;
  uxCurveCtrl* curve_;
  uxLabel* title_;
  uxLabel* input_;
  uxLabel* output_ = nullptr;
  float curveAmount_ = 0.0f;
};
