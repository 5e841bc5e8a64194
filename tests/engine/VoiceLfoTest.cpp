#include "engine/VoiceLfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "platform/ArmConvert.h"
#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 128;

struct Point {
  int32_t type;
  int index;
  float value;
};

// The points that give each drawn wave its character, guard points included.
const Point kTellingPoints[] = {
    {VoiceLfo::kSin, 0, 0.0f},          {VoiceLfo::kSin, 256, 1.0f},        {VoiceLfo::kSin, 768, -1.0f},
    {VoiceLfo::kSin, 1024, 0.0f},       {VoiceLfo::kTri, 0, -1.0f},         {VoiceLfo::kTri, 512, 1.0f},
    {VoiceLfo::kTri, 1024, -1.0f},      {VoiceLfo::kRampDown, 0, 1.0f},     {VoiceLfo::kRampDown, 512, 0.0f},
    {VoiceLfo::kRampDown, 1023, -0.998f}, {VoiceLfo::kRampDown, 1024, 1.0f}, {VoiceLfo::kPulseHighLow, 0, 1.0f},
    {VoiceLfo::kPulseHighLow, 511, 0.5f}, {VoiceLfo::kPulseHighLow, 600, -1.0f},
    {VoiceLfo::kPulseHighLow, 1024, 1.0f}, {VoiceLfo::kPulseLowHigh, 0, -1.0f},
    {VoiceLfo::kPulseLowHigh, 511, -0.5f}, {VoiceLfo::kPulseLowHigh, 600, 1.0f},
    {VoiceLfo::kPulseLowHigh, 1023, 0.0f}, {VoiceLfo::kPulseLowHigh, 1024, 0.0f},
    {VoiceLfo::kPulseDown, 0, -1.0f},   {VoiceLfo::kPulseDown, 127, -0.5f}, {VoiceLfo::kPulseDown, 200, 1.0f},
    {VoiceLfo::kPulseDown, 255, 0.6f},  {VoiceLfo::kPulseDown, 300, -0.7f}, {VoiceLfo::kPulseDown, 383, -0.4f},
    {VoiceLfo::kPulseDown, 400, 0.7f},  {VoiceLfo::kPulseDown, 511, 0.4f},  {VoiceLfo::kPulseDown, 600, -0.5f},
    {VoiceLfo::kPulseDown, 639, -0.2f}, {VoiceLfo::kPulseDown, 700, 0.5f},  {VoiceLfo::kPulseDown, 767, 0.3f},
    {VoiceLfo::kPulseDown, 800, -0.2f}, {VoiceLfo::kPulseDown, 895, -0.1f}, {VoiceLfo::kPulseDown, 900, 0.2f},
    {VoiceLfo::kPulseDown, 1024, 0.0f},
};

TEST(VoiceLfoTableTest, BuiltInTablesHoldTheirTellingPoints) {
  for (const Point& p : kTellingPoints) {
    const float* t = VoiceLfo::WaveTable(p.type);
    ASSERT_NE(t, nullptr) << p.type;
    EXPECT_NEAR(t[p.index], p.value, 1e-3f) << "type " << p.type << " point " << p.index;
  }
  // Every 32nd point of the two falling-pulse waves, and of the second half of SIN_EXP.
  const float pulses[] = {0,   -0.1f, -0.5f, -0.9f, 0.7f, 0.8f, 0.9f, 0.9f, -1,   -0.9f, -0.9f,
                          -0.8f, 0.6f, 0.6f, 0.7f, 0.7f, -0.5f, -0.5f, -0.6f, -0.6f, 0.6f, 0.6f,
                          0.6f, 0.5f, 0,    0,    -0.1f, -0.2f, 0.2f, 0.2f, 0.1f, 0};
  for (int32_t type : {VoiceLfo::kPulseDown2, VoiceLfo::kPulseDown3}) {
    const float* t = VoiceLfo::WaveTable(type);
    for (int k = 0; k < 32; ++k) EXPECT_FLOAT_EQ(t[32 * k], pulses[k]) << type << " point " << 32 * k;
    EXPECT_EQ(t[1024], 0.0f);
  }
  // The quantised form moves in steps of 0.1; the smooth one never jumps.
  const float* quantised = VoiceLfo::WaveTable(VoiceLfo::kPulseDown2);
  const float* smooth = VoiceLfo::WaveTable(VoiceLfo::kPulseDown3);
  for (int i = 0; i < 1024; ++i) {
    EXPECT_NEAR(quantised[i] * 10.0f, std::round(quantised[i] * 10.0f), 1e-4f) << i;
    EXPECT_LT(std::fabs(smooth[i + 1] - smooth[i]), 0.1f) << i;
  }
  const float sinExp[] = {0,     0.56f, 0.92f, 0.98f, 0.71f, 0.20f, -0.38f, -0.83f, -1,
                          -0.83f, -0.38f, 0.38f, 1,    0.38f, -0.71f, -0.92f, 0};
  const float* t = VoiceLfo::WaveTable(VoiceLfo::kSinExp);
  for (int k = 0; k < 17; ++k) EXPECT_FLOAT_EQ(t[512 + 32 * k], sinExp[k]) << 512 + 32 * k;
  EXPECT_FLOAT_EQ(t[128], 1.0f);  // twice the rate in the first half
  EXPECT_FLOAT_EQ(t[384], -1.0f);

  for (int32_t type : std::initializer_list<int32_t>{VoiceLfo::kRand, VoiceLfo::kUser, VoiceLfo::kSmooth, 13, 14, 15, -1, -2})
    EXPECT_EQ(VoiceLfo::WaveTable(type), nullptr) << type;
}

