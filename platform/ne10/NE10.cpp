#include "NE10.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/Simd4.h"

// Radix-4 decimation in time (radix 2^2: two radix-2 stages fused, on bit-reversed input).
// From 16 points on, the first pass reads the input in bit-reversed order and does the
// first two radix-4 stages of each block of 16 in registers; then come radix-4 stages over
// ever longer blocks and, when log2 n is odd, one radix-2 stage; all four butterflies at a
// time through the vector unit. 2, 4 and 8 points go one butterfly at a time. Everything
// that depends only on n is made with the plan, so a transform allocates nothing.
struct ne10_fft_state_float32_t {
  int32_t n;
  uint32_t* reversed;  // bit-reversed index of each position
  // For each radix-4 stage, block length L = 4q from small to large (q = 2 for 8 points;
  // 4, 16, 64, ... from 16 points on): the six planes Re W^k, Im W^k, Re W^2k, Im W^2k,
  // Re W^3k, Im W^3k for k < q (q floats each), W = e^-2pi i/L; then, for a final radix-2
  // stage, Re W^k and Im W^k for k < n/2, W = e^-2pi i/n. The inverse uses their conjugates.
  float* twiddles;
};

namespace {

using Cpx = ne10_fft_cpx_float32_t;

// In the library the FFT entry points are function pointers that ne10_init fills in for
// the processor; before it they are null and a call crashes. The stand-in fails as surely,
// with a reason, so that a start-up that prepares an FFT too early fails here as well.
std::atomic<bool> g_initialised{false};

void RequireInit(const char* what) {
  if (g_initialised.load(std::memory_order_relaxed)) return;
  std::fprintf(stderr, "%s called before ne10_init\n", what);
  std::abort();
}

// b * w, or b * conj(w) for the inverse.
template <bool kInverse>
inline Cpx Rotate(Cpx b, float wr, float wi) {
  if (kInverse) return {b.r * wr + b.i * wi, b.i * wr - b.r * wi};
  return {b.r * wr - b.i * wi, b.r * wi + b.i * wr};
}

// The radix-4 butterfly on four already rotated points; the inverse turns by +i where the
// forward turns by -i.
template <bool kInverse>
inline void Butterfly4(Cpx a, Cpx b, Cpx c, Cpx d, Cpx& x0, Cpx& x1, Cpx& x2, Cpx& x3) {
  const Cpx t0 = {a.r + b.r, a.i + b.i};
  const Cpx t1 = {a.r - b.r, a.i - b.i};
  const Cpx t2 = {c.r + d.r, c.i + d.i};
  const Cpx t3 = {c.r - d.r, c.i - d.i};
  x0 = {t0.r + t2.r, t0.i + t2.i};
  x2 = {t0.r - t2.r, t0.i - t2.i};
  if (kInverse) {
    x1 = {t1.r - t3.i, t1.i + t3.r};
    x3 = {t1.r + t3.i, t1.i - t3.r};
  } else {
    x1 = {t1.r + t3.i, t1.i - t3.r};
    x3 = {t1.r - t3.i, t1.i + t3.r};
  }
}

// First pass: out[4j..4j+3] from the four inputs whose bit-reversed positions these are
// (kGather), or from out itself once it has been permuted in place.
template <bool kInverse, bool kGather>
void FirstPass4(Cpx* out, const Cpx* in, const uint32_t* reversed, int32_t n) {
  const int32_t h = n / 2;
  const int32_t q = n / 4;
  for (int32_t j = 0; j < n; j += 4) {
    Cpx a, b, c, d;
    if (kGather) {
      const Cpx* p = in + reversed[j];
      a = p[0];
      b = p[h];
      c = p[q];
      d = p[h + q];
    } else {
      a = out[j];
      b = out[j + 1];
      c = out[j + 2];
      d = out[j + 3];
    }
    Butterfly4<kInverse>(a, b, c, d, out[j], out[j + 1], out[j + 2], out[j + 3]);
  }
}

template <bool kGather>
void FirstPass2(Cpx* out, const Cpx* in, const uint32_t* reversed, int32_t n) {
  const int32_t h = n / 2;
  for (int32_t j = 0; j < n; j += 2) {
    Cpx a, b;
    if (kGather) {
      a = in[reversed[j]];
      b = in[reversed[j] + h];
    } else {
      a = out[j];
      b = out[j + 1];
    }
    out[j] = {a.r + b.r, a.i + b.i};
    out[j + 1] = {a.r - b.r, a.i - b.i};
  }
}

// One radix-4 stage over blocks of 4q points, one butterfly at a time (the second stage of
// the 8-point transform, whose quarter blocks are shorter than a vector).
template <bool kInverse>
void Stage4(Cpx* x, int32_t n, int32_t q, const float* tw) {
  for (int32_t s = 0; s < n; s += 4 * q) {
    Cpx* p = x + s;
    for (int32_t k = 0; k < q; ++k) {
      const Cpx a = p[k];
      const Cpx b = Rotate<kInverse>(p[k + q], tw[2 * q + k], tw[3 * q + k]);
      const Cpx c = Rotate<kInverse>(p[k + 2 * q], tw[k], tw[q + k]);
      const Cpx d = Rotate<kInverse>(p[k + 3 * q], tw[4 * q + k], tw[5 * q + k]);
      Butterfly4<kInverse>(a, b, c, d, p[k], p[k + q], p[k + 2 * q], p[k + 3 * q]);
    }
  }
}

// Four complex values as real and imaginary lanes. Between the passes of a transform of 16
// points or more, each run of four points is kept in that form (four real parts, then four
// imaginary parts), so that the stages load and store it as it is; the last pass writes the
// caller's (real, imaginary) pairs.
struct C4 {
  v4::f4 r, i;
};

inline C4 LoadSplit(const Cpx* p) {
  const float* f = &p->r;
  return {v4::Load(f), v4::Load(f + 4)};
}

// kLast: the caller's pairs, scaled by 1/n for the inverse (a power of two, so the same as
// scaling afterwards); otherwise the split form.
template <bool kLast, bool kScale>
inline void StoreC4(Cpx* p, C4 c, v4::f4 scale) {
  float* f = &p->r;
  if (!kLast) {
    v4::Store(f, c.r);
    v4::Store(f + 4, c.i);
    return;
  }
  if (kScale) {
    c.r = v4::Mul(c.r, scale);
    c.i = v4::Mul(c.i, scale);
  }
  v4::StorePairs(f, c.r, c.i);
}

template <bool kInverse>
inline C4 Rotate4(C4 b, const float* wr, const float* wi) {
  using namespace v4;
  const f4 r = Load(wr);
  const f4 i = Load(wi);
  if (kInverse) return {Add(Mul(b.r, r), Mul(b.i, i)), Sub(Mul(b.i, r), Mul(b.r, i))};
  return {Sub(Mul(b.r, r), Mul(b.i, i)), Add(Mul(b.r, i), Mul(b.i, r))};
}

// Butterfly4, four at a time.
template <bool kInverse>
inline void Butterfly4x4(C4 a, C4 b, C4 c, C4 d, C4& x0, C4& x1, C4& x2, C4& x3) {
  using namespace v4;
  const C4 t0 = {Add(a.r, b.r), Add(a.i, b.i)};
  const C4 t1 = {Sub(a.r, b.r), Sub(a.i, b.i)};
  const C4 t2 = {Add(c.r, d.r), Add(c.i, d.i)};
  const C4 t3 = {Sub(c.r, d.r), Sub(c.i, d.i)};
  x0 = {Add(t0.r, t2.r), Add(t0.i, t2.i)};
  x2 = {Sub(t0.r, t2.r), Sub(t0.i, t2.i)};
  if (kInverse) {
    x1 = {Sub(t1.r, t3.i), Add(t1.i, t3.r)};
    x3 = {Add(t1.r, t3.i), Sub(t1.i, t3.r)};
  } else {
    x1 = {Add(t1.r, t3.i), Sub(t1.i, t3.r)};
    x3 = {Sub(t1.r, t3.i), Add(t1.i, t3.r)};
  }
}

// First pass of 16 points or more: the first two radix-4 stages of each block of 16 in
// registers. The four quarter blocks go through the twiddle-free butterflies side by side
// (one per lane); a transpose then puts each quarter in one vector for the second stage
// (twiddles of W = e^-2pi i/16, the first six planes of the table). Reads the input in
// bit-reversed order (kGather) or, in place, the already permuted points.
template <bool kInverse, bool kGather, bool kLast>
void FirstPass16(Cpx* out, const Cpx* in, const uint32_t* reversed, int32_t n, const float* tw, float scale) {
  using namespace v4;
  const int32_t u = n / 16;
  // Position 4m + e of a block holds the point at offset quarter[m] + element[e] from the
  // block's first: bit reversal of the low four bits of the position.
  const int32_t quarter[4] = {kGather ? 0 : 0, kGather ? 2 * u : 4, kGather ? u : 8, kGather ? 3 * u : 12};
  const int32_t element[4] = {0, kGather ? 8 * u : 1, kGather ? 4 * u : 2, kGather ? 12 * u : 3};
  const f4 s4 = Set1(scale);
  for (int32_t j = 0; j < n; j += 16) {
    const Cpx* base = kGather ? in + reversed[j] : out + j;
    C4 y[4];
    for (int32_t e = 0; e < 4; ++e) {
      const Cpx* p = base + element[e];
      GatherPairs(&p[quarter[0]].r, &p[quarter[1]].r, &p[quarter[2]].r, &p[quarter[3]].r, y[e].r, y[e].i);
    }
    C4 z[4];
    Butterfly4x4<kInverse>(y[0], y[1], y[2], y[3], z[0], z[1], z[2], z[3]);
    Transpose(z[0].r, z[1].r, z[2].r, z[3].r);
    Transpose(z[0].i, z[1].i, z[2].i, z[3].i);
    const C4 b = Rotate4<kInverse>(z[1], tw + 8, tw + 12);
    const C4 c = Rotate4<kInverse>(z[2], tw, tw + 4);
    const C4 d = Rotate4<kInverse>(z[3], tw + 16, tw + 20);
    C4 x[4];
    Butterfly4x4<kInverse>(z[0], b, c, d, x[0], x[1], x[2], x[3]);
    for (int32_t r = 0; r < 4; ++r) StoreC4<kLast, kInverse>(out + j + 4 * r, x[r], s4);
  }
}

// One radix-4 stage over blocks of 4q points (q a multiple of 4), four butterflies at a time.
template <bool kInverse, bool kLast>
void Radix4Stage(Cpx* x, int32_t n, int32_t q, const float* tw, float scale) {
  const v4::f4 s4 = v4::Set1(scale);
  for (int32_t s = 0; s < n; s += 4 * q) {
    Cpx* p = x + s;
    for (int32_t k = 0; k < q; k += 4) {
      const C4 a = LoadSplit(p + k);
      const C4 b = Rotate4<kInverse>(LoadSplit(p + k + q), tw + 2 * q + k, tw + 3 * q + k);
      const C4 c = Rotate4<kInverse>(LoadSplit(p + k + 2 * q), tw + k, tw + q + k);
      const C4 d = Rotate4<kInverse>(LoadSplit(p + k + 3 * q), tw + 4 * q + k, tw + 5 * q + k);
      C4 y[4];
      Butterfly4x4<kInverse>(a, b, c, d, y[0], y[1], y[2], y[3]);
      for (int32_t r = 0; r < 4; ++r) StoreC4<kLast, kInverse>(p + k + r * q, y[r], s4);
    }
  }
}

// The radix-2 stage that ends a transform whose log2 n is odd: twiddles W^k, k < n/2,
// W = e^-2pi i/n, as two planes.
template <bool kInverse>
void Radix2LastStage(Cpx* x, int32_t n, const float* tw, float scale) {
  using namespace v4;
  const f4 s4 = Set1(scale);
  const int32_t q = n / 2;
  for (int32_t k = 0; k < q; k += 4) {
    const C4 a = LoadSplit(x + k);
    const C4 b = Rotate4<kInverse>(LoadSplit(x + k + q), tw + k, tw + q + k);
    StoreC4<true, kInverse>(x + k, {Add(a.r, b.r), Add(a.i, b.i)}, s4);
    StoreC4<true, kInverse>(x + k + q, {Sub(a.r, b.r), Sub(a.i, b.i)}, s4);
  }
}

void PermuteInPlace(Cpx* x, const uint32_t* reversed, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t r = reversed[i];
    if (r > static_cast<uint32_t>(i)) {
      const Cpx t = x[i];
      x[i] = x[r];
      x[r] = t;
    }
  }
}

