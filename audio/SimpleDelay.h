#pragma once
// Fixed delay line on a power-of-two ring: reads at whole or fractional sample positions,
// optionally linearly interpolated; a delay of zero passes the input straight through.
#include <cstdint>
#include <memory>

#include "platform/Simd4.h"

class SimpleDelay final {
 public:
  // The ring is allocated here for `maxDelayMs` at `provisionRate`, so that Resets at that
  // rate (or below) only clear it.
  explicit SimpleDelay(float maxDelayMs = 100.0f, float provisionRate = 48000.0f);

  // Virtual slots in this order: Reset, ProcessSample, CanProcessFrame. No virtual
  // destructor: lines live by value inside their owners.
  // Sizes the ring for the maximum delay at `sampleRate` and clears it. Memory is only taken
  // when the ring must grow beyond what it already holds (a rate above the provision rate);
  // never call it on the audio thread in that case.
  virtual bool Reset(float sampleRate);
  // Reads the line at the delay, writes `x`, advances.
  // Inline: the reverb and the delays step several lines per sample.
  virtual float ProcessSample(float x) {
    if (delaySamples_ == 0.0f) {
      // Pass-through, but the line keeps the input: taps and feedback reads inside it then
      // see the present signal instead of whatever was left from a longer delay.
      Write(x);
      return x;
    }
    const float y = Read(delaySamples_);
    Write(x);
    return y;
  }
  // A line runs one sample at a time.
  virtual bool CanProcessFrame();

  // Four ProcessSample calls at once. As a block the four reads must all come before the
  // four writes, which holds for a whole-sample read at least three samples back; shorter
  // and interpolated reads go frame by frame.
  v4::f4 Process4(v4::f4 x) {
    if (blockBack_ != 0u) {
      const v4::f4 y = Load4(blockBack_);
      Write4(x);
      return y;
    }
    if (delaySamples_ == 0.0f) {
      Write4(x);
      return x;
    }
    alignas(16) float t[4];
    v4::Store(t, x);
    for (float& v : t) v = ProcessSample(v);
    return v4::Load(t);
  }

  // Takes effect at the next Reset.
  void SetMaxDelayMs(float ms) { maxDelayMs_ = ms; }
  // Delay in ms, 0 .. (ring size - 2) samples; beyond that (or NaN) it is limited, so a
  // read never wraps past the oldest sample the ring holds.
  void SetDelayMs(float ms);
  void SetInterpolate(bool on) {
    interpolate_ = on;
    PlanBlocks();
  }

  // The sample `delaySamples` back (0 = the latest written; within LimitDelay's range), read
  // before this frame's write.
  float Read(float delaySamples) const {
    const uint32_t whole = static_cast<uint32_t>(delaySamples);
    const float y1 = buffer_[(writeIndex_ - 1u - whole) & mask_];
    if (!interpolate_) return y1;
    const float y2 = buffer_[(writeIndex_ - 2u - whole) & mask_];
    const float f = delaySamples - static_cast<float>(whole);
    return f < 1.0f ? y2 * f + (1.0f - f) * y1 : y2;
  }
  void Write(float x) {
    buffer_[writeIndex_] = x;
    writeIndex_ = (writeIndex_ + 1u) & mask_;
  }
  // Four consecutive samples, the first `back` behind the write position (Read(d) of the
  // next frame is back = d + 1; Read(d) just after each of the last four writes, d + 4).
  v4::f4 Load4(uint32_t back) const {
    const uint32_t i = (writeIndex_ - back) & mask_;
    const float* b = buffer_.get();
    if (i + 3u <= mask_) return v4::Load(b + i);
    return v4::Set(b[i], b[(i + 1u) & mask_], b[(i + 2u) & mask_], b[(i + 3u) & mask_]);
  }
  // acc[k] += weight * (the sample `back` - k behind the write position), k < frames (a multiple
  // of four): what Read(d) gave after each of the last `frames` writes, for back = d + frames.
  void AddScaled(uint32_t back, int frames, float weight, float* acc) const {
    const v4::f4 w = v4::Set1(weight);
    const float* b = buffer_.get();
    const uint32_t start = (writeIndex_ - back) & mask_;
    const uint32_t toEnd = mask_ + 1u - start;
    int k = 0;
    for (; k + 4 <= frames && static_cast<uint32_t>(k) + 4u <= toEnd; k += 4)
      v4::Store(acc + k, v4::Add(v4::Load(acc + k), v4::Mul(w, v4::Load(b + start + k))));
    for (; k < frames; k += 4) {
      const uint32_t i = (start + static_cast<uint32_t>(k)) & mask_;
      const v4::f4 r = v4::Set(b[i], b[(i + 1u) & mask_], b[(i + 2u) & mask_], b[(i + 3u) & mask_]);
      v4::Store(acc + k, v4::Add(v4::Load(acc + k), v4::Mul(w, r)));
    }
  }
  void Write4(v4::f4 x) {
    // Members into locals first: the vector store may alias anything, members included.
    const uint32_t w = writeIndex_;
    const uint32_t mask = mask_;
    if (w + 3u <= mask) {
      writeIndex_ = (w + 4u) & mask;
      v4::Store(buffer_.get() + w, x);
      return;
    }
    alignas(16) float t[4];
    v4::Store(t, x);
    for (float v : t) Write(v);
  }
  // Limits a delay in samples to what the ring can hold (NaN and negatives give 0).
  float LimitDelay(float samples) const {
    if (!(samples > 0.0f)) return 0.0f;
    return samples < maxReadDelay_ ? samples : maxReadDelay_;
  }

  bool Interpolates() const { return interpolate_; }
  float DelayMs() const { return delayMs_; }
  float DelaySamples() const { return delaySamples_; }
  float SamplesPerMs() const { return samplesPerMs_; }
  float SampleRate() const { return sampleRate_; }
  uint32_t BufferLength() const { return bufferLength_; }
  uint32_t BufferSize() const { return bufferSize_; }
  const float* Buffer() const { return buffer_.get(); }

 private:
  void Allocate(uint32_t size);
  void PlanBlocks() {
    blockBack_ = !interpolate_ && delaySamples_ >= 3.0f ? static_cast<uint32_t>(delaySamples_) + 1u : 0u;
  }

  float delayMs_ = 0.0f;
  bool interpolate_ = false;
  float delaySamples_ = 0.0f;
  float sampleRate_ = 0.0f;
  float samplesPerMs_ = 0.0f;
  float maxDelayMs_;
  uint32_t bufferLength_ = 0;
  std::unique_ptr<float[]> buffer_;
  uint32_t capacity_ = 0;
  uint32_t writeIndex_ = 0;
  uint32_t bufferSize_ = 0;
  uint32_t mask_ = 0;
  float maxReadDelay_ = 0.0f;
  uint32_t blockBack_ = 0;  // Load4's `back` for a block read, 0 where blocks go frame by frame
};
