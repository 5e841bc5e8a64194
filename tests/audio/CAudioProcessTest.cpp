// The audio process with stand-in sound objects: start-up, the period with its barrier and
// buffer sets, the mix, routing and the MIDI conversion, measured from the mix and from what
// reaches the fakes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "audio/CAudioProcess.h"
#include "numeric/MathTables.h"
#include "tests/audio/AudioProcessFakes.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"

namespace {

using audio_fakes::FakeDrums;
using audio_fakes::FakeEffects;
using audio_fakes::FakeEngine;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

uint32_t Uid(int target, int instance, uint32_t number) {
  return (static_cast<uint32_t>(target) << 16) | (static_cast<uint32_t>(instance) << 12) | number;
}

class AudioProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initMathTables();
    audio_fakes::g_journal = &journal_;
    FakeEffects::made = &effects_;
    log_ = std::make_unique<testing_support::LogCapture>();
    process_ = std::make_unique<CAudioProcess>(audio_fakes::Fakes());
    ASSERT_EQ(InitAudioProcess(process_.get(), nullptr), 0);
    engine_ = FakeEngine::last;
    drums_ = FakeDrums::last;
    startUp_ = journal_.Take();
  }
  void TearDown() override {
    process_.reset();
    log_.reset();
    FakeEffects::made = nullptr;
    audio_fakes::g_journal = nullptr;
  }
  void Periods(int n, int pedalSwitch = 0, float pedal = 0.0f) {
    for (int i = 0; i < n; ++i) process_->ProcessCycle(pedalSwitch, pedal);
  }
  std::vector<std::string> Journal() { return journal_.Take(); }

  audio_fakes::Journal journal_;
  std::vector<FakeEffects*> effects_;
  std::vector<std::string> startUp_;
  std::unique_ptr<testing_support::LogCapture> log_;
  std::unique_ptr<CAudioProcess> process_;
  FakeEngine* engine_ = nullptr;
  FakeDrums* drums_ = nullptr;
};

TEST_F(AudioProcessTest, StartUpMakesTheSoundObjectsInOrderAndStartsBothEngineThreads) {
  EXPECT_EQ(startUp_, (std::vector<std::string>{"init 0 128 48000", "init 2 128 48000", "init 3 128 48000",
                                                 "init 4 128 48000", "init 5 128 48000", "init 6 128 48000"}));
  EXPECT_NE(log_->Text().find("INFO: SynthEngines Core A <Started>\nINFO: SynthEngines Core B <Started>\n"),
            std::string::npos)
      << log_->Text();
  // The engine reports a swap stage; the part's effects engine turns its page.
  FakeEngine::swapFn(FakeEngine::swapContext, 2, 3);
  FakeEngine::swapFn(FakeEngine::swapContext, 7, 0);  // no such part
  EXPECT_EQ(Journal(), std::vector<std::string>{"fx5 swap page 3"});
  // A second start-up of the same process is refused.
  EXPECT_NE(InitAudioProcess(process_.get(), nullptr), 0);
}

TEST_F(AudioProcessTest, EachRenderThreadHasRenderedBeforeEveryMixAndTheBufferSetsAlternate) {
  std::vector<float*> sets;
  for (int n = 1; n <= 200; ++n) {
    process_->ProcessCycle(0, 0.0f);
    ASSERT_GE(engine_->workersAtRender[0], n) << n;
    ASSERT_GE(engine_->workersAtRender[1], n) << n;
    ASSERT_LE(engine_->workersAtRender[0], n + 1) << n;
    sets.push_back(engine_->lastParts);
  }
  EXPECT_NE(sets[0], sets[1]);
  for (std::size_t i = 2; i < sets.size(); ++i) ASSERT_EQ(sets[i], sets[i - 2]) << i;
  EXPECT_EQ(engine_->rendered.load(), 200);
}

TEST_F(AudioProcessTest, PartLevelsSmoothTowardTheirTargetAndMuteOnlyStopsMixing) {
  engine_->partLeft[0] = 1.0f;
  engine_->partRight[0] = -0.5f;
  // Level 0.8 of the table's 0..1 reached by 1 % of the distance a period; master 0.8.
  const float expected[] = {0.008f, 0.01592f, 0.0237608f};
  for (float level : expected) {
    Periods(1);
    EXPECT_FLOAT_EQ(process_->MixLeft()[5], level * 0.8f);
    EXPECT_FLOAT_EQ(process_->MixRight()[5], -0.5f * level * 0.8f);
  }
  process_->SetParam(1, Uid(5, 0, 0xB11), 1.0f);
  Periods(1);
  EXPECT_EQ(process_->MixLeft()[0], 0.0f);
  EXPECT_GT(process_->PartLevel(0), 0.0237608f);  // still moving while muted
  process_->SetParam(1, Uid(5, 0, 0xB11), 0.0f);
  process_->SetParam(1, Uid(5, 0, 0xB10), 0.0f);  // target 0: fades, does not stop at once
  Periods(1);
  EXPECT_GT(process_->MixLeft()[0], 0.0f);
}

