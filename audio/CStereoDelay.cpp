#include "audio/CStereoDelay.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>

#include "audio/ParamRange.h"
#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

namespace {

// Tempo-synchronised note values, as multiples of a quarter note. The dotted sixty-fourth is
// its true length (3/32 of a quarter, 1.5 x the sixty-fourth like every dotted row), not ten
// times it, and the triplet quarter 2/3 of a quarter, not 0.6.
struct SyncNote {
  int32_t index;
  const char* name;
  float factor;
};

constexpr SyncNote kSyncNotes[] = {
    {1, "1/1", 4.0f},
    {2, "1/1T", 2.664f},
    {3, "1/2", 2.0f},
    {4, "1/2T", 1.33332f},
    {5, "1/2D", 3.0f},
    {6, "1/4", 1.0f},
    {7, "1/4T", 0.6666667f},
    {8, "1/4D", 1.5f},
    {9, "1/8", 0.5f},
    {10, "1/8T", 0.333333f},
    {11, "1/8D", 0.75f},
    {12, "1/16", 0.25f},
    {13, "1/16T", 0.1666666f},
    {14, "1/16D", 0.375f},
    {15, "1/32", 0.125f},
    {16, "1/32T", 0.08333333f},
    {17, "1/32D", 0.1875f},
    {18, "1/64", 0.0625f},
    {19, "1/64T", 0.041666664f},
    {20, "1/64D", 0.09375f},
};
constexpr int32_t kNumSyncNotes = static_cast<int32_t>(sizeof kSyncNotes / sizeof kSyncNotes[0]);
static_assert(kNumSyncNotes == 20);

// Indexes outside the table (above 20, and negative ones a stored file might carry) sync to
// a quarter note.
float SyncFactor(int32_t index) {
  if (index < 1 || index > kNumSyncNotes) return 1.0f;
  return kSyncNotes[index - 1].factor;
}

constexpr CStereoDelay::Params kDefaultParams = {
    CStereoDelay::kPingPong,  // algorithm
    0.0f,                     // wet dB
    0.0f,                     // dry dB
    50.0f,                    // feedback %
    CStereoDelay::kRatio,     // delay mode
    250.0f,                   // left ms
    250.0f,                   // right ms
    50.0f,                    // ratio %
};

// The lines never grow past this many samples (2.6 s at about 800 kHz), whatever rate a
// caller passes.
constexpr int32_t kMaxLineSize = 1 << 21;

// NaN counts as the lower bound: a NaN delay or feedback would otherwise enter the lines and
// stay there.
float ClampOrLow(float v, float lo, float hi) {
  if (!(v > lo)) return lo;
  return v < hi ? v : hi;
}

float DbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

int32_t NextPowerOfTwo(int32_t n) {
  int32_t size = 1;
  while (size < n && size < kMaxLineSize) size <<= 1;
  return size;
}

}  // namespace

void CStereoDelay::Line::Size(int32_t length) {
  const int32_t wanted = NextPowerOfTwo(length);
  if (wanted > capacity) {
    buffer = std::make_unique<float[]>(static_cast<std::size_t>(wanted));
    capacity = wanted;
  }
  size = wanted;
  mask = wanted - 1;
  writeIndex = 0;
  interpolate = true;
  Clear();
}

void CStereoDelay::Line::Clear() { std::fill(buffer.get(), buffer.get() + size, 0.0f); }

float CStereoDelay::Line::Read(float delay) const {
  // Apply keeps the lengths within 0 .. size - 2, so the conversion is in range.
  const int32_t whole = static_cast<int32_t>(delay);
  const float y1 = buffer[(writeIndex - 1 - whole) & mask];
  if (!interpolate) return y1;
  const float y2 = buffer[(writeIndex - 2 - whole) & mask];
  const float f = delay - static_cast<float>(whole);
  return f >= 1.0f ? y2 : y2 * f + (1.0f - f) * y1;
}

CStereoDelay::CStereoDelay() : CEffectBase(&params_) { Reset(kDefaultSampleRate); }

