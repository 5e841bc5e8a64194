#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "data/CDataSetSampler.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

constexpr uint32_t kTriggers[16] = {76, 96, 97, 98, 72, 73, 74, 75, 60, 61, 84, 85, 12, 29, 39, 48};

class DrumKit : public ::testing::Test {
 protected:
  DrumKit() : dir_(root_.MakeDir("/var/lib/ruv/working/sampler/")) {}

  std::string PathOf(const std::string& name) const { return dir_ + name + ".smpl"; }
  bool Exists(const std::string& name) const { return std::ifstream(PathOf(name)).good(); }
  std::string Read(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(PathOf(name), std::ios::binary) << text;
  }
  static std::string Doc(const std::string& instruments, const char* root = "Sampler") {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<") + root +
           " SynthType=\"PX415\" Version=\"1\">\n<KIT>\n" + instruments + "\n</KIT>\n</" + root + ">";
  }

  // Every field of the pad equals the built-in row of pad `def`.
  static void ExpectDefault(const KitPad& row, int def) {
    const KitPadDef& d = CDataSetSampler::GetDefaultPad(def);
    EXPECT_EQ(row.pad, d.pad);
    EXPECT_EQ(row.Trigger, d.Trigger) << "pad " << def;
    EXPECT_EQ(row.Id, d.Id);
    EXPECT_EQ(row.VelAmt, d.VelAmt);
    EXPECT_EQ(row.Start, d.Start);
    EXPECT_EQ(row.End, d.End);
    EXPECT_EQ(row.FadeOut, d.FadeOut);
    EXPECT_EQ(row.Level, d.Level);
    EXPECT_EQ(row.Pan, d.Pan);
    EXPECT_EQ(row.Pitch, d.Pitch);
    EXPECT_EQ(row.SideChainLevel, d.SideChainLevel);
    EXPECT_STREQ(row.Sample, d.Sample);
  }

  testing_support::TempDataRoot root_;
  std::string dir_;
  testing_support::LogCapture log_;
};

TEST_F(DrumKit, ANewKitHoldsTheBuiltInPads) {
  CDataSetSampler kit;
  EXPECT_EQ(kit.RowCount(), 16);
  for (int pad = 0; pad < 16; ++pad) {
    const KitPad& row = kit.Pads()[pad];
    EXPECT_EQ(row.pad, static_cast<uint32_t>(pad));
    EXPECT_EQ(row.Trigger, kTriggers[pad]);
    EXPECT_EQ(row.SideChainLevel, pad == 0 ? 100.0f : 0.0f);
    EXPECT_EQ(row.VelAmt, 100.0f);
    EXPECT_EQ(row.Start, 0.0f);
    EXPECT_EQ(row.End, 100.0f);
    EXPECT_EQ(row.FadeOut, 10.0f);
    EXPECT_EQ(row.Level, 80.0f);
    EXPECT_EQ(row.Pan, 0.0f);
    EXPECT_EQ(row.Pitch, 0.0f);
    EXPECT_EQ(row.Id, 0u);
    EXPECT_STREQ(row.Sample, "");
  }
  for (int pad : {16, 17, 1000, -1}) EXPECT_EQ(&CDataSetSampler::GetDefaultPad(pad), &CDataSetSampler::GetDefaultPad(15));
}

