#include "numeric/FftProcessor.h"

#include <algorithm>
#include <cmath>

#include "platform/Simd4.h"

FftProcessor::~FftProcessor() { Release(); }

void FftProcessor::GrowOutput(int32_t n) {
  // The inverse's complex result; sized to the larger of the two prepared sizes, whatever
  // the order of the initialisers.
  if (n <= outputSize_) return;
  delete[] output_;
  output_ = new ne10_fft_cpx_float32_t[n]();
  outputSize_ = n;
}

void FftProcessor::Prepare(int32_t n, ne10_fft_cfg_float32_t& cfg, ne10_fft_cpx_float32_t*& input, int32_t& size) {
  delete[] input;
  input = nullptr;
  ne10_fft_destroy_c2c_float32(cfg);
  size = 0;
  cfg = ne10_fft_alloc_c2c_float32(n);
  if (!cfg) return;
  GrowOutput(n);
  input = new ne10_fft_cpx_float32_t[n]();
  size = n;
}

void FftProcessor::InitForward(int32_t n) { Prepare(n, forwardCfg_, forwardIn_, forwardSize_); }

void FftProcessor::ReleaseHalf() {
  ne10_fft_destroy_c2c_float32(halfCfg_);
  halfCfg_ = nullptr;
  delete[] halfSin_;
  delete[] halfCos_;
  halfSin_ = halfCos_ = nullptr;
}

void FftProcessor::InitInverse(int32_t n) {
  Prepare(n, inverseCfg_, inverseIn_, inverseSize_);
  ReleaseHalf();
  // Groups of four bins on each side of the middle.
  const int32_t m = inverseSize_ / 2;
  if (m < 8) return;
  halfCfg_ = ne10_fft_alloc_c2c_float32(m);
  if (!halfCfg_) return;
  halfSin_ = new float[m];
  halfCos_ = new float[m];
  for (int32_t k = 0; k < m; ++k) {
    const double a = 2.0 * 3.14159265358979323846 * k / inverseSize_;
    halfSin_[k] = static_cast<float>(std::sin(a));
    halfCos_[k] = static_cast<float>(std::cos(a));
  }
}

void FftProcessor::Forward(ne10_fft_cpx_float32_t* spectrumOut, const float* realIn) {
  if (!forwardCfg_) return;
  const int32_t n = forwardSize_;
  ne10_fft_cpx_float32_t* in = forwardIn_;
  const v4::f4 zero = v4::Set1(0.0f);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) v4::StorePairs(&in[i].r, v4::Load(realIn + i), zero);
  for (; i < n; ++i) in[i] = {realIn[i], 0.0f};
  ne10_fft_c2c_1d_float32(spectrumOut, in, forwardCfg_, 0);
}

void FftProcessor::Inverse(float* realOut, const ne10_fft_cpx_float32_t* spectrumIn) {
  if (!inverseCfg_) return;
  const int32_t n = inverseSize_;
  const ne10_fft_cpx_float32_t* out = output_;
  std::copy(spectrumIn, spectrumIn + n, inverseIn_);
  ne10_fft_c2c_1d_float32(output_, inverseIn_, inverseCfg_, 1);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v4::f4 re, im;
    v4::LoadPairs(&out[i].r, re, im);
    v4::Store(realOut + i, re);
  }
  for (; i < n; ++i) realOut[i] = out[i].r;
}

int32_t FftProcessor::CutoffBin(int32_t n, float& cOut, float baseFreq, float limitFreq) {
  if (!(baseFreq > 0.0f)) return n;
  // Bin k sounds at k x baseFreq: the last bin at or below the limit fades in by the fraction
  // as the note falls. Bins above n/2 of a real block mirror the ones below; keeping them
  // would add a second copy of some harmonics and not of others.
  float c = std::min(limitFreq / baseFreq, static_cast<float>(n / 2));
  if (!(c >= 0.0f)) c = 0.0f;  // NaN or a limit below -baseFreq: keep nothing, index nothing below 0
  cOut = c;
  return static_cast<int32_t>(c);
}

