// Pad-controller drivers: the bytes each one sends for the clip launcher's calls, read back
// from a stand-in raw-MIDI port, and how each decodes its controller's messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/CAlsaMidi.h"
#include "midi/CTL_APCMini.h"
#include "midi/CTL_APCMiniMk2.h"
#include "midi/CTL_LaunchPADProMK3.h"
#include "midi/CTL_SmartPAD.h"
#include "midi/FakeRawMidiBackend.h"
#include "midi/LaunchCtrlFactory.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"

namespace {

const char* const kPort = "hw:0,0";

// Where the drivers' waits fall in the trace: "wait <us>" after the messages sent so far.
FakeRawMidiBackend* g_traced = nullptr;
std::vector<std::pair<std::size_t, unsigned>> g_waits;
void RecordWait(unsigned us) { g_waits.push_back({g_traced->Writes(kPort).size(), us}); }
void NoWait(unsigned) {}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char b[4];
  for (uint8_t v : bytes) {
    std::snprintf(b, sizeof b, s.empty() ? "%02X" : " %02X", v);
    s += b;
  }
  return s;
}

std::string Msg(int status, int data1, int data2) { return Hex({uint8_t(status), uint8_t(data1), uint8_t(data2)}); }

using Trace = std::vector<std::string>;

// A pad controller on port index 0 of a port manager over the stand-in.
class PadFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.cards = {FakeRawMidiBackend::Card{0, {FakeRawMidiBackend::Device{0, "Pads", {{"", true, true}}}}}};
    testing_support::LogCapture quiet;
    ASSERT_EQ(midi.ScanDevices(), 0);
    ASSERT_EQ(midi.OpenPort(0, 0, true), 0);
    g_traced = &fake;
    g_waits.clear();
  }
  void TearDown() override { g_traced = nullptr; }

  template <typename Driver>
  std::unique_ptr<Driver> Make(int port = 0) {
    auto d = std::make_unique<Driver>(&midi, port);
    d->SetSleep(&RecordWait);
    return d;
  }

  // The messages (one per write) and waits that `action` caused.
  Trace Run(const std::function<void()>& action) {
    fake.ClearOutput(kPort);
    g_waits.clear();
    testing_support::LogCapture sysexLines;
    action();
    Trace t;
    const auto writes = fake.Writes(kPort);
    std::size_t w = 0;
    for (std::size_t i = 0; i <= writes.size(); ++i) {
      for (; w < g_waits.size() && g_waits[w].first == i; ++w) t.push_back("wait " + std::to_string(g_waits[w].second));
      if (i < writes.size()) t.push_back(Hex(writes[i]));
    }
    return t;
  }

  struct Case {
    const char* what;
    std::function<void()> call;
    Trace expected;
  };
  void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(Run(c.call), c.expected) << c.what;
  }

  FakeRawMidiBackend fake;
  CAlsaMidi midi{fake};
};

// Pad notes and controllers as the devices' documentation lists them, row 0 first.
constexpr int kApcRowFirst[8] = {56, 48, 40, 32, 24, 16, 8, 0};
constexpr int kLaunchpadRowFirst[8] = {81, 71, 61, 51, 41, 31, 21, 11};
constexpr int kLaunchpadLaunch[8] = {89, 79, 69, 59, 49, 39, 29, 19};
constexpr int kSmartPadRowFirst[8] = {0, 16, 32, 48, 64, 80, 96, 112};

Trace ApcReset(int firstLaunch, int firstScene) {
  Trace t;
  for (int i = 0; i < 8; ++i) {
    t.push_back(Msg(0x90, firstLaunch + i, 0));
    for (int c = 0; c < 8; ++c) t.push_back(Msg(0x90, kApcRowFirst[i] + c, 0));
  }
  for (int i = 0; i < 8; ++i) t.push_back(Msg(0x90, firstScene + i, 0));
  return t;
}

using LaunchCtrlFactoryTest = PadFixture;
using ApcMiniDriver = PadFixture;
using ApcMiniMk2Driver = PadFixture;
using LaunchpadDriver = PadFixture;
using SmartPadDriver = PadFixture;
using PadDecoders = PadFixture;
using PadDrivers = PadFixture;

