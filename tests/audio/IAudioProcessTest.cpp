#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "audio/IAudioProcess.h"
#include "tests/audio/VtableSlot.h"

namespace {

static_assert(sizeof(tagPluginAttr) == 12, "three 32-bit integers, passed by value to init");

using vtable_test::SlotOf;

// Implementers are built against this order; a slot moved or dropped (the two
// no-operation slots included) shifts every operation after it.
TEST(IAudioProcess, OperationsSitInTheirFixedSlots) {
  struct Slot {
    std::ptrdiff_t actual;
    std::ptrdiff_t expected;
    const char* name;
  };
  const Slot slots[] = {
      {SlotOf(&IAudioProcess::init), 0, "init"},
      {SlotOf(&IAudioProcess::Process), 1, "Process"},
      {SlotOf(&IAudioProcess::Render), 2, "Render"},
      {SlotOf(&IAudioProcess::RenderWorker), 3, "RenderWorker"},
      {SlotOf(&IAudioProcess::OnEvent), 4, "OnEvent"},
      {SlotOf(&IAudioProcess::OnMidi), 5, "OnMidi"},
      {SlotOf(&IAudioProcess::OnClock), 6, "OnClock"},
      {SlotOf(&IAudioProcess::SetParam), 7, "SetParam"},
      {SlotOf(&IAudioProcess::Reserved8), 8, "no operation"},
      {SlotOf(&IAudioProcess::SetModRoute), 9, "SetModRoute"},
      {SlotOf(&IAudioProcess::SetModAmount), 10, "SetModAmount"},
      {SlotOf(&IAudioProcess::SetPadSample), 11, "SetPadSample"},
      {SlotOf(&IAudioProcess::SetSample), 12, "SetSample"},
      {SlotOf(&IAudioProcess::SetLfoWave), 13, "SetLfoWave"},
      {SlotOf(&IAudioProcess::SetWavetable), 14, "SetWavetable"},
      {SlotOf(&IAudioProcess::GetPartVoiceState), 15, "GetPartVoiceState"},
      {SlotOf(&IAudioProcess::GetVoiceAllocState), 16, "GetVoiceAllocState"},
      {SlotOf(&IAudioProcess::TriggerSwap), 17, "TriggerSwap"},
      {SlotOf(&IAudioProcess::IsSwapPending), 18, "IsSwapPending"},
      {SlotOf(&IAudioProcess::SwapPage), 19, "SwapPage"},
      {SlotOf(&IAudioProcess::GetParamBlock), 20, "GetParamBlock"},
      {SlotOf(&IAudioProcess::Reserved21), 21, "no operation"},
      {SlotOf(&IAudioProcess::ClearShadowBank), 22, "ClearShadowBank"},
      {SlotOf(&IAudioProcess::GetVoice), 23, "GetVoice"},
  };
  for (const Slot& s : slots) EXPECT_EQ(s.actual, s.expected) << s.name;

  // The two destructor entries close the table: 26 slots, so a derived class's first
  // virtual of its own lands in slot 26.
  struct Derived : IAudioProcess {
    void init(tagPluginAttr, EngineLogFn) override {}
    virtual void Extra() {}
  };
  EXPECT_EQ(SlotOf(&Derived::Extra), 26);
}

TEST(IAudioProcess, DefaultsDoNothingAndReturnZero) {
  struct Minimal : IAudioProcess {
    void init(tagPluginAttr, EngineLogFn) override {}
    uint8_t Flag() const { return flag_; }
    float Gain() const { return gain_; }
  };
  Minimal m;
  IAudioProcess& p = m;
  EXPECT_EQ(m.Flag(), 0);
  EXPECT_EQ(m.Gain(), 1.0f);
  EXPECT_EQ(p.GetPartVoiceState(0), nullptr);
  EXPECT_EQ(p.GetVoiceAllocState(0), nullptr);
  EXPECT_EQ(p.IsSwapPending(0), 0);
  EXPECT_EQ(p.GetParamBlock(0), nullptr);
  EXPECT_EQ(p.GetVoice(0), nullptr);
}

}  // namespace
