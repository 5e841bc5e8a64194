#include "engine/AlgOsc.h"

#include <algorithm>
#include <cmath>

#include "engine/AlgWaveforms.h"
#include "numeric/FftProcessor.h"
#include "engine/Unison.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"
#include "platform/Simd4.h"
#include "engine/ControlSmoother.h"

namespace {

constexpr float kTwo32 = 4294967296.0f;
constexpr float kInvTwo24 = 1.0f / 16777216.0f;
constexpr float kBandLimitHz = 24000.0f;
// At or below this fundamental the table stays unfiltered and is scaled to the level that
// band limiting (which keeps one side of the spectrum) leaves above it.
constexpr float kBandLimitFromHz = 130.0f;
constexpr float kUnfilteredGain = 0.55f;
// The highest kept harmonic fades in and out by the fraction of the cutoff bin, so any move of
// the pitch would change the table. At or below 4 kHz that harmonic lies above 20 kHz (it sits
// within one fundamental of the 24 kHz limit), and its fade is held to half steps: a bend or
// glide rebuilds the table only when the fade moves by a half, not every period.
constexpr float kHeldFadeFromBin = kBandLimitHz / 4000.0f;
constexpr float kFadeSteps = 2.0f;

float HeldCutoff(float cutoff) {
  if (cutoff < kHeldFadeFromBin) return cutoff;
  return std::floor(cutoff * kFadeSteps + 0.5f) / kFadeSteps;
}

constexpr float kPanLevel = 1.7f;

// Level by unison count 1..4.
constexpr float kUnisonLevel[AlgOsc::kMaxUnison] = {1.0f, 0.9f, 0.8f, 0.7f};

inline bool Finite(float v) { return std::isfinite(v); }

// A parameter written from another thread; a non-finite value keeps the previous one.
}  // namespace

AlgOsc::AlgOsc()
    : shape_(&shapeTarget_, 0.1f), phase_(&phaseTarget_, 0.029f), spread_(&spreadTarget_, 0.029f),
      pan_(&panTarget_, 0.029f) {
  for (int32_t i = 0; i < kInputCount; ++i) inputs_[i] = &zero_[i];
  for (int32_t i = 0; i < kMaxUnison; ++i) {
    tableIndex_[i].store(0);
    newTable_[i].store(0);
    immediate_[i].store(0);
  }
  count_ = 1;
}

void AlgOsc::SetInput(int32_t index, const float* source) {
  if (index < 0 || index >= kInputCount) return;
  inputs_[index] = source ? source : &zero_[index];
}

void AlgOsc::SetUnison(int32_t count) {
  // The render's work rows hold four voices; a larger count is refused.
  if (count > kMaxUnison) return;
  pendingCount_.store(count > 0 ? count : 1, std::memory_order_release);
}

void AlgOsc::SetDetune(float semitones) {
  if (!Finite(semitones)) return;
  detuneSemitones_.store(semitones, std::memory_order_relaxed);
  detuneOctaves_.store(semitones / 12.0f, std::memory_order_relaxed);
}

void AlgOsc::SetPan(float pan) { StoreFinite(panTarget_, pan); }
void AlgOsc::SetShape(float shape) { StoreFinite(shapeTarget_, shape); }
void AlgOsc::SetP2(float p2) { StoreFinite(p2Target_, p2); }
void AlgOsc::SetPhase(float cycles) { StoreFinite(phaseTarget_, cycles); }
void AlgOsc::SetSpread(float spread) { StoreFinite(spreadTarget_, spread); }
void AlgOsc::SetRandomDeviation(float deviation) { StoreFinite(randomDeviation_, deviation); }

void AlgOsc::SmoothControls() {
  shape_.Step();
  phase_.Step();
  spread_.Step();
  pan_.Step();
}

void AlgOsc::Reset() {
  // Every voice goes back to table 0, which need not hold the last build.
  builtIndex_ = -1;
  for (int32_t i = 0; i < kMaxUnison; ++i) {
    tableIndex_[i].store(0);
    newTable_[i].store(0);
    immediate_[i].store(1);
  }
}

// A count change arrives from another thread; applying it here, on the engine thread between
// blocks, gives every block one count and keeps the hand-over flags and table indices owned
// by the thread that renders.
void AlgOsc::ApplyPendingUnison() {
  const int32_t count = pendingCount_.exchange(0, std::memory_order_acq_rel);
  if (count == 0) return;
  builtIndex_ = -1;
  for (int32_t i = 0; i < kMaxUnison; ++i) {
    newTable_[i].store(0);
    tableIndex_[i].store(0);
  }
  count_ = count;
}

