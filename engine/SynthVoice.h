#pragma once
// One voice of a part: two oscillator slots (spectral wavetable, algorithmic or resonator),
// a sample-region noise source, two stereo filter channels, four envelopes, three LFOs with
// delay stages, a waveshaper, two amplifiers and a modulation matrix, wired through the
// voice's buffers.
//
// Threads: the voice belongs to the engine thread that renders its slot. SetParam, the
// attach calls, routes, SetBend, SetPolyAftertouch, RequestShutdown, OnClock and IsFinished
// may come from any thread; parameters are posted and take effect between blocks
// (ApplyParams, run by the owner thread), so the modules' plain fields (envelope times, LFO
// settings, filter type and state) are only ever touched by the owner. Everything else
// (Trigger, Release, Reset, UpdatePitch, SmoothControls) is the owner's, or the caller's
// while no thread renders the voice.
#include <atomic>
#include <cstdint>

#include "engine/AlgOsc.h"
#include "engine/EnvGen.h"
#include "engine/ExciterResonatorOsc.h"
#include "engine/FilterSlot.h"
#include "engine/LfoFade.h"
#include "engine/LinearRamp.h"
#include "engine/ModulationMatrix.h"
#include "engine/ParamMailbox.h"
#include "engine/RegionPlayer.h"
#include "engine/RouteMailbox.h"
#include "engine/Shaper.h"
#include "engine/SpectralWaveOsc.h"
#include "engine/VoiceBuffers.h"
#include "engine/VoiceLfo.h"

class MultiWaveReader;
class WaveTable;

// The part engine's controller values that every voice reads once a block: the modulation
// wheel (controller 1), the sequencer control values (117-119) and channel pressure (255).
struct VoiceControllers {
  enum Index : int32_t { kModWheel = 0, kCvA = 1, kCvB = 2, kCvC = 3, kPressure = 4, kCount = 5 };
  std::atomic<float> value[kCount] = {};
};

class SynthVoice {
 public:
  static constexpr int32_t kOscillators = 2;
  static constexpr int32_t kFilters = 2;
  static constexpr int32_t kEnvelopes = 4;
  static constexpr int32_t kLfos = 3;
  static constexpr int32_t kMacros = 3;

  enum OscType : int32_t { kWavetable = 0, kAlgorithmic = 1, kResonator = 2 };
  enum GlideMode : int32_t { kGlideOff = 0, kGlideTime = 1, kGlideRate = 2 };

  // Modulation sources and destinations as the matrix knows them.
  enum Source : int32_t {
    kSrcNone, kSrcEnv1, kSrcEnv2, kSrcEnv3, kSrcEnv4, kSrcLfo1, kSrcLfo2, kSrcLfo3, kSrcOsc1, kSrcOsc2,
    kSrcMixA, kSrcMixBLeft, kSrcCvA, kSrcCvB, kSrcCvC, kSrcVelocity, kSrcPitch, kSrcModWheel,
    kSrcPressure, kSrcFix, kSrcNote, kSrcRandom, kSrcMacro1, kSrcMacro2, kSrcMacro3, kSrcPolyAftertouch,
    kSourceCount,
  };
  enum Destination : int32_t {
    kDstNone, kDstOsc1Fm, kDstOsc1Shape, kDstOsc1Detune, kDstOsc1Pan, kDstOsc1Pm, kDstOsc1P1, kDstWt1Morph,
    kDstAlg1P2, kDstOsc2Fm, kDstOsc2Shape, kDstOsc2Detune, kDstOsc2Pan, kDstOsc2Pm, kDstOsc2P1,
    kDstWt2Morph, kDstAlg2P2, kDstVcfAMod, kDstVcfAEnv, kDstVcfBMod, kDstVcfBEnv, kDstVca1Env, kDstVca1Am,
    kDstVca2Env, kDstVca2Am, kDstLfo1Am, kDstLfo1Fm, kDstLfo2Am, kDstLfo2Fm, kDstLfo3Am, kDstLfo3Fm,
    kDstXfade, kDstOsc1FmAmt, kDstOsc2FmAmt, kDstOsc1AmAmt, kDstOsc2AmAmt, kDstOsc1Am, kDstOsc2Am,
    kDstShaperCm, kDstShaperPgm, kDstNoiseFm, kDstNoiseFmAmt, kDstOsc1Bm, kDstOsc2Bm, kDstOsc1BmAmt,
    kDstOsc2BmAmt,
    kDestinationCount,
  };
  static_assert(kSourceCount == 26 && kDestinationCount == 46);

