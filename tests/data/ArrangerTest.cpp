#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "data/CArranger.h"
#include "data/CDataSets.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

// The program's preset as another thread reads it; "<none>" when the map has none.
std::string Preset(const CArranger& a, int program) {
  std::string preset = "<none>";
  EXPECT_EQ(a.ProgramPreset(program, preset), a.HasProgram(program));
  return preset;
}

class Arranger : public ::testing::Test {
 protected:
  Arranger()
      : dir_(root_.MakeDir("/var/lib/ruv/working/arrangments/")),
        presets_(root_.MakeDir("/var/lib/ruv/working/presets/")),
        kits_(root_.MakeDir("/var/lib/ruv/working/sampler/")) {}

  std::string PathOf(const std::string& name) const { return dir_ + name + ".arr"; }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static bool Exists(const std::string& path) { return std::ifstream(path).good(); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(PathOf(name), std::ios::binary) << text;
  }
  static std::string Doc(const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<ARRANGMENT NAME=\"x\" SynthType=\"PX415\" Version=\"1\">\n" +
           inner + "\n</ARRANGMENT>";
  }

  testing_support::TempDataRoot root_;
  std::string dir_, presets_, kits_;
  testing_support::LogCapture log_;
};

// A document exactly as the instrument writes it.
std::string SongDocument(const std::string& name) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
         "<ARRANGMENT NAME=\"" + name + "\" SynthType=\"PX415\" Version=\"1\">\n"
         "\t<!--PARTS-->\n"
         "\t<PRESET Active=\"TRUE\" Name=\"Lead &quot;1&quot;\" Part=\"0\">\n"
         "\t</PRESET>\n"
         "\t<PRESET Active=\"FALSE\" Name=\"\" Part=\"1\">\n"
         "\t</PRESET>\n"
         "\t<PRESET Active=\"TRUE\" Name=\"pads/Warm\" Part=\"2\">\n"
         "\t</PRESET>\n"
         "\t<PRESET Active=\"FALSE\" Name=\"[INIT]\" Part=\"3\">\n"
         "\t</PRESET>\n"
         "\t<PGM-MAP>\n"
         "\t\t<!--MAP of PGM->Preset-->\n"
         "\t\t<PROGRAM Nr=\"9\" Preset=\"Bass\">\n"
         "\t\t</PROGRAM>\n"
         "\t\t<PROGRAM Nr=\"2\" Preset=\"Keys\">\n"
         "\t\t</PROGRAM>\n"
         "\t\t<PROGRAM Nr=\"9\" Preset=\"Other\">\n"
         "\t\t</PROGRAM>\n"
         "\t</PGM-MAP>\n"
         "\t<SAMPLER Name=\"808\" Level=\"63\">\n"
         "\t</SAMPLER>\n"
         "\t<SETTINGS Name=\"live\">\n"
         "\t</SETTINGS>\n"
         "</ARRANGMENT>";
}

TEST_F(Arranger, ANewArrangementHasNoMapAndTheDefaultSettings) {
  CArranger a;
  EXPECT_EQ(a.SettingsName(), "[default]");
  EXPECT_EQ(a.KitLevel(), 80.0f);
  EXPECT_EQ(a.KitName(), "");
  EXPECT_EQ(a.ParsedCount(), 0);
  EXPECT_EQ(a.MapCount(), 0);
  EXPECT_EQ(Preset(a, 0), "<none>");
  for (int part = 0; part < 4; ++part) {
    ASSERT_NE(a.DataSet(part), nullptr);
    EXPECT_EQ(a.Slot(part)->name, "");
    EXPECT_EQ(a.Slot(part)->active, 0);
  }
  for (int part : {-1, 4}) {
    EXPECT_EQ(a.DataSet(part), nullptr);
    EXPECT_EQ(a.Slot(part), nullptr);
  }
}

