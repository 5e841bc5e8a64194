#include "numeric/SplitRadixFft.h"

#include <cmath>
#include <mutex>

namespace {

struct Cpx {
  float re;
  float im;
};

// The caller's data stays a float array; values are read and written as pairs.
inline Cpx Get(const float* d, int32_t i) { return {d[2 * i], d[2 * i + 1]}; }
inline void Put(float* d, int32_t i, Cpx v) {
  d[2 * i] = v.re;
  d[2 * i + 1] = v.im;
}

// One twiddle table per pass length: (cos, sin) of 2 pi j / length for j = 1 .. count.
// Up to 512 they cover a quarter circle; above, an eighth (the rest follows by symmetry).
struct TwiddleRow {
  int32_t length;
  int32_t count;
  bool quarter;
};
constexpr TwiddleRow kTwiddleRows[] = {
    {32, 7, true},
    {64, 15, true},
    {128, 31, true},
    {256, 63, true},
    {512, 127, true},
    {1024, 127, false},
    {2048, 255, false},
    {4096, 511, false},
    {8192, 1023, false},
    {16384, 2047, false},
    {32768, 4095, false},
};
constexpr int32_t kTwiddleTotal = [] {
  int32_t sum = 0;
  for (const TwiddleRow& r : kTwiddleRows) sum += r.count;
  return sum;
}();
static_assert(kTwiddleTotal == 8301);

constexpr int32_t kLog2MaxTable = 15;
static_assert((1 << kLog2MaxTable) == SplitRadixFft::kMaxTable);

constexpr float kSqrtHalf = 0.70710677f;
constexpr float kCosPi8 = 0.9238795f;
constexpr float kSinPi8 = 0.38268343f;

Cpx g_twiddles[kTwiddleTotal];
const Cpx* g_twiddleByLog2[kLog2MaxTable + 1];  // null below 32
// Position tables of every size n = 2 .. 32768, back to back: size n starts at n - 2.
// Positions are below 32768, so 16 bits hold them.
uint16_t g_positions[2 * SplitRadixFft::kMaxTable - 2];
std::once_flag g_tablesOnce;

int32_t Log2(int32_t n) {
  int32_t l = 0;
  while ((1 << l) < n) ++l;
  return l;
}

bool IsPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

void BuildTables() {
  Cpx* out = g_twiddles;
  const Cpx* previous = nullptr;
  for (const TwiddleRow& row : kTwiddleRows) {
    double step = (M_PI / 4.0) / (row.count + 1);
    if (row.quarter) step *= 2.0;
    for (int32_t i = 0; i < row.count; ++i) {
      if (previous && (i & 1)) {
        out[i] = previous[i / 2];  // same angle, so both tables agree bit for bit
      } else {
        const double a = (i + 1) * step;
        out[i] = {static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a))};
      }
    }
    g_twiddleByLog2[Log2(row.length)] = out;
    previous = out;
    out += row.count;
  }

  for (int32_t n = 2; n <= SplitRadixFft::kMaxTable; n *= 2) {
    uint16_t* pos = g_positions + (n - 2);
    for (int32_t p = 0; p < n; ++p) {
      const int32_t k = (n - SplitRadixFft::ScrambledBin(p, n)) & (n - 1);
      pos[k] = static_cast<uint16_t>(p);
    }
  }
}

// e^(+2 pi i k / n) for 0 <= k < n / 4.
inline Cpx Twiddle(int32_t n, int32_t k, const Cpx* table) {
  if (k == 0) return {1.0f, 0.0f};
  switch (n) {
    case 4:
      return {1.0f, 0.0f};
    case 8:
      return {kSqrtHalf, kSqrtHalf};
    case 16:
      if (k == 1) return {kCosPi8, kSinPi8};
      if (k == 2) return {kSqrtHalf, kSqrtHalf};
      return {kSinPi8, kCosPi8};
    default:
      break;
  }
  if (n <= 512) return table[k - 1];
  const int32_t eighth = n / 8;
  if (k < eighth) return table[k - 1];
  if (k == eighth) return {kSqrtHalf, kSqrtHalf};
  const Cpx t = table[n / 4 - k - 1];  // the angle's complement: cosine and sine exchanged
  return {t.im, t.re};
}

// Size 2, the same in both directions.
void SumAndDifference(float* d) {
  const Cpx a = Get(d, 0), b = Get(d, 1);
  Put(d, 0, {a.re + b.re, a.im + b.im});
  Put(d, 1, {a.re - b.re, a.im - b.im});
}

