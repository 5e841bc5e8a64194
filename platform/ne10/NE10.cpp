#include "NE10.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

// Iterative radix-2 decimation-in-time transform with twiddles and the bit-reversal
// permutation precomputed in the plan.
struct ne10_fft_state_float32_t {
  int32_t n;
  int32_t log2n;
  ne10_fft_cpx_float32_t* twiddles;  // e^-2pi i k/n, k < n/2
  uint32_t* reversed;                // bit-reversed index of each position
};

namespace {

// In the library the FFT entry points are function pointers that ne10_init fills in for
// the processor; before it they are null and a call crashes. The stand-in fails as surely,
// with a reason, so that a start-up that prepares an FFT too early fails here as well.
std::atomic<bool> g_initialised{false};

void RequireInit(const char* what) {
  if (g_initialised.load(std::memory_order_relaxed)) return;
  std::fprintf(stderr, "%s called before ne10_init\n", what);
  std::abort();
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
  while ((1 << cfg->log2n) < nfft) ++cfg->log2n;
  cfg->twiddles = new (std::nothrow) ne10_fft_cpx_float32_t[nfft / 2];
  cfg->reversed = new (std::nothrow) uint32_t[nfft];
  if (!cfg->twiddles || !cfg->reversed) {
    ne10_fft_destroy_c2c_float32(cfg);
    return nullptr;
  }
  for (int32_t k = 0; k < nfft / 2; ++k) {
    const double a = -2.0 * M_PI * k / nfft;
    cfg->twiddles[k] = {static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a))};
  }
  for (int32_t i = 0; i < nfft; ++i) {
    uint32_t r = 0;
    for (int32_t b = 0; b < cfg->log2n; ++b) r |= ((static_cast<uint32_t>(i) >> b) & 1u) << (cfg->log2n - 1 - b);
    cfg->reversed[i] = r;
  }
  return cfg;
}

void ne10_fft_c2c_1d_float32(ne10_fft_cpx_float32_t* fout, ne10_fft_cpx_float32_t* fin,
                             ne10_fft_cfg_float32_t cfg, ne10_int32_t inverse_fft) {
  if (!cfg || !fout || !fin) return;
  const int32_t n = cfg->n;
  if (fout == fin) {
    // In place: permute by swapping pairs.
    for (int32_t i = 0; i < n; ++i) {
      const uint32_t r = cfg->reversed[i];
      if (r > static_cast<uint32_t>(i)) {
        const ne10_fft_cpx_float32_t t = fout[i];
        fout[i] = fout[r];
        fout[r] = t;
      }
    }
  } else {
    for (int32_t i = 0; i < n; ++i) fout[cfg->reversed[i]] = fin[i];
  }
  const float sign = inverse_fft ? -1.0f : 1.0f;  // conjugate twiddles for the inverse
  for (int32_t len = 2; len <= n; len <<= 1) {
    const int32_t half = len / 2;
    const int32_t stride = n / len;
    for (int32_t start = 0; start < n; start += len) {
      for (int32_t k = 0; k < half; ++k) {
        const ne10_fft_cpx_float32_t w = cfg->twiddles[k * stride];
        const float wi = w.i * sign;
        ne10_fft_cpx_float32_t& a = fout[start + k];
        ne10_fft_cpx_float32_t& b = fout[start + k + half];
        const float tr = b.r * w.r - b.i * wi;
        const float ti = b.r * wi + b.i * w.r;
        b.r = a.r - tr;
        b.i = a.i - ti;
        a.r += tr;
        a.i += ti;
      }
    }
  }
  if (inverse_fft) {
    const float scale = 1.0f / static_cast<float>(n);
    for (int32_t i = 0; i < n; ++i) {
      fout[i].r *= scale;
      fout[i].i *= scale;
    }
  }
}

void ne10_fft_destroy_c2c_float32(ne10_fft_cfg_float32_t cfg) {
  if (!cfg) return;
  delete[] cfg->twiddles;
  delete[] cfg->reversed;
  delete cfg;
}

}  // extern "C"
