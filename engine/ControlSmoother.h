#pragma once
// One-pole smoothing of a control that another thread sets: once per block the value moves
// a fixed fraction of the way toward its source.
#include <atomic>
#include <cmath>

struct ControlSmoother {
  ControlSmoother(const std::atomic<float>* followed, float coeff)
      : source(followed), value(followed->load(std::memory_order_relaxed)), coefficient(coeff) {}

  void Step() {
    step = (source->load(std::memory_order_relaxed) - value) * coefficient;
    value += step;
  }

  const std::atomic<float>* source;
  float value;
  float step = 0.0f;  // the last move, kept for display
  float coefficient;
};

// What a parameter setter does with a value from another thread: keeps it for the next block
// unless it is NaN or infinite, which would poison the smoothing for good.
inline void StoreFinite(std::atomic<float>& target, float v) {
  if (std::isfinite(v)) target.store(v, std::memory_order_relaxed);
}