// Decimation in frequency: one butterfly pass, then the half and the two quarters.
void Forward(float* d, int32_t n) {
  if (n <= 2) {
    if (n == 2) SumAndDifference(d);
    return;
  }
  const int32_t q = n / 4;
  const Cpx* table = g_twiddleByLog2[Log2(n)];
  for (int32_t k = 0; k < q; ++k) {
    const Cpx w = Twiddle(n, k, table);
    const Cpx a0 = Get(d, k), a1 = Get(d, k + q), a2 = Get(d, k + 2 * q), a3 = Get(d, k + 3 * q);
    const Cpx t1 = {a0.re - a2.re, a0.im - a2.im};
    const Cpx t2 = {a1.re - a3.re, a1.im - a3.im};
    Put(d, k, {a0.re + a2.re, a0.im + a2.im});
    Put(d, k + q, {a1.re + a3.re, a1.im + a3.im});
    const Cpx z = {t1.re - t2.im, t1.im + t2.re};  // t1 + i t2
    const Cpx y = {t1.re + t2.im, t1.im - t2.re};  // t1 - i t2
    Put(d, k + 2 * q, {z.re * w.re - z.im * w.im, z.re * w.im + z.im * w.re});
    Put(d, k + 3 * q, {y.re * w.re + y.im * w.im, y.im * w.re - y.re * w.im});
  }
  Forward(d, n / 2);
  Forward(d + 4 * q, q);  // third quarter (d holds two floats per value)
  Forward(d + 6 * q, q);
}

// Decimation in time: the half and the two quarters, then the pass that undoes the
// forward butterfly.
void Inverse(float* d, int32_t n) {
  if (n <= 2) {
    if (n == 2) SumAndDifference(d);
    return;
  }
  const int32_t q = n / 4;
  Inverse(d, n / 2);
  Inverse(d + 4 * q, q);  // third quarter (d holds two floats per value)
  Inverse(d + 6 * q, q);
  const Cpx* table = g_twiddleByLog2[Log2(n)];
  for (int32_t k = 0; k < q; ++k) {
    const Cpx w = Twiddle(n, k, table);
    const Cpx a0 = Get(d, k), a1 = Get(d, k + q), b2 = Get(d, k + 2 * q), b3 = Get(d, k + 3 * q);
    const Cpx u = {b2.re * w.re + b2.im * w.im, b2.im * w.re - b2.re * w.im};  // b2 conj(w)
    const Cpx v = {b3.re * w.re - b3.im * w.im, b3.re * w.im + b3.im * w.re};  // b3 w
    const Cpx s = {u.re + v.re, u.im + v.im};
    const Cpx t = {u.re - v.re, u.im - v.im};
    Put(d, k, {a0.re + s.re, a0.im + s.im});
    Put(d, k + 2 * q, {a0.re - s.re, a0.im - s.im});
    Put(d, k + q, {a1.re + t.im, a1.im - t.re});      // a1 - i t
    Put(d, k + 3 * q, {a1.re - t.im, a1.im + t.re});  // a1 + i t
  }
}

}  // namespace

void SplitRadixFft::InitTables() {
  // call_once rather than a plain flag: a second caller waits until the tables are whole
  // instead of transforming with half-built ones.
  std::call_once(g_tablesOnce, BuildTables);
}

void SplitRadixFft::Transform(float* data, int32_t n, int32_t direction) {
  if (!data || n < kMinSize || n > kMaxSize || !IsPowerOfTwo(n)) return;
  InitTables();
  if (direction == kForward) {
    Forward(data, n);
  } else {
    Inverse(data, n);
  }
}

int32_t SplitRadixFft::OutputIndex(int32_t n, int32_t k) {
  if (n < 2 || n > kMaxTable || !IsPowerOfTwo(n) || k < 0 || k >= n) return 0;
  InitTables();
  return g_positions[(n - 2) + k];
}

int32_t SplitRadixFft::ScrambledBin(int32_t p, int32_t n) {
  if (n <= 2) return p;
  if (p < n / 2) return 2 * ScrambledBin(p, n / 2);
  if (p < 3 * n / 4) return 4 * ScrambledBin(p - n / 2, n / 4) + 1;
  return (4 * ScrambledBin(p - 3 * n / 4, n / 4) - 1) & (n - 1);
}
