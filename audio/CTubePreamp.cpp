#include "audio/CTubePreamp.h"


#include "audio/ParamRange.h"

#include <algorithm>
#include <cmath>

#include "platform/Simd4.h"

namespace {

constexpr TubePreampParams kConstructionParams = {0.0f, 0.0f, 0.0f, -9.0f, 0.0f, 0.0f, 0.0f, 0.0f};

constexpr float kShelfQ = 0.707f;
constexpr float kResetLowShelfHz = 88.0f;
constexpr float kResetLowShelfDb = -12.0f;

struct ParamRow {
  int id;
  float TubePreampParams::*field;
  float scale;
  float low = -param_range::kUnbounded;  // bounds of the stored value
  float high = param_range::kUnbounded;
};
constexpr ParamRow kParamRows[] = {
    {0, &TubePreampParams::lowShelfDb, 1.0f},
    {1, &TubePreampParams::lowShelfHz, 1.0f},
    {2, &TubePreampParams::highShelfDb, 1.0f},
    {3, &TubePreampParams::highShelfHz, 1.0f},
    {4, &TubePreampParams::outputDb, 1.0f, param_range::kMinLevelDb, param_range::kMaxLevelDb},
    {5, &TubePreampParams::saturation, 0.5f},  // the page's drive 1..10
};

float DbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

}  // namespace

CTubePreamp::CTubePreamp() : CEffectBase(&params_[0]), params_{kConstructionParams, kConstructionParams} {}

void CTubePreamp::Reset(float sampleRate) {
  const float highPassHz = stages_[0][0].Parameters().highPassHz;
  for (auto& channel : stages_) {
    for (TriodeClassA& stage : channel) {
      stage.Reset(sampleRate);
      TriodeParams p = stage.Parameters();
      p.type = TriodeParams::kAsymmetricExponential;
      p.outputGain = 1.0f;
      p.invert = 1;
      p.highPassEnable = 1;
      p.lowShelfEnable = 1;
      p.highPassHz = highPassHz;
      p.lowShelfHz = kResetLowShelfHz;
      p.lowShelfDb = kResetLowShelfDb;
      // The stages follow the record's saturation, so a re-chosen preamp does not keep the
      // previous drive while its record says 1.
      p.saturation = 1.0f;
      stage.SetParameters(p);
    }
  }
  for (TwoBandShelvingFilter& s : shelf_) s.Reset(sampleRate);
  params_[0].saturation = 1.0f;
  params_[1].saturation = 1.0f;
}

void CTubePreamp::SetParam(int id, float value) {
  // A corrupt preset or a runaway controller must not reach the signal path.
  if (!std::isfinite(value)) return;
  for (const ParamRow& row : kParamRows) {
    if (row.id == id) {
      params_[0].*row.field = std::clamp(value * row.scale, row.low, row.high);
      Apply();
      return;
    }
  }
}

void CTubePreamp::Apply() {
  const TubePreampParams& p = params_[0];
  for (int c = 0; c < 2; ++c) {
    inputGain_[c] = DbToGain(p.inputDb);
    outputGain_[c] = DbToGain(p.outputDb);
  }
  params_[1] = p;

  const ShelvingParams shelves{p.lowShelfHz, p.lowShelfDb, p.highShelfHz, p.highShelfDb};
  for (TwoBandShelvingFilter& s : shelf_) s.SetParameters(shelves, kShelfQ);

  TriodeParams stage = stages_[0][0].Parameters();
  stage.saturation = p.saturation;
  stage.asymmetry = p.asymmetry;
  for (auto& channel : stages_) {
    for (TriodeClassA& s : channel) s.SetParameters(stage);
  }
}

float CTubePreamp::ProcessChannel(int channel, float x) {
  TriodeClassA(&s)[kStagesPerChannel] = stages_[channel];
  float u = x * inputGain_[channel];
  u = s[2].ProcessSample(s[1].ProcessSample(s[0].ProcessSample(u)));
  u = shelf_[channel].ProcessSample(u);
  u = s[3].ProcessSample(u);
  return u * outputGain_[channel];
}

void CTubePreamp::Process(float** in, float** out, int frames, float level) {
  if (ProcessLanes(in, out, frames, level)) return;
  ProcessReference(in, out, frames, level);
}

