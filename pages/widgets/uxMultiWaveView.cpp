#include "pages/widgets/uxMultiWaveView.h"

#include <algorithm>
#include <cmath>

using widgets::Short;

namespace {
constexpr widgets::StackGeometry kStack{230, 55, 300, 40};
constexpr uxCOLOR kGrid = 0x202020;
constexpr int kTextFont = 10;
}  // namespace

uxMultiWaveView::uxMultiWaveView(uxHost* manager, uint32_t userData, uxPOINT* pos, int16_t w, int16_t h,
                                 uxCOLOR background, uxCOLOR frame, uxBaseElement* owner)
    : uxBaseElement(manager, -1, userData, "MultiWaveView"), background_(background), frame_(frame), owner_(owner) {
  const int x = pos ? pos->x : 0, y = pos ? pos->y : 0;
  rect_ = uxRECT(x, y, x + w, y + h, w, h);
  enabled_ = true;
  if (dc_ && w > 0 && h > 0) image_ = dc_->allocImage(uxRECT(0, 0, w, h), "WTOSC image");
  gradient_.Init(std::max<int>(h, 0),
                 [](int row) { return widgets::GradientBlue(48.0f + 0.9f * static_cast<float>(row)); });
}

uxMultiWaveView::~uxMultiWaveView() {
  if (dc_) dc_->freeImage(&image_);
}

void uxMultiWaveView::SetWaveA(int index) { waveA_ = std::clamp(index, 0, WaveTable::kVariants - 1); }
void uxMultiWaveView::SetWaveB(int index) { waveB_ = std::clamp(index, 0, WaveTable::kVariants - 1); }

void uxMultiWaveView::SetSamplesA(const float* samples, int count) {
  samplesA_ = samples;
  countA_ = samples ? std::max(count, 0) : 0;
}

void uxMultiWaveView::SetSamplesB(const float* samples, int count) {
  samplesB_ = samples;
  countB_ = samples ? std::max(count, 0) : 0;
}

void uxMultiWaveView::SetGains(float a, float b) {
  gainA_ = a;
  gainB_ = b;
}

void uxMultiWaveView::SetBend(float bend) { bend_ = bend == bend ? std::clamp(bend, -1.0f, 1.0f) : 0.0f; }

void uxMultiWaveView::SetGrid(int x, int y) {
  gridX_ = x;
  gridY_ = y;
}

void uxMultiWaveView::DrawWave(int index, const float* samples, int count, float gain, uxCOLOR colour) {
  if (!samples) samples = widgets::WaveSamples(table_, index, &count);
  if (!samples || count <= 0) return;
  const int k = widgets::StackDepth(index);
  const int x0 = kStack.x - widgets::kStackLeft * k;
  const int base = kStack.y + widgets::kStackDown * k;
  auto at = [&](int i) {
    const float c = static_cast<float>(i) / static_cast<float>(kStack.width);
    const float pos = widgets::BendCurve(c, bend_) * static_cast<float>(count - 1);
    const int i0 = std::clamp(static_cast<int>(pos), 0, count - 1);
    const int i1 = std::min(i0 + 1, count - 1);
    const float t = pos - static_cast<float>(i0);
    const float v = samples[i0] + (samples[i1] - samples[i0]) * t;
    return base + arm::ToInt32(v * gain * static_cast<float>(kStack.amplitude));
  };
  int py = at(0);
  for (int i = 1; i <= kStack.width; ++i) {
    const int y = at(i);
    dc_->DrawLine(Short(x0 + i - 1), Short(py), Short(x0 + i), Short(y), colour);
    py = y;
  }
  const int closing = kStack.x + kStack.width - 1 - widgets::kStackLeft * k;
  if (closing >= 0 && closing < rect_.width)
    dc_->DrawLine(Short(closing), Short(py), Short(closing), Short(base + kStack.amplitude), colour);
}

int uxMultiWaveView::OnPaint() {
  if (!enabled_ || !dc_) return 0;
  const bool full = repaint_;
  if (!full && !repaintCtrls_) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  const int w = rect_.width, h = rect_.height;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(w), Short(h));
  if (full) {
    dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);
    dc_->DrawFrame(0, 0, Short(w - 1), Short(h - 1), frame_);
    if (gridX_ > 0)
      for (int x = gridX_; x < w - 1; x += gridX_) dc_->DrawLine(Short(x), 1, Short(x), Short(h - 2), kGrid);
    if (gridY_ > 0)
      for (int y = gridY_; y < h - 1; y += gridY_) dc_->DrawLine(1, Short(y), Short(w - 2), Short(y), kGrid);
    const float bend = bend_;
    widgets::DrawStack(dc_, table_, kStack, gradient_, [bend](int j, int count) {
      const float q = widgets::BendCurve(static_cast<float>(j) / static_cast<float>(kStack.width), bend);
      return std::clamp(arm::ToInt32(q * static_cast<float>(count - 1)), 0, count - 1);
    });
    if (image_.data) dc_->GetImage(uxRECT(0, 0, w, h), &image_);
    repaint_ = false;
  } else {
    dc_->DrawImage(0, 0, &image_);
  }
  DrawWave(waveA_, samplesA_, countA_, gainA_, kWaveA);
  DrawWave(waveB_, samplesB_, countB_, gainB_, kWaveB);
  dc_->FontSelect(kTextFont);
  dc_->SetForecolor(0xFFFFFF);
  dc_->SetBackcolor(0x303030);
  dc_->PutString(10, Short(h - 42), "3D");
  repaintCtrls_ = false;
  dc_->EndPaint();
  return 1;
}

int uxMultiWaveView::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  widgets::TouchToButton(this, msg, focus_ && enabled_);
  return result;
}
