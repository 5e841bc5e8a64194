#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/Base64.h"
#include "data/CDataSets.h"
#include "tests/data/PresetFixture.h"

namespace {

using PresetReader = PresetFixture;

std::string P(const char* name, const std::string& value) {
  return std::string("<Parameter Name=\"") + name + "\" index=\"0\" Value=\"" + value + "\"></Parameter>\n";
}

TEST_F(PresetReader, OldDetuneBecomesTheUnisonDetune) {
  struct Case {
    std::string voice;
    int ctrl, instance;
    float want;
  };
  const Case cases[] = {
      {"<WTOSC Nr=\"1\">" + P("WTOSC1 Detune", "10") + "</WTOSC>", 0x203, 0, static_cast<float>(0.0024 * 10 * 10)},
      // A later unison detune element wins.
      {"<WTOSC Nr=\"1\">" + P("WTOSC1 Detune", "10") + P("WTOSC1 UnisonDetune", "0.5") + "</WTOSC>", 0x203, 0, 0.5f},
      // The target is fixed by the name, not by the module number.
      {"<ALGOSC Nr=\"2\">" + P("ALGOSC2 Detune", "-5") + "</ALGOSC>", 0x213, 1, static_cast<float>(0.0024 * 25)},
      {"<WTOSC Nr=\"2\">" + P("WTOSC2 Detune", "3.3") + "</WTOSC>", 0x203, 1,
       static_cast<float>(0.0024 * static_cast<double>(3.3f) * static_cast<double>(3.3f))},
  };
  for (const Case& c : cases) {
    Write("detune", Doc(c.voice));
    CDataSets ds;
    EXPECT_EQ(ds.XMLLoadPreset("detune"), c.voice.find("UnisonDetune") != std::string::npos ? 2 : 1);
    EXPECT_EQ(ds.getParam(c.ctrl, c.instance), c.want) << c.voice;
    EXPECT_EQ(ds.getParam(0x203, 1 - c.instance), 0.0f);
  }
  EXPECT_FLOAT_EQ(0.0024f * 100, 0.24f);
}

TEST_F(PresetReader, ParametersFindTheirRowByNameAndModuleNumber) {
  const std::string voice =
      "<ENV Nr=\"3\">" + P("ENV3 Decay", "12.5") + P("ENV1 Decay", "99") + "</ENV>\n" +  // ENV1 is not module 3
      "<OSC Nr=\"2\">" + P("OSC2 Glide", "0") + "</OSC><WTOSC>" + P("WTOSC2 Pitch", "7") + "</WTOSC>\n" +
      "<MIXER Nr=\"3\">" + P("NOISE Level", "33") + "</MIXER>\n" + "<Unknown Nr=\"1\">" + P("No Such Row", "1") +
      "</Unknown>\n" + "<SHAPER Nr=\"1\">" + P("SHAPER Insert", "1") + P("SHAPER Density", "20") + "</SHAPER>\n" +
      "<LFO Nr=\"2\">" + P("LFO2 Rate", "nan") + P("LFO2 Gain", "inf") + P("LFO2 Delay", "-1e300") +
      P("LFO2 Smooth", "1e-3") + "</LFO>";
  const std::string master = "<Master>" + P("SYNTH_VoiceMode", "0") + "</Master>\n"
                             "<SynthEffect>"
                             "<EffectParam Name=\"EFF [2] TYPE\" index=\"0\" Value=\"5\" Nr=\"2\"></EffectParam>"
                             "<EffectParam Name=\"EFF [2] P3\" index=\"3\" Value=\"0.75\"></EffectParam>"
                             "<EffectParam Name=\"EFF [3] P3\" index=\"3\" Value=\"0.5\"></EffectParam>"
                             "<EffectParam Name=\"EFF [2] BYPASS\" index=\"16\" Value=\"nan\"></EffectParam>"
                             "</SynthEffect>";
  Write("rows", Doc(voice, master));
  CDataSets ds;
  ds.setParam(0x501, 1, 0, 9.0f, 255);
  EXPECT_EQ(ds.XMLLoadPreset("rows"), 10);
  EXPECT_FALSE(ds.IsDirty());
  EXPECT_EQ(ds.PresetName(), "rows");
  struct Case {
    int ctrl, instance;
    float want;
  };
  const Case cases[] = {
      {0x403, 2, 12.5f}, {0x403, 0, 644.0f}, {0x801, 1, 0.0f},  {0x200, 1, 7.0f},
      {0x11, 2, 33.0f},  {0x603, 0, 1.0f},   {0x601, 0, 20.0f},  // with the shaper inserted, Density is read
      {0x501, 1, 3.0f},  // not a number: the default stays
      {0x502, 1, 50.0f}, {0x505, 1, 0.0f},   {0x509, 1, 0.001f}, {0x4, 0, 0.0f},
      {0x800F0, 2, 5.0f}, {0x80002, 2, 0.75f}, {0x80002, 3, 0.0f}, {0x8000F, 2, 1.0f},
  };
  for (const Case& c : cases) EXPECT_EQ(ds.getParam(c.ctrl, c.instance), c.want) << std::hex << c.ctrl << " " << c.instance;
  for (int i = 0; i < ds.EntryCount(); ++i) {
    const ParamEntry& e = ds.Entries()[i];
    EXPECT_TRUE(std::isfinite(e.value)) << e.name;
    if (e.value != ParamTable[i].defaultValue) {
      EXPECT_EQ(e.loaded, 1) << e.name;
    }
  }
  const std::string log = log_.Text();
  for (const char* line : {"PARAMETER [VOICE] <ENV1 Decay> not found index:[0] \r\n",
                           "PARAMETER [VOICE] <No Such Row> not found index:[0] \r\n",
                           "PARAMETER [VOICE] <LFO2 Rate> not found index:[0] \r\n",
                           "PARAMETER [VOICE] <LFO2 Gain> not found index:[0] \r\n",
                           "PARAMETER [VOICE] <LFO2 Delay> not found index:[0] \r\n",
                           "PARAMETER [EFFECT] <EFF [3] P3> not found index:[3] \r\n",
                           "PARAMETER [EFFECT] <EFF [2] BYPASS> not found index:[16] \r\n",
                           "XMLLoadPreset: OK params:385 (parsed:10)\r\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  EXPECT_EQ(log.find("pregain"), std::string::npos);
  EXPECT_EQ(log.rfind("XMLLoadPreset: <" + PathOf("rows") + "> start ...\r\nclear MX\n", 0), 0u) << log;
  EXPECT_NE(log.find("TIME: Load Preset us:"), std::string::npos);
}

TEST_F(PresetReader, ShaperWithoutInsertLoadsItsPregainAsEighty) {
  Write("shaper", Doc("<SHAPER Nr=\"1\">" + P("SHAPER Density", "20") + "</SHAPER>"));
  CDataSets ds;
  EXPECT_EQ(ds.XMLLoadPreset("shaper"), 1);
  EXPECT_EQ(ds.getParam(0x601, 0), 80.0f);
  EXPECT_NE(log_.Text().find("pregain fixed to 80.0\n"), std::string::npos);
}

TEST_F(PresetReader, RoutesByMatrixSlot) {
  const auto item = [](const std::string& nr, int src, int dst, const char* polarity = nullptr) {
    std::string s = "<Item Nr=\"" + nr + "\" Curve=\"2\" Src=\"" + std::to_string(src) + "\" Amount=\"0.5\"";
    if (polarity) s += std::string(" Polarity=\"") + polarity + "\"";
    return s + " Dst=\"" + std::to_string(dst) + "\"></Item>\n";
  };
  struct Case {
    const char* what;
    std::string items;
    std::vector<ModRoute> want;
    const char* logLine;
  };
  const Case cases[] = {
      {"default polarity by source", item("1", 5, 17) + item("2", 1, 3) + item("3", 26, 3),
       {{1, 5, 17, 2, 0.5f, 2.0f}, {2, 1, 3, 1, 0.5f, 2.0f}, {3, 26, 3, 1, 0.5f, 2.0f}}, "MATRIX->insert 3\n"},
      {"a polarity does not carry over to the next item", item("1", 5, 17, "0") + item("2", 1, 3),
       {{1, 5, 17, 0, 0.5f, 2.0f}, {2, 1, 3, 1, 0.5f, 2.0f}}, nullptr},
      {"replace by slot", item("4", 5, 17) + item("4", 2, 9, "1"), {{4, 2, 9, 1, 0.5f, 2.0f}}, "MATRIX->replace 4\n"},
      {"the shaper, noise and other late destinations", item("1", 5, 38) + item("2", 5, 40) + item("3", 5, 45),
       {{1, 5, 38, 2, 0.5f, 2.0f}, {2, 5, 40, 2, 0.5f, 2.0f}, {3, 5, 45, 2, 0.5f, 2.0f}}, nullptr},
      {"a new route from or to nothing is dropped", item("1", 0, 17) + item("2", 5, 0), {}, nullptr},
      {"255 clears", item("1", 5, 17) + item("255", 0, 0) + item("2", 1, 3), {{2, 1, 3, 1, 0.5f, 2.0f}},
       "clear MX\n"},
      {"slots, sources and destinations outside the matrix",
       item("24", 5, 17) + item("-2", 5, 17) + item("5", 27, 17) + item("5", 5, 46) + item("5", -1, 17),
       {}, "MATRIX->ignore 24\n"},
      {"amounts and curves that are not numbers",
       "<Item Nr=\"1\" Curve=\"nan\" Src=\"5\" Amount=\"0.5\" Dst=\"17\"></Item>\n"
       "<Item Nr=\"2\" Curve=\"1\" Src=\"5\" Amount=\"-inf\" Dst=\"17\"></Item>\n",
       {}, "MATRIX->ignore 2\n"},
  };
  for (const Case& c : cases) {
    Write("routes", Doc("<ModMatrix>\n" + c.items + "</ModMatrix>"));
    log_.Clear();
    CDataSets ds;
    ds.Routes().push_back(ModRoute{7, 1, 1, 1, 1.0f, 0.0f});  // emptied by the load
    ds.XMLLoadPreset("routes");
    const std::vector<ModRoute>& got = ds.Routes();
    ASSERT_EQ(got.size(), c.want.size()) << c.what;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].slot, c.want[i].slot) << c.what;
      EXPECT_EQ(got[i].source, c.want[i].source) << c.what;
      EXPECT_EQ(got[i].destination, c.want[i].destination) << c.what;
      EXPECT_EQ(got[i].polarity, c.want[i].polarity) << c.what;
      EXPECT_EQ(got[i].amount, c.want[i].amount) << c.what;
      EXPECT_EQ(got[i].curve, c.want[i].curve) << c.what;
    }
    if (c.logLine) {
      EXPECT_NE(log_.Text().find(c.logLine), std::string::npos) << c.what;
    }
  }
}

