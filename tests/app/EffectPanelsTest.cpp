// The typed configuration panels of the effects page of part C over recording page services:
// defaults and where they land, the bounds of the stepped labels, the stereo delay's clear,
// the reverb's presets from a folder Python wrote, and the dynamics meters.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "audio/CReverb.h"
#include "pages/effects/appVA_Effects.h"
#include "pages/effects/cfgVA_Base.h"
#include "pages/effects/cfgVA_Compressor.h"
#include "pages/effects/cfgVA_Reverb.h"
#include "tests/app/PageRig.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr uint32_t kPageId = 0xA0000;  // part C: effects target 10
constexpr int kSlot = 1;               // UIDs A1xxx
constexpr int kRight = 130, kLeft = 131;
constexpr int kEncoder[] = {144, 145, 146, 147};
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr char kEffects[] = "/var/lib/ruv/working/effects/";

int Uid(int param) { return static_cast<int>(kPageId) | (kSlot << 12) | param; }

// The encoder (0..3 for A..D) a parameter label is driven by.
int EncoderOf(int entry) { return entry <= 3 ? 0 : entry <= 6 ? 1 : entry <= 8 ? 2 : 3; }

class EffectPanels : public ::testing::Test {
 protected:
  void SetUp() override { Build(); }
  void Build() {
    rig.Build(kPageId, "FX 3", uxPOINT(0, 40), 800, 440);
    rig.Show();
    rig.services.Take();
  }
  appVA_Effects& page() { return rig.page(); }
  cfgVA_Base* Panel(int type) { return page().Panel(type); }
  uxValueLabel* Label(int entry) { return page().Label(entry); }
  void Show(int type) {
    page().ShowConfigPanel(type, kSlot);
    rig.services.Take();
  }
  // Slot 0 holds `type`, switched on, with `values` by parameter; the part is loaded, row 01
  // touched and the whole page painted as when the FX tab is chosen.
  void ShowRowOne(int type, std::initializer_list<std::pair<int, float>> values) {
    rig.services.params[static_cast<int>(kPageId) | 0xF0] = static_cast<float>(type);
    rig.services.params[static_cast<int>(kPageId) | 0x0F] = 0.0f;
    for (const auto& [param, v] : values) rig.services.params[static_cast<int>(kPageId) | param] = v;
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    rig.Touch(150, 60 + 24);
    rig.Tick(false);
    rig.dc.FillScreen(0);
    rig.Show();
    rig.Paint();
    rig.Tick(false);  // the meters show what the full paint read
  }
  // What reached the data set or the engine, in order.
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (const std::string& call : rig.services.Take()) {
      unsigned uid = 0, flags = 0;
      if (std::sscanf(call.c_str(), "ValueChanged %X %u", &uid, &flags) == 2 && flags > FLAG_REPAINT) out.push_back(call);
      if (call.rfind("SetEngineParam", 0) == 0 || call.rfind("SetParamById", 0) == 0) out.push_back(call);
    }
    return out;
  }
  // The label alone on its encoder (the TYPE label is encoder A's too), turned `steps`
  // detents.
  void Turn(int entry, int steps) {
    const int encoder = EncoderOf(entry);
    for (int e = 1; e <= 10; ++e)
      if (EncoderOf(e) == encoder) Label(e)->SetChecked(e == entry);
    for (int i = 0; i < std::abs(steps); ++i) rig.Encoder(kEncoder[encoder], steps > 0 ? kRight : kLeft);
  }
  // The value of the last ValueChanged for `uid`, NaN without one.
  static float LastValue(const std::vector<std::string>& calls, int uid) {
    float last = kNaN;
    for (const std::string& call : calls) {
      unsigned u = 0, flags = 0;
      float v = 0.0f;
      if (std::sscanf(call.c_str(), "ValueChanged %X %u %g", &u, &flags, &v) == 3 && static_cast<int>(u) == uid) last = v;
    }
    return last;
  }

  testing_support::TempDataRoot root;  // the page reads no preset of this machine
  page_rig::PageRig<appVA_Effects> rig;
  testing_support::LogCapture log;
};