namespace {

using namespace v4;

constexpr int kLanes = 4;
static_assert(CTubePreamp::kStagesPerChannel == kLanes, "one stage per lane");

// The two wet/dry mixes of the preamp's filters: a high-pass gives its section's output
// (c0 = 1, d0 = 0), a shelf adds c0 times it to its input (d0 = 1).
enum class Mix { kWet, kDryPlusWet };

// The preamp's filters are first-order designs in the transposed canonical form, whose second
// state stays 0: y = s + a0 x, s = a1 x - b1 y, then y or x + c0 y. These are Biquad's and
// AudioFilter's steps less their multiplications by 0 and 1, which are exact (only the sign
// of a zero can differ). Biquad's flush of subnormal results has nothing to do here: this
// code runs where the unit flushes them itself (NEON always; the host under
// ScopedFlushToZero, which Simd4 code requires, as do the audio threads).
bool Covered(const AudioFilter& f, Mix mix) {
  const Biquad& b = f.Section();
  const float c0 = b.Coefficient(Biquad::kC0), d0 = b.Coefficient(Biquad::kD0);
  const bool mixes = mix == Mix::kWet ? c0 == 1.0f && d0 == 0.0f : d0 == 1.0f;
  return mixes && b.GetRealisation() == Biquad::kTransposedCanonical && b.Coefficient(Biquad::kA2) == 0.0f &&
         b.Coefficient(Biquad::kB2) == 0.0f && b.State()[1] == 0.0f;
}

// One first-order filter on plain locals, in the shelves' dry-plus-wet form.
struct FirstOrderSection {
  float a0, a1, b1, c0, s;
  explicit FirstOrderSection(const AudioFilter& f)
      : a0(f.Coefficient(Biquad::kA0)),
        a1(f.Coefficient(Biquad::kA1)),
        b1(f.Coefficient(Biquad::kB1)),
        c0(f.Coefficient(Biquad::kC0)),
        s(f.Section().State()[0]) {}
  float Process(float x) {
    const float y = s + a0 * x;
    s = a1 * x - b1 * y;
    return x + c0 * y;
  }
  void StoreTo(AudioFilter& f) const { f.MutableSection().MutableState()[0] = s; }
};

// One filter of each of four stages, stage n in lane n.
template <Mix kMix>
struct FirstOrderLanes {
  f4 a0, a1, b1, c0, s;
  AudioFilter* filters[kLanes];