void AlgOsc::ArmRestart() {
  restart_.Arm(randomDeviation_.load(std::memory_order_relaxed), phaseReset_.load(std::memory_order_relaxed));
}

void AlgOsc::BuildTable(FftProcessor& fft) {
  // The buffers are sized for the engine's 256-point transforms; any other plan would
  // overrun them.
  if (fft.ForwardSize() != kN || fft.InverseSize() != kN) return;
  ApplyPendingUnison();
  for (int32_t i = 0; i < count_; ++i) {
    if (newTable_[i].load()) return;  // the render has not taken the previous table yet
  }

  float b = shape_.value + *inputs_[kInputShape];
  if (!(b >= 0.0f)) b = 0.0f;  // NaN as well
  if (b > 1.0f) b = 1.0f;
  const bool bandLimited = frequency_ > kBandLimitFromHz;
  float cutoff = 0.0f;
  if (bandLimited) {
    FftProcessor::CutoffBin(kN, cutoff, frequency_, kBandLimitHz);
    cutoff = HeldCutoff(cutoff);
  }
  const TableInputs inputs{algorithm_.load(std::memory_order_relaxed), b, p2Target_.load(std::memory_order_relaxed),
                           bandLimited, cutoff};
  // Two transforms per waveform period are most of a voice's work; when nothing that shapes
  // the table moved, every voice already plays the table they would give.
  if (PlayingTableMatches(inputs)) {
    lastBuild_.frequency = frequency_;  // the record describes the table being played
    return;
  }

  // An unknown algorithm leaves the previous cycle in the time buffer.
  algwave::Generate(inputs.algorithm, timeBuffer_, kN, b, inputs.p2);

  fft.Forward(spectrum_, timeBuffer_);
  if (bandLimited) FftProcessor::BandLimitAt(kN, spectrum_, cutoff);

  const int32_t target = 1 - tableIndex_[0].load();
  float* table = tables_[target];
  fft.Inverse(table, spectrum_);
  if (!bandLimited) {
    for (int32_t j = 0; j < kN; ++j) table[j] *= kUnfilteredGain;
  }
  table[kN] = table[0];
  table[kN + 1] = table[1];

  lastBuild_ = {spectrum_, timeBuffer_, kN, frequency_};
  tablesBuilt_ = true;
  built_ = inputs;
  builtIndex_ = target;
  if (target == displayedIndex_) displayedIndex_ = -1;  // after a reset voice 0 may come back to it
  for (int32_t i = 0; i < count_; ++i) newTable_[i].store(1);
}

bool AlgOsc::PlayingTableMatches(const TableInputs& inputs) const {
  if (builtIndex_ < 0 || !(inputs == built_)) return false;
  // An unknown algorithm keeps whatever the time buffer held, so its table is not a
  // function of the inputs.
  if (!algwave::Name(inputs.algorithm)) return false;
  for (int32_t i = 0; i < count_; ++i)
    if (tableIndex_[i].load() != builtIndex_) return false;
  return true;
}

