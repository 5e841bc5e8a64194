#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/engine/EngineRig.h"
#include "tests/support/AllocCounter.h"

namespace {

using engine_test::EngineRig;
using engine_test::kFrames;
using Ev = engine_test::RecordingEngine::Event;

// The algorithmic oscillator prints a line at every note start it restarts.
std::string WithoutNoteStarts(const std::string& text) {
  std::string kept;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    if (text.compare(at, 10, "OscDetune:") != 0) kept += text.substr(at, end - at);
    at = end;
  }
  return kept;
}

class PartEngine : public ::testing::Test, public EngineRig {
 protected:
  void Mode(int part, int mode) { engine.SetParam(1, part, 0, static_cast<float>(mode), 4); }
  std::vector<Ev> Events() const { return {engine.events.begin(), engine.events.begin() + engine.count}; }
  const VoiceAllocEntry& Entry(int slot) const { return engine.AllocationTable()[slot]; }
};

// ---------------------------------------------------------------------------------------
// Notes

TEST_F(PartEngine, MonoGoesBackToTheKeyStillHeld) {
  Mode(0, VoiceBank::kMono);
  for (int n : {60, 64, 67}) engine.NoteOn(0, n, 0.8f);
  engine.ClearEvents();
  engine.NoteOff(0, 67);
  engine.NoteOff(0, 64);
  engine.NoteOff(0, 60);
  // Two legato moves (start, velocity 0: no new attack) on the one mono slot, then the release.
  const std::vector<std::pair<int, int>> expected = {{1, 64}, {1, 60}, {2, 60}};
  const std::vector<Ev> ev = Events();
  ASSERT_EQ(ev.size(), expected.size());
  for (std::size_t i = 0; i < ev.size(); ++i) {
    EXPECT_EQ(ev[i].type, expected[i].first) << i;
    EXPECT_EQ(ev[i].note, expected[i].second) << i;
    EXPECT_EQ(ev[i].slot, ev[0].slot) << i;
    EXPECT_EQ(ev[i].velocity, 0.0f) << i;
  }
  EXPECT_EQ(Entry(ev[0].slot).state, CVoiceAlloc::kMono);
}

TEST_F(PartEngine, SeventeenthMonoKeyDropsTheOldest) {
  Mode(0, VoiceBank::kMono);
  for (int n = 40; n <= 56; ++n) engine.NoteOn(0, n, 0.8f);
  EXPECT_EQ(engine.noteStack(0).Count(), 16);
  for (int n = 56; n >= 42; --n) engine.NoteOff(0, n);
  engine.ClearEvents();
  engine.NoteOff(0, 41);
  // Key 40 left the stack: releasing 41 ends the note instead of going back to 40.
  ASSERT_EQ(engine.count, 1);
  EXPECT_EQ(engine.events[0].type, CVoiceAlloc::kRelease);
  EXPECT_EQ(engine.events[0].note, 41);
}

// The stack keeps the velocity, so a mono key restarted on a fresh slot (its slot missed the
// deadline) sounds at its own velocity rather than at 0.
TEST_F(PartEngine, MonoRestartAfterAMissedDeadlineKeepsTheVelocity) {
  Mode(0, VoiceBank::kMono);
  engine.NoteOn(0, 60, 0.6f);
  engine.NoteOn(0, 64, 0.9f);
  const int slot = engine.events[0].slot;
  ASSERT_EQ(slot % 2, 0);
  static int late;
  late = slot;
  static int call;
  call = 0;
  // Thread 0 reads the clock for its stamp, then once per even slot.
  engine.SetClock([]() -> timespec {
    const int c = call++;
    return timespec{100, c >= 1 && c - 1 == late / 2 ? 3'000'000 : 0};
  });
  engine.ClearEvents();
  Period();
  ASSERT_TRUE(engine.SlotDisabled(slot));
  ASSERT_GE(engine.count, 1);
  const Ev& restart = engine.events[0];
  EXPECT_EQ(restart.type, CVoiceAlloc::kStart);
  EXPECT_EQ(restart.note, 60);
  EXPECT_NE(restart.slot, slot);
  EXPECT_NEAR(restart.velocity, 0.6f, 0.005f);
}

