#include "audio/CFXEngine.h"
#include "audio/EffectRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"

namespace {

constexpr int kFrames = 128;
constexpr uint32_t kType = 0xF0;
constexpr uint32_t kBypass = 0x00F;

class RecordingFx;

// The test effect's parameter record carries its owner, so a test reaches the effect in a
// slot through the engine's GetParamBlock.
struct RecordingParams {
  float mul = 1.0f;  // id 1
  float add = 0.0f;  // id 2
  RecordingFx* self = nullptr;
};

// A gain-and-offset effect on the part pair that writes down every call it gets, into
// fixed storage so that recording allocates nothing.
class RecordingFx : public CEffectBase {
 public:
  struct Call {
    float level;
    int frames;
    bool inPlace;
    float** buffers;
    float sideChainL;
    float sideChainR;
  };
  enum Kind { kReset, kSetParam, kMidi, kClock };
  struct Event {
    Kind kind;
    int a;
    float v;
  };

  static inline int live = 0;
  static inline std::vector<RecordingFx*>* created = nullptr;

  explicit RecordingFx(int type) : CEffectBase(&params_), type_(type) {
    params_.self = this;
    ++live;
    if (created != nullptr) created->push_back(this);
  }
  ~RecordingFx() override { --live; }

  void Reset(int rate) { Note({kReset, rate, 0.0f}); }

  void Process(float** in, float** out, int frames, float lvl) override {
    if (calls_ < static_cast<int>(callLog_.size()))
      callLog_[calls_] = {lvl, frames, in == out, out, out[2][0], out[3][0]};
    ++calls_;
    for (int ch = 0; ch < 2; ++ch)
      for (int i = 0; i < frames; ++i) out[ch][i] = out[ch][i] * params_.mul + params_.add;
  }
  void SetParam(int id, float value) override {
    Note({kSetParam, id, value});
    if (id == 1) params_.mul = value;
    if (id == 2) params_.add = value;
  }
  void OnMidi(const PartMidiMessage* m) override { Note({kMidi, m->status, 0.0f}); }
  void OnClock(unsigned tick, float bpm) override { Note({kClock, static_cast<int>(tick), bpm}); }

  int Type() const { return type_; }
  int Calls() const { return calls_; }
  const Call& CallAt(int n) const { return callLog_.at(n); }
  void Forget() {
    calls_ = 0;
    events_ = 0;
  }
  std::vector<std::string> Events() const {
    static const char* const kNames[] = {"Reset", "SetParam", "Midi", "Clock"};
    std::vector<std::string> out;
    for (int i = 0; i < events_; ++i) {
      char text[64];
      std::snprintf(text, sizeof text, "%s %d %g", kNames[eventLog_[i].kind], eventLog_[i].a,
                    static_cast<double>(eventLog_[i].v));
      out.emplace_back(text);
    }
    return out;
  }

 private:
  void Note(Event e) {
    if (events_ < static_cast<int>(eventLog_.size())) eventLog_[events_++] = e;
  }