void AlgOsc::OscDetune(float* outLeft, float* outRight, const float* fm, float fmAmount, float frequency,
                       const float* pm) {
  const int32_t frames = frames_;
  if (!tablesBuilt_) {
    // Nothing to play yet; silence rather than whatever the buffers held.
    std::fill(outLeft, outLeft + frames, 0.0f);
    std::fill(outRight, outRight + frames, 0.0f);
    return;
  }
  ApplyPendingUnison();
  const int32_t count = count_;

  const bool tookRestart = restart_.Take();

  if (frequency != frequency_) {
    frequency_ = frequency;
    detuneOctaves_.store(detuneSemitones_.load(std::memory_order_relaxed) / 12.0f, std::memory_order_relaxed);
  }

  float panLeft = 0.0f;
  float panRight = 0.0f;
  if (!mute_.load(std::memory_order_relaxed)) {
    unison::PanGains(pan_.value + *inputs_[kInputPan], kPanLevel * kUnisonLevel[count - 1], panLeft, panRight);
  }

  if (count == 1) {
    unisonFreq_[0] = frequency_;
  } else {
    const double d = static_cast<double>(detuneOctaves_.load(std::memory_order_relaxed)) +
                     static_cast<double>(*inputs_[kInputDetune] / 12.0f);
    const float low = subOctave_.load(std::memory_order_relaxed) ? frequency_ * 0.5f : frequency_;
    unison::Frequencies(frequency_, low, count, d, unisonFreq_);
  }
  if (tookRestart) {
    platform::LogPrintf("OscDetune: %7.2f %7.2f %7.2f (%7.2f) \n", static_cast<double>(unisonFreq_[1]),
                        static_cast<double>(unisonFreq_[0]), static_cast<double>(unisonFreq_[2]),
                        static_cast<double>(unisonFreq_[2] - unisonFreq_[1]));
  }

  // The restart value is taken where the phase offset stands at the restart sample.
  const float pmAtRestart = (pm && frames > kRestartSample) ? pm[kRestartSample] : 0.0f;
  for (int32_t start = 0; start < frames; start += kChunk) {
    const int32_t len = std::min(kChunk, frames - start);
    RenderChunk(outLeft + start, outRight + start, fm ? fm + start : nullptr, fmAmount,
                pm ? pm + start : nullptr, len, pmAtRestart, count, panLeft, panRight);
  }

  // The shown table changes only when voice 0 switches tables or its table is rebuilt.
  const int32_t shownIndex = tableIndex_[0].load();
  if (shownIndex != displayedIndex_) {
    const float* shown = tables_[shownIndex];
    std::copy(shown, shown + kN, display_);
    displayedIndex_ = shownIndex;
  }
}

