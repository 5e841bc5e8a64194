// The MIDI-file page over a temporary MIDI-file folder: the list it makes of the folder, what
// choosing and importing a file shows and writes into the track's edit clip, and its
// messages. Test files are written by csvmidi (Debian's midicsv) from CSV text, never by our
// own code.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "MidiFile.h"
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/midi/appVA_MidiTrackFiles.h"
#include "tests/app/PageRig.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

// The clip's event record compared and printed whole (found by lookup in its namespace).
inline bool operator==(const SeqEvent& a, const SeqEvent& b) {
  return a.type == b.type && a.time == b.time && a.end == b.end && a.reserved == b.reserved && a.key == b.key &&
         a.velocity == b.velocity;
}
inline std::ostream& operator<<(std::ostream& o, const SeqEvent& e) {
  return o << '{' << e.type << ' ' << e.time << ' ' << e.end << ' ' << int(e.key) << ' ' << int(e.velocity) << '}';
}

namespace {

namespace fs = std::filesystem;
using testing_support::RunCommand;

class NullTrackServices : public TrackServices {
 public:
  void TrackNoteOn(int, int, int, int, int, int) override { ++notes; }
  void TrackNoteOff(int, int) override {}
  void TrackControlChange(int, int, int) override {}
  void SendPartStop(int) override {}
  void TriggerDrumNote(int, int, int) override {}
  int DispatchMidiCC(int, int, int, int) override { return 0; }
  int TrackKeyOffset(int track) override { return track == kOffsetTrack ? keyOffset : 0; }
  static constexpr int kOffsetTrack = 0;
  std::atomic<int> notes{0};
  int keyOffset = 0;
};

// A track instrument that is no sequence.
class PlainInstrument : public CInstrument {
 public:
  using CInstrument::CInstrument;
  int IsSequence() override { return 0; }
  int OnNoteInput(int, int, int, int) override { return 0; }
};

constexpr int kTrack = 0;

// One note of 120 a quarter long, a controller, nine quarters of rest: ten quarters at 96,
// one track, 4/4 by default.
constexpr const char* kTenQuarters =
    "0, 0, Header, 0, 1, 96\n"
    "1, 0, Start_track\n"
    "1, 0, Title_t, \"Solo\"\n"
    "1, 0, Note_on_c, 0, 120, 100\n"
    "1, 48, Control_c, 0, 7, 99\n"
    "1, 96, Note_off_c, 0, 120, 0\n"
    "1, 960, End_track\n"
    "0, 0, End_of_file\n";

// Two tracks at 192: a conductor track in 3/4, the music in the second with an overlap of
// the same key, a note-on of velocity 0 as note-off and a note the file never ends.
constexpr const char* kConductorAndLead =
    "0, 0, Header, 1, 2, 192\n"
    "1, 0, Start_track\n"
    "1, 0, Title_t, \"Conductor\"\n"
    "1, 0, Time_signature, 3, 2, 24, 8\n"
    "1, 0, Tempo, 500000\n"
    "1, 2304, End_track\n"
    "2, 0, Start_track\n"
    "2, 0, Title_t, \"Lead\"\n"
    "2, 0, Note_on_c, 1, 60, 90\n"
    "2, 96, Note_on_c, 1, 60, 80\n"
    "2, 192, Note_off_c, 1, 60, 0\n"
    "2, 384, Note_on_c, 1, 60, 0\n"
    "2, 384, Control_c, 1, 64, 127\n"
    "2, 576, Note_on_c, 1, 67, 70\n"
    "2, 768, End_track\n"
    "0, 0, End_of_file\n";

// One track of meta events only.
constexpr const char* kMetaOnly =
    "0, 0, Header, 0, 1, 96\n"
    "1, 0, Start_track\n"
    "1, 0, Text_t, \"nothing to play\"\n"
    "1, 384, End_track\n"
    "0, 0, End_of_file\n";

// One track of `notes` notes, a quarter apart, and `controls` controllers between them.
std::string ManyEvents(int notes, int controls) {
  std::string csv = "0, 0, Header, 0, 1, 96\n1, 0, Start_track\n";
  int tick = 0;
  for (int i = 0; i < notes; ++i, tick += 96)
    csv += "1, " + std::to_string(tick) + ", Note_on_c, 0, " + std::to_string(36 + i % 48) + ", 100\n1, " +
           std::to_string(tick + 48) + ", Note_off_c, 0, " + std::to_string(36 + i % 48) + ", 0\n";
  for (int i = 0; i < controls; ++i) csv += "1, " + std::to_string(tick + i) + ", Control_c, 0, 7, 99\n";
  csv += "1, " + std::to_string(tick + controls + 96) + ", End_track\n0, 0, End_of_file\n";
  return csv;
}

class MidiTrackFilesTest : public toolkit_test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    if (RunCommand("command -v csvmidi").status != 0) GTEST_SKIP() << "needs csvmidi (midicsv, scripts/setup)";
    folder_ = root_.MakeDir("/var/lib/ruv/working/midifiles");
    core_ = std::make_unique<CClipCore>(services_, backend_);
    loop_ = std::make_unique<uxValueLabel>(&host_, 900, 0, uxPOINT{0, 0}, 100, 40, 0, 0, 0, 0, 0, false);
    tempo_ = std::make_unique<uxValueLabel>(&host_, 901, 0, uxPOINT{100, 0}, 100, 40, 0, 0, 0, 0, 0, false);
  }

  void Write(const std::string& relative, const std::string& csv) {
    const std::string target = folder_ + "/" + relative;
    fs::create_directories(fs::path(target).parent_path());
    const std::string csvPath = root_.Root() + "/in.csv";
    std::ofstream(csvPath) << csv;
    ASSERT_EQ(RunCommand("csvmidi '" + csvPath + "' '" + target + "'").status, 0) << relative;
  }
  void Touch(const std::string& relative, const std::string& text = "") {
    fs::create_directories(fs::path(folder_ + "/" + relative).parent_path());
    std::ofstream(folder_ + "/" + relative) << text;
  }

  appVA_MidiTrackFiles& Page(int track = kTrack, PageServices* services = nullptr) {
    page_ = std::make_unique<appVA_MidiTrackFiles>(&host_, track, "MIDI FILE", uxPOINT{0, 80}, 800, 320, 0x303030,
                                                   core_.get(), MidiTrackLabels{loop_.get(), tempo_.get()}, services);
    page_->SetFocus(true);
    page_->CompleteFileWork();
    return *page_;
  }
  // Selects the row showing `shown`; false when no row does.
  bool Select(const std::string& shown) {
    uxTableCtrl* table = page_->Table();
    for (int i = 0; i < table->getRowCount(); ++i)
      if (static_cast<uxButton*>(table->getRow(i)->getColumn(1))->GetText() == shown) {
        table->selectRow(i, true);
        return true;
      }
    return false;
  }
  void Send(uint32_t type, int param = 0, int flag = 0) {
    tagUX_Message m(static_cast<int>(type), param, flag);
    page_->OnMessage(&m);
    page_->CompleteFileWork();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& [shown, path] : page_->Index()) out.push_back(shown);
    return out;
  }
  ClipData& Clip(int clip, int track = kTrack) {
    return static_cast<CInstrumentSeq*>(core_->Master().Track(track))->Clip(clip);
  }

  testing_support::TempDataRoot root_;
  std::string folder_;
  NullTrackServices services_;
  FakeRawMidiBackend backend_;
  std::unique_ptr<CClipCore> core_;
  std::unique_ptr<uxValueLabel> loop_, tempo_;
  std::unique_ptr<appVA_MidiTrackFiles> page_;
};

