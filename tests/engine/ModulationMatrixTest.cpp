#include "engine/ModulationMatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/AllocCounter.h"

namespace {

constexpr int kBlock = 8;

// A voice-like fixture: two block-long sources (one unipolar, one bipolar), a one-value source,
// two block-long destinations and one one-value destination.
class ModulationMatrixTest : public ::testing::Test {
 protected:
  enum { kEnv = 0, kLfo = 1, kVelocity = 2 };
  enum { kPitch = 0, kCutoff = 1, kLevel = 2 };

  ModulationMatrixTest() : env(kBlock), lfo(kBlock), velocity(1), pitch(kBlock), cutoff(kBlock), level(1) {
    EXPECT_EQ(m.AddSource(kEnv, "ENV1", kBlock, env.data(), 1, 0), kEnv);
    EXPECT_EQ(m.AddSource(kLfo, "LFO1", kBlock, lfo.data(), 1, 1), kLfo);
    EXPECT_EQ(m.AddSource(kVelocity, "VELOCITY", 1, velocity.data(), 1, 0), kVelocity);
    EXPECT_EQ(m.AddDestination(kPitch, "PITCH", kBlock, pitch.data(), nullptr), kPitch);
    EXPECT_EQ(m.AddDestination(kCutoff, "CUTOFF", kBlock, cutoff.data(), &cutoffScale), kCutoff);
    EXPECT_EQ(m.AddDestination(kLevel, "LEVEL", 1, level.data(), nullptr), kLevel);
    for (int i = 0; i < kBlock; ++i) {
      env[i] = 0.1f * static_cast<float>(i);          // 0 .. 0.7
      lfo[i] = -1.0f + 0.25f * static_cast<float>(i);  // -1 .. 0.75
    }
    velocity[0] = 0.8f;
  }

