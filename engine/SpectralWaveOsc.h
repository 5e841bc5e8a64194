#pragma once
// Spectral wavetable oscillator: once per block it resynthesises a 256-point single cycle
// from the analysed spectrum of one wavetable variant (picked by position, reshaped by a
// spectral morph, band-limited for the note), and plays it as one to four detuned unison
// copies that crossfade from the previous cycle to the new one over the block, with linear
// FM, phase modulation, a power-curve phase bend, note-start phase restarts, spread and pan.
#include <atomic>
#include <cstdint>
#include <vector>

#include "NE10.h"
#include "engine/ControlSmoother.h"
#include "engine/PhaseRestart.h"

class FftProcessor;
class WaveTable;
struct WaveVariant;

class SpectralWaveOsc {
 public:
  static constexpr int32_t kTableLength = 256;   // the engine's inverse FFT size
  static constexpr int32_t kTableReserve = 2050;  // up to 2048 points and two guard points
  static constexpr int32_t kMaxUnison = 4;
  static constexpr int32_t kInputCount = 6;
  // Modulation inputs, one value a block each (inputs 0 and 5 are not read).
  static constexpr int32_t kInputDetune = 1;    // semitones
  static constexpr int32_t kInputPan = 2;
  static constexpr int32_t kInputMorph = 3;     // added to the spectral morph amount
  static constexpr int32_t kInputPosition = 4;  // added to the position, 0..1 over the table
  static constexpr float kBandLimitHz = 24000.0f;

  // Morph algorithms; other values act as kNone.
  enum Morph : int32_t {
    kNone = 0,
    kHarmonicShift = 1,    // "H-SHIFT"
    kHarmonicStretch = 2,  // "IH-STRETCH"
    kSmear = 3,            // "SMEAR"
    kLowPass = 4,          // "LOW-PASS"
    kHighPass = 5,         // "HP-PASS"
    kVariantScan = 6,      // each harmonic from a different variant along the table
  };

  SpectralWaveOsc();
  SpectralWaveOsc(const SpectralWaveOsc&) = delete;
  SpectralWaveOsc& operator=(const SpectralWaveOsc&) = delete;

  // Set up by the voice, not while rendering. SetBlockSize allocates the work rows.
  void SetSampleRate(int32_t rate) { sampleRate_ = rate; }
  void SetBlockSize(int32_t frames);
  // index 0..5; others are ignored. A null source reads 0.
  void SetInput(int32_t index, const float* source);

  // The attached table (not owned; null = none). Takes effect at the next build; the
  // unison voices go back to table pair 0.
  void SetWavetable(const WaveTable* table);
  const WaveTable* Wavetable() const { return wavetable_.load(std::memory_order_acquire); }

  // Parameters: single stores from any thread; the engine thread applies them where it
  // next reads them. Non-finite values are ignored.
  // mode & 3 gives 1..4 voices; ratio moves some voices (1, 0.5, 0.75, 2/3).
  void SetUnison(int32_t mode, float ratio);
  void SetUnisonDetune(float semitones);
  void SetMorphAlgorithm(int32_t algorithm) { morphAlgorithm_.store(algorithm, std::memory_order_relaxed); }
  void SetSpectralMorph(float amount);  // 0..1
  void SetPosition(float position);     // 0..1 over the 256 variants
  void SetSpread(float spread);         // 0..2
  void SetPhase(float cycles);          // 0..1
  void SetPan(float pan);               // -1..1
  void SetMute(bool mute) { mute_.store(mute, std::memory_order_relaxed); }
  void SetBend(float bend);             // -1..1
  void SetRandomDeviation(float deviation);  // 1.0 leaves voices 1-3 free running
  void SetPhaseReset(bool on) { phaseReset_.store(on, std::memory_order_relaxed); }