TEST_F(MidiTrackFilesTest, ListsMidFilesOfEveryFolderUnderUniqueNames) {
  Write("song.MID", kTenQuarters);
  Touch("song");
  Touch("notes.midi");
  Touch("readme.txt");
  Write("import/song.mid", kMetaOnly);
  // Twelve files alike in their first 25 characters, and a link back to the top folder.
  const std::string base = "abcdefghijklmnopqrstuvwxyz";
  for (int i = 0; i < 12; ++i) Touch(base + std::to_string(i) + ".mid");
  fs::create_directory_symlink(folder_, folder_ + "/import/loop");

  appVA_MidiTrackFiles& page = Page();
  std::set<std::string> expected = {"song", "(E) song", base.substr(0, 25)};
  for (int n = 1; n <= 11; ++n) expected.insert(base.substr(0, n < 10 ? 23 : 22) + "_" + std::to_string(n));
  const std::vector<std::string> names = Names();
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
  EXPECT_EQ(page.Index().at("song"), "song.MID");
  EXPECT_EQ(page.Index().at("(E) song"), "import/song.mid");
  std::set<std::string> paths;
  for (const auto& [shown, path] : page.Index()) paths.insert(path);
  EXPECT_EQ(paths.size(), names.size()) << "each file once, under one name";

  // Rows in the index's byte order, numbered from "001".
  ASSERT_EQ(page.Table()->getRowCount(), static_cast<int>(names.size()));
  for (int i = 0; i < page.Table()->getRowCount(); ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", i + 1);
    EXPECT_STREQ(static_cast<uxButton*>(page.Table()->getRow(i)->getColumn(0))->GetText(), number);
    EXPECT_EQ(static_cast<uxButton*>(page.Table()->getRow(i)->getColumn(1))->GetText(), names[std::size_t(i)]);
  }
}

