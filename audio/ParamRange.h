#pragma once
// Ranges the effects hold their parameters to, whatever a preset file or a controller sends.
#include <algorithm>
#include <limits>

namespace param_range {

// Output, wet and dry levels: silence to +24 dB.
inline constexpr float kMinLevelDb = -96.0f;
inline constexpr float kMaxLevelDb = 24.0f;
// Rows whose value the effect already keeps within safe bounds.
inline constexpr float kUnbounded = std::numeric_limits<float>::max();

inline float LevelDb(float db) { return std::clamp(db, kMinLevelDb, kMaxLevelDb); }
// The pages' bipolar amounts, -100..100 %.
inline float Percent(float v) { return std::clamp(v, -100.0f, 100.0f); }

}  // namespace param_range
