// The clip-set file: the exact bytes written, what a load makes of a file (including files
// the program never wrote), and outside readers agreeing with what was written.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/midi/ClipRig.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

using namespace clip_test;

constexpr const char* kClipsDir = "/var/lib/ruv/working/clips/";

struct FileRig : Rig {
  FileRig() : Rig(nullptr) { dir = root.MakeDir(kClipsDir); }
  std::string Path(const std::string& name) const { return dir + name + ".launch"; }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  int Load(const std::string& text) {
    Write("t", text);
    return core->XMLLoadClipLauncher("t");
  }
  testing_support::TempDataRoot root;
  std::string dir;
};

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"
    "\n<!--Clip Launch -->"
    "\n<LAUNCHER SynthType=\"PX415\" Version=\"1\">"
    "\n\t<!--Clip Master-->"
    "\n\t<MASTER bpm=\"120\" qn2c=\"16\">"
    "\n\t\t<INSTRUMENT Type=\"internal\" Track=\"0\">"
    "\n\t\t\t<CLIP Nr=\"0\" SubType=\"Arpeggiator\" Name=\"1 A\" QN=\"16\">"
    "\n\t\t\t\t<ARP RestartMode=\"0\" KeySubstitute=\"1\" OrderAlgo=\"0\" OpMode=\"1\" StepCount=\"16\" "
    "Factor=\"12\" GateWidth=\"50.000\">"
    "\n\t\t\t\t\t<!--Arpeggiator Pattern-->"
    "\n\t\t\t\t\t<ASTEP Pos=\"0\" Key=\"5\" Mode=\"1\" Octave=\"0\" Semitone=\"0\" Velocity=\"95\" CVA=\"0\" "
    "CVB=\"0\" CVC=\"0\">"
    "\n\t\t\t\t\t</ASTEP>"
    "\n\t\t\t\t\t<ASTEP Pos=\"1\" ";

TEST(ClipSetFile, DefaultSetIsWrittenByteForByte) {
  FileRig rig;
  ASSERT_EQ(rig.core->XMLStoreClipLauncher("default"), 1);
  const std::string f = rig.Read("default");
  EXPECT_EQ(f.substr(0, kHead.size()), kHead);
  EXPECT_NE(f.find("\n\t\t\t</CLIP>\n\t\t\t<CLIP Nr=\"2\" Name=\"---\">\n\t\t\t</CLIP>"), std::string::npos);
  EXPECT_NE(f.find("\n\t\t<INSTRUMENT Type=\"internal\" Track=\"4\">"
                   "\n\t\t\t<CLIP Nr=\"0\" SubType=\"TrgSeq\" Name=\"D1\" QN=\"16\">"
                   "\n\t\t\t\t<TRG-SEQUENCE Kit=\"?\" StepCount=\"16\">"
                   "\n\t\t\t\t\t<!--Trigger Pattern-->"
                   "\n\t\t\t\t\t<TSTEP Pos=\"0\">\n\t\t\t\t\t</TSTEP>"),
            std::string::npos);
  EXPECT_NE(f.find("\n\t\t<INSTRUMENT Type=\"external\" Track=\"6\">"), std::string::npos);
  const std::string tail = "\n\t\t</INSTRUMENT>\n\t</MASTER>\n</LAUNCHER>";
  EXPECT_EQ(f.substr(f.size() - tail.size()), tail);
  EXPECT_EQ(Count(f, "<INSTRUMENT "), 7u);
  EXPECT_EQ(Count(f, "<CLIP "), 56u);
  EXPECT_EQ(Count(f, "<ASTEP "), 8u * 16u);
  EXPECT_EQ(Count(f, "<TSTEP "), 16u);
  EXPECT_EQ(Count(f, "<TRIGGER "), 0u);
}

