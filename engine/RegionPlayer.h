#pragma once
// Sample oscillator of a voice: up to two key/velocity regions of a multi-sample set,
// Hermite-interpolated, one-shot or looped, each balanced left/right and summed.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>

#include "platform/PiMutex.h"

class MultiWaveReader;
class SampleFile;
struct MswfRegion;

// What the noise editor reads of a voice's latest note, without a lock and for display only.
// The editor sets `shown` once it has drawn the regions; each note clears it again.
struct RegionDisplay {
  std::atomic<int32_t> regionIndex[2];  // per slot; -1: none
  std::atomic<float> ratio;             // playback increment of the latest filled slot
  std::atomic<uint8_t> loopMode;        // the region's own loop mode byte
  std::atomic<uint8_t> shown;
};
static_assert(sizeof(std::atomic<int32_t>) == 4 && sizeof(std::atomic<float>) == 4,
              "the editor reads the record as plain words");

class RegionPlayer {
 public:
  enum LoopMode : int32_t { kOneShot = 1, kLoopWhole = 2, kLoopPoints = 3 };
  static constexpr int kSlots = 2;

  RegionPlayer();
  ~RegionPlayer();
  RegionPlayer(const RegionPlayer&) = delete;
  RegionPlayer& operator=(const RegionPlayer&) = delete;

  // Any thread. Lets go of the previous set's count and holds the new one's (null: none).
  // Both slots stop.
  void AttachSample(MultiWaveReader* set);
  // key 0..127; velocity 0..1 (the engine's note velocity). Nothing without a set.
  void NoteOn(int key, float velocity);
  // Writes `frames` samples into both outputs. pitchModulation: `frames` values, scaled by
  // modulationAmount (null: none). False when no slot played: the outputs are zeros.
  bool Render(float* outLeft, float* outRight, const float* pitchModulation, float modulationAmount);

  // Plain stores from the engine's parameter path; Render picks them up at its next block.
  void SetKeyTrack(uint8_t on) { keyTrack_.store(on, std::memory_order_relaxed); }
  // 1 one-shot, 2 loop the whole region, 3 loop between the loop points.
  void SetDefaultLoopMode(int32_t mode) { defaultLoopMode_.store(mode, std::memory_order_relaxed); }
  // Non-finite values are ignored: the slot would play NaN until the next setting.
  void SetGain(float gain) {
    if (std::isfinite(gain)) gain_.store(gain, std::memory_order_relaxed);
  }
  // -1 (left) .. +1 (right).
  void SetPan(float pan);
  // >= 0; multiplies the playback increment.
  void SetSpeed(float speed);
  // Hz, > 0.
  void SetOutputRate(int32_t rate) { outputRate_.store(rate, std::memory_order_relaxed); }
  // Samples per Render call, >= 0.
  void SetFrames(int32_t frames) { frames_.store(frames > 0 ? frames : 0, std::memory_order_relaxed); }
  // Gain fall per sample of a retrigger fade, > 0 (1 / (0.005 x rate) for 5 ms).
  void SetFadeStep(float step);
  // Null: none. The record must outlive the player or be detached first.
  void SetDisplay(RegionDisplay* display);

 private:
  struct Slot {
    // Samples from the slot's start. A float would stop resolving the fraction a few seconds
    // into a long sample and drift the pitch toward the root key.
    double position = 0.0;
    int32_t length = 0;
    int32_t start = 0;
    int32_t loopStart = 0;  // relative to start
    int32_t loopEnd = 0;
    int32_t loopMode = 0;
    const SampleFile* wave = nullptr;  // none: idle
    float increment = 0.0f;
    float gainLeft = 0.6f;
    float gainRight = 0.6f;
    uint8_t restart = 0;
    float fade = 1.0f;
  };

  // Per-block values shared by both slots.
  struct BlockParams {
    const float* pitchModulation;
    float modulationAmount;
    float speed;
    float gain;
    float fadeStep;
    int32_t frames;
  };

  void StartSlot(int slotIndex, int regionIndex, const MswfRegion& region, const SampleFile& wave, int key);
  template <int32_t Mode>
  static void RenderSlot(Slot& s, float* outLeft, float* outRight, const BlockParams& p);

  std::atomic<uint8_t> keyTrack_{1};
  std::atomic<int32_t> defaultLoopMode_{kLoopPoints};
  std::atomic<float> fadeStep_{1.0f / (0.005f * 48000.0f)};
  MultiWaveReader* set_ = nullptr;
  std::atomic<int32_t> outputRate_{48000};
  std::atomic<int32_t> frames_{128};
  std::atomic<float> gain_{1.0f};
  std::atomic<float> pan_{0.0f};
  Slot slots_[kSlots];
  RegionDisplay* display_ = nullptr;
  std::atomic<float> speed_{1.0f};
  using Lock = std::lock_guard<platform::PiMutex>;
  platform::PiMutex mutex_;  // a render thread may wait on a loading thread
};
