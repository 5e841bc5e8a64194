#include "data/WaveTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "data/ContentHash.h"
#include "data/SampleFile.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"

namespace {

constexpr std::size_t kBlock = std::size_t{WaveTable::kVariants} * WaveTable::kSize;
// From this many samples on, the first 256 frames are taken as they are.
constexpr std::size_t kDirectSamples = kBlock;

// The table holds 16-bit data whatever the file stored. Out-of-range values clamp (a plain
// narrowing would wrap 1.5 to a large negative value) and NaN reads as 0.
float Quantise16(float x) {
  const int32_t q = std::clamp(arm::ToInt32(x * 32767.0f), -32767, 32767);
  return static_cast<float>(static_cast<int16_t>(q)) / 32767.0f;
}

}  // namespace

WaveTable::WaveTable()
    : spectra_(new ne10_fft_cpx_float32_t[kBlock]()),
      phasors_(new ne10_fft_cpx_float32_t[kBlock]()),
      samples_(new float[kBlock]()),
      magnitudes_(new float[kBlock]()),
      phases_(new float[kBlock]()),
      scanBins_(new float[std::size_t{kVariants} * kScanBins * 4]()),
      variants_(kVariants) {
  for (std::size_t v = 0; v < variants_.size(); ++v) {
    const std::size_t at = v * kSize;
    variants_[v].spectrum = spectra_.get() + at;
    variants_[v].samples = samples_.get() + at;
    variants_[v].phasors = phasors_.get() + at;
    variants_[v].magnitudes = magnitudes_.get() + at;
    variants_[v].phases = phases_.get() + at;
  }
  fft_.InitForward(kSize);
}

int WaveTable::LoadFile(const std::string& path) {
  raw_.clear();
  SampleFile file;
  if (!file.Load(path)) return 0;
  if (file.Channels() == 0 || file.Frames() == 0) return 0;
  const std::size_t count = static_cast<std::size_t>(file.Frames());
  if (count < static_cast<std::size_t>(kSize)) {
    platform::LogPrintf("ERROR: [WaveTable] '%s' holds fewer than %d samples\n", path.c_str(), kSize);
    return 0;
  }
  const float* src = file.Channel(0);
  raw_.resize(count);
  for (std::size_t i = 0; i < count; ++i) raw_[i] = Quantise16(src[i]);
  contentHash_ = static_cast<int32_t>(content_hash::Accumulate(0, raw_.data(), raw_.size()));

  const int32_t frames = static_cast<int32_t>(std::min<std::size_t>(count / kSize, 0x7FFFFFFF));
  if (count >= kDirectSamples) {
    CopyFrames(kVariants, raw_.data());
    platform::LogPrintf("WT Load:'%s' variants: 256\n", path.c_str());
  } else {
    const int32_t out = FillVariants(frames, raw_.data());
    platform::LogPrintf("WT Load:'%s' variants: %d, out: %d\n", path.c_str(), frames, out);
  }
  return 1;
}

int WaveTable::LoadNative(const int16_t* samples, std::size_t count) {
  raw_.clear();
  if (count < static_cast<std::size_t>(kSize)) {
    platform::LogPrintf("ERROR: [WaveTable] native data holds fewer than %d samples\n", kSize);
    return 0;
  }
  raw_.resize(count);
  for (std::size_t i = 0; i < count; ++i) raw_[i] = static_cast<float>(samples[i]) / 32767.0f;
  contentHash_ = static_cast<int32_t>(content_hash::Accumulate(0, raw_.data(), raw_.size()));

  const int32_t frames = static_cast<int32_t>(std::min<std::size_t>(count / kSize, 0x7FFFFFFF));
  if (count < kDirectSamples) {
    const int32_t out = FillVariants(frames, raw_.data());
    platform::LogPrintf("WT Load: samples %d variants: %d, out: %d\n", static_cast<int>(count), frames, out);
  } else {
    CopyFrames(kVariants, raw_.data());
    platform::LogPrintf("WT Load: samples: %d variants: 256\n", static_cast<int>(count));
  }
  return 1;
}

void WaveTable::CopyFrames(int32_t frames, const float* data) {
  const int32_t n = std::min(frames, kVariants);
  for (int32_t v = 0; v < n; ++v) {
    WaveVariant& variant = variants_[static_cast<std::size_t>(v)];
    std::memcpy(variant.samples, data + static_cast<std::size_t>(v) * kSize, kSize * sizeof(float));
    variant.sampleCount = kSize;
  }
}

int32_t WaveTable::FillVariants(int32_t frames, const float* data) {
  if (frames < 1) return -1;
  // A single frame has nothing to crossfade towards (the step would divide by zero):
  // every variant is that frame.
  if (frames == 1) {
    for (WaveVariant& variant : variants_) {
      std::memcpy(variant.samples, data, kSize * sizeof(float));
      variant.sampleCount = kSize;
    }
    return -1;
  }
  // Beyond 257 frames the step would be 0; every variant is then a frame of its own.
  frames = std::min(frames, kVariants + 1);
  const int32_t step = kVariants / (frames - 1);
  const float inverseStep = 1.0f / static_cast<float>(step);
  for (int32_t k = 0; k + 1 < frames; ++k) {
    const float* a = data + static_cast<std::size_t>(k) * kSize;
    const float* b = a + kSize;
    for (int32_t i = 0; i < step; ++i) {
      WaveVariant& variant = variants_[static_cast<std::size_t>(k * step + i)];
      const float d = static_cast<float>(i) * inverseStep;
      const float keep = 1.0f - d;
      float* out = variant.samples;
      for (int32_t s = 0; s < kSize; ++s) out[s] = keep * a[s] + d * b[s];
      variant.sampleCount = kSize;
    }
  }
  const int32_t last = (frames - 1) * step - 1;
  for (int32_t v = last + 1; v < kVariants; ++v) {
    std::memcpy(variants_[static_cast<std::size_t>(v)].samples, variants_[static_cast<std::size_t>(last)].samples,
                kSize * sizeof(float));
    variants_[static_cast<std::size_t>(v)].sampleCount = kSize;
  }
  return last;
}

void WaveTable::AnalyseVariant(int32_t i) {
  if (i < 0 || i >= kVariants) return;
  WaveVariant& v = variants_[static_cast<std::size_t>(i)];
  if (v.sampleCount == 0) return;
  fft_.Forward(v.spectrum, v.samples);
  for (int32_t k = 0; k < kSize; ++k) {
    const float re = v.spectrum[k].r;
    const float im = v.spectrum[k].i;
    const float phase = std::atan2(im, re);
    v.magnitudes[k] = std::sqrt(re * re + im * im);
    v.phases[k] = phase;
    v.phasors[k] = {std::cos(phase), std::sin(phase)};
  }
  float* scan = scanBins_.get() + static_cast<std::size_t>(i) * kScanBins * 4;
  for (int32_t k = 0; k < kScanBins; ++k) {
    scan[4 * k] = v.phasors[k].r;
    scan[4 * k + 1] = v.phasors[k].i;
    scan[4 * k + 2] = v.magnitudes[k];
    scan[4 * k + 3] = 0.0f;
  }
  v.bins = kSize;
}