TEST_F(LaunchCtrlFactoryTest, TypesZeroToThree) {
  std::unique_ptr<LaunchCtrl> slot;
  EXPECT_NE(dynamic_cast<CTL_APCMini*>(LaunchCtrlFactory(slot, 0, &midi, 0)), nullptr);
  EXPECT_NE(dynamic_cast<CTL_SmartPAD*>(LaunchCtrlFactory(slot, 1, &midi, 0)), nullptr);
  EXPECT_NE(dynamic_cast<CTL_LaunchPADProMK3*>(LaunchCtrlFactory(slot, 2, &midi, 0)), nullptr);
  EXPECT_NE(dynamic_cast<CTL_APCMiniMk2*>(LaunchCtrlFactory(slot, 3, &midi, 0)), nullptr);
  EXPECT_EQ(slot.get(), dynamic_cast<CTL_APCMiniMk2*>(slot.get()));
  for (int type : {4, -1}) {
    LaunchCtrlFactory(slot, 0, &midi, 0);
    EXPECT_EQ(LaunchCtrlFactory(slot, type, &midi, 0), nullptr) << type;
    EXPECT_EQ(slot, nullptr) << type;
  }
}

TEST_F(ApcMiniDriver, Messages) {
  auto d = Make<CTL_APCMini>();
  Check({
      {"reset", [&] { d->ResetLeds(); }, ApcReset(82, 64)},
      {"pad top left", [&] { d->SetPadLed(0, 0, 1); }, {"90 38 01"}},
      {"pad bottom right", [&] { d->SetPadLed(7, 7, 6); }, {"90 07 06"}},
      {"pad", [&] { d->SetPadLed(3, 2, 5); }, {"90 2B 05"}},
      {"launch button", [&] { d->SetTrackLed(2, 1); }, {"90 54 01"}},
      {"second row", [&] { d->SetSceneLed(3, 5, 2); }, {"90 43 02"}},
      {"shift", [&] { d->SetShiftLed(1); }, {"90 62 01"}},
      {"column 8", [&] { d->SetPadLed(8, 0, 1); }, {}},
      {"row -1", [&] { d->SetPadLed(0, -1, 1); }, {}},
      {"launch button 8", [&] { d->SetTrackLed(8, 1); }, {}},
      {"second row -1", [&] { d->SetSceneLed(-1, 0, 1); }, {}},
  });
}

TEST_F(ApcMiniMk2Driver, Messages) {
  auto d = Make<CTL_APCMiniMk2>();
  Check({
      {"reset", [&] { d->ResetLeds(); }, ApcReset(112, 100)},
      {"pad off", [&] { d->SetPadLed(0, 0, 0); }, {"96 38 00"}},
      {"pad 1", [&] { d->SetPadLed(0, 0, 1); }, {"96 38 15"}},
      {"pad 2", [&] { d->SetPadLed(0, 0, 2); }, {"9D 38 15"}},
      {"pad 3", [&] { d->SetPadLed(0, 0, 3); }, {"96 38 05"}},
      {"pad 4", [&] { d->SetPadLed(0, 0, 4); }, {"9D 38 05"}},
      {"pad 5", [&] { d->SetPadLed(0, 0, 5); }, {"96 38 08"}},
      {"pad 6", [&] { d->SetPadLed(7, 7, 6); }, {"9D 07 08"}},
      {"pad state 7", [&] { d->SetPadLed(0, 0, 7); }, {}},
      {"pad state -1", [&] { d->SetPadLed(0, 0, -1); }, {}},
      {"launch button on", [&] { d->SetTrackLed(1, 3); }, {"90 71 01"}},
      {"launch button off", [&] { d->SetTrackLed(1, 0); }, {"90 71 00"}},
      {"second row on", [&] { d->SetSceneLed(7, 0, 6); }, {"90 6B 01"}},
      {"shift has no LED", [&] { d->SetShiftLed(1); }, {}},
      {"pad row 8", [&] { d->SetPadLed(0, 8, 1); }, {}},
  });
}

