#include "data/CSettings.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "tests/data/DocumentFiles.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

using document_files::Count;
using document_files::Exists;
using document_files::Read;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";

// The settings as the instrument writes them, in file order, transcribed from the settings
// list (not from the code's table): Ctrl, Part, Name, Value.
const char* const kDefaultTags[] = {
    R"(Ctrl="200" Part="0" Name="In A" Value="16.000")",
    R"(Ctrl="201" Part="0" Name="Start A" Value="0.000")",
    R"(Ctrl="202" Part="0" Name="End A" Value="109.000")",
    R"(Ctrl="203" Part="0" Name="Osctave A" Value="3.000")",
    R"(Ctrl="204" Part="0" Name="BendUP A" Value="2.000")",
    R"(Ctrl="205" Part="0" Name="BendDW A" Value="2.000")",
    R"(Ctrl="206" Part="0" Name="VeloCurve A" Value="0.000")",
    R"(Ctrl="200" Part="1" Name="In B" Value="17.000")",
    R"(Ctrl="201" Part="1" Name="Start B" Value="0.000")",
    R"(Ctrl="202" Part="1" Name="End B" Value="109.000")",
    R"(Ctrl="203" Part="1" Name="Osctave B" Value="3.000")",
    R"(Ctrl="204" Part="1" Name="BendUP B" Value="2.000")",
    R"(Ctrl="205" Part="1" Name="BendDW B" Value="2.000")",
    R"(Ctrl="206" Part="1" Name="VeloCurve B" Value="0.000")",
    R"(Ctrl="200" Part="2" Name="In C" Value="18.000")",
    R"(Ctrl="201" Part="2" Name="Start C" Value="0.000")",
    R"(Ctrl="202" Part="2" Name="End C" Value="109.000")",
    R"(Ctrl="203" Part="2" Name="Osctave C" Value="3.000")",
    R"(Ctrl="204" Part="2" Name="BendUP C" Value="2.000")",
    R"(Ctrl="205" Part="2" Name="BendDW C" Value="2.000")",
    R"(Ctrl="206" Part="2" Name="VeloCurve C" Value="0.000")",
    R"(Ctrl="200" Part="3" Name="In D" Value="19.000")",
    R"(Ctrl="201" Part="3" Name="Start D" Value="0.000")",
    R"(Ctrl="202" Part="3" Name="End D" Value="109.000")",
    R"(Ctrl="203" Part="3" Name="Osctave D" Value="3.000")",
    R"(Ctrl="204" Part="3" Name="BendUP D" Value="2.000")",
    R"(Ctrl="205" Part="3" Name="BendDW D" Value="2.000")",
    R"(Ctrl="206" Part="3" Name="VeloCurve D" Value="0.000")",
    R"(Ctrl="200" Part="10" Name="In ET1" Value="26.000")",
    R"(Ctrl="207" Part="10" Name="Out ET1" Value="26.000")",
    R"(Ctrl="201" Part="10" Name="Start ET1" Value="0.000")",
    R"(Ctrl="202" Part="10" Name="End ET1" Value="109.000")",
    R"(Ctrl="203" Part="10" Name="Octave ET1" Value="0.000")",
    R"(Ctrl="206" Part="10" Name="VeloCurve ET1" Value="0.000")",
    R"(Ctrl="200" Part="11" Name="In ET2" Value="27.000")",
    R"(Ctrl="207" Part="11" Name="Out ET2" Value="27.000")",
    R"(Ctrl="201" Part="11" Name="Start ET2" Value="0.000")",
    R"(Ctrl="202" Part="11" Name="End ET2" Value="109.000")",
    R"(Ctrl="203" Part="11" Name="Octave ET2" Value="0.000")",
    R"(Ctrl="206" Part="11" Name="VeloCurve ET2" Value="0.000")",
    R"(Ctrl="208" Part="15" Name="Clock Source" Value="0.000")",
    R"(Ctrl="209" Part="15" Name="Clock send out" Value="0.000")",
    R"(Ctrl="210" Part="15" Name="Transport In" Value="0.000")",
    R"(Ctrl="211" Part="15" Name="Transport Out" Value="0.000")",
    R"(Ctrl="2832" Part="0" Name="PartLevel A" Value="50.000")",
    R"(Ctrl="2833" Part="0" Name="PartMute A" Value="0.000")",
    R"(Ctrl="2834" Part="0" Name="Part ExPedal A" Value="0.000")",
    R"(Ctrl="2832" Part="1" Name="PartLevel B" Value="50.000")",
    R"(Ctrl="2833" Part="1" Name="PartMute B" Value="0.000")",
    R"(Ctrl="2834" Part="1" Name="Part ExPedal B" Value="0.000")",
    R"(Ctrl="2832" Part="2" Name="PartLevel C" Value="50.000")",
    R"(Ctrl="2833" Part="2" Name="PartMute C" Value="0.000")",
    R"(Ctrl="2834" Part="2" Name="Part ExPedal C" Value="0.000")",
    R"(Ctrl="2832" Part="3" Name="PartLevel D" Value="50.000")",
    R"(Ctrl="2833" Part="3" Name="PartMute D" Value="0.000")",
    R"(Ctrl="2834" Part="3" Name="Part ExPedal D" Value="0.000")",
    R"(Ctrl="2835" Part="4" Name="DrumsLevel" Value="60.000")",
    R"(Ctrl="2836" Part="4" Name="DrumsMute" Value="0.000")",
    R"(Ctrl="2837" Part="5" Name="TUNE Cents" Value="0.000")",
    R"(Ctrl="2838" Part="5" Name="VOLUME" Value="0.000")",
};