void CStereoDelay::Reset(float sampleRate) {
  sampleRate_ = sampleRate;
  maxDelayMs_ = kMaxDelayMs;
  samplesPerMs_ = sampleRate / 1000.0f;
  bufferLength_ = std::clamp(arm::ToInt32(maxDelayMs_ * samplesPerMs_), 0, kMaxLineSize - 1) + 1;
  left_.Size(bufferLength_);
  right_.Size(bufferLength_);

  params_ = kDefaultParams;
  syncIndex_ = 0;
  Apply();
  // A fresh effect starts at its lengths instead of sweeping up from zero.
  currentLeft_ = targetLeft_;
  currentRight_ = targetRight_;

  // Fresh filters: coefficients zero (a silent feedback path) until ids 6 and 7 design them,
  // and a design for the new rate on the first cutoff that arrives, even an unchanged one.
  AudioFilter* const filters[] = {&lowPassLeft_, &lowPassRight_, &highPassLeft_, &highPassRight_};
  for (AudioFilter* f : filters) {
    *f = AudioFilter();
    f->Reset(sampleRate);
  }
}

float CStereoDelay::ClampDelaySamples(float samples) const {
  return ClampOrLow(samples, 0.0f, static_cast<float>(std::max(left_.size - 2, 0)));
}

void CStereoDelay::Apply() {
  wetGain_ = DbToGain(params_.wetDb);
  dryGain_ = DbToGain(params_.dryDb);
  feedbackGain_ = params_.feedbackPercent / 100.0f;
  if (params_.delayMode == kRatio) {
    const float left = params_.leftMs * samplesPerMs_;
    targetLeft_ = ClampDelaySamples(left);
    targetRight_ = ClampDelaySamples(left * ClampOrLow(params_.ratioPercent / 100.0f, 0.0f, 1.0f));
  } else {
    targetLeft_ = ClampDelaySamples(params_.leftMs * samplesPerMs_);
    targetRight_ = ClampDelaySamples(params_.rightMs * samplesPerMs_);
  }
}

void CStereoDelay::SetParam(int id, float value) {
  // A corrupt preset or a runaway controller must not reach the signal path.
  if (!std::isfinite(value)) return;
  switch (id) {
    case 0:
      switch (arm::ToInt32(value)) {
        case 0:
          params_.algorithm = kNormal;
          params_.delayMode = kSeparate;
          break;
        case 1:
          params_.algorithm = kPingPong;
          params_.delayMode = kRatio;
          break;
        default:
          break;
      }
      Apply();
      break;
    case 1:
      params_.leftMs = params_.rightMs = ClampOrLow(value * 1000.0f, 0.0f, maxDelayMs_);
      Apply();
      break;
    case 2:
      // Beyond 100 % the loop would grow without bound and fill the lines with inf.
      params_.feedbackPercent = std::isnan(value) ? 0.0f : std::clamp(value, -100.0f, 100.0f);
      Apply();
      break;
    case 3:
      params_.ratioPercent = param_range::Percent(value);
      Apply();
      break;
    case 4:
      params_.wetDb = param_range::LevelDb(value);
      Apply();
      break;
    case 5:
      params_.dryDb = param_range::LevelDb(value);
      Apply();
      break;
    case 6:
      highPassLeft_.SetParameters(AudioFilter::kHighPass2, value, highPassLeft_.Q(), highPassLeft_.BoostCutDb());
      highPassRight_.SetParameters(AudioFilter::kHighPass2, value, highPassRight_.Q(), highPassRight_.BoostCutDb());
      break;
    case 7:
      lowPassLeft_.SetParameters(AudioFilter::kLowPass2, value, lowPassLeft_.Q(), lowPassLeft_.BoostCutDb());
      lowPassRight_.SetParameters(AudioFilter::kLowPass2, value, lowPassRight_.Q(), lowPassRight_.BoostCutDb());
      break;
    case 8:
      syncIndex_ = arm::ToInt32(value);
      break;
    case 9: {
      left_.Clear();
      right_.Clear();
      // The filters' state is the start of the next repeat: left in, it would come back as a
      // click one delay after the clear.
      AudioFilter* const filters[] = {&lowPassLeft_, &lowPassRight_, &highPassLeft_, &highPassRight_};
      for (AudioFilter* f : filters) f->Reset(sampleRate_);
      break;
    }
    default:
      break;
  }
}