TEST_F(PartEngine, AllNotesOffLeavesKey127Sounding) {
  for (int n : {0, 60, 126, 127}) engine.NoteOn(0, n, 1.0f);
  engine.AllNotesOff(0);
  int playing = 0;
  for (int s = 0; s < 16; ++s) {
    if (Entry(s).state != CVoiceAlloc::kPlaying) continue;
    ++playing;
    EXPECT_EQ(Entry(s).note, 127);
  }
  EXPECT_EQ(playing, 1);
}

TEST_F(PartEngine, ControllersAreEngineWideAndSomeResetThePart) {
  const std::pair<int, VoiceControllers::Index> wide[] = {
      {1, VoiceControllers::kModWheel}, {117, VoiceControllers::kCvA}, {118, VoiceControllers::kCvB},
      {119, VoiceControllers::kCvC},    {255, VoiceControllers::kPressure},
  };
  float value = 0.1f;
  for (auto [cc, index] : wide) {
    engine.ControlChange(2, cc, value);
    EXPECT_FLOAT_EQ(engine.controller(index), value) << cc;
    // Every voice reads them: an undefined value is refused.
    for (float stray : {std::nanf(""), INFINITY, -INFINITY}) engine.ControlChange(2, cc, stray);
    EXPECT_FLOAT_EQ(engine.controller(index), value) << cc;
    value += 0.1f;
  }
  // Only a mono part keeps its keys on the stack, so the stack is checked in mono mode.
  const std::pair<int, bool> resets[] = {{120, true}, {121, false}, {123, true}, {7, false}};
  for (int mode : {VoiceBank::kPoly, VoiceBank::kMono}) {
    Mode(1, mode);
    for (auto [cc, resets_] : resets) {
      engine.NoteOn(1, 60, 1.0f);
      engine.ControlChange(1, cc, 0.0f);
      if (mode == VoiceBank::kMono) {
        EXPECT_EQ(engine.noteStack(1).Empty(), resets_) << cc;
      }
      int held = 0;
      for (int s = 0; s < 16; ++s) held += Entry(s).state == CVoiceAlloc::kPlaying || Entry(s).state == CVoiceAlloc::kMono;
      EXPECT_EQ(held, resets_ ? 0 : 1) << cc << " mode " << mode;
      engine.ControlChange(1, 120, 0.0f);
    }
  }
}