  RecordingParams params_;
  int type_;
  std::array<Call, 128> callLog_{};
  int calls_ = 0;
  std::array<Event, 32> eventLog_{};
  int events_ = 0;
};

template <int Type>
CEffectBase* CreateRecording() {
  return new RecordingFx(Type);
}

void ResetRecording(CEffectBase* e, int rate) { static_cast<RecordingFx*>(e)->Reset(rate); }

// The production table's steps with the test effect standing in for every type; the chain
// mixes its output with its input by the fade level, as for any effect that does not fade
// itself.
effect_registry::Table RecordingTypes() {
  effect_registry::Table t = effect_registry::kTypes;
  constexpr std::array<CEffectBase* (*)(), 9> kCreate = {
      CreateRecording<1>, CreateRecording<2>, CreateRecording<3>, CreateRecording<4>, CreateRecording<5>,
      CreateRecording<6>, CreateRecording<7>, CreateRecording<8>, CreateRecording<9>};
  for (int i = 0; i < effect_registry::kTypeCount; ++i) {
    t[i].create = kCreate[i];
    t[i].reset = ResetRecording;
    t[i].fade = nullptr;
  }
  return t;
}

RecordingFx* InSlot(CFXEngine& fx, int slot) {
  auto* p = static_cast<RecordingParams*>(fx.GetParamBlock(slot));
  return p != nullptr ? p->self : nullptr;
}

// Four period buffers in and out, the inputs holding distinct constant signals.
struct Period {
  std::array<std::array<float, kFrames>, 4> in{};
  std::array<std::array<float, kFrames>, 4> out{};
  std::array<float*, 4> inPtr{};
  std::array<float*, 4> outPtr{};
  Period() {
    for (int b = 0; b < 4; ++b) {
      inPtr[b] = in[b].data();
      outPtr[b] = out[b].data();
      for (int i = 0; i < kFrames; ++i) in[b][i] = 0.1f * static_cast<float>(b + 1) + 0.001f * static_cast<float>(i);
    }
  }
  void Run(CFXEngine& fx) { fx.Process(inPtr.data(), outPtr.data()); }
};

class CFXEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingFx::created = &created_;
    fx_ = std::make_unique<CFXEngine>(RecordingTypes());
    fx_->init({3, kFrames, 48000}, nullptr);
    for (RecordingFx* e : created_) e->Forget();
    log_ = std::make_unique<testing_support::LogCapture>();
  }
  void TearDown() override {
    log_.reset();
    fx_.reset();
    RecordingFx::created = nullptr;
  }

  // Chooses `type` for `slot` of the current page and switches it on.
  RecordingFx* Place(int slot, int type) {
    fx_->SetParam(1, slot, kType, static_cast<float>(type));
    fx_->SetParam(1, slot, kBypass, 0.0f);
    RecordingFx* e = InSlot(*fx_, slot);
    if (e != nullptr) e->Forget();
    log_->Clear();
    return e;
  }

  platform::ScopedFlushToZero ftz_;
  std::vector<RecordingFx*> created_;
  std::unique_ptr<CFXEngine> fx_;
  std::unique_ptr<testing_support::LogCapture> log_;
};

TEST_F(CFXEngineTest, MakesBothPagesOfEveryBuiltTypeOnceAndFreesThem) {
  ASSERT_EQ(created_.size(), 18u);
  int perType[10] = {};
  for (RecordingFx* e : created_) ++perType[e->Type()];
  for (int type = 1; type <= 9; ++type) EXPECT_EQ(perType[type], 2) << type;
  fx_.reset();
  EXPECT_EQ(RecordingFx::live, 0);

  // Unbuilt types have no instances.
  created_.clear();
  effect_registry::Table partial = RecordingTypes();
  for (auto& row : partial)
    if (row.type != 2 && row.type != 6) row.create = nullptr;
  auto fx = std::make_unique<CFXEngine>(partial);
  EXPECT_EQ(created_.size(), 4u);
  fx.reset();
  EXPECT_EQ(RecordingFx::live, 0);
}

TEST_F(CFXEngineTest, InitResetsEveryInstanceWithItsStartStepAndEmptiesTheSlots) {
  Place(0, 5);
  for (RecordingFx* e : created_) e->Forget();
  fx_->init({4, kFrames, 44100}, nullptr);

  const std::vector<std::vector<std::string>> expected = {
      {},
      {"Reset 44100 0", "SetParam 0 0"},  // modulated delay
      {"Reset 44100 0"},
      {"Reset 44100 0", "SetParam 0 0"},  // stereo delay
      {"Reset 44100 0"},
      {"Reset 44100 0"},
      {"Reset 44100 0", "SetParam 0 4"},  // reverb
      {"Reset 44100 0"},
      {"Reset 44100 0"},
      {"Reset 44100 0"},
  };
  for (RecordingFx* e : created_) EXPECT_EQ(e->Events(), expected[e->Type()]) << "type " << e->Type();
  for (int page = 0; page < 2; ++page) {
    for (int slot = 0; slot < 10; ++slot) EXPECT_EQ(fx_->GetParamBlock(slot), nullptr) << page << "/" << slot;
    fx_->SwapPage(0);
  }
}

