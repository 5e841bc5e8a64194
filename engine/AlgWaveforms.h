#pragma once
// The eight single-cycle generators of the algorithmic oscillator: each draws one cycle of
// n points from a morph value b in 0..1 (and a second parameter for the formant sine).
#include <cstdint>

namespace algwave {

using GenerateFn = void (*)(float* out, int32_t n, float b, float p2);

struct Algorithm {
  int32_t value;
  const char* name;  // as the editor page shows it
  GenerateFn generate;
};

constexpr int32_t kAlgorithmCount = 8;

// Rows in value order.
extern const Algorithm kAlgorithms[kAlgorithmCount];

// Fills out[0..n-1] with one cycle of `algorithm`, b = 0..1. Returns false and leaves out
// untouched for a value that names no algorithm.
bool Generate(int32_t algorithm, float* out, int32_t n, float b, float p2);

// The editor name of an algorithm, nullptr for an unknown value.
const char* Name(int32_t algorithm);

}  // namespace algwave