  ModulationMatrix m;
  std::vector<float> env, lfo, velocity, pitch, cutoff, level;
  float cutoffScale = 2.0f;
};

TEST_F(ModulationMatrixTest, ConvertersFollowSourcePolarityAndMode) {
  struct Case {
    int source, mode;
    float (*expected)(float x);
  };
  const Case cases[] = {
      {kEnv, ModulationMatrix::kBipolar, [](float x) { return 2.0f * x - 1.0f; }},
      {kEnv, ModulationMatrix::kUnipolar, [](float x) { return x; }},
      {kEnv, ModulationMatrix::kOff, [](float) { return 0.0f; }},
      {kLfo, ModulationMatrix::kUnipolar, [](float x) { return 0.5f + 0.5f * x; }},
      {kLfo, ModulationMatrix::kBipolar, [](float x) { return x; }},
      {kLfo, ModulationMatrix::kOff, [](float) { return 0.0f; }},
      {kLfo, 7, [](float x) { return x; }},
  };
  // The amount scales the converted value: 0 leaves the destination alone whatever the
  // converter's constant, 1 gives the converter's result.
  for (const Case& c : cases) {
    for (float amount : {0.0f, 0.5f, 1.0f, -1.0f}) {
      SCOPED_TRACE(::testing::Message() << "source " << c.source << " mode " << c.mode << " amount " << amount);
      ASSERT_EQ(m.Connect(0, c.source, kPitch, amount, c.mode), 0);
      m.Process();
      const std::vector<float>& src = c.source == kEnv ? env : lfo;
      for (int i = 0; i < kBlock; ++i) EXPECT_FLOAT_EQ(pitch[i], amount * c.expected(src[i])) << i;
    }
  }
}

TEST_F(ModulationMatrixTest, LengthRulesScaleAndSum) {
  // Block into block, through the destination's own scale: element by element.
  ASSERT_EQ(m.Connect(0, kEnv, kCutoff, 0.5f, ModulationMatrix::kUnipolar), 0);
  // One value into a block: the same value on every sample, summed with the first route.
  ASSERT_EQ(m.Connect(1, kVelocity, kCutoff, 1.0f, ModulationMatrix::kUnipolar), 0);
  // Block into one value: the average of the converted values.
  ASSERT_EQ(m.Connect(2, kLfo, kLevel, 1.0f, ModulationMatrix::kUnipolar), 0);
  // One value into a block long destination of another route.
  ASSERT_EQ(m.Connect(3, kVelocity, kPitch, 0.25f, ModulationMatrix::kUnipolar), 0);
  for (int block = 0; block < 3; ++block) {  // a fresh sum every block
    m.Process();
    for (int i = 0; i < kBlock; ++i) {
      EXPECT_FLOAT_EQ(cutoff[i], 2.0f * 0.5f * env[i] + 2.0f * 0.8f) << i;
      EXPECT_FLOAT_EQ(pitch[i], 0.25f * 0.8f) << i;
    }
    float average = 0.0f;
    for (float x : lfo) average += 0.5f + 0.5f * x;
    EXPECT_FLOAT_EQ(level[0], average / kBlock);
  }
  EXPECT_FLOAT_EQ(m.GetRouteValue(0), cutoff[0]);
  EXPECT_FLOAT_EQ(m.GetRouteValue(2), level[0]);
  EXPECT_EQ(m.GetRouteValue(5), 0.0f);  // unused
  EXPECT_EQ(m.GetRouteValue(24), 0.0f);
  EXPECT_EQ(m.GetRouteValue(-1), 0.0f);

  // SetAmount changes only the amount.
  EXPECT_EQ(m.SetAmount(3, 1.0f), 3);
  m.Process();
  EXPECT_FLOAT_EQ(pitch[5], 0.8f);
}

// The sums run four values at a time with a scalar tail: against the scalar sum, value by
// value, for lengths that are not whole groups of four.
TEST(ModulationMatrixLengths, SumsMatchTheScalarSumAtEveryLength) {
  for (int length : {1, 3, 4, 7, 10, 130}) {
    SCOPED_TRACE(length);
    ModulationMatrix m;
    std::vector<float> a(length), b(length), one(1, 0.37f), dst(length, 5.0f);
    for (int i = 0; i < length; ++i) {
      a[i] = 0.013f * static_cast<float>(i) - 0.4f;
      b[i] = 1.0f / static_cast<float>(i + 3);
    }
    ASSERT_EQ(m.AddSource(0, "A", length, a.data(), 1, 1), 0);
    ASSERT_EQ(m.AddSource(1, "B", length, b.data(), 1, 0), 1);
    ASSERT_EQ(m.AddSource(2, "ONE", 1, one.data(), 1, 0), 2);
    ASSERT_EQ(m.AddDestination(0, "DST", length, dst.data(), nullptr), 0);
    ASSERT_EQ(m.Connect(0, 0, 0, 0.3f, ModulationMatrix::kUnipolar), 0);  // 0.3 (0.5 + 0.5 a)
    ASSERT_EQ(m.Connect(1, 1, 0, -0.7f, ModulationMatrix::kBipolar), 0);  // -0.7 (2 b - 1)
    ASSERT_EQ(m.Connect(2, 2, 0, 0.9f, ModulationMatrix::kUnipolar), 0);  // 0.9 x 0.37 everywhere
    m.Process();
    for (int i = 0; i < length; ++i) {
      float expected = 0.0f;
      expected += 0.3f * 0.5f + 0.3f * 0.5f * a[i];
      expected += -0.7f * -1.0f + -0.7f * 2.0f * b[i];
      expected += 0.9f * 0.0f + 0.9f * 1.0f * one[0];
      ASSERT_FLOAT_EQ(dst[i], expected) << i;
    }
  }
}

// Destinations that name one buffer add into it as one: the buffer starts from 0 once, with
// the same length or another, whichever route writes first or when none writes at all.
TEST_F(ModulationMatrixTest, DestinationsSharingABufferAddIntoItOnce) {
  for (int length : {kBlock, 1}) {
    SCOPED_TRACE(length);
    ModulationMatrix shared;
    ASSERT_EQ(shared.AddSource(kEnv, "ENV1", kBlock, env.data(), 1, 0), kEnv);
    ASSERT_EQ(shared.AddSource(kVelocity, "VELOCITY", 1, velocity.data(), 1, 0), kVelocity);
    ASSERT_EQ(shared.AddDestination(0, "PITCH", kBlock, pitch.data(), nullptr), 0);
    ASSERT_EQ(shared.AddDestination(1, "ALSO", length, pitch.data(), nullptr), 1);
    ASSERT_EQ(shared.Connect(4, kVelocity, 1, 0.5f, ModulationMatrix::kUnipolar), 0);
    ASSERT_EQ(shared.Connect(7, kEnv, 0, 1.0f, ModulationMatrix::kUnipolar), 0);
    pitch.assign(kBlock, 9.0f);
    shared.Process();
    for (int i = 0; i < kBlock; ++i) EXPECT_FLOAT_EQ(pitch[i], env[i] + (i < length ? 0.4f : 0.0f)) << i;
    // Neither route adds anything: the whole buffer is 0.
    ASSERT_EQ(shared.SetAmount(4, 0.0f), 4);
    ASSERT_EQ(shared.SetAmount(7, 0.0f), 7);
    pitch.assign(kBlock, 9.0f);
    shared.Process();
    EXPECT_EQ(pitch, std::vector<float>(kBlock, 0.0f));
  }
}

TEST_F(ModulationMatrixTest, ADestinationShorterThanItsSourceButLongerThanOneTakesNothing) {
  std::vector<float> pair(2, 9.0f);
  ASSERT_EQ(m.AddDestination(10, "PAIR", 2, pair.data(), nullptr), 10);
  ASSERT_EQ(m.Connect(0, kEnv, 10, 1.0f, ModulationMatrix::kUnipolar), 0);
  m.Process();
  EXPECT_EQ(pair[0], 0.0f);
  EXPECT_EQ(pair[1], 0.0f);
}

// A source marked silent is not read: its routes add what a buffer of zeros would give, the
// converter's constant included, under every length rule. Marked again as sounding, it is read.
TEST_F(ModulationMatrixTest, ASilentSourceAddsWhatZerosWouldWithoutBeingRead) {
  std::vector<float> pair(2);
  ASSERT_EQ(m.AddDestination(10, "PAIR", 2, pair.data(), nullptr), 10);
  struct Case {
    int source, destination, mode;
  };
  const Case cases[] = {
      {kLfo, kPitch, ModulationMatrix::kBipolar},    {kLfo, kCutoff, ModulationMatrix::kUnipolar},
      {kEnv, kPitch, ModulationMatrix::kBipolar},    {kEnv, kCutoff, ModulationMatrix::kUnipolar},
      {kLfo, kLevel, ModulationMatrix::kUnipolar},   {kEnv, kLevel, ModulationMatrix::kBipolar},
      {kVelocity, kPitch, ModulationMatrix::kBipolar}, {kLfo, 10, ModulationMatrix::kUnipolar},
  };
  auto run = [&](const Case& c, float amount, bool silent, float fill) {
    std::vector<float>& src = c.source == kEnv ? env : (c.source == kLfo ? lfo : velocity);
    std::fill(src.begin(), src.end(), fill);
    EXPECT_EQ(m.Connect(-1, 0, 0, 0.0f, 0), 0);
    EXPECT_EQ(m.Connect(0, c.source, c.destination, amount, c.mode), 0);
    // A second route into the same destination that is read as usual.
    EXPECT_EQ(m.Connect(1, kVelocity, c.destination, 0.5f, ModulationMatrix::kUnipolar), 0);
    std::fill(src.begin(), src.end(), fill);  // installing cleared it
    velocity[0] = c.source == kVelocity ? fill : 0.8f;
    m.SetSilent(c.source, silent);
    m.Process();
    m.SetSilent(c.source, false);
    const std::vector<float>& dst =
        c.destination == kPitch ? pitch : (c.destination == kCutoff ? cutoff : (c.destination == kLevel ? level : pair));
    return dst;
  };
  for (const Case& c : cases) {
    for (float amount : {1.0f, -0.6f}) {
      SCOPED_TRACE(::testing::Message() << "source " << c.source << " destination " << c.destination << " mode "
                                        << c.mode << " amount " << amount);
      const std::vector<float> zeros = run(c, amount, false, 0.0f);
      // Values that would show if the buffer were read.
      const std::vector<float> skipped = run(c, amount, true, 0.9f);
      EXPECT_EQ(skipped, zeros);
      const std::vector<float> read = run(c, amount, false, 0.9f);
      if (c.destination != 10) {
        EXPECT_NE(read, zeros);
      }
    }
  }
}

// Process starts the destinations that routes name from 0 and leaves the others alone, and
// reads only the sources a route takes at an amount other than 0.
TEST_F(ModulationMatrixTest, RoutedAndReadsNameWhatProcessTouches) {
  EXPECT_FALSE(m.Routed(kPitch));
  ASSERT_EQ(m.Connect(3, kEnv, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
  ASSERT_EQ(m.Connect(4, kEnv, kCutoff, 1.0f, ModulationMatrix::kOff), 0);  // zeroed, adds nothing
  EXPECT_TRUE(m.Routed(kPitch));
  EXPECT_TRUE(m.Routed(kCutoff));
  EXPECT_FALSE(m.Routed(kLevel));
  level[0] = 3.0f;
  cutoff.assign(kBlock, 3.0f);
  m.Process();
  EXPECT_EQ(level[0], 3.0f);
  EXPECT_EQ(cutoff, std::vector<float>(kBlock, 0.0f));
  EXPECT_TRUE(m.Reads(kEnv));
  EXPECT_FALSE(m.Reads(kLfo));
  ASSERT_EQ(m.Connect(3, kEnv, kLevel, 1.0f, ModulationMatrix::kUnipolar), 0);  // moved
  EXPECT_FALSE(m.Routed(kPitch));
  EXPECT_TRUE(m.Routed(kLevel));

  // At amount 0 a route still starts its destination from 0 but adds nothing, even from a
  // source that is not finite.
  ASSERT_EQ(m.Connect(5, kLfo, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
  EXPECT_TRUE(m.Reads(kLfo));
  EXPECT_EQ(m.SetAmount(5, 0.0f), 5);
  EXPECT_FALSE(m.Reads(kLfo));
  lfo.assign(kBlock, std::numeric_limits<float>::quiet_NaN());
  pitch.assign(kBlock, 3.0f);
  m.Process();
  EXPECT_EQ(pitch, std::vector<float>(kBlock, 0.0f));
  EXPECT_EQ(m.SetAmount(5, -0.5f), 5);
  EXPECT_TRUE(m.Reads(kLfo));
  for (int d : {-1, 46, 63}) EXPECT_FALSE(m.Routed(d)) << d;
  ASSERT_EQ(m.Connect(ModulationMatrix::kClearSlot, 0, 0, 0.0f, 0), 0);
  for (int d : {kPitch, kCutoff, kLevel}) EXPECT_FALSE(m.Routed(d)) << d;
  for (int src : {int{kEnv}, int{kLfo}, int{kVelocity}, -1, 32}) EXPECT_FALSE(m.Reads(src)) << src;
}

TEST_F(ModulationMatrixTest, InstallingARouteClearsDestinationsAndNonKeptSources) {
  std::fill(pitch.begin(), pitch.end(), 5.0f);
  std::fill(cutoff.begin(), cutoff.end(), 5.0f);
  level[0] = 5.0f;
  std::vector<float> scratch(kBlock, 3.0f);
  ASSERT_EQ(m.AddSource(5, "SCRATCH", kBlock, scratch.data(), 0, 0), 5);
  ASSERT_EQ(m.Connect(0, kEnv, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
  for (int i = 0; i < kBlock; ++i) {
    EXPECT_EQ(pitch[i], 0.0f);
    EXPECT_EQ(cutoff[i], 0.0f);
    EXPECT_EQ(scratch[i], 3.0f);
  }
  EXPECT_EQ(level[0], 0.0f);
  EXPECT_NE(env[1], 0.0f);  // kept
  ASSERT_EQ(m.Connect(1, 5, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
  for (float v : scratch) EXPECT_EQ(v, 0.0f);
}

TEST_F(ModulationMatrixTest, ClearSlotsRemoveEveryRoute) {
  for (int clear : {-1, 255}) {
    ASSERT_EQ(m.Connect(0, kEnv, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
    ASSERT_EQ(m.Connect(23, kEnv, kCutoff, 1.0f, ModulationMatrix::kUnipolar), 0);
    m.Process();
    ASSERT_NE(pitch[3], 0.0f);
    EXPECT_EQ(m.Connect(clear, kEnv, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
    std::fill(pitch.begin(), pitch.end(), 7.0f);
    m.Process();
    EXPECT_EQ(pitch[3], 7.0f) << "no route writes it any more";
    EXPECT_EQ(m.GetRouteValue(0), 0.0f);
    // SetAmount on a clear slot does nothing.
    EXPECT_EQ(m.SetAmount(clear, 3.0f), 0);
  }
}

TEST_F(ModulationMatrixTest, BadIndexesAreRefusedAndChangeNothing) {
  ASSERT_EQ(m.Connect(4, kEnv, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
  m.Process();
  const std::vector<float> before = pitch;
  struct Case {
    int slot, source, destination, result;
  };
  const Case cases[] = {
      {4, 32, kCutoff, ModulationMatrix::kBadSource},   {4, -1, kCutoff, ModulationMatrix::kBadSource},
      {4, kLfo, 46, ModulationMatrix::kBadDestination}, {4, kLfo, -3, ModulationMatrix::kBadDestination},
      {24, kLfo, kCutoff, ModulationMatrix::kBadSlot},  {-2, kLfo, kCutoff, ModulationMatrix::kBadSlot},
      {254, kLfo, kCutoff, ModulationMatrix::kBadSlot}, {255, 40, kCutoff, ModulationMatrix::kBadSource},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(m.Connect(c.slot, c.source, c.destination, 2.0f, ModulationMatrix::kBipolar), c.result)
        << c.slot << " " << c.source << " " << c.destination;
    EXPECT_EQ(pitch, before) << "buffers untouched";
  }
  EXPECT_EQ(m.SetAmount(24, 9.0f), ModulationMatrix::kBadSlot);
  EXPECT_EQ(m.SetAmount(-7, 9.0f), ModulationMatrix::kBadSlot);
  m.Process();
  EXPECT_EQ(pitch, before) << "route 4 still as installed";

  std::vector<float> spare(4);
  EXPECT_EQ(m.AddSource(32, "X", 4, spare.data(), 1, 0), -1);
  EXPECT_EQ(m.AddSource(-1, "X", 4, spare.data(), 1, 0), -1);
  EXPECT_EQ(m.AddDestination(46, "X", 4, spare.data(), nullptr), -1);
  EXPECT_EQ(m.AddDestination(-1, "X", 4, spare.data(), nullptr), -1);
  EXPECT_EQ(m.AddSource(31, "LAST", 4, spare.data(), 1, 0), 31);
  EXPECT_EQ(m.AddDestination(45, "LAST", 4, spare.data(), nullptr), 45);
}

TEST_F(ModulationMatrixTest, NamesAreCutTo31Characters) {
  const std::string longName(40, 'x');
  std::vector<float> spare(1);
  m.AddSource(7, longName.c_str(), 1, spare.data(), 1, 0);
  m.AddDestination(7, longName.c_str(), 1, spare.data(), nullptr);
  EXPECT_EQ(std::string(m.SourceName(7)), std::string(31, 'x'));
  EXPECT_EQ(std::string(m.DestinationName(7)), std::string(31, 'x'));
  m.AddSource(8, nullptr, 1, spare.data(), 1, 0);
  EXPECT_STREQ(m.SourceName(8), "");
  EXPECT_STREQ(m.DestinationName(0), "PITCH");
}

// Unregistered indexes have no buffers: their routes are installed but inert.
TEST_F(ModulationMatrixTest, RoutesWithoutBuffersContributeNothing) {
  EXPECT_EQ(m.Connect(0, 20, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
  EXPECT_EQ(m.Connect(1, kEnv, 40, 1.0f, ModulationMatrix::kUnipolar), 0);
  ASSERT_EQ(m.Connect(2, kVelocity, kPitch, 1.0f, ModulationMatrix::kUnipolar), 0);
  m.Process();
  for (float v : pitch) EXPECT_FLOAT_EQ(v, 0.8f);
  EXPECT_EQ(m.GetRouteValue(1), 0.0f);
}

TEST_F(ModulationMatrixTest, ProcessAllocatesNothing) {
  for (int slot = 0; slot < ModulationMatrix::kRoutes; ++slot)
    m.Connect(slot, slot % 3, slot % 3, 0.1f, ModulationMatrix::kBipolar);
  testing_support::AllocGuard guard;
  for (int i = 0; i < 100; ++i) {
    m.SetAmount(i % 24, 0.2f);
    m.Process();
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