// A note whose start and end reach its slot in the same period (a short gate, a reset
// controller straight after the note, a chord stealing unison stacks) ends: a while later the
// part is silent and every slot finished.
TEST_F(PartEngine, NotesEndingInThePeriodTheyStartedInFallSilent) {
  struct Case {
    const char* name;
    int mode;
    std::vector<int> notes;
    int endController;  // 0: note offs
    bool endInLaterPeriod;
  };
  const Case cases[] = {
      {"short note", VoiceBank::kPoly, {60}, 0, false},
      {"three short notes", VoiceBank::kPoly, {60, 64, 67}, 0, false},
      {"note then 120", VoiceBank::kPoly, {60}, 120, false},
      {"note then 123", VoiceBank::kPoly, {60, 72}, 123, false},
      {"short mono note", VoiceBank::kMono, {60}, 0, false},
      {"unison 2 chord", VoiceBank::kUnison2, {48, 52, 55, 59, 62, 65, 69, 72, 76}, 0, true},
      {"unison 3 chord", VoiceBank::kUnison3, {48, 52, 55, 59, 62, 65}, 0, true},
      {"unison 4 chord", VoiceBank::kUnison4, {48, 52, 55, 59, 62}, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto owned = std::make_unique<EngineRig>();
    EngineRig& rig = *owned;
    rig.SinePatch(1, 1);
    rig.engine.SetParam(1, 1, 0, static_cast<float>(c.mode), 4);
    rig.Periods(120);  // the levels glide in over 0.3 s
    for (int n : c.notes) rig.engine.NoteOn(1, n, 1.0f);
    if (c.endInLaterPeriod) rig.Periods(4);
    if (c.endController != 0) {
      rig.engine.ControlChange(1, c.endController, 0.0f);
    } else {
      for (int n : c.notes) rig.engine.NoteOff(1, n);
    }
    rig.Periods(40);  // 0.1 s: ten times the release
    EXPECT_EQ(rig.PartPeak(1), 0.0f);
    for (int s = 0; s < 16; ++s) EXPECT_TRUE(rig.engine.slot(s).IsFinished()) << "slot " << s;
  }
}

// The bend wheel is the part's: a note started while it is away from centre starts bent, as a
// note already sounding is, and other parts stay where they are.
TEST_F(PartEngine, NotesStartedUnderABendPlayBent) {
  // Frequency of a part's left output from its rising zero crossings, over periods 20..60.
  auto pitch = [](int bendPart, int playPart, int note) {
    auto owned = std::make_unique<EngineRig>();
    EngineRig& rig = *owned;
    rig.SinePatch(playPart, 1);
    rig.Periods(120);
    if (bendPart >= 0) rig.engine.PitchBend(bendPart, 0.5f);
    rig.engine.NoteOn(playPart, note, 1.0f);
    std::vector<float> x;
    for (int p = 0; p < 60; ++p) {
      rig.Period();
      if (p >= 20) x.insert(x.end(), rig.buffers[static_cast<std::size_t>(playPart)].begin(), rig.buffers[static_cast<std::size_t>(playPart)].end());
    }
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < x.size(); ++i) {
      if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
        const double t = static_cast<double>(i - 1) + x[i - 1] / static_cast<double>(x[i - 1] - x[i]);
        if (first < 0.0) first = t;
        else ++crossings;
        last = t;
      }
    }
    return crossings > 0 ? crossings * engine_test::kRate / (last - first) : 0.0;
  };
  struct Case {
    const char* name;
    int bendPart, playPart, note;
    int expectedNote;  // unbent, the note that sounds the same
  };
  const Case cases[] = {
      {"bent part", 1, 1, 60, 66},
      {"other part bent", 2, 1, 60, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double got = pitch(c.bendPart, c.playPart, c.note);
    const double want = pitch(-1, c.playPart, c.expectedNote);
    ASSERT_GT(want, 20.0);
    EXPECT_NEAR(1200.0 * std::log2(got / want), 0.0, 2.0) << got << " Hz, " << want << " Hz";
  }
}

