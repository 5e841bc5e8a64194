#include "engine/ExciterResonatorOsc.h"
#include "engine/ControlSmoother.h"

#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kBrightnessHz = 50.0f;
// Above this share of the sample rate the colour filter stays at its value for 0.499.
constexpr float kMaxColour = 0.499f;
constexpr float kMaxColourG = 3.0069773f;
constexpr float kMaxColourA = 0.07663487f;
constexpr uint32_t kNoiseMultiplier = 196314165u;
constexpr uint32_t kNoiseIncrement = 907633515u;
constexpr float kTwoToMinus31 = 4.656612873077393e-10f;

// Each module gets its own noise sequence, so two oscillators struck together differ.
std::atomic<uint32_t> nextNoiseSeed{0x2545F491u};

}  // namespace

ExciterResonatorOsc::ExciterResonatorOsc()
    : noise_(nextNoiseSeed.fetch_add(0x9E3779B9u, std::memory_order_relaxed)) {
  SetPan(0.0f);
}

void ExciterResonatorOsc::SetBlockSize(int32_t frames) {
  frames_ = frames > 0 ? frames : 0;
  work_.assign(static_cast<size_t>(frames_), 0.0f);
}

void ExciterResonatorOsc::SetSampleRate(int32_t rate) {
  if (rate > 0) sampleRate_ = rate;
}

void ExciterResonatorOsc::Start() {
  start_ = 1;
  colourNormalised_ = colourHz_.load(std::memory_order_relaxed) / static_cast<float>(sampleRate_);
}

void ExciterResonatorOsc::SetPan(float pan) {
  if (!std::isfinite(pan)) return;
  // Beyond the ends the far side would change sign.
  if (pan < -1.0f) pan = -1.0f;
  if (pan > 1.0f) pan = 1.0f;
  pan_.store(pan, std::memory_order_relaxed);
  const float c = bank_.OutputGain();
  if (pan < 0.0f) {
    bank_.SetGains(c, (pan + 1.0f) * c);
  } else {
    bank_.SetGains((1.0f - pan) * c, c);
  }
}

ExciterResonatorOsc::Segment ExciterResonatorOsc::MakeSegment(float seconds, double target) {
  double t = seconds;
  if (!(t >= kMinEnvelopeSeconds)) t = kMinEnvelopeSeconds;
  const double h = std::exp(-std::log((kAttackRatio + 1.0) / kAttackRatio) / (t * kEnvelopeRate));
  return {static_cast<float>(target * (1.0 - h)), static_cast<float>(h)};
}

void ExciterResonatorOsc::SetAttack(float seconds) {
  // An infinite time would hold the burst at silence for ever.
  if (!std::isfinite(seconds)) return;
  const Segment s = MakeSegment(seconds, kAttackRatio + 1.0);
  attackCoefficient_.store(s.coefficient, std::memory_order_relaxed);
  attackOffset_.store(s.offset, std::memory_order_relaxed);
}

void ExciterResonatorOsc::SetDecay(float seconds) {
  if (!std::isfinite(seconds)) return;
  const Segment s = MakeSegment(seconds, 1.0 - kAttackRatio);
  decayCoefficient_.store(s.coefficient, std::memory_order_relaxed);
  decayOffset_.store(s.offset, std::memory_order_relaxed);
}

void ExciterResonatorOsc::SetBrightness(float value) {
  const float hz = value * kBrightnessHz;
  if (std::isnan(hz)) return;
  // A negative frequency would turn the colour filter unstable.
  StoreFinite(colourHz_, hz > 0.0f ? hz : 0.0f);
}

void ExciterResonatorOsc::Process(float* outLeft, float* outRight, float frequency) {
  const int32_t n = frames_;
  float* work = work_.data();

  if (start_ != 0) {
    const float b = colourNormalised_;
    if (b >= kMaxColour) {
      g_ = kMaxColourG;
      a_ = kMaxColourA;
    } else {
      g_ = (kPi + 11.583945f * b * b) * b;
      a_ = 1.0f / (1.0f + g_ + g_ * g_);
    }
    state_ = kStart;
    start_ = 0;
    k_ = 1.0f;
  }

  // Burst: noise under the envelope; the click copies the envelope's first ten levels.
  const float attackOffset = attackOffset_.load(std::memory_order_relaxed);
  const float attackCoefficient = attackCoefficient_.load(std::memory_order_relaxed);
  const float decayOffset = decayOffset_.load(std::memory_order_relaxed);
  const float decayCoefficient = decayCoefficient_.load(std::memory_order_relaxed);
  float level = level_;
  int32_t state = state_;
  uint32_t noise = noise_;
  float click[kClickLength];
  for (int32_t i = 0; i < n; ++i) {
    switch (state) {
      case kStart:
        level = 0.0f;
        clickLength_ = kClickLength;
        state = kAttack;
        [[fallthrough]];
      case kAttack:
        level = attackOffset + level * attackCoefficient;
        if (level > 1.0f) {
          level = 1.0f;
          state = kDecay;
        }
        break;
      case kDecay:
        level = decayOffset + level * decayCoefficient;
        if (level < 0.0f) {
          level = 0.0f;
          state = kIdle;
        }
        break;
      default:
        level = 0.0f;
        break;
    }
    noise = noise * kNoiseMultiplier + kNoiseIncrement;
    // Centred on zero: an offset would strike every partial with a step at the burst's
    // edges and leave a bias under the whole burst.
    work[i] = (static_cast<float>(noise) * kTwoToMinus31 - 1.0f) * level;
    if (i < kClickLength) click[i] = i < kClickLength / 2 ? level : -level;
  }
  level_ = level;
  state_ = state;
  noise_ = noise;

  // Colour: state-variable low-pass in place.
  {
    const float g = g_;
    const float k = k_;
    const float a = a_;
    float ic1 = ic1_;
    float ic2 = ic2_;
    for (int32_t i = 0; i < n; ++i) {
      const float q1 = (work[i] - k * ic1 - g * ic1 - ic2) * a * g;
      const float bp = ic1 + q1;
      const float q2 = g * bp;
      const float lp = ic2 + q2;
      work[i] = lp;
      ic1 = bp + q1;
      ic2 = lp + q2;
    }
    ic1_ = ic1;
    ic2_ = ic2;
  }

  if (clickLength_ > 0) {
    // A block shorter than the click cuts it short: only the entries written above exist.
    int32_t length = clickLength_ < kClickLength ? clickLength_ : kClickLength;
    if (length > n) length = n;
    for (int32_t i = 0; i < length; ++i) work[i] = click[i];
    clickLength_ = 0;
  }

  for (int32_t i = 0; i < n; ++i) {
    outLeft[i] = 0.0f;
    outRight[i] = 0.0f;
  }
  bank_.SetBaseFrequency(frequency / static_cast<float>(sampleRate_));
  bank_.Process(work, outLeft, outRight, n);
}
