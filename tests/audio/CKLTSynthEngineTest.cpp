#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio/CKLTSynthEngine.h"
#include "tests/engine/EngineRig.h"

namespace {

EngineEvent MakeEvent(int32_t type, uint8_t part, uint8_t note, float second) {
  EngineEvent e{};
  e.type = type;
  e.part = part;
  e.first.note = note;
  e.second = second;
  return e;
}

EngineEvent MakeValueEvent(int32_t type, uint8_t part, float value) {
  EngineEvent e{};
  e.type = type;
  e.part = part;
  e.first.value = value;
  return e;
}

class Adapter : public ::testing::Test {
 protected:
  Adapter() {
    initMathTables();
    adapter.init({0, engine_test::kFrames, engine_test::kRate}, nullptr);
    engine().SetClock(&engine_test::FrozenNow);
    log.Clear();  // the voices' start-up lines
  }
  CSynthEngine& engine() { return *adapter.engine(); }
  int Playing(int part) {
    int n = 0;
    const auto* table = static_cast<const VoiceAllocEntry*>(adapter.GetVoiceAllocState(0));
    for (int s = 0; s < 16; ++s) n += table[s].state == CVoiceAlloc::kPlaying && table[s].part == part ? 1 : 0;
    return n;
  }
  void Period() {
    adapter.RenderWorker(nullptr, 0);
    adapter.RenderWorker(nullptr, 1);
    adapter.Render(out, 0, 0.0f);
  }

  platform::ScopedFlushToZero ftz;
  testing_support::LogCapture log;
  CKLTSynthEngine adapter;
  float buffers[8][engine_test::kFrames] = {};
  float* out[8] = {buffers[0], buffers[1], buffers[2], buffers[3], buffers[4], buffers[5], buffers[6], buffers[7]};
};

TEST_F(Adapter, DispatchesEventsByType) {
  auto send = [&](const EngineEvent& e) { adapter.OnEvent(&e); };
  send(MakeEvent(kEventNoteOn, 2, 60, 0.8f));
  EXPECT_EQ(Playing(2), 1);
  send(MakeEvent(kEventNoteOff, 2, 60, 0.5f));
  EXPECT_EQ(Playing(2), 0);

  send(MakeEvent(kEventControlChange, 1, 1, 0.25f));
  EXPECT_FLOAT_EQ(engine().controller(VoiceControllers::kModWheel), 0.25f);

  // Channel pressure 0..127 reaches the engine as controller 255 on a square law.
  const std::pair<float, float> pressure[] = {{0.0f, 0.0f}, {64.0f, 1.0f}, {127.0f, 3.938f}};
  for (auto [in, expected] : pressure) {
    send(MakeValueEvent(kEventChannelPressure, 0, in));
    EXPECT_NEAR(engine().controller(VoiceControllers::kPressure), expected, 0.0005f) << in;
  }

  // Bend and poly pressure reach the voice bound to the part.
  send(MakeEvent(kEventNoteOn, 3, 64, 1.0f));
  Period();
  send(MakeValueEvent(kEventPitchBend, 3, 1.0f));
  send(MakeEvent(kEventPolyPressure, 3, 64, 0.5f));
  const int slot = engine().FindVoice(3, 64);
  ASSERT_GE(slot, 0);
  EXPECT_FLOAT_EQ(engine().slot(slot).BoundVoice()->bendFactor(), 2.0f);
  EXPECT_NE(log.Text().find("] : aftertouch 0.500000"), std::string::npos);

  // Stop resets the part.
  send(MakeEvent(kEventNoteOn, 0, 50, 1.0f));
  send(MakeEvent(kEventStop, 0, 0, 0.0f));
  EXPECT_EQ(Playing(0), 0);
}

TEST_F(Adapter, UnknownTypesAreReportedOnStandardError) {
  const std::pair<int32_t, const char*> cases[] = {
      {kEventProgramChange, "[KLT] ??? Type 7\n"},
      {13, "[KLT] ??? Type 13\n"},
      {kEventNone, "[KLT] ??? Type 0\n"},
      {kEventClock, ""},
      {kEventStart, ""},
      {kEventContinue, ""},
  };
  for (auto [type, line] : cases) {
    testing::internal::CaptureStderr();
    const EngineEvent e = MakeEvent(type, 0, 60, 1.0f);
    adapter.OnEvent(&e);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), line) << type;
    EXPECT_EQ(Playing(0), 0) << type;
  }
}