// Controllers far outside the range MIDI gives them, routed to an oscillator's pan, leave the
// part bounded: the controllers are held to their range and the pan to its ends.
TEST_F(PartEngine, RunawayControllersRoutedToAPanKeepThePartBounded) {
  const std::pair<int, int> controllers[] = {
      {1, SynthVoice::kSrcModWheel}, {117, SynthVoice::kSrcCvA}, {255, SynthVoice::kSrcPressure}};
  for (auto [cc, source] : controllers) {
    for (float value : {1e30f, -1e30f}) {
      SCOPED_TRACE(testing::Message() << "controller " << cc << " at " << value);
      auto owned = std::make_unique<EngineRig>();
      EngineRig& rig = *owned;
      rig.SinePatch(1, 1);
      rig.engine.SetModRoute(1, 1, 1, 1.0f, source, SynthVoice::kDstOsc1Pan, ModulationMatrix::kUnipolar);
      rig.Periods(120);
      rig.engine.ControlChange(1, cc, value);
      rig.engine.NoteOn(1, 60, 1.0f);
      float peak = 0.0f;
      for (int p = 0; p < 40; ++p) {
        rig.Period();
        peak = std::max(peak, rig.PartPeak(1));
      }
      EXPECT_GT(peak, 0.1f);
      EXPECT_LT(peak, 2.0f);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Parameters

TEST_F(PartEngine, ParametersReachTheSelectedBank) {
  engine.NoteOn(0, 60, 1.0f);
  engine.SetParam(0, 0, 0, 0.0f, 4);  // shadow: mono
  EXPECT_EQ(engine.bank(0, 0).mode.load(), VoiceBank::kMono);
  EXPECT_EQ(engine.bank(0, 1).mode.load(), VoiceBank::kPoly);
  EXPECT_EQ(Entry(engine.events[0].slot).state, CVoiceAlloc::kPlaying) << "rt 0 frees nothing";
  engine.NoteOn(1, 72, 1.0f);
  const int other = engine.events[1].slot;
  engine.SetParam(1, 0, 0, 2.0f, 4);  // live: unison 2, frees the held voice
  EXPECT_EQ(engine.bank(0, 1).mode.load(), VoiceBank::kUnison2);
  EXPECT_EQ(Entry(engine.events[0].slot).state, CVoiceAlloc::kFree);
  // Another part's held note can still be released.
  EXPECT_EQ(Entry(other).state, CVoiceAlloc::kPlaying);
  engine.ClearEvents();
  engine.NoteOff(1, 72);
  ASSERT_EQ(engine.count, 1);
  EXPECT_EQ(engine.events[0].type, CVoiceAlloc::kRelease);

  engine.SetParam(0, 0, 0, 40.0f, 10);
  EXPECT_FLOAT_EQ(engine.bank(0, 0).unisonDetune.load(), 0.4f);
  EXPECT_FLOAT_EQ(engine.bank(0, 1).unisonDetune.load(), 0.0f);
  engine.SetParam(1, 0, 0, 0.0f, 7);
  EXPECT_FALSE(engine.bank(0, 1).keyboardMode.load());
  EXPECT_TRUE(engine.bank(0, 0).keyboardMode.load());

  engine.SetParam(1, 3, 0, 50.0f, 6);
  engine.SetParam(1, 3, 0, 30.0f, 8);
  engine.SetParam(1, 3, 0, 25.0f, 11);
  engine.SetParam(0, 3, 1, 50.0f, 1289);
  EXPECT_FLOAT_EQ(engine.level(), 0.5f);
  EXPECT_FLOAT_EQ(engine.velocityAmount(), 0.3f);
  EXPECT_FLOAT_EQ(engine.parameter11(), 0.75f);
  EXPECT_FLOAT_EQ(engine.lfoSmooth(1), 0.5f);

  // Voice parameters go to the 16 voices of the selected bank only. The engine's own numbers
  // stay with the engine.
  engine.SetParam(0, 1, 0, 0.5f, 1026);
  engine.SetParam(1, 1, 0, 1.0f, 6);
  for (int v = 0; v < 16; ++v) {
    EXPECT_TRUE(engine.bank(1, 0).voice(v).ParamsPending()) << v;
    EXPECT_FALSE(engine.bank(1, 1).voice(v).ParamsPending()) << v;
  }
}

TEST(UserLfoWave, BuildsHeldAndRampedSegments) {
  const uint8_t rise[] = {0, 255};
  float p[UserLfoWave::kMaxPoints];
  ASSERT_EQ(UserLfoWave::Build(rise, 2, 0.0f, p), 128);
  for (int i = 0; i <= 128; ++i) EXPECT_EQ(p[i], -1.0f) << i;  // smoothing 0: the last level is not heard

  ASSERT_EQ(UserLfoWave::Build(rise, 2, 1.0f, p), 128);
  for (int j = 0; j < 64; ++j) EXPECT_FLOAT_EQ(p[64 + j], -1.0f + j / 32.0f) << j;
  EXPECT_FLOAT_EQ(p[127], 0.96875f);
  EXPECT_EQ(p[128], p[0]);

  const uint8_t mid[] = {255, 0};
  ASSERT_EQ(UserLfoWave::Build(mid, 2, 0.5f, p), 128);  // 32 points held, 32 ramped
  for (int i = 64; i <= 96; ++i) EXPECT_FLOAT_EQ(p[i], 1.0f) << i;
  EXPECT_LT(p[97], 1.0f);

  // Counts arrive as bytes from 0..255; the cycle holds 16 levels at most.
  uint8_t many[256] = {};
  EXPECT_EQ(UserLfoWave::Build(many, 0, 1.0f, p), 0);
  EXPECT_EQ(UserLfoWave::Build(many, 40, 1.0f, p), 16 * 64);
  EXPECT_EQ(UserLfoWave::Build(many, 0x101, 1.0f, p), 64);
}

// Each part, bank and LFO has its own user wave: loading part B's next sound or LFO 1's
// wave leaves part A's LFO 2 alone.
TEST_F(PartEngine, UserWavesArePerPartBankAndLfo) {
  for (int lfo = 0; lfo < 2; ++lfo) engine.SetParam(1, 0, lfo, 11.0f, 1280);  // user waves
  engine.SetParam(1, 1, 0, 11.0f, 1280);
  // Smoothing 0: each level is heard over the segment after it, so {255, 255} is half a
  // cycle at the bottom and half at the top, and {0} stays at the bottom.
  const char high[] = {static_cast<char>(255), static_cast<char>(255)};
  const char low[] = {0};
  engine.SetLfoWave(1, 0, 0, high, 2);
  engine.SetLfoWave(0, 0, 0, low, 1);
  engine.SetLfoWave(1, 1, 0, low, 1);
  engine.SetLfoWave(1, 0, 2, low, 1);
  Period();
  // One cycle a block at 375 Hz.
  auto peak = [](VoiceLfo& lfo) {
    float buf[kFrames];
    std::fill_n(buf, kFrames, 7.0f);
    lfo.Process(buf, 0.0f, 375.0f);
    return *std::max_element(buf, buf + kFrames);
  };
  for (int v : {0, 5}) {
    EXPECT_FLOAT_EQ(peak(engine.bank(0, 1).voice(v).lfo(0)), 1.0f) << v;
    EXPECT_EQ(peak(engine.bank(0, 1).voice(v).lfo(1)), 7.0f) << "LFO 2 has no wave";
    EXPECT_FLOAT_EQ(peak(engine.bank(1, 1).voice(v).lfo(0)), -1.0f) << v;
    VoiceLfo& shadow = engine.bank(0, 0).voice(v).lfo(0);
    shadow.SetType(11);
    EXPECT_FLOAT_EQ(peak(shadow), -1.0f) << v;
  }
  // A wave of count 0 detaches it.
  engine.SetLfoWave(1, 0, 0, high, 0);
  Period();
  EXPECT_EQ(peak(engine.bank(0, 1).voice(3).lfo(0)), 7.0f);
}

TEST_F(PartEngine, ModRoutesGoToTheSelectedBank) {
  engine.SetModRoute(0, 2, 3, 0.25f, SynthVoice::kSrcFix, SynthVoice::kDstVcfAMod, ModulationMatrix::kUnipolar);
  engine.SetModAmount(2, 3, 0.5f);  // live bank only
  for (int v : {0, 15}) {
    EXPECT_TRUE(engine.bank(2, 1).voice(v).ParamsPending());
    SynthVoice& shadow = engine.bank(2, 0).voice(v);
    shadow.ApplyParams();
    shadow.matrix().Process();
    EXPECT_FLOAT_EQ(shadow.matrix().GetRouteValue(3), 0.25f);
  }
}

// ---------------------------------------------------------------------------------------
// Mix and swap

TEST_F(PartEngine, MixSumsEachPartsSlots) {
  SinePatch(0, 1);
  SinePatch(2, 1);
  Periods(120);  // the levels glide in over 0.3 s
  engine.NoteOn(0, 69, 1.0f);
  Periods(8);
  EXPECT_GT(PartPeak(0), 0.1f);
  EXPECT_EQ(PartPeak(1), 0.0f);
  EXPECT_EQ(PartPeak(2), 0.0f);
  const float one = PartPeak(0);
  engine.NoteOn(2, 69, 1.0f);
  engine.NoteOn(2, 69 + 12, 1.0f);
  Periods(8);
  EXPECT_GT(PartPeak(2), one);
  // The pedal reaches every slot, bound or not.
  Period(1, 0.5f);
  for (int s = 0; s < 16; ++s) {
    EXPECT_EQ(engine.slot(s).PedalLevel(), 0.5f) << s;
    EXPECT_EQ(engine.slot(s).PedalSwitch(), 1) << s;
  }
  Period(0, 0.0f);
  for (int s = 0; s < 16; ++s) EXPECT_EQ(engine.slot(s).PedalSwitch(), 0) << s;
}

// The engine threads render period k + 1 while the audio thread mixes period k: the mix must
// read what period k rendered.
TEST(PartEngineHandOver, MixReadsItsOwnPeriodWhileTheNextRenders) {
  auto lockstep = std::make_unique<EngineRig>();
  auto ahead = std::make_unique<EngineRig>();
  for (EngineRig* r : {lockstep.get(), ahead.get()}) {
    r->SinePatch(1, 1);
    r->engine.NoteOn(1, 57, 1.0f);
    r->engine.NoteOn(1, 64, 0.7f);
  }
  auto render = [](EngineRig& r) {
    r.engine.RenderVoices(nullptr, 0);
    r.engine.RenderVoices(nullptr, 1);
  };
  render(*ahead);
  for (int k = 0; k < 20; ++k) {
    lockstep->Period();
    render(*ahead);
    ahead->engine.MixParts(ahead->out, 0, 0.0f);
    for (int c = 0; c < 8; ++c)
      for (int i = 0; i < kFrames; ++i)
        ASSERT_EQ(ahead->buffers[c][i], lockstep->buffers[c][i]) << "period " << k << " channel " << c;
  }
  EXPECT_GT(lockstep->PartPeak(1), 0.1f);
}

TEST_F(PartEngine, SwapRunsItsFourStatesAndBringsInTheShadowBank) {
  std::vector<std::pair<int, int>> progress;
  engine.SetProgressCallback([&](int part, int value) { progress.emplace_back(part, value); });
  SinePatch(3, 1);
  engine.NoteOn(3, 60, 1.0f);
  const int slot = engine.events[0].slot;
  Periods(4);
  const BankVoices* oldLive = engine.bank(3, 1).slotView();
  engine.ClearShadowBank(3, 0);
  SinePatch(3, 0);
  log.Clear();

  EXPECT_EQ(engine.IsSwapPending(3), 0);
  engine.TriggerSwap(3);
  EXPECT_NE(engine.IsSwapPending(3), 0);
  engine.ClearEvents();
  engine.NoteOn(3, 62, 1.0f);
  EXPECT_EQ(engine.count, 0);
  std::string expected = "Part:3 -> trigger swap\nNOTE_ON: skipped because is swapping\n";
  Period();
  expected += "Part:3 voice:" + std::to_string(slot) + " -> shutdown\nPart:3 shutdown\n";
  int waited = 0;
  while (engine.IsSwapPending(3) == CSynthEngine::kWaitSilence && waited < 200) {
    Period();
    ++waited;
  }
  ASSERT_EQ(engine.IsSwapPending(3), CSynthEngine::kWaitEffects) << "the shut-down voice fell silent";
  EXPECT_GT(waited, 1);
  expected += "Enabling All Voices\nPart:3 waitfx\n";
  engine.NoteOn(3, 62, 1.0f);
  expected += "NOTE_ON: skipped because is swapping\n";
  for (int k = 9; k >= 1; --k) {
    Period();
    expected += "Part:3 wait fx " + std::to_string(k) + "\n";
  }
  EXPECT_NE(engine.IsSwapPending(3), 0);
  Period();
  expected += "Part:3 idle\n";
  EXPECT_EQ(engine.IsSwapPending(3), 0);
  EXPECT_EQ(log.Text(), expected);
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{3, 1}, {3, 2}, {3, 3}, {3, 0}}));

  // Afterwards a note plays from the bank that was the shadow bank.
  engine.ClearEvents();
  engine.NoteOn(3, 64, 1.0f);
  ASSERT_EQ(engine.count, 1);
  Periods(6);
  const BankVoices* bound = engine.slot(engine.events[0].slot).BoundBank();
  EXPECT_EQ(bound, engine.bank(3, 1).slotView());
  EXPECT_NE(bound, oldLive);
  EXPECT_GT(PartPeak(3), 0.1f);
}

