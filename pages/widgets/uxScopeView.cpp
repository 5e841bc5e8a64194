#include "pages/widgets/uxScopeView.h"

#include <algorithm>
#include <cmath>

using widgets::Short;

namespace {

constexpr uxCOLOR kGrid = 0x202020;
constexpr uxCOLOR kGridMajor = 0x3C3C3C;
constexpr uxCOLOR kGreyLine = 0x404040;
constexpr uxCOLOR kHighlightEdge = 0xFF1010;
// The band between the edges is tinted just enough to read as one area.
constexpr uxCOLOR kHighlightFill = 0x301818;
constexpr uxCOLOR kChannelB = 0xC00000;
constexpr uxCOLOR kMarkerLine = 0xFFFF00;
constexpr uxCOLOR kTextBack = 0x303030;
constexpr uxCOLOR kRed = 0xFF0000;
constexpr int kCaptionBand = 20;
constexpr int kBaseMargin = 30;  // rows below a unipolar curve's zero line
constexpr int kDbStep = 6;
constexpr int kMaxDbLines = 200;
constexpr int kLabelFont = 1;
constexpr int kTextFont = 9;
constexpr int kMarkerFont = 7;
constexpr const char* kDecadeLabels[5] = {"10Hz", "100Hz", "1kHz", "10kHz", "100kHz"};

}  // namespace

uxScopeView::uxScopeView(uxHost* manager, uint32_t userData, uxPOINT* pos, int16_t w, int16_t h,
                         uxCOLOR background, uxCOLOR frame, uxBaseElement* owner, bool captionBand, int curveStyle,
                         int options, bool cacheImage)
    : uxBaseElement(manager, -1, userData, "ScopeView"),
      points_(static_cast<std::size_t>(std::max<int>(w, 0))),
      background_(background),
      frame_(frame),
      owner_(owner),
      band_(captionBand ? kCaptionBand : 0),
      curveStyle_(curveStyle),
      options_(options),
      cache_(cacheImage) {
  const int x = pos ? pos->x : 0, y = pos ? pos->y : 0;
  rect_ = uxRECT(x, y, x + w, y + h, w, h);
  enabled_ = true;
  const int plot = std::max(0, h - band_);
  if (cache_ && dc_ && w > 0 && plot > 0) image_ = dc_->allocImage(uxRECT(0, 0, w, plot), "uxScopeView image");
  gradient_.Init(plot, [](int row) { return widgets::GradientBlue(48.0f + 0.9f * static_cast<float>(row)); });
}

uxScopeView::~uxScopeView() {
  if (dc_) dc_->freeImage(&image_);
}

void uxScopeView::ClearMarks() {
  for (Point& p : points_) p.marks.fill(0);
}

void uxScopeView::SetXAxis(int mode, float min, float max) {
  xMode_ = mode;
  xMin_ = min;
  xMax_ = max;
}

void uxScopeView::SetLevelAxis(int mode, float dbMin, float dbMax) {
  yMode_ = mode;
  dbMin_ = dbMin;
  dbMax_ = dbMax;
}

void uxScopeView::SetGrid(int x, int y) {
  gridX_ = x;
  gridY_ = y;
}

void uxScopeView::SetTexts(const std::string& topRight, const std::string& topLeft, const std::string& bottomLeft) {
  topRight_ = topRight;
  topLeft_ = topLeft;
  bottomLeft_ = bottomLeft;
}

void uxScopeView::SetHighlight(bool on, int top, int bottom) {
  highlight_ = on;
  highlightTop_ = top;
  highlightBottom_ = bottom;
}

void uxScopeView::SetKnob(int position, int offset) {
  knob_ = position;
  knobOffset_ = offset;
  bandDirty_ = true;
}

void uxScopeView::UpdateLogAxis() {
  if (xMode_ != kLog) return;
  // A logarithm of zero or less has no place on the axis: such a range shows no decades
  // and puts every point at 0 rather than at NaN.
  logValid_ = std::isfinite(xMin_) && std::isfinite(xMax_) && xMin_ > 0.0f && xMax_ > xMin_;
  logMin_ = logValid_ ? std::log10(xMin_) : 0.0f;
  logMax_ = logValid_ ? std::log10(xMax_) : 0.0f;
}

float uxScopeView::Position(int i) const {
  const float t = static_cast<float>(i) / static_cast<float>(PointCount() + 1);
  switch (xMode_) {
    case kLinear:
    case kLinear2:
      return t;
    case kLog:
      if (!logValid_) return 0.0f;
      return std::pow(10.0f, logMin_ + (logMax_ - logMin_) * t) / (xMax_ - xMin_);
    case kCallback:
      return callback_ ? callback_(t) : 0.0f;
    default:
      return 0.0f;
  }
}

