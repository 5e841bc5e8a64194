#pragma once
// The polyphonic engine of the four synth parts: sixteen render slots shared by the parts,
// a live and a shadow voice bank per part, mono note stacks, the click-free part swap that
// brings a newly loaded sound in, and the render deadline of the two engine threads.
//
// Threads. RenderVoices(t) runs on engine thread t (t = 0 the even slots, 1 the odd ones);
// voice n of every bank is only ever rendered, reset or given a table by thread n % 2.
// MixParts runs on the audio thread after both render calls of the same period, while the
// engine threads may already render the next period: every slot writes one of two output
// sets by period parity, and the mixer reads the set of its own period. Note, controller,
// parameter and swap calls come from the routing threads. Allocation table, note stacks and
// swap states change under one short priority-inheriting lock, which the deadline path and
// the swap step take too. Things the audio thread or the loader do to voices that an engine
// thread renders (shutdown, bank reset, user LFO waves) are requests that the voice's own
// thread carries out between blocks.
#include <time.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/CVoiceAlloc.h"
#include "engine/PartNoteStack.h"
#include "engine/SynthVoice.h"
#include "engine/UserLfoWave.h"
#include "engine/VoiceBank.h"
#include "engine/VoiceSlot.h"
#include "numeric/FftProcessor.h"
#include "platform/PiMutex.h"

class MultiWaveReader;
class WaveTable;

class CSynthEngine : public CVoiceAlloc {
 public:
  static constexpr int32_t kParts = 4;
  static constexpr int32_t kSlots = CVoiceAlloc::kVoices;
  static constexpr int32_t kLfos = SynthVoice::kLfos;
  static constexpr int32_t kThreads = 2;
  static constexpr int64_t kDeadlineUs = 2200;
  static constexpr int32_t kStuckPeriods = 100;
  static constexpr int32_t kEffectsWait = 10;

  enum SwapState : int32_t { kIdle = 0, kTriggered = 1, kWaitSilence = 2, kWaitEffects = 3 };
  // Engine-wide controllers the voices read.
  enum Controller : int32_t { kModWheel = 1, kCvA = 117, kCvB = 118, kCvC = 119, kPressure = 255 };

  using ProgressFn = std::function<void(int part, int value)>;
  using ClockFn = timespec (*)();

  CSynthEngine();
  ~CSynthEngine() override;
  CSynthEngine(const CSynthEngine&) = delete;
  CSynthEngine& operator=(const CSynthEngine&) = delete;

  // Builds every slot, bank, voice and buffer; nothing is allocated afterwards.
  void Create(int32_t sampleRate, uint32_t frames);
  void Destroy();
  bool Created() const { return frames_ > 0; }

  // Swap progress (part, 1..3 and 0); set before the engine runs.
  void SetProgressCallback(ProgressFn fn) { progress_ = std::move(fn); }
  // The monotonic clock of the deadline; tests freeze or script it.
  // May be swapped while the render threads run (tests freeze it on a running instrument).
  void SetClock(ClockFn clock) { clock_.store(clock ? clock : &MonotonicNow, std::memory_order_relaxed); }
  static timespec MonotonicNow();

  // Allocator hook: queues the event into the slot's ring (dropped when full).
  void VoiceEvent(int type, int slot, int part, float velocity, float detune, int rank, int note) override;

  // Routing threads. Parts outside 0..3 are ignored.
  void ClearShadowBank(int part, int ignored);
  void NoteOn(int part, int note, float velocity);
  void NoteOff(int part, int note);
  void PolyAftertouch(int part, int note, float value);
  void PitchBend(int part, float octaves);
  void ResetPart(int part);
  void AllNotesOff(int part);
  void ControlChange(int part, int controller, float value);
  // Part B's keyboard two octaves up, with a MIDI velocity 0..127.
  void CurrentPartNoteOn(int ignored, int note, unsigned velocity);
  void CurrentPartNoteOff(int ignored, int note);

  // rt 1: the live bank; rt 0: the shadow bank.
  void SetParam(int rt, int part, int instance, float value, uint32_t uid);
  void SetModRoute(int rt, int part, int slot, float amount, int source, int destination, int mode);
  void SetModAmount(int part, int slot, float amount);
  void SetLfoWave(int rt, int part, int lfo, const char* bytes, unsigned count);
  void SetWavetable(int rt, int part, int oscillator, WaveTable* table);
  void SetSample(int rt, int part, MultiWaveReader* set);
  void TriggerSwap(int part);
  int IsSwapPending(int part) const;
  void OnClock(unsigned tick, float bpm);

  // Engine thread t, once per period.
  void RenderVoices(float** scratch, int thread);
  // Audio thread, once per period after both render calls: out[p] and out[4 + p] are the
  // left and right buffers of part p.
  void MixParts(float** out, int pedalSwitch, float pedalLevel);

