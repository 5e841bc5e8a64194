#include "engine/SpectralWaveOsc.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "data/WaveTable.h"
#include "numeric/FftProcessor.h"
#include "engine/Unison.h"
#include "platform/ArmConvert.h"
#include "platform/Simd4.h"
#include "engine/ControlSmoother.h"

namespace {

constexpr int32_t kLastVariant = WaveTable::kVariants - 1;

inline bool Finite(float v) { return std::isfinite(v); }

// v limited to lo..hi; NaN gives lo.
inline float Limit(float v, float lo, float hi) {
  if (!(v >= lo)) return lo;
  return v > hi ? hi : v;
}

inline ne10_fft_cpx_float32_t Scaled(ne10_fft_cpx_float32_t c, float g) { return {c.r * g, c.i * g}; }

// Magnitude times unit phasor of bin j.
inline ne10_fft_cpx_float32_t Polar(const WaveVariant& v, int32_t j) { return Scaled(v.phasors[j], v.magnitudes[j]); }

// The bin interpolation weight; the constant is added in double precision.
inline double BinWeight(float t) { return static_cast<double>(0.4892f * t * t - 0.4969f * t) + 0.9935; }

// The variant scan's slope of bin j, log2(j) / log2(h0): an analysed variant has
// WaveTable::kSize bins, so h0, its harmonic count, is always kSize / 2. Four more (zero) for
// the last group of four bins.
struct ScanSlope {
  alignas(16) float v[SpectralWaveOsc::kTableLength + 4] = {};
  ScanSlope() {
    const double logH0 = std::log2(static_cast<double>(WaveTable::kSize / 2));
    for (int32_t j = 1; j < SpectralWaveOsc::kTableLength; ++j)
      v[j] = static_cast<float>(std::log2(static_cast<double>(j)) / logH0);
  }
};
const ScanSlope kScanSlope;

}  // namespace

SpectralWaveOsc::SpectralWaveOsc()
    : morph_(&morphTarget_, 0.1f),
      phase_(&phaseTarget_, 0.026f),
      position_(&positionTarget_, 0.026f),
      spread_(&spreadTarget_, 0.026f),
      pan_(&panTarget_, 0.026f) {
  for (int32_t i = 0; i < kInputCount; ++i) inputs_[i] = &zero_[i];
  for (int32_t i = 0; i < kMaxUnison; ++i) {
    tableIndex_[i].store(0);
    newTable_[i].store(0);
  }
  display_.store(next_[0]);
  // One voice's routing while the count stays 2: until the voice sets the unison mode the
  // second copy runs silently.
  SetUnison(1, 1.0f);
  ApplyPending();
  SetGainRows(1);
}

void SpectralWaveOsc::SetBlockSize(int32_t frames) {
  frames_ = frames > 0 ? frames : 0;
  // Whole groups of four; the padding is rendered and discarded.
  paddedFrames_ = (frames_ + 3) / 4 * 4;
  const std::size_t n = static_cast<std::size_t>(paddedFrames_);
  rows_.fmProduct.assign(n, 0.0f);
  rows_.phaseOffset.assign(n, 0u);
  rows_.ramp.assign(n, 0.0f);
  rows_.exponent.assign(n, 0.0f);
  for (int32_t s = 0; s < paddedFrames_; ++s) {
    rows_.ramp[static_cast<std::size_t>(s)] = static_cast<float>(s) / static_cast<float>(frames_);
  }
  for (int32_t v = 0; v < kMaxUnison; ++v) {
    rows_.increment[v].assign(n, 0u);
    rows_.raw[v].assign(n, 0u);
  }
}

void SpectralWaveOsc::SetInput(int32_t index, const float* source) {
  if (index < 0 || index >= kInputCount) return;
  inputs_[index] = source ? source : &zero_[index];
}

void SpectralWaveOsc::SetWavetable(const WaveTable* table) {
  wavetable_.store(table, std::memory_order_release);
  pendingClear_.store(1, std::memory_order_release);
}

