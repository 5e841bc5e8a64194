#include "engine/ResonatorOsc.h"

#include <array>
#include <cmath>

#include "platform/ArmConvert.h"
#include "engine/ControlSmoother.h"

namespace {

constexpr float kPi = 3.14159265f;

// Partials at or above half the sample rate are muted; the editor draws them at most at
// 0.99 of the rate.
constexpr float kNyquist = 0.5f;
constexpr float kMaxPartialFrequency = 0.99f;
constexpr float kDisplayDampingScale = 5e-6f;
constexpr float kInputScale = 0.125f;  // 32 modes share one input

const std::array<float, ResonatorOsc::kDampingTableSize> kDampingTable = [] {
  std::array<float, ResonatorOsc::kDampingTableSize> t{};
  for (int i = 0; i < ResonatorOsc::kDampingTableSize; ++i) {
    t[i] = static_cast<float>(std::pow(10.0, i / 64.0));
  }
  return t;
}();

// Approximates 2 cos(2 pi e) by two parabolas; exact at the quarter turns.
inline float CosineTurn(float e) {
  float f = e - 0.25f;
  float s;
  if (f < 0.0f) {
    f = -f;
    s = 16.0f;
  } else if (f > 0.5f) {
    f = f - 0.5f;
    s = 16.0f;
  } else {
    s = -16.0f;
  }
  return s * f * (1.0f - 2.0f * f);
}

// The sounding modes copied out of the object for the block, so that the sample loop keeps
// them apart from the output buffers.
struct ModeBlock {
  float g[ResonatorOsc::kMaxSounding];
  float k[ResonatorOsc::kMaxSounding];
  float a[ResonatorOsc::kMaxSounding];
  float ic1[ResonatorOsc::kMaxSounding];
  float ic2[ResonatorOsc::kMaxSounding];

  // One trapezoidal state-variable step of mode m; returns the band-pass output.
  float BandPass(int32_t m, float x) {
    const float q1 = (x - k[m] * ic1[m] - g[m] * ic1[m] - ic2[m]) * a[m] * g[m];
    const float bp = ic1[m] + q1;
    ic1[m] = q1 + bp;
    ic2[m] = ic2[m] + 2.0f * g[m] * bp;
    return bp;
  }
};

// Weights c(m) + 0.5 with c(m) = 0.5 cos(2 pi e m) by the Chebyshev recursion
// c(m+1) = o c(m) - c(m-1), c(0) = 0.5, c(-1) = o / 4.
inline void CosineWeights(float o, int32_t count, float* weights) {
  float previous = o * 0.25f;
  float c = 0.5f;
  for (int32_t m = 0; m < count; ++m) {
    weights[m] = c + 0.5f;
    const float next = o * c - previous;
    previous = c;
    c = next;
  }
}

// A parameter written from another thread; a non-finite value keeps the previous one.
}  // namespace

ResonatorOsc::ResonatorOsc() { ResetModes(); }

void ResonatorOsc::Weights(int32_t mode, float timbre, int32_t count, float* weights) {
  if (count > kMaxPartials) count = kMaxPartials;
  if (mode == kCosineComb) {
    CosineWeights(CosineTurn(timbre), count, weights);
    return;
  }
  int32_t every = 1;
  if (mode == kEveryNth) {
    every = arm::ToInt32(1.0f + 32.0f * timbre);
    if (every < 1) every = 1;  // a negative or NaN timbre keeps every partial
  }
  for (int32_t m = 0; m < count; ++m) {
    switch (mode) {
      case kOddDamped: weights[m] = (m & 1) == 0 ? 1.0f - timbre : 1.0f; break;
      case kAllDamped: weights[m] = 1.0f - timbre; break;
      case kEveryNth: weights[m] = (m + 1) % every == 0 ? 1.0f : 0.0f; break;
      default: weights[m] = 1.0f; break;
    }
  }
}

void ResonatorOsc::SetBaseFrequency(float normalised) { StoreFinite(base_, normalised); }
void ResonatorOsc::SetSkew(float skew) { StoreFinite(skew_, skew); }
void ResonatorOsc::SetTimbre(float timbre) {
  // Outside 0..1 the parabolic cosine leaves -2..2 and the weight recursion grows without
  // bound.
  if (!std::isfinite(timbre)) return;
  timbreTarget_.store(timbre < 0.0f ? 0.0f : (timbre > 1.0f ? 1.0f : timbre), std::memory_order_relaxed);
}
void ResonatorOsc::SetDamping(float damping) { StoreFinite(damping_, damping); }
void ResonatorOsc::SetStretch(float stretch) { StoreFinite(stretch_, stretch); }

void ResonatorOsc::SetGains(float left, float right) {
  StoreFinite(gainLeft_, left);
  StoreFinite(gainRight_, right);
}

void ResonatorOsc::ResetModes() {
  for (Mode& m : modes_) m = kStartMode;
}

float ResonatorOsc::DampingScale(float damping) {
  // Damping comes from stored presets: hold it to the table (NaN reads the first entry).
  float pos = damping * 256.0f;
  if (!(pos > 0.0f)) pos = 0.0f;
  if (pos > 256.0f) pos = 256.0f;
  const int32_t i = arm::ToInt32(pos);
  if (i >= kDampingTableSize - 1) return 500.0f * kDampingTable[kDampingTableSize - 1];
  const float frac = pos - static_cast<float>(i);
  return 500.0f * (kDampingTable[i] + (kDampingTable[i + 1] - kDampingTable[i]) * frac);
}