std::string DefaultDocument() {
  std::string doc = kDecl + "\n<Settings SynthType=\"PX415\" Version=\"1\">";
  auto category = [&](const char* comment, const char* element, int first, int end) {
    doc += std::string("\n\t<!--") + comment + "-->\n\t<" + element + ">";
    for (int i = first; i < end; ++i) doc += std::string("\n\t\t<TAG ") + kDefaultTags[i] + ">\n\t\t</TAG>";
    doc += std::string("\n\t</") + element + ">";
  };
  category("Category MIDI", "MIDI", 0, 40);
  category("Category (MIDI) Clock Settings", "MIDI_CLOCK", 40, 44);
  category("Category MASTER", "MASTER", 44, 60);
  return doc + "\n</Settings>";
}

class SettingsFile : public ::testing::Test {
 protected:
  std::string WorkingFile(const std::string& name) const { return working_ + "/" + name + ".settings"; }
  std::string ArrangementFile(const std::string& name) const { return arrangements_ + "/" + name + ".settings"; }
  std::vector<float> Values(const CSettings& s) const {
    std::vector<float> v;
    for (int i = 0; i < CSettings::kMaxRows; ++i) v.push_back(s.GetValue(i));
    return v;
  }

  testing_support::TempDataRoot root_;
  std::string working_ = root_.MakeDir("/var/lib/ruv/working");
  std::string arrangements_ = root_.MakeDir("/var/lib/ruv/working/arrangments");
};

TEST_F(SettingsFile, DefaultsAreWrittenByCategoryWithTheirNamesVerbatim) {
  CSettings s;
  EXPECT_EQ(s.RowCount(), 60);
  ASSERT_EQ(s.XMLStoreSettings("song"), 1);
  EXPECT_EQ(Read(ArrangementFile("song")), DefaultDocument());
  EXPECT_EQ(s.Path(), "/var/lib/ruv/working/arrangments/song.settings");
}

TEST_F(SettingsFile, StoringWritesCategoriesInFileOrderWhateverTheValues) {
  CSettings s;
  s.SetValue(s.Find(0xB16, 5), 12.5f);
  s.SetValue(s.Find(0xD0, 15), 1.0f);
  s.SetValue(s.Find(0xB15, 5), -3.0004f);
  ASSERT_EQ(s.XMLStoreSettings(nullptr), 1);
  const std::string doc = Read(WorkingFile("[default]"));
  EXPECT_NE(doc.find(R"(Name="VOLUME" Value="12.500")"), std::string::npos);
  EXPECT_NE(doc.find(R"(Name="Clock Source" Value="1.000")"), std::string::npos);
  EXPECT_NE(doc.find(R"(Name="TUNE Cents" Value="-3.000")"), std::string::npos);
  EXPECT_LT(doc.find("<MIDI>"), doc.find("<MIDI_CLOCK>"));
  EXPECT_LT(doc.find("</MIDI_CLOCK>"), doc.find("<MASTER>"));
  EXPECT_EQ(Count(doc, "<TAG "), 60);
}

