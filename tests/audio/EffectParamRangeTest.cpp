// Every parameter number of every effect type, fed values a corrupt preset or a runaway
// controller could send: non-finite values change nothing, huge ones are held to a range the
// effect can play, and the effect's output stays finite and bounded.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "audio/CEffectBase.h"
#include "audio/EffectRegistry.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = effect_buffers::kBlock;
constexpr int kBlocks = 60;

// An instance of `type` as a slot takes it, running at full level.
std::unique_ptr<CEffectBase> Make(int type) {
  const effect_registry::TypeRow& row = effect_registry::kTypes[type - 1];
  std::unique_ptr<CEffectBase> e(row.create());
  effect_registry::Apply(row, row.atInit, e.get(), kRate);
  effect_registry::Apply(row, row.whenChosen, e.get(), kRate);
  e->SetBypass(0);
  return e;
}

// Runs noise at half scale through the effect; returns the part pair's output.
effect_buffers::Buffers Play(CEffectBase& e, unsigned seed) {
  effect_buffers::Buffers b(kBlocks * kBlock);
  b.data[0] = effect_buffers::Noise(kBlocks * kBlock, seed);
  b.data[1] = effect_buffers::Noise(kBlocks * kBlock, seed + 1);
  b.data[2] = b.data[0];
  b.data[3] = b.data[1];
  effect_buffers::RunBlocks(e, b);
  return b;
}

TEST(EffectParamRange, NonFiniteValuesChangeNothingForAnyIdOfAnyType) {
  platform::ScopedFlushToZero ftz;
  const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity()};
  for (int type = 1; type <= effect_registry::kTypeCount; ++type) {
    for (int id = 0; id < 16; ++id) {
      for (float v : bad) {
        std::unique_ptr<CEffectBase> sent = Make(type), untouched = Make(type);
        Play(*sent, 3);
        Play(*untouched, 3);
        sent->SetParam(id, v);
        const effect_buffers::Buffers a = Play(*sent, 5), b = Play(*untouched, 5);
        ASSERT_EQ(a.data[0], b.data[0]) << "type " << type << " id " << id << " value " << v;
        ASSERT_EQ(a.data[1], b.data[1]) << "type " << type << " id " << id << " value " << v;
      }
    }
  }
}

// The first output sample that is not finite or reaches 100, as a message; empty when none.
std::string Misbehaves(const effect_buffers::Buffers& out) {
  for (int c = 0; c < 2; ++c)
    for (float y : out.data[c])
      if (!std::isfinite(y) || std::fabs(y) >= 100.0f) return "output " + std::to_string(y);
  return {};
}

TEST(EffectParamRange, HugeValuesAreHeldToARangeThatPlays) {
  platform::ScopedFlushToZero ftz;
  const float huge[] = {1e30f, -1e30f, 1e6f, -1e6f};
  for (int type = 1; type <= effect_registry::kTypeCount; ++type) {
    for (int id = 0; id < 16; ++id) {
      for (float v : huge) {
        std::unique_ptr<CEffectBase> e = Make(type);
        Play(*e, 3);
        e->SetParam(id, v);
        EXPECT_EQ(Misbehaves(Play(*e, 7)), "") << "type " << type << " id " << id << " value " << v;
        // A sane value afterwards plays again (nothing stuck in the state).
        e->SetParam(id, 0.0f);
        Play(*e, 9);
        EXPECT_EQ(Misbehaves(Play(*e, 11)), "") << "type " << type << " id " << id << " then 0";
      }
    }
  }
}

}  // namespace
