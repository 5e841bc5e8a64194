#include "engine/SynthVoice.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "data/MultiWaveReader.h"
#include "data/WaveTable.h"
#include "numeric/LevelCurve.h"
#include "numeric/MathTables.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"

namespace {

struct SourceRow {
  const char* name;
  bool perSample;
  uint8_t keep;
  uint8_t bipolar;
};
// In matrix index order.
constexpr SourceRow kSourceRows[SynthVoice::kSourceCount] = {
    {"NONE", false, 0, 0},
    {"ENV1.CV", true, 0, 0},
    {"ENV2.CV", true, 0, 0},
    {"ENV3.CV", true, 0, 0},
    {"ENV4.CV", true, 0, 0},
    {"LFO1.OUT", true, 0, 1},
    {"LFO2.OUT", true, 0, 1},
    {"LFO3.OUT", false, 0, 1},
    {"OSC1.OUT", true, 0, 1},
    {"OSC2.OUT", true, 0, 1},
    {"OSC_MIXA.OUT", true, 0, 1},
    {"OSC_MIXB.OUTL", true, 0, 1},
    {"CVA", false, 0, 0},
    {"CVB", false, 0, 0},
    {"CVC", false, 0, 0},
    {"MIDI.VEL", false, 0, 0},
    {"MASTER.PITCH", false, 0, 1},
    {"MASTER.MOD", false, 0, 0},
    {"PRESSURE", false, 0, 0},
    {"FIX", false, 1, 0},
    {"MIDI.#NOTE", false, 0, 0},
    {"RANDOM", false, 0, 0},
    {"MATRIX.MACRO1", false, 0, 1},
    {"MATRIX.MACRO2", false, 0, 1},
    {"MATRIX.MACRO3", false, 0, 1},
    {"MIDI.PAFT", false, 0, 0},
};

struct DestinationRow {
  const char* name;
  bool perSample;
};
constexpr DestinationRow kDestinationRows[SynthVoice::kDestinationCount] = {
    {"NONE", false},
    {"OSC1.FM", true},
    {"OSC1.SHAPE", false},
    {"OSC1.DETUNE", false},
    {"OSC1.PAN", false},
    {"OSC1.PM", true},
    {"OSC1.P1", false},
    {"WTOSC1.MORPH", false},
    {"ALGOSC1.P2", false},
    {"OSC2.FM", true},
    {"OSC2.SHAPE", false},
    {"OSC2.DETUNE", false},
    {"OSC2.PAN", false},
    {"OSC2.PM", true},
    {"OSC2.P1", false},
    {"WTOSC2.MORPH", false},
    {"ALGOSC2.P2", false},
    {"VCF_A.MOD", false},
    {"VCF_A.ENV", false},
    {"VCF_B.MOD", false},
    {"VCF_B.ENV", false},
    {"VCA1.ENV", true},
    {"VCA1.AM", true},
    {"VCA2.ENV", true},
    {"VCA2.AM", true},
    {"LFO1.AM", false},
    {"LFO1.FM", false},
    {"LFO2.AM", false},
    {"LFO2.FM", false},
    {"LFO3.AM", false},
    {"LFO3.FM", false},
    {"XFADE.VCFA", false},
    {"OSC1.FMAMT", false},
    {"OSC2.FMAMT", false},
    {"OSC1.AMAMT", false},
    {"OSC2.AMAMT", false},
    {"OSC1.AM", true},
    {"OSC2.AM", true},
    {"SHAPER.CM", true},
    {"SHAPER.PGM", true},
    {"NOISE.FM", true},
    {"NOISE.FMAMT", false},
    {"OSC1.BM", true},
    {"OSC2.BM", true},
    {"OSC1.BMAMT", false},
    {"OSC2.BMAMT", false},
};

// Unison settings of the wavetable oscillator, by the parameter's value 0..13.
struct UnisonRow {
  int32_t mode;
  float ratio;
};
constexpr UnisonRow kUnisonRows[] = {
    {0, 1.0f},
    {1, 1.0f},
    {2, 1.0f},
    {3, 1.0f},
    {0, 1.0f},
    {1, 0.5f},
    {2, 0.5f},
    {3, 0.5f},
    {1, 0.75f},
    {2, 0.75f},
    {3, 0.75f},
    {1, 2.0f / 3.0f},
    {2, 2.0f / 3.0f},
    {3, 2.0f / 3.0f},
};
constexpr int32_t kUnisonRowCount = static_cast<int32_t>(sizeof(kUnisonRows) / sizeof(kUnisonRows[0]));
static_assert(kUnisonRowCount == 14);

// FM depth by the factor setting 0..3; any other value gives the last entry.
constexpr float kFmFactors[] = {0.1f, 1.0f, 2.0f, 5.0f, 10.0f};

// Noise loop parameter 0, 1 -> the player's loop mode; any other value loops the points.
constexpr int32_t kNoiseLoopModes[] = {RegionPlayer::kLoopWhole, RegionPlayer::kOneShot, RegionPlayer::kLoopPoints};

constexpr float kTuningBaseHz = 103.6f;
constexpr int32_t kFilterKeyCentre = 51;
constexpr float kShortestGlide = 0.02f;
constexpr float kShortGlideTime = 0.01f;
constexpr int32_t kSyncNotes = 9;
constexpr int32_t kSyncModifiers = 4;

int32_t Truncate(float v) { return arm::ToInt32(v); }

// Settings held to the range their page sends: values far outside it drove the output to
// thousands, and the smoothers behind pan and spread took seconds to come back.
float Percent(float v) { return std::clamp(v, 0.0f, 100.0f); }
float SignedPercent(float v) { return std::clamp(v, -100.0f, 100.0f); }

// Marks an empty wavetable mailbox (null is a valid request: detach).
WaveTable* const kNoTable = reinterpret_cast<WaveTable*>(alignof(WaveTable));

}  // namespace

