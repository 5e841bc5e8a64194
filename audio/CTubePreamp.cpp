#include "audio/CTubePreamp.h"

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
  for (int n = 0; n < frames; ++n) {
    const float l = ProcessChannel(0, in[0][n]);
    const float r = ProcessChannel(1, in[1][n]);
    out[0][n] = l * level;
    out[1][n] = r * level;
  }
}
