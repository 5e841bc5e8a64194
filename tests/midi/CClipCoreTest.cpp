// The clip launcher's front: clock position, launch quantum, the default clip set,
// controller detection and the controller's input through the real drivers.
#include "midi/CClipCore.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "midi/CTL_APCMini.h"
#include "midi/CTL_APCMiniMk2.h"
#include "midi/CTL_SmartPAD.h"
#include "tests/midi/ClipRig.h"

namespace {

using namespace clip_test;
using Card = FakeRawMidiBackend::Card;
using Device = FakeRawMidiBackend::Device;

TEST(CClipCore, BarAndBeatWithinTheQuantum) {
  struct Case {
    int quarters, tick, beat, bar;
  };
  const Case cases[] = {
      {16, 480, 0, 1}, {16, 1000, 1, 2}, {16, 1536, 0, 0}, {2, 36, 1, 0},  {2, 500, 0, 0},
      {8, 200, 0, 0},  {8, 300, 0, 1},   {4, 100, 0, 0},   {32, 700, 1, 7}, {1, 700, 1, 0},
  };
  Rig rig(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.quarters << " quarters, tick " << c.tick);
    rig.core->Master().SetBarLength(c.quarters);
    rig.Tick(c.tick);
    EXPECT_EQ(rig.core->Tick(), c.tick);
    EXPECT_EQ(rig.core->Beat(), c.beat);
    EXPECT_EQ(rig.core->Bar(), c.bar);
  }
}

TEST(CClipCore, BarLengthReachesEveryTrackAndRefusesNonPositive) {
  Rig rig(nullptr);
  ClipMaster& m = rig.core->Master();
  EXPECT_EQ(m.barTicks, 384);
  {
    // The default set quantises as its stored form will: on the master's quantum.
    auto lock = m.Lock();
    for (int t = 0; t < ClipMaster::kTracks; ++t) EXPECT_EQ(m.Track(t)->BarTicks(), 384) << t;
  }
  m.SetBarLength(8);
  for (int q : {0, -4, ClipMaster::kMaxBarQuarters + 1}) m.SetBarLength(q);
  EXPECT_EQ(m.barTicks, 192);
  EXPECT_EQ(m.GetBarQuarters(), 8);
  auto lock = m.Lock();
  for (int t = 0; t < ClipMaster::kTracks; ++t) EXPECT_EQ(m.Track(t)->BarTicks(), 192) << t;
  EXPECT_EQ(m.Track(7), nullptr);
  EXPECT_EQ(m.Track(-1), nullptr);
}

TEST(CClipCore, DefaultClipSetIsEnabledAtTheFirstTick) {
  Rig rig(nullptr);
  ClipMaster& m = rig.core->Master();
  const char* names[4][2] = {{"1 A", "2 A"}, {"1 B", "2 B"}, {"1 C", "2 C"}, {"1 D", "2 D"}};
  for (int t = 0; t < 4; ++t)
    for (int c = 0; c < 2; ++c) {
      EXPECT_EQ(rig.Seq(t).Clip(c).name, names[t][c]);
      EXPECT_EQ(rig.Seq(t).Scene(c).kind, kClipArpeggiator);
    }
  EXPECT_EQ(rig.Seq(4).Clip(0).name, "D1");
  EXPECT_EQ(rig.Seq(4).Scene(0).kind, kClipTrigger);
  for (int t : {5, 6}) {
    ASSERT_NE(m.Track(t), nullptr);
    for (int s = 0; s < 8; ++s) EXPECT_EQ(rig.Seq(t).Scene(s).hasClip, 0);
  }
  rig.Tick(0);
  EXPECT_EQ(rig.Log(),
            "CInstrument[enabled]: track:0 scene:0\nCInstrument[enabled]: track:0 scene:1\n"
            "CInstrument[enabled]: track:1 scene:0\nCInstrument[enabled]: track:1 scene:1\n"
            "CInstrument[enabled]: track:2 scene:0\nCInstrument[enabled]: track:2 scene:1\n"
            "CInstrument[enabled]: track:3 scene:0\nCInstrument[enabled]: track:3 scene:1\n"
            "CInstrument[enabled]: track:4 scene:0\n");
  EXPECT_TRUE(rig.out.Take().empty());
}