int32_t ResonatorOsc::UpdateModes() {
  const int32_t number = partials_.load(std::memory_order_relaxed);
  const float base = base_.load(std::memory_order_relaxed);
  const float skew = skew_.load(std::memory_order_relaxed);
  const float stretch = stretch_.load(std::memory_order_relaxed);
  int32_t active = 0;
  if (number > 0) {
    float r = (1.0f - skew) * (1.0f - skew);
    const float r2 = r * r;
    r = (1.0f - 0.2f * r2 * r2) * tone_;
    float v = 0.15f + 0.85f * (2.0f - r) * r;
    float w = DampingScale(damping_.load(std::memory_order_relaxed));
    const float lean = 0.1f * (2.0f - skew) * skew;
    const int32_t count = number < kMaxPartials ? number : kMaxPartials;
    for (int32_t t = 0; t < count; ++t) {
      float b = static_cast<float>(t + 1) * base * (1.0f + static_cast<float>(t) * stretch);
      float g = 0.0f;
      float g2 = 0.0f;
      Mode& m = modes_[t];
      if (b > 0.0f) {
        active = t + 1;
        if (b >= kMaxPartialFrequency) b = kMaxPartialFrequency;
        if (b < kNyquist) {
          const float bb = b * b;
          g = (kPi + bb * (10.108047f + 55.787388f * bb)) * b;
          g2 = g * g;
        } else {
          // Above the audio band the mode would ring just below Nyquist: it stays silent (g = 0)
          // and lets go of what it held, which would otherwise stand as an offset.
          m.ic1 = 0.0f;
          m.ic2 = 0.0f;
        }
      }
      // A partial at or below 0 Hz (g = 0) stays silent; its damping is taken at 0 Hz so that
      // no B w of -1 can make k infinite and turn the silent mode into NaN.
      const float bk = b > 0.0f ? b : 0.0f;
      m.k = 1.0f / (1.0f + bk * w);
      m.g = g;
      m.a = 1.0f / (1.0f + m.k * g + g2);
      display_[t] = {b, w * kDisplayDampingScale};
      v = v + lean * (1.0f - v);
      w = w * v;
    }
  }
  active_ = active;
  return active;
}

template <bool kCosine>
int32_t ResonatorOsc::Run(const float* input, float* outLeft, float* outRight, int32_t n,
                          int32_t pairs, const float* weights) {
  const int32_t partials = 2 * pairs;
  ModeBlock modes;
  for (int32_t m = 0; m < partials; ++m) {
    modes.g[m] = modes_[m].g;
    modes.k[m] = modes_[m].k;
    modes.a[m] = modes_[m].a;
    modes.ic1[m] = modes_[m].ic1;
    modes.ic2[m] = modes_[m].ic2;
  }
  const float gainLeft = gainLeft_.load(std::memory_order_relaxed);
  const float gainRight = gainRight_.load(std::memory_order_relaxed);
  const float target = timbreTarget_.load(std::memory_order_relaxed);
  const float step = (target - timbre_) / static_cast<float>(n);
  float e = timbre_;
  int32_t done = n;
  for (int32_t i = 0; i < n; ++i) {
    e += step;
    const float x = input[i] * kInputScale;
    float left = 0.0f;
    float right = 0.0f;
    if constexpr (kCosine) {
      const float o = CosineTurn(e);
      float previous = o * 0.25f;
      float c = 0.5f;
      for (int32_t m = 0; m < partials; m += 2) {
        left += modes.BandPass(m, x) * (c + 0.5f);
        float next = o * c - previous;
        previous = c;
        c = next;
        right += modes.BandPass(m + 1, x) * (c + 0.5f);
        next = o * c - previous;
        previous = c;
        c = next;
      }
    } else {
      for (int32_t m = 0; m < partials; m += 2) {
        left += modes.BandPass(m, x) * weights[m];
        right += modes.BandPass(m + 1, x) * weights[m + 1];
      }
    }
    if (!std::isfinite(left) || !std::isfinite(right)) {
      done = i;
      break;
    }
    outLeft[i] += left * gainLeft;
    outRight[i] += right * gainRight;
  }
  timbre_ = e;
  if (done < n) {
    // The rest of the block stays as it is. The states are cleared, or the poisoned modes
    // would silence every later note of this voice.
    for (Mode& m : modes_) {
      m.ic1 = 0.0f;
      m.ic2 = 0.0f;
    }
    return done;
  }
  for (int32_t m = 0; m < partials; ++m) {
    modes_[m].ic1 = modes.ic1[m];
    modes_[m].ic2 = modes.ic2[m];
  }
  return n;
}

int32_t ResonatorOsc::Process(const float* input, float* outLeft, float* outRight, int32_t n) {
  const int32_t active = UpdateModes();
  if (n <= 0) return 0;
  // Pair j (partials 2j, 2j + 1) rings while active / 2 > 2 j: at most eight pairs.
  const int32_t pairs = active > 1 ? (active / 2 + 1) / 2 : 0;
  const float target = timbreTarget_.load(std::memory_order_relaxed);
  if (pairs == 0) {
    timbre_ = target;
    return n;
  }
  const int32_t mode = weighting_.load(std::memory_order_relaxed);
  float weights[kMaxSounding];
  if (mode == kCosineComb) {
    // A timbre that glides changes the weights every sample. Once the glide's step no longer
    // moves it (the glide ends a rounding error away from its target), once a block.
    const float step = (target - timbre_) / static_cast<float>(n);
    if (timbre_ + step != timbre_) return Run<true>(input, outLeft, outRight, n, pairs, nullptr);
    Weights(kCosineComb, timbre_, 2 * pairs, weights);
    return Run<false>(input, outLeft, outRight, n, pairs, weights);
  }
  Weights(mode, target, 2 * pairs, weights);
  return Run<false>(input, outLeft, outRight, n, pairs, weights);
}
