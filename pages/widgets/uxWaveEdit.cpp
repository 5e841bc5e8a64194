#include "pages/widgets/uxWaveEdit.h"

#include <algorithm>
#include <cmath>

using widgets::Short;

namespace {
constexpr uxCOLOR kTouchedStep = 0x202020;
constexpr uxCOLOR kCurve = 0xC0C0C0;
constexpr uxCOLOR kPosition = 0xFF0000;
constexpr int kHandleRadius = 4;
}  // namespace

uxWaveEdit::uxWaveEdit(uxHost* manager, uint32_t userData, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background,
                       uxCOLOR frame, uxCOLOR fill, uxCOLOR handles)
    : uxBaseElement(manager, -1, userData, "WaveEdit"),
      background_(background),
      frame_(frame),
      handles_(handles),
      fill_(fill),
      innerWidth_(w - 1),
      innerHeight_(h - 4) {
  const int x = pos ? pos->x : 0, y = pos ? pos->y : 0;
  rect_ = uxRECT(x, y, x + w, y + h, w, h);
  enabled_ = true;
  if (dc_ && w > 0 && h > 0) image_ = dc_->allocImage(uxRECT(0, 0, w, h), "uxWaveEdit image");
  const float step = h > 0 ? 160.0f / static_cast<float>(h) : 0.0f;
  gradient_.Init(std::max<int>(h, 0), [step](int row) {
    return widgets::GradientBlue(32.0f + step * static_cast<float>(row));
  });
}

uxWaveEdit::~uxWaveEdit() {
  if (dc_) dc_->freeImage(&image_);
}

void uxWaveEdit::SetGlide(float value) {
  if (value > 1.0f)
    glide_ = 0.0f;
  else if (value < 0.0f)
    glide_ = 1.0f;
  else if (value == value)
    glide_ = 1.0f - value;
  else
    glide_ = 0.0f;
  SetCurve();
  repaint_ = true;
}

void uxWaveEdit::SetLevel(int step, float level) {
  if (step < 0 || step >= kSteps) return;
  levels_[static_cast<std::size_t>(step)] = level == level ? std::clamp(level, 0.0f, 1.0f) : 0.0f;
}

float uxWaveEdit::Level(int step) const {
  return step >= 0 && step < kSteps ? levels_[static_cast<std::size_t>(step)] : 0.0f;
}

void uxWaveEdit::SetCurve() {
  const int n = innerWidth_ > 0 ? innerWidth_ / kSteps : 0;
  const int hold = std::clamp(arm::ToInt32(static_cast<float>(n) * glide_), 0, n);
  int k = 0;
  float previous = 0.0f;
  for (int s = 0; s < kSteps; ++s) {
    const float level = levels_[static_cast<std::size_t>(s)];
    for (int j = 0; j < n && k < kMaxSamples; ++j, ++k) {
      curve_[static_cast<std::size_t>(k)] =
          j < hold ? previous
                   : previous + (level - previous) * static_cast<float>(j - hold + 1) / static_cast<float>(n - hold);
    }
    previous = level;
  }
  curveLength_ = k;
}

int uxWaveEdit::CurveY(float level) const {
  return 3 + arm::ToInt32(static_cast<float>(innerHeight_ - 4) * (1.0f - level));
}

int uxWaveEdit::OnPaint() {
  if (!enabled_ || !dc_) return 0;
  const bool full = repaint_;
  if (!full && !repaintCtrls_) return 0;
  const int w = rect_.width, h = rect_.height;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  if (full) {
    dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
    dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), frame_);
    const int columns = std::max(0, innerWidth_ - 1);
    const int stepWidth = innerWidth_ / kSteps;
    auto sampleY = [&](int c) {
      if (curveLength_ == 0) return CurveY(0.0f);
      const int i = std::min(curveLength_ - 1, c * curveLength_ / std::max(columns, 1));
      return CurveY(curve_[static_cast<std::size_t>(i)]);
    };
    const bool touched = touchX_ >= 0;
    if (!touched) {
      for (int c = 0; c < columns; ++c) gradient_.Draw(dc_, c + 1, sampleY(c), h - 2);
    } else if (touchStep_ >= 1) {
      dc_->FillFrame(Short(stepWidth * (touchStep_ - 1) + 1), 1, Short(stepWidth * touchStep_), Short(h - 2),
                     kTouchedStep);
    }
    for (int c = 1; c < columns; ++c) dc_->DrawLine(Short(c), Short(sampleY(c - 1)), Short(c + 1), Short(sampleY(c)), kCurve);
    if (touched) {
      dc_->DrawDottedLine(Short(touchX_), 1, Short(touchX_), Short(h - 2), 3, frame_);
      dc_->DrawDottedLine(1, Short(touchY_), Short(w - 2), Short(touchY_), 3, frame_);
    }
    for (int i = 0; i < kSteps; ++i) {
      dc_->FillCircle(Short(stepWidth * (i + 1) + 1), Short(CurveY(levels_[static_cast<std::size_t>(i)])),
                      kHandleRadius, handles_);
    }
    if (image_.data) dc_->GetImage(uxRECT(0, 0, w, h), &image_);
    repaint_ = false;
  } else {
    dc_->DrawImage(0, 0, &image_);
  }
  if (position_ >= 0) dc_->DrawLine(Short(position_), 1, Short(position_), Short(h - 2), kPosition);
  repaintCtrls_ = false;
  dc_->EndPaint();
  return 1;
}

int uxWaveEdit::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type != UX_MSG_TOUCH_EVENT) return result;
  repaint_ = true;
  if (msg->m_evt_type == TYPE_RELEASE) {
    editing_ = false;
    touchX_ = touchY_ = -1;
    touchStep_ = 0;
    return result;
  }
  const int stepWidth = innerWidth_ / kSteps, stepHeight = innerHeight_ / kSteps;
  // Too small to hold sixteen steps: nothing to edit.
  if (stepWidth <= 0 || stepHeight <= 0) return result;
  const int x = msg->m_x - rect_.left, y = msg->m_y - rect_.top;
  if (x < 0 || x > rect_.width) return result;
  const int s = (x + 15) / stepWidth;
  const int r = (y - 15) / stepHeight;
  const float g = static_cast<float>(stepHeight * r - innerHeight_ / 32);
  const float level = std::clamp(1.0f - g / static_cast<float>(innerHeight_), 0.0f, 1.0f);
  if (msg->m_evt_type == TYPE_PRESS && y >= 0 && y <= rect_.height + 9) editing_ = true;
  if (editing_ && s >= 1 && s <= kSteps) {
    levels_[static_cast<std::size_t>(s - 1)] = level;
    touchX_ = x;
    touchY_ = y;
    touchStep_ = s;
    SetCurve();
  }
  return result;
}