class VoiceLfoTest : public ::testing::Test {
 protected:
  VoiceLfoTest() {
    lfo.SetSampleRate(kRate);
    lfo.SetBlockSize(kBlock);
    VoiceLfo::SeedRandom();
  }
  platform::ScopedFlushToZero ftz;
  VoiceLfo lfo;
  float out[kBlock] = {};
};

// At 1024 values per second and 1 Hz one value advances about one table point.
TEST_F(VoiceLfoTest, FreeRunningWavesReadTheirTablesWithInterpolation) {
  VoiceLfo slow;
  slow.SetSampleRate(1024.0f);
  slow.SetBlockSize(1024);
  std::vector<float> v(1024);
  slow.Process(v.data(), 0.0f, 1.0f);
  EXPECT_NEAR(v[255], 1.0f, 1e-4f);   // point 256
  EXPECT_NEAR(v[767], -1.0f, 1e-4f);  // point 768
  EXPECT_NEAR(v[127], std::sin(3.14159265f / 4.0f), 1e-3f);

  slow.SetType(VoiceLfo::kRampUp);
  slow.SetAmplitude(0.5f);
  slow.Process(v.data(), 0.0f, 1.0f);
  for (int i = 1; i < 1024; ++i) EXPECT_GT(v[i], v[i - 1]) << i;  // a rising ramp read backwards
  EXPECT_NEAR(v[511], 0.0f, 1e-3f);
  EXPECT_NEAR(v[0], -0.5f, 1e-3f);
}

TEST_F(VoiceLfoTest, RateAndModulationSetTheIncrement) {
  struct Case {
    float rate, modulation;
    uint32_t increment;
  };
  const Case cases[] = {
      {2.0f, 0.0f, 178956u},     // 2 x 4294967295 / 48000
      {2.0f, 1.0f, 1610612u},    // nine times the rate
      {0.0f, 1.0f, 0u},          // no rate: stands
      {-3.0f, 0.0f, 0u},         // negative rates stand too
      {1e9f, 0.0f, UINT32_MAX},  // saturates instead of wrapping
  };
  for (const Case& c : cases) {
    lfo.SetType(VoiceLfo::kSin);
    lfo.Process(out, c.modulation, c.rate);
    EXPECT_EQ(lfo.increment(), c.increment) << c.rate << " Hz, mod " << c.modulation;
    EXPECT_EQ(lfo.phase(), static_cast<uint32_t>(kBlock) * c.increment);
  }
}