void CStereoDelay::OnMidi(const PartMidiMessage* /*message*/) {}

void CStereoDelay::OnClock(unsigned tick, float bpm) {
  if (syncIndex_ == 0 || tick % 12 != 0) return;
  if (!(bpm > 0.0f)) return;  // no tempo yet: keep the delay
  const float quarterMs = 60.0f / bpm * 1000.0f;
  const float delayMs = std::min(quarterMs * SyncFactor(syncIndex_), kMaxSyncDelayMs);
  params_.leftMs = params_.rightMs = delayMs;
  Apply();
}

void CStereoDelay::Process(float** in, float** out, int frames, float level) {
  if (params_.algorithm > 1 || frames < 1) return;
  const bool done = params_.algorithm == kPingPong ? RunLanes<true>(out[0], out[1], in[0], in[1], frames, level)
                                                   : RunLanes<false>(out[0], out[1], in[0], in[1], frames, level);
  if (!done) ProcessReference(in, out, frames, level);
}

void CStereoDelay::ProcessReference(float** in, float** out, int frames, float level) {
  if (params_.algorithm > 1 || frames < 1) return;
  if (params_.algorithm == kPingPong)
    Run<true>(out[0], out[1], in[0], in[1], frames, level);
  else
    Run<false>(out[0], out[1], in[0], in[1], frames, level);
}

template <bool kSwapInputs>
void CStereoDelay::Run(float* outL, float* outR, const float* inL, const float* inR, int frames, float level) {
  float currentLeft = currentLeft_;
  float currentRight = currentRight_;
  const float targetLeft = targetLeft_;
  const float targetRight = targetRight_;
  const float feedback = feedbackGain_;
  const float wet = wetGain_;
  const float dry = dryGain_;
  for (int i = 0; i < frames; ++i) {
    // Half a sample per frame: a length change is heard as a short, gentle pitch bend rather
    // than a click. A target less than half a sample above the length is not reached.
    if (currentLeft < targetLeft) currentLeft += 0.5f;
    if (currentLeft > targetLeft) currentLeft -= 0.5f;
    if (currentRight < targetRight) currentRight += 0.5f;
    if (currentRight > targetRight) currentRight -= 0.5f;

    const float yL = left_.Read(currentLeft);
    const float yR = right_.Read(currentRight);
    const float fbL = highPassLeft_.ProcessSample(lowPassLeft_.ProcessSample(feedback * yL));
    const float fbR = highPassRight_.ProcessSample(lowPassRight_.ProcessSample(feedback * yR));

    const float xL = inL[i];
    const float xR = inR[i];
    if constexpr (kSwapInputs) {
      left_.Write(xR + fbR);
      right_.Write(xL + fbL);
    } else {
      left_.Write(xL + fbL);
      right_.Write(xR + fbR);
    }
    outL[i] = (wet * yL + dry * xL) * level;
    outR[i] = (wet * yR + dry * xR) * level;
  }
  currentLeft_ = currentLeft;
  currentRight_ = currentRight;
}

namespace {

// One transposed canonical section and the filter's dry/wet mix, in lanes, in the order of
// Biquad::ProcessSample and AudioFilter::ProcessSample.
struct FilterLanes {
  v4::f4 a0, a1, a2, b1, b2, c0, d0, s0, s1;

