#include "audio/CTubePreamp.h"


#include "audio/ParamRange.h"

#include <algorithm>
#include <cfloat>
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
  if (ProcessBothChannels(in, out, frames, level)) return;
  ProcessReference(in, out, frames, level);
}

namespace {

// One audio filter's transposed canonical step and wet/dry mix (Biquad, AudioFilter) on
// plain locals, which stay in registers over a period.
struct Section {
  float a0, a1, a2, b1, b2, c0, d0, s0, s1;
  explicit Section(const AudioFilter& f) {
    const Biquad& b = f.Section();
    a0 = b.Coefficient(Biquad::kA0);
    a1 = b.Coefficient(Biquad::kA1);
    a2 = b.Coefficient(Biquad::kA2);
    b1 = b.Coefficient(Biquad::kB1);
    b2 = b.Coefficient(Biquad::kB2);
    c0 = b.Coefficient(Biquad::kC0);
    d0 = b.Coefficient(Biquad::kD0);
    s0 = b.State()[0];
    s1 = b.State()[1];
  }
  float Process(float x) {
    float y = s0 + a0 * x;
    if (y != 0.0f && std::fabs(y) < FLT_MIN) y = 0.0f;
    s0 = a1 * x - b1 * y + s1;
    s1 = a2 * x - b2 * y;
    return d0 * x + c0 * y;
  }
  void StoreTo(AudioFilter& f) const {
    float* state = f.MutableSection().MutableState();
    state[0] = s0;
    state[1] = s1;
  }
};

bool TransposedCanonical(const AudioFilter& f) {
  return f.Section().GetRealisation() == Biquad::kTransposedCanonical;
}

}  // namespace

// ProcessChannel stage by stage over the period (the stages feed forward only, so each can
// run through every sample before the next starts): the shapers four samples at a time,
// the filters as plain loops. The shapers' exponential is v4::Exp, so the results agree
// with ProcessReference within float rounding.
bool CTubePreamp::ProcessBothChannels(float** in, float** out, int frames, float level) {
  for (int c = 0; c < 2; ++c) {
    for (const TriodeClassA& t : stages_[c])
      if (!TransposedCanonical(t.HighPass()) || !TransposedCanonical(t.LowShelf())) return false;
    if (!TransposedCanonical(shelf_[c].LowShelf()) || !TransposedCanonical(shelf_[c].HighShelf())) return false;
  }
  constexpr int kChunk = 128;
  alignas(16) float u[kChunk];
  for (int c = 0; c < 2; ++c) {
    for (int start = 0; start < frames; start += kChunk) {
      const int n = std::min(kChunk, frames - start);
      const int padded = (n + 3) & ~3;
      for (int i = 0; i < n; ++i) u[i] = in[c][start + i] * inputGain_[c];
      for (int i = n; i < padded; ++i) u[i] = 0.0f;
      auto stage = [&](TriodeClassA& t) {
        const TriodeParams& p = t.Parameters();
        t.ShapeBlock(u, padded);
        Section hp(t.HighPass()), ls(t.LowShelf());
        const bool invert = p.invert != 0, useHp = p.highPassEnable != 0, useLs = p.lowShelfEnable != 0;
        const float gain = p.outputGain;
        for (int i = 0; i < n; ++i) {
          float y = invert ? -u[i] : u[i];
          if (useHp) y = hp.Process(y);
          if (useLs) y = ls.Process(y);
          u[i] = y * gain;
        }
        hp.StoreTo(t.MutableHighPass());
        ls.StoreTo(t.MutableLowShelf());
      };
      TriodeClassA(&s)[kStagesPerChannel] = stages_[c];
      stage(s[0]);
      stage(s[1]);
      stage(s[2]);
      Section low(shelf_[c].LowShelf()), high(shelf_[c].HighShelf());
      for (int i = 0; i < n; ++i) u[i] = high.Process(low.Process(u[i]));
      low.StoreTo(shelf_[c].MutableLowShelf());
      high.StoreTo(shelf_[c].MutableHighShelf());
      stage(s[3]);
      for (int i = 0; i < n; ++i) out[c][start + i] = u[i] * outputGain_[c] * level;
    }
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