TEST_F(VoiceLfoTest, RandomHoldsEachValueForTheHoldLength) {
  // The generator from 22222: x -> x * 196314165 + 907633515 mod 2^32, value = x / 2^31 - 1.
  const float drawn[] = {0.86693049f, 0.20772731f, 0.96746768f, -0.15816355f,
                         -0.15853407f, 0.84434396f, 0.32449302f, 0.75260007f};
  struct Case {
    float rate;
    int period;  // hold length + 1 = int(48000 / (4 x rate)) + 1
  };
  // 20 kHz gives a hold length of 0: a new value on every value.
  for (const Case& c : {Case{4000.0f, 4}, Case{8000.0f, 2}, Case{20000.0f, 1}}) {
    SCOPED_TRACE(c.rate);
    VoiceLfo::SeedRandom();
    lfo.SetType(VoiceLfo::kRand);
    lfo.Reset();
    lfo.SetAmplitude(2.0f);
    lfo.SetBlockSize(8);
    lfo.Process(out, 0.0f, c.rate);
    for (int i = 0; i < 8; ++i) {
      const float expected = i < c.period ? 0.0f : 2.0f * drawn[i / c.period - 1];
      EXPECT_FLOAT_EQ(out[i], expected) << i;
    }
  }

  // No rate: the value holds.
  const float held = out[7];
  for (float rate : {0.0f, -5.0f}) {
    for (int block = 0; block < 4; ++block) {
      lfo.Process(out, 0.0f, rate);
      for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], held);
    }
  }
}

TEST_F(VoiceLfoTest, TempoSyncTakesTheNoteLengthAndModifier) {
  struct Case {
    int32_t note, modifier;
    float modulation;
    double hz;  // at 120 bpm
  };
  const Case cases[] = {
      {2, 1, 0.0f, 2.0},        {0, 1, 0.0f, 0.5},       {8, 1, 0.0f, 0.125},    {6, 1, 0.0f, 32.0},
      {2, 0, 0.0f, 3.0},        {2, 2, 0.0f, 4.0 / 3.0}, {2, 3, 0.9f, 3.0},      {2, 3, 0.5f, 2.0},
      {2, 3, 0.1f, 4.0 / 3.0},  {99, 1, 0.0f, 0.125},    {-4, 1, 0.0f, 0.5},     {2, 7, 0.9f, 3.0},
      {2, -1, 0.0f, 3.0},
  };
  for (int32_t mode : {VoiceLfo::kTempoClockReset, VoiceLfo::kTempoNoteReset}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << "mode " << mode << " note " << c.note << " modifier " << c.modifier);
      lfo.SetType(VoiceLfo::kTri);
      lfo.SetSyncMode(mode);
      lfo.SetSyncNote(c.note);
      lfo.SetSyncModifier(c.modifier);
      lfo.Process(out, c.modulation, 5.0f);  // the free rate is not used in sync
      EXPECT_EQ(lfo.increment(), 0u);
      lfo.SyncToTempo(1, 120.0f);
      EXPECT_NEAR(lfo.increment(), c.hz * 4294967295.0 / kRate, 2.0);
    }
  }
  // Free modes ignore the clock.
  lfo.SetSyncMode(VoiceLfo::kFree);
  lfo.SetType(VoiceLfo::kTri);
  lfo.SyncToTempo(0, 120.0f);
  EXPECT_EQ(lfo.increment(), 0u);
}

TEST_F(VoiceLfoTest, ClockSyncRestartsTheCycleOnTheGrid) {
  lfo.SetSyncNote(2);  // one beat: every 24 ticks
  lfo.SetSyncModifier(1);
  for (int32_t mode : {VoiceLfo::kTempoClockReset, VoiceLfo::kTempoNoteReset}) {
    lfo.SetSyncMode(mode);
    lfo.SetType(VoiceLfo::kSin);
    lfo.SyncToTempo(5, 120.0f);
    const uint32_t inc = lfo.increment();
    lfo.Process(out, 0.0f, 0.0f);
    lfo.Process(out, 0.0f, 0.0f);
    EXPECT_EQ(lfo.phase(), 2u * kBlock * inc);
    lfo.SyncToTempo(25, 120.0f);  // off the grid
    lfo.Process(out, 0.0f, 0.0f);
    EXPECT_EQ(lfo.phase(), 3u * kBlock * inc);
    lfo.SyncToTempo(48, 120.0f);  // on the grid
    lfo.Process(out, 0.0f, 0.0f);
    const uint32_t expected = mode == VoiceLfo::kTempoClockReset ? kBlock * inc : 4u * kBlock * inc;
    EXPECT_EQ(lfo.phase(), expected) << mode;
  }
  // The shortest triplet note still has a grid of one tick.
  lfo.SetSyncMode(VoiceLfo::kTempoClockReset);
  lfo.SetSyncNote(6);
  lfo.SetSyncModifier(0);
  lfo.Process(out, 0.0f, 0.0f);
  lfo.SyncToTempo(7, 120.0f);
  lfo.Process(out, 0.0f, 0.0f);
  EXPECT_EQ(lfo.phase(), kBlock * lfo.increment());
}

