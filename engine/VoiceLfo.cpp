#include "engine/VoiceLfo.h"

#include <array>

#include "platform/ArmConvert.h"
#include "platform/Simd4.h"

namespace {

constexpr int kN = VoiceLfo::kTablePoints;
using Table = std::array<float, kN + 1>;

constexpr double kPi = 3.14159265358979323846;

// Taylor series after folding into -pi/2..pi/2: exact to double rounding, usable at compile
// time.
constexpr double Sine(double x) {
  const double twoPi = 2.0 * kPi;
  const long long turns = static_cast<long long>(x / twoPi + (x >= 0.0 ? 0.5 : -0.5));
  x -= static_cast<double>(turns) * twoPi;  // -pi..pi
  if (x > kPi / 2) x = kPi - x;
  if (x < -kPi / 2) x = -kPi - x;
  double term = x;
  double sum = x;
  for (int n = 1; n < 15; ++n) {
    term *= -x * x / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

constexpr double Cosine(double x) { return Sine(x + kPi / 2); }

constexpr double RoundToTenth(double x) {
  const long long k = static_cast<long long>(x * 10.0 + (x >= 0.0 ? 0.5 : -0.5));
  return static_cast<double>(k) / 10.0;
}

enum class Curve { kQuantised, kSmooth };

// Fills points [from, to] through anchors spaced `spacing` points apart: straight segments
// rounded to steps of 0.1, or half-cosine segments that are smooth at every anchor.
template <std::size_t M>
constexpr void Draw(Table& t, int from, int spacing, const std::array<double, M>& anchors, Curve curve) {
  for (std::size_t k = 0; k + 1 < M; ++k) {
    const double a = anchors[k];
    const double b = anchors[k + 1];
    for (int j = 0; j < spacing; ++j) {
      const double f = static_cast<double>(j) / spacing;
      const double v = j == 0                         ? a  // the anchor itself, exactly
                       : curve == Curve::kQuantised ? RoundToTenth(a + (b - a) * f)
                                                    : a + (b - a) * (1.0 - Cosine(kPi * f)) * 0.5;
      t[from + static_cast<int>(k) * spacing + j] = static_cast<float>(v);
    }
  }
  t[from + static_cast<int>(M - 1) * spacing] = static_cast<float>(anchors[M - 1]);
}

constexpr Table MakeSine() {
  Table t{};
  for (int i = 0; i < kN; ++i) t[i] = static_cast<float>(Sine(2.0 * kPi * i / kN));
  t[kN] = 0.0f;
  return t;
}

constexpr Table MakeTriangle() {
  Table t{};
  for (int i = 0; i < kN; ++i) t[i] = static_cast<float>(i < kN / 2 ? -1.0 + i / 256.0 : 3.0 - i / 256.0);
  t[kN] = -1.0f;
  return t;
}

constexpr Table MakeRampDown() {
  Table t{};
  for (int i = 0; i < kN; ++i) t[i] = static_cast<float>(1.0 - i / 512.0);
  t[kN] = 1.0f;
  return t;
}

// The transition point at the end of each half sits between the two levels.
constexpr Table MakePulse(float first, float edge, float second, float last, float guard) {
  Table t{};
  for (int i = 0; i < kN; ++i) t[i] = i < 511 ? first : (i == 511 ? edge : second);
  t[kN - 1] = last;
  t[kN] = guard;
  return t;
}

constexpr Table MakePulseDown() {
  constexpr float kSteps[8] = {-1.0f, 1.0f, -0.7f, 0.7f, -0.5f, 0.5f, -0.2f, 0.2f};
  // Last point of each step, easing into the next step.
  constexpr float kEdges[8] = {-0.5f, 0.6f, -0.4f, 0.4f, -0.2f, 0.3f, -0.1f, 0.1f};
  Table t{};
  for (int i = 0; i < kN; ++i) t[i] = (i % 128 == 127) ? kEdges[i / 128] : kSteps[i / 128];
  t[kN] = 0.0f;
  return t;
}

// Alternating pulses of falling height, one anchor every 32 points; the last is the guard.
constexpr std::array<double, 33> kPulseDownAnchors = {
    0,    -0.1, -0.5, -0.9, 0.7,  0.8,  0.9,  0.9,  -1,   -0.9, -0.9, -0.8, 0.6,  0.6,  0.7,  0.7, -0.5,
    -0.5, -0.6, -0.6, 0.6,  0.6,  0.6,  0.5,  0,    0,    -0.1, -0.2, 0.2,  0.2,  0.1,  0,    0};

constexpr Table MakePulseDown2(Curve curve) {
  Table t{};
  Draw(t, 0, 32, kPulseDownAnchors, curve);
  return t;
}

// A sine at twice the rate, then a sine whose frequency rises through the second half.
constexpr std::array<double, 17> kSinExpAnchors = {0,     0.56, 0.92,  0.98, 0.71, 0.20,  -0.38, -0.83, -1,
                                                   -0.83, -0.38, 0.38, 1,    0.38, -0.71, -0.92, 0};

constexpr Table MakeSinExp() {
  Table t{};
  for (int i = 0; i < kN / 2; ++i) t[i] = static_cast<float>(Sine(4.0 * kPi * i / kN));
  Draw(t, kN / 2, 32, kSinExpAnchors, Curve::kSmooth);
  return t;
}

constexpr Table kSine = MakeSine();
constexpr Table kTriangle = MakeTriangle();
constexpr Table kRampDown = MakeRampDown();
constexpr Table kPulseHighLow = MakePulse(1.0f, 0.5f, -1.0f, -1.0f, 1.0f);
constexpr Table kPulseLowHigh = MakePulse(-1.0f, -0.5f, 1.0f, 0.0f, 0.0f);
constexpr Table kPulseDown = MakePulseDown();
constexpr Table kPulseDown2 = MakePulseDown2(Curve::kQuantised);
constexpr Table kPulseDown3 = MakePulseDown2(Curve::kSmooth);
constexpr Table kSinExp = MakeSinExp();

enum class Render { kNone, kTable, kTableBackwards, kRandom, kUser };

struct TypeRow {
  const char* label;  // as the LFO editor shows it
  Render render;
  const float* table;
};

constexpr TypeRow kTypes[] = {
    {"SIN", Render::kTable, kSine.data()},
    {"TRI", Render::kTable, kTriangle.data()},
    {"RMP_UP", Render::kTableBackwards, kRampDown.data()},
    {"RMP_DW", Render::kTable, kRampDown.data()},
    {"RAND", Render::kRandom, nullptr},
    {"PLS_HL", Render::kTable, kPulseHighLow.data()},
    {"PLS_LH", Render::kTable, kPulseLowHigh.data()},
    {"PLS_DW", Render::kTable, kPulseDown.data()},
    {"PLS_DW2", Render::kTable, kPulseDown2.data()},
    {"PLS_DW3", Render::kTable, kPulseDown3.data()},
    {"SIN_EXP", Render::kTable, kSinExp.data()},
    {"[USER]", Render::kUser, nullptr},
    {"SMOOTH", Render::kNone, nullptr},
    {"", Render::kNone, nullptr},
    {"", Render::kUser, nullptr},
};
constexpr int kTypeCount = static_cast<int>(sizeof(kTypes) / sizeof(kTypes[0]));

const TypeRow& Row(int32_t type) {
  static constexpr TypeRow kUserRow = {"", Render::kUser, nullptr};
  static constexpr TypeRow kNothing = {"", Render::kNone, nullptr};
  if (type == -1) return kUserRow;
  if (type < 0 || type >= kTypeCount) return kNothing;
  return kTypes[type];
}

// Note lengths in quarter-note beats, by sync note index.
constexpr float kNoteBeats[] = {4.0f, 2.0f, 1.0f, 0.5f, 0.25f, 0.125f, 0.0625f, 8.0f, 16.0f};
constexpr int kNoteCount = static_cast<int>(sizeof(kNoteBeats) / sizeof(kNoteBeats[0]));
// Triplet, regular, dotted.
constexpr float kModifiers[] = {0.6666667f, 1.0f, 1.5f};
constexpr int kModulatedModifier = 3;

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

constexpr float kFraction22 = 1.0f / 4194304.0f;  // 2^-22
constexpr float kFraction32 = 1.0f / 4294967296.0f;

// Each render thread draws from its own sequence: the two engine threads never share state.
thread_local uint32_t tRandomState = 22222u;

}  // namespace

const float* VoiceLfo::WaveTable(int32_t type) { return Row(type).table; }

void VoiceLfo::SeedRandom(uint32_t seed) { tRandomState = seed; }

void VoiceLfo::Reset() {
  phase_ = 0;
  holdCount_ = 0;
  heldValue_ = 0.0f;
}

void VoiceLfo::SetType(int32_t type) {
  type_ = type;
  phase_ = 0;
  increment_.store(0, std::memory_order_relaxed);
}

void VoiceLfo::SetUserTable(const float* points, int32_t length) {
  if (!points || length <= 0) {
    userTable_ = nullptr;
    userLength_ = 0;
    return;
  }
  userTable_ = points;
  userLength_ = length;
}

void VoiceLfo::NoteOn() {
  const int32_t mode = syncMode_.load(std::memory_order_relaxed);
  if (mode == kFreeNoteReset || mode == kTempoNoteReset) phase_ = 0;
}

void VoiceLfo::SyncToTempo(uint32_t clockTick, float bpm) {
  const int32_t mode = syncMode_.load(std::memory_order_relaxed);
  if (mode != kTempoClockReset && mode != kTempoNoteReset) return;
  float beats = kNoteBeats[Clamp(syncNote_.load(std::memory_order_relaxed), 0, kNoteCount - 1)];
  const int modifier = Clamp(syncModifier_.load(std::memory_order_relaxed), 0, kModulatedModifier);
  if (modifier == kModulatedModifier) {
    const float m = lastModulation_.load(std::memory_order_relaxed);
    beats *= m > 0.8f ? kModifiers[0] : (m > 0.4f ? kModifiers[1] : kModifiers[2]);
  } else {
    beats *= kModifiers[modifier];
  }
  cycleBeats_.store(beats, std::memory_order_relaxed);
  uint32_t inc = 0;  // no tempo: the LFO stands instead of running at an infinite rate
  if (bpm > 0.0f) {
    const float secondsPerBeat = 60.0f / bpm;
    inc = arm::ToUint32((1.0 / (secondsPerBeat * beats)) * 4294967295.0 / sampleRate_);
  }
  increment_.store(inc, std::memory_order_relaxed);
  if (mode == kTempoClockReset) {
    int32_t ticks = arm::ToInt32(beats * 24.0f);
    if (ticks < 1) ticks = 1;
    if (clockTick % static_cast<uint32_t>(ticks) == 0) restartRequest_.store(true, std::memory_order_relaxed);
  }
}

uint32_t VoiceLfo::StartBlock(float modulation, float rateHz) {
  lastModulation_.store(modulation, std::memory_order_relaxed);
  const int32_t mode = syncMode_.load(std::memory_order_relaxed);
  if (mode != kTempoClockReset && mode != kTempoNoteReset) {
    const double rate = rateHz;
    const double hz = rate + static_cast<double>(modulation) * 8.0 * rate;
    // Negative, huge or NaN rates saturate like the target's conversion: the LFO stands or
    // runs at its fastest, never at an undefined rate.
    increment_.store(arm::ToUint32(hz * 4294967295.0 / sampleRate_), std::memory_order_relaxed);
  }
  if (restartRequest_.exchange(false, std::memory_order_relaxed)) phase_ = 0;
  return increment_.load(std::memory_order_relaxed);
}

void VoiceLfo::Process(float* out, float modulation, float rateHz) {
  const uint32_t inc = StartBlock(modulation, rateHz);
  if (!out || blockSize_ <= 0) return;
  const TypeRow& row = Row(type_);
  switch (row.render) {
    case Render::kTable:
      RenderTable<false>(out, row.table, inc);
      break;
    case Render::kTableBackwards:
      RenderTable<true>(out, row.table, inc);
      break;
    case Render::kRandom:
      RenderRandom<true>(out, rateHz, inc);
      break;
    case Render::kUser:
      RenderUser(out, inc);
      break;
    case Render::kNone:
      break;
  }
}

void VoiceLfo::Advance(float modulation, float rateHz, float* last) {
  const uint32_t inc = StartBlock(modulation, rateHz);
  if (blockSize_ <= 0) return;
  // The renders move the phase by one increment a sample, modulo 2^32; their last value is
  // read at the phase they end on, with the same arithmetic.
  const uint32_t run = static_cast<uint32_t>(blockSize_) * inc;
  const TypeRow& row = Row(type_);
  switch (row.render) {
    case Render::kTable:
    case Render::kTableBackwards: {
      phase_ = row.render == Render::kTable ? phase_ + run : phase_ - run;
      if (!last) break;
      const uint32_t idx = phase_ >> 22;
      const float frac = static_cast<float>(static_cast<int32_t>(phase_ & 0x3FFFFFu)) * kFraction22;
      const float a = row.table[idx];
      *last = (a + (row.table[idx + 1] - a) * frac) * amplitude_;
      break;
    }
    case Render::kRandom:
      // The draws belong to the thread's sequence, which the other voices read on.
      RenderRandom<false>(nullptr, rateHz, inc);
      if (last) *last = heldValue_ * amplitude_;
      break;
    case Render::kUser:
      if (!userTable_) break;
      phase_ += run;
      if (last) {
        const uint64_t pos = static_cast<uint64_t>(phase_) * static_cast<uint64_t>(userLength_);
        const uint32_t idx = static_cast<uint32_t>(pos >> 32);
        const float frac = static_cast<float>(static_cast<uint32_t>(pos)) * kFraction32;
        const float a = userTable_[idx];
        *last = (a + (userTable_[idx + 1] - a) * frac) * amplitude_;
      }
      break;
    case Render::kNone:
      break;
  }
}

template <bool kBackwards>
void VoiceLfo::RenderTable(float* out, const float* table, uint32_t inc) {
  uint32_t phase = phase_;
  const float amp = amplitude_;
  int32_t i = 0;
  // Four samples at a time with the same arithmetic as the sample loop below: the phases
  // of the group from one start, the fraction's conversion exact below 2^22.
  const uint32_t step = kBackwards ? 0u - inc : inc;
  const v4::u4 offsets = v4::LoadU(std::array<uint32_t, 4>{step, 2 * step, 3 * step, 4 * step}.data());
  const v4::u4 mask = v4::Set1U(0x3FFFFFu);
  const v4::f4 scale = v4::Set1(kFraction22);
  const v4::f4 gain = v4::Set1(amp);
  for (; i + 4 <= blockSize_; i += 4) {
    const v4::u4 p = v4::AddU(v4::Set1U(phase), offsets);
    const v4::u4 idx = v4::ShiftRightU<22>(p);
    const v4::f4 frac = v4::Mul(v4::FromInt(v4::AsInt(v4::AndU(p, mask))), scale);
    v4::f4 a;
    v4::f4 b;
    v4::GatherPairs(table, v4::AsInt(idx), a, b);
    v4::Store(out + i, v4::Mul(v4::MulAdd(a, v4::Sub(b, a), frac), gain));
    phase += 4 * step;
  }
  for (; i < blockSize_; ++i) {
    phase = kBackwards ? phase - inc : phase + inc;
    const uint32_t idx = phase >> 22;
    const float frac = static_cast<float>(phase & 0x3FFFFFu) * kFraction22;
    const float a = table[idx];
    out[i] = (a + (table[idx + 1] - a) * frac) * amp;
  }
  phase_ = phase;
}

// The user table is read over its own length, so a short wave plays at the same rate and
// never reads past its guard point; a 1024-point wave reads exactly like a built-in one.
void VoiceLfo::RenderUser(float* out, uint32_t inc) {
  const float* table = userTable_;
  if (!table) return;
  const uint64_t length = static_cast<uint64_t>(userLength_);
  uint32_t phase = phase_;
  const float amp = amplitude_;
  for (int32_t i = 0; i < blockSize_; ++i) {
    phase += inc;
    const uint64_t pos = static_cast<uint64_t>(phase) * length;
    const uint32_t idx = static_cast<uint32_t>(pos >> 32);
    const float frac = static_cast<float>(static_cast<uint32_t>(pos)) * kFraction32;
    const float a = table[idx];
    out[i] = (a + (table[idx + 1] - a) * frac) * amp;
  }
  phase_ = phase;
}

template <bool kWrite>
void VoiceLfo::RenderRandom(float* out, float rateHz, uint32_t inc) {
  // Four new values per cycle of the free rate; no rate holds the present value. A value
  // lasts hold length + 1 values, so a hold length of 0 draws on every value.
  const int32_t holdLength = rateHz > 0.0f ? arm::ToInt32(sampleRate_ / (rateHz * 4.0f)) : INT32_MAX;
  uint32_t state = tRandomState;
  bool drew = false;
  float held = heldValue_;
  int32_t count = holdCount_;
  const float amp = amplitude_;
  for (int32_t i = 0; i < blockSize_; ++i) {
    if (count > holdLength) {
      state = state * 196314165u + 907633515u;
      held = static_cast<float>(static_cast<double>(state) * (1.0 / 2147483648.0) - 1.0);
      drew = true;
      count = 1;
    } else if (count < INT32_MAX) {
      ++count;
    }
    if constexpr (kWrite) out[i] = held * amp;
  }
  if (drew) tRandomState = state;
  heldValue_ = held;
  holdCount_ = count;
  // Keeps the displayed phase moving.
  phase_ += static_cast<uint32_t>(blockSize_) * inc;
}