TEST_F(PartEngine, StuckVoiceIsReportedOnceAndHoldsTheSwap) {
  SinePatch(0, 1);
  engine.NoteOn(0, 60, 1.0f);
  const int slot = engine.events[0].slot;
  Periods(2);
  engine.NoteOff(0, 60);
  for (int k = 0; k < 50 && !engine.slot(slot).IsFinished(); ++k) Period();
  engine.TriggerSwap(0);
  Period();  // the voice rests, so nothing is shut down
  log.Clear();
  // A voice that keeps being started after the shutdown never falls silent.
  for (int k = 0; k < 130; ++k) {
    engine.slot(slot).PostEvent({VoiceSlot::kStart, engine.bank(0, 1).slotView(), 60, 1.0f, 0.0f});
    Period();
  }
  EXPECT_EQ(engine.IsSwapPending(0), CSynthEngine::kWaitSilence);
  EXPECT_EQ(WithoutNoteStarts(log.Text()), "Voice " + std::to_string(slot) + " stucks\n");
  engine.slot(slot).PostEvent({VoiceSlot::kRelease, nullptr, 0, 0.0f, 0.0f});
  for (int k = 0; k < 200 && engine.IsSwapPending(0) == CSynthEngine::kWaitSilence; ++k) Period();
  EXPECT_EQ(engine.IsSwapPending(0), CSynthEngine::kWaitEffects);
}