void SpectralWaveOsc::SetUnison(int32_t mode, float ratio) {
  if (Finite(ratio)) pendingRatio_.store(ratio, std::memory_order_relaxed);
  pendingUnison_.store((mode & 3) + 1, std::memory_order_release);
}

void SpectralWaveOsc::SetUnisonDetune(float semitones) {
  if (!Finite(semitones)) return;
  detuneSemitones_.store(semitones, std::memory_order_relaxed);
  detuneOctaves_.store(semitones / 12.0f, std::memory_order_relaxed);
}

void SpectralWaveOsc::SetSpectralMorph(float amount) { StoreFinite(morphTarget_, amount); }
void SpectralWaveOsc::SetPosition(float position) { StoreFinite(positionTarget_, position); }
void SpectralWaveOsc::SetSpread(float spread) { StoreFinite(spreadTarget_, spread); }
void SpectralWaveOsc::SetPhase(float cycles) { StoreFinite(phaseTarget_, cycles); }
void SpectralWaveOsc::SetPan(float pan) { StoreFinite(panTarget_, pan); }
void SpectralWaveOsc::SetBend(float bend) { StoreFinite(bend_, bend); }
void SpectralWaveOsc::SetRandomDeviation(float deviation) { StoreFinite(randomDeviation_, deviation); }

void SpectralWaveOsc::SetGainRows(int32_t count) {
  const unison::Route& route = unison::kRoutes[count - 1];
  for (int32_t v = 0; v < kMaxUnison; ++v) {
    gainRows_[0][v] = unison::Gain(route.left, v);
    gainRows_[1][v] = unison::Gain(route.right, v);
  }
}

void SpectralWaveOsc::ClearHandOver() {
  // The voices go back to pair 0, which need not hold the newest table; a table attached
  // since may sit where the last one was.
  builtValid_ = false;
  shapedValid_ = false;
  for (int32_t i = 0; i < kMaxUnison; ++i) {
    tableIndex_[i].store(0);
    newTable_[i].store(0);
  }
}

void SpectralWaveOsc::ApplyPending() {
  const int32_t unisonMode = pendingUnison_.exchange(0, std::memory_order_acq_rel);
  if (unisonMode != 0) {
    count_ = unisonMode;
    ratio_ = pendingRatio_.load(std::memory_order_relaxed);
    SetGainRows(count_);
    ClearHandOver();
  }
  if (pendingClear_.exchange(0, std::memory_order_acq_rel)) ClearHandOver();
}

void SpectralWaveOsc::SmoothControls() {
  morph_.Step();
  phase_.Step();
  position_.Step();
  spread_.Step();
  pan_.Step();
}

void SpectralWaveOsc::Reset() {
  ClearHandOver();
  for (int32_t i = 0; i < kMaxUnison; ++i) displayRefresh_[i] = 1;
  for (int32_t k = 0; k < 2; ++k) {
    std::fill(std::begin(previous_[k]), std::end(previous_[k]), 0.0f);
    std::fill(std::begin(next_[k]), std::end(next_[k]), 0.0f);
  }
}

void SpectralWaveOsc::ArmRestart() {
  restart_.Arm(randomDeviation_.load(std::memory_order_relaxed), phaseReset_.load(std::memory_order_relaxed));
}