// One row per parameter number the voice handles; numbers not here (the engine's own 4, 5, 6,
// 8, 10, 11 and the unused 514, 523, 530, 547, 555, 580, 1287-1289) change nothing.
const SynthVoice::ParamRow SynthVoice::kParamRows[] = {
    {0, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.s_.tune = x * 0.01f; }},
    {1, 1, 0, [](SynthVoice& v, int32_t, float x, bool) {
       const int32_t m = Truncate(x);
       if (m >= kGlideOff && m <= kGlideRate) v.s_.glideMode = m;
     }},
    {2, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.s_.glideTime = x < kShortestGlide ? kShortGlideTime : x; }},
    {3, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.s_.glideRate = x * 0.01f; }},
    {7, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.s_.kbdGlideMode = Truncate(x); }},
    {16, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].type = Truncate(x); }},
    {17, 3, 1, [](SynthVoice& v, int32_t i, float x, bool smooth) {
       if (i < kOscillators)
         v.SmoothTo(&v.s_.level[i], LevelCurve(x), 1.0f, 0.3f, smooth, kRampLevel1 + i);
       else
         v.noise_.SetGain(LevelCurve(x));
     }},
    {18, 3, 1, [](SynthVoice& v, int32_t i, float x, bool smooth) {
       if (i == 0) v.s_.route[0] = Truncate(x);
       else if (i == 1) v.s_.route[1] = x == 0.0f ? 1 : 0;
       else v.SmoothTo(&v.s_.noiseBalance, x / 100.0f, 1.0f, 0.3f, smooth, kRampNoiseBalance);
     }},
    {19, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.s_.crossfade = (x / 100.0f + 1.0f) * 0.5f; }},
    // Wavetable oscillators.
    {512, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].coarse[kWavetable] = static_cast<float>(Truncate(x)); v.UpdatePitch(0.0f); }},
    {513, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].fine[kWavetable] = x / 100.0f; v.UpdatePitch(0.0f); }},
    {515, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetUnisonDetune(Percent(x) / 100.0f); }},
    {516, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) {
       const int32_t k = Truncate(x);
       if (k >= 0 && k < kUnisonRowCount) v.wt_[i].SetUnison(kUnisonRows[k].mode, kUnisonRows[k].ratio);
     }},
    {517, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetSpread(Percent(x) / 100.0f * 2.0f); }},
    {518, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetPan(SignedPercent(x) / 100.0f); }},
    {519, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetPosition(x / 256.0f); }},
    {520, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetMorphAlgorithm(Truncate(x)); }},
    {522, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetSpectralMorph(x / 100.0f); }},
    {524, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetPhase(x / 100.0f); }},
    {525, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetMute(x != 0.0f); }},
    {526, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.wt_[i].SetBend(x / 100.0f); }},
    // Algorithmic oscillators.
    {528, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].coarse[kAlgorithmic] = static_cast<float>(Truncate(x)); v.UpdatePitch(0.0f); }},
    {529, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].fine[kAlgorithmic] = x / 100.0f; v.UpdatePitch(0.0f); }},
    {531, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetDetune(Percent(x) / 100.0f); }},
    {532, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetUnison(Truncate(x + 1.0f)); }},
    {533, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetSpread(1.0f - Percent(x) / 100.0f); }},
    {534, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetPan(SignedPercent(x) / 100.0f); }},
    {535, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetShape(x / 256.0f); }},
    {536, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetAlgorithm(Truncate(x)); }},
    {537, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetP2(x / 100.0f); }},
    {539, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetPhase(x / 100.0f); }},
    {540, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.alg_[i].SetMute(x != 0.0f); }},
    // Resonator oscillators.
    {544, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].coarse[kResonator] = static_cast<float>(Truncate(x)); v.UpdatePitch(0.0f); }},
    {545, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].fine[kResonator] = x / 100.0f; v.UpdatePitch(0.0f); }},
    {548, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.res_[i].Bank().SetStretch(x / 100.0f); }},
    {549, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.res_[i].SetPan(SignedPercent(x) / 100.0f); }},
    {550, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.res_[i].Bank().SetTimbre(x / 256.0f); }},
    {551, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.res_[i].Bank().SetSkew(x / 100.0f); }},
    {552, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.res_[i].SetBrightness(x); }},
    {553, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.res_[i].SetAttack(x); }},
    {554, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.res_[i].SetDecay(x); }},
    {556, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.res_[i].Bank().SetDamping(x / 100.0f); }},
    // Noise (the region player); one instance whatever the instance field says.
    {576, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.noise_.SetSpeed(x / 100.0f); }},
    {577, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.noise_.SetPan(x / 100.0f); }},
    {578, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.noise_.SetKeyTrack(Truncate(x) != 0 ? 1 : 0); }},
    {579, 1, 0, [](SynthVoice& v, int32_t, float x, bool) {
       const int32_t m = Truncate(x);
       v.noise_.SetDefaultLoopMode(kNoiseLoopModes[m == 0 ? 0 : (m == 1 ? 1 : 2)]);
     }},
    // Filters.
    {768, 2, 0, [](SynthVoice& v, int32_t i, float x, bool smooth) {
       if (v.s_.filterLink) {
         if (i != 0) return;
         v.SmoothTo(&v.s_.filter[0].cutoff, x, 17200.0f, 0.5f, smooth, kRampCutoffA);
         v.SmoothTo(&v.s_.filter[1].cutoff, x, 17200.0f, 0.5f, smooth, kRampCutoffB);
       } else {
         v.SmoothTo(&v.s_.filter[i].cutoff, x, 17200.0f, 0.1f, smooth, kRampCutoffA + i);
       }
     }},
    {769, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.filter[i].envAmount = x / 100.0f; }},
    {770, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.filter[i].resonance = x / 100.0f; }},
    {771, 2, 0, [](SynthVoice& v, int32_t i, float x, bool smooth) { v.SmoothTo(&v.s_.filter[i].drive, LevelCurve(x), 1.0f, 0.3f, smooth, kRampDriveA + i); }},
    {772, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.filter[i].kbdTrack = x / 100.0f; }},
    {773, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.SetFilterType(i, Truncate(x)); }},
    {774, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.s_.filterLink = x != 0.0f ? 1 : 0; }},
    {776, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.filter[i].exponential = x != 0.0f ? 1 : 0; }},
    // Envelopes (times arrive in seconds).
    {1024, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.env_[i].SetAttackCurve(Truncate(x)); }},
    {1025, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.env_[i].SetDecayReleaseCurve(Truncate(x)); }},
    {1026, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.env_[i].SetAttack(x * 1000.0f); }},
    {1027, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.env_[i].SetDecay(x * 1000.0f); }},
    {1028, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.env_[i].SetSustain(Percent(x) / 100.0f); }},
    {1029, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.env_[i].SetRelease(x * 1000.0f); }},
    {1030, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.env_[i].SetVelocityAmount(Percent(x) * 0.01f); }},
    {1031, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.SetEnvelopeType(i, Truncate(x)); }},
    {1032, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) {
       v.s_.pedalMode[i] = Truncate(x);
       v.env_[i].SetPedalFunction(v.s_.pedalMode[i]);
     }},
    {1033, 4, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.env_[i].SetRelease2(x * 1000.0f); }},
    // LFOs.
    {1280, 3, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.lfo_[i].SetType(Truncate(x)); }},
    {1281, 3, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.lfoRate[i] = x; }},
    {1282, 3, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.lfo_[i].SetAmplitude(SignedPercent(x) / 100.0f); }},
    {1283, 3, 0, [](SynthVoice& v, int32_t i, float x, bool) {
       const int32_t m = Truncate(x);
       if (m >= 0 && m < kSyncModifiers) v.lfo_[i].SetSyncModifier(m);
     }},
    {1284, 3, 0, [](SynthVoice& v, int32_t i, float x, bool) {
       const int32_t n = Truncate(x);
       if (n >= 0 && n < kSyncNotes) v.lfo_[i].SetSyncNote(n);
     }},
    {1285, 3, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.lfoFade_[i].SetDelay(x); }},
    {1286, 3, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.lfo_[i].SetSyncMode(Truncate(x)); }},
    // Shaper.
    {1536, 1, 0, [](SynthVoice& v, int32_t, float x, bool smooth) { v.SmoothTo(&v.s_.shaperCurve, x * 0.01f, 1.0f, 0.5f, smooth, kRampShaperCurve); }},
    {1537, 1, 0, [](SynthVoice& v, int32_t, float x, bool smooth) { v.SmoothTo(&v.s_.shaperDensity, x * 0.01f, 1.0f, 0.5f, smooth, kRampShaperDensity); }},
    {1538, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.shaper_.SetType(Truncate(x)); }},
    {1539, 1, 0, [](SynthVoice& v, int32_t, float x, bool) {
       const int32_t p = Truncate(x);
       if (p >= 0 && p <= 3) v.s_.shaperInsert = p;
     }},
    // Macros.
    {1792, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.macro_[0] = x / 100.0f; }},
    {1793, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.macro_[1] = x / 100.0f; }},
    {1794, 1, 0, [](SynthVoice& v, int32_t, float x, bool) { v.macro_[2] = x / 100.0f; }},
    // Oscillator slots.
    {2048, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].bendEnable = x != 0.0f ? 1 : 0; }},
    {2049, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].glideEnable = x != 0.0f ? 1 : 0; }},
    {2050, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].kbdMode = Truncate(x); }},
    {2051, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) {
       int32_t k = 4;
       for (int32_t j = 0; j < 4; ++j)
         if (x == static_cast<float>(j)) k = j;
       v.s_.osc[i].fmFactor = kFmFactors[k];
     }},
    {2052, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.osc[i].amOffset = Percent(x) / 100.0f; }},
    {2053, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) {
       v.wt_[i].SetPhaseReset(x > 0.0f);
       v.alg_[i].SetPhaseReset(x > 0.0f);
     }},
    {2054, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) {
       v.s_.osc[i].randomDeviation = x / 100.0f;
       v.wt_[i].SetRandomDeviation(x / 100.0f);
       v.alg_[i].SetRandomDeviation(x / 100.0f);
     }},
    {2055, 2, 0, [](SynthVoice& v, int32_t i, float x, bool) { v.s_.ampGain[i] = x / 100.0f; }},
};