TEST_F(PresetReader, StepTables) {
  const auto bytes = [](int nr, const std::string& array, const char* name = "STEP_DATA") {
    return "<LFO Nr=\"" + std::to_string(nr) + "\"><ByteArray Name=\"" + name + "\" index=\"15\" elements=\"0\" Array=\"" +
           array + "\"></ByteArray></LFO>\n";
  };
  struct Case {
    const char* what;
    std::string voice;
    int lfo;
    int count;
    std::vector<uint8_t> steps;
  };
  const std::string sixtyFour(64, 'F');
  const Case cases[] = {
      {"three pairs", bytes(2, "0A0B0C"), 1, 3, {10, 11, 12}},
      {"lower-case digits", bytes(1, "ff7f"), 0, 2, {255, 127}},
      {"a bad pair counts but keeps its step", bytes(3, "01ZZ03"), 2, 3, {1, 0, 3}},
      {"an odd character is not a step", bytes(3, "0102F"), 2, 2, {1, 2}},
      {"the longest array", bytes(1, sixtyFour + "A"), 0, 32, std::vector<uint8_t>(32, 255)},
      {"66 characters are ignored", bytes(1, sixtyFour + "AB"), 0, 0, {}},
      {"another name is ignored", bytes(1, "0A", "OTHER"), 0, 0, {}},
      {"no fourth LFO", bytes(4, "0A"), 0, 0, {}},
  };
  for (const Case& c : cases) {
    Write("steps", Doc(c.voice));
    CDataSets ds;
    ds.XMLLoadPreset("steps");
    for (int lfo = 0; lfo < 3; ++lfo) {
      const LfoStepData& t = *ds.StepData(lfo);
      const bool mine = lfo == c.lfo;
      EXPECT_EQ(t.count, mine ? c.count : 0) << c.what << " lfo " << lfo;
      for (int k = 0; k < LfoStepData::kSteps; ++k) {
        const int want = mine && k < static_cast<int>(c.steps.size()) ? c.steps[k] : 0;
        EXPECT_EQ(t.steps[k], want) << c.what << " step " << k;
      }
    }
  }
}