  // Per oscillator slot.
  struct OscSettings {
    int32_t type = kWavetable;
    uint8_t bendEnable = 1;
    uint8_t glideEnable = 1;
    int32_t kbdMode = 0;  // 0: follows the key; k: fixed octave k + 1
    float fmFactor = 1.0f;
    float amOffset = 0.5f;
    float randomDeviation = 1.0f;
    float coarse[3] = {};  // by type: wavetable, algorithmic, resonator (semitones)
    float fine[3] = {};
    float current = 0.0f;  // Hz
    float target = 0.0f;
    float glideStep = 0.0f;
  };
  struct FilterSettings {
    float cutoff = 300.0f;  // smoothed, Hz
    float resonance = 0.5f;
    float drive = 0.5f;  // smoothed gain
    float kbdTrack = 0.0f;
    float envAmount = 0.0f;
    uint8_t exponential = 0;  // envelope amount: 0 linear (squared), 1 exponential
    float keyFactor = 1.0f;
  };
  // What the render reads of the voice's settings. The owner thread writes it.
  struct Settings {
    float tune = 0.0f;  // semitones
    float glideTime = 0.05f;
    float glideRate = 0.01f;
    int32_t glideMode = kGlideOff;
    int32_t kbdGlideMode = 2;
    float lfoRate[kLfos] = {3.0f, 3.0f, 0.0f};
    OscSettings osc[kOscillators];
    float level[kOscillators] = {};  // smoothed
    int32_t route[kOscillators] = {};  // oscillator 1: 0 A, 1 B, 2 crossfade; oscillator 2: 1 A, 0 B
    float noiseBalance = 0.0f;      // smoothed, -1 (A) .. 1 (B)
    float crossfade = 0.5f;
    FilterSettings filter[kFilters];
    uint8_t filterLink = 0;
    float shaperCurve = 0.0f;  // smoothed
    float shaperDensity = 0.0f;
    int32_t shaperInsert = 0;  // 0 off, 1 oscillator 1, 2 oscillator 2, 3 channel A's input
    float ampGain[2] = {1.0f, 1.0f};
    int32_t pedalMode[kEnvelopes] = {};
  };

  // Rows of the parameter table in SynthVoice.cpp; each row has up to four instances.
  static constexpr int32_t kMaxParamRows = 96;
  static constexpr int32_t kMaxInstances = 4;
  static constexpr int32_t kParamSlots = kMaxParamRows * kMaxInstances;

  SynthVoice(int32_t index, const VoiceControllers* controllers, VoiceBuffers* buffers);
  ~SynthVoice();
  SynthVoice(const SynthVoice&) = delete;
  SynthVoice& operator=(const SynthVoice&) = delete;

  // Set-up, before the voice renders: block size, then rate, then InitRouting.
  void SetBlockSize(int32_t frames);
  void SetSampleRate(int32_t rate);
  void InitRouting();

  // Any thread: number (0..4095), instance (low four bits used), value in the parameter
  // table's units; smooth asks for the listed glides. Unknown numbers, instances beyond the
  // module's count and non-finite values are ignored. Taken by the next ApplyParams.
  void SetParam(bool smooth, int32_t instance, int32_t number, float value);
  bool ParamsPending() const { return !mailbox_.Empty() || routes_.Pending(); }
  // Owner thread, between blocks: applies every posted parameter and route and a requested
  // shutdown.
  void ApplyParams();
  // Owner thread: whether ApplyParams cleared every route since the last call.
  bool TakeRoutesCleared() {
    const bool cleared = routesCleared_;
    routesCleared_ = false;
    return cleared;
  }
  // Owner thread, once per block: applies posted parameters, moves the smoothed values.
  void SmoothControls();

  // Owner thread.
  void Trigger(int32_t note, float velocity, float pitchOffset);
  void Release();
  void Reset(bool resetEnvelopes);
  void UpdatePitch(float offset);
  // The four envelopes fade out fast. Any thread: done by the owner at its next block.
  void RequestShutdown() { shutdownRequest_.store(true, std::memory_order_release); }
  // Any thread: all four envelopes idle, as of the owner's last block or note event.
  bool IsFinished() const { return finished_.load(std::memory_order_acquire); }

  // Any thread.
  void OnClock(uint32_t tick, float bpm);
  // Pitch-bend in octaves (factor 2^octaves).
  void SetBend(float octaves);
  void SetPolyAftertouch(float value) { polyAftertouch_.store(value, std::memory_order_relaxed); }
  // Reference counted: holds the new object at once; the oscillator changes over, and lets
  // go of the previous one, between blocks, so the cache never frees a table mid-block.
  // Null: none.
  void AttachWavetable(int32_t oscillator, WaveTable* table);
  void AttachSample(MultiWaveReader* set);
  // Matrix routes, installed between blocks: slot 0..23, or -1/255 to clear every route.
  // Returns 0, or the matrix's negative code for a slot, source or destination out of
  // range (nothing changes). Amounts are held to -1..1; a non-finite one changes nothing.
  int SetRoute(int32_t slot, int32_t source, int32_t destination, float amount, int32_t mode);
  // Slot 0..23; -1/255 change nothing. Returns the slot, 0, or the negative slot code.
  int SetRouteAmount(int32_t slot, float amount);