TEST_F(CFXEngineTest, ChoosingATypeAppliesItsStepAndLogsTheLines) {
  const std::vector<std::vector<std::string>> expected = {
      {},
      {},  // the modulated delay keeps its state
      {"Reset 48000 0"},
      {"Reset 48000 0", "SetParam 0 0"},
      {"Reset 48000 0"},
      {"Reset 48000 0"},
      {"Reset 48000 0", "SetParam 0 4"},
      {"Reset 48000 0"},
      {"Reset 48000 0"},
      {"Reset 48000 0"},
  };
  for (int type = 1; type <= 9; ++type) {
    const int slot = type - 1;
    fx_->SetParam(1, slot, kType, static_cast<float>(type));
    RecordingFx* e = InSlot(*fx_, slot);
    ASSERT_NE(e, nullptr) << type;
    EXPECT_EQ(e->Type(), type);
    EXPECT_EQ(e->Events(), expected[type]) << "type " << type;
  }
  EXPECT_EQ(log_->Text().rfind("FX: Set Type 1 page 0\n"
                               "FX: Set Type 2 page 0\n",
                               0),
            0u);

  // rt 0 prepares the page that does not sound.
  log_->Clear();
  fx_->SetParam(0, 4, kType, 8.0f);
  EXPECT_EQ(log_->Text(), "FX: Set Type 8 page 1\n");
  EXPECT_EQ(InSlot(*fx_, 4)->Type(), 5);
  fx_->SwapPage(0);
  EXPECT_EQ(InSlot(*fx_, 4)->Type(), 8);
  EXPECT_EQ(InSlot(*fx_, 0), nullptr);
}

TEST_F(CFXEngineTest, ATypeInUseOnItsPageIsRefusedAndTheSlotKeepsItsEffect) {
  RecordingFx* eq = Place(1, 2);
  RecordingFx* ladder = Place(3, 4);
  fx_->SetParam(1, 3, kType, 2.0f);
  EXPECT_EQ(log_->Text(), "Effect 2: allready in use (skipped) \n");
  EXPECT_EQ(InSlot(*fx_, 3), ladder);
  EXPECT_TRUE(eq->Events().empty());  // not reset either

  // Choosing it again for its own slot is refused too; the other page has its own EQ.
  fx_->SetParam(1, 1, kType, 2.0f);
  EXPECT_EQ(InSlot(*fx_, 1), eq);
  EXPECT_TRUE(eq->Events().empty());
  log_->Clear();
  fx_->SetParam(0, 3, kType, 2.0f);
  EXPECT_EQ(log_->Text(), "FX: Set Type 2 page 1\n");
}

TEST_F(CFXEngineTest, TypeZeroEmptiesTheSlotWithoutTheInUseCheck) {
  Place(1, 2);
  Place(3, 4);
  fx_->SetParam(1, 3, kType, 0.0f);
  EXPECT_EQ(log_->Text(), "FX: Set Type 0 page 0\n");
  EXPECT_EQ(fx_->GetParamBlock(3), nullptr);
  EXPECT_NE(fx_->GetParamBlock(1), nullptr);
  // An emptied slot takes a type again (the ladder is free once more).
  fx_->SetParam(1, 5, kType, 4.0f);
  EXPECT_EQ(InSlot(*fx_, 5)->Type(), 4);
}

TEST_F(CFXEngineTest, TypesOutsideOneToNineChangeNothing) {
  struct Case {
    float value;
    const char* setTypeLine;
  };
  const Case cases[] = {
      {12.0f, "FX: Set Type 12 page 0\n"},
      {10.0f, "FX: Set Type 10 page 0\n"},
      {1e10f, "FX: Set Type 2147483647 page 0\n"},
      {-1.0f, "FX: Set Type -1 page 0\n"},
      // Would truncate to 0 and empty the slot.
      {-0.5f, "FX: Set Type -1 page 0\n"},
      {std::numeric_limits<float>::quiet_NaN(), "FX: Set Type -1 page 0\n"},
  };
  RecordingFx* ladder = Place(3, 4);
  for (const Case& c : cases) {
    log_->Clear();
    fx_->SetParam(1, 3, kType, c.value);
    const std::string text = log_->Text();
    EXPECT_NE(text.find(c.setTypeLine), std::string::npos) << text;
    EXPECT_EQ(InSlot(*fx_, 3), ladder) << c.value;
  }
  EXPECT_TRUE(ladder->Events().empty());
}