// A clip set with every kind and the characters XML reserves in its texts.
void FillEveryKind(CClipCore& core) {
  ClipMaster& m = core.Master();
  m.SetBarLength(8);
  m.bpm = 97;
  auto lock = m.Lock();
  auto& a = static_cast<CInstrumentSeq&>(*m.Track(0));
  ClipData& arp = a.Clip(1);
  arp.StepCount = 3;
  arp.Factor = 24;
  arp.GateWidth = 72.5f;
  arp.OpMode = 4;
  arp.steps[2] = ArpStep{2, 3, 0, 64, 7, -2, 10, 20, 30};
  auto& s = static_cast<CInstrumentSeq&>(*m.Track(5));
  ClipData& seq = s.Clip(3);
  seq.name = "Bass \"<&>\" line";
  seq.Imported = "a&b.mid";
  seq.Loop_PP = 1536;
  seq.Length_QN = 16;
  seq.Length_PP = 1536;
  seq.Transpose = -5;
  seq.Numerator = 3;
  seq.events = {{kSeqNote, 0, 90, 0, 40, 100}, {kSeqControl, 48, 48, 0, 74, 12},
                {kSeqNote, 96, 20, 0, 43, 1}};
  s.CreateClip(3, kClipMidiSeq);
  auto& d = static_cast<CInstrumentSeq&>(*m.Track(4));
  d.Clip(0).rows[5].triggers[7] = {1, 0, 120, 38, -1.25f, 0.5f};
  d.Clip(0).rows[15].triggers[31] = {1, 0, 1, 127, 0.0f, -1.0f};
}

TEST(ClipSetFile, StoreLoadStoreIsByteIdenticalAndOutsideReadersAgree) {
  FileRig rig;
  FillEveryKind(*rig.core);
  ASSERT_EQ(rig.core->XMLStoreClipLauncher("every"), 1);
  const std::string first = rig.Read("every");

  FileRig other;
  other.Write("every", first);
  other.core->XMLLoadClipLauncher("every");
  ASSERT_EQ(other.core->XMLStoreClipLauncher(nullptr), 1);  // back to the file it loaded
  EXPECT_EQ(other.Read("every"), first);
  EXPECT_EQ(other.core->Master().GetBarQuarters(), 8);
  EXPECT_EQ(other.core->Master().bpm, 97);
  EXPECT_EQ(other.Seq(5).Clip(3).name, "Bass \"<&>\" line");
  EXPECT_EQ(other.Seq(5).Clip(3).events.size(), 3u);
  EXPECT_EQ(other.Seq(0).Clip(1).steps[2].Octave, -2);

  const std::string path = rig.Path("every");
  EXPECT_EQ(testing_support::RunCommand("xmllint --noout '" + path + "' 2>&1").status, 0);
  const auto py = testing_support::RunCommand(
      "/usr/bin/python3 -c \"import sys, xml.etree.ElementTree as E\n"
      "r = E.parse(sys.argv[1]).getroot()\n"
      "for c in r.iter('CLIP'):\n"
      "  if c.get('SubType'): print(c.get('Name'))\n"
      "for s in r.iter('SEQ'): print(s.get('Imported'), s.get('Transpose'))\n"
      "for t in r.iter('TRIGGER'): print(t.get('Note'), t.get('Pitch'), t.get('Pan'))\" '" + path + "'");
  EXPECT_EQ(py.status, 0);
  EXPECT_EQ(py.text,
            "1 A\n2 A\n1 B\n2 B\n1 C\n2 C\n1 D\n2 D\nD1\nBass \"<&>\" line\n"
            "a&b.mid -5\n38 -1.250 0.500\n127 0.000 -1.000\n");
}