// A real output x of n points is the inverse of the Hermitian spectrum H with H0 = Re S0,
// H(n/2) = Re S(n/2) and Hk = Sk / 2 between. Its even points and odd points, as the real and
// imaginary parts of one complex sequence z, are the n/2-point inverse of
// Zk = (Hk + H(k+n/2)) / 2 + i w^k (Hk - H(k+n/2)) / 2, w = e^(2 pi i / n), where
// H(k+n/2) = conj H(n/2-k): a transform of half the size and no imaginary parts thrown away.
void FftProcessor::InverseLowHalf(float* realOut, const ne10_fft_cpx_float32_t* spectrumIn) {
  const int32_t m = inverseSize_ / 2;
  if (!halfCfg_) {
    if (!inverseCfg_) return;
    ne10_fft_cpx_float32_t* in = inverseIn_;
    std::copy(spectrumIn, spectrumIn + m + 1, in);
    std::fill(in + m + 1, in + inverseSize_, ne10_fft_cpx_float32_t{0.0f, 0.0f});
    ne10_fft_c2c_1d_float32(output_, in, inverseCfg_, 1);
    for (int32_t i = 0; i < inverseSize_; ++i) realOut[i] = output_[i].r;
    return;
  }
  const float* s = &spectrumIn[0].r;
  float* z = &inverseIn_[0].r;
  const v4::f4 quarter = v4::Set1(0.25f);
  for (int32_t k = 0; k < m; k += 4) {
    v4::f4 a, b, c, d;  // Sk = a + ib, S(m-k) = c + id
    v4::LoadPairs(s + 2 * k, a, b);
    v4::LoadPairs(s + 2 * (m - k - 3), c, d);
    c = v4::Reverse(c);
    d = v4::Reverse(d);
    const v4::f4 sum = v4::Add(a, c);        // Sk + conj S(m-k)
    const v4::f4 sumIm = v4::Sub(b, d);
    const v4::f4 diff = v4::Sub(a, c);       // Sk - conj S(m-k)
    const v4::f4 diffIm = v4::Add(b, d);
    const v4::f4 sn = v4::Load(halfSin_ + k);
    const v4::f4 cs = v4::Load(halfCos_ + k);
    // i w^k = -sin + i cos.
    const v4::f4 re = v4::Sub(v4::Sub(sum, v4::Mul(sn, diff)), v4::Mul(cs, diffIm));
    const v4::f4 im = v4::Add(v4::Sub(sumIm, v4::Mul(sn, diffIm)), v4::Mul(cs, diff));
    v4::StorePairs(z + 2 * k, v4::Mul(re, quarter), v4::Mul(im, quarter));
  }
  const float h0 = spectrumIn[0].r;
  const float hm = spectrumIn[m].r;
  inverseIn_[0] = {0.5f * (h0 + hm), 0.5f * (h0 - hm)};
  ne10_fft_c2c_1d_float32(output_, inverseIn_, halfCfg_, 1);
  const float* out = &output_[0].r;
  for (int32_t i = 0; i < 2 * m; i += 4) v4::Store(realOut + i, v4::Load(out + i));
}

void FftProcessor::BandLimit(int32_t n, ne10_fft_cpx_float32_t* spectrum, float baseFreq, float limitFreq) {
  float c = 0.0f;
  if (CutoffBin(n, c, baseFreq, limitFreq) >= n) return;
  BandLimitAt(n, spectrum, c);
}

void FftProcessor::BandLimitAt(int32_t n, ne10_fft_cpx_float32_t* spectrum, float c) {
  const int32_t k = static_cast<int32_t>(c);
  const float frac = c - static_cast<float>(k);
  if (k >= 1) {  // bin 0 is the constant part, not a harmonic
    spectrum[k].r *= frac;
    spectrum[k].i *= frac;
  }
  for (int32_t i = k + 1; i < n; ++i) spectrum[i] = {0.0f, 0.0f};
}

void FftProcessor::Release() {
  delete[] forwardIn_;
  delete[] inverseIn_;
  delete[] output_;
  forwardIn_ = inverseIn_ = output_ = nullptr;
  outputSize_ = 0;
  ne10_fft_destroy_c2c_float32(forwardCfg_);
  ne10_fft_destroy_c2c_float32(inverseCfg_);
  ReleaseHalf();
  forwardCfg_ = inverseCfg_ = nullptr;
  forwardSize_ = inverseSize_ = 0;
}