// The list holds as many files as its three-digit row numbers count; the scan stops there.
TEST_F(MidiTrackFilesTest, TheListIsBounded) {
  for (int i = 0; i < 1003; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%04d.mid", i);
    Touch(name);
  }
  log_.Clear();
  appVA_MidiTrackFiles& page = Page();
  EXPECT_EQ(page.Index().size(), 999u);
  EXPECT_EQ(page.Table()->getRowCount(), 999);
  EXPECT_EQ(log_.Text(), "MidiFiles::ScanForMidiFiles more than 999 files, the rest not listed\n");
}

TEST_F(MidiTrackFilesTest, ImportFillsTheEditClipAndShowsTheFile) {
  Write("solo.mid", kTenQuarters);
  appVA_MidiTrackFiles& page = Page();
  page.Transpose()->SetFloatValue(1.0f, FLAG_REPAINT);  // "+1": key 120 can rise no octave
  ASSERT_TRUE(Select("solo"));
  log_.Clear();
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);

  EXPECT_STREQ(page.ChosenText(), "solo");
  EXPECT_STREQ(page.LengthText(), "10 Quater");
  EXPECT_STREQ(page.NameText(), "Solo");
  EXPECT_STREQ(page.TracksText(), "1");
  EXPECT_FLOAT_EQ(loop_->GetFloatValue(), 3.0f);
  EXPECT_EQ(log_.Text(), "Linked Midi Events key 120, on_tick:0, off_tick:96\n");
  const std::vector<SeqEvent> events = {{kSeqNote, 0, 96, 0, 120, 100}, {kSeqControl, 48, 0, 0, 7, 99}};
  EXPECT_EQ(page.Events(), events);

  const ClipData& c = Clip(0);
  EXPECT_EQ(c.name, "Solo");
  EXPECT_EQ(c.Imported, "solo.mid");
  EXPECT_EQ(c.events, events);
  EXPECT_EQ(c.Numerator, 4);
  EXPECT_EQ(c.Denominator, 4);
  EXPECT_EQ(c.Length_PP, 960);
  EXPECT_EQ(c.Length_QN, 10);
  EXPECT_EQ(c.Loop_PP, 3 * 4 * 96);
  auto* seq = static_cast<CInstrumentSeq*>(core_->Master().Track(kTrack));
  EXPECT_EQ(seq->PlayList(0).size(), 3u) << "the play list is rebuilt with the events";
  EXPECT_TRUE(Clip(1).events.empty()) << "only the edit clip";
}

TEST_F(MidiTrackFilesTest, ALoopLongerThanLoopOffersShowsItsLastChoiceAndKeepsItsLength) {
  Write("long.mid",
        "0, 0, Header, 0, 1, 96\n"
        "1, 0, Start_track\n"
        "1, 0, Note_on_c, 0, 60, 100\n"
        "1, 96, Note_off_c, 0, 60, 0\n"
        "1, 23424, End_track\n"  // 61 bars of 4/4
        "0, 0, End_of_file\n");
  Page();
  ASSERT_TRUE(Select("long"));
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  EXPECT_FLOAT_EQ(loop_->GetFloatValue(), 16.0f) << "not OFF";
  EXPECT_EQ(Clip(0).Loop_PP, 61 * 4 * 96);
}