// A non-finite sample on a part's bus would stay in the state of most effects for good: the
// part's effects see 0 in its place, and the mix stays finite.
TEST_F(AudioProcessTest, NonFiniteSamplesOnAPartBusReachTheEffectsAsSilence) {
  for (int p = 0; p < 4; ++p) engine_->partLeft[p] = engine_->partRight[p] = 0.25f;
  for (float stray : {kNaN, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
    engine_->stray = stray;
    engine_->strays = 1;
    Periods(1);
    for (int i = 0; i < 128; ++i) {
      ASSERT_TRUE(std::isfinite(process_->MixLeft()[i])) << stray << " " << i;
      ASSERT_TRUE(std::isfinite(process_->MixRight()[i])) << stray << " " << i;
    }
    EXPECT_EQ(process_->MixLeft()[5], 0.0f) << stray;
    EXPECT_GT(process_->MixLeft()[6], 0.0f) << stray;
  }
  ASSERT_EQ(effects_.size(), 4u);
  for (FakeEffects* fx : effects_) EXPECT_EQ(fx->nonFinite, 0) << fx->instance;
}

TEST_F(AudioProcessTest, APedalFollowingPartIsScaledByTheSmoothedPedal) {
  engine_->partLeft[1] = 1.0f;
  process_->SetParam(1, Uid(5, 1, 0xB12), 1.0f);
  Periods(400, 1, 0.0f);
  EXPECT_EQ(process_->MixLeft()[0], 0.0f);
  EXPECT_EQ(engine_->lastPedalSwitch, 1);
  // The pedal reaches the engine smoothed by 5 % a period.
  Periods(1, 1, 1.0f);
  EXPECT_FLOAT_EQ(engine_->lastPedal, 0.05f);
  Periods(1, 1, 1.0f);
  EXPECT_FLOAT_EQ(engine_->lastPedal, 0.0975f);
  EXPECT_FLOAT_EQ(process_->MixLeft()[0], process_->PartLevel(1) * 0.0975f * 0.8f);
}

TEST_F(AudioProcessTest, MasterVolumeRampsFrom80To30InSixtySixPeriods) {
  Periods(1);
  EXPECT_FLOAT_EQ(process_->MasterLevel(), 0.8f);
  process_->SetParam(1, Uid(5, 0, 0xB16), 30.0f);
  Periods(65);
  EXPECT_GT(process_->MasterLevel(), 0.3f);
  Periods(1);
  EXPECT_FLOAT_EQ(process_->MasterLevel(), 0.3f);
  Periods(10);
  EXPECT_FLOAT_EQ(process_->MasterLevel(), 0.3f);
}

TEST_F(AudioProcessTest, TheDrumBusRisesFromZeroAndItsSideChainReachesThePartsTwoPeriodsLate) {
  drums_->level = 1.0f;
  Periods(1);
  EXPECT_FLOAT_EQ(process_->MixLeft()[0], 0.8f * 0.029f * 0.8f);
  Periods(9);
  // The drum player wrote its count n into the side-chain of period n's buffer set; the
  // effects read it in period n + 2 (first two periods: the buffers' initial zeros).
  ASSERT_EQ(effects_.size(), 4u);
  EXPECT_EQ(effects_[0]->sideChain[0], 0.0f);
  EXPECT_EQ(effects_[0]->sideChain[1], 0.0f);
  for (int n = 2; n < 10; ++n) EXPECT_EQ(effects_[2]->sideChain[n], static_cast<float>(n - 1)) << n;
  process_->SetParam(1, Uid(5, 4, 0xB14), 1.0f);
  Periods(1);
  EXPECT_EQ(process_->MixLeft()[0], 0.0f);
}

TEST_F(AudioProcessTest, ParametersReachTheirTargetsByUid) {
  process_->SetParam(1, Uid(2, 3, 0x123), 0.5f);
  process_->SetParam(0, Uid(0, 0, 0x004), 2.0f);
  process_->SetParam(1, Uid(4, 7, 0xA02), 10.0f);
  process_->SetParam(0, Uid(9, 6, 0x0F0), 3.0f);
  for (int t : {6, 7, 12, 15}) process_->SetParam(1, Uid(t, 0, 1), 1.0f);
  process_->SetModRoute(1, Uid(1, 0, 5), 3, 7, 2, 0.5f);
  process_->SetModRoute(0, Uid(4, 0, 5), 3, 7, 2, 0.5f);  // not a part
  process_->TriggerSwap(3);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"param rt 1 part 2 uid 23123 value 0.5",
                                                 "param rt 0 part 0 uid 4 value 2",
                                                 "drums param rt 1 part 4 uid 47A02 value 10",
                                                 "fx4 param rt 0 slot 6 id F0 value 3",
                                                 "route rt 1 part 1 route 5 amount 0.5 3->7 mode 2", "swap 3"}));
  EXPECT_EQ(process_->GetFxParams(Uid(0, 0, 0), 1), nullptr);
}

