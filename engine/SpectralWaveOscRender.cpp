// The block render of SpectralWaveOsc: phases, bend, table reads and the stereo mix.
#include <sched.h>

#include <algorithm>
#include <type_traits>

#include "platform/ProfilingBuffer.h"
#include "numeric/MathTables.h"
#include "engine/SpectralWaveOsc.h"
#include "engine/Unison.h"
#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

namespace {

constexpr float kTwo32 = 4294967296.0f;
constexpr float kInvTwo32 = 1.0f / 4294967296.0f;
constexpr float kInvTwo24 = 1.0f / 16777216.0f;
// Output level by unison count 1..4.
constexpr float kOutputGain[SpectralWaveOsc::kMaxUnison] = {0.5f, 0.45f, 0.4f, 0.35f};

// How the phase bend runs over a block: b > 0 in every sample (x^e), b = 0 in every
// sample (no bend), or either way from sample to sample.
enum BendMode : int { kBendMixed, kBendUp, kBendFlat };

constexpr uint16_t kStageRender = 51;
constexpr uint16_t kStageRenderEnd = 52;

void Mark(uint8_t event, uint16_t stage, uint16_t subStage) {
  const int cpu = sched_getcpu();
  ProfilingBuffer::Write(event, static_cast<uint8_t>(cpu < 0 ? 0 : cpu), stage, subStage, 0);
}

// Four samples from k of a per-sample buffer of `frames` values; null and the padding
// beyond the block read 0.
inline v4::f4 LoadGroup(const float* p, int32_t k, int32_t frames) {
  if (!p) return v4::Set1(0.0f);
  if (k + 4 <= frames) return v4::Load(p + k);
  alignas(16) float t[4] = {};
  for (int32_t l = 0; k + l < frames; ++l) t[l] = p[k + l];
  return v4::Load(t);
}

inline void StoreGroup(float* p, int32_t k, int32_t frames, v4::f4 v) {
  if (k + 4 <= frames) {
    v4::Store(p + k, v);
    return;
  }
  alignas(16) float t[4];
  v4::Store(t, v);
  for (int32_t l = 0; k + l < frames; ++l) p[k + l] = t[l];
}

// Linear interpolation between table points j and j + 1 (point 256 is the guard).
inline v4::f4 ReadTable(const float* table, v4::u4 index, v4::f4 fraction) {
  v4::f4 t0;
  v4::f4 t1;
  v4::GatherPairs(table, v4::AsInt(index), t0, t1);
  return v4::MulAdd(t0, v4::Sub(t1, t0), fraction);
}

}  // namespace

void SpectralWaveOsc::Render(float* outLeft, float* outRight, const float* fm, float fmAmount, float frequency,
                             float bmAmount, const float* pm, const float* bm) {
  const int32_t frames = frames_;
  restart_.Take();
  if (!wavetable_.load(std::memory_order_acquire)) {
    std::fill(outLeft, outLeft + frames, 0.0f);
    std::fill(outRight, outRight + frames, 0.0f);
    return;
  }
  ApplyPending();
  const int32_t count = count_;

  const bool profiling = ProfilingBuffer::Enabled();
  if (profiling) Mark(1, kStageRender, 0);

  if (frequency != frequency_) {
    frequency_ = frequency;
    detuneOctaves_.store(detuneSemitones_.load(std::memory_order_relaxed) / 12.0f, std::memory_order_relaxed);
  }

  float gainLeft = 0.0f;
  float gainRight = 0.0f;
  if (!mute_.load(std::memory_order_relaxed)) {
    unison::PanGains(*inputs_[kInputPan] + pan_.value, 0.5f * kOutputGain[count - 1], gainLeft, gainRight);
  }

  const double d = static_cast<double>(*inputs_[kInputDetune] / 12.0f) +
                   static_cast<double>(detuneOctaves_.load(std::memory_order_relaxed));
  unison::Frequencies(frequency_, frequency_ * ratio_, count, d, unisonFreq_);

  if (profiling) Mark(2, kStageRenderEnd, kStageRender);

  RenderVoices(outLeft, outRight, fm, fmAmount, pm, bm, bmAmount, count, gainLeft, gainRight);
}