TEST(ClipSetFile, LoadPrintsWhatItReadsAndReplacesTheTracks) {
  FileRig rig;
  const int parsed = rig.Load(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<LAUNCHER SynthType=\"PX415\" Version=\"1\">"
      "<MASTER bpm=\"90\" qn2c=\"4\">"
      "<INSTRUMENT Type=\"internal\" Track=\"2\">"
      "<CLIP Nr=\"0\" SubType=\"Arpeggiator\" Name=\"up\" QN=\"4\">"
      "<ARP RestartMode=\"0\" KeySubstitute=\"2\" OrderAlgo=\"1\" OpMode=\"3\" StepCount=\"4\" "
      "Factor=\"3\" GateWidth=\"40.000\">"
      "<ASTEP Pos=\"1\" Key=\"0\" Mode=\"2\" Octave=\"1\" Semitone=\"4\" Velocity=\"70\" CVA=\"3.7\" "
      "CVB=\"0\" CVC=\"0\"/>"
      "<ASTEP Pos=\"2\" Key=\"3\"/>"  // the other values carry over
      "</ARP></CLIP>"
      "<CLIP Nr=\"1\" Name=\"anything\"/>"  // no SubType of its own: a trigger clip
      "<CLIP Nr=\"2\" Name=\"---\"/>"
      "</INSTRUMENT>"
      "<INSTRUMENT Type=\"external\" Track=\"7\"><CLIP Nr=\"0\" SubType=\"MidiSeq\" Name=\"x\"/>"
      "</INSTRUMENT>"
      "</MASTER></LAUNCHER>");
  EXPECT_EQ(parsed, 11);
  EXPECT_EQ(rig.Log(),
            "track: 2, clip: 0, name up\ntrack: 2, clip: 1, name anything\n"
            "track: 2, clip: 2, name ---\ntrack: 7, clip: 0, name x\n"
            "Launch Tag synth:, version:1\nXMLLoad ClipLauncher: OK parsed:11\r\n");
  ClipMaster& m = rig.core->Master();
  EXPECT_EQ(m.bpm, 90);
  EXPECT_EQ(m.barTicks, 96);
  auto lock = m.Lock();
  for (int t = 0; t < ClipMaster::kTracks; ++t) EXPECT_EQ(m.Track(t) != nullptr, t == 2) << t;
  CInstrumentSeq& seq = rig.Seq(2);
  EXPECT_EQ(seq.BarTicks(), 96);
  EXPECT_EQ(seq.Scene(0).kind, kClipArpeggiator);
  EXPECT_EQ(seq.Scene(1).kind, kClipTrigger);
  EXPECT_EQ(seq.Scene(2).kind, kClipNone);
  EXPECT_EQ(seq.Scene(0).hasClip + seq.Scene(1).hasClip + seq.Scene(2).hasClip, 2);
  const ClipData& arp = seq.Clip(0);
  EXPECT_EQ(arp.Factor, 6);
  EXPECT_EQ(arp.OpMode, 3);
  EXPECT_FLOAT_EQ(arp.GateWidth, 40.0f);
  EXPECT_EQ(arp.steps[1].CVA, 3);
  EXPECT_EQ(arp.steps[1].Octave, 1);
  EXPECT_EQ(arp.steps[2].Key, 3);
  EXPECT_EQ(arp.steps[2].Velocity, 70);
  EXPECT_EQ(arp.steps[3].Key, 5);  // not in the file: the default step
  EXPECT_EQ(seq.Clip(1).name, "anything");
}

TEST(ClipSetFile, LoadSwitchesTheControllerLedsOff) {
  testing_support::TempDataRoot root;
  Rig rig;  // with its APC MINI
  rig.core->XMLLoadClipLauncher("absent");
  EXPECT_EQ(rig.Leds().size(), 80u);  // every launch button, pad and second-row LED
}

TEST(ClipSetFile, StoringNeedsAName) {
  FileRig rig;
  EXPECT_EQ(rig.core->XMLStoreClipLauncher(nullptr), 0);
  EXPECT_EQ(rig.core->XMLStoreClipLauncher(""), 0);
  EXPECT_EQ(rig.core->XMLStoreClipLauncher("../escape"), 0);
  EXPECT_EQ(testing_support::RunCommand("find '" + rig.root.Root() + "' -type f").text, "");
}

