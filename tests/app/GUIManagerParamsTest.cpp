// Parameter routing seen from outside: what reaches the recording sound objects of a real
// audio process, the part data sets, the kit, the settings, the panel bus and a host client.
// The effects engine of part p records itself as "fx<p + 3>".
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "app/host/HostUIManager.h"
#include "data/CDataSets.h"
#include "tests/app/PanelRig.h"
#include "tests/host/HostTestKit.h"
#include "tests/midi/ClipRig.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"

namespace {

using app_test::PanelRig;
using Frame = toolkit_test::BusFrame;

constexpr unsigned kDs = FLAG_UPDATE_DS;
constexpr unsigned kIm = FLAG_UPDATE_ENGINE_IM;
constexpr unsigned kLater = FLAG_UPDATE_ENGINE;
constexpr unsigned kCan = FLAG_SEND_CAN;
constexpr unsigned kHost = 32;

// The value labels' order is (uid, flags, value); the toolkit's seam order must not be callable.
template <class M>
concept TakesFlagsThenValue = requires(M& g) { g.ValueChanged(1u, 7u, 2.0f); };
template <class M>
concept TakesValueThenFlags = requires(M& g) { g.ValueChanged(1u, 2.0f, 7u); };
static_assert(TakesFlagsThenValue<GUIManager>);
static_assert(!TakesValueThenFlags<GUIManager>);

struct StoredValue {
  int part;
  int ctrl;
  int instance;
  float value;
};

struct RouteCase {
  const char* what;
  uint32_t uid;
  unsigned flags;
  float value;
  std::vector<std::string> sound;  // what the recording sound objects saw
  std::vector<Frame> frames;       // what the panel saw
  std::vector<StoredValue> stored;
};

TEST(ParamRouting, ValueChangedReachesWhatTheFlagsAsk) {
  const std::vector<RouteCase> cases = {
      {"GLIDE_Mode, a byte kind, truncated", 0x00001, kCan, 2.7f, {}, {{0x1A7, {0xB0, 0, 9, 2}}}, {}},
      {"GLIDE_Rate, a float kind", 0x00003, kCan, 1.0f, {}, {{0x1A4, {0xB0, 0, 1, 0x00, 0x00, 0x80, 0x3F}}}, {}},
      {"part D all at once", 0x30003, kDs | kIm | kCan, 0.5f,
       {"param rt 1 part 3 uid 30003 value 0.5"}, {{0x1A4, {0xB0, 3, 1, 0x00, 0x00, 0x00, 0x3F}}},
       {{3, 0x3, 0, 0.5f}}},
      {"flag 8 alone on a part does nothing", 0x10003, kLater, 9.0f, {}, {}, {{1, 0x3, 0, 60.0f}}},
      {"a row without panel kind sends no frame", 0x00800, kCan | kIm, 0.25f,
       {"param rt 1 part 0 uid 800 value 0.25"}, {}, {}},
      {"transient mixer controls reach the engine, never the data set", 0x00B01, kDs | kIm, 0.7f,
       {"param rt 1 part 0 uid B01 value 0.7"}, {}, {}},
      {"effects store above the synth rows", 0x9100F, kDs | kIm, 0.0f,
       {"fx4 param rt 1 slot 1 id F value 0"}, {}, {{1, 0x8000F, 1, 0.0f}}},
      {"effects later", 0x80001, kLater | kCan, 0.3f, {"fx3 param rt 0 slot 0 id 1 value 0.3"}, {}, {}},
      {"drum kit pad", 0x43A04, kDs | kIm | kCan, 0.4f, {"drums param rt 1 part 4 uid 43A04 value 0.4"}, {}, {}},
      {"kind 6 addresses nothing", 0x60003, kDs | kIm | kLater | kCan | kHost, 1.0f, {}, {}, {}},
      {"kind 7 addresses nothing", 0x70003, kDs | kIm | kLater | kCan | kHost, 1.0f, {}, {}, {}},
      {"kind 12 addresses nothing", 0xC0003, kDs | kIm | kLater | kCan | kHost, 1.0f, {}, {}, {}},
      {"kind 15 addresses nothing", 0xF0003, kDs | kIm | kLater | kCan | kHost, 1.0f, {}, {}, {}},
  };
  PanelRig rig;
  ASSERT_TRUE(rig.HasBus());
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::LogCapture log;
    rig.manager->ValueChanged(c.uid, c.flags, c.value);
    EXPECT_EQ(rig.journal.Take(), c.sound);
    EXPECT_EQ(rig.FramesSent(), c.frames);
    for (const StoredValue& s : c.stored)
      EXPECT_FLOAT_EQ(rig.manager->DataSet(s.part)->getParam(s.ctrl, s.instance), s.value);
    // Nothing was offered to a data set that does not know the parameter.
    EXPECT_EQ(log.Text().find("setParam"), std::string::npos) << log.Text();
  }
  EXPECT_EQ(rig.manager->Arranger().Sampler().Pads()[3].Level, 0.4f);
}

