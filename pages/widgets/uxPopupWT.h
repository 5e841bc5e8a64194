#pragma once
// The popup that shows a whole wavetable as a stack of waves while one is being chosen,
// with the table's name in a band below.
#include <string>

#include "pages/widgets/WaveStack.h"
#include "pages/widgets/WidgetDraw.h"
#include "toolkit/uxPopup.h"

class uxPopupWT : public uxPopup {
 public:
  static constexpr uxCOLOR kFrame = 0x808080;
  static constexpr int kDisplayTime = 200;

  uxPopupWT(uxHost* manager, const char* name, uxPOINT pos, int16_t w, int16_t h, uxCOLOR background, uxCOLOR frame);

  // Draws the stack and the title once, when the wavetable flag is set; clears the flag.
  void OnUserPaint(uxDC* dc) override;

  void SetWavetable(const WaveTable* table) { table_ = table; }
  void SetShown(bool shown) { shown_ = shown; }
  void SetTitle(const std::string& title) { title_ = title; }
  bool Shown() const { return shown_; }
  // A bar over the name band while a chosen table is being prepared.
  void SetProgress(bool on, float maximum, float value) {
    progress_ = on;
    maximum_ = maximum;
    value_ = value;
  }
  bool ProgressOn() const { return progress_; }
  float ProgressValue() const { return value_; }
  int DisplayTime() const { return displayTime_; }

 private:
  const WaveTable* table_ = nullptr;
  std::string title_;
  int displayTime_ = kDisplayTime;
  int gridX_ = 15, gridY_ = 15;
  bool shown_ = false;
  bool progress_ = false;
  float maximum_ = 1.0f, value_ = 0.0f;
  widgets::GradientColumn gradient_;
};
