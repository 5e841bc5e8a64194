#include "audio/CDynamicProcessor.h"

#include "audio/ParamRange.h"
#include "platform/Simd4.h"

#include <atomic>
#include <cmath>

namespace {

using v4::f4;

float FromDb(float db) { return std::pow(10.0f, db / 20.0f); }

constexpr float kDbPerNeper = 8.68588963806504f;    // 20 / ln 10
constexpr float kNeperPerDb = 0.115129254649702f;   // ln 10 / 20

// Natural logarithm of four positive normal floats, within a few units in the last place:
// x = m 2^e with m in [sqrt(1/2), sqrt(2)), log m from a polynomial in m - 1. Zero,
// negatives and NaN are the caller's business; +inf stays +inf.
f4 Log(f4 x) {
  using namespace v4;
  const i4 bits = Bits(x);
  const u4 ubits = u4(bits);
  f4 e = FromInt(SubI(i4(ShiftRightU<23>(ubits)), Set1I(127)));
  f4 m = FromBits(i4(AddU(AndU(ubits, Set1U(0x007FFFFF)), Set1U(0x3F800000))));
  const u4 high = CmpGt(m, Set1(1.41421356f));
  e = Add(e, Select(high, Set1(1.0f), Set1(0.0f)));
  m = Select(high, Mul(m, Set1(0.5f)), m);
  const f4 f = Sub(m, Set1(1.0f));
  const f4 z = Mul(f, f);
  f4 p = Set1(7.0376836292e-2f);
  p = MulAdd(Set1(-1.1514610310e-1f), p, f);
  p = MulAdd(Set1(1.1676998740e-1f), p, f);
  p = MulAdd(Set1(-1.2420140846e-1f), p, f);
  p = MulAdd(Set1(1.4249322787e-1f), p, f);
  p = MulAdd(Set1(-1.6668057665e-1f), p, f);
  p = MulAdd(Set1(2.0000714765e-1f), p, f);
  p = MulAdd(Set1(-2.4999993993e-1f), p, f);
  p = MulAdd(Set1(3.3333331174e-1f), p, f);
  f4 y = Mul(Mul(p, f), z);
  y = MulAdd(y, e, Set1(-2.12194440e-4f));
  y = MulAdd(y, z, Set1(-0.5f));
  y = Add(Add(f, y), Mul(e, Set1(0.693359375f)));
  return Select(CmpGt(x, Set1(3.4028235e38f)), x, y);
}

// The soft-knee gain computer four levels at a time, with the settings of one block.
struct GainLanes {
  f4 t, w, minusW, halfW, inv2W, kneeSlope, aboveSlope;
  bool limit, soft;

  GainLanes(float thresholdDb, float kneeDb, float ratio, bool limiting, bool softKnee)
      : t(v4::Set1(thresholdDb)),
        w(v4::Set1(kneeDb)),
        minusW(v4::Set1(-kneeDb)),
        halfW(v4::Set1(kneeDb / 2.0f)),
        inv2W(v4::Set1(softKnee && kneeDb > 0.0f ? 1.0f / (2.0f * kneeDb) : 0.0f)),
        kneeSlope(v4::Set1(limiting ? -1.0f : 1.0f / ratio - 1.0f)),
        aboveSlope(v4::Set1(1.0f / ratio)),
        limit(limiting),
        soft(softKnee && kneeDb > 0.0f) {}

  // Envelopes in, levels in dB out. An empty (or NaN) envelope reads the floor, where
  // nothing is taken off.
  static f4 LevelDb(f4 env) {
    using namespace v4;
    return Select(CmpGt(env, Set1(0.0f)), Mul(Log(env), Set1(kDbPerNeper)), Set1(AudioDetector::kFloorDb));
  }

  // Levels in dB in, linear gains out.
  f4 Gain(f4 l) const {
    using namespace v4;
    const f4 d = Sub(l, t);
    // A limit holds the threshold itself, also for an infinite level.
    const f4 above = limit ? t : MulAdd(t, d, aboveSlope);
    f4 out;
    if (soft) {
      const f4 d2 = Add(d, d);
      const f4 h = Add(d, halfW);
      const f4 knee = MulAdd(l, kneeSlope, Mul(Mul(h, h), inv2W));
      out = Select(CmpLt(d2, minusW), l, Select(CmpGe(w, Abs(d2)), knee, above));
    } else {
      out = Select(CmpGe(t, l), l, above);
    }
    return Exp(Mul(Sub(out, l), Set1(kNeperPerDb)));
  }
};

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
  for (int done = 0; done < frames; done += kChunk) {
    const int n = frames - done < kChunk ? frames - done : kChunk;
    const float* const x[2] = {in[0] + done, in[1] + done};
    float* const y[2] = {out[0] + done, out[1] + done};
    ProcessChunk(in[sources_[0]] + done, in[sources_[1]] + done, x, y, n, level);
  }
  PublishMeters(0);
  PublishMeters(1);
}

// Both channels' detectors in two lanes, then the gains of two frames at a time (left and
// right interleaved) from the envelopes, then the outputs and their meters.
void CDynamicProcessor::ProcessChunk(const float* detectLeft, const float* detectRight, const float* const (&x)[2],
                                     float* const (&y)[2], int frames, float level) {
  using namespace v4;
  alignas(16) float env[2 * kChunk + 4];
  alignas(16) float gain[2 * kChunk + 4];
  AudioDetector::TrackPair(detectors_[kInputLeft], detectors_[kInputRight], detectLeft, detectRight, env, frames);
  // Apply gives both computers the same settings.
  const GainComputer& k = computers_[0];
  const GainLanes lanes(k.thresholdDb, k.kneeDb, k.ratio, k.limit != 0, k.softKnee != 0);
  // Two loops, so that each one's constants stay in registers.
  for (int i = 0; i < 2 * frames; i += 4) Store(env + i, GainLanes::LevelDb(Load(env + i)));
  for (int i = 0; i < 2 * frames; i += 4) Store(gain + i, lanes.Gain(Load(env + i)));
  const float makeup = makeup_;
  for (int i = 0; i < frames; ++i) {
    y[0][i] = gain[2 * i] * x[0][i] * level * makeup;
    y[1][i] = gain[2 * i + 1] * x[1][i] * level * makeup;
  }
  AudioDetector::TrackPair(detectors_[kOutputMeter], detectors_[kSpareMeter], y[0], y[1], nullptr, frames);
}

// Only the last frame's meter values can ever be seen by the page; they are worked out
// again through the scalar path, so the page reads what it always did.
void CDynamicProcessor::PublishMeters(int c) {
  float* const meterOut[2] = {&meters_.outputLeft, &meters_.outputRight};
  float* const meterReduction[2] = {&meters_.reductionLeft, &meters_.reductionRight};
  float* const meterIn[2] = {&meters_.inputLeft, &meters_.inputRight};
  const float levelDb = detectors_[c].Level();
  Publish(*meterReduction[c], 1.0f - computers_[c].Gain(levelDb));
  Publish(*meterIn[c], FromDb(levelDb));
  Publish(*meterOut[c], FromDb(detectors_[c == 0 ? kOutputMeter : kSpareMeter].Level()));
}

void CDynamicProcessor::ProcessReference(float** in, float** out, int frames, float level) {
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

void CDynamicProcessor::ClearState() {
  for (AudioDetector& d : detectors_) d.ClearState();
  for (GainComputer& g : computers_) {
    g.lastGainDb = 0.0f;
    g.lastGain = 1.0f;
  }
  meters_ = Meters{};
}