  FilterLanes(const AudioFilter& left, const AudioFilter& right) {
    auto pair = [&](auto value) { return v4::Set(value(left), value(right), 0.0f, 0.0f); };
    a0 = pair([](const AudioFilter& f) { return f.Coefficient(Biquad::kA0); });
    a1 = pair([](const AudioFilter& f) { return f.Coefficient(Biquad::kA1); });
    a2 = pair([](const AudioFilter& f) { return f.Coefficient(Biquad::kA2); });
    b1 = pair([](const AudioFilter& f) { return f.Coefficient(Biquad::kB1); });
    b2 = pair([](const AudioFilter& f) { return f.Coefficient(Biquad::kB2); });
    c0 = pair([](const AudioFilter& f) { return f.Coefficient(Biquad::kC0); });
    d0 = pair([](const AudioFilter& f) { return f.Coefficient(Biquad::kD0); });
    s0 = pair([](const AudioFilter& f) { return f.Section().State()[0]; });
    s1 = pair([](const AudioFilter& f) { return f.Section().State()[1]; });
  }

  v4::f4 Step(v4::f4 x) {
    using namespace v4;
    f4 y = MulAdd(s0, a0, x);
#if SIMD4_SSE2
    // Subnormal results become 0, as in the section's own step (a zero's sign aside); NEON
    // arithmetic has flushed them already.
    y = Select(CmpLt(Abs(y), Set1(FLT_MIN)), Set1(0.0f), y);
#endif
    s0 = Add(Sub(Mul(a1, x), Mul(b1, y)), s1);
    s1 = Sub(Mul(a2, x), Mul(b2, y));
    return Add(Mul(d0, x), Mul(c0, y));
  }

  void StoreState(AudioFilter& left, AudioFilter& right) const {
    float* l = left.MutableSection().MutableState();
    float* r = right.MutableSection().MutableState();
    l[0] = v4::Lane(s0, 0);
    r[0] = v4::Lane(s0, 1);
    l[1] = v4::Lane(s1, 0);
    r[1] = v4::Lane(s1, 1);
  }
};

// Half a sample toward the target, then back if that went past: the glide of Run.
float Glide(float current, float target) {
  if (current < target) current += 0.5f;
  if (current > target) current -= 0.5f;
  return current;
}

}  // namespace

