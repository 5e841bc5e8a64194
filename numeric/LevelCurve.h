#pragma once
// The 101-point level curve shared by the voice levels and drive and the drum level: a
// setting of 0..100 mapped to a gain of 0..1 that rises slowly at first, as the ear hears.
#include <array>

constexpr int kLevelCurvePoints = 101;
extern const std::array<float, kLevelCurvePoints> kLevelCurve;

// Entry at the integer part of v; below 0 (and NaN) gives 0, above 100 gives 1.
float LevelCurve(float v);
