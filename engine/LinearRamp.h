#pragma once
// Moves a float toward a goal in equal steps, one step per tick (part levels, parameter
// glides). Not locked: its owner sets and ticks it from one thread.
#include <cstdint>

class LinearRamp {
 public:
  // Seconds per tick; set before the first SetTarget.
  void SetTickPeriod(float seconds) { tickPeriod = seconds; }

  // Jumps to value at once and stops any move. Null target: nothing.
  void SetImmediate(float* target, float value);
  // Moves *target to goal so that a change of `range` takes `time` seconds. Null target:
  // nothing.
  void SetTarget(float* target, float goal, float range, float time);
  // One step toward the goal; stops on it. Inline: envelopes tick one per sample.
  void Tick() {
    if (!target || direction == 0) return;
    if (direction == 1) {
      *target += step;
      if (*target >= goal) {
        *target = goal;
        direction = 0;
      }
    } else if (direction == 2) {
      *target -= step;
      if (*target <= goal) {
        *target = goal;
        direction = 0;
      }
    }
  }

  bool Running() const { return direction != 0; }

  float step = 1.0f;
  float tickPeriod = 0.0f;
  float* target = nullptr;
  float goal = 0.0f;
  int32_t direction = 0;  // 0 none, 1 up, 2 down
};