  explicit FirstOrderLanes(AudioFilter* const (&f)[kLanes]) {
    alignas(16) float c[5][kLanes];
    for (int n = 0; n < kLanes; ++n) {
      filters[n] = f[n];
      const FirstOrderSection one(*f[n]);
      c[0][n] = one.a0;
      c[1][n] = one.a1;
      c[2][n] = one.b1;
      c[3][n] = one.c0;
      c[4][n] = one.s;
    }
    a0 = Load(c[0]);
    a1 = Load(c[1]);
    b1 = Load(c[2]);
    c0 = Load(c[3]);
    s = Load(c[4]);
  }
  // Lanes outside `valid` keep their state (the pipeline's first and last steps).
  template <bool kMasked>
  f4 Process(f4 x, u4 valid) {
    const f4 y = Add(s, Mul(a0, x));
    const f4 next = Sub(Mul(a1, x), Mul(b1, y));
    s = kMasked ? Select(valid, next, s) : next;
    if constexpr (kMix == Mix::kWet) return y;
    return Add(x, Mul(c0, y));
  }
  void Store() const {
    alignas(16) float state[kLanes];
    v4::Store(state, s);
    for (int n = 0; n < kLanes; ++n) filters[n]->MutableSection().MutableState()[0] = state[n];
  }
};

u4 ValidLanes(int r, int n) {
  alignas(16) uint32_t m[kLanes];
  for (int lane = 0; lane < kLanes; ++lane) m[lane] = (r - lane >= 0 && r - lane < n) ? ~0u : 0u;
  return LoadU(m);
}

f4 LaneSet(const TriodeClassA::LaneConstants (&c)[kLanes], float TriodeClassA::LaneConstants::*field) {
  return Set(c[0].*field, c[1].*field, c[2].*field, c[3].*field);
}

// One channel's four stages as a pipeline: at step r lane n runs stage n on sample r - n, so
// each step is one vector pass (shaper, high-pass, low shelf) and every filter sees
// its samples in order with the reference's arithmetic. The samples move one lane up per
// step through `rows` (row r holds the lane inputs of step r; a step's outputs are stored
// one float further on, into row r + 1, the last lane spilling into row r + 2's first
// float). The tone shelves between stages 2 and 3 run on that one float as it passes.
template <bool kLinear>
void RunStages(TriodeClassA (&stages)[kLanes], TwoBandShelvingFilter& shelf,
               const TriodeClassA::LaneConstants (&c)[kLanes], const float* in, float* out, int frames,
               float inputGain, float outputGain, float level) {
  using C = TriodeClassA::LaneConstants;
  AudioFilter* const highPasses[kLanes] = {&stages[0].MutableHighPass(), &stages[1].MutableHighPass(),
                                           &stages[2].MutableHighPass(), &stages[3].MutableHighPass()};
  AudioFilter* const lowShelves[kLanes] = {&stages[0].MutableLowShelf(), &stages[1].MutableLowShelf(),
                                           &stages[2].MutableLowShelf(), &stages[3].MutableLowShelf()};
  FirstOrderLanes<Mix::kWet> hp(highPasses);
  FirstOrderLanes<Mix::kDryPlusWet> ls(lowShelves);
  FirstOrderSection low(shelf.LowShelf()), high(shelf.HighShelf());
  const f4 kPositive = LaneSet(c, &C::kPositive), kNegative = LaneSet(c, &C::kNegative);
  const f4 normPositive = LaneSet(c, &C::normPositive), normNegative = LaneSet(c, &C::normNegative);
  const f4 sign = LaneSet(c, &C::sign);
  constexpr int kChunk = 128;
  alignas(16) float rows[(kChunk + 5) * kLanes];
  // The steps feed lane 0 two samples ahead, past the end in the last steps.
  constexpr int kAhead = 5;
  float x[kChunk + kAhead];
  auto step = [&]<bool kMasked>(int r, int n, float* y) {
    float* row = rows + kLanes * r;
    const u4 valid = kMasked ? ValidLanes(r, n) : Set1U(0);
    f4 v = Load(row);
    v = kLinear ? Mul(v, sign) : TriodeClassA::ShapeLanes(v, kPositive, kNegative, normPositive, normNegative);
    v = ls.Process<kMasked>(hp.Process<kMasked>(v, valid), valid);
    Store(row + 5, v);
    if (!kMasked || (r >= 2 && r - 2 < n)) row[7] = high.Process(low.Process(row[7]));
    if (!kMasked || r >= 3) y[r - 3] = row[8] * outputGain * level;
    row[8] = x[r + 2];
  };
  for (int start = 0; start < frames; start += kChunk) {
    const int n = std::min(kChunk, frames - start);
    for (int i = 0; i < n; ++i) x[i] = in[start + i] * inputGain;
    for (int i = n; i < n + kAhead; ++i) x[i] = 0.0f;
    rows[0] = x[0];
    rows[1] = rows[2] = rows[3] = 0.0f;
    rows[4] = x[1];
    float* y = out + start;
    // The first and the last kSkew steps have lanes without a sample.
    constexpr int kSkew = kLanes - 1;
    int r = 0;
    for (; r < kSkew; ++r) step.template operator()<true>(r, n, y);
    for (; r < n; ++r) step.template operator()<false>(r, n, y);
    for (; r < n + kSkew; ++r) step.template operator()<true>(r, n, y);
  }
  hp.Store();
  ls.Store();
  low.StoreTo(shelf.MutableLowShelf());
  high.StoreTo(shelf.MutableHighShelf());
}

}  // namespace

bool CTubePreamp::ProcessLanes(float** in, float** out, int frames, float level) {
  TriodeClassA::LaneConstants c[2][kLanes];
  for (int ch = 0; ch < 2; ++ch) {
    for (int n = 0; n < kLanes; ++n) {
      const TriodeClassA& t = stages_[ch][n];
      if (!t.GetLaneConstants(c[ch][n]) || c[ch][n].linear != c[0][0].linear) return false;
      if (!Covered(t.HighPass(), Mix::kWet) || !Covered(t.LowShelf(), Mix::kDryPlusWet)) return false;
      // As Reset sets them: both filters on, unit gain.
      const TriodeParams& p = t.Parameters();
      if (!p.highPassEnable || !p.lowShelfEnable || p.outputGain != 1.0f) return false;
    }
    const TwoBandShelvingFilter& tone = shelf_[ch];
    if (!Covered(tone.LowShelf(), Mix::kDryPlusWet) || !Covered(tone.HighShelf(), Mix::kDryPlusWet)) return false;
  }
  for (int ch = 0; ch < 2; ++ch) {
    auto run = c[0][0].linear ? RunStages<true> : RunStages<false>;
    run(stages_[ch], shelf_[ch], c[ch], in[ch], out[ch], frames, inputGain_[ch], outputGain_[ch], level);
  }
  return true;
}

void CTubePreamp::ProcessReference(float** in, float** out, int frames, float level) {
  for (int n = 0; n < frames; ++n) {
    const float l = ProcessChannel(0, in[0][n]);
    const float r = ProcessChannel(1, in[1][n]);
    out[0][n] = l * level;
    out[1][n] = r * level;
  }
}

void CTubePreamp::ClearState() {
  for (auto& channel : stages_)
    for (TriodeClassA& stage : channel) stage.ClearState();
  for (TwoBandShelvingFilter& s : shelf_) s.ClearState();
}