// ---------------------------------------------------------------------------------------
// Deadline

struct DeadlineCase {
  int64_t slot2Us;
  bool disabled;
};

class Deadline : public PartEngine, public ::testing::WithParamInterface<DeadlineCase> {};

int gClockCall = 0;
int64_t gSlot2Us = 0;
// Thread 0: the stamp, then slots 0, 2, 4 ...; slot 2 starts gSlot2Us after the stamp.
timespec ScriptedNow() {
  const int c = gClockCall++;
  const int64_t us = c == 2 ? gSlot2Us : 0;
  return timespec{static_cast<time_t>(100 + us / 1'000'000), static_cast<long>(us % 1'000'000) * 1000};
}

TEST_P(Deadline, LateSlotIsDisabledUntilASwapExchangesBanks) {
  SinePatch(0, 1);
  for (int n : {60, 64, 67}) engine.NoteOn(0, n, 1.0f);  // slots 0, 1, 2
  ASSERT_EQ(Entry(2).note, 67);
  Periods(3);
  log.Clear();
  gClockCall = 0;
  gSlot2Us = GetParam().slot2Us;
  engine.SetClock(&ScriptedNow);
  engine.RenderVoices(nullptr, 0);
  engine.SetClock(&engine_test::FrozenNow);
  engine.RenderVoices(nullptr, 1);
  engine.MixParts(out, 0, 0.0f);
  EXPECT_EQ(engine.SlotDisabled(2), GetParam().disabled);
  if (!GetParam().disabled) {
    EXPECT_EQ(log.Text(), "");
    return;
  }
  EXPECT_EQ(log.Text(), "Disable Voice 2 (" + std::to_string(GetParam().slot2Us - 2200) + " us after deadline)\n");
  EXPECT_EQ(Entry(2).state, CVoiceAlloc::kDisabled);
  EXPECT_EQ(engine.slot(2).QueuedEvents(), 0);

  // No note takes the slot, and it stays out of the mix, until a swap reaches its exchange.
  engine.ClearEvents();
  for (int n = 70; n < 84; ++n) engine.NoteOn(0, n, 1.0f);
  for (int i = 0; i < engine.count; ++i) EXPECT_NE(engine.events[i].slot, 2);
  Periods(3);
  EXPECT_TRUE(engine.SlotDisabled(2));
  engine.TriggerSwap(1);  // any part
  for (int k = 0; k < 5 && engine.IsSwapPending(1) != CSynthEngine::kWaitEffects; ++k) Period();
  EXPECT_FALSE(engine.SlotDisabled(2));
  EXPECT_EQ(Entry(2).state, CVoiceAlloc::kFree);
}