void SpectralWaveOsc::BuildTable(FftProcessor& fft, const SpectralWaveOsc* twin) {
  const WaveTable* table = wavetable_.load(std::memory_order_acquire);
  if (!table) return;
  // The render reads the table by the top eight bits of the phase: another size would be
  // read wrongly, so a helper prepared for one is not used.
  if (fft.InverseSize() != kTableLength) return;
  ApplyPending();

  const float p = Limit((*inputs_[kInputPosition] + position_.value) * 255.0f, 0.0f, 255.0f);
  for (int32_t i = 0; i < count_; ++i) {
    if (newTable_[i].load()) return;  // the render has not taken the previous table yet
  }
  const float x = Limit(*inputs_[kInputMorph] + morph_.value, 0.0f, 1.0f);

  const int32_t c = tableIndex_[0].load();
  const int32_t n = 1 - c;
  const int32_t m = std::min(arm::ToInt32(p), kLastVariant);
  const WaveVariant& v = table->Variant(m);

  const int32_t algorithm = morphAlgorithm_.load(std::memory_order_relaxed);
  float cutoff = 0.0f;
  const int32_t k = FftProcessor::CutoffBin(v.bins, cutoff, frequency_, kBandLimitHz);
  // The high-pass and the smear's held level depend on the last harmonic that sounds.
  const bool byPitch = algorithm == kHighPass || algorithm == kSmear;
  const int32_t length = kTableLength;
  float limit = 0.0f;
  if (FftProcessor::CutoffBin(length, limit, frequency_, kBandLimitHz) >= length) limit = kNoBandLimit;
  const TableInputs inputs{{table, m, algorithm, x, byPitch ? k : 0}, limit};
  // The transforms are most of a voice's work; when nothing that shapes the table moved,
  // the voices already play the table a build would give.
  if (builtValid_ && inputs == built_ && PlayingNewest()) {
    if (steady_[lastBuilt_]) return;
    // One more hand-over, of the playing table to itself, ends the fade into it.
    std::copy(next_[c], next_[c] + tableLength_ + 2, previous_[n]);
    std::copy(next_[c], next_[c] + tableLength_ + 2, next_[n]);
    steady_[n] = true;
    lastBuilt_ = n;
    for (int32_t i = 0; i < count_; ++i) newTable_[i].store(1);
    return;
  }

  // The outgoing table is what the voices were playing: its own length, whatever the
  // variant's analysis holds.
  float* outgoing = previous_[n];
  std::copy(next_[c], next_[c] + tableLength_, outgoing);
  outgoing[tableLength_] = outgoing[0];
  outgoing[tableLength_ + 1] = outgoing[1];

  float* built = next_[n];
  // Without a spectrum of its own (an unanalysed variant, or a scan over a table whose
  // first variant is unanalysed) a build works on what the last one left.
  const bool ownSpectrum = v.bins > 0 && (algorithm != kVariantScan || table->Variant(0).bins > 0);
  if (twin && twin->builtValid_ && twin->built_ == inputs) {
    // The same inputs give the same spectrum and table, bit for bit: two oscillators on one
    // shape need only one transform.
    std::copy(twin->spectrum_, twin->spectrum_ + kSpectrumBins, spectrum_);
    const float* shared = twin->next_[twin->lastBuilt_];
    std::copy(shared, shared + length + 2, built);
  } else {
    // Bins above the cutoff do not reach the table.
    const int32_t last = limit == kNoBandLimit ? kSpectrumBins - 1 : static_cast<int32_t>(limit);
    // A variant that was never analysed has no spectrum: the working spectrum keeps what the
    // last build left, so the oscillator plays on (or, from construction, stays silent).
    if (v.bins > 0) {
      if (shapedValid_ && inputs.spectrum == shaped_ && shapedLast_ >= last) {
        std::copy(reshaped_, reshaped_ + shapedLast_ + 1, spectrum_);
      } else {
        Reshape(algorithm, *table, m, k, x, last);
        shapedValid_ = ownSpectrum;
        shaped_ = inputs.spectrum;
        shapedLast_ = algorithm == kVariantScan ? last : kSpectrumBins - 1;
        if (ownSpectrum) std::copy(spectrum_, spectrum_ + shapedLast_ + 1, reshaped_);
      }
    }
    if (limit == kNoBandLimit) {
      fft.Inverse(built, spectrum_);
    } else {
      // The band limit leaves no bin above the middle.
      FftProcessor::BandLimitAt(length, spectrum_, limit);
      fft.InverseLowHalf(built, spectrum_);
    }
    built[length] = built[0];
    built[length + 1] = built[1];
  }

  tableLength_ = length;
  displayLength_.store(length, std::memory_order_relaxed);
  lastBuilt_ = n;
  steady_[n] = false;
  built_ = inputs;
  builtValid_ = ownSpectrum;
  for (int32_t i = 0; i < count_; ++i) newTable_[i].store(1);
}

