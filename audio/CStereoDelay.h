#pragma once
// Stereo echo: two delay lines of up to 2.6 s with a band-limited (low-pass into high-pass)
// feedback path, normal or ping-pong routing, a half-sample-per-frame glide of the delay
// length and a delay time that can follow the MIDI clock.
#include <cstdint>
#include <memory>

#include "audio/AudioFilter.h"
#include "audio/CEffectBase.h"

class CStereoDelay : public CEffectBase {
 public:
  enum Routing : int32_t { kNormal = 0, kPingPong = 1 };
  enum DelayMode : int32_t { kSeparate = 0, kRatio = 1 };

  // The record the effect pages read through GetParamBlock, in this order.
  struct Params {
    int32_t algorithm;  // Routing
    float wetDb;
    float dryDb;
    float feedbackPercent;  // -100..100
    int32_t delayMode;      // DelayMode
    float leftMs;           // 0..2600
    float rightMs;          // 0..2600
    float ratioPercent;     // right = left x ratio in kRatio mode, taken within 0..100
  };

  static constexpr float kMaxDelayMs = 2600.0f;
  // Tempo sync stays a little below the lines' length.
  static constexpr float kMaxSyncDelayMs = 2500.0f;
  static constexpr float kDefaultSampleRate = 48000.0f;

  // Allocates both lines for the default rate and resets to it.
  CStereoDelay();
  ~CStereoDelay() override = default;
  CStereoDelay(const CStereoDelay&) = delete;
  CStereoDelay& operator=(const CStereoDelay&) = delete;

  // Sizes the lines for 2.6 s at `sampleRate`, clears them, loads the default record and
  // leaves the feedback filters undesigned (silent) until ids 6 and 7 arrive. Allocates only
  // when the rate needs longer lines than any earlier rate did.
  void Reset(float sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();

  void Process(float** in, float** out, int frames, float level) override;
  // Process with each channel's read, filters and write stepped on their own, frame by
  // frame: the reference the two-lane form is tested against.
  void ProcessReference(float** in, float** out, int frames, float level);
  // ids: 0 routing (0 normal, 1 ping-pong), 1 delay time (s), 2 feedback (%), 3 ratio (%),
  // 4 wet (dB), 5 dry (dB), 6 high-pass cutoff (Hz), 7 low-pass cutoff (Hz), 8 tempo-sync
  // note index (0 off, 1..20), 9 clear both lines. Others are ignored.
  void SetParam(int id, float value) override;
  void OnMidi(const PartMidiMessage* message) override;
  // Every twelfth tick (an eighth of the 24 ppq clock) re-derives the delay from the tempo.
  void OnClock(unsigned tick, float bpm) override;

  // Samples in each line (a power of two).
  int32_t LineSize() const { return left_.size; }

 private:
  // A ring of floats indexed by a mask.
  struct Line {
    std::unique_ptr<float[]> buffer;
    int32_t capacity = 0;  // allocated floats
    int32_t writeIndex = 0;
    int32_t size = 0;  // power of two, <= capacity
    int32_t mask = 0;
    bool interpolate = true;

    void Size(int32_t length);
    void Clear();
    // The sample written `delay` samples before the most recent one, linearly interpolated.
    float Read(float delay) const;
    void Write(float x) {
      buffer[writeIndex] = x;
      writeIndex = (writeIndex + 1) & mask;
    }
  };

  // Turns the record into gains and target lengths.
  void Apply();
  float ClampDelaySamples(float samples) const;
  template <bool kSwapInputs>
  void Run(float* outL, float* outR, const float* inL, const float* inR, int frames, float level);
  // The same operations with left and right in two vector lanes; false (nothing done)
  // unless every feedback filter runs the transposed canonical form and both lines
  // interpolate.
  template <bool kSwapInputs>
  bool RunLanes(float* outL, float* outR, const float* inL, const float* inR, int frames, float level);

  Params params_{};
  float sampleRate_ = kDefaultSampleRate;
  float samplesPerMs_ = kDefaultSampleRate / 1000.0f;
  float targetLeft_ = 0.0f;
  float targetRight_ = 0.0f;
  float maxDelayMs_ = kMaxDelayMs;
  int32_t bufferLength_ = 0;
  float wetGain_ = 1.0f;
  float dryGain_ = 1.0f;
  float feedbackGain_ = 0.0f;
  float currentLeft_ = 0.0f;  // the gliding lengths, in samples
  float currentRight_ = 0.0f;
  Line left_;
  Line right_;
  AudioFilter lowPassLeft_;
  AudioFilter lowPassRight_;
  AudioFilter highPassLeft_;
  AudioFilter highPassRight_;
  int32_t syncIndex_ = 0;
};