SynthVoice::SynthVoice(int32_t index, const VoiceControllers* controllers, VoiceBuffers* buffers)
    : index_(index), controllers_(controllers), buffers_(buffers), random_(22222u + 7919u * static_cast<uint32_t>(index)) {
  static_assert(sizeof(kParamRows) / sizeof(kParamRows[0]) <= kMaxParamRows);
  frames_ = buffers_->frames();
  for (std::atomic<WaveTable*>& p : pendingTable_) p.store(kNoTable, std::memory_order_relaxed);
  sourceValue_[kSrcFix] = 1.0f;
  RegisterModulation();
  Shaper::SelfTest();
}

SynthVoice::~SynthVoice() {
  for (int32_t i = 0; i < kOscillators; ++i) {
    wt_[i].SetWavetable(nullptr);
    WaveTable* pending = pendingTable_[i].exchange(kNoTable);
    if (pending != kNoTable && pending) pending->Release();
    if (wavetable_[i]) wavetable_[i]->Release();
  }
  noise_.AttachSample(nullptr);
}

void SynthVoice::RegisterModulation() {
  VoiceBuffers& b = *buffers_;
  VoiceBuffers::Controls& c = b.controls;
  float* const sourceBuffers[kSourceCount] = {
      nullptr, b.Get(VoiceBuffers::kEnv1), b.Get(VoiceBuffers::kEnv2), b.Get(VoiceBuffers::kEnv3),
      b.Get(VoiceBuffers::kEnv4), b.Get(VoiceBuffers::kLfo1), b.Get(VoiceBuffers::kLfo2), &c.lfo3,
      b.Get(VoiceBuffers::kOsc1Left), b.Get(VoiceBuffers::kOsc2Left), b.Get(VoiceBuffers::kFilterAOutLeft),
      b.Get(VoiceBuffers::kFilterBOutLeft), &sourceValue_[kSrcCvA], &sourceValue_[kSrcCvB],
      &sourceValue_[kSrcCvC], &sourceValue_[kSrcVelocity], &sourceValue_[kSrcPitch],
      &sourceValue_[kSrcModWheel], &sourceValue_[kSrcPressure], &sourceValue_[kSrcFix],
      &sourceValue_[kSrcNote], &sourceValue_[kSrcRandom], &sourceValue_[kSrcMacro1],
      &sourceValue_[kSrcMacro2], &sourceValue_[kSrcMacro3], &c.polyAftertouch,
  };
  for (int32_t i = 0; i < kSourceCount; ++i) {
    const SourceRow& r = kSourceRows[i];
    const int32_t length = i == kSrcNone ? 0 : (r.perSample ? frames_ : 1);
    matrix_.AddSource(i, r.name, length, sourceBuffers[i], r.keep, r.bipolar);
  }
  float* const destinationBuffers[kDestinationCount] = {
      nullptr, b.Get(VoiceBuffers::kOsc1Fm), &c.osc[0].shape, &c.osc[0].detune, &c.osc[0].pan,
      b.Get(VoiceBuffers::kOsc1Pm), &c.osc[0].p1, &c.osc[0].morph, &c.osc[0].p2,
      b.Get(VoiceBuffers::kOsc2Fm), &c.osc[1].shape, &c.osc[1].detune, &c.osc[1].pan,
      b.Get(VoiceBuffers::kOsc2Pm), &c.osc[1].p1, &c.osc[1].morph, &c.osc[1].p2,
      &c.filterMod[0], &c.filterEnv[0], &c.filterMod[1], &c.filterEnv[1],
      b.Get(VoiceBuffers::kVca1Env), b.Get(VoiceBuffers::kVca1Am), b.Get(VoiceBuffers::kVca2Env),
      b.Get(VoiceBuffers::kVca2Am), &c.lfoAm[0], &c.lfoFm[0], &c.lfoAm[1], &c.lfoFm[1], &c.lfoAm[2],
      &c.lfoFm[2], &c.xfade, &c.osc[0].fmAmount, &c.osc[1].fmAmount, &c.osc[0].amAmount,
      &c.osc[1].amAmount, b.Get(VoiceBuffers::kOsc1Am), b.Get(VoiceBuffers::kOsc2Am),
      b.Get(VoiceBuffers::kShaperCm), b.Get(VoiceBuffers::kShaperPgm), b.Get(VoiceBuffers::kNoiseFm),
      &c.noiseFmAmount, b.Get(VoiceBuffers::kOsc1Bm), b.Get(VoiceBuffers::kOsc2Bm), &c.osc[0].bmAmount,
      &c.osc[1].bmAmount,
  };
  for (int32_t i = 0; i < kDestinationCount; ++i) {
    const DestinationRow& r = kDestinationRows[i];
    const int32_t length = i == kDstNone ? 0 : (r.perSample ? frames_ : 1);
    matrix_.AddDestination(i, r.name, length, destinationBuffers[i], nullptr);
  }
}

