#pragma once
// A render slot: slot n plays voice n of whichever part's bank its last start event named.
// The part engine queues start and stop events into its ring from the routing threads; the
// slot's engine thread takes up to five of them at the start of each block and renders one
// block of the bound voice into the slot's stereo output.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/SynthVoice.h"
#include "engine/VoiceStatus.h"
#include "platform/PiMutex.h"

class FftProcessor;

// What a slot needs of a part's voice bank.
struct BankVoices {
  static constexpr int32_t kVoices = 16;
  SynthVoice* voices[kVoices] = {};
  int32_t part = 0;
};

class VoiceSlot {
 public:
  static constexpr int32_t kRingCapacity = 20;
  static constexpr int32_t kEventsPerBlock = 5;
  enum EventKind : int32_t { kStop = 0, kStart = 1, kRelease = 2 };
  struct Event {
    int32_t kind = kStop;
    const BankVoices* bank = nullptr;
    uint8_t note = 0;
    float velocity = 0.0f;
    float offset = 0.0f;  // pitch offset in semitones (unison detune)
  };

  explicit VoiceSlot(int32_t index);
  VoiceSlot(const VoiceSlot&) = delete;
  VoiceSlot& operator=(const VoiceSlot&) = delete;

  // Where Render writes (`frames` floats each, owned by the engine; null: nowhere).
  void SetOutputs(float* left, float* right);

  // Any thread. False when the ring is full: the event is dropped.
  bool PostEvent(const Event& e);
  // Any thread: drops every queued event.
  void ClearEvents();
  int32_t QueuedEvents() const { return count_.load(std::memory_order_acquire); }

  // The slot's engine thread, once per block: events and oscillator preparation, then the
  // block.
  void ProcessEvents(FftProcessor& fft);
  void Render();
  // Engine thread: the bound voice's state cleared, envelopes included (missed deadline).
  void Kill();
  // Engine thread: lets go of the bound voice, whose bank stopped being its part's live one.
  void Unbind() { Bind(nullptr); }

  // Any thread.
  bool IsFinished() const;
  // When the bound bank belongs to `part`.
  void SetBend(int32_t part, float octaves);
  void ReleaseIfPart(int32_t part);
  void SetPolyAftertouch(int32_t part, float value);
  void OnClock(uint32_t tick, float bpm);
  // Stored by the engine's mix step every block.
  void SetPedal(float level, uint8_t pedalSwitch) {
    pedalLevel_.store(level, std::memory_order_relaxed);
    pedalSwitch_.store(pedalSwitch, std::memory_order_relaxed);
  }

  float PedalLevel() const { return pedalLevel_.load(std::memory_order_relaxed); }
  uint8_t PedalSwitch() const { return pedalSwitch_.load(std::memory_order_relaxed); }
  int32_t index() const { return index_; }
  const BankVoices* BoundBank() const { return bank_.load(std::memory_order_acquire); }
  SynthVoice* BoundVoice() const { return voice_.load(std::memory_order_acquire); }
  VoiceStatus& Status() { return status_; }
  const VoiceStatus& Status() const { return status_; }
  uint32_t BlockCount() const { return blocks_; }

 private:
  bool TakeEvent(Event* e);
  void Bind(const BankVoices* bank);

  // Render steps, in order.
  void ApplyPedal(SynthVoice& v);
  void RenderLfos(SynthVoice& v);
  void RenderEnvelopes(SynthVoice& v);
  void RenderNoise(SynthVoice& v);
  void ResetModulation(SynthVoice& v);
  void ComputeCutoffs(SynthVoice& v, float cutoff[2]);
  void RenderOscillators(SynthVoice& v, float frequency[2]);
  void Shape(SynthVoice& v, float* left, float* right);
  // kNoise: the noise played in this block (otherwise its buffers are zeros, not read).
  template <bool kNoise>
  void Mix(SynthVoice& v);
  // routesCleared: every route went since the last block.
  void Amplify(SynthVoice& v, bool routesCleared);
  void UpdateDisplay(SynthVoice& v, const float cutoff[2], const float frequency[2]);

  int32_t index_;
  float* outLeft_ = nullptr;
  float* outRight_ = nullptr;
  std::atomic<const BankVoices*> bank_{nullptr};
  std::atomic<SynthVoice*> voice_{nullptr};

  Event ring_[kRingCapacity];
  int32_t writeIndex_ = 0;
  std::atomic<int32_t> readIndex_{0};
  std::atomic<int32_t> count_{0};
  using Lock = std::lock_guard<platform::PiMutex>;
  platform::PiMutex mutex_;  // a routing thread may hold it while the render waits

  std::atomic<float> pedalLevel_{0.0f};
  std::atomic<uint8_t> pedalSwitch_{0};
  float startVelocity_ = 0.0f;
  bool releaseDue_ = false;
  float lastGain_[2] = {};  // each amplifier's gain at the last sample rendered  // a note that started and ended in the last block
  bool noisePlayed_ = false;  // in the block being rendered
  uint32_t blocks_ = 0;

  VoiceStatus status_;
};