TEST_F(MidiTrackFilesTest, MultiTrackFileImportsItsMusicInClipPulses) {
  Write("band.mid", kConductorAndLead);
  appVA_MidiTrackFiles& page = Page();
  core_->editClips[kTrack] = 2;
  ASSERT_TRUE(Select("band"));
  log_.Clear();
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);

  // 192 ticks a quarter become 96 pulses; the same-key notes pair last-in first-out; the
  // unended note lasts to the file's end (2304 ticks, twelve quarters, four bars of 3/4).
  const std::vector<SeqEvent> events = {{kSeqNote, 0, 192, 0, 60, 90},
                                        {kSeqNote, 48, 96, 0, 60, 80},
                                        {kSeqControl, 192, 0, 0, 64, 127},
                                        {kSeqNote, 288, 1152, 0, 67, 70}};
  const ClipData& c = Clip(2);
  EXPECT_EQ(c.events, events);
  EXPECT_EQ(c.name, "Lead");
  EXPECT_EQ(c.Numerator, 3);
  EXPECT_EQ(c.Denominator, 4);
  EXPECT_EQ(c.Length_PP, 1152);
  EXPECT_EQ(c.Length_QN, 12);
  EXPECT_EQ(c.Loop_PP, 4 * 3 * 96);
  EXPECT_STREQ(page.TracksText(), "2");
  EXPECT_STREQ(page.LengthText(), "12 Quater");
  EXPECT_FLOAT_EQ(loop_->GetFloatValue(), 4.0f);
  EXPECT_EQ(log_.Text(),
            "MIDI-Read: more then 1 track 2 (assume track 1 \n"
            "Linked Midi Events key 60, on_tick:0, off_tick:384\n"
            "Linked Midi Events key 60, on_tick:96, off_tick:192\n");
}

