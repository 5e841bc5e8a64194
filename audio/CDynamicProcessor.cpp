#include "audio/CDynamicProcessor.h"

#include "audio/ParamRange.h"

#include <atomic>
#include <cmath>

namespace {

float FromDb(float db) { return std::pow(10.0f, db / 20.0f); }

// The page reads the meters from its own thread without a lock.
void Publish(float& to, float value) { std::atomic_ref<float>(to).store(value, std::memory_order_relaxed); }

}  // namespace

float CDynamicProcessor::GainComputer::Output(float l) const {
  const float t = thresholdDb;
  const float w = kneeDb;
  const float d = l - t;
  // A knee of 0 or less has no soft region: (d + W/2)^2 / 2W would be 0/0 at the threshold.
  if (softKnee && w > 0.0f) {
    if (2.0f * d < -w) return l;
    if (std::fabs(2.0f * d) <= w) {
      const float k = (d + w / 2.0f) * (d + w / 2.0f) / (2.0f * w);
      return limit ? l - k : l + (1.0f / ratio - 1.0f) * k;
    }
    return limit ? t : t + d / ratio;
  }
  if (l <= t) return l;
  return limit ? t : t + d / ratio;
}

float CDynamicProcessor::GainComputer::Gain(float levelDb) {
  lastGainDb = Output(levelDb) - levelDb;
  // Below the threshold nothing is taken off, and 10^0 is exactly 1.
  lastGain = lastGainDb == 0.0f ? 1.0f : FromDb(lastGainDb);
  return lastGain;
}

CDynamicProcessor::CDynamicProcessor() : CEffectBase(&meters_) {}

void CDynamicProcessor::Reset(int32_t sampleRate) {
  const float rate = static_cast<float>(sampleRate);
  detectors_[kInputLeft].Reset(rate);
  detectors_[kInputRight].Reset(rate);
  detectors_[kOutputMeter].SetSampleRate(rate);
  detectors_[kSpareMeter].SetSampleRate(rate);
  settings_ = Settings{};
  Apply();
}

void CDynamicProcessor::SetParam(int id, float value) {
  // A corrupt preset or a runaway controller must not reach the signal path.
  if (!std::isfinite(value)) return;
  switch (id) {
    case kThreshold: settings_.thresholdDb = value; break;
    case kKnee: settings_.kneeDb = value; break;
    case kSideChain:
      sources_[0] = value != 0.0f ? 2 : 0;
      sources_[1] = value != 0.0f ? 3 : 1;
      break;
    case kAttack: settings_.attackMs = value * 1000.0f; break;
    case kRelease: settings_.releaseMs = value * 1000.0f; break;
    case kMakeup: settings_.makeupDb = param_range::LevelDb(value); break;
    case kRatio: settings_.ratio = value; break;
    default: break;
  }
  Apply();
}

void CDynamicProcessor::Apply() {
  for (GainComputer& c : computers_) {
    c.ratio = settings_.ratio;
    c.thresholdDb = settings_.thresholdDb;
    c.kneeDb = settings_.kneeDb;
    c.limit = settings_.limit;
    c.softKnee = settings_.softKnee;
    c.mode = settings_.mode;
    c.attackMs = settings_.attackMs;
    c.releaseMs = settings_.releaseMs;
    c.makeupDb = settings_.makeupDb;
  }
  const GainComputer* timesOf[4] = {&computers_[0], &computers_[1], &computers_[0], &computers_[1]};
  for (int k = 0; k < 4; ++k) {
    AudioDetector& d = detectors_[k];
    d.SetAttackTime(timesOf[k]->attackMs);
    d.SetReleaseTime(timesOf[k]->releaseMs);
    d.SetDetectMode(AudioDetector::kPeak);
    d.SetLogOutput(true);
    d.SetClampToOne(false);
    d.RecomputeCoefficients();
  }
  makeup_ = FromDb(settings_.makeupDb);
}

void CDynamicProcessor::Process(float** in, float** out, int frames, float level) {
  if (frames < 1) return;
  const float makeup = makeup_;
  const Detector meterOf[2] = {kOutputMeter, kSpareMeter};
  float* const meterOut[2] = {&meters_.outputLeft, &meters_.outputRight};
  float* const meterReduction[2] = {&meters_.reductionLeft, &meters_.reductionRight};
  float* const meterIn[2] = {&meters_.inputLeft, &meters_.inputRight};
  for (int c = 0; c < 2; ++c) {
    AudioDetector& input = detectors_[c];
    AudioDetector& meter = detectors_[meterOf[c]];
    GainComputer& computer = computers_[c];
    const float* detect = in[sources_[c]];
    const float* x = in[c];
    float* y = out[c];
    float levelDb = 0.0f, gain = 1.0f, outDb = 0.0f;
    for (int i = 0; i < frames; ++i) {
      levelDb = input.ProcessSample(detect[i]);
      gain = computer.Gain(levelDb);
      y[i] = gain * x[i] * level * makeup;
      meter.Track(y[i]);
    }
    outDb = meter.Level();
    // Only the last frame's meter values can ever be seen by the page.
    Publish(*meterReduction[c], 1.0f - gain);
    Publish(*meterIn[c], FromDb(levelDb));
    Publish(*meterOut[c], FromDb(outDb));
  }
}
