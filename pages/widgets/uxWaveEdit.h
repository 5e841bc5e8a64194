#pragma once
// A 16-step wave drawn and edited by touch (the LFO's user wave): each step has a level
// 0..1, and the glide sets how much of a step the move to its level takes.
#include <array>
#include <cstdint>

#include "pages/widgets/WidgetDraw.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

class uxWaveEdit : public uxBaseElement {
 public:
  static constexpr int kSteps = 16;
  static constexpr int kMaxSamples = 512;

  uxWaveEdit(uxHost* manager, uint32_t userData, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background,
             uxCOLOR frame, uxCOLOR fill, uxCOLOR handles);
  ~uxWaveEdit() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // Above 1 gives no glide, below 0 a glide over the whole step, else 1 - value; rebuilds
  // the curve and asks for a repaint.
  void SetGlide(float value);
  // Rebuilds the curve from the levels and the glide.
  void SetCurve();
  void SetLevel(int step, float level);
  float Level(int step) const;
  float Glide() const { return glide_; }
  const float* Curve() const { return curve_.data(); }
  int CurveLength() const { return curveLength_; }
  void SetPosition(int column) { position_ = column; }
  int TouchColumn() const { return touchX_; }
  int TouchRow() const { return touchY_; }

 private:
  int CurveY(float level) const;

  uxCOLOR background_, frame_, handles_;
  [[maybe_unused]] uxCOLOR fill_;
  int innerWidth_;
  int innerHeight_;
  std::array<float, kSteps> levels_{};
  std::array<float, kMaxSamples> curve_{};
  int curveLength_ = 0;
  float glide_ = 0.0f;
  int touchX_ = -1;
  int touchY_ = -1;
  int touchStep_ = 0;
  bool editing_ = false;
  int position_ = -1;
  tImage image_;
  widgets::GradientColumn gradient_;
};