TEST_F(VoiceLfoTest, NoTempoOrANewTypeStandsStill) {
  lfo.SetSyncMode(VoiceLfo::kTempoNoteReset);
  lfo.SetType(VoiceLfo::kTri);
  lfo.SyncToTempo(3, 120.0f);
  lfo.Process(out, 0.0f, 0.0f);
  ASSERT_NE(lfo.phase(), 0u);
  // SetType restarts at phase 0 and nothing moves until the clock sets a rate.
  lfo.SetType(VoiceLfo::kSin);
  EXPECT_EQ(lfo.phase(), 0u);
  lfo.Process(out, 0.0f, 10.0f);
  EXPECT_EQ(lfo.phase(), 0u);
  for (float bpm : {0.0f, -60.0f, std::nanf("")}) {
    lfo.SyncToTempo(3, bpm);
    lfo.Process(out, 0.0f, 10.0f);
    EXPECT_EQ(lfo.phase(), 0u) << bpm;
    for (float v : out) EXPECT_EQ(v, 0.0f);
  }
  // A note on restarts the cycle in modes 1 and 3 only.
  lfo.SyncToTempo(3, 120.0f);
  lfo.Process(out, 0.0f, 0.0f);
  lfo.NoteOn();
  EXPECT_EQ(lfo.phase(), 0u);
  lfo.SetSyncMode(VoiceLfo::kFree);
  lfo.Process(out, 0.0f, 3.0f);
  lfo.NoteOn();
  EXPECT_NE(lfo.phase(), 0u);
}

TEST_F(VoiceLfoTest, UserWaveReadsItsTableAndWithoutOneLeavesTheBufferAlone) {
  constexpr float kUntouched = 123.0f;
  for (int32_t type : std::initializer_list<int32_t>{VoiceLfo::kUser, 14, -1, VoiceLfo::kSmooth, 13, 15, 99, -2}) {
    SCOPED_TRACE(type);
    lfo.SetType(type);
    std::fill(std::begin(out), std::end(out), kUntouched);
    lfo.Process(out, 0.0f, 5.0f);
    for (float v : out) EXPECT_EQ(v, kUntouched);
  }

  // A four-segment wave (256 points and the guard point, exactly sized so that a read past
  // it shows up under the address sanitizer): a rising ramp over the whole cycle.
  std::vector<float> wave(257);
  for (int i = 0; i <= 256; ++i) wave[i] = -1.0f + 2.0f * i / 256.0f;
  lfo.SetType(VoiceLfo::kUser);
  lfo.SetUserTable(wave.data(), 256);
  VoiceLfo::SeedRandom();
  lfo.SetSampleRate(1024.0f);
  lfo.SetBlockSize(kBlock);
  std::vector<float> cycle;
  for (int b = 0; b < 8; ++b) {
    lfo.Process(out, 0.0f, 1.0f);
    cycle.insert(cycle.end(), out, out + kBlock);
  }
  EXPECT_NEAR(cycle[511], 0.0f, 1e-3f);  // half a cycle
  EXPECT_NEAR(cycle[255], -0.5f, 1e-3f);
  EXPECT_NEAR(cycle[1022], 1.0f, 3e-3f);

  // A full 1024-point table reads exactly like the built-in wave with the same points.
  std::vector<float> sine(VoiceLfo::WaveTable(VoiceLfo::kSin), VoiceLfo::WaveTable(VoiceLfo::kSin) + 1025);
  VoiceLfo a, b;
  for (VoiceLfo* l : {&a, &b}) {
    l->SetSampleRate(kRate);
    l->SetBlockSize(kBlock);
  }
  b.SetType(VoiceLfo::kUser);
  b.SetUserTable(sine.data(), 1024);
  float outA[kBlock], outB[kBlock];
  for (int block = 0; block < 10; ++block) {
    a.Process(outA, 0.3f, 7.3f);
    b.Process(outB, 0.3f, 7.3f);
    for (int i = 0; i < kBlock; ++i) ASSERT_EQ(outA[i], outB[i]);
  }
  // Detaching leaves the buffer alone again.
  b.SetUserTable(nullptr, 1024);
  std::fill(std::begin(outB), std::end(outB), kUntouched);
  b.Process(outB, 0.0f, 1.0f);
  EXPECT_EQ(outB[0], kUntouched);
}