TEST_F(PresetReader, EmbeddedDataAfterTheFirstDataAttribute) {
  const std::vector<uint8_t> a = {1, 2, 3, 4, 5, 6, 7};
  const std::vector<uint8_t> b = {0xFE, 0xFF};
  const auto data = [](const std::vector<uint8_t>& v) { return "base64, " + Base64::Encode(v.data(), v.size()); };
  const auto element = [](const std::string& name, const std::string& attrs) {
    return "<" + name + " " + attrs + "></" + name + ">\n";
  };
  struct Case {
    const char* what;
    std::string voice;
    std::vector<uint8_t> want1, want2, want3;
    std::string name1, name3;
  };
  const std::vector<uint8_t> old = {9, 9};
  const Case cases[] = {
      {"two records in one document each get their own bytes",
       "<WTOSC Nr=\"1\">" + element("WAVETABLE", "Name=\"a &amp; &quot;b&quot;\" Encoding=\"PCM16\" Data=\"" + data(a) + "\"") +
           "</WTOSC><WTOSC Nr=\"2\">" + element("WAVETABLE", "Name=\"B\" Encoding=\"PCM16\" Data=\"" + data(b) + "\"") +
           "</WTOSC>" + element("WAVE", "Name=\"S\" Encoding=\"RIFF\" Data=\"" + data(a) + "\""),
       a, b, a, "a & \"b\"", "S"},
      {"before any Data attribute nothing changes",
       "<WTOSC Nr=\"1\">" + element("WAVETABLE", "Name=\"x\" Encoding=\"e\"") + "</WTOSC>" +
           element("WAVE", "Name=\"y\""),
       old, old, old, "old", "old"},
      {"an empty Data empties the record, the next element without Data too",
       "<WTOSC Nr=\"1\">" + element("WAVETABLE", "Name=\"\" Encoding=\"\" Data=\"\"") + "</WTOSC><WTOSC Nr=\"2\">" +
           element("WAVETABLE", "Name=\"n\"") + "</WTOSC>",
       {}, {}, old, "", "old"},
      {"bytes are handed over once",
       "<WTOSC Nr=\"1\">" + element("WAVETABLE", "Name=\"A\" Data=\"" + data(a) + "\"") + "</WTOSC>" +
           element("WAVE", "Name=\"S\""),
       a, old, {}, "A", "S"},
      {"no third wavetable: the sample stays",
       "<WTOSC Nr=\"3\">" + element("WAVETABLE", "Name=\"X\" Data=\"" + data(b) + "\"") + "</WTOSC>",
       old, old, old, "old", "old"},
  };
  for (const Case& c : cases) {
    Write("embedded", Doc(c.voice));
    CDataSets ds;
    for (int r = 1; r <= 3; ++r) {
      ds.Embedded(r)->data = old;
      ds.Embedded(r)->name = "old";
    }
    ds.XMLLoadPreset("embedded");
    EXPECT_EQ(ds.Embedded(1)->data, c.want1) << c.what;
    EXPECT_EQ(ds.Embedded(2)->data, c.want2) << c.what;
    EXPECT_EQ(ds.Embedded(3)->data, c.want3) << c.what;
    EXPECT_EQ(ds.Embedded(1)->name, c.name1) << c.what;
    EXPECT_EQ(ds.Embedded(3)->name, c.name3) << c.what;
  }
}

