#include "engine/EnvGen.h"

#include <cmath>

const float EnvGen::kCurveTable[kCurveCount] = {
    0.005f,  0.011f,  0.024f,  0.047f,  0.097f,  0.148f,  0.202f,  0.259f,  0.318f,  0.381f,
    0.446f,  0.514f,  0.585f,  0.66f,   0.738f,  0.82f,   0.906f,  0.996f,  1.09f,   1.188f,
    1.291f,  1.399f,  1.513f,  1.631f,  1.755f,  1.885f,  2.021f,  2.163f,  2.312f,  2.469f,
    2.632f,  2.803f,  2.983f,  3.17f,   3.367f,  3.573f,  3.788f,  4.014f,  4.251f,  4.498f,
    4.757f,  5.029f,  5.313f,  5.611f,  5.922f,  6.249f,  6.59f,   6.948f,  7.323f,  7.715f,
    8.126f,  8.556f,  9.007f,  9.478f,  9.972f,  10.49f,  11.031f, 11.598f, 12.192f, 12.814f,
    13.466f, 14.147f, 14.862f, 15.609f, 16.392f, 17.212f, 18.071f, 18.97f,  19.911f, 21.529f,
    23.01f,  24.142f, 25.328f, 26.569f, 27.868f, 29.229f, 30.654f, 32.147f, 33.709f, 35.345f,
    37.059f, 38.853f, 40.732f, 43.299f, 46.2f,   49.175f, 51.541f, 54.018f, 56.611f, 59.327f,
    62.171f, 65.149f, 68.268f, 71.533f, 74.953f, 78.533f, 82.283f, 86.209f, 90.32f,  94.625f,
    99.999f,
};

namespace {

enum class Shape { kAdsr, kAr, kAd, kAdLoop, kOther };

struct ModeRow {
  const char* label;  // as the envelope editor shows it
  Shape shape;
  uint8_t fadeRetrigger;
};

// Bit 2 of the mode adds the fade to zero before a retrigger.
constexpr ModeRow kModes[] = {
    {"ADSR", Shape::kAdsr, 0},   {"AR", Shape::kAr, 0},     {"AD", Shape::kAd, 0},
    {"AD_LOOP", Shape::kAdLoop, 0}, {"ADSR+R", Shape::kAdsr, 1}, {"AR+R", Shape::kAr, 1},
    {"AD+R", Shape::kAd, 1},
};
// Mode values outside the table keep the segments running but have no shape of their own.
constexpr ModeRow kOtherMode = {"", Shape::kOther, 0};

const ModeRow& Row(int32_t mode) {
  if (mode < 0 || mode >= static_cast<int32_t>(sizeof(kModes) / sizeof(kModes[0]))) return kOtherMode;
  return kModes[mode];
}

int ClampCurve(int index) { return index < 0 ? 0 : (index > 100 ? 100 : index); }

}  // namespace

EnvGen::EnvGen() {
  UpdateAttack();
  UpdateDecay();
  UpdateRelease(release_);
  UpdateRelease(release2_);
}

void EnvGen::SetSampleRate(float rate) {
  sampleRate_ = rate;
  velocityRamp_.SetTickPeriod(1.0f / rate);
}

void EnvGen::Reset() {
  state_ = kIdle;
  level_ = 0.0;
}

// The segment aims beyond its end point by the ratio, so that it arrives there after exactly
// `samples` steps: c^N = r / (1 + r).
double EnvGen::Coefficient(double ratio, float samples) {
  const float r = static_cast<float>(ratio);
  // No time or no ratio: the segment is a jump (its end test catches it on the first step).
  if (!(samples > 0.0f) || !(r > 0.0f)) return 0.0;
  return std::exp(-std::log((1.0 + r) / r) / samples);
}

void EnvGen::SetTime(Segment& s, float ms) {
  s.ms = ms;
  s.samples = ms * 0.001f * sampleRate_;
  s.coefficient = Coefficient(s.ratio, s.samples);
}

void EnvGen::UpdateAttack() {
  attack_.coefficient = Coefficient(attack_.ratio, attack_.samples);
  attack_.increment = RiseBase(attack_.ratio, attack_.coefficient);
}

void EnvGen::UpdateDecay() {
  decay_.coefficient = Coefficient(decay_.ratio, decay_.samples);
  decay_.increment = FallBase(sustainLevel_, decay_.ratio, decay_.coefficient);
}

void EnvGen::UpdateRelease(Segment& s) {
  s.coefficient = Coefficient(s.ratio, s.samples);
  s.increment = FallBase(0.0, s.ratio, s.coefficient);
}

void EnvGen::SetAttack(float ms) {
  SetTime(attack_, ms);
  UpdateAttack();
}

void EnvGen::SetDecay(float ms) {
  SetTime(decay_, ms);
  UpdateDecay();
}

void EnvGen::SetRelease(float ms) {
  SetTime(release_, ms);
  UpdateRelease(release_);
}

void EnvGen::SetRelease2(float ms) {
  SetTime(release2_, ms);
  UpdateRelease(release2_);
}

