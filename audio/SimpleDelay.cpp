#include "audio/SimpleDelay.h"

#include <algorithm>
#include <cmath>

namespace {

// Samples for `ms` at `samplesPerMs`, plus one: 1 for rates or lengths
// that are not positive and finite. Bounded so the ring never exceeds 2^24 samples.
uint32_t LengthFor(float ms, float samplesPerMs) {
  const float samples = ms * samplesPerMs;
  if (!(samples >= 0.0f)) return 1;
  return static_cast<uint32_t>(std::min(samples, 16777215.0f)) + 1u;
}

uint32_t PowerOfTwoAtLeast(uint32_t n) {
  uint32_t size = 1;
  while (size < n) size <<= 1;
  return size;
}

}  // namespace

SimpleDelay::SimpleDelay(float maxDelayMs, float provisionRate) : maxDelayMs_(maxDelayMs) {
  bufferLength_ = LengthFor(maxDelayMs, provisionRate / 1000.0f);
  Allocate(PowerOfTwoAtLeast(bufferLength_));
  bufferSize_ = capacity_;
  mask_ = bufferSize_ - 1u;
}

void SimpleDelay::Allocate(uint32_t size) {
  buffer_ = std::make_unique<float[]>(size);
  capacity_ = size;
}

bool SimpleDelay::Reset(float sampleRate) {
  sampleRate_ = sampleRate;
  samplesPerMs_ = sampleRate / 1000.0f;
  bufferLength_ = LengthFor(maxDelayMs_, samplesPerMs_);
  bufferSize_ = PowerOfTwoAtLeast(bufferLength_);
  // An audio thread may read the ring while a page is being set up: a Reset at the rate the
  // ring was made for reuses it rather than freeing it under the reader.
  if (bufferSize_ > capacity_) Allocate(bufferSize_);
  std::fill(buffer_.get(), buffer_.get() + capacity_, 0.0f);
  mask_ = bufferSize_ - 1u;
  writeIndex_ = 0;
  // The interpolated read reaches one sample further back.
  maxReadDelay_ = static_cast<float>(bufferSize_ >= 2 ? bufferSize_ - 2u : 0u);
  SetDelayMs(delayMs_);
  return true;
}

void SimpleDelay::SetDelayMs(float ms) {
  delayMs_ = ms;
  delaySamples_ = LimitDelay(ms * samplesPerMs_);
  PlanBlocks();
}

bool SimpleDelay::CanProcessFrame() { return false; }
