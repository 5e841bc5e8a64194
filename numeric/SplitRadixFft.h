#pragma once
// In-place, unnormalised conjugate-pair split-radix complex FFT for the spectrum displays
// of the editors. The forward transform leaves the bins in a scrambled order: standard
// bin k (negative exponent) lies at position OutputIndex(n, k); the inverse takes its
// input in that order and returns natural order. Forward then inverse gives n x input.
// Twiddle and position tables are process-wide, built once, read-only afterwards.
#include <cstdint>

class SplitRadixFft {
 public:
  static constexpr int32_t kMinSize = 2;
  static constexpr int32_t kMaxSize = 8192;   // largest transform
  static constexpr int32_t kMaxTable = 32768;  // largest twiddle / position table

  static constexpr int32_t kForward = 0;
  static constexpr int32_t kInverse = 1;

  // Builds the twiddle and position tables once per process; later calls (from any
  // thread) return at once, after the tables are complete.
  static void InitTables();

  // data: n complex values as (real, imaginary) float pairs, transformed in place.
  // direction kForward or kInverse (any other value: inverse). Sizes other than 2, 4, ...,
  // 8192 leave the data unchanged.
  static void Transform(float* data, int32_t n, int32_t direction);

  // Position of standard bin k in a forward transform of size n (2, 4, ..., 32768);
  // 0 for a size without a table or k outside 0..n-1.
  static int32_t OutputIndex(int32_t n, int32_t k);

  // The bin of the positive-exponent sum that the forward transform leaves at position p.
  static int32_t ScrambledBin(int32_t p, int32_t n);
};
