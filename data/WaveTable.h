#pragma once
// A wavetable: 256 single-cycle waveforms ("variants") of 2048 samples, made from a file
// or preset data of 2048-sample frames by crossfading neighbouring frames, each with its
// spectrum (magnitude, phase, unit phasor per bin) for the spectral oscillator.
// Everything is allocated at construction; loading and analysis only overwrite it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/WaveCacheEntry.h"
#include "numeric/FftProcessor.h"

// One variant. Pointers into the table's blocks, each kSize long.
struct WaveVariant {
  int32_t bins = 0;                               // analysed bins: 0, or kSize once analysed
  ne10_fft_cpx_float32_t* spectrum = nullptr;     // unscaled forward transform of samples
  int32_t sampleCount = 0;                        // 0 until filled, then kSize
  float* samples = nullptr;
  ne10_fft_cpx_float32_t* phasors = nullptr;      // (cos, sin) of each bin's phase
  float* magnitudes = nullptr;
  float* phases = nullptr;                        // radians
};

class WaveTable : public WaveCacheEntry {
 public:
  static constexpr int32_t kVariants = 256;
  static constexpr int32_t kSize = 2048;  // samples per frame and per variant
  // Bins the spectral oscillator's tables hold, kept again in ScanBins.
  static constexpr int32_t kScanBins = 256;

  WaveTable();
  WaveTable(const WaveTable&) = delete;
  WaveTable& operator=(const WaveTable&) = delete;

  // Loads a WAV file (first channel, quantised to 16 bits) and fills the variants.
  // 0 when the codec fails or the file holds less than one frame.
  int LoadFile(const std::string& path);
  // Fills the variants from 16-bit samples. 0 when there is less than one frame.
  int LoadNative(const int16_t* samples, std::size_t count);
  // Spectrum of variant i (nothing when it holds no samples).
  void AnalyseVariant(int32_t i);
  // The crossfade fill from `frames` frames of `data`; returns the last crossfaded
  // variant, (frames - 1) x step - 1.
  int32_t FillVariants(int32_t frames, const float* data);

  const WaveVariant& Variant(int32_t i) const { return variants_[static_cast<std::size_t>(i)]; }
  // Bins 0 .. kScanBins - 1 of analysed variant i, four floats a bin: the unit phasor (re,
  // im), the magnitude and 0, so that a read of one bin from neighbouring variants is one
  // vector load each. Zero until the variant is analysed.
  const float* ScanBins(int32_t i) const { return scanBins_.get() + static_cast<std::size_t>(i) * kScanBins * 4; }
  const std::vector<float>& RawSamples() const { return raw_; }
  // Content hash of the raw samples (computed by the loaders).
  int32_t ContentHash() const { return contentHash_; }

 private:
  // Copies the first min(frames, 256) frames straight into the variants.
  void CopyFrames(int32_t frames, const float* data);
  // Shared tail of both loaders once raw_ holds the samples.
  int32_t Fill(int32_t frames);

  std::unique_ptr<ne10_fft_cpx_float32_t[]> spectra_;
  std::unique_ptr<ne10_fft_cpx_float32_t[]> phasors_;
  std::unique_ptr<float[]> samples_;
  std::unique_ptr<float[]> magnitudes_;
  std::unique_ptr<float[]> phases_;
  std::unique_ptr<float[]> scanBins_;
  std::vector<WaveVariant> variants_;
  FftProcessor fft_;
  std::vector<float> raw_;
  int32_t contentHash_ = 0;
};