TEST_F(AudioProcessTest, MixerLevelsComeFromTheCurveAndBadValuesAreHeld) {
  struct Case {
    float value;
    float level;
  } const cases[] = {{0, 0}, {100, 1}, {50, 0.13964f}, {50.9f, 0.13964f}, {150, 1}, {-3, 0}, {kNaN, 0}};
  for (const Case& c : cases) EXPECT_EQ(CAudioProcess::LevelOf(c.value), c.level) << c.value;
  // Part numbers beyond the four parts change nothing (there are only four levels).
  engine_->partLeft[0] = 1.0f;
  for (int instance : {4, 9, 15}) {
    process_->SetParam(1, Uid(5, instance, 0xB10), 0.0f);
    process_->SetParam(1, Uid(5, instance, 0xB11), 1.0f);
  }
  Periods(1);
  EXPECT_FLOAT_EQ(process_->MixLeft()[0], 0.008f * 0.8f);
}

TEST_F(AudioProcessTest, MidiBecomesEngineEventsDeliveredInOrder) {
  PartMidiSettings s;
  s.bendUp = 12;
  s.bendDown = 2;
  s.modAmount = 100;
  s.noteOnFloat = 7.0f;
  s.noteOffFloat = 7.0f;
  struct Case {
    int part, status, d1, d2;
    float curve;
    std::vector<std::string> journal;
  } const cases[] = {
      {0, 0x90, 60, 64, 0, {"event 2 part 0 note 60 second 0.5", "engine midi 0 90 60 64", "fx3 midi 90 60"}},
      {1, 0x90, 60, 0, 0, {"event 3 part 1 note 60 second 0", "engine midi 1 90 60 0"}},
      {0, 0xB0, 1, 64, 0, {"event 4 part 0 note 1 second 50", "engine midi 0 B0 1 64"}},
      {0, 0xB0, 7, 64, 0, {"event 4 part 0 note 7 second 0.5", "engine midi 0 B0 7 64"}},
      {2, 0xC0, 5, 0, 0, {"event 7 part 2 program 5 second 0", "engine midi 2 C0 5 0"}},
      {0, 0xD0, 100, 0, 0, {"event 8 part 0 value 100 second 0", "engine midi 0 D0 100 0"}},
      {0, 0xA0, 60, 32, 0, {"event 6 part 0 note 60 second 0.25", "engine midi 0 A0 60 32"}},
      {3, 0x0C, 0, 0, 0, {"event 12 part 3 note 0 second 0", "engine midi 3 0C 0 0"}},
      {0, 0xF8, 0, 0, 0, {"event 9 part 0 note 0 second 0", "engine midi 0 F8 0 0"}},
      {0, 0xFA, 0, 0, 0, {"event 10 part 0 note 0 second 0", "engine midi 0 FA 0 0"}},
      {0, 0xFB, 0, 0, 0, {"event 11 part 0 note 0 second 0", "engine midi 0 FB 0 0"}},
      {0, 0xFF, 0, 0, 0, {"event 12 part 0 note 0 second 0", "engine midi 0 FF 0 0"}},
      {0, 0xFE, 0, 0, 0, {"event 0 part 0 note 0 second 0", "engine midi 0 FE 0 0"}},
      {9, 0x99, 36, 100, 0, {"drums midi 9 99 36 100"}},
      {5, 0x90, 60, 100, 0, {}},
  };
  for (const Case& c : cases) {
    s.velocityCurve = c.curve;
    process_->SendMidi(c.part, c.status, c.d1, c.d2, &s);
    EXPECT_EQ(Journal(), c.journal) << std::hex << c.status;
  }
  EXPECT_EQ(s.noteOnFloat, 0.0f);
  EXPECT_EQ(s.noteOffFloat, 100.0f);
}