TEST_F(SettingsFile, StoreAndLoadRestoreEveryValue) {
  CSettings a;
  // Values on a 0.25 grid inside each row's range, none its default.
  for (int i = 0; i < a.RowCount(); ++i) {
    const SettingDef& def = SettingsTable[i];
    float v = static_cast<float>(i) * 1.25f - 20.0f;
    if (def.hi < FLT_MAX) v = def.lo + std::fmod(static_cast<float>(i) * 0.25f, def.hi - def.lo);
    if (v == def.value) v = def.value == def.lo ? def.hi : def.lo;
    a.SetValue(i, v);
  }
  ASSERT_EQ(a.XMLStoreSettings("song"), 1);
  CSettings b;
  testing_support::LogCapture log;
  EXPECT_EQ(b.XMLLoadSettings("song", false), 60);
  EXPECT_EQ(Values(b), Values(a));
  // The instrument's own root is "Settings", which the reader does not know by that name.
  EXPECT_EQ(log.Text(), "XMLLoadSettings: OK params:60 (parsed:60)\r\n");
  EXPECT_FALSE(b.AutoSave());
}

TEST_F(SettingsFile, MissingFileKeepsDefaultsAndCreatesOnlyWorkingDocuments) {
  struct Case {
    const char* name;
    bool fromWorking;
    const char* created;  // file written with the defaults, or null
  };
  const Case cases[] = {
      {"[default]", true, "/var/lib/ruv/working/[default].settings"},
      {"[other]", true, "/var/lib/ruv/working/[other].settings"},
      {"song", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempDataRoot root;
    root.MakeDir("/var/lib/ruv/working/arrangments");
    CSettings s;
    s.SetValue(0, 99.0f);
    testing_support::LogCapture log;
    EXPECT_EQ(s.XMLLoadSettings(c.name, c.fromWorking), 0);
    const std::string path = s.Path();
    EXPECT_EQ(log.Text(), "XMLLoadSettings: ERROR: <" + platform::DataPath(path) + "> not exists! created\r\n");
    EXPECT_EQ(s.GetValue(0), 16.0f);
    EXPECT_EQ(s.AutoSave(), c.fromWorking);
    const auto files = document_files::FilesBelow(root.Root());
    if (c.created) {
      EXPECT_EQ(path, c.created);
      ASSERT_EQ(files, std::vector<std::string>{platform::DataPath(c.created)});
      EXPECT_EQ(Read(files[0]), DefaultDocument());
    } else {
      EXPECT_EQ(path, std::string("/var/lib/ruv/working/arrangments/") + c.name + ".settings");
      EXPECT_TRUE(files.empty());
    }
  }
}

TEST_F(SettingsFile, LoadingMissingWorkingDocumentLeavesTheDefaultDocumentAlone) {
  document_files::Write(WorkingFile("[default]"), "mine");
  CSettings s;
  EXPECT_EQ(s.XMLLoadSettings("[other]", true), 0);
  EXPECT_EQ(Read(WorkingFile("[default]")), "mine");
}

TEST_F(SettingsFile, LoadTakesOnlyKnownFiniteSettings) {
  // Root and categories in the reader's spelling, TAGs in any place, the Part of a TAG
  // forgotten after it, pairs the table lacks, numbers a float cannot hold.
  document_files::Write(WorkingFile("[t]"),
                        kDecl +
                            "<SETTINGS SynthType=\"PX415\" Version=\"1\">"
                            "<MASTER><TAG Ctrl=\"2838\" Part=\"5\" Value=\"12.5\"/>"
                            "<TAG Ctrl=\"200\" Part=\"3\" Value=\"7\"/>"
                            "<TAG Ctrl=\"201\" Value=\"4\"/></MASTER>"
                            "<TAG Ctrl=\"999\" Part=\"0\" Value=\"1\"/>"
                            "<TAG Ctrl=\"-1\" Part=\"-1\" Value=\"1\"/>"
                            "<CONFIG><TAG Ctrl=\"202\" Part=\"1\" Value=\"nan\"/>"
                            "<TAG Ctrl=\"202\" Part=\"2\" Value=\"inf\"/>"
                            "<TAG Ctrl=\"202\" Part=\"3\" Value=\"1e300\"/>"
                            "<TAG Ctrl=\"2837\" Part=\"5\" Value=\"-1e-3\"/></CONFIG>"
                            "<Unknown><TAG Ctrl=\"2835\" Part=\"4\" Value=\"70\"/></Unknown>"
                            "</SETTINGS>");
  CSettings s;
  s.SetValue(s.Find(0xC8, 1), 55.0f);  // not in the file: back to its default
  testing_support::LogCapture log;
  EXPECT_EQ(s.XMLLoadSettings("[t]", true), 5);
  EXPECT_EQ(s.GetValue(s.Find(0xB16, 5)), 12.5f);
  EXPECT_EQ(s.GetValue(s.Find(0xC8, 3)), 7.0f);
  EXPECT_EQ(s.GetValue(s.Find(0xC9, 0)), 4.0f);  // no Part: part 0
  EXPECT_EQ(s.GetValue(s.Find(0xC9, 3)), 0.0f);
  EXPECT_EQ(s.GetValue(s.Find(0xC8, 1)), 17.0f);
  EXPECT_EQ(s.GetValue(s.Find(0xCA, 1)), 109.0f);
  EXPECT_EQ(s.GetValue(s.Find(0xCA, 2)), 109.0f);
  EXPECT_EQ(s.GetValue(s.Find(0xCA, 3)), 109.0f);
  EXPECT_EQ(s.GetValue(s.Find(0xB15, 5)), -0.001f);
  EXPECT_EQ(s.GetValue(s.Find(0xB13, 4)), 70.0f);
  EXPECT_EQ(log.Text(), "<Settings> Parsing done -> OK\nXMLLoadSettings: OK params:60 (parsed:5)\r\n");
}

TEST_F(SettingsFile, DamagedFileKeepsWhatWasReadBeforeTheFault) {
  document_files::Write(WorkingFile("[t]"), kDecl + "<Settings><MIDI><TAG Ctrl=\"200\" Part=\"0\" Value=\"5\"/>"
                                                    "<TAG Ctrl=\"201\" Part=\"0\" Value=\"6\"");
  CSettings s;
  testing_support::LogCapture log;
  EXPECT_EQ(s.XMLLoadSettings("[t]", true), 1);
  EXPECT_EQ(s.GetValue(0), 5.0f);
  EXPECT_EQ(s.GetValue(1), 0.0f);
  EXPECT_EQ(log.Text(), "XMLLoadSettings: ERROR: 2\r\n");
}

// Readers of settings documents see the root and category ends by the reader's names.
class RecordingSettingsReader : public CXMLParserSettings {
 public:
  std::vector<std::string> calls;

 protected:
  void OnSettings(const char* type, const char* version) override {
    calls.push_back(std::string("settings ") + type + " " + version);
  }
  void OnCategory(const char* name) override { calls.push_back(std::string("category ") + name); }
  void OnTag(int32_t ctrl, int32_t part, const char* name, float value) override {
    calls.push_back("tag " + std::to_string(ctrl) + " " + std::to_string(part) + " " + name + " " +
                    std::to_string(value));
  }
};

TEST_F(SettingsFile, ReaderReportsRootCategoriesAndTags) {
  document_files::Write(WorkingFile("r"), kDecl +
                                              "<SETTINGS SynthType=\"X\" Version=\"2\"><MIDI_CLOCK>"
                                              "<TAG Ctrl=\"208\" Part=\"15\" Name=\"Clock Source\" Value=\"1\"/>"
                                              "</MIDI_CLOCK><Settings/><CONFIG/></SETTINGS>");
  RecordingSettingsReader r;
  EXPECT_EQ(r.ParseFile(WorkingFile("r").c_str()), 0);
  EXPECT_EQ(r.calls, (std::vector<std::string>{"tag 208 15 Clock Source 1.000000", "category MIDI_CLOCK",
                                               "category CONFIG", "settings X 2"}));
}

TEST_F(SettingsFile, SetValueAndGetValueStayInsideTheRows) {
  CSettings s;
  const std::vector<float> before = Values(s);
  struct Case {
    int index;
    float value;
  };
  const Case refused[] = {{-1, 1.0f}, {256, 1.0f}, {1000000, 1.0f}, {0, NAN}, {0, INFINITY}, {0, -INFINITY}};
  for (const Case& c : refused) s.SetValue(c.index, c.value);
  EXPECT_EQ(Values(s), before);
  EXPECT_EQ(s.GetValue(-1), 0.0f);
  EXPECT_EQ(s.GetValue(256), 0.0f);
  EXPECT_EQ(s.Find(0xC8, 4), -1);
  EXPECT_EQ(s.Find(-1, 0), -1);  // empty rows are not found
  s.SetValue(255, 3.0f);
  EXPECT_EQ(s.GetValue(255), 3.0f);
}

// Out-of-range values from a file or a caller are held to the row's range with a line; the
// tuning has no range and keeps what it is given.
TEST_F(SettingsFile, ValuesAreHeldToTheirRowsRangeOnLoadAndSet) {
  struct Case {
    uint32_t ctrl, part;
    const char* value;
    float held;
    const char* line;  // "" when the value is in range
  };
  const Case cases[] = {
      {0xD0, 15, "1e10", 1.0f, "<Clock Source> 1e+10 outside 0..1, set to 1"},
      {0xD0, 15, "-2", 0.0f, "<Clock Source> -2 outside 0..1, set to 0"},
      {0xD3, 15, "1", 1.0f, ""},
      {0xC8, 0, "-3", 0.0f, "<In A> -3 outside 0..255, set to 0"},
      {0xCF, 10, "300", 255.0f, "<Out ET1> 300 outside 0..255, set to 255"},
      {0xCA, 1, "200", 127.0f, "<End B> 200 outside 0..127, set to 127"},
      {0xCB, 2, "9", 6.0f, "<Osctave C> 9 outside 0..6, set to 6"},
      {0xCC, 3, "12", 12.0f, ""},
      {0xCE, 11, "-250.5", -100.0f, "<VeloCurve ET2> -250.5 outside -100..100, set to -100"},
      {0xB10, 1, "100.5", 100.0f, "<PartLevel B> 100.5 outside 0..100, set to 100"},
      {0xB12, 0, "2", 1.0f, "<Part ExPedal A> 2 outside 0..1, set to 1"},
      {0xB16, 5, "-1", 0.0f, "<VOLUME> -1 outside 0..100, set to 0"},
      {0xB15, 5, "-1e6", -1e6f, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("row ") + std::to_string(c.ctrl) + "/" + std::to_string(c.part) + " value " + c.value);
    document_files::Write(WorkingFile("[t]"), kDecl + "<SETTINGS><MIDI><TAG Ctrl=\"" + std::to_string(c.ctrl) +
                                                  "\" Part=\"" + std::to_string(c.part) + "\" Value=\"" + c.value +
                                                  "\"/></MIDI></SETTINGS>");
    const std::string line = *c.line ? std::string(c.line) + "\n" : "";
    CSettings loaded;
    testing_support::LogCapture loadLog;
    EXPECT_EQ(loaded.XMLLoadSettings("[t]", true), 1);
    EXPECT_EQ(loaded.GetValue(loaded.Find(static_cast<int32_t>(c.ctrl), static_cast<int32_t>(c.part))), c.held);
    EXPECT_EQ(loadLog.Text(), (*c.line ? "XMLLoadSettings: " + line : "") +
                                  "<Settings> Parsing done -> OK\nXMLLoadSettings: OK params:60 (parsed:1)\r\n");
    CSettings set;
    testing_support::LogCapture setLog;
    const int index = set.Find(static_cast<int32_t>(c.ctrl), static_cast<int32_t>(c.part));
    set.SetValue(index, std::strtof(c.value, nullptr));
    EXPECT_EQ(set.GetValue(index), c.held);
    EXPECT_EQ(setLog.Text(), *c.line ? "Settings: " + line : "");
  }
}

TEST_F(SettingsFile, UnsafeNamesAreRefusedWithoutWriting) {
  const std::string longName(300, 'x');
  const char* names[] = {"../x", "/etc/x", "a/../../x", "..", "bad\nname", "tab\tname", "", longName.c_str()};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    CSettings s;
    testing_support::LogCapture log;
    EXPECT_EQ(s.XMLStoreSettings(name), 0);
    EXPECT_EQ(s.XMLLoadSettings(name, true), 0);
    EXPECT_EQ(s.XMLLoadSettings(name, false), 0);
    EXPECT_EQ(Count(log.Text(), "Document name refused"), 3);
    EXPECT_EQ(s.Path(), "");
  }
  EXPECT_TRUE(document_files::FilesBelow(root_.Root()).empty());
  // A sub-directory inside the document directory is a name like any other.
  root_.MakeDir("/var/lib/ruv/working/arrangments/live");
  CSettings s;
  EXPECT_EQ(s.XMLStoreSettings("live/set1"), 1);
  EXPECT_TRUE(Exists(ArrangementFile("live/set1")));
}

TEST_F(SettingsFile, FailedSaveReportsFailure) {
  CSettings s;
  // A folder where the file should go cannot be replaced; a missing folder cannot be written.
  std::filesystem::create_directories(ArrangementFile("dir"));
  testing_support::LogCapture log;
  EXPECT_EQ(s.XMLStoreSettings("dir"), 0);
  EXPECT_EQ(log.Text(), "XMLStoreSettings: ERROR: </var/lib/ruv/working/arrangments/dir.settings> not written\r\n");
  EXPECT_EQ(s.XMLStoreSettings("nofolder/song"), 0);
  EXPECT_TRUE(document_files::FilesBelow(root_.Root()).empty());
}

}  // namespace