TEST_F(VoiceLfoTest, NullBufferOrEmptyBlockRendersNothing) {
  lfo.Process(nullptr, 0.0f, 1.0f);
  lfo.SetBlockSize(0);
  lfo.Process(out, 0.0f, 1.0f);
  lfo.SetBlockSize(-5);
  lfo.SetType(VoiceLfo::kRand);
  lfo.Process(out, 0.0f, 1.0f);
  EXPECT_EQ(lfo.phase(), 0u);
}

// Blocks that only advance leave the LFO, and the thread's random sequence, where rendered
// blocks would, and give the last value a rendered block ends on (the display's): the next
// rendered block is the same, value for value, for every kind of wave,
// a clock restart between blocks, block lengths that are not whole groups of four, and a
// random wave on another voice drawing after it.
TEST(VoiceLfoAdvance, AdvancedBlocksLeaveWhatRenderedBlocksLeave) {
  platform::ScopedFlushToZero ftz;
  std::vector<float> wave(257);
  for (int i = 0; i <= 256; ++i) wave[i] = std::sin(0.05f * static_cast<float>(i * i));
  struct Case {
    int32_t type;
    int32_t sync;
    const float* user;
  };
  const Case cases[] = {
      {VoiceLfo::kSin, VoiceLfo::kFree, nullptr},       {VoiceLfo::kRampUp, VoiceLfo::kFree, nullptr},
      {VoiceLfo::kPulseDown3, VoiceLfo::kFree, nullptr}, {VoiceLfo::kRand, VoiceLfo::kFree, nullptr},
      {VoiceLfo::kUser, VoiceLfo::kFree, wave.data()},  {VoiceLfo::kUser, VoiceLfo::kFree, nullptr},
      {VoiceLfo::kSmooth, VoiceLfo::kFree, nullptr},    {VoiceLfo::kTri, VoiceLfo::kTempoClockReset, nullptr},
      {VoiceLfo::kRand, VoiceLfo::kTempoNoteReset, nullptr},
  };
  // The first block renders: a wave without a render of its own keeps that block's values.
  auto play = [](const Case& c, int block, bool advance, std::vector<float>* tail, std::vector<float>* lastValues) {
    VoiceLfo::SeedRandom(4711u);
    VoiceLfo lfo, other;
    for (VoiceLfo* l : {&lfo, &other}) {
      l->SetSampleRate(kRate);
      l->SetBlockSize(block);
    }
    lfo.SetType(c.type);
    lfo.SetSyncMode(c.sync);
    lfo.SetAmplitude(0.7f);
    if (c.user) lfo.SetUserTable(c.user, 256);
    other.SetType(VoiceLfo::kRand);
    std::vector<float> out(static_cast<std::size_t>(block), 0.0f);
    float shown = 0.0f;
    for (int b = 0; b < 40; ++b) {
      lfo.SyncToTempo(static_cast<uint32_t>(b * 5), 141.0f);
      const float modulation = 0.05f * static_cast<float>(b % 7);
      if (advance && b > 0) {
        // The last value: the rendered block's, or left alone where the block writes none.
        lfo.Advance(modulation, 2100.0f, &shown);
      } else {
        lfo.Process(out.data(), modulation, 2100.0f);
        shown = out.back();
      }
      lastValues->push_back(shown);
    }
    lfo.Process(out.data(), 0.1f, 2100.0f);
    std::vector<float> drawn(static_cast<std::size_t>(block));
    other.Process(drawn.data(), 0.0f, 9000.0f);
    *tail = out;
    tail->insert(tail->end(), drawn.begin(), drawn.end());
    return lfo.phase();
  };
  for (const Case& c : cases) {
    for (int block : {kBlock, 7}) {
      SCOPED_TRACE(::testing::Message() << "type " << c.type << " sync " << c.sync << " user " << (c.user != nullptr)
                                        << " block " << block);
      std::vector<float> rendered, advanced, renderedLast, advancedLast;
      const uint32_t phase = play(c, block, false, &rendered, &renderedLast);
      EXPECT_EQ(play(c, block, true, &advanced, &advancedLast), phase);
      EXPECT_EQ(advanced, rendered);
      EXPECT_EQ(advancedLast, renderedLast);
    }
  }
}