float uxScopeView::Sample(float f, bool channelA) const {
  const int n = static_cast<int>(points_.size());
  if (n == 0) return 0.0f;
  if (!std::isfinite(f)) f = 0.0f;
  const int last = n - 1;
  // Every mode keeps to the records: positions past 1 (the logarithmic axis gives a
  // little more than 1 at its end, callbacks anything) read the last one.
  const float x = std::clamp(f * static_cast<float>(PointCount() - 1), 0.0f, static_cast<float>(last));
  const int i = static_cast<int>(x);
  const float t = x - static_cast<float>(i);
  auto at = [&](int k) {
    const Point& p = points_[static_cast<std::size_t>(std::clamp(k, 0, last))];
    return channelA ? p.a : p.b;
  };
  switch (interpolation_) {
    case kLinearInterp:
      return at(i) + (at(i + 1) - at(i)) * t;
    case kCubic: {
      const float p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
      return p1 + ((p2 - p0) * 0.5f +
                   (2.0f * p2 + p0 - (p3 + 5.0f * p1) * 0.5f + ((p1 - p2) * 3.0f - p0 + p3) * 0.5f * t) * t) *
                      t;
    }
    default:
      return at(i);
  }
}

float uxScopeView::Level(int i, bool channelA) const {
  float v = std::clamp(Sample(Position(i), channelA), -1.0f, 1.0f);
  if (yMode_ == kLevelDecibel) {
    const float db = v > 0.0f ? 20.0f * std::log10(v) : -999.0f;
    const float range = dbMax_ - dbMin_;
    v = range != 0.0f ? (db - dbMin_) / range : 0.0f;
  }
  return v;
}

void uxScopeView::PaintPlot(int P, int W) {
  dc_->FillFrame(0, 0, Short(W), Short(P), background_);
  if (highlight_)
    dc_->FillFrame(1, Short(highlightTop_ + 1), Short(W - 2), Short(highlightBottom_ - 1), kHighlightFill);
  if (band_ > 0) {
    dc_->DrawLine(0, 0, Short(W - 1), 0, frame_);
    dc_->DrawLine(0, 0, 0, Short(P - 1), frame_);
    dc_->DrawLine(Short(W - 1), 0, Short(W - 1), Short(P - 1), frame_);
  } else {
    dc_->DrawFrame(0, 0, Short(W - 1), Short(P - 1), frame_);
  }
  for (int i = 0; i < W; ++i)
    if (points_[static_cast<std::size_t>(i)].marks[kGreyMark]) dc_->DrawLine(Short(i), 1, Short(i), Short(P - 1), kGreyLine);

  const int H = P - kBaseMargin;
  const float dbRange = dbMax_ - dbMin_;
  if (yMode_ == kLevelDecibel) {
    if (dbRange > 0.0f && dbRange / kDbStep <= kMaxDbLines) {
      for (int db = arm::ToInt32(std::ceil(dbMin_ / kDbStep)) * kDbStep; static_cast<float>(db) <= dbMax_;
           db += kDbStep) {
        const int y = arm::ToInt32(static_cast<float>(H) - (static_cast<float>(db) - dbMin_) / dbRange * H);
        dc_->DrawLine(1, Short(y), Short(W - 2), Short(y), db == 0 ? kGridMajor : kGrid);
      }
    }
  } else if (gridY_ > 0) {
    for (int y = gridY_; y < P; y += gridY_) dc_->DrawLine(1, Short(y), Short(W - 2), Short(y), kGrid);
  }

  if (xMode_ == kLog) {
    if (logValid_) {
      dc_->FontSelect(kLabelFont);
      dc_->SetForecolor(0x808080);
      dc_->SetBackcolor(background_);
      const int gh = dc_->getFontSize(FONT_SELECTED).height;
      float decade = 10.0f;
      for (int d = 0; d < 5; ++d, decade *= 10.0f) {
        for (int m = 1; m <= 9; ++m) {
          const float x = (std::log10(decade * m) - logMin_) / (logMax_ - logMin_) * static_cast<float>(W);
          if (x < 0.0f || x >= static_cast<float>(W)) continue;
          const int xi = arm::ToInt32(x);
          dc_->DrawLine(Short(xi), 1, Short(xi), Short(P - 2), m == 1 ? kGridMajor : kGrid);
          if (m == 1) dc_->PutString(Short(xi + 2), Short(P - gh - 2), kDecadeLabels[d]);
        }
      }
    }
  } else if (gridX_ > 0) {
    for (int x = gridX_; x < W; x += gridX_) dc_->DrawLine(Short(x), 1, Short(x), Short(P - 2), kGrid);
  }
  if (highlight_) {
    dc_->DrawLine(1, Short(highlightTop_ + 1), Short(W - 2), Short(highlightTop_ + 1), kHighlightEdge);
    dc_->DrawLine(1, Short(highlightBottom_ - 1), Short(W - 2), Short(highlightBottom_ - 1), kHighlightEdge);
  }

  const bool bipolar = curveStyle_ == 1;
  const int M = P / 2;
  auto yOf = [&](float v) {
    return bipolar ? arm::ToInt32(static_cast<float>(M) - v * static_cast<float>(P))
                   : arm::ToInt32(static_cast<float>(H) - v * static_cast<float>(H));
  };
  if (enabled_ && (bipolar || (options_ & 1))) {
    for (int i = 0; i < W; ++i) {
      const int y = yOf(Level(i, true));
      if (bipolar)
        gradient_.Draw(dc_, i, M, y);
      else if (y < P - 2)
        gradient_.Draw(dc_, i, y, P - 2);
    }
  }
  for (const bool channelA : {false, true}) {
    const uxCOLOR colour = channelA ? curve_ : kChannelB;
    int px = 0, py = 0;
    for (int i = 0; i < W; ++i) {
      const int y = yOf(Level(i, channelA));
      if (i > 0 && y > 0 && py > 0) dc_->DrawLine(Short(px), Short(py), Short(i), Short(y), colour);
      px = i;
      py = y;
    }
  }

  if (marker_ >= 0) {
    dc_->DrawLine(Short(marker_), 0, Short(marker_), Short(P - 1), kMarkerLine);
    dc_->FontSelect(kMarkerFont);
    const tFontSize fs = dc_->getFontSize(FONT_SELECTED);
    const int len = static_cast<int>(markerText_.size());
    const int x = marker_ + 3;
    dc_->FillFrame(Short(x), 40, Short(x + len * fs.width + 6), Short(40 + fs.height + 4), 0x404040);
    dc_->DrawFrame(Short(x), 40, Short(x + len * fs.width + 6), Short(40 + fs.height + 4), 0xFFFFFF);
    dc_->SetForecolor(0xFFFFFF);
    dc_->SetBackcolor(0x404040);
    dc_->PutString(Short(x + 3), 42, markerText_.c_str());
  }
  dc_->FontSelect(kTextFont);
  const int cw = dc_->getFontSize(FONT_SELECTED).width;
  dc_->SetBackcolor(kTextBack);
  if (!topRight_.empty()) {
    dc_->SetForecolor(0xFFFFFF);
    dc_->PutString(Short(W - static_cast<int>(topRight_.size()) * cw - 10), 10, topRight_.c_str());
  }
  if (!topLeft_.empty()) {
    dc_->SetForecolor(0xFFFF00);
    dc_->PutString(10, 10, topLeft_.c_str());
  }
  if (!bottomLeft_.empty()) {
    dc_->SetForecolor(0xFFFFFF);
    dc_->PutString(10, Short(P - 22), bottomLeft_.c_str());
  }
}