TEST_F(Arranger, ADocumentLoadsAndStoresBackByteForByte) {
  Write("song", SongDocument("song"));
  CArranger a;
  ASSERT_EQ(a.Load("song"), 1);
  EXPECT_EQ(a.ParsedCount(), 9);  // 4 presets, 3 programs, kit, settings
  EXPECT_NE(log_.Text().find("<Settings> Parsing done -> OK\n"), std::string::npos);
  EXPECT_NE(log_.Text().find("XMLLoadArranger: OK parsed:9\r\n"), std::string::npos);
  const char* names[4] = {"Lead \"1\"", "", "pads/Warm", "[INIT]"};
  const uint8_t active[4] = {1, 0, 1, 0};
  for (int part = 0; part < 4; ++part) {
    EXPECT_EQ(a.Slot(part)->name, names[part]);
    EXPECT_EQ(a.Slot(part)->active, active[part]);
  }
  EXPECT_EQ(a.Name(), "song");
  EXPECT_EQ(a.KitName(), "808");
  EXPECT_EQ(a.KitLevel(), 63.0f);
  EXPECT_EQ(a.SettingsName(), "live");
  EXPECT_EQ(a.MapCount(), 3);
  EXPECT_EQ(Preset(a, 9), "Bass");  // the first of two entries for 9
  EXPECT_EQ(Preset(a, 2), "Keys");
  EXPECT_EQ(Preset(a, 3), "<none>");

  // The settings document of a stored arrangement bears the arrangement's name.
  ASSERT_EQ(a.Store("copy"), 1);
  std::string want = SongDocument("copy");
  want.replace(want.find("\"live\""), 6, "\"copy\"");
  EXPECT_EQ(Read(PathOf("copy")), want);

  ASSERT_EQ(a.XMLStoreArranger("same", "808", "live"), 1);
  EXPECT_EQ(Read(PathOf("same")), SongDocument("same"));
  const auto py = testing_support::RunCommand(
      "python3 -c \"import sys,xml.etree.ElementTree as E;r=E.parse(sys.argv[1]).getroot();"
      "print(r.tag,[p.get('Nr') for p in r.iter('PROGRAM')],r.find('PRESET').get('Name'))\" '" + PathOf("same") +
      "'");
  EXPECT_EQ(py.status, 0);
  EXPECT_EQ(py.text, "ARRANGMENT ['9', '2', '9'] Lead \"1\"\n");
}

TEST_F(Arranger, TheKitLevelSurvivesARoundTrip) {
  CArranger a;
  a.SetKitName("kit");
  a.SetKitLevel(47.6f);
  ASSERT_EQ(a.Store("lvl"), 1);
  EXPECT_NE(Read(PathOf("lvl")).find("<SAMPLER Name=\"kit\" Level=\"48\">"), std::string::npos);
  CArranger b;
  ASSERT_EQ(b.Load("lvl"), 1);
  EXPECT_EQ(b.KitLevel(), 48.0f);
  EXPECT_EQ(b.KitName(), "kit");
}

