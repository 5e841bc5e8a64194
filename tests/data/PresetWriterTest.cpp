#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "data/Base64.h"
#include "data/CDataSets.h"
#include "data/XmlWriter.h"
#include "tests/data/PresetFixture.h"
#include "tests/support/RunCommand.h"

namespace {

using PresetWriter = PresetFixture;

struct Param {
  const char* suffix;
  int index;
};

// The stored document's start tags and comments, one per line with its indentation, the Value
// attributes left out: the element order, attribute order and index rules of the format,
// written out here from the format's description.
std::vector<std::string> ExpectedOutline() {
  std::vector<std::string> out;
  const auto line = [&](int depth, const std::string& text) { out.push_back(std::string(depth, '\t') + text); };
  const auto params = [&](const std::string& prefix, const std::vector<Param>& list) {
    for (const Param& p : list)
      line(3, "<Parameter Name=\"" + prefix + p.suffix + "\" index=\"" + std::to_string(p.index) + "\">");
  };
  const auto element = [&](const std::string& name, int nr) {
    line(2, "<" + name + (nr ? " Nr=\"" + std::to_string(nr) + "\"" : "") + ">");
  };
  const std::string emptyData = " Name=\"\" Encoding=\"\" Size=\"0\" Data=\"\">";

  line(0, "<Program SynthType=\"PX415\" Version=\"4\">");
  line(1, "<SynthVoice>");
  line(2, "<!--ENVELOPE GROUP-->");
  for (int n = 1; n <= 4; ++n) {
    element("ENV", n);
    params("ENV" + std::to_string(n) + " ", {{"RatioA", 0}, {"RatioDR", 1}, {"Attack", 2}, {"Decay", 3},
                                            {"Sustain", 4}, {"Release", 5}, {"Velocity", 6}, {"Type", 7},
                                            {"PedalMode", 8}, {"ReleasePedal", 9}});
  }
  for (int n = 1; n <= 2; ++n) {
    const std::string k = std::to_string(n);
    line(2, "<!--OSCILLATOR GROUP-->");
    element("OSC", n);
    params("OSC" + k + " ", {{"PitchBend", 0}, {"Glide", 1}, {"Kbd", 2}, {"FMFactor", 3}, {"AMOffset", 4},
                             {"OscReset", 5}, {"RNDDeviation", 6}});
    element("WTOSC", n == 1 ? 1 : 0);
    params("WTOSC" + k + " ", {{n == 1 ? "Coarse" : "Pitch", 0}, {"Fine", 1}, {"Detune", 2}, {"UnisonDetune", 3},
                               {"Unisono", 4}, {"Spread", 5}, {"PAN", 6}, {"WTPos", 7}, {"Morph Algorithm", 8},
                               {"SpectralMorph", 10}, {"P1", 11}, {"Phase", 12}, {"Mute", 13}, {"Bend", 14}});
    line(3, "<WAVETABLE" + emptyData);
    element("ALGOSC", n);
    params("ALGOSC" + k + " ", {{"Coarse", 0}, {"Fine", 1}, {"Detune", 2}, {"UnisonDetune", 3}, {"Unisono", 4},
                                {"Spread", 5}, {"PAN", 6}, {"Shape", 7}, {"AlgSel", 8}, {"P2", 9}, {"Phase", 11},
                                {"Mute", 12}});
    element("RESONATOR", n);
    params("RESONATOR" + k + " ", {{"Coarse", 0}, {"Fine", 1}, {"Mode", 3}, {"Spread", 4}, {"PAN", 5},
                                   {"Timbre", 6}, {"SpectrumSkew", 7}, {"Brightness", 8}, {"Attack", 9},
                                   {"Decay", 10}, {"Mute", 11}, {"Damping", 12}});
  }
  element("NOISE", 1);
  params("NOISE ", {{"Pitch", 0}, {"Pan", 1}, {"Trigger", 2}, {"SmpMode", 3}, {"SmplSel", 4}});
  line(2, "<WAVE" + emptyData);
  line(2, "<!--MIXER GROUP-->");
  element("MIXER", 1);
  params("OSC1 ", {{"Type", 0}, {"Level", 1}, {"FilterA-B", 2}});
  element("MIXER", 2);
  params("OSC2 ", {{"Type", 0}, {"Level", 1}, {"FilterA-B", 2}});
  element("MIXER", 3);
  params("NOISE ", {{"Level", 1}, {"FilterA-B", 2}});
  line(2, "<!--LFO GROUP-->");
  for (int n = 1; n <= 3; ++n) {
    element("LFO", n);
    params("LFO" + std::to_string(n) + " ", {{"Wave", 0}, {"Rate", 1}, {"Gain", 2}, {"NOTE-MODE", 3}, {"NOTE-DIV", 4},
                                            {"Delay", 5}, {"SYNC", 6}, {"Steps", 7},
                                            {n == 1 ? "Trigger type" : "TrgType", 8}, {"Smooth", 9}});
    line(3, "<ByteArray Name=\"STEP_DATA\" index=\"15\" elements=\"0\" Array=\"\">");
  }
  line(2, "<!--FILTER GROUP-->");
  element("FILTER", 1);
  params("FILTERA ", {{"Cutoff", 0}, {"EnvAmt", 1}, {"Reso", 2}, {"Drive", 3}, {"KbdTrack", 4}, {"Type", 5},
                      {"Link", 6}, {"ExpLin", 8}});
  element("FILTER", 2);
  params("FILTERB ", {{"Cutoff", 0}, {"EnvAmt", 1}, {"Reso", 2}, {"Drive", 3}, {"KbdTrack", 4}, {"Type", 5},
                      {"ExpLin", 8}});
  line(2, "<!--SHAPER-->");
  element("SHAPER", 1);
  params("SHAPER ", {{"Curve", 0}, {"Density", 1}, {"Type", 2}, {"Insert", 3}});
  line(2, "<!--Modulations Matrix GROUP-->");
  element("ModMatrix", 0);
  params("MODMX ", {{"MACRO1", 0}, {"MACRO2", 1}, {"MACRO3", 2}});
  line(1, "<!--SYNTH PART-->");
  line(1, "<Master>");
  for (const Param& p : std::vector<Param>{{"VOICE_Tune", 0}, {"GLIDE_Mode", 1}, {"GLIDE_Time", 2}, {"GLIDE_Rate", 3},
                                           {"GLIDE_KbdMode", 7}, {"SYNTH_Octave", 5}, {"SYNTH_Level", 6},
                                           {"SYNTH_VoiceMode", 4}, {"SYNTH_Velocity_Amt", 8}, {"UNISON_Detune", 10}})
    line(2, std::string("<Parameter Name=\"") + p.suffix + "\" index=\"" + std::to_string(p.index) + "\">");
  line(1, "<!--Effect GROUP-->");
  line(1, "<SynthEffect>");
  for (int slot = 0; slot < 8; ++slot) {
    const std::string s = std::to_string(slot);
    line(2, "<!--Slot[" + s + "]-->");
    line(2, "<EffectParam Name=\"EFF [" + s + "] TYPE\" index=\"0\" Nr=\"" + s + "\">");
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// Start tags and comments of a document, " Value=..." removed.
std::vector<std::string> Outline(const std::string& text) {
  std::vector<std::string> out;
  for (std::string l : Lines(text)) {
    if (l.find("</") != std::string::npos || l.rfind("<?xml", 0) == 0) continue;
    const auto v = l.find(" Value=\"");
    if (v != std::string::npos) l.erase(v, l.find('"', v + 8) + 1 - v);
    out.push_back(l);
  }
  return out;
}

TEST_F(PresetWriter, DefaultSoundInTheFileLayout) {
  CDataSets ds;
  ds.setParam(0x403, 0, 0, 1.0f, 255);
  ASSERT_TRUE(ds.IsDirty());
  EXPECT_EQ(ds.XMLStorePreset("init"), 1);
  EXPECT_FALSE(ds.IsDirty());
  EXPECT_EQ(ds.Path(), PathOf("init"));
  const std::string text = Read("init");
  EXPECT_EQ(Outline(text), ExpectedOutline());

  // Every element has a start and an end tag on lines of their own, no empty-element form.
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Program SynthType=\"PX415\" Version=\"4\">\n\t<SynthVoice>\n"
      "\t\t<!--ENVELOPE GROUP-->\n\t\t<ENV Nr=\"1\">\n\t\t\t<Parameter Name=\"ENV1 RatioA\" index=\"0\" Value=\"100.000\">\n"
      "\t\t\t</Parameter>\n\t\t\t<Parameter Name=\"ENV1 RatioDR\" index=\"1\" Value=\"4.000\">\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  const std::string tail =
      "\t\t<EffectParam Name=\"EFF [7] TYPE\" index=\"0\" Value=\"0.000\" Nr=\"7\">\n\t\t</EffectParam>\n"
      "\t</SynthEffect>\n</Program>";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.find("/>"), std::string::npos);

  // The block ctrls without a row, once each, and nothing else of the kind.
  const std::string want =
      "ParamBlock: [0] ctrl:0209, not found\r\nParamBlock: [0] ctrl:021A, not found\r\n"
      "ParamBlock: [0] ctrl:0222, not found\r\nParamBlock: [1] ctrl:0209, not found\r\n"
      "ParamBlock: [1] ctrl:021A, not found\r\nParamBlock: [1] ctrl:0222, not found\r\n"
      "ParamBlock: [0] ctrl:0307, not found\r\nParamBlock: [1] ctrl:0306, not found\r\n"
      "ParamBlock: [1] ctrl:0307, not found\r\n";
  const std::string path = PathOf("init");
  EXPECT_EQ(log_.Text(), "XMLStorePreset: <" + path + "> start ...\r\n" + want + "XMLStorePreset: <" + path +
                             "> params:0\r\n");
}

TEST_F(PresetWriter, ValuesStepsRoutesAndEffectSlots) {
  CDataSets ds;
  struct Set {
    int ctrl, instance;
    float value;
    const char* line;
  };
  const Set sets[] = {
      {0x403, 2, 1.0f / 3.0f, "<Parameter Name=\"ENV3 Decay\" index=\"3\" Value=\"0.333\">"},
      {0x210, 1, -12.5f, "<Parameter Name=\"ALGOSC2 Coarse\" index=\"0\" Value=\"-12.500\">"},
      {0x12, 2, 2.0006f, "<Parameter Name=\"NOISE FilterA-B\" index=\"2\" Value=\"2.001\">"},
      {0x8, 0, 1234.5678f, "<Parameter Name=\"SYNTH_Velocity_Amt\" index=\"8\" Value=\"1234.568\">"},
      {0x800F0, 3, 4.0f, "<EffectParam Name=\"EFF [3] TYPE\" index=\"0\" Value=\"4.000\" Nr=\"3\">"},
      {0x8000E, 3, 0.25f, "<EffectParam Name=\"EFF [3] P15\" index=\"15\" Value=\"0.250\">"},
      {0x8000F, 3, 0.0f, "<EffectParam Name=\"EFF [3] BYPASS\" index=\"16\" Value=\"0.000\">"},
  };
  for (const Set& s : sets) ASSERT_EQ(ds.setParam(s.ctrl, s.instance, 0, s.value, 255), 1);
  // Slots 8 and 9 are not stored, whatever they hold.
  ds.setParam(0x800F0, 8, 0, 2.0f, 255);
  ds.setParam(0x800F0, 9, 0, 2.0f, 255);

  LfoStepData* steps = ds.StepData(0);
  steps->count = 3;
  steps->steps[0] = 0x0A;
  steps->steps[1] = 0xFF;
  steps->steps[2] = 0x00;
  LfoStepData* full = ds.StepData(2);
  full->count = 200;  // more than the table holds
  for (int k = 0; k < LfoStepData::kSteps; ++k) full->steps[k] = static_cast<uint8_t>(k);

  ds.Routes().push_back(ModRoute{4, 5, 17, 2, 0.25f, 1.7f});
  ds.Routes().push_back(ModRoute{0, 26, 37, 0, -1.0f, -2.9f});
  ds.Routes().push_back(ModRoute{9, 40, 99, 1, 0.0f, 0.0f});  // numbers without a name

  ASSERT_EQ(ds.XMLStorePreset("values"), 1);
  const std::string text = Read("values");
  for (const Set& s : sets) EXPECT_NE(text.find(s.line), std::string::npos) << s.line;

  std::string fullArray;
  for (int k = 0; k < 32; ++k) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", k);
    fullArray += pair;
  }
  const std::string lines[] = {
      "\t\t\t<ByteArray Name=\"STEP_DATA\" index=\"15\" elements=\"3\" Array=\"0AFF00\">",
      "\t\t\t<ByteArray Name=\"STEP_DATA\" index=\"15\" elements=\"32\" Array=\"" + fullArray + "\">",
      "\t\t\t<Item Nr=\"4\" Curve=\"1\" Src=\"5\" SrcName=\"LFO1.OUT\" Amount=\"0.250\" Polarity=\"2\" Dst=\"17\" "
      "DstName=\"VCFA.MOD\">",
      "\t\t\t<Item Nr=\"0\" Curve=\"-2\" Src=\"26\" SrcName=\"MACRO3.OUT\" Amount=\"-1.000\" Polarity=\"0\" Dst=\"37\" "
      "DstName=\"OSC2.AM\">",
      "\t\t\t<Item Nr=\"9\" Curve=\"0\" Src=\"40\" SrcName=\"\" Amount=\"0.000\" Polarity=\"1\" Dst=\"99\" DstName=\"\">",
  };
  for (const std::string& l : lines) EXPECT_NE(text.find(l + "\n"), std::string::npos) << l;

  // Items follow the macros inside the matrix, in vector order.
  EXPECT_LT(text.find("MODMX MACRO3"), text.find("<Item Nr=\"4\""));
  EXPECT_LT(text.find("<Item Nr=\"4\""), text.find("<Item Nr=\"0\""));
  // A slot with a type carries all seventeen rows, one without only its type; 8 and 9 nothing.
  std::size_t effectRows = 0;
  for (std::size_t at = text.find("<EffectParam"); at != std::string::npos; at = text.find("<EffectParam", at + 1))
    ++effectRows;
  EXPECT_EQ(effectRows, 7u + 17u);
  EXPECT_EQ(text.find("EFF [8]"), std::string::npos);
  EXPECT_EQ(text.find("EFF [9]"), std::string::npos);
}

TEST_F(PresetWriter, EmbeddedRecordsFollowTheOscillatorType) {
  const std::vector<uint8_t> bytes = {0x00, 0xFF, 0x10, 0x80, 0x7F};
  const std::string data = "base64, " + Base64::Encode(bytes.data(), bytes.size());
  const std::string full = " Name=\"saw &amp; &quot;sq&quot;\" Encoding=\"PCM16\" Size=\"" +
                           std::to_string(data.size()) + "\" Data=\"" + data + "\">";
  const std::string empty = " Name=\"\" Encoding=\"\" Size=\"0\" Data=\"\">";
  struct Case {
    float osc1Type, osc2Type;
    bool record2HasBytes;
    std::string wavetable1, wavetable2;
  };
  const Case cases[] = {
      {0, 0, true, full, full},
      {1, 0, true, empty, full},   // oscillator 1 is not a wavetable oscillator
      {0, 2, true, full, empty},
      {0, 0, false, full, empty},  // nothing to store
  };
  for (const Case& c : cases) {
    CDataSets ds;
    ds.setParam(0x10, 0, 0, c.osc1Type, 255);
    ds.setParam(0x10, 1, 0, c.osc2Type, 255);
    for (int r : {1, 2}) {
      EmbeddedData* e = ds.Embedded(r);
      e->name = "saw & \"sq\"";
      e->encoding = "PCM16";
      if (r == 1 || c.record2HasBytes) e->data = bytes;
    }
    EmbeddedData* wave = ds.Embedded(3);
    wave->name = "Kick <1>";
    wave->encoding = "RIFF";
    wave->data = bytes;
    ASSERT_EQ(ds.XMLStorePreset("embedded"), 1);
    const std::string text = Read("embedded");
    const std::string wt1 = "\t\t<WTOSC Nr=\"1\">";
    const std::string wt2 = "\t\t<WTOSC>";
    // Inside the wavetable oscillator, after its parameters.
    EXPECT_NE(text.find("\t\t\t<WAVETABLE" + c.wavetable1 + "\n\t\t\t</WAVETABLE>\n\t\t</WTOSC>\n"), std::string::npos);
    const std::size_t first = text.find("<WAVETABLE", text.find(wt1));
    const std::size_t second = text.find("<WAVETABLE", text.find(wt2));
    EXPECT_EQ(text.substr(first, text.find('\n', first) - first), "<WAVETABLE" + c.wavetable1);
    EXPECT_EQ(text.substr(second, text.find('\n', second) - second), "<WAVETABLE" + c.wavetable2);
    // The sample sits directly in the voice section, after the noise module.
    EXPECT_NE(text.find("\t\t</NOISE>\n\t\t<WAVE Name=\"Kick &lt;1>\" Encoding=\"RIFF\" Size=\"" +
                        std::to_string(data.size()) + "\" Data=\"" + data + "\">\n\t\t</WAVE>\n"),
              std::string::npos);
    const auto lint = testing_support::RunCommand("xmllint --noout '" + PathOf("embedded") + "' 2>&1");
    EXPECT_EQ(lint.status, 0) << lint.text;
  }
}

// Makes every write after the first few fail, as a full card would.
class FailingOps : public XmlWriterFileOps {
 public:
  std::size_t Write(std::FILE* f, const char* data, std::size_t count) override {
    return ++writes > 10 ? 0 : XmlWriterFileOps::Write(f, data, count);
  }
  int writes = 0;
};

TEST_F(PresetWriter, RefusedNamesAndFailedWritesKeepTheSetDirty) {
  CDataSets ds;
  ds.setParam(0x300, 0, 0, 123.0f, 255);
  ASSERT_EQ(ds.XMLStorePreset("good"), 1);
  const std::string good = Read("good");
  ds.setParam(0x300, 0, 0, 456.0f, 255);

  for (const char* name : {"", "../escaped", "a/../../b", "/tmp/abs", "cat/", "bad\nname"}) {
    log_.Clear();
    EXPECT_EQ(ds.XMLStorePreset(name), 0) << name;
    EXPECT_TRUE(ds.IsDirty());
    EXPECT_NE(log_.Text().find("XMLStorePreset: Error create file <"), std::string::npos) << name;
  }
  EXPECT_EQ(ds.XMLStorePreset(nullptr), 0);
  EXPECT_FALSE(std::ifstream(root_.Root() + "/var/lib/ruv/working/escaped.preset").good());

  log_.Clear();
  EXPECT_EQ(ds.XMLStorePreset("no-such-folder/x"), 0);
  EXPECT_EQ(log_.Text(), "XMLStorePreset: Error create file <" + PathOf("no-such-folder/x") + ">\r\n");
  EXPECT_TRUE(ds.IsDirty());

  FailingOps failing;
  ds.SetWriterFileOps(failing);
  EXPECT_EQ(ds.XMLStorePreset("good"), 0);
  EXPECT_TRUE(ds.IsDirty());
  EXPECT_EQ(Read("good"), good);

  // A category folder inside the presets folder is a valid place.
  root_.MakeDir(std::string(kFolder) + "Bass");
  CDataSets other;
  EXPECT_EQ(other.XMLStorePreset("Bass/Deep"), 1);
  EXPECT_FALSE(Read("Bass/Deep").empty());
}

}  // namespace