void uxScopeView::PaintOverlay(int P, int W) {
  const int H = P - kBaseMargin;
  for (int i = 0; i < W; ++i) {
    const Point& p = points_[static_cast<std::size_t>(i)];
    // The level the curve shows at this column, so that a circle sits on it whatever the
    // axes (on a linear axis that is the column's own record).
    const float v = Level(i, markOnA_);
    const int y = arm::ToInt32(static_cast<float>(H) - static_cast<float>(H) * v);
    for (int m = 0; m < kDottedMark; ++m)
      if (p.marks[static_cast<std::size_t>(m)]) dc_->DrawCircle(Short(i), Short(y), 5, 0xFFFFFF);
    if (p.marks[kDottedMark]) dc_->DrawDottedLine(Short(i), 0, Short(i), Short(P - 1), 4, kRed);
  }
  if (cursor_ >= 0) dc_->DrawLine(Short(cursor_), 0, Short(cursor_), Short(P - 1), kRed);
}

void uxScopeView::PaintBand(int P, int W) {
  const int bottom = P + kCaptionBand - 1;
  dc_->FillFrame(0, Short(P), Short(W - 1), Short(bottom), 0x000000);
  dc_->FillFrame(Short(knob_ - 2), Short(P), Short(knob_ + 2), Short(P + 18), 0x808080);
  dc_->DrawLine(Short(knob_), Short(P + 10), Short(knob_ + knobOffset_), Short(P + 10),
                knobOffset_ < 0 ? 0x4040FF : 0xFF4040);
  dc_->DrawLine(0, Short(P), 0, Short(bottom), frame_);
  dc_->DrawLine(0, Short(bottom), Short(W - 1), Short(bottom), frame_);
  dc_->DrawLine(Short(W - 1), Short(P), Short(W - 1), Short(bottom), frame_);
}

int uxScopeView::OnPaint() {
  if (!dc_) return 0;
  const int W = rect_.width, P = rect_.height - band_;
  const bool full = enabled_ && repaint_;
  const bool overlay = cache_ && image_.data && repaintCtrls_;
  const bool band = band_ > 0 && bandDirty_;
  if (!full && !overlay && !band) return 0;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(W), Short(rect_.height));
  if (full) {
    PaintPlot(P, W);
    if (image_.data) dc_->GetImage(uxRECT(0, 0, W, P), &image_);
    repaint_ = false;
    repaintCtrls_ = true;
  } else if (overlay) {
    dc_->DrawImage(0, 0, &image_);
  }
  if (cache_ && image_.data && repaintCtrls_) {
    PaintOverlay(P, W);
    repaintCtrls_ = false;
  }
  if (band) {
    PaintBand(P, W);
    bandDirty_ = false;
  }
  dc_->EndPaint();
  return 1;
}

int uxScopeView::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  widgets::TouchToButton(this, msg, focus_ && enabled_);
  return result;
}