TEST(ParamRouting, SettingsAreStoredAndForwardedButNeverSentToThePanel) {
  PanelRig rig;
  ASSERT_TRUE(rig.HasBus());
  CSettings& settings = rig.manager->Settings();
  const uint32_t volume = 0x100000 | (5 << 12) | 0xB16;
  rig.manager->ValueChanged(volume, kDs | kCan, 42.0f);
  EXPECT_EQ(settings.GetValue(settings.Find(0xB16, 5)), 42.0f);
  EXPECT_FLOAT_EQ(rig.manager->GetSetting(volume), 42.0f);
  EXPECT_GT(settings.SaveCountdown(), 0) << "the settings file follows the change";
  EXPECT_TRUE(rig.FramesSent().empty());
  // A setting the table lacks stores nothing anywhere.
  rig.manager->ValueChanged(0x100000 | 0x777, kDs, 1.0f);
  EXPECT_EQ(settings.Find(0x777, 0), -1);
}

TEST(ParamRouting, SetParamByIdStoresAndForwardsLiveWithoutAPanelFrame) {
  PanelRig rig;
  ASSERT_TRUE(rig.HasBus());
  rig.manager->SetParamById(0x00001, 3.0f);
  rig.manager->SetParamById(0x8100F, 0.0f);
  rig.manager->SetParamById(0x42A04, 0.9f);
  rig.manager->SetParamById(0x60001, 1.0f);
  EXPECT_EQ(rig.journal.Take(), (std::vector<std::string>{"param rt 1 part 0 uid 1 value 3",
                                                          "fx3 param rt 1 slot 1 id F value 0",
                                                          "drums param rt 1 part 4 uid 42A04 value 0.9"}));
  EXPECT_EQ(rig.manager->GetParamById(0x00001), 3.0f);
  EXPECT_EQ(rig.manager->GetParamById(0x8100F), 0.0f);
  EXPECT_EQ(rig.manager->Arranger().Sampler().Pads()[2].Level, 0.9f);
  EXPECT_TRUE(rig.FramesSent().empty());
}

TEST(ParamRouting, SetEngineParamForwardsOnlySettingsAndEffectsLater) {
  PanelRig rig;
  rig.manager->SetEngineParam(0x00003, 1.0f);
  rig.manager->SetEngineParam(0x50B10, 1.0f);
  rig.manager->SetEngineParam(0x42A04, 1.0f);
  rig.manager->SetEngineParam(0xA2001, 0.5f);
  EXPECT_EQ(rig.journal.Take(), (std::vector<std::string>{"fx5 param rt 0 slot 2 id 1 value 0.5"}));
  EXPECT_EQ(rig.manager->GetParamById(0x00003), 60.0f) << "nothing stored";
}

TEST(ParamRouting, GetParamByIdReadsEffectRowsForEffectKinds) {
  PanelRig rig;
  rig.manager->DataSet(1)->setParam(0x80002, 3, 0, 7.0f, 255);
  rig.manager->DataSet(1)->setParam(0x2, 0, 0, 5.0f, 255);
  EXPECT_EQ(rig.manager->GetParamById(0x93002), 7.0f);  // effects of part B
  EXPECT_EQ(rig.manager->GetParamById(0x10002), 5.0f);
}

// Whatever a value's kind, the read finds what the store left: the mixer's rows included.
TEST(ParamRouting, AStoredValueIsReadBackForEveryDataSetKind) {
  PanelRig rig;
  const uint32_t uids[] = {0x00010, 0x31010, 0x50010, 0x8100F, 0xB3002};
  float value = 11.0f;
  for (uint32_t uid : uids) {
    rig.manager->ValueChanged(static_cast<int>(uid), FLAG_UPDATE_DS, value);
    EXPECT_EQ(rig.manager->GetParamById(static_cast<int>(uid)), value) << std::hex << uid;
    rig.manager->SetParamById(static_cast<int>(uid), value + 1.0f);
    EXPECT_EQ(rig.manager->GetParamById(static_cast<int>(uid)), value + 1.0f) << std::hex << uid;
    value += 10.0f;
  }
}

TEST(ParamRouting, LfoStepRecordsHoldThirtyTwoStepsAtMost) {
  PanelRig rig;
  EXPECT_EQ(rig.manager->GetLfoStepData(0x03000), nullptr) << "LFO 3 does not exist";
  uint8_t wave[40];
  for (int i = 0; i < 40; ++i) wave[i] = static_cast<uint8_t>(i + 1);
  uint8_t* lfo2 = rig.manager->GetLfoStepData(0x12000);
  uint8_t* lfo1 = rig.manager->GetLfoStepData(0x11000);
  ASSERT_NE(lfo1, nullptr);
  ASSERT_EQ(lfo2, lfo1 + sizeof(LfoStepData));
  const uint8_t after = lfo2[0];
  rig.manager->SetLfoStepData(1, 0x11000, wave, 40);
  EXPECT_EQ(lfo1[0], 32);
  EXPECT_EQ(lfo1[32], 32);
  EXPECT_EQ(lfo2[0], after) << "the next LFO's record is untouched";
  rig.manager->SetLfoStepData(1, 0x13000, wave, 4);  // no record, still forwarded
  EXPECT_EQ(rig.manager->GetLfoStepData(0x13000), nullptr);
}

