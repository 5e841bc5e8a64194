#include "audio/CTubePreamp.h"

#include "audio/AudioFilterLanes.h"

#include "audio/ParamRange.h"

#include <cmath>

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

// ProcessChannel for both channels at once, lane 0 left and lane 1 right: the shapers
// sample by sample through each stage's own Shape, the filters in two lanes.
bool CTubePreamp::ProcessBothChannels(float** in, float** out, int frames, float level) {
  AudioFilterLanes highPass[kStagesPerChannel], lowShelf[kStagesPerChannel], shelfLow, shelfHigh;
  bool invert[kStagesPerChannel], useHighPass[kStagesPerChannel], useLowShelf[kStagesPerChannel];
  v4::f4 stageGain[kStagesPerChannel];
  for (int s = 0; s < kStagesPerChannel; ++s) {
    const TriodeParams& l = stages_[0][s].Parameters();
    const TriodeParams& r = stages_[1][s].Parameters();
    // The lanes share the stage's switches.
    if (l.invert != r.invert || l.highPassEnable != r.highPassEnable || l.lowShelfEnable != r.lowShelfEnable)
      return false;
    invert[s] = l.invert != 0;
    useHighPass[s] = l.highPassEnable != 0;
    useLowShelf[s] = l.lowShelfEnable != 0;
    stageGain[s] = v4::Set(l.outputGain, r.outputGain, 0.0f, 0.0f);
    AudioFilter* const hp[2] = {&stages_[0][s].MutableHighPass(), &stages_[1][s].MutableHighPass()};
    AudioFilter* const ls[2] = {&stages_[0][s].MutableLowShelf(), &stages_[1][s].MutableLowShelf()};
    if (!highPass[s].Load(hp, 2) || !lowShelf[s].Load(ls, 2)) return false;
  }
  AudioFilter* const low[2] = {&shelf_[0].MutableLowShelf(), &shelf_[1].MutableLowShelf()};
  AudioFilter* const high[2] = {&shelf_[0].MutableHighShelf(), &shelf_[1].MutableHighShelf()};
  if (!shelfLow.Load(low, 2) || !shelfHigh.Load(high, 2)) return false;

  auto stage = [&](int s, v4::f4 u) {
    alignas(16) float lanes[4];
    v4::Store(lanes, u);
    float l = stages_[0][s].Shape(lanes[0]);
    float r = stages_[1][s].Shape(lanes[1]);
    if (invert[s]) {
      l = -l;
      r = -r;
    }
    v4::f4 y = v4::Set(l, r, 0.0f, 0.0f);
    if (useHighPass[s]) y = highPass[s].Process(y);
    if (useLowShelf[s]) y = lowShelf[s].Process(y);
    return v4::Mul(y, stageGain[s]);
  };
  const v4::f4 outputGain = v4::Set(outputGain_[0], outputGain_[1], 0.0f, 0.0f);
  const v4::f4 gain = v4::Set1(level);
  alignas(16) float result[4];
  for (int n = 0; n < frames; ++n) {
    v4::f4 u = v4::Set(in[0][n] * inputGain_[0], in[1][n] * inputGain_[1], 0.0f, 0.0f);
    u = stage(2, stage(1, stage(0, u)));
    u = shelfHigh.Process(shelfLow.Process(u));
    u = stage(3, u);
    v4::Store(result, v4::Mul(v4::Mul(u, outputGain), gain));
    out[0][n] = result[0];
    out[1][n] = result[1];
  }
  for (int s = 0; s < kStagesPerChannel; ++s) {
    highPass[s].Store();
    lowShelf[s].Store();
  }
  shelfLow.Store();
  shelfHigh.Store();
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
