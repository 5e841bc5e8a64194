#pragma once
// The "3D" picture of a wavetable both stack views draw: every fifth wave from the back
// (255) to the front (0), each a few pixels lower and further left than the one behind,
// shaded by level, the front one filled below its curve.
#include "data/WaveTable.h"
#include "pages/widgets/WidgetDraw.h"
#include "toolkit/uxDC.h"

namespace widgets {

inline constexpr int kStackWaves = WaveTable::kVariants;
inline constexpr int kStackStep = 5;  // every fifth wave
inline constexpr int kStackDown = 2;  // each further wave this much lower
inline constexpr int kStackLeft = 3;  // and this much further left

struct StackGeometry {
  int x;          // left edge of the back wave
  int y;          // zero line of the back wave
  int width;      // columns of a wave
  int amplitude;  // pixels per unit of sample
};

// Place of wave `index` counted from the back.
inline int StackDepth(int index) { return (kStackWaves - 1 - index) / kStackStep; }

// A bend of the position across a wave: b > 0 slows the start, b < 0 the end; the
// constant keeps the exponent finite at b = +-1.
float BendCurve(float c, float b);

// The samples of variant `index` (null without a table or samples).
const float* WaveSamples(const WaveTable* table, int index, int* count);

// Draws the stack; `sampleAt(column, count)` gives the sample index a column shows.
template <class SampleAt>
void DrawStack(uxDC* dc, const WaveTable* table, const StackGeometry& g, GradientColumn& gradient,
               SampleAt sampleAt) {
  for (int index = kStackWaves - 1; index >= 0; index -= kStackStep) {
    int count = 0;
    const float* s = WaveSamples(table, index, &count);
    if (!s) continue;
    const int k = StackDepth(index);
    const int x0 = g.x - kStackLeft * k, base = g.y + kStackDown * k;
    auto sample = [&](int j) { return s[sampleAt(j, count)]; };
    auto yOf = [&](float v) { return base + arm::ToInt32(static_cast<float>(g.amplitude) * v); };
    if (index == 0) {
      for (int j = 0; j < g.width; ++j) {
        const int y = yOf(sample(j));
        if (y < base + g.amplitude) gradient.Draw(dc, x0 + j, y, base + g.amplitude);
      }
    }
    int px = x0, py = yOf(sample(0));
    uxCOLOR grey = 0;
    for (int j = 2; j < g.width; j += 2) {
      const float v = sample(j);
      const int shade = std::clamp(arm::ToInt32(32.0f + (1.0f - (v + 1.0f) / 2.0f) * 128.0f), 0, 255);
      grey = static_cast<uxCOLOR>(shade * 0x010101);
      const int y = yOf(v);
      dc->DrawLine(Short(px), Short(py), Short(x0 + j), Short(y), grey);
      px = x0 + j;
      py = y;
    }
    dc->DrawLine(Short(px), Short(py), Short(px), Short(base + g.amplitude), grey);
  }
}

}  // namespace widgets