// Files the program never wrote: nothing crashes, a failed load leaves the default set.
TEST(ClipSetFile, BadFiles) {
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<LAUNCHER Version=\"1\">";
  struct Case {
    const char* what;
    std::string text;
    const char* result;  // the load's log line
    void (*check)(FileRig&);
    const char* line = nullptr;  // a line the load logs before it
  };
  auto repeat = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  const std::string refused = "XMLLoad ClipLauncher: ERROR: 4\r\n";
  const std::string inClip = head + "<MASTER><INSTRUMENT Track=\"1\"><CLIP Nr=\"0\" Name=\"c\">";
  const std::string clipEnd = "</CLIP></INSTRUMENT></MASTER></LAUNCHER>";
  const Case cases[] = {
      // Past what a stored set holds, each element would cost a whole clip's memory.
      {"eight instruments", head + repeat("<INSTRUMENT Track=\"1\"/>", 8) + "</LAUNCHER>",
       refused.c_str(), nullptr, "more than 7 INSTRUMENT elements, file refused\n"},
      {"thousands of empty patterns", inClip + repeat("<ARP/><SEQ/><TRG-SEQUENCE/>", 4096) + clipEnd,
       refused.c_str(), nullptr, "more than 1 patterns in a CLIP, file refused\n"},
      {"nine clips", head + "<INSTRUMENT Track=\"1\">" + repeat("<CLIP Name=\"---\"/>", 9) + "</INSTRUMENT></LAUNCHER>",
       refused.c_str(), nullptr, "more than 8 CLIP elements in an INSTRUMENT, file refused\n"},
      {"two masters", head + "<MASTER/><MASTER/></LAUNCHER>", refused.c_str(), nullptr,
       "more than 1 MASTER elements, file refused\n"},
      {"65 arpeggiator steps", inClip + "<ARP>" + repeat("<ASTEP Pos=\"1\"/>", 65) + "</ARP>" + clipEnd,
       refused.c_str(), nullptr, "more than 64 ASTEP elements in an ARP, file refused\n"},
      {"65 trigger rows", inClip + "<TRG-SEQUENCE>" + repeat("<TSTEP Pos=\"1\"/>", 65) + "</TRG-SEQUENCE>" + clipEnd,
       refused.c_str(), nullptr, "more than 64 TSTEP elements in a TRG-SEQUENCE, file refused\n"},
      {"33 triggers", inClip + "<TRG-SEQUENCE><TSTEP Pos=\"1\">" + repeat("<TRIGGER Index=\"1\"/>", 33) +
                          "</TSTEP></TRG-SEQUENCE>" + clipEnd,
       refused.c_str(), nullptr, "more than 32 TRIGGER elements in a TSTEP, file refused\n"},
      {"more events than an upload carries",
       inClip + "<SEQ>" + repeat("<CC/>", kMaxClipEvents) + "<NOTE/></SEQ>" + clipEnd, refused.c_str(),
       nullptr, "more than 524285 events in a SEQ, file refused\n"},
      // Values whose sums would overflow are refused one by one; the rest of the file loads.
      {"quantum and transposition out of range",
       head + "<MASTER bpm=\"90\" qn2c=\"89478486\"><INSTRUMENT Track=\"1\">"
              "<CLIP Nr=\"0\" SubType=\"MidiSeq\" Name=\"s\"><SEQ Loop_PP=\"96\" Transpose=\"2147483647\">"
              "<NOTE Key=\"127\" Start=\"0\" End=\"4\" Velocity=\"9\"/></SEQ></CLIP>"
              "<CLIP Nr=\"1\" SubType=\"MidiSeq\" Name=\"t\"><SEQ Transpose=\"-128\"/></CLIP>"
              "</INSTRUMENT></MASTER></LAUNCHER>",
       "XMLLoad ClipLauncher: OK parsed:8\r\n",
       [](FileRig& r) {
         EXPECT_EQ(r.core->Master().barTicks, 384);
         EXPECT_EQ(r.core->Master().bpm, 90);
         EXPECT_EQ(r.Seq(1).Clip(0).Transpose, 0);
         EXPECT_EQ(r.Seq(1).Clip(1).Transpose, 0);
       },
       "Transpose 2147483647 out of range, kept 0\n"},
      // The kind and the content of a clip go to the same slot, whatever its Nr says.
      {"Nr disagreeing with the place",
       head + "<MASTER qn2c=\"4\"><INSTRUMENT Track=\"2\"><CLIP Nr=\"5\" SubType=\"MidiSeq\" Name=\"m\">"
              "<SEQ Loop_PP=\"96\"><NOTE Key=\"60\" Start=\"0\" End=\"4\" Velocity=\"9\"/></SEQ></CLIP>"
              "</INSTRUMENT></MASTER></LAUNCHER>",
       "XMLLoad ClipLauncher: OK parsed:6\r\n",
       [](FileRig& r) {
         auto lock = r.core->Master().Lock();
         EXPECT_EQ(r.Seq(2).Scene(0).kind, kClipMidiSeq);
         EXPECT_EQ(r.Seq(2).Clip(0).events.size(), 1u);
         EXPECT_EQ(r.Seq(2).Scene(5).hasClip, 0);
       }},
      // A tree without a set plays the default one: nothing is wrong.
      {"missing", "", "", nullptr},
      {"truncated", head + "<MASTER bpm=\"90\" qn2c=\"4\"><INSTRUMENT Track=\"1\"><CLIP Nr=\"0",
       "XMLLoad ClipLauncher: ERROR: 2\r\n", nullptr},
      {"unterminated attribute", head + "<MASTER bpm=\"90 qn2c=4></MASTER></LAUNCHER>",
       "XMLLoad ClipLauncher: ERROR: 2\r\n", nullptr},
      {"quantum and tempo 0",
       head + "<MASTER bpm=\"0\" qn2c=\"0\"><INSTRUMENT Track=\"1\"/></MASTER></LAUNCHER>",
       "XMLLoad ClipLauncher: OK parsed:3\r\n",
       [](FileRig& r) {
         EXPECT_EQ(r.core->Master().barTicks, 384);
         EXPECT_EQ(r.core->Master().bpm, 120);
         EXPECT_EQ(r.Seq(1).BarTicks(), 384);
       }},
      {"indices out of range",
       head + "<MASTER bpm=\"100\" qn2c=\"-4\"><INSTRUMENT Track=\"-1\"><CLIP Nr=\"0\" Name=\"a\"/>"
              "</INSTRUMENT><INSTRUMENT Track=\"3\">"
              "<CLIP Nr=\"-1\" SubType=\"MidiSeq\" Name=\"n\"><SEQ Loop_PP=\"96\"/></CLIP>"
              "<CLIP Nr=\"99\" SubType=\"Arpeggiator\" Name=\"p\">"
              "<ARP StepCount=\"100\" Factor=\"-5\" GateWidth=\"900\">"
              "<ASTEP Pos=\"-1\" Key=\"0\"/><ASTEP Pos=\"64\" Key=\"0\"/><ASTEP Pos=\"63\" Key=\"2\"/></ARP>"
              "</CLIP>"
              "<CLIP Nr=\"2\" SubType=\"TrgSeq\" Name=\"t\"><TRG-SEQUENCE StepCount=\"-3\">"
              "<TSTEP Pos=\"-2\"><TRIGGER Index=\"0\" Fire=\"1\"/></TSTEP>"
              "<TSTEP Pos=\"70\"/><TSTEP Pos=\"3\"><TRIGGER Index=\"-1\" Fire=\"1\"/>"
              "<TRIGGER Index=\"32\" Fire=\"1\"/><TRIGGER Index=\"31\" Fire=\"9\" Note=\"300\"/></TSTEP>"
              "</TRG-SEQUENCE></CLIP>"
              "</INSTRUMENT></MASTER></LAUNCHER>",
       "XMLLoad ClipLauncher: OK parsed:21\r\n",
       [](FileRig& r) {
         auto lock = r.core->Master().Lock();
         EXPECT_EQ(r.core->Master().Track(0), nullptr);
         EXPECT_EQ(r.core->Master().barTicks, 384);
         CInstrumentSeq& s = r.Seq(3);
         EXPECT_EQ(s.Clip(1).StepCount, 64);
         EXPECT_EQ(s.Clip(1).Factor, 6);
         EXPECT_EQ(s.Clip(1).steps[63].Key, 2);
         EXPECT_EQ(s.Clip(1).steps[0].Key, 5);
         const TriggerRow& row = s.Clip(2).rows[0];  // the first row with a usable Pos
         EXPECT_EQ(row.row, 3);
         EXPECT_EQ(row.triggers[31].Fire, 1);
         EXPECT_EQ(row.triggers[31].Note, 300 & 0xFF);
         EXPECT_EQ(row.triggers[0].Fire, 0);
         EXPECT_EQ(s.Clip(2).StepCount, 0);
       }},
      {"named clip without its pattern, duplicate track",
       head + "<MASTER bpm=\"100\" qn2c=\"4\"><INSTRUMENT Track=\"1\"><CLIP Nr=\"0\" Name=\"first\"/>"
              "</INSTRUMENT><INSTRUMENT Track=\"1\"><CLIP Nr=\"0\" SubType=\"Arpeggiator\" Name=\"bare\"/>"
              "</INSTRUMENT><FOO Bar=\"1\"><CLIP Nr=\"5\" Name=\"lost\" Zap=\"2\"/></FOO></MASTER></LAUNCHER>",
       "XMLLoad ClipLauncher: OK parsed:7\r\n",
       [](FileRig& r) {
         CInstrumentSeq& s = r.Seq(1);
         EXPECT_EQ(s.Clip(0).name, "bare");
         EXPECT_EQ(s.Clip(0).StepCount, 16);
         EXPECT_EQ(s.Scene(0).kind, kClipArpeggiator);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileRig rig;
    if (c.text.empty())
      rig.core->XMLLoadClipLauncher("none");
    else
      rig.Load(c.text);
    const std::string log = rig.Log();
    const std::size_t last = log.rfind("XMLLoad");
    EXPECT_EQ(last == std::string::npos ? std::string() : log.substr(last), c.result);
    if (c.line) {
      EXPECT_NE(log.find(c.line), std::string::npos) << log.substr(0, 2000);
    }
    if (c.check) {
      c.check(rig);
    } else {
      EXPECT_EQ(rig.Seq(0).Clip(1).name, "2 A");  // the default set
      EXPECT_EQ(rig.Seq(4).Clip(0).name, "D1");
    }
    // Whatever was loaded plays without fault.
    for (int t = 0; t < 400; ++t) {
      if (t == 1) {
        auto lock = rig.core->Master().Lock();
        for (int i = 0; i < ClipMaster::kTracks; ++i)
          if (CInstrument* in = rig.core->Master().Track(i)) in->LaunchScene(t % 4);
      }
      rig.Tick(t);
    }
  }
}

TEST(ClipSetFile, AHundredThousandNotesLoad) {
  FileRig rig;
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<LAUNCHER Version=\"1\"><MASTER bpm=\"120\" qn2c=\"4\">"
      "<INSTRUMENT Track=\"5\"><CLIP Nr=\"0\" SubType=\"MidiSeq\" Name=\"long\"><SEQ Loop_PP=\"96000\">";
  for (int i = 0; i < 100000; ++i)
    text += "<NOTE Key=\"" + std::to_string(30 + i % 60) + "\" Velocity=\"100\" Start=\"" +
            std::to_string(i) + "\" End=\"" + std::to_string(i + 10) + "\"/>";
  text += "</SEQ></CLIP></INSTRUMENT></MASTER></LAUNCHER>";
  EXPECT_EQ(rig.Load(text), 100005);
  EXPECT_EQ(rig.Seq(5).Clip(0).events.size(), 100000u);
  EXPECT_EQ(rig.Seq(5).PlayList(0).size(), 200000u);
}

}  // namespace