TEST_F(DrumKit, PadFieldsAreSetByTheirControl) {
  struct Case {
    uint32_t ctrl;
    float value;
    float KitPad::*field;  // null: Trigger
    float want;
  };
  const Case cases[] = {
      {0xA02, -12.5f, &KitPad::Pitch, -12.5f},      {0xA03, 30.0f, &KitPad::Pan, 30.0f},
      {0xA04, 64.0f, &KitPad::Level, 64.0f},        {0xA05, 55.5f, &KitPad::VelAmt, 55.5f},
      {0xA06, 60.9f, nullptr, 60.0f},               {0xA08, 12.7f, &KitPad::Start, 12.7f},
      {0xA09, 90.0f, &KitPad::End, 90.0f},          {0xA0A, 33.0f, &KitPad::FadeOut, 33.0f},
      {0xA0B, 50.0f, &KitPad::SideChainLevel, 50.0f},
  };
  for (const Case& c : cases) {
    CDataSetSampler kit;
    kit.SetPadParam(3, c.ctrl, c.value);
    const KitPad& row = kit.Pads()[3];
    EXPECT_EQ(c.field ? row.*c.field : static_cast<float>(row.Trigger), c.want) << std::hex << c.ctrl;
    ExpectDefault(kit.Pads()[2], 2);
  }
  // Controls without a field, pads outside the kit and values that are not numbers change nothing.
  CDataSetSampler kit;
  kit.SetPadParam(3, 0xA07, 1.0f);
  kit.SetPadParam(3, 0xA01, 1.0f);
  kit.SetPadParam(3, 0xA04, NAN);
  kit.SetPadParam(3, 0xA02, INFINITY);
  kit.SetPadParam(16, 0xA04, 1.0f);
  kit.SetPadParam(-1, 0xA04, 1.0f);
  kit.SetPadSample(3, 0xA02, 7, "kick");
  kit.SetPadSample(16, 0xA01, 7, "kick");
  kit.SetPadSample(-1, 0xA01, 7, "kick");
  for (int pad = 0; pad < 16; ++pad) ExpectDefault(kit.Pads()[pad], pad);

  kit.SetPadSample(4, 0xA01, 7, "1234567890123456789012345678901234567890");
  EXPECT_STREQ(kit.Pads()[4].Sample, "1234567890123456789012345678901");
  EXPECT_EQ(kit.Pads()[4].Id, 7u);
  kit.SetPadSample(4, 0xA01, 2, nullptr);
  EXPECT_STREQ(kit.Pads()[4].Sample, "");
}

TEST_F(DrumKit, StoredKitHasTheDocumentLayout) {
  CDataSetSampler kit;
  kit.SetPadSample(1, 0xA01, 6, "Snare \"A\" & B");
  kit.SetPadParam(1, 0xA05, 55.5f);
  kit.SetPadParam(1, 0xA08, 12.7f);
  kit.SetPadParam(1, 0xA09, -3.9f);
  kit.SetPadParam(1, 0xA03, -0.25f);
  kit.SetPadParam(1, 0xA02, 1.0005f);
  ASSERT_EQ(kit.XMLStoreSampler("layout"), 1);
  EXPECT_EQ(kit.Path(), PathOf("layout"));
  const std::string text = Read("layout");
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
      "<Sampler SynthType=\"PX415\" Version=\"1\">\n"
      "\t<!--Instrument Collection-->\n"
      "\t<KIT>\n"
      "\t\t<INSTRUMENT Nr=\"0\" Trigger=\"76\" Sample=\"\" Id=\"1\" Level=\"80.000\" Pan=\"0.000\" Pitch=\"0.000\" "
      "VelAmt=\"100.000\" Start=\"0\" End=\"100\" FadeOut=\"10\" SideChainLevel=\"100\">\n"
      "\t\t</INSTRUMENT>\n"
      "\t\t<INSTRUMENT Nr=\"1\" Trigger=\"96\" Sample=\"Snare &quot;A&quot; &amp; B\" Id=\"7\" Level=\"80.000\" "
      "Pan=\"-0.250\" Pitch=\"1.000\" VelAmt=\"55.500\" Start=\"12\" End=\"-3\" FadeOut=\"10\" SideChainLevel=\"0\">\n"
      "\t\t</INSTRUMENT>\n"
      "\t\t<INSTRUMENT Nr=\"2\" Trigger=\"97\" ";
  EXPECT_EQ(text.substr(0, head.size()), head);
  const std::string tail =
      "\t\t<INSTRUMENT Nr=\"15\" Trigger=\"48\" Sample=\"\" Id=\"1\" Level=\"80.000\" Pan=\"0.000\" Pitch=\"0.000\" "
      "VelAmt=\"100.000\" Start=\"0\" End=\"100\" FadeOut=\"10\" SideChainLevel=\"0\">\n"
      "\t\t</INSTRUMENT>\n"
      "\t</KIT>\n"
      "</Sampler>";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

  // An independent XML reader sees the same sixteen pads.
  const auto py = testing_support::RunCommand(
      "python3 -c \"import sys,xml.etree.ElementTree as E;r=E.parse(sys.argv[1]).getroot();"
      "print(r.tag,len(r.find('KIT')),r.find('KIT')[1].get('Sample'))\" '" + PathOf("layout") + "'");
  EXPECT_EQ(py.status, 0);
  EXPECT_EQ(py.text, "Sampler 16 Snare \"A\" & B\n");
}