TEST_F(CFXEngineTest, ParametersReachTheSlotsEffectByTheirTwelveBitId) {
  RecordingFx* e = Place(2, 7);
  struct Case {
    uint32_t id;
    float value;
    int bypass;         // expected afterwards
    const char* event;  // the SetParam the effect got, or null
  };
  const Case cases[] = {
      {kBypass, 1.0f, 1, nullptr},
      {kBypass, 0.0f, 0, nullptr},
      {kBypass, 0.5f, 1, nullptr},  // any non-zero value switches off
      {0x200F, -0.0f, 0, nullptr},
      {0x200F, 2.0f, 1, nullptr},
      {0x10F, 3.0f, 1, "SetParam 271 3"},
      {0x1005, 7.0f, 1, "SetParam 5 7"},
      {0x000, 4.5f, 1, "SetParam 0 4.5"},
  };
  for (const Case& c : cases) {
    e->Forget();
    fx_->SetParam(1, 2, c.id, c.value);
    EXPECT_EQ(e->IsBypassed(), c.bypass) << std::hex << c.id;
    const std::vector<std::string> want = c.event ? std::vector<std::string>{c.event} : std::vector<std::string>{};
    EXPECT_EQ(e->Events(), want) << std::hex << c.id;
  }
  // The type test looks at the low byte only.
  fx_->SetParam(1, 2, 0x1F0, 9.0f);
  EXPECT_EQ(InSlot(*fx_, 2)->Type(), 9);
}

TEST_F(CFXEngineTest, ParametersForAnEmptySlotAreSkipped) {
  fx_->SetParam(1, 4, 0x003, 1.0f);
  fx_->SetParam(0, 4, kBypass, 0.0f);
  EXPECT_EQ(log_->Text(), "") << "a load sets every parameter: no line for each";
  EXPECT_EQ(fx_->GetParamBlock(4), nullptr);
}

TEST_F(CFXEngineTest, SlotsAboveNineAreIgnored) {
  RecordingFx* e = Place(9, 2);
  for (int slot : {10, 12, 15, -1}) {
    log_->Clear();
    fx_->SetParam(1, slot, kType, 3.0f);
    fx_->SetParam(1, slot, kBypass, 1.0f);
    fx_->SetParam(0, slot, 0x001, 1.0f);
    EXPECT_EQ(log_->Text(), "") << slot;
    EXPECT_EQ(fx_->GetParamBlock(slot), nullptr);
  }
  EXPECT_EQ(InSlot(*fx_, 9), e);
  EXPECT_FALSE(e->IsBypassed());
  for (int slot = 0; slot < 9; ++slot) EXPECT_EQ(fx_->GetParamBlock(slot), nullptr);
}

TEST(CFXEngine, ATypeWithoutAnInstancePrintsItsSetTypeLineAndIsIgnored) {
  effect_registry::Table types = effect_registry::kTypes;
  types[1].create = nullptr;  // type 2 has no instance
  CFXEngine fx(types);
  fx.init({3, kFrames, 48000}, nullptr);
  testing_support::LogCapture log;
  fx.SetParam(1, 0, kType, 2.0f);
  fx.SetParam(1, 1, kType, 2.0f);  // a missing instance is in no slot
  fx.SetParam(1, 0, kBypass, 0.0f);
  EXPECT_EQ(log.Text(), "FX: Set Type 2 page 0\nFX: Set Type 2 page 0\n");
  EXPECT_EQ(fx.GetParamBlock(0), nullptr);
  Period p;
  p.Run(fx);
  EXPECT_EQ(p.out, p.in);
}

