#pragma once
// A value drawn as a filled bar in one of seven directions, with an optional caption and,
// in one direction, a marker line.
#include <string>

#include "toolkit/uxBaseElement.h"

class uxBarCtrl : public uxBaseElement {
 public:
  uxBarCtrl(uxHost* manager, unsigned int id, int16_t x, int16_t y, int16_t w, int16_t h, uxCOLOR background,
            uxCOLOR frame, uxCOLOR bar);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  // Stores the level as it is, without the bound or a repaint.
  void SetScaleFactor(float v) override { level_ = v; }

  // Up to max; nothing holds the level above min.
  bool setLevel(float v);
  void setMarker(float v);
  void setMax(float v);
  void setMin(float v);
  void setBarColor(uxCOLOR c);
  void setBarColorNegativ(uxCOLOR c);
  // The orientation is one of the uxBarCtrl_ constants; scripts see this name for it.
  using eOrientation = int;
  void setOrientation(eOrientation o) { orientation_ = o; }
  void setText(const char* text) { text_ = text ? text : ""; }
  float getLevel() const { return level_; }
  float getMax() const { return max_; }
  float getMarker() const { return marker_; }
  const char* getText() const { return text_.c_str(); }
  uxCOLOR getBarColor() const { return bar_; }

 protected:
  // The bar, its text and frame, between a BeginPaint and EndPaint the caller makes.
  void DrawBar();
  float Bounded(float v) const { return v < max_ ? v : max_; }

  uxCOLOR background_;
  int x_, y_;
  int16_t w_, h_;
  float level_ = 0.0f;
  float marker_ = 0.0f;
  float max_ = 100.0f;
  float min_ = 0.0f;
  uxCOLOR bar_;
  uxCOLOR negative_;
  uxCOLOR frame_;
  int orientation_ = uxBarCtrl_BottomUp;
  std::string text_;
};