template <bool kSwapInputs>
bool CStereoDelay::RunLanes(float* outL, float* outR, const float* inL, const float* inR, int frames, float level) {
  for (const AudioFilter* f : {&lowPassLeft_, &lowPassRight_, &highPassLeft_, &highPassRight_})
    if (f->Section().GetRealisation() != Biquad::kTransposedCanonical) return false;
  if (!left_.interpolate || !right_.interpolate) return false;
  using namespace v4;
  FilterLanes lowPass(lowPassLeft_, lowPassRight_);
  FilterLanes highPass(highPassLeft_, highPassRight_);
  const f4 half = Set1(0.5f), one = Set1(1.0f);
  const f4 feedback = Set1(feedbackGain_), wet = Set1(wetGain_), dry = Set1(dryGain_), gain = Set1(level);
  float* const bufL = left_.buffer.get();
  float* const bufR = right_.buffer.get();
  const int32_t maskL = left_.mask, maskR = right_.mask;
  int32_t wl = left_.writeIndex, wr = right_.writeIndex;
  int i = 0;

  // Lengths that stay where they are and reach back at least four frames: the four reads
  // of a group come before its four writes, and the group's reads and mixes run four
  // frames to a lane; only the feedback filters go frame by frame.
  const int32_t wholeL = static_cast<int32_t>(currentLeft_), wholeR = static_cast<int32_t>(currentRight_);
  const float fracL = currentLeft_ - static_cast<float>(wholeL), fracR = currentRight_ - static_cast<float>(wholeR);
  const bool steady = Glide(currentLeft_, targetLeft_) == currentLeft_ && Glide(currentRight_, targetRight_) == currentRight_ &&
                      wholeL >= 3 && wholeR >= 3 && fracL < 1.0f && fracR < 1.0f;
  if (steady) {
    const f4 fL = Set1(fracL), fR = Set1(fracR);
    const f4 restL = Sub(one, fL), restR = Sub(one, fR);
    auto taps = [](const float* buf, int32_t mask, int32_t at) {
      if (at <= mask - 3) return Load(buf + at);
      return Set(buf[at], buf[(at + 1) & mask], buf[(at + 2) & mask], buf[(at + 3) & mask]);
    };
    alignas(16) float sendL[4], sendR[4], dryL[4], dryR[4], returned[4][4];
    for (; i + 4 <= frames; i += 4) {
      const f4 readL = Add(Mul(taps(bufL, maskL, (wl - 2 - wholeL) & maskL), fL),
                           Mul(restL, taps(bufL, maskL, (wl - 1 - wholeL) & maskL)));
      const f4 readR = Add(Mul(taps(bufR, maskR, (wr - 2 - wholeR) & maskR), fR),
                           Mul(restR, taps(bufR, maskR, (wr - 1 - wholeR) & maskR)));
      Store(sendL, Mul(feedback, readL));
      Store(sendR, Mul(feedback, readR));
      const f4 xL = Load(inL + i), xR = Load(inR + i);
      Store(dryL, xL);
      Store(dryR, xR);
      Store(outL + i, Mul(Add(Mul(wet, readL), Mul(dry, xL)), gain));
      Store(outR + i, Mul(Add(Mul(wet, readR), Mul(dry, xR)), gain));
      for (int k = 0; k < 4; ++k) Store(returned[k], highPass.Step(lowPass.Step(Set(sendL[k], sendR[k], 0.0f, 0.0f))));
      for (int k = 0; k < 4; ++k) {
        if constexpr (kSwapInputs) {
          bufL[(wl + k) & maskL] = dryR[k] + returned[k][1];
          bufR[(wr + k) & maskR] = dryL[k] + returned[k][0];
        } else {
          bufL[(wl + k) & maskL] = dryL[k] + returned[k][0];
          bufR[(wr + k) & maskR] = dryR[k] + returned[k][1];
        }
      }
      wl = (wl + 4) & maskL;
      wr = (wr + 4) & maskR;
    }
  }

  const f4 target = Set(targetLeft_, targetRight_, 0.0f, 0.0f);
  f4 current = Set(currentLeft_, currentRight_, 0.0f, 0.0f);
  alignas(16) int32_t whole[4];
  alignas(16) float written[4], y[4];
  for (; i < frames; ++i) {
    current = Select(CmpLt(current, target), Add(current, half), current);
    current = Select(CmpGt(current, target), Sub(current, half), current);
    const i4 d = ToInt32Sat(current);
    const f4 f = Sub(current, FromInt(d));
    StoreI(whole, d);
    const f4 y1 = Set(bufL[(wl - 1 - whole[0]) & maskL], bufR[(wr - 1 - whole[1]) & maskR], 0.0f, 0.0f);
    const f4 y2 = Set(bufL[(wl - 2 - whole[0]) & maskL], bufR[(wr - 2 - whole[1]) & maskR], 0.0f, 0.0f);
    const f4 read = Select(CmpGe(f, one), y2, Add(Mul(y2, f), Mul(Sub(one, f), y1)));
    const f4 fb = highPass.Step(lowPass.Step(Mul(feedback, read)));
    const f4 x = Set(inL[i], inR[i], 0.0f, 0.0f);
    Store(written, Add(x, fb));
    if constexpr (kSwapInputs) {
      bufL[wl] = written[1];
      bufR[wr] = written[0];
    } else {
      bufL[wl] = written[0];
      bufR[wr] = written[1];
    }
    wl = (wl + 1) & maskL;
    wr = (wr + 1) & maskR;
    Store(y, Mul(Add(Mul(wet, read), Mul(dry, x)), gain));
    outL[i] = y[0];
    outR[i] = y[1];
  }
  left_.writeIndex = wl;
  right_.writeIndex = wr;
  currentLeft_ = Lane(current, 0);
  currentRight_ = Lane(current, 1);
  lowPass.StoreState(lowPassLeft_, lowPassRight_);
  highPass.StoreState(highPassLeft_, highPassRight_);
  return true;
}

void CStereoDelay::ClearState() {
  left_.Clear();
  right_.Clear();
  for (AudioFilter* f : {&lowPassLeft_, &lowPassRight_, &highPassLeft_, &highPassRight_}) f->ClearState();
}