// The production table: each of the nine effects stands in a slot of the sounding page,
// switched on, and the chain of all of them keeps a noisy part finite without allocating.
TEST(CFXEngine, EveryEffectTypeRunsInAChainOfTheSoundingPage) {
  platform::ScopedFlushToZero ftz;
  CFXEngine fx;
  fx.init({3, kFrames, 48000}, nullptr);
  int built = 0;
  {
    testing_support::LogCapture quiet;
    for (int type = 1; type <= 9; ++type) {
      fx.SetParam(1, built, kType, static_cast<float>(type));
      fx.SetParam(1, built, kBypass, 0.0f);
      EXPECT_NE(fx.GetParamBlock(built), nullptr) << "type " << type;
      ++built;
    }
  }
  EXPECT_EQ(built, 9);
  Period p;
  uint32_t noise = 1;
  testing_support::AllocGuard guard;
  for (int period = 0; period < 400; ++period) {
    for (auto& buffer : p.in)
      for (float& x : buffer) {
        noise = noise * 1664525u + 1013904223u;
        x = 0.5f * (static_cast<float>(noise >> 8) / 8388608.0f - 1.0f);
      }
    p.Run(fx);
    for (const auto& buffer : p.out)
      for (float x : buffer) ASSERT_TRUE(std::isfinite(x)) << "period " << period;
  }
  EXPECT_EQ(guard.Count(), 0u);
}

// After init every instance exists and is sized: choosing a type only resets it, on either
// page and again after the slot was emptied.
TEST(CFXEngine, ChoosingAnyEffectTypeAllocatesNothing) {
  CFXEngine fx;
  fx.init({3, kFrames, 48000}, nullptr);
  testing_support::LogCapture quiet;
  testing_support::AllocGuard guard;
  for (int round = 0; round < 2; ++round)
    for (int rt = 0; rt <= 1; ++rt) {
      for (int type = 1; type <= 9; ++type) fx.SetParam(rt, type - 1, kType, static_cast<float>(type));
      for (int slot = 0; slot < 9; ++slot) fx.SetParam(rt, slot, kType, 0.0f);
    }
  EXPECT_EQ(guard.Count(), 0u);
}

TEST_F(CFXEngineTest, ProcessCopiesTheFourInputsToTheOutputs) {
  Period p;
  p.Run(*fx_);
  EXPECT_EQ(p.out, p.in);
}

// The part pair leaving a doubling effect at fade level g is x + g (2x - x) = (1 + g) x.
float FadeLevelOf(const Period& p, int i) { return p.out[0][i] / p.in[0][i] - 1.0f; }

TEST_F(CFXEngineTest, AnEffectSwitchedOnFadesInFromTheNextPeriod) {
  RecordingFx* e = Place(0, 3);
  fx_->SetParam(1, 0, 1, 2.0f);
  EXPECT_EQ(e->GetState(), CEffectBase::kIdle);
  Period p;
  p.Run(*fx_);
  EXPECT_EQ(e->Calls(), 0);
  EXPECT_EQ(p.out, p.in);
  EXPECT_EQ(e->GetState(), CEffectBase::kActive);

  // Rising by 0.026 a period the effect reaches full level in the 39th; it always runs at
  // full level itself, in place, and the engine mixes its output with its input.
  float level = 0.0f;
  for (int n = 1; n <= 45; ++n) {
    p.Run(*fx_);
    level = std::min(level + 0.026f, 1.0f);
    for (int i = 0; i < kFrames; i += 31) ASSERT_NEAR(FadeLevelOf(p, i), level, 1e-5f) << n << "/" << i;
    EXPECT_EQ(p.out[2], p.in[2]);
  }
  EXPECT_EQ(e->level, 1.0f);
  ASSERT_EQ(e->Calls(), 45);
  EXPECT_EQ(e->CallAt(0).level, 1.0f);
  EXPECT_EQ(e->CallAt(0).frames, kFrames);
  EXPECT_TRUE(e->CallAt(0).inPlace);
  EXPECT_EQ(e->CallAt(0).buffers, p.outPtr.data());

  // A new effect starts bypassed: chosen but never switched on, it never runs.
  fx_->SetParam(1, 1, kType, 4.0f);
  RecordingFx* off = InSlot(*fx_, 1);
  for (int n = 0; n < 5; ++n) p.Run(*fx_);
  EXPECT_EQ(off->Calls(), 0);
  EXPECT_EQ(off->GetState(), CEffectBase::kIdle);

  // So does an effect that was switched on in another slot, emptied and chosen again: the
  // page sends the new slot's bypass before its type, when the slot is still empty.
  fx_->SetParam(1, 0, kType, 0.0f);
  fx_->SetParam(1, 2, kBypass, 1.0f);
  fx_->SetParam(1, 2, kType, 3.0f);
  ASSERT_EQ(InSlot(*fx_, 2), e);
  EXPECT_TRUE(e->IsBypassed());
  const int calls = e->Calls();
  for (int n = 0; n < 5; ++n) p.Run(*fx_);
  EXPECT_EQ(e->Calls(), calls);
}

