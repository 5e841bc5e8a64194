#include "audio/CJ6Chorus.h"

#include <algorithm>
#include <cmath>

#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

namespace {

constexpr float kTwoPi = 6.2831853f;
// Above this the lines would take more memory than any audio rate needs.
constexpr float kHighestRate = 1.0e6f;

struct LineStart {
  float lfoValue;
  float cyclesPerSecondTimesFour;  // increment = this / rate
};

// Mode I sweeps at 0.5 Hz, mode II at 0.83 Hz; left and right of a mode start at opposite ends.
constexpr LineStart kLineStarts[CJ6Chorus::kLineCount] = {
    {+1.0f, 2.0f},   // mode I left
    {-1.0f, 2.0f},   // mode I right
    {-1.0f, 3.32f},  // mode II left
    {+1.0f, 3.32f},  // mode II right
};

float TonePole(float c) { return std::exp(-kTwoPi * (c > 0.0f ? c : 0.01f)); }

}  // namespace

namespace chorus {

Line::Line(float sampleRate, float lfoStart, float lfoIncrement)
    : sampleRate_(sampleRate),
      buffer_(std::max<std::size_t>(2u * arm::ToUint32(std::floor(sampleRate * 7.0f * 0.001f)), 4u), 0.0f),
      lowPass_{0.0f, 0.0f, 0.0f},
      lfo_{lfoStart, lfoIncrement, sampleRate, 1.0f} {
  write_ = buffer_.size() - 1;
  longestDelay_ = static_cast<float>(buffer_.size() - 2);
  SetTone(TonePole(0.05f));
}

void Line::SetRateHz(float hz) { lfo_.increment = 4.0f * std::fabs(hz) / lfo_.sampleRate; }

void Line::SetTone(float e) {
  lowPass_.a = 1.0f - e;
  lowPass_.b = e;
}

float Line::Step(float x) {
  if (lfo_.value >= 1.0f) {
    lfo_.direction = -1.0f;
  } else if (lfo_.value <= -1.0f) {
    lfo_.direction = 1.0f;
  }
  lfo_.value += lfo_.direction * lfo_.increment;

  float delay = (0.4f + 0.3f * lfo_.value) * maxDelayMs_ * sampleRate_ * 0.001f;
  // Only a sweep far faster than any rate the pages send overshoots the line.
  delay = delay > 0.0f ? std::min(delay, longestDelay_) : 0.0f;
  const int32_t t = arm::ToInt32(delay);
  const float eta = 1.0f - (delay - static_cast<float>(t));

  const std::ptrdiff_t size = static_cast<std::ptrdiff_t>(buffer_.size());
  const std::ptrdiff_t w = static_cast<std::ptrdiff_t>(write_);
  std::ptrdiff_t nearer = w - t;
  if (nearer < 0) nearer += size;
  std::ptrdiff_t farther = nearer - 1;
  if (farther < 0) farther += size;

  const float y = buffer_[farther] + eta * (buffer_[nearer] - allPassState_);
  allPassState_ = y;
  lowPass_.state = y * lowPass_.a + lowPass_.state * lowPass_.b;
  lastOutput_ = lowPass_.state;

  buffer_[write_] = x;
  if (++write_ == buffer_.size()) write_ = 0;
  return lastOutput_;
}

}  // namespace chorus

CJ6Chorus::CJ6Chorus() : CEffectBase(&params_) {}

void CJ6Chorus::Reset(float sampleRate) {
  if (lines_[0]) return;
  if (!(sampleRate > 0.0f && sampleRate <= kHighestRate)) return;
  for (int i = 0; i < kLineCount; ++i) {
    lines_[i] = std::make_unique<chorus::Line>(sampleRate, kLineStarts[i].lfoValue,
                                               kLineStarts[i].cyclesPerSecondTimesFour / sampleRate);
  }
}

void CJ6Chorus::SetParam(int id, float value) {
  if (!std::isfinite(value)) return;
  const float c = value * 0.01f;
  switch (id) {
    case kParamRateI:
    case kParamRateII: {
      const int first = id == kParamRateI ? kModeILeft : kModeIILeft;
      for (int i = first; i < first + 2; ++i) {
        if (lines_[i]) lines_[i]->SetRateHz(c);
      }
      break;
    }
    case kParamMode: {
      const int32_t mode = arm::ToInt32(value);
      params_.modeIOn = mode != 1;
      params_.modeIIOn = mode != 0;
      break;
    }
    case kParamToneI:
    case kParamToneII: {
      const int first = id == kParamToneI ? kModeILeft : kModeIILeft;
      const float e = TonePole(c);
      for (int i = first; i < first + 2; ++i) {
        if (lines_[i]) lines_[i]->SetTone(e);
      }
      break;
    }
    default:
      break;
  }
}