TEST_F(LaunchpadDriver, ResetEntersProgrammerModeAndClearsEverything) {
  auto d = Make<CTL_LaunchPADProMK3>();
  Trace expected = {"F0 00 20 29 02 0E 0E 01 F7"};
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) expected.push_back(Msg(0xB0, kLaunchpadRowFirst[r] + c, 0));
    expected.push_back("wait 10000");
  }
  for (int i = 0; i < 8; ++i) {
    for (int cc : {91 + i, 101 + i, kLaunchpadLaunch[i], 1 + i}) expected.push_back(Msg(0xB0, cc, 0));
  }
  for (int cc = 90; cc >= 10; cc -= 10) expected.push_back(Msg(0xB0, cc, 0));
  expected.insert(expected.end(), {"B0 08 2D", "B0 5D 30", "B0 60 30"});
  d->SetPadLed(1, 1, 3);
  EXPECT_EQ(Run([&] { d->ResetLeds(); }), expected);
  // The stored picture is cleared too: a repaint sends every LED off.
  const Trace repaint = Run([&] { d->OnMidiInput(0, 0x90, 60, 127); });
  ASSERT_EQ(repaint.size(), 1u + 2 * 80);
  for (std::size_t i = 1; i < repaint.size(); i += 2) EXPECT_EQ(repaint[i].substr(0, 3), "B0 ") << i;
  for (std::size_t i = 1; i < repaint.size(); i += 2) EXPECT_EQ(repaint[i].substr(6), "00") << i;
}

TEST_F(LaunchpadDriver, Messages) {
  auto d = Make<CTL_LaunchPADProMK3>();
  Check({
      {"pad 1", [&] { d->SetPadLed(0, 0, 1); }, {"B0 51 15"}},
      {"pad 2", [&] { d->SetPadLed(7, 7, 2); }, {"B1 12 15"}},
      {"pad 3", [&] { d->SetPadLed(0, 0, 3); }, {"B0 51 48"}},
      {"pad 4", [&] { d->SetPadLed(0, 0, 4); }, {"B1 51 48"}},
      {"pad 5", [&] { d->SetPadLed(0, 0, 5); }, {"B0 51 0D"}},
      {"pad 6", [&] { d->SetPadLed(0, 0, 6); }, {"B1 51 0D"}},
      {"pad 0", [&] { d->SetPadLed(0, 0, 0); }, {"B0 51 00"}},
      {"pad state 9 is off", [&] { d->SetPadLed(0, 0, 9); }, {"B0 51 00"}},
      {"pad column 8", [&] { d->SetPadLed(8, 0, 1); }, {}},
      {"launch button 0", [&] { d->SetTrackLed(0, 1); }, {"B0 59 15"}},
      {"launch button 7", [&] { d->SetTrackLed(7, 4); }, {"B1 13 48"}},
      {"launch button 8", [&] { d->SetTrackLed(8, 4); }, {}},
      {"button only, 2", [&] { d->SetSceneLed(2, -1, 2); }, {"B1 67 48"}},
      {"button only, 4", [&] { d->SetSceneLed(2, -1, 4); }, {"B1 67 00"}},
      {"button only, 6", [&] { d->SetSceneLed(2, -1, 6); }, {"B1 67 00"}},
      {"button only, 1", [&] { d->SetSceneLed(2, -1, 1); }, {"B0 67 00"}},
      {"button and pad, off", [&] { d->SetSceneLed(2, 3, 0); }, {"B0 35 0D", "B0 67 00"}},
      {"button and pad, 2", [&] { d->SetSceneLed(2, 3, 2); }, {"B1 35 48", "B1 67 48"}},
      {"pad row 9", [&] { d->SetSceneLed(2, 9, 2); }, {}},
      {"button 8", [&] { d->SetSceneLed(8, -1, 2); }, {}},
      {"no shift LED", [&] { d->SetShiftLed(1); }, {}},
  });
}