void SynthVoice::SetBlockSize(int32_t frames) {
  // The buffers were carved for their own block size; the modules follow it.
  frames_ = frames == buffers_->frames() ? frames : buffers_->frames();
  for (int32_t i = 0; i < kOscillators; ++i) {
    wt_[i].SetBlockSize(frames_);
    alg_[i].SetBlockSize(frames_);
    res_[i].SetBlockSize(frames_);
  }
  for (FilterSlot& f : filter_) f.SetFrames(frames_);
  noise_.SetFrames(frames_);
  shaper_.SetBlockSize(frames_);
  lfo_[0].SetBlockSize(frames_);
  lfo_[1].SetBlockSize(frames_);
  lfo_[2].SetBlockSize(1);
}

void SynthVoice::SetSampleRate(int32_t rate) {
  if (rate <= 0) return;
  sampleRate_ = rate;
  const float blockRate = static_cast<float>(rate) / static_cast<float>(frames_ > 0 ? frames_ : 1);
  for (int32_t i = 0; i < kOscillators; ++i) {
    wt_[i].SetSampleRate(rate);
    alg_[i].SetSampleRate(rate);
    res_[i].SetSampleRate(rate);
  }
  for (FilterSlot& f : filter_) f.SetSampleRate(static_cast<float>(rate));
  for (EnvGen& e : env_) e.SetSampleRate(static_cast<float>(rate));
  lfo_[0].SetSampleRate(static_cast<float>(rate));
  lfo_[1].SetSampleRate(static_cast<float>(rate));
  lfo_[2].SetSampleRate(blockRate);
  for (LfoFade& f : lfoFade_) f.SetBlockRate(blockRate);
  for (LinearRamp& r : ramp_) r.SetTickPeriod(1.0f / blockRate);
  noise_.SetOutputRate(rate);
  noise_.SetFadeStep(1.0f / (0.005f * static_cast<float>(rate)));
}