bool SpectralWaveOsc::PlayingNewest() const {
  for (int32_t i = 0; i < count_; ++i)
    if (tableIndex_[i].load() != lastBuilt_) return false;
  return true;
}

void SpectralWaveOsc::Reshape(int32_t algorithm, const WaveTable& table, int32_t variant, int32_t cutoffBin,
                              float x, int32_t last) {
  const WaveVariant& v = table.Variant(variant);
  switch (algorithm) {
    case kHarmonicShift:
      ShiftHarmonics(v, x);
      return;
    case kHarmonicStretch:
      StretchHarmonics(v, x);
      return;
    case kSmear:
      Smear(v, cutoffBin, x);
      return;
    case kLowPass:
      ApplyLowPass(v, x);
      return;
    case kHighPass:
      ApplyHighPass(v, cutoffBin, x);
      return;
    case kVariantScan:
      ScanVariants(table, variant, x, last);
      return;
    default: {
      const int32_t h = std::min(v.bins / 2, kSpectrumBins);
      std::copy(v.spectrum, v.spectrum + h, spectrum_);
      return;
    }
  }
}

ne10_fft_cpx_float32_t SpectralWaveOsc::InterpolateBin(const ne10_fft_cpx_float32_t* x, int32_t count, float a) {
  if (!std::isfinite(a)) return {0.0f, 0.0f};
  const int32_t b = arm::ToInt32(a);
  const float f = std::fabs(a - static_cast<float>(b));
  if (b == 1 && count > 2) {
    const double w = BinWeight(1.0f - f);
    return {static_cast<float>(w * x[2].r), static_cast<float>(w * x[2].i)};
  }
  if (b <= 1 || b + 1 >= count) return {0.0f, 0.0f};
  const double w0 = BinWeight(f);
  const double w1 = BinWeight(1.0f - f);
  return {static_cast<float>(w0 * x[b].r + w1 * x[b + 1].r), static_cast<float>(w0 * x[b].i + w1 * x[b + 1].i)};
}

void SpectralWaveOsc::ShiftHarmonics(const WaveVariant& v, float x) {
  if (v.bins <= 1) return;
  const int32_t h = v.bins / 2;
  spectrum_[0] = v.spectrum[0];
  if (h == 1) return;
  spectrum_[1] = v.spectrum[1];
  const float shift = (x - 0.5f) * 100.0f;
  const int32_t end = std::min(h, kSpectrumBins);
  for (int32_t j = 2; j < end; ++j) spectrum_[j] = InterpolateBin(v.spectrum, h, static_cast<float>(j) - shift);
}

void SpectralWaveOsc::StretchHarmonics(const WaveVariant& v, float x) {
  if (v.bins <= 3) return;
  const float amount = x < 0.00001f ? 0.00001f : x;
  const float r = 1.0f / (2.0f * amount) - 0.5f;
  const int32_t q = v.bins / 4;
  spectrum_[0] = v.spectrum[0];
  spectrum_[1] = v.spectrum[1];
  const int32_t end = std::min(q, kSpectrumBins);
  for (int32_t j = 2; j < end; ++j) spectrum_[j] = InterpolateBin(v.spectrum, q, static_cast<float>(j) * r);
}