template <bool kModeI, bool kModeII>
void CJ6Chorus::Run(const float* inL, const float* inR, float* outL, float* outR, int frames) {
  chorus::Line& iL = *lines_[kModeILeft];
  chorus::Line& iR = *lines_[kModeIRight];
  chorus::Line& iiL = *lines_[kModeIILeft];
  chorus::Line& iiR = *lines_[kModeIIRight];
  for (int i = 0; i < frames; ++i) {
    const float xl = inL[i];
    const float xr = inR[i];
    float wetL = 0.0f;
    float wetR = 0.0f;
    if constexpr (kModeI) {
      wetL += iL.Step(xl);
      wetR += iR.Step(xr);
    }
    if constexpr (kModeII) {
      wetL += iiL.Step(xl);
      wetR += iiR.Step(xr);
    }
    outL[i] = xl + wetL;
    outR[i] = xr + wetR;
  }
}

template <bool kModeI, bool kModeII>
void CJ6Chorus::RunLanes(const float* inL, const float* inR, float* outL, float* outR, int frames) {
  // The lanes step their write positions together, so a block is cut where any line wraps.
  const uint32_t size = static_cast<uint32_t>(lines_[0]->buffer_.size());
  while (frames > 0) {
    uint32_t n = static_cast<uint32_t>(frames);
    for (const auto& line : lines_) n = std::min(n, size - static_cast<uint32_t>(line->write_));
    RunLanesSegment<kModeI, kModeII>(inL, inR, outL, outR, static_cast<int>(n));
    inL += n;
    inR += n;
    outL += n;
    outR += n;
    frames -= static_cast<int>(n);
  }
}

