#pragma once
// The instrument's audio host: owns the synth engine adapter, the drum player and the four
// parts' effects engines, runs the two engine threads that render the voices, and mixes one
// period of 128 stereo frames at 48 kHz on the audio thread. The routing operations carry
// parameters and events from the rest of the instrument into the sound objects.
#include <pthread.h>
#include <time.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/HookSlot.h"
#include "audio/IAudioProcess.h"
#include "audio/OverrunThrottle.h"
#include "audio/PartMidiSettings.h"
#include "engine/LinearRamp.h"
#include "platform/PiMutex.h"

// How the audio process makes its sound objects; tests hand it fakes. The engine maker gets
// the callback through which the engine reports the stages of a part swap.
using EngineSwapFn = void (*)(void* context, int part, int value);
struct SoundObjectFactory {
  IAudioProcess* (*makeEngine)(EngineSwapFn onSwap, void* context) = nullptr;  // null: no engine
  IAudioProcess* (*makeDrums)() = nullptr;
  IAudioProcess* (*makeEffects)() = nullptr;
};
// The instrument's own: synth engine adapter, drum player, effects engines.
SoundObjectFactory DefaultSoundObjects();

class CAudioProcess {
 public:
  static constexpr int kParts = 4;
  static constexpr int kFrames = 128;
  static constexpr int kRate = 48000;
  static constexpr int kTimingRecords = 7;
  static constexpr uint32_t kOverrunMicros = 3300;
  static constexpr uint32_t kMidiOverrunMicros = 100;

  struct TimingRecord {
    char name[16] = {};
    uint32_t busyMicros = 0;
    uint32_t periodMicros = 0;
    timespec lastStart{};
  };

  using Hook = HookSlot::Hook;

  CAudioProcess();
  explicit CAudioProcess(const SoundObjectFactory& factory);
  virtual ~CAudioProcess();
  CAudioProcess(const CAudioProcess&) = delete;
  CAudioProcess& operator=(const CAudioProcess&) = delete;

  // --- start-up, threads and period ---------------------------------------------------------
  // Makes the buffers and sound objects and starts "Engine A" and "Engine B". 0 when both
  // engine threads run.
  friend int InitAudioProcess(CAudioProcess* process, EngineLogFn log);
  // Stops and joins the engine threads (the audio driver is stopped first by its owner).
  void Stop();
  // One period; the period hook calls it on the audio thread.
  void ProcessCycle(int pedalSwitch, float pedalLevel);
  // What the audio thread calls once per period: the installed hook, or ProcessCycle(0, 0).
  void RunPeriodHook();
  // Safe while the audio thread runs: installing, replacing or clearing a hook.
  void SetPeriodHook(Hook hook, void* context);
  // Called at the end of every period after the mix, on the audio thread.
  void SetCycleTick(Hook tick, void* context);
  // Called by the audio thread before it recovers from an under-run; does nothing.
  void OnUnderrun() {}
  void OnClock(unsigned tick, float bpm);
  void Idle() {}

  // The mixed period (left, right), valid after ProcessCycle until the next one.
  const float* MixLeft() const { return mix_[0].data(); }
  const float* MixRight() const { return mix_[1].data(); }
  const TimingRecord& Timing(int i) const { return timing_[i]; }
  // Record `i` as another thread may read it while the periods run: name and the two figures
  // (the figures are written and read as atomics; lastStart stays the audio side's own).
  TimingRecord ReadTiming(int i) const;
  uint32_t CycleMicros() const { return cycleMicros_; }
  // Periods over the deadline since the start, each counted though its line is paced.
  static uint32_t Overruns();
  uint32_t MidiMicros(int i) const { return midiMicros_[i].load(std::memory_order_relaxed); }