namespace {

// Power that harmonic j of a table keeps through the render's linear interpolation between
// its points: the interpolation's response sinc^2, squared.
double ReadPower(int32_t j) {
  static const std::array<double, SpectralWaveOsc::kTableLength / 2 + 1> power = [] {
    std::array<double, SpectralWaveOsc::kTableLength / 2 + 1> w{};
    w[0] = 1.0;
    for (std::size_t k = 1; k < w.size(); ++k) {
      const double t = 3.14159265358979 * static_cast<double>(k) / SpectralWaveOsc::kTableLength;
      const double s = std::sin(t) / t;
      w[k] = s * s * s * s;
    }
    return w;
  }();
  return power[static_cast<std::size_t>(std::min(j, SpectralWaveOsc::kTableLength / 2))];
}

// The smear's magnitudes m[1 .. end - 1]: m[j] = keep x V.mag[j] + x p, with p the previous
// magnitude raised by (floor(j/2) + 0.25) / floor(j/2) and m[1] = keep x V.mag[1]. Returns
// the power they sound with over bins 1 .. sounding - 1 (sounding 0: not needed).
double SmearMagnitudes(const WaveVariant& v, float keep, float x, int32_t end, int32_t sounding, float* m) {
  float p = keep * v.magnitudes[1];
  m[1] = p;
  double power = sounding > 1 ? static_cast<double>(p) * p * ReadPower(1) : 0.0;
  for (int32_t j = 2; j < end; ++j) {
    m[j] = keep * v.magnitudes[j] + x * p;
    const float half = static_cast<float>(j / 2);
    p = m[j] * (half + 0.25f) / half;
    if (j < sounding) power += static_cast<double>(m[j]) * m[j] * ReadPower(j);
  }
  return power;
}

}  // namespace

void SpectralWaveOsc::Smear(const WaveVariant& v, int32_t cutoffBin, float x) {
  spectrum_[0] = v.spectrum[0];
  if (v.bins <= 5) {
    spectrum_[1] = Scaled(v.phasors[1], (1.0f - x) * v.magnitudes[1]);
    return;
  }
  const int32_t end = std::min(v.bins / 2, kSpectrumBins);
  float m[kSpectrumBins];
  if (x <= kSmearHold) {
    SmearMagnitudes(v, 1.0f - x, x, end, 0, m);
  } else {
    // Every magnitude carries the factor keep = 1 - x, and the recursion carries the rest up
    // beyond the band limit at higher notes, so the level would fall to silence over the last
    // tenth of the control. Past kSmearHold the shape goes on changing with x (the recursion
    // with keep = 1) at the level the bins that sound at this pitch had there.
    const int32_t sounding = std::min({end, kTableLength / 2, cutoffBin + 1});
    const double held = SmearMagnitudes(v, 1.0f - kSmearHold, kSmearHold, end, sounding, m);
    const double shape = SmearMagnitudes(v, 1.0f, x, end, sounding, m);
    const float gain = shape > 0.0 ? static_cast<float>(std::sqrt(held / shape)) : 0.0f;
    for (int32_t j = 1; j < end; ++j) m[j] *= gain;
  }
  for (int32_t j = 1; j < end; ++j) spectrum_[j] = Scaled(v.phasors[j], m[j]);
}

void SpectralWaveOsc::ApplyLowPass(const WaveVariant& v, float x) {
  const float c = std::pow(2.0f, 10.0f * x);
  const int32_t d = arm::ToInt32(c);
  const int32_t h = v.bins / 2;
  // The constant component passes a low-pass: the variant's own, not one a previous build
  // left behind.
  spectrum_[0] = v.spectrum[0];
  const int32_t end = std::min(d, kSpectrumBins - 1);
  for (int32_t j = 1; j <= end; ++j) spectrum_[j] = Polar(v, j);
  if (d + 1 < kSpectrumBins) spectrum_[d + 1] = Scaled(Polar(v, d + 1), c - static_cast<float>(d));
  for (int32_t j = d + 2; j < std::min(h, kSpectrumBins); ++j) spectrum_[j] = {0.0f, 0.0f};
}