// A clip holds keys as the track's live input moved them by its octave setting; an import
// moves the file's keys as much, so C4 of a file sounds as C4 played live.
TEST_F(MidiTrackFilesTest, ImportedKeysAreMovedAsTheTracksLiveInputMovesKeys) {
  Write("band.mid", kConductorAndLead);  // keys 60, 60 and 67
  struct Case {
    int offset;
    float transpose;
    int first, last;
  } cases[] = {
      {0, 0.0f, 60, 67},
      {36, 0.0f, 96, 103},   // the default octave setting, +3
      {36, 3.0f, 120, 127},  // 132 and 139 drop by octaves into range
      {-48, 0.0f, 12, 19},
      {-72, 0.0f, 0, 7},     // below 0 rises by octaves
  };
  appVA_MidiTrackFiles& page = Page();
  ASSERT_TRUE(Select("band"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    services_.keyOffset = c.offset;
    page.Transpose()->SetFloatValue(c.transpose, FLAG_REPAINT);
    Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
    ASSERT_EQ(Clip(0).events.size(), 4u);
    EXPECT_EQ(Clip(0).events[0].key, c.first);
    EXPECT_EQ(Clip(0).events[3].key, c.last);
    EXPECT_EQ(Clip(0).events[2].key, 64) << "a controller's number stays";
  }
}

TEST_F(MidiTrackFilesTest, OnlyASequenceTrackWithAnEditClipTakesTheImport) {
  struct Case {
    const char* what;
    int track;
    int mode;
    int clip;
    bool plain;
  } cases[] = {
      {"no edit clip (mode 0)", kTrack, 0, 0, false},
      {"edit clip out of range", kTrack, 1, 8, false},
      {"an instrument that is no sequence", kTrack, 1, 0, true},
      {"no instrument", 6, 1, 0, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    SetUp();
    Write("solo.mid", kTenQuarters);
    core_->editClipMode = k.mode;
    core_->editClips[k.track] = k.clip;
    {
      auto lock = core_->Master().Lock();
      if (k.plain)
        core_->Master().Install(k.track, std::make_unique<PlainInstrument>(core_.get(), k.track));
      else if (k.track == 6)
        core_->Master().Install(k.track, nullptr);
    }
    appVA_MidiTrackFiles& page = Page(k.track);
    ASSERT_TRUE(Select("solo"));
    Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
    EXPECT_STREQ(page.LengthText(), "10 Quater") << "the labels show the file all the same";
    if (auto* seq = dynamic_cast<CInstrumentSeq*>(core_->Master().Track(k.track))) {
      for (int c = 0; c < 8; ++c) EXPECT_EQ(seq->Clip(c).Imported, "");
    }
  }
}

TEST_F(MidiTrackFilesTest, FileOfMetaEventsOnlyImportsNoEventsWithItsLength) {
  Write("meta.mid", kMetaOnly);
  Clip(0).events.push_back({kSeqNote, 0, 10, 0, 60, 1});
  appVA_MidiTrackFiles& page = Page();
  ASSERT_TRUE(Select("meta"));
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  EXPECT_TRUE(Clip(0).events.empty());
  EXPECT_EQ(Clip(0).Length_QN, 4);
  EXPECT_EQ(Clip(0).Loop_PP, 4 * 96);
  EXPECT_STREQ(page.NameText(), "");
}

TEST_F(MidiTrackFilesTest, UnreadableFileChangesNothing) {
  Write("solo.mid", kTenQuarters);
  const std::vector<std::pair<const char*, std::string>> bad = {
      {"empty", ""},
      {"text", "0, 0, Header, 0, 1, 96\n"},
      {"cut", std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x10\0\x90\x3c", 25)},
      {"smpte", std::string("MThd\0\0\0\6\0\0\0\1\xE7\x28MTrk\0\0\0\4\0\xFF\x2F\0", 26)},
  };
  for (const auto& [name, bytes] : bad) Touch(std::string(name) + ".mid", bytes);
  appVA_MidiTrackFiles& page = Page();
  ASSERT_TRUE(Select("solo"));
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  const ClipData before = Clip(0);
  for (const auto& [name, bytes] : bad) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Select(name));
    log_.Clear();
    Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
    EXPECT_EQ(log_.Text(), "Error reading MIDI file " + folder_ + "/" + name + ".mid\n");
    EXPECT_EQ(page.ReadMidiFile(std::string(name) + ".mid", true), 0);
    EXPECT_STREQ(page.ChosenText(), "solo");
    EXPECT_STREQ(page.LengthText(), "10 Quater");
    EXPECT_STREQ(page.NameText(), "Solo");
    EXPECT_EQ(page.Events().size(), 2u);
    EXPECT_EQ(Clip(0).events, before.events);
    EXPECT_EQ(Clip(0).Imported, "solo.mid");
    EXPECT_EQ(Clip(0).Loop_PP, before.Loop_PP);
  }
}

TEST_F(MidiTrackFilesTest, ImportLampEncoderAndChoiceMessages) {
  Write("solo.mid", kTenQuarters);
  appVA_MidiTrackFiles& page = Page();

  // No selected row: nothing happens.
  page.Table()->deselectRow();
  Send(UX_MSG_TABLE_ITEM_SEL);
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  EXPECT_TRUE(Clip(0).Imported.empty());
  EXPECT_STREQ(page.ChosenText(), "---");

  // The fifth encoder posts a choice with nothing in it, read back from the queue.
  host_.sent.clear();
  Send(UX_MSG_ENCODER_EVENT, 147);
  EXPECT_TRUE(host_.sent.empty());
  Send(UX_MSG_ENCODER_EVENT, appVA_MidiTrackFiles::kFileEncoder);
  ASSERT_EQ(host_.sent.size(), 1u);
  tagUX_Message posted = host_.sent[0];
  EXPECT_EQ(posted.type, UX_MSG_TABLE_ITEM_SEL);
  EXPECT_EQ(posted.param, 0u);
  EXPECT_EQ(posted.flag, 0u);
  EXPECT_EQ(posted.pData, nullptr);
  EXPECT_EQ(host_.calls.back(), "SendQueued");
  ASSERT_TRUE(Select("solo"));
  page.SetFocus(false);
  page.OnMessage(&posted);
  page.CompleteFileWork();
  EXPECT_STREQ(page.ChosenText(), "---") << "not while the page has no focus";
  page.SetFocus(true);
  page.OnMessage(&posted);
  page.CompleteFileWork();
  EXPECT_STREQ(page.ChosenText(), "solo");
  EXPECT_TRUE(Clip(0).Imported.empty()) << "choosing reads; only IMPORT writes the clip";

  // IMPORT stays lit until the eighth tick after the press.
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  EXPECT_EQ(Clip(0).Imported, "solo.mid");
  for (int tick = 1; tick <= 8; ++tick) {
    EXPECT_TRUE(page.ImportButton()->isChecked()) << "before tick " << tick;
    Send(UX_MSG_TICK_EVENT);
  }
  EXPECT_FALSE(page.ImportButton()->isChecked());
}

TEST_F(MidiTrackFilesTest, ListFollowsTheImportLinkAndRescans) {
  Write("solo.mid", kTenQuarters);
  const std::string elsewhere = root_.MakeDir("/elsewhere");
  std::ofstream(elsewhere + "/tune.mid") << "x";
  appVA_MidiTrackFiles& page = Page();
  EXPECT_EQ(page.Table()->getRowCount(), 1);

  fs::create_directory_symlink(elsewhere, folder_ + "/import");
  Send(UX_MSG_TICK_EVENT);
  EXPECT_EQ(Names(), (std::vector<std::string>{"(E) tune", "solo"}));
  EXPECT_EQ(page.Table()->getRowCount(), 2);

  fs::remove(folder_ + "/import");
  fs::create_directory_symlink(root_.Root() + "/nowhere", folder_ + "/import");  // broken: not linked
  Send(UX_MSG_TICK_EVENT);
  EXPECT_EQ(Names(), (std::vector<std::string>{"solo"}));

  std::ofstream(folder_ + "/late.mid") << "x";
  Send(UX_MSG_TICK_EVENT);
  EXPECT_EQ(page.Table()->getRowCount(), 1) << "a tick rescans only when the link changes";
  Send(appVA_MidiTrackFiles::kMsgRescan);
  EXPECT_EQ(Names(), (std::vector<std::string>{"late", "solo"}));
}

TEST_F(MidiTrackFilesTest, FocusRefreshesTempoAndLoopBars) {
  core_->Master().bpm = 132;
  struct Case {
    int loopPP;
    int numerator;
    int mode;
    float bars;  // -1: the label is left
  } cases[] = {
      {16 * 96, 4, 1, 4.0f},
      {15 * 96, 3, 1, 5.0f},
      {16 * 96, 0, 1, 4.0f},  // no numerator counts four quarters a bar
      {61 * 4 * 96, 4, 1, 16.0f},  // longer than LOOP offers: its last choice, not OFF
      {16 * 96, 4, 0, -1.0f},
  };
  Page();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.numerator);
    Clip(0).Loop_PP = k.loopPP;
    Clip(0).Numerator = k.numerator;
    core_->editClipMode = k.mode;
    loop_->SetFloatValue(-1.0f, 0);
    Send(UX_MSG_FOCUS, 1);
    EXPECT_FLOAT_EQ(tempo_->GetFloatValue(), 132.0f);
    EXPECT_FLOAT_EQ(loop_->GetFloatValue(), k.bars);
  }
}