void SpectralWaveOsc::RenderVoices(float* outLeft, float* outRight, const float* fm, float fmAmount,
                                   const float* pm, const float* bm, float bmAmount, int32_t count,
                                   float gainLeft, float gainRight) {
  const int32_t frames = frames_;
  const int32_t padded = paddedFrames_;
  const v4::f4 two32 = v4::Set1(kTwo32);
  const v4::f4 one = v4::Set1(1.0f);
  const float phase = phase_.value;

  // FM product and phase offset.
  {
    const v4::f4 amount = v4::Set1(fmAmount);
    const v4::u4 phi = v4::Set1U(arm::ToUint32(phase * kTwo32));
    for (int32_t k = 0; k < padded; k += 4) {
      v4::Store(rows_.fmProduct.data() + k, v4::Mul(LoadGroup(fm, k, frames), amount));
      // Saturating: a PM below 0 adds nothing, 1 or more almost a whole cycle.
      v4::StoreU(rows_.phaseOffset.data() + k, v4::AddU(v4::ToUint32Sat(v4::Mul(LoadGroup(pm, k, frames), two32)), phi));
    }
  }

  const float rate = static_cast<float>(sampleRate_);
  bool switching[kMaxUnison] = {};
  bool restarting[kMaxUnison] = {};
  for (int32_t v = 0; v < count; ++v) {
    // Linear FM: an FM product of -1 or below stops the voice.
    uint32_t* inc = rows_.increment[v].data();
    const v4::f4 base = v4::Set1(rate > 0.0f ? unisonFreq_[v] / rate : 0.0f);
    for (int32_t k = 0; k < padded; k += 4) {
      const v4::f4 f = v4::Mul(base, v4::Add(one, v4::Load(rows_.fmProduct.data() + k)));
      v4::StoreU(inc + k, v4::ToUint32Sat(v4::Mul(f, two32)));
    }

    // The phase run, four samples at a time as running sums of the increments; the group
    // that holds the restart sample goes sample by sample.
    const int32_t restartAt = restart_.SampleFor(v);
    restarting[v] = restartAt >= 0;
    const uint32_t restartPhase = restart_.RestartPhase(v);
    const uint32_t* offset = rows_.phaseOffset.data();
    uint32_t* raw = rows_.raw[v].data();
    uint32_t a = accumulator_[v];
    uint32_t prev = previousPhase_[v];
    bool publish = displayRefresh_[v] != 0;
    auto runSamples = [&](int32_t from, int32_t to) {
      for (int32_t n = from; n < to; ++n) {
        if (n == restartAt) {
          a = restartPhase;
          publish = true;
        } else {
          a += inc[n];
        }
        const uint32_t p = a + offset[n];
        publish = publish || p < prev;
        raw[n] = p;
        prev = p;
      }
    };
    const v4::u4 none = v4::Set1U(0u);
    v4::u4 runLast = v4::Set1U(a);     // the accumulator in every lane
    v4::u4 phaseLast = v4::Set1U(prev);  // the last phase in lane 3
    v4::u4 wrapped = none;
    int32_t n = 0;
    for (; n + 4 <= frames; n += 4) {
      if (restartAt >= n && restartAt < n + 4) {
        alignas(16) uint32_t lanes[4];
        v4::StoreU(lanes, runLast);
        a = lanes[3];
        v4::StoreU(lanes, phaseLast);
        prev = lanes[3];
        runSamples(n, n + 4);
        runLast = v4::Set1U(a);
        phaseLast = v4::Set1U(prev);
        continue;
      }
      v4::u4 sum = v4::LoadU(inc + n);
      sum = v4::AddU(sum, v4::ExtractU<3>(none, sum));
      sum = v4::AddU(sum, v4::ExtractU<2>(none, sum));
      const v4::u4 run = v4::AddU(runLast, sum);
      const v4::u4 p = v4::AddU(run, v4::LoadU(offset + n));
      v4::StoreU(raw + n, p);
      // A phase below the one before it has wrapped: the cycle starts again.
      wrapped = v4::OrU(wrapped, v4::CmpLtU(p, v4::ExtractU<3>(phaseLast, p)));
      runLast = v4::BroadcastLastU(run);
      phaseLast = p;
    }
    alignas(16) uint32_t lanes[4];
    v4::StoreU(lanes, runLast);
    a = lanes[3];
    v4::StoreU(lanes, phaseLast);
    prev = lanes[3];
    v4::StoreU(lanes, wrapped);
    publish = publish || (lanes[0] | lanes[1] | lanes[2] | lanes[3]) != 0;
    runSamples(n, frames);
    for (int32_t t = frames; t < padded; ++t) raw[t] = prev;
    accumulator_[v] = a;
    previousPhase_[v] = prev;
    if (newTable_[v].load()) {
      newTable_[v].store(0);
      switching[v] = true;
    }
    if (publish) {
      displayRefresh_[v] = 0;
      display_.store(next_[lastBuilt_], std::memory_order_relaxed);
    }
  }

  // Table reads and the mix.
  const float* previous[kMaxUnison] = {};
  const float* next[kMaxUnison] = {};
  float restartValue[kMaxUnison] = {};
  bool steady[kMaxUnison] = {};
  v4::f4 rowLeft[kMaxUnison];
  v4::f4 rowRight[kMaxUnison];
  // Where the restarted waveform begins: the phase control and the phase modulation of the
  // restart sample.
  const float pmAtRestart = (pm && frames > PhaseRestart::kSample) ? pm[PhaseRestart::kSample] : 0.0f;
  for (int32_t v = 0; v < count; ++v) {
    if (switching[v]) tableIndex_[v].fetch_xor(1);
    const int32_t k = tableIndex_[v].load();
    previous[v] = previous_[k];
    next[v] = next_[k];
    steady[v] = steady_[k];
    restartValue[v] = next_[k][RestartIndex(kTableLength, restart_.Offset(v) + phase + pmAtRestart)];
    rowLeft[v] = v4::Set1(gainRows_[0][v]);
    rowRight[v] = v4::Set1(gainRows_[1][v]);
  }

  const float spread = count > 1 ? spread_.value : 0.0f;
  const double w = 1.0 / std::max(static_cast<double>(spread) + 1.0, 2.0);
  const v4::f4 mid = v4::Set1(static_cast<float>(w));
  const v4::f4 side = v4::Set1(static_cast<float>(w * static_cast<double>(spread)));
  const v4::f4 outGainLeft = v4::Set1(gainLeft);
  const v4::f4 outGainRight = v4::Set1(gainRight);
  const float* window = PhaseRestart::Window();
  const v4::f4 zero = v4::Set1(0.0f);
  const v4::f4 invTwo32 = v4::Set1(kInvTwo32);
  const v4::f4 invTwo24 = v4::Set1(kInvTwo24);
  const v4::u4 fracMask = v4::Set1U(0xFFFFFFu);

  // The phase bend's exponent for each group: the unrefined estimate, as the bend curve was
  // voiced; |b| of 1 and above gives 50. Whether the whole block bends one way, or not at
  // all, decides which curves the groups need.
  const float bendValue = bend_.load(std::memory_order_relaxed);
  const v4::f4 bend = v4::Set1(bendValue);
  const v4::f4 bendAmount = v4::Set1(bmAmount);
  auto bendOf = [&](int32_t k) { return v4::MulAdd(bend, LoadGroup(bm, k, frames), bendAmount); };
  BendMode mode = kBendFlat;
  if (!(bendValue == 0.0f && (!bm || bmAmount == 0.0f))) {
    const v4::f4 limit = v4::Set1(1.02f);
    v4::u4 allUp = v4::Set1U(~0u);
    v4::u4 allFlat = v4::Set1U(~0u);
    for (int32_t k = 0; k < padded; k += 4) {
      const v4::f4 b = bendOf(k);
      v4::Store(rows_.exponent.data() + k, v4::RecipEstimate(v4::Sub(limit, v4::Min(one, v4::Abs(b)))));
      allUp = v4::AndU(allUp, v4::CmpGt(b, zero));
      allFlat = v4::AndU(allFlat, v4::AndU(v4::CmpGe(b, zero), v4::CmpGe(zero, b)));
    }
    alignas(16) uint32_t up[4];
    alignas(16) uint32_t flat[4];
    v4::StoreU(up, allUp);
    v4::StoreU(flat, allFlat);
    mode = (up[0] & up[1] & up[2] & up[3]) ? kBendUp : (flat[0] & flat[1] & flat[2] & flat[3]) ? kBendFlat : kBendMixed;
  }

  auto mixGroups = [&](auto bendMode) {
    for (int32_t k = 0; k < padded; k += 4) {
      v4::f4 e = zero;
      v4::u4 up = v4::Set1U(0u);
      v4::u4 down = v4::Set1U(0u);
      if constexpr (decltype(bendMode)::value != kBendFlat) e = v4::Load(rows_.exponent.data() + k);
      if constexpr (decltype(bendMode)::value == kBendMixed) {
        const v4::f4 b = bendOf(k);
        up = v4::CmpGt(b, zero);
        down = v4::CmpLt(b, zero);
      }
      const int32_t c = restart_.Counter();
      v4::f4 sumLeft = v4::Set1(0.0f);
      v4::f4 sumRight = v4::Set1(0.0f);
      for (int32_t v = 0; v < count; ++v) {
        const v4::f4 x = v4::Mul(v4::FromUint(v4::LoadU(rows_.raw[v].data() + k)), invTwo32);
        v4::f4 y = x;
        if constexpr (decltype(bendMode)::value == kBendUp) {
          y = fastPow4(x, e);
        } else if constexpr (decltype(bendMode)::value == kBendMixed) {
          const v4::f4 early = fastPow4(x, e);
          const v4::f4 late = v4::Sub(one, fastPow4(v4::Sub(one, x), e));
          y = v4::Select(up, early, v4::Select(down, late, x));
        }
        const v4::u4 bent = v4::ToUint32Sat(v4::Mul(y, two32));
        const v4::u4 index = v4::ShiftRightU<24>(bent);
        v4::f4 value;
        if (restarting[v] && c > 0) {
          // From the running waveform, read plainly, to the value the voice restarts at.
          value = v4::Add(v4::Mul(v4::Gather(previous[v], index), v4::Load(window + 12 - c)),
                          v4::Mul(v4::Set1(restartValue[v]), v4::Load(window + 24 - c)));
        } else {
          // Below 2^24 the signed conversion is exact.
          const v4::f4 fraction = v4::Mul(v4::FromInt(v4::AsInt(v4::AndU(bent, fracMask))), invTwo24);
          const v4::f4 newValue = ReadTable(next[v], index, fraction);
          if (steady[v]) {
            // The fade between equal tables gives the table's own values.
            value = newValue;
          } else {
            const v4::f4 oldValue = ReadTable(previous[v], index, fraction);
            value = v4::MulAdd(oldValue, v4::Sub(newValue, oldValue), v4::Load(rows_.ramp.data() + k));
          }
        }
        sumLeft = v4::MulAdd(sumLeft, value, rowLeft[v]);
        sumRight = v4::MulAdd(sumRight, value, rowRight[v]);
      }
      const v4::f4 m = v4::Mul(mid, v4::Add(sumLeft, sumRight));
      const v4::f4 s = v4::Mul(side, v4::Sub(sumLeft, sumRight));
      StoreGroup(outLeft, k, frames, v4::Mul(v4::Sub(m, s), outGainLeft));
      StoreGroup(outRight, k, frames, v4::Mul(v4::Add(m, s), outGainRight));
      restart_.EndGroup();
    }
  };
  if (mode == kBendUp) mixGroups(std::integral_constant<int, kBendUp>{});
  else if (mode == kBendFlat) mixGroups(std::integral_constant<int, kBendFlat>{});
  else mixGroups(std::integral_constant<int, kBendMixed>{});
}