TEST_F(AudioProcessTest, VelocityCurvesPitchBendAndAMissingSettingsRecord) {
  EXPECT_NEAR(CAudioProcess::VelocityCurve(0.5f, 0.0f), 0.5f, 1e-6f);
  EXPECT_NEAR(CAudioProcess::VelocityCurve(0.5f, 100.0f), 0.622459f, 2e-5f);
  EXPECT_NEAR(CAudioProcess::VelocityCurve(0.5f, -100.0f), 0.422591f, 2e-5f);
  for (float curve : {-1e9f, -5000.0f, 5000.0f, 1e9f, kNaN}) {
    for (float v : {0.0f, 0.5f, 1.0f}) {
      const float y = CAudioProcess::VelocityCurve(v, curve);
      EXPECT_TRUE(std::isfinite(y) && y >= 0.0f && y <= 1.0f) << curve << " " << v << " -> " << y;
    }
  }
  PartMidiSettings s;
  s.bendUp = 12;
  s.bendDown = 2;
  struct Bend {
    int d1, d2;
    float octaves;
    const char* line;
  } const bends[] = {{0x00, 0x40, 0.0f, "bend:8192, pitch_offset:0.000000 B1:00 B2:40\n"},
                     {0x7F, 0x7F, 0.99988f, "bend:16383, pitch_offset:0.999878 B1:7F B2:7F\n"},
                     {0x00, 0x00, -0.16667f, "bend:0, pitch_offset:-0.166667 B1:00 B2:00\n"}};
  for (const Bend& b : bends) {
    log_->Clear();
    process_->SendMidi(0, 0xE0, b.d1, b.d2, &s);
    EXPECT_NEAR(engine_->lastEvent.first.value, b.octaves, 1e-4f);
    EXPECT_EQ(engine_->lastEvent.type, kEventPitchBend);
    EXPECT_EQ(log_->Text(), b.line);
  }
  // No record (stop events from the pages, drum notes): a fresh part's values, nothing written.
  process_->SendMidi(0, 0x90, 60, 64, nullptr);
  EXPECT_FLOAT_EQ(engine_->lastEvent.second, 0.5f);
  process_->SendMidi(0, 0xB0, 1, 64, nullptr);
  EXPECT_FLOAT_EQ(engine_->lastEvent.second, 50.0f);
  process_->SendMidi(0, 0xE0, 0x7F, 0x7F, nullptr);
  EXPECT_NEAR(engine_->lastEvent.first.value, 2.0f / 12.0f, 1e-4f);
}

TEST_F(AudioProcessTest, PostedEventsReachTheirPartOrTheDrumPlayer) {
  EngineEvent e{};
  e.type = kEventNoteOn;
  e.first.note = 3;
  e.second = 0.5f;
  for (uint8_t part : {1, 9, 5}) {
    e.part = part;
    process_->PostEvent(&e);
  }
  process_->PostEvent(nullptr);
  process_->OnClock(24, 120.0f);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"event 2 part 1 note 3 second 0.5",
                                                 "drums event 2 note 3", "engine clock 24 120", "fx3 clock 24",
                                                 "fx4 clock 24", "fx5 clock 24", "fx6 clock 24"}));
}

TEST_F(AudioProcessTest, APeriodOverThreeAndAHalfMillisecondsIsReported) {
  process_->SetCycleTick([](void*) {
    timespec t{0, 4000000};
    nanosleep(&t, nullptr);
  }, nullptr);
  Periods(3);
  const std::string text = log_->Text();
  EXPECT_NE(text.find("Cycle_overrun: "), std::string::npos) << text;
  EXPECT_NE(text.find("us, Midi 0us "), std::string::npos) << text;
}

TEST_F(AudioProcessTest, OverrunsWithinASecondShareOneLineButAreAllCounted) {
  process_->SetCycleTick([](void*) {
    timespec t{0, 4000000};
    nanosleep(&t, nullptr);
  }, nullptr);
  Periods(1);  // the first period has no previous end to measure from
  const uint32_t before = CAudioProcess::Overruns();
  Periods(6);
  const std::string text = log_->Text();
  std::size_t lines = 0;
  for (std::size_t at = text.find("Cycle_overrun: "); at != std::string::npos; at = text.find("Cycle_overrun: ", at + 1))
    ++lines;
  EXPECT_EQ(lines, 1u) << text;
  EXPECT_EQ(text.find(" more)"), std::string::npos) << text;
  EXPECT_EQ(CAudioProcess::Overruns() - before, 6u);
}

TEST_F(AudioProcessTest, PeriodsAllocateNothingOnTheAudioOrEngineThreads) {
  PartMidiSettings s;
  audio_fakes::g_journal = nullptr;  // the fakes' journal allocates
  Periods(10);
  engine_->armWorkers = true;
  Periods(2);
  testing_support::ResetAllocCount();
  std::size_t count = 0;
  {
    testing_support::AllocGuard guard;
    for (int n = 0; n < 1000; ++n) {
      process_->ProcessCycle(0, 0.5f);
      process_->SendMidi(n & 3, 0x90, 60, 100, &s);
      process_->SetParam(1, Uid(5, n & 3, 0xB10), static_cast<float>(n % 100));
      process_->SetParam(1, Uid(n & 3, 0, 0x10), 1.0f);
    }
    count = guard.Count();
  }
  engine_->armWorkers = false;
  Periods(2);
  EXPECT_EQ(count, 0u);
}

}  // namespace