  // Engine thread, once per block: SmoothControls, (ArmRestart on a note start),
  // BuildTable, Render.
  void SmoothControls();
  // Voice reset: table pairs and hand-over flags back to 0, all tables silent, the next
  // render publishes the newest table for display. The phases run on.
  void Reset();
  // Note start: prepares a restart of the unison phases for the next render.
  void ArmRestart();
  // Builds the next table into the idle pair unless a unison voice has not taken the
  // previous one yet. `twin`, when given, is the voice's other oscillator, built before this
  // one in the same block: when its newest table comes from the same inputs, that table is
  // taken instead of a build of this oscillator's own.
  void BuildTable(FftProcessor& fft, const SpectralWaveOsc* twin = nullptr);
  // Renders the block into outLeft/outRight (replacing their content). fm, pm and bm are
  // per-sample buffers of the block size (null reads 0); pm is in cycles.
  void Render(float* outLeft, float* outRight, const float* fm, float fmAmount, float frequency, float bmAmount,
              const float* pm, const float* bm);

  // w(f) X[b] + w(1 - f) X[b + 1] for position a = b + f, w(t) = 0.4892 t^2 - 0.4969 t +
  // 0.9935; w(1 - f) X[2] alone for b = 1; 0 for b below 1 or b + 1 at or above count.
  static ne10_fft_cpx_float32_t InterpolateBin(const ne10_fft_cpx_float32_t* x, int32_t count, float a);

  // For the editor page and inspection.
  const float* DisplayTable() const { return display_.load(std::memory_order_relaxed); }
  int32_t DisplayLength() const { return displayLength_.load(std::memory_order_relaxed); }
  float SmoothedPosition() const { return position_.value; }
  // Pair k (0 or 1): the previous table A[k] and the new table B[k], with guard points.
  const float* PreviousTable(int32_t k) const { return previous_[k & 1]; }
  const float* NewTable(int32_t k) const { return next_[k & 1]; }
  int32_t TableIndex(int32_t voice) const { return tableIndex_[voice & 3].load(); }
  bool NewTablePending(int32_t voice) const { return newTable_[voice & 3].load() != 0; }
  const ne10_fft_cpx_float32_t* Spectrum() const { return spectrum_; }
  int32_t UnisonCount() const { return count_; }
  float UnisonFrequency(int32_t voice) const { return unisonFreq_[voice & 3]; }
  float RestartOffset(int32_t voice) const { return restart_.Offset(voice); }

 private:
  static constexpr int32_t kSpectrumBins = kTableLength;  // only these reach the table

  struct WorkRows {
    std::vector<float> fmProduct;
    std::vector<uint32_t> phaseOffset;
    std::vector<float> ramp;  // s / N: the block's fade from the previous table to the new
    std::vector<float> exponent;  // the phase bend's, by sample
    std::vector<uint32_t> increment[kMaxUnison];
    std::vector<uint32_t> raw[kMaxUnison];
  };

  // What shapes the spectrum before the band limit, and then the table: builds from the same
  // inputs give the same spectrum, and the same table, bit for bit.
  struct SpectrumInputs {
    const WaveTable* table = nullptr;
    int32_t variant = 0;
    int32_t algorithm = 0;
    float morph = 0.0f;
    int32_t highPassBin = 0;  // the cutoff bin, which only the high-pass reads
    bool operator==(const SpectrumInputs&) const = default;
  };
  static constexpr float kNoBandLimit = -1.0f;  // no pitch yet: every bin is kept
  // The table is the shaped spectrum band-limited at the fractional cutoff bin, which holds
  // at half the table length for every note up to 187.5 Hz: notes with the same cutoff get
  // the same table.
  struct TableInputs {
    SpectrumInputs spectrum;
    float cutoff = kNoBandLimit;
    bool operator==(const TableInputs&) const = default;
  };

  // Unison and table changes requested by other threads, applied here on the engine thread
  // between blocks so every block sees one count and one consistent hand-over.
  void ApplyPending();
  void ClearHandOver();
  bool PlayingNewest() const;
  void SetGainRows(int32_t count);

