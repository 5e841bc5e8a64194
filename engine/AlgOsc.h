#pragma once
// Algorithmic single-cycle oscillator: one of eight morphable waveforms, band-limited through
// the FFT into a double-buffered table, played as one to four detuned unison copies with
// linear FM, phase modulation, note-start phase restarts, stereo spread and pan.
#include <atomic>
#include <cstdint>

#include "NE10.h"
#include "engine/ControlSmoother.h"
#include "engine/PhaseRestart.h"

class FftProcessor;

class AlgOsc {
 public:
  static constexpr int32_t kN = 256;  // table length: the engine's FFT size
  static constexpr int32_t kMaxUnison = 4;
  static constexpr int32_t kInputCount = 5;
  // Modulation inputs, one value a block each.
  static constexpr int32_t kInputDetune = 0;  // semitones
  static constexpr int32_t kInputPan = 1;
  static constexpr int32_t kInputShape = 2;
  static constexpr int32_t kInputP2 = 3;
  // The restart lands on the sample at which the voice retriggers its envelopes.
  static constexpr int32_t kRestartSample = PhaseRestart::kSample;

  struct BuildRecord {
    const ne10_fft_cpx_float32_t* spectrum = nullptr;
    const float* timeBuffer = nullptr;
    int32_t length = 0;
    float frequency = 0.0f;
  };

  AlgOsc();
  AlgOsc(const AlgOsc&) = delete;
  AlgOsc& operator=(const AlgOsc&) = delete;

  // Set up by the voice before rendering.
  void SetSampleRate(int32_t rate) { sampleRate_ = rate; }
  void SetBlockSize(int32_t frames) { frames_ = frames > 0 ? frames : 0; }
  // index 0..4; others are ignored. A null source reads 0.
  void SetInput(int32_t index, const float* source);

  // Parameters: single stores from any thread. Non-finite values are ignored.
  void SetAlgorithm(int32_t value) { algorithm_.store(value, std::memory_order_relaxed); }
  // 1..4; 0 or less means 1; above 4 is ignored. Takes effect at the next build or render.
  void SetUnison(int32_t count);
  void SetDetune(float semitones);   // unison detune
  void SetPan(float pan);            // -1..1
  void SetShape(float shape);        // 0..1
  void SetP2(float p2);              // 0..1
  void SetPhase(float cycles);       // phase offset, 0..1 cycle
  void SetSpread(float spread);      // 0 = voices apart, 1 = each side minus the other
  void SetMute(bool mute) { mute_.store(mute, std::memory_order_relaxed); }
  void SetRandomDeviation(float deviation);  // 0..1; 1 leaves voices 1-3 free running
  void SetPhaseReset(bool on) { phaseReset_.store(on, std::memory_order_relaxed); }
  void SetSubOctave(bool on) { subOctave_.store(on, std::memory_order_relaxed); }

  // Engine thread, once per block, in this order: SmoothControls, (ArmRestart), BuildTable,
  // OscDetune.
  void SmoothControls();
  // Every unison voice back to table 0, pending tables dropped, and the next one taken at
  // the voice's first sample.
  void Reset();
  // Schedules a phase restart for the next render (note start).
  void ArmRestart();
  // Builds the next table into the idle buffer unless the previous one is still pending.
  void BuildTable(FftProcessor& fft);
  // Renders `frames` samples into outLeft/outRight. fm and pm are per-sample buffers of
  // `frames` floats (null reads 0); pm is in cycles.
  void OscDetune(float* outLeft, float* outRight, const float* fm, float fmAmount, float frequency,
                 const float* pm);

  // For the display and inspection.
  const float* DisplayTable() const { return display_; }
  int32_t DisplayLength() const { return kN; }
  const BuildRecord& LastBuild() const { return lastBuild_; }
  // Table 0 or 1 with its two guard points (kN + 2 floats).
  const float* Table(int32_t index) const { return tables_[index & 1]; }
  bool TablesBuilt() const { return tablesBuilt_; }
  int32_t UnisonCount() const { return count_; }
  float UnisonFrequency(int32_t voice) const { return unisonFreq_[voice & 3]; }

 private:
  static constexpr int32_t kChunk = 128;  // samples per pass of the stack work rows

  // What shapes a table: a build with the same inputs gives the same table.
  struct TableInputs {
    int32_t algorithm = 0;
    float shape = 0.0f;
    float p2 = 0.0f;
    bool bandLimited = false;
    float cutoffBin = 0.0f;
    bool operator==(const TableInputs&) const = default;
  };

  void ApplyPendingUnison();
  bool PlayingTableMatches(const TableInputs& inputs) const;
  void RenderChunk(float* outLeft, float* outRight, const float* fm, float fmAmount, const float* pm,
                   int32_t len, float pmAtRestart, int32_t count, float panLeft, float panRight);

  PhaseRestart restart_;

  int32_t sampleRate_ = 0;
  int32_t frames_ = 0;
  std::atomic<float> panTarget_{0.0f};
  std::atomic<bool> mute_{false};
  float frequency_ = 0.0f;

  const float* inputs_[kInputCount];
  float zero_[kInputCount] = {};

  std::atomic<float> detuneOctaves_{0.0f};  // follows the semitones at the next frequency change
  std::atomic<float> detuneSemitones_{0.4f};
  int32_t count_ = 1;
  std::atomic<int32_t> pendingCount_{0};  // 0: no change requested

  std::atomic<float> shapeTarget_{0.0f};
  std::atomic<float> p2Target_{0.0f};
  std::atomic<float> phaseTarget_{0.0f};
  std::atomic<float> spreadTarget_{0.0f};
  std::atomic<bool> subOctave_{false};
  std::atomic<int32_t> algorithm_{0};

  std::atomic<int32_t> tableIndex_[kMaxUnison];
  std::atomic<uint8_t> newTable_[kMaxUnison];
  std::atomic<uint8_t> immediate_[kMaxUnison];
  bool tablesBuilt_ = false;

  ControlSmoother shape_;
  ControlSmoother phase_;
  ControlSmoother spread_;
  ControlSmoother pan_;

  std::atomic<float> randomDeviation_{1.0f};
  std::atomic<bool> phaseReset_{false};
  float lastPhase_[kMaxUnison] = {};
  float unisonFreq_[kMaxUnison] = {};
  uint32_t accumulator_[kMaxUnison] = {};

  BuildRecord lastBuild_;
  TableInputs built_;
  int32_t builtIndex_ = -1;      // table holding the last build; -1 when no voice may play it
  int32_t displayedIndex_ = -1;  // table copied to display_
  // Everything the oscillator will ever use lives in the object: nothing is allocated later.
  alignas(16) float timeBuffer_[kN] = {};
  alignas(16) float tables_[2][kN + 2] = {};
  alignas(16) float display_[kN] = {};
  ne10_fft_cpx_float32_t spectrum_[kN] = {};
};