  // For the render slot (owner thread).
  const Settings& settings() const { return s_; }
  VoiceBuffers& buffers() { return *buffers_; }
  int32_t index() const { return index_; }
  int32_t frames() const { return frames_; }
  int32_t sampleRate() const { return sampleRate_; }
  int32_t note() const { return note_; }
  float velocity() const { return velocity_; }
  float bendFactor() const { return bendFactor_.load(std::memory_order_relaxed); }
  // Copies the engine's controllers, the macros and the note values into the matrix's
  // one-value sources, and the poly aftertouch into the block values.
  void LoadBlockSources();
  // One block of glide toward the target frequencies.
  void AdvanceGlide();
  // Publishes IsFinished from the envelopes.
  void UpdateFinished();

  EnvGen& envelope(int32_t i) { return env_[i]; }
  const EnvGen& envelope(int32_t i) const { return env_[i]; }
  VoiceLfo& lfo(int32_t i) { return lfo_[i]; }
  LfoFade& lfoFade(int32_t i) { return lfoFade_[i]; }
  SpectralWaveOsc& wavetableOsc(int32_t i) { return wt_[i]; }
  AlgOsc& algorithmicOsc(int32_t i) { return alg_[i]; }
  ExciterResonatorOsc& resonatorOsc(int32_t i) { return res_[i]; }
  const ExciterResonatorOsc& resonatorOsc(int32_t i) const { return res_[i]; }
  FilterSlot& filter(int32_t i) { return filter_[i]; }
  RegionPlayer& noise() { return noise_; }
  Shaper& shaper() { return shaper_; }
  const Shaper& shaper() const { return shaper_; }
  ModulationMatrix& matrix() { return matrix_; }

 private:
  using Apply = void (*)(SynthVoice& v, int32_t instance, float value, bool smooth);
  struct ParamRow {
    int16_t number;
    int8_t instances;  // 1: any instance is the one instance
    int8_t clampInstance;  // instances at or above the count act as the last one
    Apply apply;
  };
  static const ParamRow kParamRows[];

  void ApplyParam(int32_t slot, float value, bool smooth);
  void TakeWavetables();
  void SmoothTo(float* value, float goal, float range, float seconds, bool smooth, int32_t ramp);
  void SetFilterType(int32_t channel, int32_t type);
  void SetEnvelopeType(int32_t env, int32_t type);
  void RegisterModulation();
  float NextRandom();

  int32_t index_;
  const VoiceControllers* controllers_;
  VoiceBuffers* buffers_;
  int32_t frames_ = 0;
  int32_t sampleRate_ = 48000;

  Settings s_;

  FilterSlot filter_[kFilters];
  EnvGen env_[kEnvelopes];
  SpectralWaveOsc wt_[kOscillators];
  AlgOsc alg_[kOscillators];
  ExciterResonatorOsc res_[kOscillators];
  LfoFade lfoFade_[kLfos];
  VoiceLfo lfo_[kLfos];
  RegionPlayer noise_;
  Shaper shaper_;
  ModulationMatrix matrix_;

  // Note values and the matrix's one-value sources.
  int32_t note_ = 0;
  float velocity_ = 0.0f;
  float macro_[kMacros] = {};
  float sourceValue_[kSourceCount] = {};
  bool sounded_ = false;  // a note has started: glides start from the last pitch
  uint32_t random_;
  std::atomic<float> bendOctaves_{0.0f};
  std::atomic<float> bendFactor_{1.0f};
  std::atomic<float> polyAftertouch_{0.0f};

  // Block-rate glides of the smoothed settings.
  enum Ramp : int32_t {
    kRampLevel1, kRampLevel2, kRampNoiseBalance, kRampCutoffA, kRampCutoffB, kRampDriveA, kRampDriveB,
    kRampShaperCurve, kRampShaperDensity, kRamps,
  };
  LinearRamp ramp_[kRamps];

  ParamMailbox<kParamSlots> mailbox_;
  RouteMailbox routes_;
  std::atomic<bool> shutdownRequest_{false};
  bool routesCleared_ = false;
  std::atomic<bool> finished_{true};
  // Attached and playing (owner thread), and posted but not yet taken (kNoTable: none).
  WaveTable* wavetable_[kOscillators] = {};
  std::atomic<WaveTable*> pendingTable_[kOscillators];
};