void EnvGen::SetAttackCurve(int index) {
  attack_.ratio = kCurveTable[ClampCurve(index)] * 0.05;
  UpdateAttack();
}

void EnvGen::SetDecayReleaseCurve(int index) {
  const double ratio = kCurveTable[ClampCurve(index)] * 0.01;
  decay_.ratio = ratio;
  release_.ratio = ratio;
  release2_.ratio = ratio;
  UpdateDecay();
  UpdateRelease(release_);
  UpdateRelease(release2_);
}

void EnvGen::SetSustain(float level) {
  if (!std::isfinite(level)) return;
  sustainSetting_ = level;
  ApplySustainLevel(level);
}

void EnvGen::ApplySustain(float level) {
  if (std::isfinite(level)) ApplySustainLevel(level);
}

void EnvGen::ApplySustainLevel(float level) {
  switch (Row(mode_).shape) {
    case Shape::kAr:
      return;  // AR sustains at full level whatever the setting
    case Shape::kAdsr:
      sustainLevel_ = level;
      if (state_ == kSustain) level_ = level;
      break;
    case Shape::kAd:
    case Shape::kAdLoop:
      sustainLevel_ = 0.0f;
      break;
    case Shape::kOther:
      break;
  }
  UpdateDecay();
}

void EnvGen::SetMode(int32_t mode) {
  mode_ = mode;
  const ModeRow& row = Row(mode);
  switch (row.shape) {
    case Shape::kAdsr:
    case Shape::kAr:
      fadeRetrigger_ = row.fadeRetrigger;
      sustainLevel_ = sustainSetting_;
      UpdateDecay();
      break;
    case Shape::kAd:
    case Shape::kAdLoop:
      ApplySustainLevel(0.0f);
      fadeRetrigger_ = row.fadeRetrigger;
      break;
    case Shape::kOther:
      break;
  }
  Kill();
}

void EnvGen::SetPedalFunction(int32_t function) {
  pedalFunction_ = function;
  hold_ = 0;
  useRelease2_ = 0;
}

void EnvGen::Trigger(float velocity) {
  velocityRamp_.SetTarget(&velocityValue_, velocity, 1.0f, attack_.ms / 1000.0f);
  if (state_ == kKillFade) return;
  if (fadeRetrigger_) {
    // Fall from the present level to zero in 2 ms before the new attack.
    fadeStep_ = static_cast<float>(-1000.0 * level_ * 0.5 / sampleRate_);
    if (!(fadeStep_ < 0.0f)) {
      level_ = 0.0;
      state_ = kAttack;
    } else {
      state_ = kRetriggerFade;
    }
    gate_ = 1;
    return;
  }
  gate_ = 1;
  switch (state_) {
    case kIdle:
      level_ = 0.0;
      state_ = kAttack;
      break;
    case kDecay:
    case kSustain:
    case kHeld:
    case kRelease:
      state_ = kAttack;  // the attack continues from the present level, no jump
      break;
    default:
      break;
  }
}

void EnvGen::Release() {
  gate_ = 0;
  const Shape shape = Row(mode_).shape;
  if (state_ == kAttack || state_ == kDecay) {
    if (shape == Shape::kAd || shape == Shape::kAdLoop) return;
    if (shape == Shape::kAdsr && hold_) return;
    state_ = kRelease;
  } else if (state_ == kSustain) {
    if (shape == Shape::kAd) return;
    state_ = hold_ ? kHeld : kRelease;
  }
}

void EnvGen::Kill() {
  fadeStep_ = -(1000.0f * static_cast<float>(level_) / killFadeMs_) / sampleRate_;
  if (!(fadeStep_ < 0.0f)) {
    state_ = kIdle;
    level_ = 0.0;
  } else {
    state_ = kKillFade;
  }
  gate_ = 0;
}

bool EnvGen::Steady() const {
  if (velocityRamp_.Running()) return false;
  switch (state_) {
    case kIdle: return true;
    case kSustain: return hold_ || gate_;
    case kHeld: return hold_ != 0;
    default: return false;
  }
}

namespace {

// Steps level' = increment + level x coefficient while the segment has not reached its end,
// handing each level to `write`; returns the steps taken, `level` ends on the last one. The
// recurrence is serial and in double precision, which ARMv7's vector unit has no lanes for,
// so the steps stay scalar, exactly Process's arithmetic. They go in rounds of four: the
// step is a rounded but non-decreasing function of the level (coefficient >= 0), so the
// levels move one way and the end lies within a round only if its first or last level ends.
template <bool kRising, typename Write>
inline int32_t Steps(double& level, double increment, double coefficient, double floor, int32_t frames, Write write) {
  auto ends = [floor](double next) { return kRising ? next >= 1.0 : next <= floor; };
  double l = level;
  int32_t k = 0;
  for (; k + 4 <= frames; k += 4) {
    const double l1 = increment + l * coefficient;
    const double l2 = increment + l1 * coefficient;
    const double l3 = increment + l2 * coefficient;
    const double l4 = increment + l3 * coefficient;
    if (ends(l1) || ends(l4)) break;
    write(k, l1);
    write(k + 1, l2);
    write(k + 2, l3);
    write(k + 3, l4);
    l = l4;
  }
  for (; k < frames; ++k) {
    const double next = increment + l * coefficient;
    if (ends(next)) break;
    l = next;
    write(k, l);
  }
  level = l;
  return k;
}

}  // namespace