// What a type's defaults write and where its labels then stand: the writes come in the
// type's own order, all with flags 7.
TEST_F(EffectPanels, DefaultsLandInTheirOrderAndSetTheLabelsPositions) {
  struct Case {
    int type;
    int at;  // index into the writes; negative from the end
    const char* write;
    int entry;  // the label then checked for its position; 0 none
    float position;
  } const cases[] = {
      {4, 0, "ValueChanged A1004 7 50", 0, 0},
      {4, 1, "ValueChanged A1002 7 30", 0, 0},
      {4, 2, "ValueChanged A1000 7 100", 9, 10},  // 96.5 < 100 <= 102.2
      {7, -2, "ValueChanged A1000 7 -10", 9, 65},
      {7, -1, "ValueChanged A1005 7 0", 10, 81},
      {2, 0, "ValueChanged A1000 7 5218.9", 10, 79},
      {2, 2, "ValueChanged A1002 7 842", 8, 47},
      {5, 4, "ValueChanged A1004 7 -4.7", 9, 74},
      {1, 1, "ValueChanged A1000 7 0.2", 4, 2.56f},
      {9, 4, "ValueChanged A1005 7 95", 8, 95},
      {3, -1, "ValueChanged A1006 7 60", 6, 0},  // HP-Fc: 60 Hz is the table's first entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.write);
    Show(c.type);
    Panel(c.type)->SetDefaults();
    const std::vector<std::string> sent = Sent();
    const int i = c.at < 0 ? static_cast<int>(sent.size()) + c.at : c.at;
    ASSERT_TRUE(i >= 0 && i < static_cast<int>(sent.size()));
    EXPECT_EQ(sent[static_cast<size_t>(i)], c.write);
    for (const std::string& s : sent) EXPECT_NE(s.find(" 7 "), std::string::npos) << s;
    if (c.entry != 0) {
      EXPECT_FLOAT_EQ(Label(c.entry)->GetFloatRawValue(), c.position);
    }
  }
}

// The labels are shared: a panel shown after another, or for another slot, leaves no texts,
// UIDs or selections of the one before.
TEST_F(EffectPanels, APanelShownAfterAnotherKeepsNothingOfIt) {
  Show(3);  // the stereo delay: 21 sync texts on entry 5, "norm"/"pingpong" on entry 2
  Show(1);
  page().ShowConfigPanel(1, 2);
  EXPECT_STREQ(Label(2)->getEnumText(0), "FLANGER");
  EXPECT_STREQ(Label(2)->getEnumText(2), "VIBRATO");
  EXPECT_STREQ(Label(2)->getEnumText(3), "") << "the delay's texts are gone";
  EXPECT_EQ(Label(2)->GetID(), 0xA2003);
  EXPECT_EQ(Label(5)->GetID(), -1);
  EXPECT_STREQ(Label(5)->getEnumText(0), "");

  Show(4);
  EXPECT_STREQ(Label(3)->getText(), "-");
  Show(9);
  EXPECT_EQ(Label(9)->GetID(), -1);
  EXPECT_TRUE(Label(9)->isChecked()) << "the chorus's idle entry 9 stays selected";
  Turn(9, 3);
  EXPECT_TRUE(Sent().empty()) << "and sends nothing";
}

// Stepped labels whose encoders reach beyond their tables send the tables' ends, never a
// position's missing entry, nor the shelf tables' stored 0 Hz.
TEST_F(EffectPanels, SteppedLabelsStopAtTheirTablesEnds) {
  struct Case {
    int type;
    int entry;
    int steps;
    int param;
    float sent;
  } const cases[] = {
      {2, 8, -300, 2, 60.0f},      // Mid Freq, positions down to -100
      {2, 10, -300, 0, 60.0f},     // High Freq
      {2, 10, 300, 0, 17400.0f},   // and up to 100
      {7, 9, 400, 0, 12.0f},       // Threshold, positions up to 256
      {5, 8, 150, 3, 5000.0f},     // HI Fc at position 100
      {5, 5, 150, 1, 2000.0f},     // LO Fc
      {6, 3, 150, 6, 2000.0f},     // LoSHL-Fc
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << " entry " << c.entry);
    Show(c.type);
    Turn(c.entry, c.steps);
    const std::vector<std::string> sent = Sent();
    EXPECT_FLOAT_EQ(LastValue(sent, Uid(c.param)), c.sent);
  }
}

