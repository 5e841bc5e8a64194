#pragma once
// One line of a script's parameter row: a caption, then the value as a choice text, a number,
// a bar, a free text or a scaled number.
#include "toolkit/Flavour.h"
#if SYNTH_TOOLKIT_SCRIPT
#include "toolkit/uxBaseElement.h"

class uxValueCtrl : public uxBaseElement {
 public:
  // Scripts give the kind as any int; a fixed type makes every one a value of it, and a kind
  // not listed paints the caption alone.
  enum CtrlType : int {
    uxValueCtrl_enumerator = 0,
    uxValueCtrl_val = 1,
    uxValueCtrl_bar = 2,
    uxValueCtrl_text = 3,
    uxValueCtrl_val_float = 4,
  };
  struct tENUM {
    uint8_t val = 0;
    // Scripts hand over texts that are freed after the call: keep a copy.
    char text[TEXT_LEN] = {};
  };
  using Formula = float (*)(int);

  uxValueCtrl(uxHost* manager, int id, unsigned int data, const char* caption, uxPOINT pos, int16_t w, int16_t h,
              CtrlType kind, uxCOLOR label, uxCOLOR value, uxCOLOR background, const char* format);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  void Select(bool selected) override { selected_ = selected; }
  void SetTextValue(char* text) override;
  int GetIntValue() override { return value_; }
  const char* GetStringValue() override { return text_; }
  int GetMaxValue() override;
  int GetMinValue() override;
  void SetScaleFactor(float factor) override { scale_ = factor; }
  float GetScaleFactor() override { return scale_; }
  virtual int SetValue(int v);
  virtual void Inverse(bool inverse) { inverse_ = inverse; }

  void SetMinMax(float min, float max);
  void SetEnumValue(unsigned char val, const char* text);
  void SetFormular(Formula f) { formula_ = f; }
  const char* GetFormat() const { return format_; }
  int GetEnumCount() const { return count_; }

 private:
  uxCOLOR label_;
  uxCOLOR valueColour_;
  uxCOLOR background_;
  char text_[TEXT_LEN] = {};
  char caption_[NAME_LEN] = {};
  char format_[FMT_LEN] = {};
  int value_ = 0;
  CtrlType kind_;
  int barWidth_;
  int formatLen_;
  tENUM enums_[MAX_ENUMS];
  int count_ = 0;
  float min_ = 0.0f;
  float max_ = 100.0f;
  float barScale_ = 0.0f;
  float scale_ = 1.0f;
  bool inverse_ = false;
  Formula formula_ = nullptr;
};
#endif