INSTANTIATE_TEST_SUITE_P(PartEngine, Deadline,
                         ::testing::Values(DeadlineCase{2200, false}, DeadlineCase{2201, true},
                                           DeadlineCase{5000, true}));

// With a return time set, a disabled slot comes back once its render thread has kept the
// deadline that long without a break. Each thread reads the clock for its stamp, once per
// slot (8), at the end of its period and for its kept time; `lateEnd` makes the end reading
// of one thread late, a miss that disables nothing.
int64_t gNowUs = 0;
int gCall = 0;
int gLateCall = -1;
timespec SteppedNow() {
  const int c = gCall++;
  const int64_t us = gNowUs + (c == gLateCall ? 3000 : 0);
  return timespec{100 + us / 1'000'000, static_cast<long>(us % 1'000'000) * 1000};
}

TEST_F(PartEngine, ADisabledSlotReturnsAfterItsThreadKeptTheDeadlineLongEnough) {
  constexpr int64_t kPeriodUs = 2667;
  struct Stretch {
    int64_t keptUs;  // periods kept for this long, then
    int lateEnd;     // one period whose thread ends late (-1: none)
  };
  struct Case {
    const char* name;
    int64_t returnUs;
    std::vector<Stretch> stretches;
    bool back;
  } const cases[] = {
      // The second counts from the start of the first kept period to the end of the last.
      {"kept a second", 1'000'000, {{1'000'000 + kPeriodUs, -1}}, true},
      {"kept just under a second", 1'000'000, {{1'000'000, -1}}, false},
      {"a late period starts the second again", 1'000'000, {{600'000, 0}, {600'000, -1}}, false},
      {"the other thread's late period does not", 1'000'000, {{600'000, 1}, {600'000, -1}}, true},
      {"without a return time only a swap", 0, {{3'000'000, -1}}, false},
  };
  auto period = [&](int lateEnd) {
    gNowUs += kPeriodUs;
    for (int t = 0; t < 2; ++t) {
      gCall = 0;
      gLateCall = lateEnd == t ? 9 : -1;
      engine.RenderVoices(nullptr, t);
    }
    engine.MixParts(out, 0, 0.0f);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine.Create(48000, kFrames);
    CSynthEngine::SetSlotReturnUs(c.returnUs);
    engine.SetClock(&SteppedNow);
    SinePatch(0, 1);
    for (int n : {60, 64, 67}) engine.NoteOn(0, n, 1.0f);  // slots 0, 1, 2
    ASSERT_EQ(Entry(2).note, 67);
    const uint32_t disables = CSynthEngine::SlotDisables();
    gNowUs = 0;
    gCall = 0;
    gLateCall = 2;  // thread 0's reading for slot 2
    engine.RenderVoices(nullptr, 0);
    gCall = 0;
    gLateCall = -1;
    engine.RenderVoices(nullptr, 1);
    engine.MixParts(out, 0, 0.0f);
    ASSERT_TRUE(engine.SlotDisabled(2));
    EXPECT_EQ(CSynthEngine::SlotDisables(), disables + 1);
    log.Clear();
    for (const Stretch& s : c.stretches) {
      for (int64_t kept = 0; kept < s.keptUs; kept += kPeriodUs) period(-1);
      if (s.lateEnd >= 0) period(s.lateEnd);
    }
    EXPECT_EQ(engine.SlotDisabled(2), !c.back);
    EXPECT_EQ(Entry(2).state == CVoiceAlloc::kDisabled, !c.back);
    EXPECT_EQ(WithoutNoteStarts(log.Text()), c.back ? "Enable Voice 2 (deadline kept for 1000 ms)\n" : "");
    EXPECT_EQ(CSynthEngine::SlotDisables(), disables + 1);
    if (c.back) {
      // The slot takes notes again.
      engine.ClearEvents();
      for (int n = 70; n < 84; ++n) engine.NoteOn(0, n, 1.0f);
      EXPECT_TRUE(std::any_of(engine.events.begin(), engine.events.begin() + engine.count,
                              [](const Ev& e) { return e.slot == 2; }));
    }
  }
  CSynthEngine::SetSlotReturnUs(0);
}