TEST_F(DrumKit, AStoredKitLoadsBackWithItsWholeNumbersAndNameLength) {
  CDataSetSampler kit;
  for (int pad = 0; pad < 16; ++pad) {
    std::string name = "s";
    name += std::to_string(pad);
    kit.SetPadSample(pad, 0xA01, pad * 3, name.c_str());
    kit.SetPadParam(pad, 0xA02, pad - 7.25f);
    kit.SetPadParam(pad, 0xA03, -50.0f + pad);
    kit.SetPadParam(pad, 0xA04, 10.125f * pad);
    kit.SetPadParam(pad, 0xA06, 20.0f + pad);
    kit.SetPadParam(pad, 0xA0A, 5.0f * pad);
  }
  kit.SetPadSample(9, 0xA01, 4, "A-forty-character-sample-name-0123456789");
  kit.SetPadParam(2, 0xA05, 55.5f);
  kit.SetPadParam(2, 0xA08, 12.7f);
  kit.SetPadParam(2, 0xA09, 99.9f);
  kit.SetPadParam(2, 0xA0B, 42.6f);
  ASSERT_EQ(kit.XMLStoreSampler("rt"), 1);

  CDataSetSampler back;
  log_.Clear();
  EXPECT_EQ(back.XMLLoadSampler("rt"), 16);
  EXPECT_NE(log_.Text().find("XMLLoadSampler: OK params:16 (parsed:16)\r\n"), std::string::npos);
  for (int pad = 0; pad < 16; ++pad) {
    const KitPad& a = kit.Pads()[pad];
    const KitPad& b = back.Pads()[pad];
    EXPECT_EQ(b.Id, a.Id);
    EXPECT_STREQ(b.Sample, a.Sample);
    EXPECT_EQ(b.Trigger, a.Trigger);
    EXPECT_FLOAT_EQ(b.Pitch, a.Pitch);
    EXPECT_FLOAT_EQ(b.Pan, a.Pan);
    EXPECT_NEAR(b.Level, a.Level, 0.0005f);
    EXPECT_EQ(b.FadeOut, a.FadeOut);
  }
  // Whole-number fields lose their fraction, cut toward zero.
  EXPECT_EQ(back.Pads()[2].VelAmt, 55.0f);
  EXPECT_EQ(back.Pads()[2].Start, 12.0f);
  EXPECT_EQ(back.Pads()[2].End, 99.0f);
  EXPECT_EQ(back.Pads()[2].SideChainLevel, 42.0f);
  EXPECT_STREQ(back.Pads()[9].Sample, "A-forty-character-sample-name-0");
  // Stored again, the kit is the same file.
  ASSERT_EQ(back.XMLStoreSampler("rt2"), 1);
  ASSERT_EQ(back.XMLLoadSampler("rt2"), 16);
  ASSERT_EQ(back.XMLStoreSampler("rt3"), 1);
  EXPECT_EQ(Read("rt2"), Read("rt3"));
}

TEST_F(DrumKit, PadsAFileDoesNotNameKeepTheirDefaults) {
  Write("two", Doc("<INSTRUMENT Nr=\"0\" Trigger=\"40\" Sample=\"kick\" Id=\"3\" Level=\"70.000\"></INSTRUMENT>\n"
                   "<INSTRUMENT Nr=\"16\" Trigger=\"41\" Level=\"1\"></INSTRUMENT>\n"
                   "<INSTRUMENT Trigger=\"42\" Level=\"2\"></INSTRUMENT>\n"
                   "<INSTRUMENT Nr=\"5\" Sample=\"hat\"></INSTRUMENT>"));
  CDataSetSampler kit;
  kit.SetPadParam(7, 0xA04, 1.0f);  // a load starts from the built-in kit
  EXPECT_EQ(kit.XMLLoadSampler("two"), 2);
  EXPECT_EQ(kit.Pads()[0].Trigger, 40u);
  EXPECT_EQ(kit.Pads()[0].Id, 2u);
  EXPECT_EQ(kit.Pads()[0].Level, 70.0f);
  EXPECT_STREQ(kit.Pads()[0].Sample, "kick");
  // Pad 5 names only its sample: the rest is its own default, not pad 0's values.
  EXPECT_STREQ(kit.Pads()[5].Sample, "hat");
  EXPECT_EQ(kit.Pads()[5].Trigger, 73u);
  EXPECT_EQ(kit.Pads()[5].Level, 80.0f);
  EXPECT_EQ(kit.Pads()[5].Id, 0u);
  for (int pad = 1; pad < 16; ++pad)
    if (pad != 5) ExpectDefault(kit.Pads()[pad], pad);
  // The kit's own root name is not the reader's: no parsing-done line for it.
  EXPECT_EQ(log_.Text().find("<Sampler> Parsing done -> OK"), std::string::npos);
}

