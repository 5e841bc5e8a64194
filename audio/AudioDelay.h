#pragma once
// A pair of power-of-two feedback delay lines with a linearly interpolated read tap and a
// wet/dry mix set in dB; ProcessSample runs the left line.
#include <cstdint>
#include <vector>

class AudioDelay {
 public:
  enum DelayMode : int32_t { kSeparateTimes = 0, kRightFromRatio = 1 };

  // Lines of 1024 samples and gains of -3 dB until the first Reset. Storage for 100 ms at
  // 48 kHz is taken here, so Resets at the usual rates never allocate.
  AudioDelay();
  virtual ~AudioDelay() = default;
  AudioDelay(const AudioDelay&) = delete;
  AudioDelay& operator=(const AudioDelay&) = delete;

  // Same rate: clears both lines. New rate: sizes the lines for the maximum delay (the next
  // power of two), clears them and restarts the write indices. Storage only ever grows, and
  // only for a rate above what the lines already hold.
  virtual void Reset(float sampleRate);
  // One sample through the left line: the delayed sample times the wet gain plus the input
  // times the dry gain; the input and the fed-back delayed sample go into the line. The
  // feedback passes a DC blocker: a constant reads back exactly through the interpolated tap,
  // so at +-100 % feedback the loop would integrate any offset without bound.
  virtual float ProcessSample(float x);
  // For each frame: SetDelayMs(delayMs[i], delayMs[i]), then level x ProcessSample(x[i]);
  // y may be x.
  void ProcessBlock(const float* x, const float* delayMs, float level, float* y, int frames);

  // Takes effect at the next Reset that changes the rate.
  void SetMaxDelayMs(float ms) { maxDelayMs_ = ms; }
  // -100..100 %; beyond that the loop would grow without bound.
  void SetFeedback(float percent);
  // Gains are recomputed only when the level changes.
  void SetWetLevelDb(float db);
  void SetDryLevelDb(float db);
  // Both times in ms, then the delays in samples.
  void SetDelayMs(float leftMs, float rightMs);
  // The delays in samples from the times, the delay mode and the ratio.
  void UpdateDelaySamples();
  // Silences both lines and the DC blocker; sizes, gains and delays stay.
  void ClearState() {
    Clear(left_);
    Clear(right_);
    blockerX1_ = blockerY1_ = 0.0f;
  }

  uint32_t LineSize() const { return left_.size; }

 private:
  struct Line {
    std::vector<float> buffer;  // capacity; the first `size` samples are in use
    uint32_t write = 0;
    uint32_t size = 0;
    uint32_t mask = 0;
    uint8_t interpolate = 1;
  };
  void Resize(Line& line, uint32_t size);
  static void Clear(Line& line);
  float BoundDelay(float samples) const;
  float Step(float x, float delay);

  [[maybe_unused]] int32_t algorithm_ = 0;
  float wetLevelDb_;
  float dryLevelDb_;
  float feedbackPercent_ = 0.0f;
  int32_t delayMode_ = kSeparateTimes;
  float leftDelayMs_ = 0.0f;
  float rightDelayMs_ = 0.0f;
  float ratioPercent_ = 100.0f;
  float sampleRate_ = 0.0f;
  float samplesPerMs_ = 0.0f;
  float leftDelaySamples_ = 0.0f;
  float rightDelaySamples_ = 0.0f;
  float maxDelayMs_ = 0.0f;
  uint32_t bufferLength_ = 0;
  float wetGain_ = 0.70711f;
  float dryGain_ = 0.70711f;
  float feedbackScale_ = 0.0f;  // feedback / 100
  // DC blocker in the feedback path, normalised to unity gain at Nyquist so no frequency
  // gains around the loop: y = g (x - x1) + r y1. Until the first Reset, the 48 kHz values.
  float blockerR_ = 0.99934550f;
  float blockerG_ = 0.99967275f;
  float blockerX1_ = 0.0f;
  float blockerY1_ = 0.0f;
  Line left_;
  Line right_;
};
