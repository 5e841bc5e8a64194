#pragma once
// Low-frequency oscillator: a 32-bit phase accumulator over interpolated 1024-point wave
// tables, a sample-and-hold random source or a user table, free running or locked to the
// MIDI clock.
#include <atomic>
#include <cmath>
#include <cstdint>

class VoiceLfo {
 public:
  static constexpr int kTablePoints = 1024;  // one cycle; each table has a guard point after it

  enum Type : int32_t {
    kSin = 0,
    kTri = 1,
    kRampUp = 2,
    kRampDown = 3,
    kRand = 4,
    kPulseHighLow = 5,
    kPulseLowHigh = 6,
    kPulseDown = 7,
    kPulseDown2 = 8,
    kPulseDown3 = 9,
    kSinExp = 10,
    kUser = 11,
    kSmooth = 12,
  };

  enum SyncMode : int32_t { kFree = 0, kFreeNoteReset = 1, kTempoClockReset = 2, kTempoNoteReset = 3 };

  VoiceLfo() = default;
  ~VoiceLfo() {}
  VoiceLfo(const VoiceLfo&) = delete;
  VoiceLfo& operator=(const VoiceLfo&) = delete;

  // The 1025-point table a type reads (type 2 reads the falling ramp backwards), or null for
  // types without a built-in table.
  static const float* WaveTable(int32_t type);
  // Restarts the random sequence of the calling thread (each render thread has its own).
  static void SeedRandom(uint32_t seed = 22222u);

  void Reset();
  // Values per second and values per Process call.
  void SetSampleRate(float rate) { sampleRate_ = rate; }
  void SetBlockSize(int32_t n) { blockSize_ = n; }
  // Restarts at phase 0 and stands until Process or a clock tick sets the rate.
  void SetType(int32_t type);
  // `length` points of one cycle followed by one guard point (the engine owns the memory).
  // Null or a length of 0 or less detaches the table.
  void SetUserTable(const float* points, int32_t length);
  // Non-finite values are ignored: every later value would be NaN.
  void SetAmplitude(float amplitude) {
    if (std::isfinite(amplitude)) amplitude_ = amplitude;
  }
  // The sync settings are set on the engine thread and read by the clock's step on the
  // audio thread (SyncToTempo): they are atomic.
  void SetSyncMode(int32_t mode) { syncMode_.store(mode, std::memory_order_relaxed); }
  // 0 triplet, 1 regular, 2 dotted, 3 chosen by the modulation input.
  void SetSyncModifier(int32_t modifier) { syncModifier_.store(modifier, std::memory_order_relaxed); }
  // Index into the note-length table, 0..8.
  void SetSyncNote(int32_t note) { syncNote_.store(note, std::memory_order_relaxed); }
  // Note on: restarts the cycle in sync modes 1 and 3.
  void NoteOn();

  // MIDI clock tick (24 a quarter note); may come from another thread than Process.
  void SyncToTempo(uint32_t clockTick, float bpm);
  // Renders the block size of values into out. rateHz is the free rate; modulation scales it
  // by 1 + 8 x modulation.
  void Process(float* out, float modulation, float rateHz);
  // One block as Process runs it, without its values: the phase, the held value and the
  // thread's random sequence move exactly as they would, so a later Process carries on as if
  // every block had been rendered. For a block whose values nobody reads; `last`, when given,
  // takes the value Process would have written last (and is left alone where Process writes
  // nothing).
  void Advance(float modulation, float rateHz, float* last = nullptr);

  uint32_t phase() const { return phase_; }
  uint32_t increment() const { return increment_.load(std::memory_order_relaxed); }
  float cycleBeats() const { return cycleBeats_.load(std::memory_order_relaxed); }
  int32_t type() const { return type_; }

 private:
  // Backwards: the phase runs down, so a falling table plays rising.
  // The block's increment, after the rate, modulation and a clock restart are taken.
  uint32_t StartBlock(float modulation, float rateHz);
  template <bool kBackwards>
  void RenderTable(float* out, const float* table, uint32_t inc);
  void RenderUser(float* out, uint32_t inc);
  template <bool kWrite>
  void RenderRandom(float* out, float rateHz, uint32_t inc);

  uint32_t phase_ = 0;
  // Written by Process in the free modes and by the clock in the sync modes.
  std::atomic<uint32_t> increment_{0};
  int32_t blockSize_ = 0;
  float sampleRate_ = 0.0f;
  int32_t holdCount_ = 0;
  float heldValue_ = 0.0f;
  int32_t type_ = kSin;
  float amplitude_ = 1.0f;
  std::atomic<int32_t> syncMode_{kFree};
  const float* userTable_ = nullptr;
  int32_t userLength_ = 0;
  std::atomic<int32_t> syncModifier_{1};
  std::atomic<int32_t> syncNote_{2};
  std::atomic<float> cycleBeats_{1.0f};  // written by the clock thread, read for display
  std::atomic<float> lastModulation_{0.0f};
  // The clock's phase restart, applied by the rendering thread at its next Process.
  std::atomic<bool> restartRequest_{false};
};