TEST(AdapterBeforeInit, DropsEventsSilently) {
  CKLTSynthEngine adapter;
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  const EngineEvent e = MakeEvent(kEventNoteOn, 0, 60, 1.0f);
  adapter.OnEvent(&e);
  const EngineEvent unknown = MakeEvent(7, 0, 0, 0.0f);
  adapter.OnEvent(&unknown);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(adapter.engine(), nullptr);
}

// Route amounts arrive in percent.
TEST_F(Adapter, ModAmountsArriveInPercent) {
  adapter.SetModRoute(1, 1, 4, 100.0f, SynthVoice::kSrcFix, SynthVoice::kDstVcfAMod, ModulationMatrix::kUnipolar,
                      9.0f);
  SynthVoice& v = engine().bank(1, 1).voice(7);
  v.ApplyParams();
  v.matrix().Process();
  EXPECT_FLOAT_EQ(v.matrix().GetRouteValue(4), 1.0f);
  adapter.SetModAmount(1, 4, 50.0f);
  v.ApplyParams();
  v.matrix().Process();
  EXPECT_FLOAT_EQ(v.matrix().GetRouteValue(4), 0.5f);
}

TEST_F(Adapter, SplitsTheParameterAddress) {
  // Bits 12-15 the instance: LFO smooth of LFO 3; bits 0-11 the number.
  adapter.SetParam(1, 0, (2u << 12) | 1289u | (1u << 16), 40.0f);
  EXPECT_FLOAT_EQ(engine().lfoSmooth(2), 0.4f);
  EXPECT_FLOAT_EQ(engine().lfoSmooth(0), 0.0f);
}

void RecordSwap(void* context, int part, int value) {
  static_cast<std::vector<std::pair<int, int>>*>(context)->emplace_back(part, value);
}

TEST(AdapterFactory, RelaysSwapProgressAndState) {
  initMathTables();
  testing_support::LogCapture log;
  std::vector<std::pair<int, int>> progress;
  std::unique_ptr<IAudioProcess> p(MakeSynthEngine(&RecordSwap, &progress));
  p->init({0, engine_test::kFrames, engine_test::kRate}, nullptr);
  static_cast<CKLTSynthEngine*>(p.get())->engine()->SetClock(&engine_test::FrozenNow);
  float buffers[8][engine_test::kFrames];
  float* out[8];
  for (int c = 0; c < 8; ++c) out[c] = buffers[c];
  EXPECT_EQ(p->IsSwapPending(2), 0);
  EXPECT_EQ(p->GetPartVoiceState(2), nullptr);
  p->ClearShadowBank(2, 0);
  p->TriggerSwap(2);
  int periods = 0;
  for (; periods < 100 && p->IsSwapPending(2) != 0; ++periods) {
    p->RenderWorker(nullptr, 0);
    p->RenderWorker(nullptr, 1);
    p->Render(out, 0, 0.0f);
  }
  // Trigger, shutdown, exchange after the first silent check, then ten periods for the effects.
  EXPECT_EQ(periods, 12);
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{2, 1}, {2, 2}, {2, 3}, {2, 0}}));
  EXPECT_EQ(p->GetVoice(16), nullptr);
  ASSERT_NE(p->GetVoice(15), nullptr);
  const EngineEvent e = MakeEvent(kEventNoteOn, 2, 60, 1.0f);
  p->OnEvent(&e);
  EXPECT_NE(p->GetPartVoiceState(2), nullptr);
}

}  // namespace
