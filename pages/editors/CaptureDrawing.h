#pragma once
// Drawing the voice's scope captures into an editor's views. A capture stays complete after
// it was let go until the voice re-arms it, so each one is drawn once.
#include "engine/ScopeCapture.h"
#include "pages/widgets/uxScopeView.h"

namespace capture_drawing {

// True the first time a capture is seen complete; `taken` remembers it until it is re-armed.
inline bool TakeOnce(const ScopeCapture& capture, bool& taken) {
  if (!capture.Complete()) {
    taken = false;
    return false;
  }
  if (taken) return false;
  taken = true;
  return true;
}

// Spreads the capture over the view, each half showing one of its arrays, with `level`
// mapping a sample to a point's height; then repaints the view and lets the capture go.
template <class Level>
void Plot(ScopeCapture& capture, uxScopeView* view, Level&& level) {
  const int n = view->PointCount(), half = n / 2;
  constexpr int kSamples = ScopeCapture::kHalf;
  const float step = 2.0f * static_cast<float>(kSamples) / static_cast<float>(n);
  uxScopeView::Point* points = view->Points();
  for (int i = 0; i < n; ++i) {
    const float* from = i < half ? capture.First() : capture.Second();
    int at = static_cast<int>(static_cast<float>(i < half ? i : i - half) * step);
    if (at >= kSamples) at = kSamples - 1;
    points[i].a = level(from[at]);
  }
  view->setRepaint();
  capture.Release();
}

}  // namespace capture_drawing
