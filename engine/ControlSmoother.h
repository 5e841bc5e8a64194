#pragma once
// One-pole smoothing of a control that another thread sets: once per block the value moves
// a fixed fraction of the way toward its source.
#include <atomic>

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