  // Display and state.
  VoiceStatus* GetVoice(int n);
  VoiceStatus* LatestVoice(int part) const;
  const VoiceAllocEntry* AllocationTable() const { return Entries(); }
  uint32_t frames() const { return static_cast<uint32_t>(frames_); }
  float level() const { return level_.load(std::memory_order_relaxed); }
  float parameter11() const { return parameter11_.load(std::memory_order_relaxed); }
  float velocityAmount() const { return velocityAmount_.load(std::memory_order_relaxed); }
  float lfoSmooth(int lfo) const { return lfoSmooth_[lfo].load(std::memory_order_relaxed); }
  float controller(VoiceControllers::Index i) const { return controllers_.value[i].load(std::memory_order_relaxed); }
  const PartNoteStack& noteStack(int part) const { return stacks_[part]; }
  VoiceBank& bank(int part, int rt);
  VoiceSlot& slot(int n) { return *slots_[n]; }
  bool SlotDisabled(int n) const { return disabled_[n].load(std::memory_order_relaxed); }

  // A slot disabled for a missed deadline waits for the next part swap. With a time set, it
  // also returns once its render thread has kept the deadline for that long: a shared PC
  // stalls now and then, the board does not. Process-wide; 0 (the default): only the swap.
  static void SetSlotReturnUs(int64_t us);
  // Slots disabled for a missed deadline since the process started, by every engine.
  static uint32_t SlotDisables();

 private:
  using Lock = std::lock_guard<platform::PiMutex>;

  static bool ValidPart(int part) { return part >= 0 && part < kParts; }
  int LiveIndex(int part) const { return bankFlag_[part].load(std::memory_order_acquire); }
  VoiceBank& Live(int part) { return *banks_[part][LiveIndex(part)]; }
  float* Output(uint32_t parity, int slot, int channel) const;
  int64_t ElapsedUs(const timespec& since) const;

  // Under allocMutex_.
  void NoteOffLocked(int part, int note);
  void StepSwap(int part);
  // Engine thread t: bank resets and user waves requested for its voices.
  void TakeBankRequests(int thread);
  void RenderSlot(int thread, int slot, uint32_t parity);
  void DisableSlot(int slot, uint32_t parity, int64_t elapsedUs);
  // End of thread t's period: counts how long it has kept the deadline and brings its
  // disabled slots back after `returnUs` of it.
  void ReturnSlots(int thread, bool missed, int64_t returnUs);
  void Notify(int part, int value);

  ProgressFn progress_;
  std::atomic<ClockFn> clock_{&MonotonicNow};
  int32_t frames_ = 0;
  int32_t rate_ = 0;

  std::atomic<float> level_{1.0f};
  std::atomic<float> parameter11_{0.4f};
  std::atomic<float> velocityAmount_{1.0f};
  std::atomic<float> lfoSmooth_[kLfos] = {};
  VoiceControllers controllers_;

  std::unique_ptr<VoiceBank> banks_[kParts][2];
  std::atomic<int32_t> bankFlag_[kParts] = {};
  PartNoteStack stacks_[kParts];
  std::atomic<VoiceStatus*> latest_[kParts] = {};

  std::unique_ptr<VoiceSlot> slots_[kSlots];
  // [parity][slot][left, right][frames]
  std::unique_ptr<float[]> outputs_;
  // The part whose voice filled a slot's output of that parity, or -1.
  std::atomic<int8_t> outputPart_[2][kSlots] = {};
  uint32_t renderPeriod_[kThreads] = {};
  uint32_t mixPeriod_ = 0;
  std::atomic<bool> disabled_[kSlots] = {};

  FftProcessor fft_[kThreads];
  timespec threadStart_[kThreads] = {};
  // Since when each render thread has kept the deadline; tv_sec -1: it missed it last period.
  timespec keptSince_[kThreads] = {{-1, 0}, {-1, 0}};

  std::atomic<int32_t> swapState_[kParts] = {};
  int32_t silenceWait_[kParts] = {};
  // Per part: two parts swapping at once each wait their full ten periods.
  int32_t effectsCountdown_[kParts] = {};

  // Voices of a bank whose reset was requested (bit = voice), taken by their threads.
  std::atomic<uint32_t> resetRequest_[kParts][2] = {};
  UserLfoWave userWave_[kParts][2][kLfos];
  // Each engine thread's copy of every user wave, which only its own voices read.
  struct WaveCopy {
    uint32_t seen = 0;
    int32_t length = 0;
    float points[UserLfoWave::kMaxPoints] = {};
  };
  std::unique_ptr<WaveCopy[]> waveCopies_;

  platform::PiMutex allocMutex_;
};
