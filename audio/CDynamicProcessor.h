#pragma once
// Stereo feed-forward compressor/limiter: a peak detector and a soft-knee gain computer per
// channel, attack and release times, make-up gain, and a side-chain switch that lets the
// drum bus drive the detection. Keeps input, gain-reduction and output meters for its page.
#include <cstdint>

#include "audio/AudioDetector.h"
#include "audio/CEffectBase.h"

class CDynamicProcessor : public CEffectBase {
 public:
  // The meters the dynamics page reads: linear levels (a hot input reads above 1) and the
  // reduction 1 - gain.
  struct Meters {
    float outputLeft = 0.0f;
    float outputRight = 0.0f;
    float reductionLeft = 0.0f;  // 1 - the linear gain applied
    float reductionRight = 0.0f;
    float inputLeft = 0.0f;
    float inputRight = 0.0f;
  };

  // The user's settings, copied into both gain computers.
  struct Settings {
    float ratio = 1.0f;
    float thresholdDb = -10.0f;
    float kneeDb = 10.0f;
    uint8_t limit = 1;
    uint8_t softKnee = 1;
    int32_t mode = 0;  // 0 compressor
    float attackMs = 5.0f;
    float releaseMs = 500.0f;
    float makeupDb = 0.0f;
  };

  enum ParamId : int {
    kThreshold = 0,
    kKnee = 1,
    kSideChain = 2,
    kAttack = 3,   // seconds
    kRelease = 4,  // seconds
    kMakeup = 5,
    kRatio = 6,
  };

  CDynamicProcessor();

  // Takes the rate, clears the input detectors and loads the default settings.
  void Reset(int32_t sampleRate);
  // Clears what the effect carries from one sample to the next (delay lines, filter
  // memories, envelopes) and keeps its parameters and designs; allocates nothing.
  void ClearState();
  // Buffers 0/1 are the part, 2/3 the side-chain.
  void Process(float** in, float** out, int frames, float level) override;
  // Process with the level and the gain of every frame worked out one at a time through
  // the library's logarithm and power: the reference the four-lane form is tested against.
  void ProcessReference(float** in, float** out, int frames, float level);
  void SetParam(int id, float value) override;

  const Meters& GetMeters() const { return meters_; }
  const Settings& GetSettings() const { return settings_; }
  int DetectionSource(int channel) const { return sources_[channel]; }
  const AudioDetector& InputDetector(int channel) const { return detectors_[channel]; }

 private:
  // Level in dB to the level the compressor lets through, in dB.
  struct GainComputer {
    float ratio = 1.0f;
    float thresholdDb = 0.0f;
    float kneeDb = 0.0f;
    uint8_t limit = 0;
    uint8_t softKnee = 0;
    int32_t mode = 0;
    float attackMs = 0.0f;
    float releaseMs = 0.0f;
    float makeupDb = 0.0f;
    float lastGainDb = 0.0f;
    float lastGain = 1.0f;

    float Output(float levelDb) const;
    // Stores and returns the linear gain for a detected level.
    float Gain(float levelDb);
  };

  // Frames per pass of the four-lane form; its envelope and gain buffers live on the stack.
  static constexpr int kChunk = 128;

  enum Detector { kInputLeft = 0, kInputRight = 1, kOutputMeter = 2, kSpareMeter = 3 };

  void Apply();
  // Up to kChunk frames of both channels: detection, then the gains four at a time, then
  // the outputs and the output meters.
  void ProcessChunk(const float* detectLeft, const float* detectRight, const float* const (&x)[2],
                    float* const (&y)[2], int frames, float level);
  void PublishMeters(int c);

  Meters meters_;
  GainComputer computers_[2];
  AudioDetector detectors_[4];
  Settings settings_;
  int32_t sources_[2] = {0, 1};
  float makeup_ = 1.0f;  // 10^(make-up dB / 20)
};

// The dynamics page reads the meters as six consecutive floats.
static_assert(sizeof(CDynamicProcessor::Meters) == 6 * sizeof(float));