// Line::Step's operations in its order, one line per lane; no write position wraps within
// the segment. Lanes of a mode that is off run on but are neither written nor stored back.
template <bool kModeI, bool kModeII>
void CJ6Chorus::RunLanesSegment(const float* inL, const float* inR, float* outL, float* outR, int frames) {
  using namespace v4;
  chorus::Line* l[kLineCount];
  for (int k = 0; k < kLineCount; ++k) l[k] = lines_[k].get();
  auto lanes = [&l](auto field) { return Set(field(*l[0]), field(*l[1]), field(*l[2]), field(*l[3])); };
  f4 value = lanes([](const chorus::Line& x) { return x.lfo_.value; });
  f4 direction = lanes([](const chorus::Line& x) { return x.lfo_.direction; });
  const f4 increment = lanes([](const chorus::Line& x) { return x.lfo_.increment; });
  const f4 maxDelayMs = lanes([](const chorus::Line& x) { return x.maxDelayMs_; });
  const f4 sampleRate = lanes([](const chorus::Line& x) { return x.sampleRate_; });
  const f4 longest = lanes([](const chorus::Line& x) { return x.longestDelay_; });
  const f4 toneA = lanes([](const chorus::Line& x) { return x.lowPass_.a; });
  const f4 toneB = lanes([](const chorus::Line& x) { return x.lowPass_.b; });
  f4 allPass = lanes([](const chorus::Line& x) { return x.allPassState_; });
  f4 lowPass = lanes([](const chorus::Line& x) { return x.lowPass_.state; });
  alignas(16) int32_t start[4];
  for (int k = 0; k < 4; ++k) start[k] = static_cast<int32_t>(l[k]->write_);
  i4 writeI = LoadI(start);
  float* base[4];
  for (int k = 0; k < 4; ++k) base[k] = l[k]->buffer_.data();
  float* written[4];
  for (int k = 0; k < 4; ++k) written[k] = base[k] + start[k];

  const f4 zero = Set1(0.0f), one = Set1(1.0f), minusOne = Set1(-1.0f);
  const i4 sizeI = Set1I(static_cast<int32_t>(l[0]->buffer_.size()));
  const i4 oneI = Set1I(1);
  const f4 centre = Set1(0.4f), swing = Set1(0.3f), perMs = Set1(0.001f);
  alignas(16) int32_t nearer[4], farther[4];
  alignas(16) float nearV[4], farV[4], y[4];
  for (int i = 0; i < frames; ++i) {
    direction = Select(CmpGe(value, one), minusOne, Select(CmpGe(minusOne, value), one, direction));
    value = MulAdd(value, direction, increment);
    f4 delay = Mul(Mul(Mul(MulAdd(centre, swing, value), maxDelayMs), sampleRate), perMs);
    // std::min(delay, longest) is delay unless longest < delay; NaN and below 0 give 0.
    delay = Select(CmpGt(delay, zero), Select(CmpLt(longest, delay), longest, delay), zero);
    const i4 t = ToInt32Sat(delay);
    const f4 whole = FromInt(t);
    const f4 eta = Sub(one, Sub(delay, whole));
    // The integer lanes have no comparison; their values convert exactly.
    const i4 nearI = SubI(writeI, t);
    const i4 nearW = Bits(Select(CmpLt(FromInt(nearI), zero), FromBits(AddI(nearI, sizeI)), FromBits(nearI)));
    const i4 farI = SubI(nearW, oneI);
    const i4 farW = Bits(Select(CmpLt(FromInt(farI), zero), FromBits(AddI(farI, sizeI)), FromBits(farI)));
    StoreI(nearer, nearW);
    StoreI(farther, farW);
    for (int k = 0; k < 4; ++k) {
      nearV[k] = base[k][nearer[k]];
      farV[k] = base[k][farther[k]];
    }
    allPass = MulAdd(Load(farV), eta, Sub(Load(nearV), allPass));
    lowPass = Add(Mul(allPass, toneA), Mul(lowPass, toneB));
    Store(y, lowPass);

    const float xl = inL[i];
    const float xr = inR[i];
    float wetL = 0.0f;
    float wetR = 0.0f;
    if constexpr (kModeI) {
      wetL += y[kModeILeft];
      wetR += y[kModeIRight];
      written[kModeILeft][i] = xl;
      written[kModeIRight][i] = xr;
    }
    if constexpr (kModeII) {
      wetL += y[kModeIILeft];
      wetR += y[kModeIIRight];
      written[kModeIILeft][i] = xl;
      written[kModeIIRight][i] = xr;
    }
    outL[i] = xl + wetL;
    outR[i] = xr + wetR;
    writeI = AddI(writeI, oneI);
  }

  alignas(16) float v[4], d[4], ap[4], lp[4];
  Store(v, value);
  Store(d, direction);
  Store(ap, allPass);
  Store(lp, lowPass);
  for (int k = 0; k < 4; ++k) {
    const bool on = k < kModeIILeft ? kModeI : kModeII;
    if (!on) continue;
    chorus::Line& line = *l[k];
    line.lfo_.value = v[k];
    line.lfo_.direction = d[k];
    line.allPassState_ = ap[k];
    line.lowPass_.state = lp[k];
    line.lastOutput_ = lp[k];
    line.write_ += static_cast<std::size_t>(frames);
    if (line.write_ == line.buffer_.size()) line.write_ = 0;
  }
}

void CJ6Chorus::Process(float** in, float** out, int frames, float level) {
  if (frames <= 0) return;
  if (!lines_[0]) {
    ProcessReference(in, out, frames, level);
    return;
  }
  if (params_.modeIOn && params_.modeIIOn) {
    RunLanes<true, true>(in[0], in[1], out[0], out[1], frames);
  } else if (params_.modeIOn) {
    RunLanes<true, false>(in[0], in[1], out[0], out[1], frames);
  } else if (params_.modeIIOn) {
    RunLanes<false, true>(in[0], in[1], out[0], out[1], frames);
  }
}

void CJ6Chorus::ProcessReference(float** in, float** out, int frames, float /*level*/) {
  if (frames <= 0) return;
  if (!lines_[0]) {
    // Nothing to add before the lines exist: the dry signal passes.
    for (int c = 0; c < 2; ++c) {
      if (out[c] != in[c]) std::copy(in[c], in[c] + frames, out[c]);
    }
    return;
  }
  if (params_.modeIOn && params_.modeIIOn) {
    Run<true, true>(in[0], in[1], out[0], out[1], frames);
  } else if (params_.modeIOn) {
    Run<true, false>(in[0], in[1], out[0], out[1], frames);
  } else if (params_.modeIIOn) {
    Run<false, true>(in[0], in[1], out[0], out[1], frames);
  }
}

void CJ6Chorus::ClearState() {
  for (auto& line : lines_) {
    if (!line) continue;
    std::fill(line->buffer_.begin(), line->buffer_.end(), 0.0f);
    line->lastOutput_ = 0.0f;
    line->lowPass_.state = 0.0f;
    line->allPassState_ = 0.0f;
  }
}
