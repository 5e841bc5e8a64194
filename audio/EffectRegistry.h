#pragma once
// The nine effect types a slot of the effects engine can hold: how each instance is made,
// how its non-virtual Reset is reached, and what happens to it at start-up and when a slot
// chooses it. Adding an effect is filling in its row in EffectRegistry.cpp.
#include <array>
#include <cstdint>

class CEffectBase;

namespace effect_registry {

constexpr int kTypeCount = 9;  // types 1..9; type 0 empties a slot

// What is done to an instance: its Reset with the sample rate, then optionally SetParam(0, value).
struct Step {
  bool reset;
  bool setParam0;
  float param0Value;
};
inline constexpr Step kNoStep{false, false, 0.0f};
inline constexpr Step kReset{true, false, 0.0f};
inline constexpr Step kResetParam0To0{true, true, 0.0f};
inline constexpr Step kResetParam0To4{true, true, 4.0f};

struct TypeRow {
  int32_t type;
  // Null leaves the engine without an instance of this type (tests use it; every type of
  // the production table has one).
  CEffectBase* (*create)();
  void (*reset)(CEffectBase* effect, int sampleRate);
  Step whenChosen;  // when a slot takes the instance
  Step atInit;      // for every instance of both pages when the engine is initialised
  // Clears the instance's running state and keeps its parameters; null: nothing to clear.
  void (*clearState)(CEffectBase* effect) = nullptr;
  // For an effect that fades itself in and out: hands it the fade levels its next Process
  // starts and ends at (0 the input as it is, 1 the effect in full); the engine then runs it
  // at full level, the period whose fade reaches 0 included, and mixes in no input. Null: the
  // engine mixes the effect's output with its input by the level.
  void (*fade)(CEffectBase* effect, float from, float to) = nullptr;
};

using Table = std::array<TypeRow, kTypeCount>;

// One row per type, in type order.
extern const Table kTypes;

// Applies `step` to an instance of `row`'s type.
void Apply(const TypeRow& row, const Step& step, CEffectBase* effect, int sampleRate);

}  // namespace effect_registry