TEST_F(CFXEngineTest, ABypassedEffectFadesOutOverThirtyNinePeriodsThenIdles) {
  RecordingFx* e = Place(0, 2);
  fx_->SetParam(1, 0, 1, 2.0f);
  Period p;
  for (int n = 0; n < 41; ++n) p.Run(*fx_);
  ASSERT_NEAR(FadeLevelOf(p, 5), 1.0f, 1e-6f);
  e->Forget();
  fx_->SetParam(1, 0, kBypass, 0.5f);

  // The period that sees the bypass still sounds at full level, then 39 float32 steps of
  // 0.026, the last of which falls below zero and leaves the input alone.
  float level = 1.0f;
  for (int n = 0; n < 60; ++n) {
    p.Run(*fx_);
    if (n > 0) level = std::max(level - 0.026f, 0.0f);
    ASSERT_NEAR(FadeLevelOf(p, 7), level, 1e-5f) << n;
    ASSERT_GE(p.out[0][7], p.in[0][7]) << n;  // never below the dry signal
  }
  EXPECT_EQ(e->Calls(), 39);
  EXPECT_EQ(e->GetState(), CEffectBase::kIdle);
  EXPECT_EQ(e->level, 0.0f);
  EXPECT_EQ(p.out, p.in);

  // Switched on again halfway through a fade-out it fades back in from where it stood.
  for (int n = 0; n < 41; ++n) p.Run(*fx_);
  fx_->SetParam(1, 0, kBypass, 0.0f);
  for (int n = 0; n < 41; ++n) p.Run(*fx_);
  fx_->SetParam(1, 0, kBypass, 1.0f);
  for (int n = 0; n < 11; ++n) p.Run(*fx_);
  const float mid = FadeLevelOf(p, 3);
  ASSERT_GT(mid, 0.6f);
  ASSERT_LT(mid, 0.8f);
  fx_->SetParam(1, 0, kBypass, 0.0f);
  p.Run(*fx_);
  EXPECT_NEAR(FadeLevelOf(p, 3), mid + 0.026f, 1e-5f);
}

TEST_F(CFXEngineTest, SlotsRunInOrderOnTheSameBuffersWithTheSideChainCopies) {
  RecordingFx* doubler = Place(2, 5);
  RecordingFx* offset = Place(7, 8);
  fx_->SetParam(1, 2, 1, 2.0f);
  fx_->SetParam(1, 7, 2, 1.0f);
  Period p;
  for (int n = 0; n < 40; ++n) p.Run(*fx_);  // switch on and fade in
  for (RecordingFx* e : {doubler, offset}) e->Forget();
  p.Run(*fx_);
  for (int ch = 0; ch < 2; ++ch)
    for (int i = 0; i < kFrames; ++i) ASSERT_FLOAT_EQ(p.out[ch][i], p.in[ch][i] * 2.0f + 1.0f) << ch << "/" << i;
  EXPECT_EQ(p.out[2], p.in[2]);
  EXPECT_EQ(p.out[3], p.in[3]);
  for (RecordingFx* e : {doubler, offset}) {
    ASSERT_EQ(e->Calls(), 1);
    EXPECT_EQ(e->CallAt(0).sideChainL, p.in[2][0]);
    EXPECT_EQ(e->CallAt(0).sideChainR, p.in[3][0]);
  }

  // The same two effects the other way round: the offset first.
  fx_->SetParam(1, 2, kType, 0.0f);
  fx_->SetParam(1, 7, kType, 0.0f);
  fx_->SetParam(1, 2, kType, 8.0f);
  fx_->SetParam(1, 7, kType, 5.0f);
  // Chosen again, they start bypassed.
  fx_->SetParam(1, 2, kBypass, 0.0f);
  fx_->SetParam(1, 7, kBypass, 0.0f);
  for (int n = 0; n < 41; ++n) p.Run(*fx_);
  for (int i = 0; i < kFrames; ++i) ASSERT_FLOAT_EQ(p.out[0][i], (p.in[0][i] + 1.0f) * 2.0f) << i;
}