TEST_F(PresetReader, FailedLoads) {
  CDataSets ds;
  ds.Embedded(3)->data = {1, 2, 3};
  ds.setParam(0x300, 0, 0, 999.0f, 255);

  // Missing file: the defaults, the embedded records as they were.
  EXPECT_EQ(ds.XMLLoadPreset("missing"), 0);
  EXPECT_EQ(ds.getParam(0x300, 0), 400.0f);
  EXPECT_EQ(ds.Embedded(3)->data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ds.PresetName(), "");
  EXPECT_FALSE(ds.IsDirty());
  const std::string log = log_.Text();
  EXPECT_NE(log.find("XMLParserDS: Error:<No such file or directory> open file: <" + PathOf("missing") + ">\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("XMLLoadPreset: ERROR: 1\r\n"), std::string::npos);

  // Cut off part-way: what was read stays, the result is an error.
  const std::string whole = Doc("<ENV Nr=\"1\">" + P("ENV1 Attack", "1.5") + P("ENV1 Decay", "2.5") + "</ENV>");
  Write("cut", whole.substr(0, whole.find("ENV1 Decay") + 14));
  log_.Clear();
  EXPECT_EQ(ds.XMLLoadPreset("cut"), 1);
  EXPECT_EQ(ds.getParam(0x402, 0), 1.5f);
  EXPECT_EQ(ds.getParam(0x403, 0), 644.0f);
  EXPECT_NE(log_.Text().find("XMLLoadPreset: ERROR: 2\r\n"), std::string::npos);
  EXPECT_EQ(ds.PresetName(), "");

  // A name that leaves the presets folder is refused before the sound is touched.
  ds.setParam(0x300, 0, 0, 123.0f, 255);
  Write("../outside", whole);
  for (const char* name : {"../outside", "/etc/passwd", "a//b"}) {
    log_.Clear();
    EXPECT_EQ(ds.XMLLoadPreset(name), 0) << name;
    EXPECT_EQ(ds.getParam(0x300, 0), 123.0f);
    EXPECT_NE(log_.Text().find("XMLLoadPreset: ERROR: 1\r\n"), std::string::npos);
  }

  // An empty name reads "default".
  Write("default", whole);
  EXPECT_EQ(ds.XMLLoadPreset(""), 2);
  EXPECT_EQ(ds.PresetName(), "default");
}

}  // namespace