TEST_F(Arranger, ElementsTheWriterWouldNotProduceLoadSafely) {
  struct Case {
    const char* what;
    std::string inner;
    int parsed;
    const char* slot0;
    int active0;
    float level;
    const char* settings;
  };
  const Case cases[] = {
      {"lower-case true", "<PRESET Active=\"true\" Name=\"a\" Part=\"0\"></PRESET>", 1, "a", 0, 80, "[default]"},
      {"part outside 0-3", "<PRESET Active=\"TRUE\" Name=\"a\" Part=\"4\"></PRESET>"
                           "<PRESET Active=\"TRUE\" Name=\"b\" Part=\"-1\"></PRESET>", 2, "old", 1, 80, "[default]"},
      {"empty settings name", "<SETTINGS Name=\"\"></SETTINGS>", 1, "old", 1, 80, "[default]"},
      {"level as Value", "<SAMPLER Name=\"k\" Value=\"12.5\"></SAMPLER>", 1, "old", 1, 12.5f, "[default]"},
      {"no level", "<SAMPLER Name=\"k\"></SAMPLER>", 1, "old", 1, 80, "[default]"},
      {"level not a number", "<SAMPLER Name=\"k\" Level=\"nan\"></SAMPLER>", 1, "old", 1, 80, "[default]"},
      {"level out of range", "<SAMPLER Name=\"k\" Level=\"1e40\"></SAMPLER>", 1, "old", 1, 80, "[default]"},
      {"settings, then cut short", "<SETTINGS Name=\"s\"></SETTINGS><PRESET Active=\"TRUE\" Name=\"z\"", 1, "old", 1, 80,
       "s"},
  };
  for (const Case& c : cases) {
    Write("edge", Doc(c.inner));
    CArranger a;
    Write("old", Doc("<PRESET Active=\"TRUE\" Name=\"old\" Part=\"0\"></PRESET>"));
    ASSERT_EQ(a.Load("old"), 1);
    EXPECT_EQ(a.XMLLoadArranger("edge"), c.parsed) << c.what;
    EXPECT_EQ(a.Slot(0)->name, c.slot0) << c.what;
    EXPECT_EQ(a.Slot(0)->active, c.active0) << c.what;
    EXPECT_EQ(a.KitLevel(), c.level) << c.what;
    EXPECT_EQ(a.SettingsName(), c.settings) << c.what;
  }
}

TEST_F(Arranger, AProgramMapHoldsSixtyFourEntries) {
  std::string map = "<PGM-MAP>";
  for (int i = 0; i < 70; ++i)
    map += "<PROGRAM Nr=\"" + std::to_string(i) + "\" Preset=\"p" + std::to_string(i) + "\"></PROGRAM>";
  Write("big", Doc(map + "</PGM-MAP>"));
  CArranger a;
  EXPECT_EQ(a.XMLLoadArranger("big"), 64);
  EXPECT_EQ(a.MapCount(), 64);
  EXPECT_EQ(Preset(a, 63), "p63");
  EXPECT_EQ(Preset(a, 64), "<none>");
  EXPECT_NE(log_.Text().find("XMLLoadArranger: program map full, Nr 69 <p69> skipped\r\n"), std::string::npos);
  ASSERT_EQ(a.Store("big2"), 1);
  CArranger b;
  EXPECT_EQ(b.XMLLoadArranger("big2"), 64 + 4 + 2);
}

TEST_F(Arranger, AMissingOrRefusedDocumentEmptiesTheMapOnly) {
  Write("song", SongDocument("song"));
  for (const char* name : {"none", "../song", ""}) {
    CArranger a;
    ASSERT_EQ(a.Load("song"), 1);
    log_.Clear();
    EXPECT_EQ(a.Load(name), 0) << name;
    EXPECT_NE(log_.Text().find("XMLLoadArranger: ERROR: 1\r\n"), std::string::npos) << name;
    EXPECT_EQ(a.ParsedCount(), 0);
    EXPECT_EQ(a.MapCount(), 0);
    EXPECT_EQ(Preset(a, 9), "<none>");
    EXPECT_EQ(a.Slot(2)->name, "pads/Warm");
    EXPECT_EQ(a.KitName(), "808");
    EXPECT_EQ(a.SettingsName(), "live");
  }
}