TEST_F(CFXEngineTest, SwapPageFlipsOnZeroAndBypassesTheSoundingPageOnTwo) {
  RecordingFx* a = Place(0, 2);
  fx_->SetParam(0, 0, kType, 2.0f);
  fx_->SetParam(0, 0, kBypass, 0.0f);
  fx_->SwapPage(0);
  RecordingFx* b = InSlot(*fx_, 0);
  fx_->SwapPage(0);
  ASSERT_NE(b, a);
  EXPECT_EQ(InSlot(*fx_, 0), a);

  for (int other : {1, 3, -1, 256}) fx_->SwapPage(other);
  EXPECT_EQ(fx_->CurrentPage(), 0);
  EXPECT_FALSE(a->IsBypassed());

  Period p;
  p.Run(*fx_);
  p.Run(*fx_);
  fx_->SwapPage(2);
  EXPECT_TRUE(a->IsBypassed());
  EXPECT_FALSE(b->IsBypassed());
  p.Run(*fx_);
  EXPECT_EQ(a->GetState(), CEffectBase::kFadingOut);

  fx_->SwapPage(0);
  EXPECT_EQ(fx_->CurrentPage(), 1);
  EXPECT_EQ(InSlot(*fx_, 0), b);
  a->Forget();
  p.Run(*fx_);
  p.Run(*fx_);
  EXPECT_EQ(a->Calls(), 0);  // the page that no longer sounds is not processed
  EXPECT_EQ(b->Calls(), 1);
}

TEST_F(CFXEngineTest, MidiAndClockReachTheSwitchedOnEffectsOfTheSoundingPageOnly) {
  RecordingFx* on = Place(0, 2);
  fx_->SetParam(1, 1, kType, 4.0f);  // stays bypassed
  RecordingFx* off = InSlot(*fx_, 1);
  fx_->SetParam(0, 0, kType, 2.0f);
  fx_->SetParam(0, 0, kBypass, 0.0f);
  fx_->SwapPage(0);
  RecordingFx* otherPage = InSlot(*fx_, 0);
  fx_->SwapPage(0);
  for (RecordingFx* e : {on, off, otherPage}) e->Forget();

  const PartMidiMessage m{0, 0x90, 60, 100};
  fx_->OnMidi(&m);
  fx_->OnClock(5, 120.0f);
  EXPECT_EQ(on->Events(), (std::vector<std::string>{"Midi 144 0", "Clock 5 120"}));
  EXPECT_TRUE(off->Events().empty());
  EXPECT_TRUE(otherPage->Events().empty());
}

TEST_F(CFXEngineTest, NothingIsAllocatedInProcessOrWhenChoosingATypeOrParameter) {
  Place(0, 6);
  Place(4, 3);
  Period p;
  std::size_t count = 0;
  {
    testing_support::AllocGuard guard;
    for (int n = 0; n < 100; ++n) {
      p.Run(*fx_);
      if (n == 10) fx_->SetParam(1, 4, kBypass, 1.0f);
      if (n == 20) fx_->SetParam(1, 2, kType, 7.0f);
      if (n == 21) fx_->SetParam(1, 2, kBypass, 0.0f);
      if (n == 30) fx_->SetParam(0, 2, kType, 9.0f);
      if (n == 40) fx_->SwapPage(2);
      if (n == 50) fx_->SwapPage(0);
    }
    count = guard.Count();
  }
  EXPECT_EQ(count, 0u);
}

}  // namespace