// A refresh of a stereo delay clears its lines through both engine paths and stores
// nothing; a stored delay beyond the table starts the encoder from its first step.
TEST_F(EffectPanels, AStereoDelayRefreshClearsItsLinesAndALongDelayStartsFromTheFirstStep) {
  rig.services.params[Uid(1)] = 2.6f;
  rig.services.params[Uid(2)] = 40.0f;
  Show(3);
  for (int flags : {0, 1}) {
    SCOPED_TRACE(flags);
    Panel(3)->RefreshValues(flags);
    const std::vector<std::string> sent = Sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], "SetEngineParam A1009 0");
    EXPECT_EQ(sent.back(), "ValueChanged A1009 4 0") << "the sounding slot, not stored";
    EXPECT_EQ(sent.size(), 2u) << "flags " << flags << " store nothing else";
  }
  EXPECT_FLOAT_EQ(Label(4)->GetFloatRawValue(), 0.0f);
  EXPECT_FLOAT_EQ(Label(7)->GetFloatRawValue(), 40.0f);
  Turn(4, 1);
  EXPECT_FLOAT_EQ(LastValue(Sent(), Uid(1)), 0.004f) << "position 1 still shows the first step's 4 ms";
}

// The dynamics meters read block words 4, 5, 2, 3, 0, 1, full at 1.0; they come and go with
// the panel and keep their levels while the slot has no block.
TEST_F(EffectPanels, DynamicsMetersShowTheBlockAndFollowThePanel) {
  auto* panel = static_cast<cfgVA_Compressor*>(Panel(7));
  for (int i = 0; i < cfgVA_Compressor::kMeters; ++i) EXPECT_FALSE(panel->Meter(i)->isEnabled()) << i;
  float block[6] = {0.1f, 0.2f, 0.3f, 0.4f, 1.5f, 0.6f};
  rig.services.fxBlocks[10 * 16 + kSlot] = block;
  Show(7);
  rig.Paint();
  const float shown[] = {1.0f, 0.6f, 0.3f, 0.4f, 0.1f, 0.2f};
  for (int i = 0; i < cfgVA_Compressor::kMeters; ++i) {
    EXPECT_TRUE(panel->Meter(i)->isEnabled()) << i;
    EXPECT_FLOAT_EQ(panel->Meter(i)->getLevel(), shown[i]) << i;
  }

  rig.services.fxBlocks.clear();
  rig.Paint();
  for (int i = 0; i < cfgVA_Compressor::kMeters; ++i) EXPECT_FLOAT_EQ(panel->Meter(i)->getLevel(), shown[i]) << i;

  block[4] = 0.5f;
  rig.services.fxBlocks[10 * 16 + kSlot] = block;
  Show(4);
  rig.Paint();
  for (int i = 0; i < cfgVA_Compressor::kMeters; ++i) EXPECT_FALSE(panel->Meter(i)->isEnabled()) << i;
  EXPECT_FLOAT_EQ(panel->Meter(0)->getLevel(), 1.0f) << "a hidden panel reads nothing";
}

TEST_F(EffectPanels, GoldenPictureOfATypedPanel) {
  ShowRowOne(3, {{0, 1}, {1, 0.5f}, {2, 40}, {3, 50}, {4, -6.12f}, {5, 0}, {6, 60}, {7, 17000}, {8, 6}});
  EXPECT_TRUE(toolkit_test::MatchesGolden("effect_panel_delay", rig.Screen()));
}

TEST_F(EffectPanels, GoldenPictureOfTheDynamicsPanel) {
  float block[6] = {0.5f, 0.45f, 0.3f, 0.25f, 1.4f, 0.7f};
  rig.services.fxBlocks[10 * 16 + 0] = block;
  ShowRowOne(7, {{0, -20.08f}, {1, 10.12f}, {2, 0}, {3, 0.01f}, {4, 0.5f}, {5, 2.06f}, {6, 40}});
  EXPECT_TRUE(toolkit_test::MatchesGolden("effect_panel_dynamics", rig.Screen()));
}

// ---- reverb presets ----