TEST_F(LaunchpadDriver, DeviceRequests) {
  auto d = Make<CTL_LaunchPADProMK3>();
  struct Request {
    int channel, status, data1, data2;
    int consumed;
    Trace expected;
  };
  const Request requests[] = {
      {0, 0xB0, 96, 127, 1, {"F0 00 20 29 02 0E 00 03 00 00 F7"}},
      {1, 0xB0, 96, 127, 0, {}},
      {0, 0xB0, 95, 127, 0, {}},
      {0, 0x90, 60, 20, 0, {}},
      {0, 0x90, 61, 100, 0, {}},
      {3, 0x90, 60, 100, 0, {}},
  };
  for (const Request& r : requests) {
    int consumed = -1;
    EXPECT_EQ(Run([&] { consumed = d->OnMidiInput(r.channel, r.status, r.data1, r.data2); }), r.expected)
        << r.status << " " << r.data1;
    EXPECT_EQ(consumed, r.consumed) << r.status << " " << r.data1;
  }

  // Velocity 21 or more: programmer mode again and the whole stored picture, paced.
  d->SetPadLed(1, 0, 3);
  d->SetTrackLed(2, 2);
  d->SetSceneLed(4, -1, 6);
  d->SetSceneLed(5, 7, 0);  // also the pad (5, 7) to state 5
  Trace expected = {"F0 00 20 29 02 0E 0E 01 F7"};
  auto add = [&](const std::string& m) {
    expected.push_back(m);
    expected.push_back("wait 1000");
  };
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c)
      add(r == 0 && c == 1 ? "B0 52 48" : r == 7 && c == 5 ? "B0 10 0D" : Msg(0xB0, kLaunchpadRowFirst[r] + c, 0));
  for (int i = 0; i < 8; ++i) add(i == 2 ? "B1 45 15" : Msg(0xB0, kLaunchpadLaunch[i], 0));
  for (int i = 0; i < 8; ++i) add(i == 4 ? "B1 69 0D" : Msg(0xB0, 101 + i, 0));
  int consumed = 0;
  EXPECT_EQ(Run([&] { consumed = d->OnMidiInput(0, 0x90, 60, 21); }), expected);
  EXPECT_EQ(consumed, 1);
}

TEST_F(SmartPadDriver, ChangesGoOutAtOnceAndOnEveryQuarterNote) {
  auto d = Make<CTL_SmartPAD>();
  Trace offs;
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) offs.push_back(Msg(0x80, kSmartPadRowFirst[r] + c, 0));
  Check({
      {"reset waits for the clock", [&] { d->ResetLeds(); }, {}},
      {"not a quarter note", [&] { for (int t = 1; t < 24; ++t) d->OnClockTick(t); }, {}},
      {"quarter note", [&] { d->OnClockTick(24); }, offs},
      {"nothing left to send", [&] { d->OnClockTick(48); }, {}},
      {"steady 1", [&] { d->SetPadLed(1, 0, 1); }, {"80 01 00", "90 01 60"}},
      {"steady 3", [&] { d->SetPadLed(1, 0, 3); }, {"80 01 00", "90 01 7F"}},
      {"steady 5", [&] { d->SetPadLed(1, 0, 5); }, {"80 01 00", "90 01 20"}},
      {"blink 2", [&] { d->SetPadLed(1, 0, 2); }, {"80 01 00", "90 01 60"}},
      {"blink 4", [&] { d->SetPadLed(1, 0, 4); }, {"80 01 00", "90 01 7F"}},
      {"blink 6", [&] { d->SetPadLed(1, 0, 6); }, {"80 01 00", "90 01 20"}},
      {"off", [&] { d->SetPadLed(1, 0, 0); }, {"80 01 00"}},
      {"state 7 is off", [&] { d->SetPadLed(1, 0, 7); }, {"80 01 00"}},
      {"last pad row is channel 0", [&] { d->SetPadLed(7, 7, 1); }, {"80 77 00", "90 77 60"}},
      {"second row lights the pad, on", [&] { d->SetSceneLed(2, 7, 1); }, {"80 72 00", "90 72 7F"}},
      {"second row lights the pad, off", [&] { d->SetSceneLed(2, 7, 0); }, {"80 72 00", "90 72 20"}},
      {"no pad row -1", [&] { d->SetSceneLed(2, -1, 1); }, {}},
      {"no pad column 8", [&] { d->SetPadLed(8, 0, 1); }, {}},
      {"no launch LEDs", [&] { d->SetTrackLed(0, 1); }, {}},
      {"no shift LED", [&] { d->SetShiftLed(1); }, {}},
  });
}

