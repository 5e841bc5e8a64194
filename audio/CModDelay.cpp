#include "audio/CModDelay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

namespace {

constexpr float kLineMs = 100.0f;

// Per mode: the LFO value l (depth-scaled) becomes o = clamp(offset + scale * l, low, high)
// and the delay baseMs + spanMs * o; the flanger alone feeds back.
struct ModeRow {
  float offset;
  float scale;
  float low;
  float high;
  float baseMs;
  float spanMs;
  bool feedsBack;
  float dryDb;
  float wetDb;
};

constexpr ModeRow kModes[] = {
    {0.5f, 0.5f, 0.0f, 1.0f, 0.1f, 7.0f, true, -3.0f, -3.0f},      // flanger
    {0.0f, 1.0f, -1.0f, 1.0f, 25.0f, 15.0f, false, 0.0f, -3.0f},   // chorus
    {0.0f, 1.0f, -1.0f, 1.0f, 3.5f, 3.5f, false, -96.0f, 0.0f},    // vibrato
};
constexpr int kModeCount = static_cast<int>(sizeof kModes / sizeof kModes[0]);

}  // namespace

CModDelay::CModDelay() : CEffectBase(&params_) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
}

void CModDelay::Reset(float sampleRate) {
  for (AudioDelay* d : {&left_, &right_}) {
    d->SetMaxDelayMs(kLineMs);
    d->Reset(sampleRate);
  }
  lfo_.Reset(sampleRate);
}

void CModDelay::SetParam(int id, float value) {
  if (!std::isfinite(value)) return;
  switch (id) {
    case kParamRate:
      params_.lfoRateHz = value;
      break;
    case kParamDepth:
      params_.depthPercent = value;
      break;
    case kParamFeedback:
      params_.feedbackPercent = value;
      break;
    case kParamMode: {
      const int32_t mode = arm::ToInt32(value);
      if (mode >= 0 && mode < kModeCount) params_.mode = mode;
      break;
    }
    default:
      return;
  }
  Apply();
}

void CModDelay::Apply() {
  lfo_.SetWaveform(params_.mode == kVibrato ? LFO::kSine : LFO::kTriangle);
  if (params_.lfoRateHz != lfo_.Frequency()) {
    lfo_.SetFrequency(params_.lfoRateHz);
    const float rate = lfo_.SampleRate();
    lfo_.SetIncrement(rate > 0.0f ? params_.lfoRateHz / rate : 0.0f);
  }
  for (AudioDelay* d : {&left_, &right_}) {
    d->SetFeedback(params_.feedbackPercent);
    d->UpdateDelaySamples();
  }
}

namespace {

// Feedback and levels are fixed for the block: set once, as setting them every frame would
// change nothing after the first.
const ModeRow& PrepareBlock(const CModDelay::Params& p, AudioDelay& left, AudioDelay& right) {
  const ModeRow& m = kModes[p.mode];
  const float feedback = m.feedsBack ? p.feedbackPercent : 0.0f;
  for (AudioDelay* d : {&left, &right}) {
    d->SetFeedback(feedback);
    d->SetDryLevelDb(m.dryDb);
    d->SetWetLevelDb(m.wetDb);
  }
  return m;
}

}  // namespace

void CModDelay::Process(float** in, float** out, int frames, float level) {
  if (frames <= 0) return;
  const ModeRow& m = PrepareBlock(params_, left_, right_);
  using namespace v4;
  const f4 depth = Set1(params_.depthPercent / 100.0f);
  const f4 offset = Set1(m.offset), scale = Set1(m.scale), low = Set1(m.low), high = Set1(m.high);
  const f4 baseMs = Set1(m.baseMs), spanMs = Set1(m.spanMs);
  constexpr int kChunk = 64;
  alignas(16) float ms[kChunk] = {};  // the last group of four may reach past the frames
  for (int done = 0; done < frames;) {
    const int n = std::min(kChunk, frames - done);
    lfo_.RenderNormal(ms, n);
    for (int i = 0; i < n; i += 4) {
      // std::clamp(v, low, high): low if v < low, else high if high < v, else v.
      const f4 o = MulAdd(offset, scale, Mul(depth, Load(ms + i)));
      const f4 clamped = Select(CmpLt(o, low), low, Select(CmpLt(high, o), high, o));
      Store(ms + i, MulAdd(baseMs, spanMs, clamped));
    }
    left_.ProcessBlock(in[0] + done, ms, level, out[0] + done, n);
    right_.ProcessBlock(in[1] + done, ms, level, out[1] + done, n);
    done += n;
  }
}

void CModDelay::ProcessReference(float** in, float** out, int frames, float level) {
  if (frames <= 0) return;
  const ModeRow& m = PrepareBlock(params_, left_, right_);
  const float depth = params_.depthPercent / 100.0f;
  const float* inL = in[0];
  const float* inR = in[1];
  float* outL = out[0];
  float* outR = out[1];
  for (int i = 0; i < frames; ++i) {
    const float l = depth * lfo_.RenderOutput().normal;
    const float o = std::clamp(m.offset + m.scale * l, m.low, m.high);
    const float ms = m.baseMs + m.spanMs * o;
    left_.SetDelayMs(ms, ms);
    right_.SetDelayMs(ms, ms);
    const float xl = inL[i];
    const float xr = inR[i];
    outL[i] = level * left_.ProcessSample(xl);
    outR[i] = level * right_.ProcessSample(xr);
  }
}

void CModDelay::ClearState() {
  left_.ClearState();
  right_.ClearState();
}