struct DetectCase {
  const char* what;
  std::vector<const char*> devices;  // one card, devices 0, 1, ...
  int openError;                     // on the first device
  int result;
  int chosen;  // port index, -1 none
};

class DetectTest : public testing::TestWithParam<DetectCase> {};

TEST_P(DetectTest, FindsTheFirstKnownNameExactly) {
  const DetectCase& c = GetParam();
  FakeRawMidiBackend fake;
  Card card{0, {}};
  for (std::size_t i = 0; i < c.devices.size(); ++i)
    card.devices.push_back(Device{static_cast<int>(i), c.devices[i], {{"", true, true}}});
  fake.cards = {card};
  if (c.openError) fake.SetOpenError("hw:0,0", c.openError);
  TrackRecorder out;
  testing_support::LogCapture log;
  CClipCore core(out, fake);
  EXPECT_EQ(core.DetectController(), c.result);
  EXPECT_EQ(core.Ctrl() != nullptr, c.chosen >= 0);
  for (int i = 0; i < core.PortCount(); ++i) {
    SCOPED_TRACE(i);
    const bool chosen = i == c.chosen;
    EXPECT_EQ(core.Port(i).open.load() != 0, chosen);
    if (!chosen) continue;
    EXPECT_EQ(core.Port(i).portNumber, 5);
    EXPECT_FALSE(core.Port(i).threadStarted);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DetectTest,
    testing::Values(DetectCase{"apc", {"APC MINI"}, 0, 0, 0},
                    DetectCase{"case differs", {"apc mini", "APC Mini", "smartpad"}, 0, -1, -1},
                    DetectCase{"first listed wins", {"Keyboard", "APC mini mk2", "APC MINI"}, 0, 0, 1},
                    DetectCase{"launchpad", {"Launchpad Pro MK3", "SmartPAD"}, 0, 0, 0},
                    DetectCase{"nothing", {}, 0, -1, -1},
                    DetectCase{"busy", {"SmartPAD"}, -EBUSY, -2, -1}),
    [](const auto& info) {
      std::string s = info.param.what;
      for (char& ch : s)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return s;
    });

TEST(CClipCore, DetectionPicksTheDriverAndSwitchesItsLedsOff) {
  FakeRawMidiBackend fake;
  fake.cards = {Card{0, {Device{0, "Synth", {{"", true, true}}}, Device{1, "APC mini mk2", {{"", true, true}}}}}};
  TrackRecorder out;
  testing_support::LogCapture log;
  CClipCore core(out, fake);
  ASSERT_EQ(core.DetectController(), 0);
  EXPECT_NE(dynamic_cast<CTL_APCMiniMk2*>(core.Ctrl()), nullptr);
  // The mk2's reset: every launch button and pad row, then the second row, velocity 0.
  EXPECT_EQ(fake.Writes("hw:0,1").size(), 80u);
  EXPECT_TRUE(fake.Writes("hw:0,0").empty());

  // Gone from the next scan: the driver stays.
  fake.cards = {};
  EXPECT_EQ(core.DetectController(), -1);
  EXPECT_NE(core.Ctrl(), nullptr);
}

struct InputCase {
  const char* what;
  std::vector<Bytes> in;
  std::vector<Bytes> leds;
  std::vector<std::string> calls;
  const char* log;
};

class ControllerInputTest : public testing::TestWithParam<InputCase> {};

// The APC MINI on the stand-in port, its input read by polling as the GUI thread does.
TEST_P(ControllerInputTest, ApcMini) {
  const InputCase& c = GetParam();
  Rig rig;
  rig.Tick(0);
  rig.Log();
  rig.Leds();
  for (const Bytes& b : c.in) {
    ASSERT_TRUE(rig.fake.Inject(kPort, b));
    rig.core->PollInput();
  }
  EXPECT_EQ(rig.Leds(), c.leds);
  EXPECT_EQ(rig.out.Take(), c.calls);
  EXPECT_EQ(rig.Log(), c.log);
}

std::vector<Bytes> Repeat(const Bytes& b, int n) { return std::vector<Bytes>(n, b); }

INSTANTIATE_TEST_SUITE_P(
    Messages, ControllerInputTest,
    testing::Values(
        InputCase{"channel pressure is dropped", {{0xD0, 0x40}}, {}, {}, ""},
        InputCase{"a control change goes to the core on channel 0",
                  {{0xB3, 0x07, 0x64}}, {}, {"dispatch 5 0 7 100"}, ""},
        InputCase{"shift lights the last launch button",
                  {{0x90, 98, 127}, {0x80, 98, 0}}, {TrackLed(7, 1), TrackLed(7, 0)}, {}, ""},
        InputCase{"shift and function stop every track",
                  {{0x90, 98, 127}, {0x90, 89, 127}},
                  [] {
                    auto v = Repeat(TrackLed(7, 0), 7);
                    v.insert(v.begin(), TrackLed(7, 1));
                    return v;
                  }(),
                  {}, ""},
        InputCase{"a pad's release is used but changes nothing", {{0x80, 58, 0}}, {}, {}, ""},
        InputCase{"a pad launches its scene on its track",
                  {{0x90, 56 + 2, 127}},
                  [] {
                    std::vector<Bytes> v;
                    for (int i = 1; i < 8; ++i) v.push_back(TrackLed(i, 0));
                    v.push_back(PadLed(2, 0, 2));
                    return v;
                  }(),
                  {}, "CInstrument[beginnig]: track:2 scene:0\n"}),
    [](const auto& info) {
      std::string s = info.param.what;
      for (char& ch : s)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return s;
    });

TEST(CClipCore, LaunchButtonLaunchesEveryTrackAndItsLedGoesOffAtTheQuantum) {
  Rig rig;
  rig.Tick(0);
  rig.Log();
  rig.Leds();
  ASSERT_TRUE(rig.fake.Inject(kPort, {0x90, 82 + 1, 127}));
  rig.core->PollInput();
  EXPECT_EQ(rig.Leds().front(), TrackLed(1, 2));
  EXPECT_EQ(rig.core->Master().pendingButtonLed, 1);
  EXPECT_TRUE(rig.core->Master().running);
  EXPECT_EQ(rig.Log(),
            "CInstrument[beginnig]: track:0 scene:1\nCInstrument[beginnig]: track:1 scene:1\n"
            "CInstrument[beginnig]: track:2 scene:1\nCInstrument[beginnig]: track:3 scene:1\n");
  rig.Ticks(1, 383);
  for (const Bytes& b : rig.Leds()) EXPECT_NE(b, TrackLed(1, 0));
  rig.Tick(384);
  EXPECT_EQ(rig.Leds().front(), TrackLed(1, 0));
  EXPECT_EQ(rig.core->Master().pendingButtonLed, -1);
}

TEST(CClipCore, WithoutAControllerEverythingGoesToTheCore) {
  Rig rig(nullptr);
  rig.core->OnMidiInput(5, 0, 0x90, 98, 127);
  rig.core->OnMidiInput(5, 2, 0xB0, 7, 1);
  rig.core->OnMidiInput(5, 0, 0xD0, 7, 1);
  EXPECT_EQ(rig.out.Take(), (std::vector<std::string>{"dispatch 5 0 98 127", "dispatch 5 0 7 1"}));
}

TEST(CClipCore, NoteInputReachesATrackOnlyWhileClipsRun) {
  Rig rig(nullptr);
  CClipCore& core = *rig.core;
  EXPECT_EQ(core.TrackNoteInput(0, 0, 0x90, 60, 100), 0);  // nothing launched
  rig.Tick(0);
  {
    auto lock = core.Master().Lock();
    core.Master().Track(0)->LaunchScene(0);
  }
  EXPECT_EQ(core.TrackNoteInput(0, 0, 0x90, 60, 100), 0);  // launched, not yet playing
  rig.Tick(384);
  EXPECT_EQ(core.TrackNoteInput(0, 0, 0x90, 62, 100), 1);
  EXPECT_EQ(core.TrackNoteInput(1, 0, 0x90, 62, 100), 0);  // another track plays nothing
  for (int t : {7, -1, 1000}) EXPECT_EQ(core.TrackNoteInput(t, 0, 0x90, 62, 100), 0);
  EXPECT_EQ(rig.Seq(0).Held().Count(), 2);
}

}  // namespace