void SynthVoice::InitRouting() {
  Reset(false);
  for (VoiceLfo& l : lfo_) {
    l.SetType(VoiceLfo::kTri);
    l.SetAmplitude(1.0f);
  }
  for (FilterSlot& f : filter_) {
    f.SetRoute(FilterSlot::kMoogLadder);
    f.Sem().SetType(0);
  }
  VoiceBuffers::Controls& c = buffers_->controls;
  for (int32_t i = 0; i < kOscillators; ++i) {
    alg_[i].SetInput(AlgOsc::kInputDetune, &c.osc[i].detune);
    alg_[i].SetInput(AlgOsc::kInputPan, &c.osc[i].pan);
    alg_[i].SetInput(AlgOsc::kInputShape, &c.osc[i].shape);
    alg_[i].SetInput(AlgOsc::kInputP2, &c.osc[i].p2);
    wt_[i].SetInput(SpectralWaveOsc::kInputDetune, &c.osc[i].detune);
    wt_[i].SetInput(SpectralWaveOsc::kInputPan, &c.osc[i].pan);
    wt_[i].SetInput(SpectralWaveOsc::kInputMorph, &c.osc[i].morph);
    wt_[i].SetInput(SpectralWaveOsc::kInputPosition, &c.osc[i].shape);
  }
}