  // --- routing ------------------------------------------------------------------------------
  virtual void SendMidi(int part, int status, int data1, int data2, PartMidiSettings* settings);
  virtual void SetEngineParamDirect(uint32_t uid, unsigned value);
  void MidiToEngine(const PartMidiMessage* message, PartMidiSettings* settings);
  void SetParam(int rt, uint32_t uid, float value);
  void SetModRoute(int rt, uint32_t uid, int source, int destination, int polarity, float amount);
  void SetModAmount(uint32_t uid, float amount);
  void TriggerSwap(int part);
  void ClearShadowBank(int part);
  int IsSwapPending(int part);
  void SetLfoWave(int rt, uint32_t uid, const char* bytes, int count);
  void SetWavetable(int rt, uint32_t uid, WaveTable* table);
  void SetSample(int rt, uint32_t uid, MultiWaveReader* set);
  void SetPadSample(int id, uint32_t uid, SampleFile* sample);
  void* GetPartVoiceState(uint32_t uid);
  void* GetFxParams(uint32_t uid, int slot);
  void* GetEngineState(int);
  void PostEvent(const EngineEvent* event);

  // The mixer's 101-step level curve, 0..1 over 0..100.
  static float LevelOf(float value);
  // A MIDI velocity 0..1 through a curve of -100..100 (0 linear).
  static float VelocityCurve(float v, float curve);

  // The sound objects, for the application and tests.
  IAudioProcess* Engine() const { return engine_; }
  IAudioProcess* Drums() const { return drums_; }
  IAudioProcess* Effects(int part) const { return effects_[part]; }

  // Mixer state the audio thread reads once a period.
  float PartLevel(int p) const { return partLevel_[p]; }
  float DrumLevel() const { return drumLevel_; }
  float MasterLevel() const { return masterLevel_; }

 private:
  struct EngineThread {
    CAudioProcess* owner = nullptr;
    int index = 0;
    pthread_t handle{};
    bool running = false;
  };
  static void* EngineThreadMain(void* arg);
  static void OnEngineSwap(void* context, int part, int value);
  void SetMixer(uint32_t uid, float value);
  void DeliverEvent(const EngineEvent& event, const PartMidiMessage& message);

  using Buffer = std::vector<float>;
  SoundObjectFactory factory_;
  std::array<std::array<Buffer, 2 * kParts>, 2> partBuffers_;
  std::array<std::array<Buffer, 4>, 2> drumBuffers_;
  std::array<Buffer, 2> scratch_;
  std::array<Buffer, 4> mix_;
  std::array<Buffer, 4> fxOut_;
  std::array<std::atomic<float>, kParts> partTarget_;
  std::atomic<float> drumTarget_{0.8f};
  std::array<std::atomic<bool>, kParts> partMute_{};
  std::atomic<bool> drumMute_{false};
  std::array<std::atomic<bool>, kParts> pedalFollow_{};
  int bufferSet_ = 0;
  IAudioProcess* engine_ = nullptr;
  IAudioProcess* drums_ = nullptr;
  std::array<IAudioProcess*, kParts> effects_{};
  std::array<TimingRecord, kTimingRecords> timing_{};
  std::array<std::atomic<uint32_t>, 2> midiMicros_{};
  uint32_t cycleMicros_ = 0;
  OverrunThrottle overrunLines_;
  timespec previousEnd_{};
  pthread_barrier_t barrier_{};
  bool barrierReady_ = false;
  platform::PiMutex engineMutex_[2];
  platform::PiMutex drumMutex_;
  platform::PiMutex partMutex_[kParts];
  platform::PiMutex eventMutex_;
  std::array<EngineThread, 2> threads_{};
  // Barrier cycles the audio side has joined (audio thread, then the stopper), and the one
  // after which the engine threads end.
  int64_t audioCycles_ = 0;
  std::atomic<int64_t> stopAfterCycle_{INT64_MAX};
  int frames_ = kFrames;
  int rate_ = kRate;
  std::array<float, kParts> partLevel_{};
  float drumLevel_ = 0.0f;
  float masterLevel_ = 0.8f;
  std::atomic<float> masterGoal_{0.8f};
  float pedalLevel_ = 0.0f;
  LinearRamp masterRamp_;
  // The audio thread may already run when a hook is installed or cleared.
  HookSlot periodHook_;
  HookSlot cycleTick_;
};

int InitAudioProcess(CAudioProcess* process, EngineLogFn log);