void AlgOsc::RenderChunk(float* outLeft, float* outRight, const float* fm, float fmAmount, const float* pm,
                         int32_t len, float pmAtRestart, int32_t count, float panLeft, float panRight) {
  // Work rows padded to whole four-sample groups; the padding is rendered and discarded.
  const int32_t groups = (len + 3) / 4;
  const int32_t padded = groups * 4;
  alignas(16) float mod[kChunk];
  alignas(16) uint32_t offset[kChunk];
  alignas(16) uint32_t inc[kChunk];
  alignas(16) uint32_t phase[kMaxUnison][kChunk];

  const float phi = phase_.value;
  const v4::u4 phiOffset = v4::Set1U(arm::ToUint32(phi * kTwo32));
  const v4::f4 two32 = v4::Set1(kTwo32);
  const v4::f4 amount = v4::Set1(fmAmount);
  {
    // Whole groups straight from the inputs; a missing input and the padding read 0.
    alignas(16) float fmIn[kChunk];
    alignas(16) float pmIn[kChunk];
    const int32_t whole = len & ~3;
    const float* fmRow = fm;
    const float* pmRow = pm;
    if (!fm || whole < padded) {
      for (int32_t n = 0; n < padded; ++n) fmIn[n] = (fm && n < len) ? fm[n] : 0.0f;
      fmRow = fmIn;
    }
    if (!pm || whole < padded) {
      for (int32_t n = 0; n < padded; ++n) pmIn[n] = (pm && n < len) ? pm[n] : 0.0f;
      pmRow = pmIn;
    }
    for (int32_t k = 0; k < padded; k += 4) {
      v4::Store(mod + k, v4::Mul(v4::Load(fmRow + k), amount));
      // Saturating: a PM of 1 or more adds 2^32 - 1, below 0 adds nothing, NaN adds nothing.
      v4::StoreU(offset + k, v4::AddU(v4::ToUint32Sat(v4::Mul(v4::Load(pmRow + k), two32)), phiOffset));
    }
  }

  const float sr = static_cast<float>(sampleRate_);
  int32_t handover[kMaxUnison] = {-1, -1, -1, -1};

  for (int32_t i = 0; i < count; ++i) {
    // Linear FM: a negative instantaneous frequency stops the voice, one at or above the
    // sample rate takes the largest step.
    const float base = sr > 0.0f ? unisonFreq_[i] / sr : 0.0f;
    const v4::f4 vbase = v4::Set1(base);
    for (int32_t k = 0; k < padded; k += 4) {
      const v4::f4 f = v4::MulAdd(vbase, vbase, v4::Load(mod + k));
      v4::StoreU(inc + k, v4::ToUint32Sat(v4::Mul(f, two32)));
    }

    const int32_t restartAt = restart_.SampleFor(i);
    const uint32_t restartPhase = restart_.RestartPhase(i);
    uint32_t a = accumulator_[i];
    uint32_t prev = arm::ToUint32(lastPhase_[i]);
    bool immediate = immediate_[i].load() != 0;
    uint32_t* ph = phase[i];
    for (int32_t n = 0; n < len; ++n) {
      bool check;
      if (n == restartAt) {
        a = restartPhase;
        check = true;
      } else {
        a += inc[n];
        check = (a + offset[n] < prev) || immediate;
      }
      const uint32_t p = a + offset[n];
      if (check) {
        immediate = false;
        if (newTable_[i].load()) {
          handover[i] = n;
          newTable_[i].store(0);
        }
      }
      ph[n] = p;
      prev = p;
    }
    for (int32_t n = len; n < padded; ++n) ph[n] = prev;
    accumulator_[i] = a;
    lastPhase_[i] = static_cast<float>(prev);
    immediate_[i].store(immediate ? 1 : 0);
  }

  const unison::Route& route = unison::kRoutes[count - 1];
  const float* table[kMaxUnison];
  v4::f4 gainLeft[kMaxUnison];
  v4::f4 gainRight[kMaxUnison];
  uint32_t startIndex[kMaxUnison];
  for (int32_t i = 0; i < count; ++i) {
    table[i] = tables_[tableIndex_[i].load()];
    gainLeft[i] = v4::Set1(unison::Gain(route.left, i));
    gainRight[i] = v4::Set1(unison::Gain(route.right, i));
    startIndex[i] = RestartIndex(kN, phi + restart_.Offset(i) + pmAtRestart);
  }

  const v4::f4 spread = v4::Set1(count > 1 ? spread_.value : 0.0f);
  const v4::f4 vPanLeft = v4::Set1(panLeft);
  const v4::f4 vPanRight = v4::Set1(panRight);
  const v4::u4 fracMask = v4::Set1U(0xFFFFFFu);
  const v4::f4 fracScale = v4::Set1(kInvTwo24);
  for (int32_t k = 0; k < padded; k += 4) {
    v4::f4 sumLeft = v4::Set1(0.0f);
    v4::f4 sumRight = v4::Set1(0.0f);
    for (int32_t i = 0; i < count; ++i) {
      if (handover[i] >= k && handover[i] < k + 4) {
        // The voice wrapped inside this group: the whole group plays the new table.
        const int32_t now = tableIndex_[i].fetch_xor(1) ^ 1;
        table[i] = tables_[now];
      }
      const float* t = table[i];
      const v4::u4 p = v4::LoadU(phase[i] + k);
      const v4::u4 idx = v4::ShiftRightU<24>(p);
      v4::f4 value;
      if (restart_.Counter() > 0 && restart_.Restarts(i)) {
        const float* w = PhaseRestart::Window();
        const int32_t c = restart_.Counter();
        const v4::f4 running = v4::Gather(t, idx);
        const v4::f4 restart = v4::Set1(t[startIndex[i]]);
        value = v4::Add(v4::Mul(running, v4::Load(w + 12 - c)), v4::Mul(restart, v4::Load(w + 24 - c)));
      } else {
        const v4::f4 frac = v4::Mul(v4::FromUint(v4::AndU(p, fracMask)), fracScale);
        const v4::f4 t0 = v4::Gather(t, idx);
        const v4::f4 t1 = v4::Gather(t + 1, idx);  // index 255 reads the guard point
        value = v4::MulAdd(t0, v4::Sub(t1, t0), frac);
      }
      sumLeft = v4::MulAdd(sumLeft, gainLeft[i], value);
      sumRight = v4::MulAdd(sumRight, gainRight[i], value);
    }
    const v4::f4 left = v4::Mul(v4::Sub(sumLeft, v4::Mul(spread, sumRight)), vPanLeft);
    const v4::f4 right = v4::Mul(v4::Sub(sumRight, v4::Mul(spread, sumLeft)), vPanRight);
    if (k + 4 <= len) {
      v4::Store(outLeft + k, left);
      v4::Store(outRight + k, right);
    } else {
      alignas(16) float l4[4];
      alignas(16) float r4[4];
      v4::Store(l4, left);
      v4::Store(r4, right);
      for (int32_t n = k; n < len; ++n) {
        outLeft[n] = l4[n - k];
        outRight[n] = r4[n - k];
      }
    }
    restart_.EndGroup();
  }
}