void SynthVoice::SetParam(bool smooth, int32_t instance, int32_t number, float value) {
  instance &= 0xF;
  if (number == 0 && instance != 0) platform::LogPrintf("PARAM wrong index %d", instance);
  // A NaN or infinite setting (a damaged preset) would stay in the smoothing and the pitch
  // for good; the previous value is kept instead.
  if (!std::isfinite(value)) return;
  const int32_t rows = static_cast<int32_t>(sizeof(kParamRows) / sizeof(kParamRows[0]));
  for (int32_t r = 0; r < rows; ++r) {
    const ParamRow& row = kParamRows[r];
    if (row.number != number) continue;
    int32_t i = row.instances == 1 ? 0 : instance;
    if (i >= row.instances) {
      if (!row.clampInstance) return;
      i = row.instances - 1;
    }
    mailbox_.Post(r * kMaxInstances + i, value, smooth);
    return;
  }
}

void SynthVoice::ApplyParams() {
  mailbox_.TakeAll([this](int slot, float value, bool smooth) { ApplyParam(slot, value, smooth); });
  if (routes_.Pending()) {
    // Installing a route clears every destination, the LFOs' depth and rate controls too. The
    // LFOs read those before this block's matrix runs, as the last block left them: put back
    // the depths, and the rates that stay routed (an unrouted rate rests at the 0 it now has).
    VoiceBuffers::Controls& c = buffers_->controls;
    float depth[kLfos], rate[kLfos];
    std::copy_n(c.lfoAm, kLfos, depth);
    std::copy_n(c.lfoFm, kLfos, rate);
    if (routes_.TakeAll(matrix_)) routesCleared_ = true;
    constexpr int32_t kRates[kLfos] = {kDstLfo1Fm, kDstLfo2Fm, kDstLfo3Fm};
    for (int32_t i = 0; i < kLfos; ++i) {
      c.lfoAm[i] = depth[i];
      if (matrix_.Routed(kRates[i])) c.lfoFm[i] = rate[i];
    }
  }
  TakeWavetables();
  if (shutdownRequest_.exchange(false, std::memory_order_acquire)) {
    for (EnvGen& e : env_) e.Kill();
  }
}

void SynthVoice::ApplyParam(int32_t slot, float value, bool smooth) {
  const ParamRow& row = kParamRows[slot / kMaxInstances];
  row.apply(*this, slot % kMaxInstances, value, smooth);
}

void SynthVoice::SmoothTo(float* value, float goal, float range, float seconds, bool smooth, int32_t ramp) {
  if (smooth)
    ramp_[ramp].SetTarget(value, goal, range, seconds);
  else
    ramp_[ramp].SetImmediate(value, goal);
}

void SynthVoice::SmoothControls() {
  ApplyParams();
  for (int32_t i = 0; i < kOscillators; ++i) {
    wt_[i].SmoothControls();
    alg_[i].SmoothControls();
  }
  for (LinearRamp& r : ramp_) r.Tick();
}