// A track longer than a clip holds is cut to the clip's limit, the page says so, and the
// clip set stored with it loads back whole.
TEST_F(MidiTrackFilesTest, ImportPastTheClipsLimitIsCutAndTheSetLoadsBack) {
  Write("long.mid", ManyEvents(2, kMaxClipEvents));
  root_.MakeDir("/var/lib/ruv/working/clips");
  {
    auto lock = core_->Master().Lock();
    for (int clip : {0, 1}) core_->Master().Track(kTrack)->SetKind(clip, kClipMidiSeq);
  }
  appVA_MidiTrackFiles& page = Page();
  ASSERT_TRUE(Select("long"));
  log_.Clear();
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  EXPECT_STREQ(page.ChosenText(), "CUT TO CLIP'S LIMIT");
  EXPECT_NE(log_.Text().find("events past the clip's 524285 left out"), std::string::npos) << log_.Text();
  ASSERT_EQ(Clip(0).events.size(), std::size_t{kMaxClipEvents});
  EXPECT_EQ(Clip(0).events[0].type, kSeqNote);
  EXPECT_EQ(Clip(1).events.size(), 0u);
  Clip(1).events.push_back({kSeqNote, 0, 10, 0, 61, 1});  // another clip, to be kept

  ASSERT_EQ(core_->XMLStoreClipLauncher("cut"), 1);
  core_->XMLLoadClipLauncher("cut");
  EXPECT_EQ(Clip(0).events.size(), std::size_t{kMaxClipEvents});
  EXPECT_EQ(Clip(0).Imported, "long.mid");
  ASSERT_EQ(Clip(1).events.size(), 1u);
  EXPECT_EQ(Clip(1).events[0].key, 61);
}

// A file larger than a clip holds is refused before it is read, and the page says why.
TEST_F(MidiTrackFilesTest, FileLargerThanAClipHoldsIsRefusedWithAMessage) {
  Write("solo.mid", kTenQuarters);
  Write("huge.mid", kTenQuarters);
  ASSERT_EQ(truncate((folder_ + "/huge.mid").c_str(), static_cast<off_t>(smf::MidiFile::kMaxFileBytes + 1)), 0);
  appVA_MidiTrackFiles& page = Page();
  ASSERT_TRUE(Select("solo"));
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  ASSERT_TRUE(Select("huge"));
  log_.Clear();
  Send(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  EXPECT_EQ(log_.Text(), "MIDI file " + folder_ + "/huge.mid is larger than a clip holds\n");
  EXPECT_STREQ(page.ChosenText(), "FILE TOO LARGE");
  EXPECT_STREQ(page.LengthText(), "10 Quater") << "the labels still show the last file read";
  EXPECT_EQ(Clip(0).Imported, "solo.mid");
  EXPECT_EQ(Clip(0).events.size(), 2u);
}

TEST_F(MidiTrackFilesTest, GoldenPictureOfAChosenFile) {
  Write("solo.mid", kTenQuarters);
  Write("band.mid", kConductorAndLead);
  Write("import/meta.mid", kMetaOnly);
  appVA_MidiTrackFiles& page = Page();
  ASSERT_TRUE(Select("band"));
  Send(UX_MSG_TABLE_ITEM_SEL);
  page.OnPaint();
  EXPECT_TRUE(toolkit_test::MatchesGolden(SYNTH_PAGES_MIDI_GOLDEN_DIR, "midi_track_files",
                                          toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen, 0, 80, 800, 320)));
}