class ReverbPanel : public EffectPanels {
 protected:
  void SetUp() override {
    folder = root.MakeDir(kEffects);
    const std::string script = testing_support::SourceDir() + "/tests/app/write_reverbfx.py";
    ASSERT_EQ(std::system(("python3 '" + script + "' '" + folder + "'").c_str()), 0);
    Build();
  }
  cfgVA_Reverb* reverb() { return static_cast<cfgVA_Reverb*>(Panel(6)); }
  // The writes of one flags value.
  std::vector<std::string> With(const std::vector<std::string>& sent, unsigned flags) {
    std::vector<std::string> out;
    for (const std::string& s : sent) {
      unsigned uid = 0, f = 0;
      if (std::sscanf(s.c_str(), "ValueChanged %X %u", &uid, &f) == 2 && f == flags) out.push_back(s);
    }
    return out;
  }
  std::string folder;
};

TEST_F(ReverbPanel, PresetsAreTheFolderFilesInByteOrderAndTheLabelListsThem) {
  EXPECT_EQ(reverb()->PresetNames(), (std::vector<std::string>{"Hall", "Nan", "Odd", "Room", "Trunc", "big"}));
  Show(6);
  EXPECT_STREQ(Label(2)->getEnumText(0), "Hall");
  EXPECT_STREQ(Label(2)->getEnumText(5), "big");
  EXPECT_STREQ(Label(2)->getEnumText(6), "");
}

// Defaults: the first preset with its user parameters (flags 11 and the live path), the
// labels read back, the selector at 0, then its entries from 9 up again. Numbers 0 and -1,
// and numbers that would reach the global settings, are never written.
TEST_F(ReverbPanel, DefaultsApplyTheFirstPresetWholeThenItsEntriesFromNineUp) {
  rig.services.params[Uid(2)] = 1.5f;
  Show(6);
  reverb()->SetDefaults();
  const std::vector<std::string> sent = Sent();
  EXPECT_EQ(With(sent, 15), (std::vector<std::string>{"ValueChanged A1001 15 20", "ValueChanged A1002 15 1.5",
                                                      "ValueChanged A1004 15 -3", "ValueChanged A1009 15 0.7",
                                                      "ValueChanged A100C 15 0.3"}));
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ((std::vector<std::string>(sent.end() - 2, sent.end())),
            (std::vector<std::string>{"ValueChanged A1009 13 0.7", "ValueChanged A100C 13 0.3"}));
  EXPECT_EQ(With(sent, 13).size(), 2u + 8u) << "the eight labels read back, then the two entries";
  EXPECT_FLOAT_EQ(Label(2)->GetFloatRawValue(), 0.0f);
  EXPECT_FLOAT_EQ(Label(4)->GetFloatRawValue(), 150.0f) << "Reverb T by v / 0.01";
  EXPECT_EQ(log.Text().find("ERROR"), std::string::npos);
}

// Turning encoder A on the selected preset label applies the preset whole (flags 7) and keeps
// the selector where the encoder put it.
TEST_F(ReverbPanel, TheSelectorAppliesThePresetWholeAndKeepsItsPosition) {
  Show(6);
  Label(2)->SetFloatRawValue(2.5f);  // two detents an entry: the next one reaches Room
  Turn(2, 1);
  const std::vector<std::string> sent = Sent();
  EXPECT_EQ(With(sent, 7), (std::vector<std::string>{"ValueChanged A1002 7 0.8", "ValueChanged A100A 7 0.25"}));
  EXPECT_FLOAT_EQ(Label(2)->GetFloatRawValue(), 3.0f);

  // Not while another label of encoder A is selected.
  Turn(3, 1);
  EXPECT_TRUE(With(Sent(), 7).size() <= 1u) << "only LoSHL-Fc itself";
}

// A refresh re-applies the stored preset's entries from 9 up, with the refresh's flags | 2,
// to the data set only; the user's own values stay.
TEST_F(ReverbPanel, ARefreshReappliesTheStoredPresetsEntriesFromNineUp) {
  rig.services.params[Uid(0)] = 3.0f;  // Room
  Show(6);
  for (unsigned flags : {0u, 1u}) {
    SCOPED_TRACE(flags);
    reverb()->RefreshValues(static_cast<int>(flags));
    EXPECT_EQ(With(Sent(), flags | 2), (std::vector<std::string>{"ValueChanged A100A " + std::to_string(flags | 2) + " 0.25"}));
    EXPECT_FLOAT_EQ(Label(2)->GetFloatRawValue(), 3.0f);
  }
}