TEST_F(VoiceLfoTest, RenderingAllocatesNothing) {
  std::vector<float> wave(1025, 0.25f);
  VoiceLfo lfos[3];
  lfos[1].SetType(VoiceLfo::kRand);
  lfos[2].SetType(VoiceLfo::kUser);
  lfos[2].SetUserTable(wave.data(), 1024);
  for (VoiceLfo& l : lfos) {
    l.SetSampleRate(kRate);
    l.SetBlockSize(kBlock);
    l.SetSyncMode(VoiceLfo::kTempoClockReset);
  }
  testing_support::AllocGuard guard;
  for (int block = 0; block < 100; ++block) {
    for (VoiceLfo& l : lfos) {
      l.SyncToTempo(static_cast<uint32_t>(block), 133.0f);
      l.Process(out, 0.2f, 3.0f);
    }
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace

namespace {

// The table types render four samples at a time; each sample must be the scalar
// interpolation of its table at the sample's phase, for every block length and any rate.
TEST(VoiceLfoBlock, FourSampleGroupsMatchTheScalarInterpolation) {
  platform::ScopedFlushToZero ftz;
  struct Case {
    int32_t type;
    bool backwards;
  };
  const Case types[] = {{VoiceLfo::kSin, false}, {VoiceLfo::kTri, false}, {VoiceLfo::kRampUp, true},
                        {VoiceLfo::kPulseDown, false}, {VoiceLfo::kSinExp, false}};
  const int blocks[] = {1, 6, 128};
  const float rates[] = {0.1f, 3.0f, 2000.0f, 1e9f};
  for (const Case& c : types) {
    for (const int n : blocks) {
      for (const float rate : rates) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " block " << n << " rate " << rate);
        VoiceLfo lfo;
        lfo.SetSampleRate(kRate);
        lfo.SetBlockSize(n);
        lfo.SetType(c.type);
        lfo.SetAmplitude(0.7f);
        const float* table = VoiceLfo::WaveTable(c.type);
        const uint32_t inc = arm::ToUint32(static_cast<double>(rate) * 4294967295.0 / kRate);
        std::vector<float> out(n);
        for (int b = 0; b < 5; ++b) {
          uint32_t phase = lfo.phase();
          lfo.Process(out.data(), 0.0f, rate);
          for (int i = 0; i < n; ++i) {
            phase = c.backwards ? phase - inc : phase + inc;
            const uint32_t idx = phase >> 22;
            const float frac = static_cast<float>(phase & 0x3FFFFFu) * (1.0f / 4194304.0f);
            const float expected = (table[idx] + (table[idx + 1] - table[idx]) * frac) * 0.7f;
            ASSERT_EQ(out[i], expected) << "block " << b << " sample " << i;
          }
          ASSERT_EQ(lfo.phase(), phase);
        }
      }
    }
  }
}

// The sync settings change on the engine thread while the clock's step reads them on the
// audio thread; the rate that step sets is always one the settings give.
TEST(VoiceLfoThreads, SyncSettingsChangeWhileTheClockSteps) {
  VoiceLfo lfo;
  lfo.SetSampleRate(kRate);
  lfo.SetBlockSize(kBlock);
  std::atomic<bool> stop{false};
  std::thread engine([&] {
    for (int i = 0; !stop.load(); ++i) {
      lfo.SetSyncMode(i % 4);
      lfo.SetSyncNote(i % 9);
      lfo.SetSyncModifier(i % 4);
    }
  });
  for (uint32_t tick = 0; tick < 20000; ++tick) {
    lfo.SyncToTempo(tick, 120.0f);
    const float beats = lfo.cycleBeats();
    EXPECT_TRUE(std::isfinite(beats) && beats > 0.0f) << beats;
  }
  stop = true;
  engine.join();
}

}  // namespace