// A blinking pad alternates each quarter note between its blink and its steady velocity.
TEST_F(SmartPadDriver, BlinkingAlternatesEachQuarterNote) {
  struct Case {
    const char* what;
    std::vector<int> states;  // SetPadLed(0, 0, s) in this order
    Trace quarters;           // the pad's note-on velocity at ticks 0, 24, 48, 72
  };
  const Case cases[] = {
      {"blink without steady", {2}, {"00", "60", "00", "60"}},
      {"blink over steady", {3, 2}, {"7F", "60", "7F", "60"}},
      {"steady after blink", {4, 5}, {"20", "20", "20", "20"}},
  };
  for (const Case& c : cases) {
    auto d = Make<CTL_SmartPAD>();
    for (int s : c.states) d->SetPadLed(0, 0, s);
    Trace got;
    for (int t = 0; t < 96; ++t) {
      for (const std::string& m : Run([&] { d->OnClockTick(t); }))
        if (m.rfind("90 00 ", 0) == 0) got.push_back(m.substr(6));
    }
    EXPECT_EQ(got, c.quarters) << c.what;
  }
}

// The clip launcher's questions, per driver: which control a message is. Columns: the
// decoders that accept it ("pad r,c", "track n", "scene n", "shift p", "function") and
// "keep" when IsNotControlChange says the launcher leaves it alone.
std::string Decode(LaunchCtrl& d, int ch, int st, uint8_t d1, uint8_t d2) {
  std::string s;
  int a = -1, b = -1;
  if (d.DecodePad(ch, st, d1, d2, a, b)) s += "pad " + std::to_string(a) + "," + std::to_string(b) + " ";
  if (d.DecodeTrackButton(ch, st, d1, d2, a)) s += "track " + std::to_string(a) + " ";
  if (d.DecodeSceneButton(ch, st, d1, d2, a)) s += "scene " + std::to_string(a) + " ";
  if (d.DecodeShift(ch, st, d1, d2, a)) s += "shift " + std::to_string(a) + " ";
  if (d.IsFunctionButton(ch, st, d1, d2)) s += "function ";
  if (!d.IsNotControlChange(ch, st)) s += "keep ";
  if (!s.empty()) s.pop_back();
  return s;
}