void SynthVoice::SetFilterType(int32_t channel, int32_t type) {
  // Setting a core's mode clears that core's state, which is why this runs on the thread
  // that renders the voice.
  filter_[channel].SetType(type);
}

void SynthVoice::SetEnvelopeType(int32_t env, int32_t type) {
  if (type < 0 || type > 6) return;
  env_[env].SetMode(type);
}

float SynthVoice::NextRandom() {
  random_ = random_ * 196314165u + 907633515u;
  // [-1, 1) from the top 31 bits, as rand() / 2^31 x 2 - 1 would give.
  return static_cast<float>(random_ >> 1) / 2147483648.0f * 2.0f - 1.0f;
}

void SynthVoice::Trigger(int32_t note, float velocity, float pitchOffset) {
  polyAftertouch_.store(0.0f, std::memory_order_relaxed);
  note_ = note & 0x7F;
  sourceValue_[kSrcRandom] = NextRandom();
  sourceValue_[kSrcNote] = static_cast<float>(note_) / 127.0f;
  velocity_ = velocity;
  sourceValue_[kSrcVelocity] = velocity;
  for (int32_t i = 0; i < kOscillators; ++i) {
    wt_[i].ArmRestart();
    alg_[i].ArmRestart();
  }
  UpdatePitch(pitchOffset);
  sounded_ = true;
  if (velocity > 0.0f) {
    if (s_.kbdGlideMode == 2 && s_.glideMode != kGlideOff)
      for (OscSettings& o : s_.osc) o.current = o.target;
    for (EnvGen& e : env_) e.Trigger(velocity);
    for (LfoFade& f : lfoFade_) f.Trigger();
    noise_.NoteOn(note_, velocity);
    for (VoiceLfo& l : lfo_) l.NoteOn();
  }
  UpdateFinished();
}

void SynthVoice::Release() {
  for (EnvGen& e : env_) e.Release();
  for (LfoFade& f : lfoFade_) f.Release();
  UpdateFinished();
}

void SynthVoice::Reset(bool resetEnvelopes) {
  if (resetEnvelopes)
    for (EnvGen& e : env_) e.Reset();
  for (FilterSlot& f : filter_) f.Reset();
  for (VoiceLfo& l : lfo_) l.Reset();
  for (int32_t i = 0; i < kOscillators; ++i) {
    wt_[i].Reset();
    alg_[i].Reset();
  }
  UpdateFinished();
}

void SynthVoice::UpdatePitch(float offset) {
  for (int32_t s = 0; s < kOscillators; ++s) {
    OscSettings& o = s_.osc[s];
    float octave, semitone;
    if (o.kbdMode != 0) {
      // Widened: the setting is any int a float truncates to, and +1 must not overflow.
      octave = static_cast<float>(static_cast<int64_t>(o.kbdMode) + 1);
      semitone = 0.0f;
    } else {
      octave = static_cast<float>(note_ / 12);
      semitone = static_cast<float>(note_ % 12);
    }
    float coarse = 0.0f, fine = 0.0f;
    if (o.type >= kWavetable && o.type <= kResonator) {
      coarse = o.coarse[o.type];
      fine = o.fine[o.type];
    }
    const float pitch = (semitone + coarse + fine + offset + s_.tune - 8.0f) / 12.0f + (octave - 4.0f);
    const float hz = kTuningBaseHz * lookupPow2(pitch);
    o.target = hz;
    // Until its first note the voice has no pitch to glide from: it follows its settings.
    if (!sounded_) o.current = hz;
    switch (s_.glideMode) {
      case kGlideOff:
        o.current = hz;
        break;
      case kGlideTime:
        o.glideStep = (o.target - o.current) / (s_.glideTime / (static_cast<float>(frames_) / static_cast<float>(sampleRate_)));
        break;
      case kGlideRate:
        o.glideStep = (o.target - o.current) * (1.1f - s_.glideRate) * 0.05f;
        break;
    }
  }
  for (FilterSettings& f : s_.filter)
    f.keyFactor = lookupPow2(static_cast<float>(note_ - kFilterKeyCentre) / 12.0f * f.kbdTrack);
}

void SynthVoice::OnClock(uint32_t tick, float bpm) {
  for (VoiceLfo& l : lfo_) l.SyncToTempo(tick, bpm);
}

void SynthVoice::SetBend(float octaves) {
  if (!std::isfinite(octaves)) return;
  bendOctaves_.store(octaves, std::memory_order_relaxed);
  bendFactor_.store(lookupPow2(octaves), std::memory_order_relaxed);
}