// ---------------------------------------------------------------------------------------
// Real-time

TEST_F(PartEngine, NothingAllocatesAfterCreate) {
  SinePatch(0, 1);
  SinePatch(1, 1);
  Period();
  const char wave[] = {0, 100, static_cast<char>(200), 50};
  testing_support::AllocGuard guard;
  for (int k = 0; k < 1000; ++k) {
    const int part = k % 2;
    if (k % 7 == 0) engine.NoteOn(part, 48 + k % 24, 0.8f);
    if (k % 7 == 3) engine.NoteOff(part, 48 + (k - 3) % 24);
    if (k % 5 == 0) engine.SetParam(1, part, 0, static_cast<float>(k % 100), 768);
    if (k % 11 == 0) engine.SetParam(0, 2, 1, 0.3f, 1026);
    if (k % 13 == 0) engine.SetModAmount(part, 0, 0.5f + 0.001f * static_cast<float>(k % 100));
    if (k % 17 == 0) engine.PitchBend(part, 0.01f * static_cast<float>(k % 10));
    if (k == 100) {
      engine.ClearShadowBank(1, 0);
      engine.SetLfoWave(0, 1, 0, wave, 4);
      engine.TriggerSwap(1);
    }
    if (k == 500) engine.ControlChange(0, 123, 0.0f);
    Period();
  }
  EXPECT_EQ(guard.Count(), 0u);
  EXPECT_EQ(engine.IsSwapPending(1), 0);
}

}  // namespace
