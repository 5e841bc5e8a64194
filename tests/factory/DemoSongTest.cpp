#include "tools/factory/DemoSong.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "midi/TrackServices.h"
#include "platform/Paths.h"
#include "platform/midifile/MidiFile.h"
#include "tests/support/TestPaths.h"

namespace {

using Silent = SilentTrackServices;

// The stored clip set as the instrument loads it at start, the first scene of each track.
TEST(DemoSong, TheDefaultClipSetReadsBackWithAStepPatternChordsAndABeatInTheFirstScene) {
  testing_support::TempDataRoot root;
  ASSERT_TRUE(DemoSong::Write());
  Silent tracks;
  FakeRawMidiBackend backend;
  CClipCore core(tracks, backend);
  ASSERT_GT(core.XMLLoadClipLauncher(DemoSong::kClipSet), 0);
  auto lock = core.Master().Lock();
  const auto seq = [&](int t) { return dynamic_cast<CInstrumentSeq*>(core.Master().Track(t)); };
  struct Case {
    int track;
    int kind;
    const char* name;
  };
  for (const Case& c : {Case{DemoSong::kStepTrack, kClipArpeggiator, "Steps"}, Case{DemoSong::kChordTrack, kClipMidiSeq, "Chords"},
                        Case{DemoSong::kDrumTrack, kClipTrigger, "Beat"}}) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(seq(c.track), nullptr);
    EXPECT_EQ(seq(c.track)->Scene(DemoSong::kScene).hasClip, 1);
    EXPECT_EQ(seq(c.track)->Scene(DemoSong::kScene).kind, c.kind);
    EXPECT_EQ(seq(c.track)->Clip(DemoSong::kScene).name, c.name);
  }
  const ClipData& steps = seq(DemoSong::kStepTrack)->Clip(DemoSong::kScene);
  EXPECT_EQ(steps.StepCount, 16);
  EXPECT_EQ(std::count_if(steps.steps, steps.steps + 16, [](const ArpStep& s) { return s.Mode == 1 && s.Key != 6; }), 14);

  const ClipData& chords = seq(DemoSong::kChordTrack)->Clip(DemoSong::kScene);
  EXPECT_EQ(chords.Imported, DemoSong::kMidiFile);
  ASSERT_EQ(chords.events.size(), DemoSong::ChordEvents().size());
  for (std::size_t i = 0; i < chords.events.size(); ++i) {
    EXPECT_EQ(chords.events[i].key, DemoSong::ChordEvents()[i].key);
    EXPECT_EQ(chords.events[i].time, DemoSong::ChordEvents()[i].time);
  }
  EXPECT_EQ(chords.Loop_PP, chords.Length_PP);

  const ClipData& beat = seq(DemoSong::kDrumTrack)->Clip(DemoSong::kScene);
  int hits = 0;
  for (int s = 0; s < beat.StepCount; ++s)
    for (const Trigger& t : beat.rows[s].triggers) hits += t.Fire;
  EXPECT_EQ(hits, 4 + 2 + 1 + 8);
  EXPECT_TRUE(std::filesystem::is_directory(platform::DataPath("/var/lib/ruv/working/clips")));
}

TEST(DemoSong, TheMidiFileReadsBackAsTheClipsChords) {
  testing_support::TempDataRoot root;
  ASSERT_TRUE(DemoSong::Write());
  smf::MidiFile file;
  ASSERT_TRUE(file.read(platform::DataPath("/var/lib/ruv/working/midifiles/") + DemoSong::kMidiFile));
  ASSERT_EQ(file.getTrackCount(), 1);
  EXPECT_EQ(file.getTPQ(), kSeqPulsesPerQuarter);
  file.linkNotePairs();
  std::vector<SeqEvent> read;
  for (int i = 0; i < file[0].size(); ++i) {
    const smf::MidiEvent& e = file[0][i];
    if (e.isNoteOn()) read.push_back({kSeqNote, e.tick, e.tick + e.getTickDuration(), 0, uint8_t(e.getKeyNumber()), uint8_t(e.getVelocity())});
  }
  std::vector<SeqEvent> written = DemoSong::ChordEvents();
  ASSERT_EQ(read.size(), written.size());
  const auto order = [](const SeqEvent& a, const SeqEvent& b) { return a.time != b.time ? a.time < b.time : a.key < b.key; };
  std::sort(read.begin(), read.end(), order);
  std::sort(written.begin(), written.end(), order);
  for (std::size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].key, written[i].key);
    EXPECT_EQ(read[i].time, written[i].time);
    EXPECT_EQ(read[i].end, written[i].end);
  }
}

}  // namespace
