#include "NE10.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/Simd4.h"

// Radix-4 decimation in time (radix 2^2: two radix-2 stages fused, on bit-reversed input).
// The first pass reads the input in bit-reversed order and does the twiddle-free butterflies
// (radix 4, or radix 2 when log2 n is odd); every later pass is a radix-4 stage, four
// butterflies at a time through the vector unit once a quarter block holds four points.
// Everything that depends only on n is made with the plan.
struct ne10_fft_state_float32_t {
  int32_t n;
  int32_t firstRadix;  // 2 or 4
  uint32_t* reversed;  // bit-reversed index of each position
  // For each radix-4 stage, block length L = 4q from small to large: the six planes
  // Re W^k, Im W^k, Re W^2k, Im W^2k, Re W^3k, Im W^3k for k < q (q floats each),
  // W = e^-2pi i/L. The inverse uses their conjugates.
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

// One radix-4 stage over blocks of 4q points, one butterfly at a time: the stages whose
// quarter blocks are shorter than a vector.
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

// Four complex values as real and imaginary lanes.
struct C4 {
  v4::f4 r, i;
};

inline C4 LoadC4(const Cpx* p) {
  C4 c;
  v4::LoadPairs(&p->r, c.r, c.i);
  return c;
}

template <bool kScale>
inline void StoreC4(Cpx* p, C4 c, v4::f4 scale) {
  if (kScale) {
    c.r = v4::Mul(c.r, scale);
    c.i = v4::Mul(c.i, scale);
  }
  v4::StorePairs(&p->r, c.r, c.i);
}

template <bool kInverse>
inline C4 Rotate4(C4 b, const float* wr, const float* wi) {
  const v4::f4 r = v4::Load(wr);
  const v4::f4 i = v4::Load(wi);
  if (kInverse) return {v4::Add(v4::Mul(b.r, r), v4::Mul(b.i, i)), v4::Sub(v4::Mul(b.i, r), v4::Mul(b.r, i))};
  return {v4::Sub(v4::Mul(b.r, r), v4::Mul(b.i, i)), v4::Add(v4::Mul(b.r, i), v4::Mul(b.i, r))};
}

// Stage4 four butterflies at a time (q a multiple of 4); the inverse's last stage also
// scales by 1/n (a power of two, so the same as scaling afterwards).
template <bool kInverse, bool kScale>
void Stage4Vector(Cpx* x, int32_t n, int32_t q, const float* tw, float scale) {
  using namespace v4;
  const f4 s4 = Set1(scale);
  for (int32_t s = 0; s < n; s += 4 * q) {
    Cpx* p = x + s;
    for (int32_t k = 0; k < q; k += 4) {
      const C4 a = LoadC4(p + k);
      const C4 b = Rotate4<kInverse>(LoadC4(p + k + q), tw + 2 * q + k, tw + 3 * q + k);
      const C4 c = Rotate4<kInverse>(LoadC4(p + k + 2 * q), tw + k, tw + q + k);
      const C4 d = Rotate4<kInverse>(LoadC4(p + k + 3 * q), tw + 4 * q + k, tw + 5 * q + k);
      const C4 t0 = {Add(a.r, b.r), Add(a.i, b.i)};
      const C4 t1 = {Sub(a.r, b.r), Sub(a.i, b.i)};
      const C4 t2 = {Add(c.r, d.r), Add(c.i, d.i)};
      const C4 t3 = {Sub(c.r, d.r), Sub(c.i, d.i)};
      StoreC4<kScale>(p + k, {Add(t0.r, t2.r), Add(t0.i, t2.i)}, s4);
      StoreC4<kScale>(p + k + 2 * q, {Sub(t0.r, t2.r), Sub(t0.i, t2.i)}, s4);
      if (kInverse) {
        StoreC4<kScale>(p + k + q, {Sub(t1.r, t3.i), Add(t1.i, t3.r)}, s4);
        StoreC4<kScale>(p + k + 3 * q, {Add(t1.r, t3.i), Sub(t1.i, t3.r)}, s4);
      } else {
        StoreC4<kScale>(p + k + q, {Add(t1.r, t3.i), Sub(t1.i, t3.r)}, s4);
        StoreC4<kScale>(p + k + 3 * q, {Sub(t1.r, t3.i), Add(t1.i, t3.r)}, s4);
      }
    }
  }
}

template <bool kInverse>
void Transform(Cpx* out, const Cpx* in, const ne10_fft_state_float32_t& plan) {
  const int32_t n = plan.n;
  if (in != out) {
    if (plan.firstRadix == 4) FirstPass4<kInverse, true>(out, in, plan.reversed, n);
    else FirstPass2<true>(out, in, plan.reversed, n);
  } else {
    for (int32_t i = 0; i < n; ++i) {
      const uint32_t r = plan.reversed[i];
      if (r > static_cast<uint32_t>(i)) {
        const Cpx t = out[i];
        out[i] = out[r];
        out[r] = t;
      }
    }
    if (plan.firstRadix == 4) FirstPass4<kInverse, false>(out, nullptr, nullptr, n);
    else FirstPass2<false>(out, nullptr, nullptr, n);
  }
  const float scale = 1.0f / static_cast<float>(n);
  const float* tw = plan.twiddles;
  bool scaled = !kInverse;
  for (int32_t q = plan.firstRadix; q < n; q *= 4) {
    if (q < 4) {
      Stage4<kInverse>(out, n, q, tw);
    } else if (kInverse && 4 * q == n) {
      Stage4Vector<kInverse, true>(out, n, q, tw, scale);
      scaled = true;
    } else {
      Stage4Vector<kInverse, false>(out, n, q, tw, 1.0f);
    }
    tw += 6 * q;
  }
  if (!scaled) {
    for (int32_t i = 0; i < n; ++i) {
      out[i].r *= scale;
      out[i].i *= scale;
    }
  }
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
  cfg->firstRadix = (log2n % 2 == 0) ? 4 : 2;
  // Six planes of q floats for each stage; the quarters q sum to less than n/3.
  int32_t twiddleCount = 0;
  for (int32_t q = cfg->firstRadix; q < nfft; q *= 4) twiddleCount += 6 * q;
  cfg->twiddles = new (std::nothrow) float[twiddleCount > 0 ? twiddleCount : 1];
  cfg->reversed = new (std::nothrow) uint32_t[nfft];
  if (!cfg->twiddles || !cfg->reversed) {
    ne10_fft_destroy_c2c_float32(cfg);
    return nullptr;
  }
  float* tw = cfg->twiddles;
  for (int32_t q = cfg->firstRadix; q < nfft; q *= 4) {
    for (int32_t m = 1; m <= 3; ++m) {
      for (int32_t k = 0; k < q; ++k) {
        const double a = -2.0 * M_PI * m * k / (4.0 * q);
        tw[(2 * m - 2) * q + k] = static_cast<float>(std::cos(a));
        tw[(2 * m - 1) * q + k] = static_cast<float>(std::sin(a));
      }
    }
    tw += 6 * q;
  }
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
