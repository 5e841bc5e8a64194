#include "data/CMidiCCSets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/data/DocumentFiles.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

using document_files::Count;
using document_files::Read;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";

std::vector<std::pair<int, int>> Learned(const CMidiCCSets& map) {
  std::vector<std::pair<int, int>> v;
  for (int cc = 0; cc < CMidiCCSets::kControllers; ++cc)
    if (map.Entry(cc)->assigned) v.emplace_back(cc, map.Entry(cc)->paramId);
  return v;
}

class MidiCCMapFile : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const { return working_ + "/" + name + ".cc"; }

  testing_support::TempDataRoot root_;
  std::string working_ = root_.MakeDir("/var/lib/ruv/working");
};

TEST_F(MidiCCMapFile, LearnedControllerRoundTrips) {
  CMidiCCSets a;
  a.SetCC(74, 0x300);
  ASSERT_EQ(a.XMLStoreMidiCCMap("MidiCCMap"), 1);
  const std::string doc = Read(File("MidiCCMap"));
  EXPECT_EQ(doc.substr(0, doc.find("\n\t<MAP CC=\"1\"")),
            kDecl +
                "\n<!--Category MIDI Controls-->"
                "\n<CCMAP SynthType=\"QR62\" Version=\"1\">"
                "\n\t<MAP CC=\"0\" PARAM_ID=\"0\" LEARNED=\"FALSE\">\n\t</MAP>");
  EXPECT_EQ(Count(doc, "<MAP "), 128);
  EXPECT_NE(doc.find("\n\t<MAP CC=\"74\" PARAM_ID=\"768\" LEARNED=\"TRUE\">\n\t</MAP>"), std::string::npos);
  EXPECT_TRUE(doc.ends_with("\n\t<MAP CC=\"127\" PARAM_ID=\"0\" LEARNED=\"FALSE\">\n\t</MAP>\n</CCMAP>"));

  CMidiCCSets b;
  b.SetCC(3, 9);  // a load starts from an empty map
  testing_support::LogCapture log;
  EXPECT_EQ(b.XMLLoadMidiCCMap("MidiCCMap"), 128);
  EXPECT_EQ(log.Text(), "XMLLoad MidiCCMap: OK parsed:128\r\n");
  EXPECT_EQ(b.FindCC(0x300), 74);
  EXPECT_EQ(Learned(b), (std::vector<std::pair<int, int>>{{74, 0x300}}));
}

TEST_F(MidiCCMapFile, LearningClearingAndFinding) {
  CMidiCCSets map;
  map.SetCC(10, 0x300);
  map.SetCC(5, 0x300);
  map.SetCC(127, 0x301);
  map.SetCC(0, 0);
  EXPECT_EQ(map.FindCC(0x300), 5);  // the lowest controller
  EXPECT_EQ(map.FindCC(0), 0);
  EXPECT_EQ(map.FindCC(0x302), -1);
  // Controllers that do not exist change nothing, for learning and for clearing.
  const auto before = Learned(map);
  for (int cc : {-1, -128, 128, 1000}) {
    map.SetCC(cc, 0x305);
    map.SetCC(cc, -1);
  }
  EXPECT_EQ(Learned(map), before);
  EXPECT_EQ(map.Entry(-1), nullptr);
  EXPECT_EQ(map.Entry(128), nullptr);
  map.SetCC(5, -1);
  EXPECT_EQ(map.FindCC(0x300), 10);
  map.SetCC(10, -1);
  EXPECT_EQ(map.FindCC(0x300), -1);
  EXPECT_EQ(map.Entry(10)->paramId, 0);
  EXPECT_EQ(Learned(map), (std::vector<std::pair<int, int>>{{0, 0}, {127, 0x301}}));
}

TEST_F(MidiCCMapFile, LoadTakesControllers0To127AndOnlyExactTrue) {
  document_files::Write(File("t"), kDecl +
                                       "<!-- c --><CCMAP SynthType=\"QR62\" Version=\"1\">"
                                       "<MAP CC=\"1\" PARAM_ID=\"11\" LEARNED=\"TRUE\"/>"
                                       "<MAP CC=\"2\" PARAM_ID=\"12\"/>"  // LEARNED carried over
                                       "<MAP CC=\"3\" PARAM_ID=\"13\" LEARNED=\"True\"/>"
                                       "<MAP CC=\"4\" PARAM_ID=\"14\" LEARNED=\"true\"/>"
                                       "<MAP CC=\"-1\" PARAM_ID=\"15\" LEARNED=\"TRUE\"/>"
                                       "<MAP CC=\"128\" PARAM_ID=\"16\"/>"
                                       "<MAP CC=\"-2147483649\" PARAM_ID=\"17\"/>"
                                       "</CCMAP>");
  CMidiCCSets map;
  EXPECT_EQ(map.XMLLoadMidiCCMap("t"), 4);
  EXPECT_EQ(Learned(map), (std::vector<std::pair<int, int>>{{1, 11}, {2, 12}}));
  EXPECT_EQ(map.Entry(3)->paramId, 13);
}

TEST_F(MidiCCMapFile, MissingFileGivesAnEmptyMap) {
  CMidiCCSets map;
  map.SetCC(7, 1);
  testing_support::LogCapture log;
  EXPECT_EQ(map.XMLLoadMidiCCMap("MidiCCMap"), 0);
  EXPECT_EQ(log.Text(), "XMLLoad MidiCCMap: ERROR: 1\r\n");
  EXPECT_TRUE(Learned(map).empty());
  // The application core then writes the empty map under the same name.
  EXPECT_EQ(map.XMLStoreMidiCCMap(nullptr), 1);
  EXPECT_EQ(document_files::FilesBelow(root_.Root()), std::vector<std::string>{File("MidiCCMap")});
  CMidiCCSets fresh;
  EXPECT_EQ(fresh.XMLStoreMidiCCMap(nullptr), 0);
}

}  // namespace
