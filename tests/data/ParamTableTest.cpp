#include "data/ParamTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/CDataSets.h"
#include "tests/support/LogCapture.h"

namespace {

// The row names in table order, written out from the list of all names (not from the per-module
// tables the table is generated from).
std::vector<std::string> ExpectedNames() {
  std::vector<std::string> names;
  const auto add = [&](const std::string& prefix, std::initializer_list<const char*> suffixes) {
    for (const char* s : suffixes) names.push_back(prefix + " " + s);
  };
  for (const char* env : {"ENV1", "ENV2", "ENV3", "ENV4"})
    add(env, {"RatioA", "RatioDR", "Attack", "Decay", "Sustain", "Release", "Velocity", "Type", "PedalMode",
              "ReleasePedal"});
  for (const std::string n : {"1", "2"}) {
    add("OSC" + n, {"PitchBend", "Glide", "Kbd", "FMFactor", "AMOffset", "OscReset", "RNDDeviation"});
    add("WTOSC" + n, {n == "1" ? "Coarse" : "Pitch", "Fine", "Detune", "UnisonDetune", "Unisono", "Spread", "PAN",
                      "WTPos", "SpectralMorph", "P1", "Morph Algorithm", "Bend", "Phase", "Mute"});
    add("ALGOSC" + n, {"Coarse", "Fine", "Detune", "UnisonDetune", "Spread", "Unisono", "PAN", "Shape", "P2", "AlgSel",
                       "Phase", "Mute"});
    add("RESONATOR" + n, {"Coarse", "Fine", "Spread", "Attack", "Decay", "PAN", "Timbre", "Mode", "Damping",
                          "Brightness", "SpectrumSkew", "Mute"});
  }
  for (const char* n : {"OSC1 Type", "OSC1 Level", "OSC1 FilterA-B", "OSC1/2 XFade", "OSC2 Type", "OSC2 Level",
                        "OSC2 FilterA-B", "NOISE Level", "NOISE FilterA-B"})
    names.push_back(n);
  add("LFO1", {"Rate", "Gain", "Wave", "Delay", "SYNC", "NOTE-MODE", "NOTE-DIV", "Steps", "Trigger type", "Smooth"});
  add("LFO2", {"Rate", "Gain", "Wave", "Delay", "SYNC", "NOTE-MODE", "NOTE-DIV", "Steps", "TrgType", "Smooth"});
  add("LFO3", {"Rate", "Gain", "Wave", "Delay", "NOTE-MODE", "NOTE-DIV", "SYNC", "Steps", "TrgType", "Smooth"});
  add("FILTERA", {"Cutoff", "Reso", "Drive", "KbdTrack", "EnvAmt", "Type", "Link", "ExpLin"});
  add("FILTERB", {"Cutoff", "Reso", "Drive", "EnvAmt", "KbdTrack", "Type", "ExpLin"});
  add("SHAPER", {"Curve", "Density", "Type", "Insert"});
  add("NOISE", {"Pan", "Pitch", "Trigger", "SmpMode", "SmplSel"});
  add("AMP1", {"Gain"});
  add("AMP2", {"Gain"});
  add("MODMX", {"MACRO1", "MACRO2", "MACRO3"});
  for (const char* n : {"VOICE_Tune", "GLIDE_Mode", "GLIDE_Time", "GLIDE_Rate", "GLIDE_KbdMode", "SYNTH_Octave",
                        "SYNTH_Level", "SYNTH_VoiceMode", "SYNTH_Velocity_Amt", "UNISON_Detune"})
    names.push_back(n);
  for (int i = 0; i < 7; ++i) names.push_back("reserved");
  for (int slot = 0; slot < 10; ++slot) {
    const std::string prefix = "EFF [" + std::to_string(slot) + "]";
    names.push_back(prefix + " TYPE");
    for (int p = 1; p <= 15; ++p) names.push_back(prefix + " P" + std::to_string(p));
    names.push_back(prefix + " BYPASS");
  }
  return names;
}

TEST(ParamTable, RowNamesInTableOrderThenTheTerminator) {
  const std::vector<std::string> want = ExpectedNames();
  ASSERT_EQ(want.size(), kParamRows);
  for (std::size_t i = 0; i < kParamRows; ++i) {
    EXPECT_EQ(want[i], ParamTable[i].name) << "row " << i;
    EXPECT_NE(ParamTable[i].ctrl, kParamTerminator) << "row " << i;
  }
  EXPECT_EQ(ParamTable[kParamRows].ctrl, kParamTerminator);
  EXPECT_STREQ(ParamTable[kParamRows].name, "");
}

// Whole rows at the start of every block and at the irregular places.
TEST(ParamTable, BlockStartsAndIrregularRows) {
  struct Case {
    std::size_t row;
    uint32_t ctrl, instance, group, canId, valueType, flag;
    float value;
  };
  const Case cases[] = {
      {0, 0x400, 0, 2, 0x10C, 1, 1, 100},      // ENV1 RatioA
      {3, 0x403, 0, 2, 0x109, 7, 1, 644},      // ENV1 Decay
      {20, 0x400, 2, 2, 0x104, 1, 1, 100},     // ENV3 RatioA
      {38, 0x408, 3, 2, 0, 9, 1, 0},           // ENV4 PedalMode
      {40, 0x800, 0, 9, 0, 9, 1, 1},           // OSC1 PitchBend
      {47, 0x200, 0, 10, 0x121, 4, 1, 0},      // WTOSC1 Coarse
      {57, 0x208, 0, 10, 0, 9, 1, 0},          // WTOSC1 Morph Algorithm
      {61, 0x210, 0, 11, 0x121, 4, 1, -12},    // ALGOSC1 Coarse
      {70, 0x218, 0, 11, 0, 9, 1, 3},          // ALGOSC1 AlgSel
      {72, 0x21C, 0, 10, 0, 1, 1, 0},          // ALGOSC1 Mute carries the wavetable group
      {73, 0x220, 0, 12, 0x121, 4, 1, -12},    // RESONATOR1 Coarse
      {81, 0x22C, 0, 12, 0x126, 1, 1, 50},     // RESONATOR1 Damping
      {85, 0x800, 1, 9, 0, 9, 1, 1},           // OSC2 PitchBend
      {92, 0x200, 1, 10, 0x131, 4, 1, 0},      // WTOSC2 Pitch
      {106, 0x210, 1, 11, 0x131, 4, 1, -12},   // ALGOSC2 Coarse
      {115, 0x218, 1, 11, 0, 9, 1, 1},         // ALGOSC2 AlgSel
      {117, 0x21C, 1, 10, 0, 1, 1, 0},         // ALGOSC2 Mute
      {118, 0x220, 1, 12, 0x131, 4, 1, -12},   // RESONATOR2 Coarse
      {130, 0x10, 0, 5, 0, 9, 1, 0},           // OSC1 Type
      {131, 0x11, 0, 5, 0x160, 1, 1, 80},      // OSC1 Level
      {138, 0x12, 2, 5, 0x163, 1, 1, 0},       // NOISE FilterA-B
      {139, 0x501, 0, 4, 0x181, 5, 1, 3},      // LFO1 Rate
      {163, 0x503, 2, 4, 0, 9, 1, 0},          // LFO3 NOTE-MODE before SYNC
      {165, 0x506, 2, 4, 0x193, 9, 1, 0},      // LFO3 SYNC
      {169, 0x300, 0, 3, 0x170, 6, 1, 400},    // FILTERA Cutoff
      {177, 0x300, 1, 3, 0x178, 6, 1, 400},    // FILTERB Cutoff
      {183, 0x308, 1, 3, 0, 9, 1, 0},          // FILTERB ExpLin
      {184, 0x600, 0, 7, 0x150, 1, 1, 0},      // SHAPER Curve
      {188, 0x241, 0, 8, 0x141, 1, 1, 0},      // NOISE Pan
      {193, 0x807, 0, 6, 0, 0, 1, 80},         // AMP1 Gain
      {195, 0x700, 0, 14, 0, 0, 1, 0},         // MODMX MACRO1
      {198, 0x0, 0, 1, 0, 1, 1, 0},            // VOICE_Tune
      {205, 0x4, 0, 1, 0x1A6, 9, 1, 1},        // SYNTH_VoiceMode
      {207, 0xA, 0, 1, 0x1A2, 1, 1, 0},        // UNISON_Detune
      {208, 0xFFFF, 0, 13, 0, 0, 0, 0},        // reserved
      {214, 0xFFFF, 0, 13, 0, 0, 0, 0},        // reserved
      {215, 0x800F0, 0, 13, 0, 0, 1, 0},       // EFF [0] TYPE
      {231, 0x8000F, 0, 13, 0, 0, 1, 1},       // EFF [0] BYPASS
      {355, 0x80003, 8, 13, 0, 0, 1, 0},       // EFF [8] P4
      {384, 0x8000F, 9, 13, 0, 0, 1, 1},       // EFF [9] BYPASS
  };
  for (const Case& c : cases) {
    const ParamDef& r = ParamTable[c.row];
    SCOPED_TRACE("row " + std::to_string(c.row) + " " + r.name);
    EXPECT_EQ(r.ctrl, c.ctrl);
    EXPECT_EQ(r.instance, c.instance);
    EXPECT_EQ(r.group, c.group);
    EXPECT_EQ(r.canId, c.canId);
    EXPECT_EQ(r.valueType, c.valueType);
    EXPECT_EQ(r.flag, c.flag);
    EXPECT_EQ(r.defaultValue, c.value);
    EXPECT_EQ(r.spare, 0u);
  }
}

TEST(ParamTable, LookupsByAddressCanIdAndCtrl) {
  struct Case {
    const char* what;
    int got, want;
  };
  const Case cases[] = {
      {"type of 0x200 is that of WTOSC1 Coarse", GetParamType(0x200), 4},
      {"type of an effect parameter", GetParamType(0x80003), 0},
      {"type of an unknown ctrl", GetParamType(0x209), -1},
      {"type stops at the terminator", GetParamType(static_cast<int>(kParamTerminator)), -1},
      {"CAN id of ENV3 Decay", GetParamCanId(2, 0x403), 0x101},
      {"CAN id of a row without a panel control", GetParamCanId(0, 0x408), 0},
      {"CAN id of an unknown pair", GetParamCanId(2, 0x800), -1},
      {"wavetable position", GetParamCtrlByCanId(0x123, 10), 0x207},
      {"algorithmic shape", GetParamCtrlByCanId(0x123, 11), 0x217},
      {"resonator timbre", GetParamCtrlByCanId(0x123, 12), 0x226},
      {"CAN id in another group", GetParamCtrlByCanId(0x123, 9), -1},
      {"instance of oscillator 2's wavetable position", GetParamInstanceByCanId(0x133, 10), 1},
      {"instance of LFO3 rate", GetParamInstanceByCanId(0x191, 4), 2},
      {"instance of an unknown id", GetParamInstanceByCanId(0x999, 4), -1},
      {"filter B cutoff ctrl", GetParamCtrlByCanId(0x178, 3), 0x300},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(DataSet, StartsWithTheTableDefaults) {
  CDataSets ds;
  ASSERT_EQ(ds.EntryCount(), 385);
  for (int i = 0; i < ds.EntryCount(); ++i) {
    const ParamEntry& e = ds.Entries()[i];
    ASSERT_EQ(e.name, ParamTable[i].name);
    EXPECT_EQ(e.value, ParamTable[i].defaultValue) << e.name;
    EXPECT_EQ(e.flag, ParamTable[i].flag) << e.name;
    EXPECT_EQ(e.loaded, 0);
    EXPECT_EQ(e.source, 0);
    EXPECT_EQ(e.mark, 255);
  }
  struct Case {
    int ctrl, instance;
    float value;
  };
  const Case cases[] = {
      {0x403, 0, 644},   {0x300, 0, 400}, {0x218, 0, 3}, {0x218, 1, 1}, {0x4, 0, 1},
      {0xFFFF, 0, 0},    // the first reserved row
      {0x8000F, 0, 1},   {0x8000F, 9, 1},
      {0x123, 0, 0},     // no such entry
  };
  for (const Case& c : cases) EXPECT_EQ(ds.getParam(c.ctrl, c.instance), c.value) << std::hex << c.ctrl;
  for (int lfo = 0; lfo < 3; ++lfo) {
    EXPECT_EQ(ds.StepData(lfo)->count, 0);
    for (uint8_t b : ds.StepData(lfo)->steps) EXPECT_EQ(b, 0);
  }
  EXPECT_EQ(ds.StepData(3), nullptr);
  EXPECT_EQ(ds.Embedded(0), nullptr);
  EXPECT_EQ(ds.Embedded(4), nullptr);
  EXPECT_TRUE(ds.Routes().empty());
  EXPECT_FALSE(ds.IsDirty());
}

TEST(DataSet, SetParamStoresByCtrlAndInstance) {
  testing_support::LogCapture log;
  CDataSets ds;
  EXPECT_EQ(ds.setParam(0x80003, 7, 0, 0.5f, 255), 1);
  EXPECT_TRUE(ds.IsDirty());
  for (int i = 0; i < ds.EntryCount(); ++i) {
    const ParamEntry& e = ds.Entries()[i];
    EXPECT_EQ(e.value, std::string(e.name) == "EFF [7] P4" ? 0.5f : ParamTable[i].defaultValue) << e.name;
  }
  EXPECT_EQ(ds.setParam(0x201, 1, 3, -7.25f, 9), 1);
  const ParamEntry& fine2 = ds.Entries()[93];
  EXPECT_STREQ(fine2.name, "WTOSC2 Fine");
  EXPECT_EQ(fine2.value, -7.25f);
  EXPECT_EQ(fine2.source, 3);
  EXPECT_EQ(fine2.mark, 9);
  EXPECT_EQ(log.Text(), "");

  CDataSets clean;
  EXPECT_EQ(clean.setParam(0x209, 0, 0, 2.5f, 255), 0);
  EXPECT_EQ(log.Text(), "setParam: ctrl:521,val:2.500000 <Error Param not found>\n");
  EXPECT_FALSE(clean.IsDirty());
}

}  // namespace