TEST_F(DrumKit, BadFilesKeepWhatCanBeKept) {
  struct Case {
    const char* what;
    std::string text;  // empty: no file
    int parsed;
    const char* logged;
    float pad0Level, pad1Level;
  };
  const std::string pad0 = "<INSTRUMENT Nr=\"0\" Level=\"10\"></INSTRUMENT>\n";
  const Case cases[] = {
      {"missing file", "", 0, "XMLLoadSampler: ERROR: 1\r\n", 80, 80},
      {"cut short", "<Sampler>\n<KIT>\n" + pad0 + "<INSTRUMENT Nr=\"1\" Level=\"20\">", 1,
       "XMLLoadSampler: ERROR: 2\r\n", 10, 80},
      {"not numbers", Doc("<INSTRUMENT Nr=\"0\" Level=\"nan\" Pan=\"inf\" Pitch=\"1e39\" End=\"-nan\"></INSTRUMENT>"), 1,
       "<Sampler> INSTRUMENT 0: Level <nan> not a number, kept\n", 80, 80},
      {"reader's root", Doc(pad0, "SAMPLER"), 1, "<Sampler> Parsing done -> OK\n", 10, 80},
  };
  for (const Case& c : cases) {
    if (!c.text.empty()) Write("bad", c.text);
    CDataSetSampler kit;
    for (int pad = 0; pad < 16; ++pad) kit.SetPadParam(pad, 0xA04, 1.0f);
    log_.Clear();
    EXPECT_EQ(kit.XMLLoadSampler(c.text.empty() ? "none" : "bad"), c.parsed) << c.what;
    EXPECT_NE(log_.Text().find(c.logged), std::string::npos) << c.what << "\n" << log_.Text();
    EXPECT_EQ(kit.Pads()[0].Level, c.pad0Level) << c.what;
    EXPECT_EQ(kit.Pads()[1].Level, c.pad1Level) << c.what;
    EXPECT_EQ(kit.Pads()[0].Pan, 0.0f);
    EXPECT_EQ(kit.Pads()[0].Pitch, 0.0f);
    EXPECT_EQ(kit.Pads()[0].End, 100.0f);
  }
}

TEST_F(DrumKit, StoringWithoutANameUsesTheKitsOwnFileOrNone) {
  CDataSetSampler kit;
  log_.Clear();
  EXPECT_EQ(kit.XMLStoreSampler(nullptr), 0);
  EXPECT_EQ(kit.XMLStoreSampler(""), 0);
  EXPECT_FALSE(Exists(""));  // no hidden ".smpl"
  EXPECT_NE(log_.Text().find("XMLStoreSampler: no kit name, nothing stored"), std::string::npos);

  for (const char* bad : {"../escape", "/abs", "a\nb"}) {
    EXPECT_EQ(kit.XMLStoreSampler(bad), 0) << bad;
    EXPECT_EQ(kit.XMLLoadSampler(bad), 0) << bad;
  }
  EXPECT_TRUE(kit.Path().empty());
  EXPECT_FALSE(std::ifstream(root_.Root() + "/var/lib/ruv/working/escape.smpl").good());

  Write("mine", Doc("<INSTRUMENT Nr=\"2\" Level=\"33\"></INSTRUMENT>"));
  ASSERT_EQ(kit.XMLLoadSampler("mine"), 1);
  kit.SetPadParam(2, 0xA03, 7.0f);
  ASSERT_EQ(kit.XMLStoreSampler(""), 1);
  CDataSetSampler back;
  ASSERT_EQ(back.XMLLoadSampler("mine"), 16);
  EXPECT_EQ(back.Pads()[2].Level, 33.0f);
  EXPECT_EQ(back.Pads()[2].Pan, 7.0f);
}

}  // namespace