TEST(ParamRouting, SampleNamesAreKeptPerSlotAndCutToTheBuffer) {
  PanelRig rig;
  const std::string longName(100, 'x');
  rig.manager->SetSampleName(0x20002, longName.c_str(), 1);
  char name[GUIManager::kSampleNameSize + 8];
  std::memset(name, '#', sizeof name);
  rig.manager->GetSampleName(0x20002, name);
  EXPECT_EQ(std::string(name), std::string(GUIManager::kSampleNameSize - 1, 'x'));
  EXPECT_EQ(rig.manager->DataSet(2)->Embedded(3)->encoding, "MSWF");
  rig.manager->DataSet(2)->Embedded(2)->name = "osc2";
  rig.manager->GetSampleName(0x21001, name);
  EXPECT_STREQ(name, "osc2");
  rig.manager->GetSampleName(0x25001, name);
  EXPECT_STREQ(name, "") << "oscillator slot 5 does not exist";
}

// The host link mirrors part values with flag 4 and everything else only with flag 32.
TEST(ParamRouting, HostSeesValuesAsTheFlagsAsk) {
  PanelRig rig;
  clip_test::Rig clips(nullptr);
  host_test::FakeHost services(clips.core.get());
  HostUIManager link;
  link.init(&services, 0);
  rig.manager->SetHostLink(&link);
  host_test::Client client(link.BoundPort());
  ASSERT_TRUE(client.Connected());
  auto grid = client.ReadPacket();
  ASSERT_TRUE(grid.has_value());
  ASSERT_EQ(host_test::Get32(*grid, 0), 16u);

  struct Case {
    uint32_t uid;
    unsigned flags;
    float value;
    bool byId;
  };
  const Case cases[] = {
      {0x21003, kIm, 0.5f, false},               // part C live: 0x102
      {0x21003, kDs | kLater | kCan, 1.0f, false},  // no flag 4: silent
      {0x50B10, kIm, 20.0f, false},              // the mixer: kind word 0x101, like part B
      {0x9200F, kDs | kIm, 1.0f, false},         // effects without 32: silent
      {0x9200F, kHost, 0.0f, false},             // 0x111
      {0x45A04, kHost, 0.3f, false},             // drum kit: 1
      {0x107B16, kHost, 30.0f, false},           // setting, instance 7: 0x127
      {0x30002, 0, 4.0f, true},                  // SetParamById: 0x103
  };
  for (const Case& c : cases) {
    if (c.byId) rig.manager->SetParamById(static_cast<int>(c.uid), c.value);
    else rig.manager->ValueChanged(c.uid, c.flags, c.value);
  }
  rig.manager->SetHostLink(nullptr);
  link.SendValue(0xEEEE, 0, 0, 0.0f);  // marker

  std::vector<std::string> seen;
  for (int i = 0; i < 16; ++i) {
    auto p = client.ReadPacket();
    if (!p || host_test::Get32(*p, 4) == 0xEEEE) break;
    float v;
    std::memcpy(&v, p->data() + 16, 4);
    char text[64];
    std::snprintf(text, sizeof text, "%u %X %u %X %g", host_test::Get32(*p, 0), host_test::Get32(*p, 4),
                  host_test::Get32(*p, 8), host_test::Get32(*p, 12), static_cast<double>(v));
    seen.push_back(text);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"5 102 1 3 0.5", "5 101 0 B10 20", "5 111 2 F 0", "5 1 5 A04 0.3",
                                            "5 127 7 B16 30", "5 103 0 2 4"}));
}

// The controller map calls ValueChanged on the MIDI threads.
TEST(ParamRouting, ValueChangedAllocatesNothing) {
  PanelRig rig;
  ASSERT_TRUE(rig.HasBus());
  rig.manager->ValueChanged(0x00003, kDs | kIm | kCan, 1.0f);  // first use outside the count
  rig.journal.Take();
  audio_fakes::g_journal = nullptr;  // the recorder's own strings would count
  std::size_t count = 0;
  {
    testing_support::AllocGuard guard;
    for (int i = 0; i < 50; ++i) {
      rig.manager->ValueChanged(0x00003, kDs | kIm | kCan, static_cast<float>(i));
      rig.manager->ValueChanged(0x100000 | (5 << 12) | 0xB16, kDs | kIm, 50.0f);
      rig.manager->ValueChanged(0x8000F, kDs | kIm | kHost, 1.0f);
    }
    count = guard.Count();
  }
  EXPECT_EQ(count, 0u);
}

}  // namespace