void SynthVoice::AttachWavetable(int32_t oscillator, WaveTable* table) {
  if (oscillator < 0 || oscillator >= kOscillators) return;
  if (table) table->AddRef();
  // A request the render has not taken yet is replaced: it never played.
  WaveTable* replaced = pendingTable_[oscillator].exchange(table, std::memory_order_acq_rel);
  if (replaced != kNoTable && replaced) replaced->Release();
}

void SynthVoice::TakeWavetables() {
  for (int32_t i = 0; i < kOscillators; ++i) {
    if (pendingTable_[i].load(std::memory_order_relaxed) == kNoTable) continue;
    WaveTable* table = pendingTable_[i].exchange(kNoTable, std::memory_order_acq_rel);
    if (table == kNoTable) continue;
    wt_[i].SetWavetable(table);
    // Release only counts down; the cache frees on its own thread once nobody holds it.
    if (wavetable_[i]) wavetable_[i]->Release();
    wavetable_[i] = table;
  }
}

void SynthVoice::AttachSample(MultiWaveReader* set) { noise_.AttachSample(set); }

namespace {
bool ClearsAllRoutes(int32_t slot) { return slot == -1 || slot == ModulationMatrix::kClearSlot; }
// The page's -100..100 percent, as the engine passes it on.
float RouteAmount(float amount) { return std::clamp(amount, -1.0f, 1.0f); }
}  // namespace

int SynthVoice::SetRoute(int32_t slot, int32_t source, int32_t destination, float amount, int32_t mode) {
  // Checked in the matrix's order, so a refused call changes nothing here either.
  if (source < 0 || source >= ModulationMatrix::kSources) return ModulationMatrix::kBadSource;
  if (destination < 0 || destination >= ModulationMatrix::kDestinations) return ModulationMatrix::kBadDestination;
  if (ClearsAllRoutes(slot)) {
    routes_.PostClearAll();
    return 0;
  }
  if (slot < 0 || slot >= ModulationMatrix::kRoutes) return ModulationMatrix::kBadSlot;
  // A route that names no source and no destination on an ordinary slot changes nothing,
  // and neither does one with an undefined amount.
  if (source == kSrcNone && destination == kDstNone) return 0;
  if (!std::isfinite(amount)) return 0;
  routes_.PostConnect(slot, source, destination, RouteAmount(amount), mode);
  return 0;
}

int SynthVoice::SetRouteAmount(int32_t slot, float amount) {
  if (ClearsAllRoutes(slot)) return 0;
  if (slot < 0 || slot >= ModulationMatrix::kRoutes) return ModulationMatrix::kBadSlot;
  if (std::isfinite(amount)) routes_.PostAmount(slot, RouteAmount(amount));
  return slot;
}

void SynthVoice::LoadBlockSources() {
  if (controllers_) {
    sourceValue_[kSrcModWheel] = controllers_->value[VoiceControllers::kModWheel].load(std::memory_order_relaxed);
    sourceValue_[kSrcCvA] = controllers_->value[VoiceControllers::kCvA].load(std::memory_order_relaxed);
    sourceValue_[kSrcCvB] = controllers_->value[VoiceControllers::kCvB].load(std::memory_order_relaxed);
    sourceValue_[kSrcCvC] = controllers_->value[VoiceControllers::kCvC].load(std::memory_order_relaxed);
    sourceValue_[kSrcPressure] = controllers_->value[VoiceControllers::kPressure].load(std::memory_order_relaxed);
  }
  sourceValue_[kSrcPitch] = bendOctaves_.load(std::memory_order_relaxed);
  sourceValue_[kSrcMacro1] = macro_[0];
  sourceValue_[kSrcMacro2] = macro_[1];
  sourceValue_[kSrcMacro3] = macro_[2];
  buffers_->controls.polyAftertouch = polyAftertouch_.load(std::memory_order_relaxed);
}

void SynthVoice::UpdateFinished() {
  bool idle = true;
  for (const EnvGen& e : env_) idle = idle && e.state() == EnvGen::kIdle;
  finished_.store(idle, std::memory_order_release);
}

void SynthVoice::AdvanceGlide() {
  if (s_.glideMode == kGlideOff) return;
  for (OscSettings& o : s_.osc) {
    const bool towards = (o.glideStep >= 0.0f && o.current < o.target) || (o.glideStep < 0.0f && o.current > o.target);
    if (o.glideEnable && towards) o.current += o.glideStep;
    else o.current = o.target;
  }
}