TEST_F(Arranger, PartPresetsMarkTheirSlot) {
  CArranger a;
  a.DataSet(1)->setParam(0x403, 0, 0, 321.0f, 0);
  EXPECT_EQ(a.StorePartPreset(1, "mine"), 1);
  EXPECT_EQ(a.Slot(1)->name, "mine");
  EXPECT_EQ(a.Slot(1)->active, 1);
  EXPECT_EQ(a.Slot(1)->failed, 0);
  EXPECT_EQ(a.StorePartPreset(4, "mine"), 0);
  EXPECT_EQ(a.StorePartPreset(-1, "mine"), 0);
  EXPECT_EQ(a.StorePartPreset(0, "../up"), 0);
  EXPECT_EQ(a.Slot(0)->failed, 1);
  EXPECT_EQ(a.Slot(0)->active, 0);

  EXPECT_EQ(a.LoadPartPreset(3, "mine"), 1);
  EXPECT_EQ(a.DataSet(3)->getParam(0x403, 0), 321.0f);
  EXPECT_EQ(a.Slot(3)->name, "mine");
  EXPECT_EQ(a.Slot(3)->active, 1);
  // A failed load keeps the name and the active flag and says it failed.
  EXPECT_EQ(a.LoadPartPreset(3, "gone"), 0);
  EXPECT_EQ(a.Slot(3)->name, "mine");
  EXPECT_EQ(a.Slot(3)->active, 1);
  EXPECT_EQ(a.Slot(3)->failed, 1);
  EXPECT_EQ(a.LoadPartPreset(3, "mine"), 1);
  EXPECT_EQ(a.Slot(3)->failed, 0);
  EXPECT_EQ(a.LoadPartPreset(4, "mine"), 0);
}

TEST_F(Arranger, StoreAllWritesTheKitThenTheArrangement) {
  CArranger a;
  // No kit name and no kit file yet: only the arrangement, no hidden ".smpl".
  EXPECT_EQ(a.StoreAll("first"), 1);
  EXPECT_TRUE(Exists(PathOf("first")));
  EXPECT_FALSE(Exists(kits_ + ".smpl"));

  a.SetKitName("drums");
  a.Sampler().SetPadParam(4, 0xA04, 12.0f);
  EXPECT_EQ(a.StoreAll("second"), 1);
  CDataSetSampler kit;
  EXPECT_EQ(kit.XMLLoadSampler("drums"), 16);
  EXPECT_EQ(kit.Pads()[4].Level, 12.0f);
  CArranger b;
  ASSERT_EQ(b.Load("second"), 1);
  EXPECT_EQ(b.KitName(), "drums");
  EXPECT_EQ(b.SettingsName(), "second");

  // Without a kit name the kit goes back to the file it came from.
  CArranger c;
  ASSERT_EQ(c.Sampler().XMLLoadSampler("drums"), 16);
  c.Sampler().SetPadParam(4, 0xA04, 13.0f);
  EXPECT_EQ(c.StoreAll("third"), 1);
  EXPECT_EQ(kit.XMLLoadSampler("drums"), 16);
  EXPECT_EQ(kit.Pads()[4].Level, 13.0f);

  for (const char* bad : {"", "../x", "/abs"}) EXPECT_EQ(a.Store(bad), 0) << bad;
  EXPECT_FALSE(Exists(PathOf("")));
}

// Program changes read the map on the MIDI and program-loader threads while a song load on
// the GUI thread rewrites it: every read sees a name one of the songs maps.
using ArrangerThreads = Arranger;
TEST_F(ArrangerThreads, ProgramLookupsWhileSongsLoad) {
  auto song = [](const std::string& preset) {
    std::string map = "<PGM-MAP>";
    for (int i = 0; i < 32; ++i)
      map += "<PROGRAM Nr=\"" + std::to_string(i) + "\" Preset=\"" + preset + std::to_string(i) + "\"></PROGRAM>";
    return Doc(map + "</PGM-MAP>");
  };
  Write("a", song("a long enough name to live on the heap "));
  Write("b", song("b"));
  CArranger arranger;
  std::atomic<bool> stop{false};
  std::atomic<int> odd{0};
  std::thread reader([&] {
    std::string preset;
    while (!stop.load())
      for (int program = 0; program < 32; ++program) {
        const std::string b = "b" + std::to_string(program);
        const std::string a = "a long enough name to live on the heap " + std::to_string(program);
        if (arranger.ProgramPreset(program, preset) && preset != a && preset != b) ++odd;
      }
  });
  for (int i = 0; i < 200; ++i) arranger.XMLLoadArranger(i % 2 ? "a" : "b");
  stop = true;
  reader.join();
  EXPECT_EQ(odd.load(), 0);
}

}  // namespace