TEST_F(PadDecoders, Tables) {
  std::unique_ptr<LaunchCtrl> apc = std::make_unique<CTL_APCMini>(&midi, 0);
  std::unique_ptr<LaunchCtrl> mk2 = std::make_unique<CTL_APCMiniMk2>(&midi, 0);
  std::unique_ptr<LaunchCtrl> lp = std::make_unique<CTL_LaunchPADProMK3>(&midi, 0);
  std::unique_ptr<LaunchCtrl> sp = std::make_unique<CTL_SmartPAD>(&midi, 0);
  struct Case {
    LaunchCtrl* driver;
    int channel, status, data1, data2;
    const char* expected;
  };
  const Case cases[] = {
      {apc.get(), 0, 0x90, 56, 127, "pad 0,0"},
      {apc.get(), 5, 0x90, 56, 127, "pad 0,0"},  // any channel
      {apc.get(), 0, 0x90, 7, 127, "pad 7,7"},
      {apc.get(), 0, 0x80, 56, 0, ""},
      {apc.get(), 3, 0x90, 82, 127, "track 0"},
      {apc.get(), 0, 0x90, 89, 127, "track 7 function"},
      {apc.get(), 0, 0x90, 64, 127, "scene 0"},
      {apc.get(), 0, 0x90, 71, 127, "scene 7"},
      {apc.get(), 0, 0x90, 72, 127, ""},
      {apc.get(), 0, 0x90, 98, 127, "shift 1"},
      {apc.get(), 0, 0x80, 98, 0, "shift 0"},
      {apc.get(), 4, 0xB0, 48, 1, "keep"},
      {mk2.get(), 0, 0x90, 56, 127, "pad 0,0"},
      {mk2.get(), 0, 0x90, 112, 127, "track 0"},
      {mk2.get(), 0, 0x90, 119, 127, "track 7 function"},
      {mk2.get(), 0, 0x90, 100, 127, "scene 0"},
      {mk2.get(), 0, 0x90, 122, 127, "shift 1"},
      {mk2.get(), 0, 0x80, 122, 0, "shift 0"},
      {mk2.get(), 0, 0x90, 98, 127, ""},
      {mk2.get(), 0, 0x90, 82, 127, ""},
      {lp.get(), 0, 0x90, 81, 127, "pad 0,0"},
      {lp.get(), 0, 0x90, 18, 127, "pad 7,7"},
      {lp.get(), 1, 0x90, 81, 127, ""},  // channel 0 only
      {lp.get(), 0, 0x90, 19, 127, ""},
      {lp.get(), 0, 0x90, 80, 127, ""},
      {lp.get(), 0, 0xB0, 89, 0, "track 0"},  // the value is not examined
      {lp.get(), 0, 0xB0, 19, 127, "track 7"},
      {lp.get(), 1, 0xB0, 19, 127, ""},
      {lp.get(), 0, 0x90, 89, 127, ""},
      {lp.get(), 0, 0xB0, 101, 127, "scene 0"},
      {lp.get(), 0, 0xB0, 108, 127, "scene 7"},
      {lp.get(), 0, 0xB0, 109, 127, ""},
      {lp.get(), 0, 0xB0, 8, 127, "function"},
      {lp.get(), 15, 0xB0, 7, 100, "keep"},
      {lp.get(), 0, 0xB0, 7, 100, ""},
      {sp.get(), 0, 0x90, 0, 127, "pad 0,0"},
      {sp.get(), 0, 0x90, 119, 127, "pad 7,7"},
      {sp.get(), 0, 0x90, 8, 127, ""},
      {sp.get(), 1, 0x90, 0, 127, ""},  // channel 0 only
      {sp.get(), 2, 0x90, 112, 127, "track 0"},
      {sp.get(), 2, 0x90, 119, 127, "track 7"},
      {sp.get(), 2, 0x90, 111, 127, ""},
      {sp.get(), 2, 0x80, 112, 0, ""},
      {sp.get(), 0, 0xB0, 1, 1, "keep"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Decode(*c.driver, c.channel, c.status, c.data1, c.data2), c.expected)
        << std::hex << c.channel << " " << c.status << " " << c.data1;

  // Decoders that refuse still fill `pressed`: the Launchpad has no shift button and says
  // "held" for every message, the SmartPAD "released".
  int pressed = -1;
  EXPECT_EQ(lp->DecodeShift(0, 0x90, 98, 127, pressed), 0);
  EXPECT_EQ(pressed, 1);
  EXPECT_EQ(sp->DecodeShift(0, 0x90, 98, 127, pressed), 0);
  EXPECT_EQ(pressed, 0);
}

// Every operation, as the clip launcher might call it.
void Exercise(LaunchCtrl& d) {
  d.ResetLeds();
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) d.SetPadLed(c, r, (c + r) % 8);
  for (int i = 0; i < 8; ++i) {
    d.SetTrackLed(i, i % 7);
    d.SetSceneLed(i, i % 2 ? -1 : i, i % 7);
  }
  d.SetShiftLed(1);
  d.OnMidiInput(0, 0xB0, 96, 127);
  d.OnMidiInput(0, 0x90, 60, 127);
  for (int t = 0; t <= 48; ++t) d.OnClockTick(t);
}

TEST_F(PadDrivers, NegativePortSendsNothing) {
  for (int type = 0; type < 4; ++type) {
    std::unique_ptr<LaunchCtrl> slot;
    LaunchCtrl* d = LaunchCtrlFactory(slot, type, &midi, -1);
    d->SetSleep(&RecordWait);
    testing_support::LogCapture log;
    fake.ClearOutput(kPort);
    g_waits.clear();
    Exercise(*d);
    EXPECT_TRUE(fake.Output(kPort).empty()) << type;
    EXPECT_EQ(log.Text(), "") << type;
    EXPECT_TRUE(g_waits.empty()) << type;
  }
}

TEST_F(PadDrivers, AllocateNothing) {
  for (int type = 0; type < 4; ++type) {
    std::unique_ptr<LaunchCtrl> slot;
    LaunchCtrl* d = LaunchCtrlFactory(slot, type, &midi, 0);
    d->SetSleep(&NoWait);
    testing_support::LogCapture log;
    fake.ClearOutput(kPort);
    std::size_t count;
    {
      testing_support::AllocGuard guard;
      Exercise(*d);
      count = guard.Count();
    }
    EXPECT_EQ(count, 0u) << type;
    EXPECT_FALSE(fake.Output(kPort).empty()) << type;
  }
}

}  // namespace