void SpectralWaveOsc::ApplyHighPass(const WaveVariant& v, int32_t k, float x) {
  spectrum_[0] = v.spectrum[0];
  const float c = std::min(std::pow(2.0f, 10.0f * x), static_cast<float>(k + 1));
  const int32_t d = arm::ToInt32(c);
  const int32_t h = v.bins / 2;
  if (d >= 1) std::fill(spectrum_, spectrum_ + std::min(d, kSpectrumBins), ne10_fft_cpx_float32_t{0.0f, 0.0f});
  if (d >= 0 && d < kSpectrumBins) spectrum_[d] = Scaled(Polar(v, d), 1.0f - (c - static_cast<float>(d)));
  for (int32_t j = std::max(d + 1, 0); j < std::min(h, kSpectrumBins); ++j) spectrum_[j] = Polar(v, j);
}

void SpectralWaveOsc::ScanVariants(const WaveTable& table, int32_t variant, float x, int32_t last) {
  static_assert(WaveTable::kScanBins >= kSpectrumBins);
  const WaveVariant& v = table.Variant(variant);
  const int32_t h0 = table.Variant(0).bins / 2;
  spectrum_[0] = Polar(v, 0);
  // A table of one bin has nothing to scan.
  if (h0 <= 1) return;
  const int32_t end = std::min({h0, kSpectrumBins - 1, last});
  // Where each bin reads along the table, four bins at a time: t = (start + sweep x slope) / 2
  // folded into u = 0..256, between variants lo = min(u, 254) and lo + 1 by g = min(u - lo, 1).
  // t is within 0..7 in floats, so u is within a thousandth of a variant of its exact value.
  alignas(16) int32_t lows[kSpectrumBins + 4];
  alignas(16) float blends[kSpectrumBins + 4];
  {
    const v4::f4 start = v4::Set1(static_cast<float>(variant) / 256.0f);
    const v4::f4 sweep = v4::Set1(16.0f * x);
    const v4::f4 half = v4::Set1(0.5f);
    const v4::f4 one = v4::Set1(1.0f);
    const v4::f4 full = v4::Set1(256.0f);
    const v4::f4 top = v4::Set1(static_cast<float>(WaveTable::kVariants - 2));
    for (int32_t j = 0; j <= end; j += 4) {
      const v4::f4 t = v4::Mul(half, v4::MulAdd(start, sweep, v4::Load(kScanSlope.v + j)));
      // t is never negative, so truncation is its floor.
      const v4::f4 w = v4::Sub(t, v4::FromInt(v4::ToInt32Sat(t)));
      const v4::f4 u = v4::Mul(full, v4::Sub(one, v4::Abs(v4::Sub(one, v4::Add(w, w)))));
      const v4::i4 lo = v4::ToInt32Sat(v4::Min(u, top));
      v4::StoreI(lows + j, lo);
      v4::Store(blends + j, v4::Min(v4::Sub(u, v4::FromInt(lo)), one));
    }
  }
  const float* scan = table.ScanBins(0);
  constexpr std::size_t kStride = WaveTable::kScanBins * 4;
  // Phasor and magnitude of variants lo and lo + 1 blended at once, lane by lane as a scalar
  // blend would; four bins a round, turned into their phasors' real and imaginary parts and
  // magnitudes.
  auto blend = [&](int32_t j) {
    const float* a = scan + static_cast<std::size_t>(lows[j]) * kStride + 4 * j;
    const v4::f4 va = v4::Load(a);
    return v4::MulAdd(va, v4::Sub(v4::Load(a + kStride), va), v4::Set1(blends[j]));
  };
  int32_t j = 1;
  for (; j + 3 <= end; j += 4) {
    v4::f4 a = blend(j), b = blend(j + 1), c = blend(j + 2), d = blend(j + 3);
    v4::Transpose(a, b, c, d);  // a: the phasors' real parts, b: imaginary, c: magnitudes
    v4::StorePairs(&spectrum_[j].r, v4::Mul(c, a), v4::Mul(c, b));
  }
  alignas(16) float bin[4];
  for (; j <= end; ++j) {
    v4::Store(bin, blend(j));
    spectrum_[j] = {bin[2] * bin[0], bin[2] * bin[1]};
  }
}