// The samples of an attack, decay or release that does not end within them, Process's
// arithmetic without its per-sample dispatch; returns how many it wrote (0 when Process must
// take the next sample: another state, a ramp of the velocity, or the segment's last sample).
int32_t EnvGen::RunSegment(float* out, int32_t frames) {
  if (velocityRamp_.Running()) return 0;
  const Segment* s = nullptr;
  double floor = 0.0;   // falling segments end at or below this
  bool rising = false;  // the attack ends at or above 1
  switch (state_) {
    case kAttack:
      s = &attack_;
      rising = true;
      break;
    case kDecay:
      s = &decay_;
      if (Row(mode_).shape == Shape::kAdsr) floor = sustainLevel_;
      break;
    case kRelease:
      s = useRelease2_ ? &release2_ : &release_;
      break;
    default:
      return 0;
  }
  if (s->ms <= 0.0f) return 0;
  const double increment = s->increment;
  const double coefficient = s->coefficient;
  if (!(coefficient >= 0.0)) return 0;
  const float amount = velocityAmount_;
  int32_t k;
  if (amount == 0.0f && std::isfinite(velocityValue_)) {
    // level x (1 - 0) + level x 0 x velocity is the level itself.
    auto write = [out](int32_t i, double level) { out[i] = static_cast<float>(level); };
    k = rising ? Steps<true>(level_, increment, coefficient, floor, frames, write)
               : Steps<false>(level_, increment, coefficient, floor, frames, write);
  } else {
    const double keep = 1.0 - amount;
    const double scaled = amount;
    const double velocity = velocityValue_;
    auto write = [=](int32_t i, double level) {
      out[i] = static_cast<float>(level * keep + level * scaled * velocity);
    };
    k = rising ? Steps<true>(level_, increment, coefficient, floor, frames, write)
               : Steps<false>(level_, increment, coefficient, floor, frames, write);
  }
  return k;
}

void EnvGen::ProcessBlock(float* out, int32_t frames) {
  int32_t k = 0;
  while (k < frames && !Steady()) {
    const int32_t run = RunSegment(out + k, frames - k);
    k += run;
    if (run == 0) {
      out[k] = Process(nullptr, nullptr);
      ++k;
    }
  }
  if (k == frames) return;
  // One more step settles the level exactly as every following step would leave it.
  const float value = Process(nullptr, nullptr);
  for (; k < frames; ++k) out[k] = value;
}

float EnvGen::Process(float* relativeOut, float* levelOut) {
  switch (state_) {
    case kIdle:
      level_ = 0.0;
      break;
    case kAttack:
      level_ = attack_.increment + level_ * attack_.coefficient;
      if (level_ >= 1.0 || attack_.ms <= 0.0f) {
        level_ = 1.0;
        if (Row(mode_).shape == Shape::kAr) {
          sustainLevel_ = 1.0f;
          state_ = kSustain;
        } else {
          state_ = kDecay;
        }
      }
      break;
    case kDecay: {
      level_ = decay_.increment + level_ * decay_.coefficient;
      const Shape shape = Row(mode_).shape;
      if (shape == Shape::kAdsr) {
        if (level_ <= sustainLevel_ || decay_.ms <= 0.0f) {
          level_ = sustainLevel_;
          state_ = kSustain;
        }
      } else if (level_ <= 0.0 || decay_.ms <= 0.0f) {
        level_ = 0.0;
        state_ = (shape == Shape::kAdLoop && gate_) ? kAttack : kIdle;
      }
      break;
    }
    case kSustain:
      level_ = sustainLevel_;
      if (!hold_ && !gate_) state_ = kRelease;
      break;
    case kHeld:
      if (!hold_) state_ = kRelease;
      break;
    case kRelease: {
      const Segment& s = useRelease2_ ? release2_ : release_;
      level_ = s.increment + level_ * s.coefficient;
      if (level_ <= 0.0 || s.ms <= 0.0f) {
        level_ = 0.0;
        state_ = kIdle;
      }
      break;
    }
    case kKillFade:
      level_ += fadeStep_;
      if (level_ <= 0.0) {
        level_ = 0.0;
        state_ = kIdle;
      }
      break;
    case kRetriggerFade:
      level_ += fadeStep_;
      if (level_ <= 0.0) {
        level_ = 0.0;
        state_ = gate_ ? kAttack : kIdle;
      }
      break;
    default:
      break;
  }
  if (velocityRamp_.Running()) velocityRamp_.Tick();
  if (relativeOut) *relativeOut = static_cast<float>(level_ - sustainLevel_);
  if (levelOut) *levelOut = static_cast<float>(level_);
  return static_cast<float>(level_ * (1.0 - velocityAmount_) + level_ * velocityAmount_ * velocityValue_);
}