// 2, 4 and 8 points, one butterfly at a time.
template <bool kInverse>
void SmallTransform(Cpx* out, const Cpx* in, const ne10_fft_state_float32_t& plan) {
  const int32_t n = plan.n;
  const bool inPlace = in == out;
  if (inPlace) PermuteInPlace(out, plan.reversed, n);
  if (n == 4) {
    if (inPlace) FirstPass4<kInverse, false>(out, nullptr, nullptr, n);
    else FirstPass4<kInverse, true>(out, in, plan.reversed, n);
  } else {
    if (inPlace) FirstPass2<false>(out, nullptr, nullptr, n);
    else FirstPass2<true>(out, in, plan.reversed, n);
    if (n == 8) Stage4<kInverse>(out, n, 2, plan.twiddles);
  }
  if (kInverse) {
    const float scale = 1.0f / static_cast<float>(n);
    for (int32_t i = 0; i < n; ++i) {
      out[i].r *= scale;
      out[i].i *= scale;
    }
  }
}

template <bool kInverse>
void Transform(Cpx* out, const Cpx* in, const ne10_fft_state_float32_t& plan) {
  const int32_t n = plan.n;
  if (n < 16) {
    SmallTransform<kInverse>(out, in, plan);
    return;
  }
  const float scale = 1.0f / static_cast<float>(n);
  const float* tw = plan.twiddles;
  if (in == out) {
    PermuteInPlace(out, plan.reversed, n);
    if (n == 16) FirstPass16<kInverse, false, true>(out, nullptr, nullptr, n, tw, scale);
    else FirstPass16<kInverse, false, false>(out, nullptr, nullptr, n, tw, scale);
  } else {
    if (n == 16) FirstPass16<kInverse, true, true>(out, in, plan.reversed, n, tw, scale);
    else FirstPass16<kInverse, true, false>(out, in, plan.reversed, n, tw, scale);
  }
  tw += 24;
  int32_t length = 16;
  for (; 4 * length <= n; length *= 4) {
    if (4 * length == n) Radix4Stage<kInverse, true>(out, n, length, tw, scale);
    else Radix4Stage<kInverse, false>(out, n, length, tw, scale);
    tw += 6 * length;
  }
  if (2 * length == n) Radix2LastStage<kInverse>(out, n, tw, scale);
}

