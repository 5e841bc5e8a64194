#pragma once
// A plot of one or two curves of points, one point per pixel column (waveforms,
// envelopes, transfer curves, frequency responses), on a linear, logarithmic or
// caller-defined x axis and a linear or decibel level axis, with grid, marks, a marker
// line, texts, a highlighted band and an optional knob band below. A touch becomes a
// button message carrying the view's user data.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pages/widgets/WidgetDraw.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

class uxScopeView : public uxBaseElement {
 public:
  static constexpr int kMarks = 18;
  static constexpr int kDottedMark = 16;  // mark 17
  static constexpr int kGreyMark = 17;    // mark 18
  struct Point {
    float a = 0.0f;
    float b = -1.0f;
    std::array<uint8_t, kMarks> marks{};
  };
  enum XMode { kLinear = 0, kLog = 1, kLinear2 = 2, kCallback = 3 };
  enum YMode { kLevelLinear = 0, kLevelDecibel = 2 };
  enum Interpolation { kNearest = 0, kLinearInterp = 1, kCubic = 2 };

  uxScopeView(uxHost* manager, uint32_t userData, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background,
              uxCOLOR frame, uxBaseElement* owner, bool captionBand, int curveStyle, int options, bool cacheImage);
  ~uxScopeView() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // One record per pixel column; the owner writes them.
  Point* Points() { return points_.data(); }
  int PointCount() const { return rect_.width - 1; }
  void ClearMarks();

  // Position 0..1 of point i on the x axis.
  float Position(int i) const;
  // Stores the axis' logarithms; a logarithmic axis needs 0 < min < max.
  void UpdateLogAxis();
  // Channel A (true) or B at position f (0..1) of the points, interpolated.
  float Sample(float f, bool channelA) const;

  void SetXAxis(int mode, float min, float max);
  void SetCallback(std::function<float(float)> callback) { callback_ = std::move(callback); }
  void SetLevelAxis(int mode, float dbMin, float dbMax);
  void SetInterpolation(int mode) { interpolation_ = mode; }
  void SetGrid(int x, int y);
  void SetMarkChannelA(bool a) { markOnA_ = a; }
  bool MarkChannelA() const { return markOnA_; }
  void SetCursor(int column) { cursor_ = column; }
  void SetMarker(int column) { marker_ = column; }
  void SetMarkerText(const std::string& text) { markerText_ = text; }
  int Marker() const { return marker_; }
  const std::string& TopRight() const { return topRight_; }
  const std::string& TopLeft() const { return topLeft_; }
  void SetTexts(const std::string& topRight, const std::string& topLeft, const std::string& bottomLeft);
  void SetHighlight(bool on, int top, int bottom);
  bool Highlighted() const { return highlight_; }
  int HighlightTop() const { return highlightTop_; }
  int HighlightBottom() const { return highlightBottom_; }
  void SetKnob(int position, int offset);

 private:
  void PaintPlot(int P, int W);
  void PaintOverlay(int P, int W);
  void PaintBand(int P, int W);
  // Curve height of a channel at column i, by the level axis and the curve style.
  float Level(int i, bool channelA) const;

  std::vector<Point> points_;
  uxCOLOR background_;
  uxCOLOR frame_;
  uxCOLOR curve_ = 0xFFFFFF;
  [[maybe_unused]] uxBaseElement* owner_;
  int band_;
  int curveStyle_;
  int options_;
  bool cache_;
  bool markOnA_ = true;
  int cursor_ = -1;
  int knob_ = 0;
  int knobOffset_ = 0;
  bool bandDirty_ = true;
  int gridX_ = -1;
  int gridY_ = -1;
  int marker_ = -1;
  std::string markerText_ = "TEST";
  std::string topRight_, topLeft_, bottomLeft_;
  bool highlight_ = false;
  int highlightTop_ = 0;
  int highlightBottom_ = 0;
  int xMode_ = kLinear;
  float xMin_ = 0.0f, xMax_ = 0.0f;
  float logMin_ = 0.0f, logMax_ = 0.0f;
  bool logValid_ = false;
  std::function<float(float)> callback_;
  int yMode_ = kLevelLinear;
  float dbMin_ = 0.0f, dbMax_ = 0.0f;
  int interpolation_ = kNearest;
  tImage image_;
  widgets::GradientColumn gradient_;
};