  // Writes bins 0 .. last at least (the variant scan no more).
  void Reshape(int32_t algorithm, const WaveTable& table, int32_t variant, int32_t cutoffBin, float x, int32_t last);
  void ShiftHarmonics(const WaveVariant& v, float x);
  void StretchHarmonics(const WaveVariant& v, float x);
  // cutoffBin: the last harmonic below the band limit at the playing pitch.
  void Smear(const WaveVariant& v, int32_t cutoffBin, float x);
  // Smear amount from which the level of the harmonics that sound holds.
  static constexpr float kSmearHold = 0.9f;
  void ApplyLowPass(const WaveVariant& v, float x);
  void ApplyHighPass(const WaveVariant& v, int32_t k, float x);
  // Bins above `last` are not written: the band limit drops them.
  void ScanVariants(const WaveTable& table, int32_t variant, float x, int32_t last);

  void RenderVoices(float* outLeft, float* outRight, const float* fm, float fmAmount, const float* pm,
                    const float* bm, float bmAmount, int32_t count, float gainLeft, float gainRight);

  std::atomic<const WaveTable*> wavetable_{nullptr};
  PhaseRestart restart_;  // pending and active restart flags, counter and offsets

  int32_t sampleRate_ = 0;
  int32_t frames_ = 0;
  std::atomic<bool> mute_{false};
  float frequency_ = 0.0f;

  int32_t count_ = 2;
  float ratio_ = 1.0f;
  std::atomic<int32_t> pendingUnison_{0};  // mode + 1; 0 = no request
  std::atomic<float> pendingRatio_{1.0f};
  std::atomic<uint8_t> pendingClear_{0};
  std::atomic<float> detuneSemitones_{0.4f};
  std::atomic<float> detuneOctaves_{0.4f / 12.0f};

  std::atomic<float> morphTarget_{0.0f};
  std::atomic<float> positionTarget_{-1.0f};
  const float* inputs_[kInputCount];
  float zero_[kInputCount] = {};
  std::atomic<float> spreadTarget_{0.0f};
  std::atomic<float> phaseTarget_{0.0f};
  std::atomic<float> panTarget_{0.0f};
  std::atomic<float> randomDeviation_{1.0f};
  std::atomic<int32_t> morphAlgorithm_{0};

  std::atomic<int32_t> tableIndex_[kMaxUnison];
  std::atomic<int32_t> newTable_[kMaxUnison];
  int32_t tableLength_ = 0;
  int32_t lastBuilt_ = 0;  // the pair the newest table went into
  // The inputs of the newest table, while every voice plays it and it is a function of them.
  TableInputs built_;
  bool builtValid_ = false;
  // The newest reshaped spectrum (before the band limit) and its inputs, for builds that
  // only the note's frequency asks for.
  SpectrumInputs shaped_;
  bool shapedValid_ = false;
  int32_t shapedLast_ = 0;  // the last bin that spectrum holds
  bool steady_[2] = {};  // pair k's previous table equals its new one: nothing left to fade
  std::atomic<const float*> display_{nullptr};
  std::atomic<int32_t> displayLength_{0};

  ControlSmoother morph_;
  ControlSmoother phase_;
  ControlSmoother position_;
  ControlSmoother spread_;
  ControlSmoother pan_;

  uint8_t displayRefresh_[kMaxUnison] = {};
  std::atomic<bool> phaseReset_{false};
  std::atomic<float> bend_{0.0f};

  // Render state.
  uint32_t previousPhase_[kMaxUnison] = {};
  float gainRows_[2][kMaxUnison] = {};  // [left/right][voice], 0 or 1
  float unisonFreq_[kMaxUnison] = {};
  uint32_t accumulator_[kMaxUnison] = {};
  WorkRows rows_;
  int32_t paddedFrames_ = 0;

  // Everything the build uses lives in the object: nothing is allocated while rendering.
  alignas(16) ne10_fft_cpx_float32_t spectrum_[kSpectrumBins] = {};
  alignas(16) ne10_fft_cpx_float32_t reshaped_[kSpectrumBins] = {};
  alignas(16) float previous_[2][kTableReserve] = {};
  alignas(16) float next_[2][kTableReserve] = {};
};