// Bad files and indexes: an index naming no preset is logged and changes nothing; of a file
// cut short or malformed the entries before the fault are applied; values that are no
// number are skipped; past sixteen entries nothing more is read; a file gone since the scan
// applies nothing. The labels are read back whenever the index names a preset.
TEST_F(ReverbPanel, BadIndexesAndFilesApplyOnlyWhatIsSound) {
  Show(6);
  for (float v : {-1.0f, 6.0f, 7.5f, kNaN}) {
    SCOPED_TRACE(v);
    log.Clear();
    reverb()->SelectPreset(v, false, true, 5);
    EXPECT_TRUE(Sent().empty());
    char line[64];
    std::snprintf(line, sizeof line, "ERROR: <FX_REVERB> illegal preset index %f\n", static_cast<double>(v));
    EXPECT_NE(log.Text().find(line), std::string::npos) << log.Text();
  }

  std::vector<std::string> big;
  for (int nr = 9; nr < 9 + 16; ++nr) {
    char s[48];
    std::snprintf(s, sizeof s, "ValueChanged A1%03X 7 %d", nr, nr - 9);
    big.emplace_back(s);
  }
  struct Case {
    float index;
    bool removeFirst;  // the file goes after the scan
    std::vector<std::string> applied;
  } const cases[] = {
      {1, false, {"ValueChanged A100A 7 2"}},                              // Nan: nan and inf skipped
      {2, false, {"ValueChanged A1009 7 0.1", "ValueChanged A100A 7 0.2"}},  // Odd: malformed third
      {4, false, {"ValueChanged A1009 7 0.1", "ValueChanged A100A 7 0.2"}},  // Trunc: cut in the third
      {4, true, {}},                                                         // Trunc, deleted since the scan
      {5, false, big},                                                       // big: 18 entries
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.index << (c.removeFirst ? " removed" : ""));
    if (c.removeFirst) std::filesystem::remove(folder + "Trunc.reverbfx");
    reverb()->SelectPreset(c.index, false, true, 5);
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(With(sent, 7), c.applied);
    EXPECT_EQ(With(sent, 5).size(), 8u) << "the labels read back";
    EXPECT_FLOAT_EQ(Label(2)->GetFloatRawValue(), c.index);
  }
}

// The rescan request reads the folder again; the selector offers the new list from the next
// setup on.
TEST_F(ReverbPanel, ARescanChangesTheListAndTheSelectorAtTheNextSetup) {
  Show(6);
  std::ofstream(folder + "Air.reverbfx") << "<FXPreset><Parameter Nr=\"9\" Name=\"D\" Value=\"1\"/></FXPreset>";
  std::filesystem::remove(folder + "big.reverbfx");
  rig.Give(tagUX_Message(APP_MSG_RESCAN_FILES));
  EXPECT_EQ(reverb()->PresetNames(), (std::vector<std::string>{"Air", "Hall", "Nan", "Odd", "Room", "Trunc"}));
  EXPECT_STREQ(Label(2)->getEnumText(0), "Hall") << "until the next setup";
  Show(6);
  EXPECT_STREQ(Label(2)->getEnumText(0), "Air");
  EXPECT_STREQ(Label(2)->getEnumText(5), "Trunc");
}

TEST_F(ReverbPanel, GoldenPicture) {
  ShowRowOne(6, {{0, 3}, {1, 12}, {2, 0.8f}, {3, 40}, {4, -6.12f}, {5, -1.78f}, {6, 205}, {7, -4}, {14, 1}});
  EXPECT_TRUE(toolkit_test::MatchesGolden("effect_panel_reverb", rig.Screen()));
}