namespace {

// Settings an effect needs to pass any sound at all (a new EQ's bands stand at -100 %).
struct Setting {
  int type;
  uint32_t id;
  float value;
};
constexpr Setting kAudible[] = {{2, 1, 0.0f}, {2, 3, 0.0f}, {2, 5, 0.0f}};

// Runs a 220 Hz sine through an effect of `type` switched on in slot 0; one period, after
// the fade in, carries NaN and infinities. Fails at the first non-finite sample from that
// period on (which allocates nothing), and returns the energy of the last `measured` periods.
double EnergyAfterPoison(int type, bool poison, int settle, int after, int measured) {
  CFXEngine engine;
  engine.init(tagPluginAttr{3, kFrames, 48000}, nullptr);
  engine.SetParam(1, 0, kType, static_cast<float>(type));
  engine.SetParam(1, 0, kBypass, 0.0f);
  for (const Setting& set : kAudible)
    if (set.type == type) engine.SetParam(1, 0, set.id, set.value);
  std::array<std::vector<float>, 4> buffers;
  for (auto& v : buffers) v.assign(kFrames, 0.0f);
  float* p[4] = {buffers[0].data(), buffers[1].data(), buffers[2].data(), buffers[3].data()};
  double phase = 0.0;
  double energy = 0.0;
  for (int period = 0; period < settle + after; ++period) {
    for (int i = 0; i < kFrames; ++i) {
      p[0][i] = p[1][i] = static_cast<float>(0.5 * std::sin(phase));
      p[2][i] = p[3][i] = 0.0f;
      phase += 2.0 * M_PI * 220.0 / 48000.0;
    }
    if (poison && period == settle) {
      p[0][5] = std::numeric_limits<float>::quiet_NaN();
      p[1][9] = std::numeric_limits<float>::infinity();
      p[0][70] = -std::numeric_limits<float>::infinity();
    }
    if (period == settle) {
      testing_support::AllocGuard guard;
      engine.Process(p, p);
      EXPECT_EQ(guard.Count(), 0u) << "the period that clears the state";
    } else {
      engine.Process(p, p);
    }
    if (period < settle) continue;
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < kFrames; ++i) {
        EXPECT_TRUE(std::isfinite(p[c][i])) << "period " << period - settle << " after the poison";
        if (!std::isfinite(p[c][i])) return -1.0;
        if (period >= settle + after - measured) energy += double(p[c][i]) * p[c][i];
      }
  }
  return energy;
}

// An effect whose state went non-finite (one period of NaN and infinity into it) sounds
// again: finite from that period on and, once settled, at the level of a twin that never
// saw the poison.
TEST(CFXEngineRecovery, AnEffectWhoseStateWentNonFiniteSoundsAgain) {
  constexpr int kSettle = 60;    // periods before the poison: the 39-period fade in is over
  constexpr int kAfter = 400;    // periods from it on (about a second)
  constexpr int kMeasured = 40;  // the last periods, whose level is compared
  const char* names[] = {"mod delay", "3-band EQ", "stereo delay", "ladder", "tube preamp",
                         "reverb",    "dynamics",  "phaser",       "chorus"};
  for (int type = 1; type <= effect_registry::kTypeCount; ++type) {
    SCOPED_TRACE(names[type - 1]);
    const double clean = EnergyAfterPoison(type, false, kSettle, kAfter, kMeasured);
    const double poisoned = EnergyAfterPoison(type, true, kSettle, kAfter, kMeasured);
    ASSERT_GT(clean, 1e-3);
    if (poisoned < 0.0) continue;  // already reported
    EXPECT_NEAR(10.0 * std::log10(poisoned / clean), 0.0, 0.5);
  }
}

}  // namespace
