#include "audio/CJ6Chorus.h"

#include <algorithm>
#include <cmath>

#include "platform/ArmConvert.h"

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

void CJ6Chorus::Process(float** in, float** out, int frames, float /*level*/) {
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