class MidiTrackFilesThreads : public MidiTrackFilesTest {};

TEST_F(MidiTrackFilesThreads, ImportWhileTheClockPlaysTheClip) {
  Write("solo.mid", kTenQuarters);
  Write("band.mid", kConductorAndLead);
  appVA_MidiTrackFiles& page = Page();
  core_->OnClockTick(0, 0);  // enables the default clips
  {
    auto lock = core_->Master().Lock();
    CInstrument* track = core_->Master().Track(kTrack);
    track->SetKind(0, kClipMidiSeq);
    track->LaunchScene(0);
  }
  std::atomic<bool> stop{false};
  std::thread clock([&] {
    for (int t = 1; !stop.load(); ++t) core_->OnClockTick(t, 0);
  });
  for (int i = 0; i < 40; ++i) page.ReadMidiFile(i % 2 ? "band.mid" : "solo.mid", true);
  // Until the clip has played a note of an imported list, or ten seconds.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (services_.notes.load() == 0 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
  stop = true;
  clock.join();
  EXPECT_GT(services_.notes.load(), 0);
  EXPECT_EQ(Clip(0).Imported, "band.mid");
  EXPECT_EQ(Clip(0).events.size(), 4u);
}

// The clock's lock is held for the swap alone when a file of a realistic size (1 MiB, some
// 140,000 notes) is imported: the play list is sorted before the lock is taken. The import
// runs while this thread holds the lock, so it does all it can before it and then waits;
// the processor time it takes once the lock is let go is set against one sort of the same
// events, which an import that sorted under the lock would take there.
TEST_F(MidiTrackFilesThreads, AnImportOfARealisticFileHoldsTheClocksLockForTheSwapOnly) {
  // Notes of different lengths, so their ends come out of order and the sort has work.
  std::vector<std::pair<int, std::string>> lines;  // in time order for csvmidi
  for (int i = 0; i < 140000; ++i) {
    const std::string key = std::to_string(36 + i % 48);
    lines.emplace_back(i * 96, "Note_on_c, 0, " + key + ", 100");
    lines.emplace_back(i * 96 + 48 + (i % 13) * 4000, "Note_off_c, 0, " + key + ", 0");
  }
  std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string csv = "0, 0, Header, 0, 1, 96\n1, 0, Start_track\n";
  for (const auto& [tick, line] : lines) csv += "1, " + std::to_string(tick) + ", " + line + "\n";
  csv += "1, 14000000, End_track\n0, 0, End_of_file\n";
  Write("big.mid", csv);
  ASSERT_GT(fs::file_size(folder_ + "/big.mid"), 1000000u);
  appVA_MidiTrackFiles& page = Page();
  ASSERT_TRUE(page.ReadMidiFile("big.mid", false));
  const std::vector<SeqEvent> events = page.Events();
  ASSERT_EQ(events.size(), 140000u);

  auto cpu = [](clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
  };
  clockid_t self{};
  ASSERT_EQ(pthread_getcpuclockid(pthread_self(), &self), 0);
  int64_t sort = INT64_MAX;
  for (int round = 0; round < 3; ++round) {
    const int64_t start = cpu(self);
    EXPECT_EQ(CInstrumentSeq::MakePlayList(events).size(), 2 * events.size());
    sort = std::min(sort, cpu(self) - start);
  }

  std::atomic<int64_t> end{0};
  auto lock = std::make_unique<ClipMaster::Guard>(core_->Master().Lock());
  std::thread import([&] {
    EXPECT_TRUE(page.ReadMidiFile("big.mid", true));
    clockid_t own{};
    pthread_getcpuclockid(pthread_self(), &own);
    end = cpu(own);
  });
  clockid_t importer{};
  ASSERT_EQ(pthread_getcpuclockid(import.native_handle(), &importer), 0);
  // Waiting at the lock, the import's thread takes no more processor time.
  int64_t before = cpu(importer);
  for (auto still = std::chrono::steady_clock::now();
       std::chrono::steady_clock::now() - still < std::chrono::milliseconds(300);) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const int64_t now = cpu(importer);
    if (now != before) still = std::chrono::steady_clock::now();
    before = now;
  }
  lock.reset();
  import.join();
  EXPECT_EQ(Clip(0).events.size(), 140000u);
  const int64_t after = end.load() - before;
  EXPECT_LT(after * 4, sort) << "after the lock: " << after / 1000 << " us; one sort: " << sort / 1000 << " us";
}

