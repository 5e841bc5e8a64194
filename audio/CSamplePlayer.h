#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/IAudioProcess.h"
#include "platform/PiMutex.h"

// Sixteen-pad drum machine: one-shot sample voices with linear interpolation, level/pan,
// velocity amount, zero-crossing start and end points, an end fade and a side-chain send,
// summed into a stereo pair and a stereo side-chain pair.
class CSamplePlayer : public IAudioProcess {
 public:
  static constexpr int kPads = 16;
  static constexpr int kOutputs = 4;  // left, right, side-chain left, side-chain right

  // Pad parameter numbers (UID bits 0-11; the pad is bits 12-15).
  enum Param : uint32_t {
    kParamPitch = 0xA02,           // -100..100: ratio 1/3..3
    kParamPan = 0xA03,             // -100..100
    kParamLevel = 0xA04,           // 0..100
    kParamVelocityAmount = 0xA05,  // 0..100
    kParamTrigger = 0xA06,         // note = value + 26
    kParamStart = 0xA08,           // 0..100: up to a quarter of the sample
    kParamEnd = 0xA09,             // 0..100
    kParamFadeOut = 0xA0A,         // ms, at least 1
    kParamSideChainLevel = 0xA0B,  // 0..100
    kParamMode = 0xA0C,
  };

  CSamplePlayer();
  ~CSamplePlayer() override = default;
  CSamplePlayer(const CSamplePlayer&) = delete;
  CSamplePlayer& operator=(const CSamplePlayer&) = delete;

  // attr.frames > 0, attr.rate > 0; the instance and the log callback are not used.
  void init(tagPluginAttr attr, EngineLogFn log) override;
  // in is not read; out: left, right, side-chain left, side-chain right (frames each).
  void Process(float** in, float** out) override;
  // Part 9 note on (type 2): the first value is the pad 0-15, the second the velocity 0..1.
  void OnEvent(const EngineEvent* event) override;
  // Part 9 note on: every pad whose trigger note is data 1 plays at velocity data 2 / 128.
  void OnMidi(const PartMidiMessage* message) override;
  void SetParam(int rt, int part, uint32_t uid, float value) override;
  // pad = UID bits 12-15. The sample is borrowed: it must outlive its use by the pad.
  void SetPadSample(int, int, uint32_t uid, SampleFile* sample) override;

  // Velocity 0..1. Any thread, no lock: the voice takes the note in at its next render.
  void Trigger(int pad, float velocity);

 private:
  // A note handed from a trigger thread to the render. The fields are separate words; two
  // triggers racing each other can mix them, which still gives a valid note of that pad.
  struct PendingNote {
    std::atomic<float> velocityGain{0.0f};
    std::atomic<float> increment{0.0f};
    std::atomic<int32_t> startOffset{0};
    std::atomic<int32_t> endCut{0};
    std::atomic<bool> ready{false};
  };

  struct Voice {
    int32_t mode = 0;                  // 1 = one-shot
    int32_t playableLength = 0;
    float position = 0.0f;             // samples from the start offset
    float increment = 0.0f;
    float fadeGain = 1.0f;
    int32_t fadeLength = 0;
    std::atomic<const SampleFile*> sample{nullptr};
    float rightGain = 0.6f;
    float leftGain = 0.6f;
    float level = 0.0f;
    float pan = 0.0f;
    std::atomic<float> pitchRatio{1.0f};
    int32_t startOffset = 0;           // in force for the sounding note
    int32_t endCut = 0;
    std::atomic<int32_t> startIndex{0};  // taken over at each trigger
    std::atomic<int32_t> endIndex{0};
    float start = 0.0f;                // fraction
    float end = 1.0f;
    std::atomic<float> velocityAmount{1.0f};
    float velocityGain = 0.0f;
    bool idle = true;
    PendingNote pending;
    platform::PiMutex mutex;           // every field the render reads that SetParam changes
  };

  using Lock = std::lock_guard<platform::PiMutex>;

  static void UpdateGains(Voice& v);
  // Both run under the voice mutex and need the voice's sample.
  static void SearchStart(Voice& v, const SampleFile& s);
  static void SearchEnd(Voice& v, const SampleFile& s);
  void RenderVoice(Voice& v, float* right, float* left);

  std::atomic<int32_t> triggerNotes_[kPads];
  Voice voices_[kPads];
  std::vector<float> accumulators_[kOutputs];
  std::atomic<float> sideChainLevels_[kPads];
  int32_t frames_ = 0;
  float rate_ = 0.0f;
};
