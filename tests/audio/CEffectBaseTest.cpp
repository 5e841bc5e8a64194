#include "audio/CEffectBase.h"

#include <gtest/gtest.h>

#include "tests/audio/VtableSlot.h"

namespace {

using vtable_test::SlotOf;

struct Params {
  float a = 0.0f;
};

class Minimal : public CEffectBase {
 public:
  Minimal() : CEffectBase(&params) {}
  void Process(float**, float**, int, float) override {}
  void SetParam(int, float) override {}
  virtual void Extra() {}
  Params params;
};

TEST(CEffectBase, OperationsSitInTheirFixedSlots) {
  struct Slot {
    std::ptrdiff_t actual;
    std::ptrdiff_t expected;
    const char* name;
  };
  const Slot slots[] = {
      {SlotOf(&CEffectBase::Process), 2, "Process"},
      {SlotOf(&CEffectBase::SetParam), 3, "SetParam"},
      {SlotOf(&CEffectBase::SetBypass), 4, "SetBypass"},
      {SlotOf(&CEffectBase::IsBypassed), 5, "IsBypassed"},
      {SlotOf(&CEffectBase::OnMidi), 6, "OnMidi"},
      {SlotOf(&CEffectBase::OnClock), 7, "OnClock"},
      {SlotOf(&CEffectBase::GetState), 8, "GetState"},
      {SlotOf(&CEffectBase::SetState), 9, "SetState"},
      {SlotOf(&CEffectBase::GetParamBlock), 10, "GetParamBlock"},
      // The table closes at slot 10: an effect's own first virtual comes next.
      {SlotOf(&Minimal::Extra), 11, "first virtual of an effect"},
  };
  for (const Slot& s : slots) EXPECT_EQ(s.actual, s.expected) << s.name;
}

TEST(CEffectBase, StartsIdleAndBypassedAndKeepsItsMembersInOrder) {
  Minimal e;
  CEffectBase& base = e;
  EXPECT_EQ(base.level, 0.0f);
  EXPECT_EQ(base.GetState(), CEffectBase::kIdle);
  EXPECT_EQ(base.IsBypassed(), 1);
  EXPECT_EQ(base.GetParamBlock(), &e.params);

  base.SetBypass(0);
  EXPECT_EQ(base.IsBypassed(), 0);
  base.SetState(CEffectBase::kFadingOut);
  EXPECT_EQ(base.GetState(), 1);
  EXPECT_EQ(base.state, 1);

  const auto* level = reinterpret_cast<const char*>(&base.level);
  const auto* state = reinterpret_cast<const char*>(&base.state);
  const auto* bypass = reinterpret_cast<const char*>(&base.bypass);
  EXPECT_LT(level, state);
  EXPECT_LT(state, bypass);
}

}  // namespace
