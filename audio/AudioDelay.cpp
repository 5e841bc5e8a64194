#include "audio/AudioDelay.h"

#include <algorithm>
#include <cmath>

#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

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

float AudioDelay::ProcessSample(float x) { return Step(x, leftDelaySamples_); }

inline float AudioDelay::Step(float x, float delay) {
  Line& line = left_;
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

void AudioDelay::ProcessBlock(const float* x, const float* delayMs, float level, float* y, int frames) {
  if (frames <= 0) return;
  Line& line = left_;
  float* const buffer = line.buffer.data();
  const uint32_t mask = line.mask;
  using namespace v4;
  const f4 one = Set1(1.0f), wet = Set1(wetGain_), dry = Set1(dryGain_), gain = Set1(level);
  const f4 feedback = Set1(feedbackScale_);
  const f4 zero = Set1(0.0f), perMs = Set1(samplesPerMs_);
  const f4 longest = Set1(line.size > 2 ? static_cast<float>(line.size - 2) : 0.0f);
  alignas(16) int32_t whole[4];
  alignas(16) float delays[4], near4[4], far4[4], h[4], blocked[4], written[4];
  int i = 0;
  // Four reads, then four writes: right while no frame reads a sample that an earlier
  // frame of the four writes, i.e. frame k's delay is at least k samples.
  for (; i + 4 <= frames && line.interpolate; i += 4) {
    // BoundDelay: std::min(samples, longest) is samples unless longest < samples.
    const f4 samples = Mul(Load(delayMs + i), perMs);
    const f4 delay = Select(CmpGt(samples, zero), Select(CmpLt(longest, samples), longest, samples), zero);
    const i4 d = ToInt32Sat(delay);
    StoreI(whole, d);
    if (whole[1] < 1 || whole[2] < 2 || whole[3] < 3) {
      Store(delays, delay);
      for (int k = 0; k < 4; ++k) y[i + k] = level * Step(x[i + k], delays[k]);
      continue;
    }
    const f4 f = Sub(delay, FromInt(d));
    const uint32_t w = line.write;
    for (int k = 0; k < 4; ++k) {
      const uint32_t n = w + static_cast<uint32_t>(k) - static_cast<uint32_t>(whole[k]);
      near4[k] = buffer[(n - 1) & mask];
      far4[k] = buffer[(n - 2) & mask];
    }
    const f4 nearer = Load(near4), farther = Load(far4);
    const f4 tap = Select(CmpGe(f, one), farther, Add(Mul(farther, f), Mul(Sub(one, f), nearer)));
    Store(h, tap);
    float x1 = blockerX1_, y1 = blockerY1_;
    for (int k = 0; k < 4; ++k) {
      y1 = blockerG_ * (h[k] - x1) + blockerR_ * y1;
      x1 = h[k];
      blocked[k] = y1;
    }
    blockerX1_ = x1;
    blockerY1_ = y1;
    const f4 in = Load(x + i);
    Store(written, MulAdd(in, feedback, Load(blocked)));
    for (int k = 0; k < 4; ++k) buffer[(w + k) & mask] = written[k];
    line.write = (w + 4) & mask;
    Store(y + i, Mul(gain, Add(Mul(tap, wet), Mul(in, dry))));
  }
  for (; i < frames; ++i) y[i] = level * Step(x[i], BoundDelay(delayMs[i] * samplesPerMs_));
  SetDelayMs(delayMs[frames - 1], delayMs[frames - 1]);
}
