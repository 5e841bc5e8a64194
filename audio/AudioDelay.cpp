#include "audio/AudioDelay.h"

#include <algorithm>
#include <cmath>

#include "platform/ArmConvert.h"

namespace {

constexpr uint32_t kInitialSize = 1024;
constexpr uint32_t kPreparedSize = 8192;  // 100 ms at 48 kHz, rounded up
// A rate or maximum far outside audio would ask for gigabytes; the delays are bounded to
// the line anyway.
constexpr uint32_t kLargestSize = 1u << 22;
constexpr float kBlockerHz = 5.0f;

// The gains the constructor gives, as levels, so that the first level set is a change.
constexpr float kInitialLevelDb = -3.0103f;

uint32_t NextPowerOfTwo(uint32_t n) {
  uint32_t size = 1;
  while (size < n && size < kLargestSize) size <<= 1;
  return size;
}

}  // namespace

AudioDelay::AudioDelay() : wetLevelDb_(kInitialLevelDb), dryLevelDb_(kInitialLevelDb) {
  for (Line* line : {&left_, &right_}) {
    line->buffer.assign(kPreparedSize, 0.0f);
    line->size = kInitialSize;
    line->mask = kInitialSize - 1;
  }
}

void AudioDelay::Resize(Line& line, uint32_t size) {
  if (line.buffer.size() < size) line.buffer.assign(size, 0.0f);
  line.size = size;
  line.mask = size - 1;
  line.write = 0;
}

void AudioDelay::Clear(Line& line) {
  std::fill(line.buffer.begin(), line.buffer.begin() + line.size, 0.0f);
}

void AudioDelay::Reset(float sampleRate) {
  if (sampleRate != sampleRate_) {
    sampleRate_ = sampleRate;
    samplesPerMs_ = sampleRate / 1000.0f;
    // About 5 Hz: far below any comb the sweep makes.
    blockerR_ = sampleRate > 0.0f ? std::max(0.0f, 1.0f - 2.0f * 3.14159265f * kBlockerHz / sampleRate) : 0.0f;
    blockerG_ = 0.5f * (1.0f + blockerR_);
    const uint32_t needed = arm::ToUint32(maxDelayMs_ * sampleRate / 1000.0f);
    bufferLength_ = needed < kLargestSize ? needed + 1 : kLargestSize;
    const uint32_t size = NextPowerOfTwo(bufferLength_);
    Resize(left_, size);
    Resize(right_, size);
    UpdateDelaySamples();
  }
  Clear(left_);
  Clear(right_);
  blockerX1_ = blockerY1_ = 0.0f;
}

void AudioDelay::SetFeedback(float percent) {
  // A NaN in the loop would stay there for good.
  if (!(percent == percent)) percent = 0.0f;
  feedbackPercent_ = std::clamp(percent, -100.0f, 100.0f);
  feedbackScale_ = feedbackPercent_ / 100.0f;
}

void AudioDelay::SetWetLevelDb(float db) {
  if (db == wetLevelDb_) return;
  wetLevelDb_ = db;
  wetGain_ = std::pow(10.0f, db / 20.0f);
}

void AudioDelay::SetDryLevelDb(float db) {
  if (db == dryLevelDb_) return;
  dryLevelDb_ = db;
  dryGain_ = std::pow(10.0f, db / 20.0f);
}

void AudioDelay::SetDelayMs(float leftMs, float rightMs) {
  leftDelayMs_ = leftMs;
  rightDelayMs_ = rightMs;
  UpdateDelaySamples();
}

// The read taps reach delay + 2 samples back; a longer delay would wrap onto fresh samples.
float AudioDelay::BoundDelay(float samples) const {
  const float longest = left_.size > 2 ? static_cast<float>(left_.size - 2) : 0.0f;
  return samples > 0.0f ? std::min(samples, longest) : 0.0f;
}

void AudioDelay::UpdateDelaySamples() {
  leftDelaySamples_ = BoundDelay(leftDelayMs_ * samplesPerMs_);
  if (delayMode_ == kRightFromRatio) {
    rightDelaySamples_ = BoundDelay(leftDelaySamples_ * std::clamp(ratioPercent_ / 100.0f, 0.0f, 1.0f));
  } else {
    rightDelaySamples_ = BoundDelay(rightDelayMs_ * samplesPerMs_);
  }
}

float AudioDelay::ProcessSample(float x) {
  Line& line = left_;
  const float delay = leftDelaySamples_;
  const uint32_t d = static_cast<uint32_t>(arm::ToInt32(delay));
  const uint32_t w = line.write;
  float h = line.buffer[(w - d - 1) & line.mask];
  if (line.interpolate) {
    const float l = line.buffer[(w - d - 2) & line.mask];
    const float f = delay - static_cast<float>(d);
    h = f >= 1.0f ? l : l * f + (1.0f - f) * h;
  }
  const float blocked = blockerG_ * (h - blockerX1_) + blockerR_ * blockerY1_;
  blockerX1_ = h;
  blockerY1_ = blocked;
  line.buffer[w] = x + feedbackScale_ * blocked;
  line.write = (w + 1) & line.mask;
  return h * wetGain_ + x * dryGain_;
}