// Names that are all extension, have dots of their own, or are no file at all: the panel
// starts and rescans, and offers and loads each preset file by its own name.
TEST_F(EffectPanels, OddNamesInTheFolderNeitherStopThePanelNorHideAPreset) {
  const std::string folder = root.MakeDir(kEffects);
  struct File {
    const char* name;
    int value;
  } const files[] = {{"reverbfx", 9}, {".reverbfx", 9}, {"Plate 1.5.reverbfx", 3}, {"a.b.reverbfx", 2},
                     {"a.reverbfx", 1}};
  for (const File& f : files)
    std::ofstream(folder + f.name) << "<FXPreset><Parameter Nr=\"9\" Name=\"D\" Value=\"" << f.value
                                   << "\"/></FXPreset>";
  ASSERT_EQ(::mkdir((folder + "dir.reverbfx").c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo((folder + "pipe.reverbfx").c_str(), 0644), 0);
  for (bool rescan : {false, true}) {
    SCOPED_TRACE(rescan);
    if (rescan)
      rig.Give(tagUX_Message(APP_MSG_RESCAN_FILES));
    else
      Build();
    auto* reverb = static_cast<cfgVA_Reverb*>(Panel(6));
    ASSERT_EQ(reverb->PresetNames(), (std::vector<std::string>{"Plate 1.5", "a", "a.b"}));
    Show(6);
    const int values[] = {3, 1, 2};  // each file's own
    for (int index : {0, 1, 2}) {
      reverb->SelectPreset(static_cast<float>(index), false, true, 5);
      EXPECT_EQ(Sent().front(), "ValueChanged A1009 7 " + std::to_string(values[index])) << index;
    }
  }
}

// Without the folder (or with an empty one) there is nothing to offer, and a reverb chosen
// there starts from the engine reverb's own sound, not from the values the slot's previous
// effect left (a tube preamp's "Density 2000", "PREDelay 500 ms").
TEST_F(EffectPanels, AReverbWithoutPresetsStartsFromItsOwnDefaults) {
  auto* reverb = static_cast<cfgVA_Reverb*>(Panel(6));
  for (bool made : {false, true}) {
    SCOPED_TRACE(made);
    if (made) {
      root.MakeDir(kEffects);
      rig.Give(tagUX_Message(APP_MSG_RESCAN_FILES));
    }
    EXPECT_TRUE(reverb->PresetNames().empty());
    for (int param = 1; param <= 14; ++param) rig.services.params[Uid(param)] = param == 1 ? 500.0f : 2000.0f;
    Show(6);
    reverb->SetDefaults();

    // Every parameter once, to the data set (so SAVE stores it) and both engine paths;
    // through the engine's own parameter calls they give the record its reset loads.
    CReverb engine, fresh;
    engine.Reset(48000.0f);
    fresh.Reset(48000.0f);
    for (int id = 1; id <= 14; ++id) engine.SetParam(id, id == 14 ? 1.0f : 2000.0f);
    std::vector<int> written;
    for (const std::string& call : Sent()) {
      unsigned uid = 0, flags = 0;
      float value = 0.0f;
      ASSERT_EQ(std::sscanf(call.c_str(), "ValueChanged %X %u %f", &uid, &flags, &value), 3) << call;
      if (flags != 15u) continue;
      written.push_back(static_cast<int>(uid & 0xFFF));
      engine.SetParam(static_cast<int>(uid & 0xFFF), value);
    }
    EXPECT_EQ(written, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
    const ReverbParams& got = engine.Params();
    const ReverbParams& own = fresh.Params();
    EXPECT_EQ(got.density, own.density);
    const float ReverbParams::*fields[] = {
        &ReverbParams::apfMaxDelayMs, &ReverbParams::apfDelayWeightPct, &ReverbParams::fixedMaxDelayMs,
        &ReverbParams::fixedDelayWeightPct, &ReverbParams::preDelayMs, &ReverbParams::damping,
        &ReverbParams::kRT, &ReverbParams::lowShelfHz, &ReverbParams::lowShelfDb,
        &ReverbParams::highShelfHz, &ReverbParams::highShelfDb, &ReverbParams::wetDb,
        &ReverbParams::dryDb};
    for (const auto field : fields) EXPECT_NEAR(got.*field, own.*field, 1e-4f * (1.0f + std::fabs(own.*field)));

    // The labels show those values.
    EXPECT_NEAR(Label(5)->GetFloatValue(), 30.0f, 1e-3) << "PREDelay";
    EXPECT_FLOAT_EQ(Label(7)->GetFloatValue(), 27.0f) << "Damping";
    EXPECT_FLOAT_EQ(Label(8)->GetFloatValue(), 0.0f) << "Density: Sparse";
    EXPECT_FLOAT_EQ(Label(9)->GetFloatValue(), -12.0f) << "WET";
  }
}

}  // namespace
