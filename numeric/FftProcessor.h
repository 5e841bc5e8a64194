#pragma once
// Complex FFT of real blocks over Ne10 for the spectral work on wavetables: forward
// (unscaled), inverse (Ne10 scales by 1/n; real parts kept) and band limiting of a
// spectrum. Each owner uses its own object; not shared between threads.
#include <cstdint>

#include "NE10.h"

class FftProcessor {
 public:
  FftProcessor() = default;
  ~FftProcessor();
  FftProcessor(const FftProcessor&) = delete;
  FftProcessor& operator=(const FftProcessor&) = delete;

  // Prepare n-point transforms (power of two). A size Ne10 cannot plan leaves that
  // direction unprepared (size 0): its transform then does nothing.
  void InitForward(int32_t n);
  void InitInverse(int32_t n);

  // forwardSize real samples in, forwardSize complex bins out (unscaled).
  void Forward(ne10_fft_cpx_float32_t* spectrumOut, const float* realIn);
  // inverseSize complex bins in, the real parts of the inverse out.
  void Inverse(float* realOut, const ne10_fft_cpx_float32_t* spectrumIn);
  // The same for a spectrum whose bins above inverseSize / 2 are zero (they are not read),
  // through a transform of half the size: equal to Inverse's output within rounding.
  void InverseLowHalf(float* realOut, const ne10_fft_cpx_float32_t* spectrumIn);

  // Keeps the positive-frequency bins up to limitFreq of a spectrum whose bin 1 is baseFreq:
  // with c = min(limitFreq / baseFreq, n/2), bin k = int(c) is scaled by the fraction of c
  // (bin 0 never is) and bins above it are cleared. baseFreq <= 0: unchanged.
  static void BandLimit(int32_t n, ne10_fft_cpx_float32_t* spectrum, float baseFreq, float limitFreq);
  // The same with the fractional cutoff bin c given (0 <= c <= n/2).
  static void BandLimitAt(int32_t n, ne10_fft_cpx_float32_t* spectrum, float c);
  // The fractional cutoff bin c (stored in cOut) and its integer part; n for baseFreq <= 0.
  static int32_t CutoffBin(int32_t n, float& cOut, float baseFreq, float limitFreq);

  void Release();

  int32_t ForwardSize() const { return forwardSize_; }
  int32_t InverseSize() const { return inverseSize_; }

 private:
  void GrowOutput(int32_t n);
  // One direction's plan, zeroed input buffer and size (0 when n cannot be planned).
  void Prepare(int32_t n, ne10_fft_cfg_float32_t& cfg, ne10_fft_cpx_float32_t*& input, int32_t& size);
  // Frees the half-size inverse's plan and twiddles.
  void ReleaseHalf();

  ne10_fft_cfg_float32_t forwardCfg_ = nullptr;
  ne10_fft_cfg_float32_t inverseCfg_ = nullptr;
  ne10_fft_cfg_float32_t halfCfg_ = nullptr;  // inverseSize / 2 points, inverse
  float* halfSin_ = nullptr;  // sin and cos of 2 pi k / inverseSize, k < inverseSize / 2
  float* halfCos_ = nullptr;
  ne10_fft_cpx_float32_t* forwardIn_ = nullptr;
  ne10_fft_cpx_float32_t* inverseIn_ = nullptr;
  ne10_fft_cpx_float32_t* output_ = nullptr;
  int32_t outputSize_ = 0;
  int32_t forwardSize_ = 0;
  int32_t inverseSize_ = 0;
};