// A large file is read off the GUI thread: the file comes through a pipe whose writer stops
// half-way until the page has ticked twenty times, and the progress popup shows meanwhile.
// Choices and rescans asked for meanwhile do not pile up: of two choices only the later is
// read, of twenty rescans one runs (a dangling link in the folder logs once per scan). The
// import and the choice then follow, and the popup goes.
TEST_F(MidiTrackFilesThreads, TheTickGoesOnWhileAFileIsReadAndRequestsDoNotPileUp) {
  constexpr int kControllers = 100000;
  constexpr int kTicks = 20;
  Write("big.mid", ManyEvents(1, kControllers));
  Write("solo.mid", kTenQuarters);
  Write("band.mid", kConductorAndLead);
  fs::create_symlink(root_.Root() + "/nowhere", folder_ + "/dangling.mid");
  std::string bytes;
  {
    std::ifstream in(folder_ + "/big.mid", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_GT(bytes.size(), 300000u);
  page_rig::FakePageServices services(&dc_);
  appVA_MidiTrackFiles& page = Page(kTrack, &services);
  fs::remove(folder_ + "/big.mid");
  ASSERT_EQ(mkfifo((folder_ + "/big.mid").c_str(), 0600), 0);

  std::atomic<int> ticks{0};
  std::atomic<bool> opened{false}, written{false};
  std::thread writer([&] {
    const int fd = open((folder_ + "/big.mid").c_str(), O_WRONLY);  // until the reader opens it
    opened = true;
    const std::size_t half = bytes.size() / 2;
    EXPECT_EQ(write(fd, bytes.data(), half), static_cast<ssize_t>(half));
    for (int i = 0; i < 3000 && ticks.load() < kTicks; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(write(fd, bytes.data() + half, bytes.size() - half), static_cast<ssize_t>(bytes.size() - half));
    close(fd);
    written = true;
  });
  auto raw = [&](uint32_t type, int param = 0) {
    tagUX_Message m(static_cast<int>(type), param, 0);
    page.OnMessage(&m);
  };
  ASSERT_TRUE(Select("big"));
  log_.Clear();
  services.Take();
  raw(UX_MSG_ON_BUTTON, appVA_MidiTrackFiles::kImportButton);
  while (!opened.load() && !written.load()) std::this_thread::yield();
  for (const char* name : {"solo", "band"}) {
    ASSERT_TRUE(Select(name));
    raw(UX_MSG_TABLE_ITEM_SEL);
  }
  for (int i = 0; i < 20; ++i) raw(appVA_MidiTrackFiles::kMsgRescan);
  int ticked = 0;  // while the file was half-written
  while (!written.load()) {
    raw(UX_MSG_TICK_EVENT);
    if (!written.load()) ticks = ++ticked;
  }
  writer.join();
  const std::vector<std::string> whileReading = services.Take();
  page.CompleteFileWork();

  EXPECT_GE(ticked, kTicks);
  EXPECT_EQ(whileReading, std::vector<std::string>{"ShowProgress LOAD MIDI FILE band"}) << "the file asked for last";
  EXPECT_EQ(services.Take(), std::vector<std::string>{"HideProgress"});
  EXPECT_EQ(Clip(0).Imported, "big.mid");
  EXPECT_EQ(Clip(0).events.size(), std::size_t{kControllers} + 1);
  EXPECT_STREQ(page.ChosenText(), "band") << "the later choice";
  EXPECT_STREQ(page.TracksText(), "2");
  const std::string log = log_.Text();
  EXPECT_EQ(log.find("key 120"), std::string::npos) << "the earlier choice was read: " << log;
  const std::string scanned = "/dangling.mid\n";
  std::size_t scans = 0;
  for (std::size_t at = log.find(scanned); at != std::string::npos; at = log.find(scanned, at + 1)) ++scans;
  EXPECT_EQ(scans, 1u) << log;
}

}  // namespace