// The plan's twiddle table (see ne10_fft_state_float32_t) into tw, or only its length when
// tw is null.
int32_t MakeTwiddles(int32_t n, float* tw) {
  int32_t count = 0;
  auto radix4 = [&](int32_t q) {
    for (int32_t m = 1; m <= 3 && tw; ++m) {
      for (int32_t k = 0; k < q; ++k) {
        const double a = -2.0 * M_PI * m * k / (4.0 * q);
        tw[count + (2 * m - 2) * q + k] = static_cast<float>(std::cos(a));
        tw[count + (2 * m - 1) * q + k] = static_cast<float>(std::sin(a));
      }
    }
    count += 6 * q;
  };
  if (n == 8) radix4(2);
  if (n < 16) return count;
  int32_t length = 4;
  for (; 4 * length <= n; length *= 4) radix4(length);
  if (2 * length == n) {
    for (int32_t k = 0; k < length && tw; ++k) {
      const double a = -2.0 * M_PI * k / n;
      tw[count + k] = static_cast<float>(std::cos(a));
      tw[count + length + k] = static_cast<float>(std::sin(a));
    }
    count += 2 * length;
  }
  return count;
}

}  // namespace

extern "C" {

ne10_result_t ne10_init(void) {
  g_initialised.store(true, std::memory_order_relaxed);
  return NE10_OK;
}

ne10_result_t ne10_HasNEON(void) {
#if defined(__ARM_NEON) || defined(__ARM_NEON__)
  return NE10_OK;
#else
  return NE10_ERR;
#endif
}

ne10_result_t ne10_init_math(int) { return NE10_OK; }

ne10_fft_cfg_float32_t ne10_fft_alloc_c2c_float32(ne10_int32_t nfft) {
  RequireInit("ne10_fft_alloc_c2c_float32");
  if (nfft < 2 || nfft > 65536 || (nfft & (nfft - 1)) != 0) return nullptr;
  auto* cfg = new (std::nothrow) ne10_fft_state_float32_t{};
  if (!cfg) return nullptr;
  cfg->n = nfft;
  int32_t log2n = 0;
  while ((1 << log2n) < nfft) ++log2n;
  const int32_t twiddleCount = MakeTwiddles(nfft, nullptr);
  cfg->twiddles = new (std::nothrow) float[twiddleCount > 0 ? twiddleCount : 1];
  cfg->reversed = new (std::nothrow) uint32_t[nfft];
  if (!cfg->twiddles || !cfg->reversed) {
    ne10_fft_destroy_c2c_float32(cfg);
    return nullptr;
  }
  MakeTwiddles(nfft, cfg->twiddles);
  for (int32_t i = 0; i < nfft; ++i) {
    uint32_t r = 0;
    for (int32_t b = 0; b < log2n; ++b) r |= ((static_cast<uint32_t>(i) >> b) & 1u) << (log2n - 1 - b);
    cfg->reversed[i] = r;
  }
  return cfg;
}

void ne10_fft_c2c_1d_float32(ne10_fft_cpx_float32_t* fout, ne10_fft_cpx_float32_t* fin,
                             ne10_fft_cfg_float32_t cfg, ne10_int32_t inverse_fft) {
  if (!cfg || !fout || !fin) return;
  if (inverse_fft) Transform<true>(fout, fin, *cfg);
  else Transform<false>(fout, fin, *cfg);
}

void ne10_fft_destroy_c2c_float32(ne10_fft_cfg_float32_t cfg) {
  if (!cfg) return;
  delete[] cfg->twiddles;
  delete[] cfg->reversed;
  delete cfg;
}

}  // extern "C"
