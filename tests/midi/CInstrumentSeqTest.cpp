// What the playing clip sends: MIDI sequences, trigger patterns and the arpeggiator, tick
// by tick, and that no input the files or pages can hold leaves a note hanging.
#include "midi/CInstrumentSeq.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "tests/midi/ClipRig.h"

namespace {

using namespace clip_test;
using Trace = std::vector<std::string>;

// The calls of ticks from..to, each prefixed with its tick ("120: on 1 58 100 0 0 0").
Trace Play(Rig& rig, int from, int to) {
  Trace out;
  for (int t = from; t <= to; ++t) {
    rig.Tick(t);
    for (const std::string& c : rig.out.Take()) out.push_back(std::to_string(t) + ": " + c);
  }
  return out;
}

SeqEvent Note(int time, int end, int key, int velocity) {
  return {kSeqNote, time, end, 0, static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)};
}
SeqEvent Control(int time, int number, int value) {
  return {kSeqControl, time, time, 0, static_cast<uint8_t>(number), static_cast<uint8_t>(value)};
}

// Keys still sounding after a trace: note-ons without a later note-off, per track and key.
std::map<std::string, int> Hanging(const Trace& trace) {
  std::map<std::string, int> on;
  for (const std::string& line : trace) {
    const std::string c = line.substr(line.find(": ") + 2);
    int track = 0, key = 0;
    if (std::sscanf(c.c_str(), "on %d %d", &track, &key) == 2) on[std::to_string(track) + "/" + std::to_string(key)] = 1;
    if (std::sscanf(c.c_str(), "off %d %d", &track, &key) == 2) on.erase(std::to_string(track) + "/" + std::to_string(key));
  }
  return on;
}

TEST(MidiSequence, PlaysAtFourPulsesATickAndLoops) {
  Rig rig;
  CInstrumentSeq& seq = rig.Only(1);
  ClipData& clip = seq.Clip(0);
  clip.Loop_PP = 384;  // one bar
  clip.Transpose = -2;
  clip.events = {Control(0, 7, 64), Note(96, 192, 60, 100), Note(300, 420, 62, 90),
                 Note(200, 100, 64, 80)};  // the last ends before it starts
  rig.Start(1, 0, kClipMidiSeq);  // plays from tick 96: position 0
  EXPECT_EQ(Play(rig, 97, 192), (Trace{
                                   "120: on 1 58 100 0 0 0",
                                   "144: off 1 58",
                                   "146: on 1 62 80 0 0 0",
                                   "147: off 1 62",
                                   "171: on 1 60 90 0 0 0",
                                   // loop start: the note running past the loop ends
                                   "192: off 1 60",
                                   "192: cc 1 7 64",
                               }));
  EXPECT_EQ(clip.position, 0);
  rig.Tick(193);
  EXPECT_EQ(clip.position, 4);
}

// The clock never sorts a play list: events filled in without notice are not heard until
// the play lists are rebuilt off the clock.
TEST(MidiSequence, EventsFilledInWithoutNoticeWaitForTheRebuild) {
  Rig rig;
  CInstrumentSeq& seq = rig.Only(1);
  seq.CreateClip(0, kClipMidiSeq);
  rig.Tick(95);
  seq.Clip(0).Loop_PP = 384;
  seq.Clip(0).events = {Note(0, 40, 60, 100)};
  seq.LaunchScene(0);
  rig.out.Take();
  EXPECT_EQ(Play(rig, 96, 106), Trace{});
  seq.EventsChanged();
  EXPECT_EQ(Play(rig, 192, 202), (Trace{"192: on 1 60 100 0 0 0", "202: off 1 60"}));
}

// Launched on a quantum in the middle of its loop, a sequence plays from there: earlier notes
// are not fired at once (nor their note-offs later), but controllers keep their latest value.
TEST(MidiSequence, AStartMidLoopSkipsWhatLiesBefore) {
  Rig rig;
  CInstrumentSeq& seq = rig.Only(1);
  seq.CreateClip(0, kClipMidiSeq);
  rig.Tick(95);
  seq.Clip(0).Loop_PP = 768;  // 192 ticks; the track's quantum is 96
  seq.Clip(0).events = {Note(0, 40, 60, 100),
                        {kSeqControl, 100, 100, 0, 7, 10},
                        {kSeqControl, 200, 200, 0, 7, 20},
                        Note(300, 500, 62, 100),
                        Note(384, 400, 64, 100),
                        Note(500, 504, 65, 100)};
  seq.EventsChanged();
  seq.LaunchScene(0);
  rig.out.Take();
  EXPECT_EQ(Play(rig, 96, 130), (Trace{"96: cc 1 7 20", "96: on 1 64 100 0 0 0", "100: off 1 64",
                                       "125: on 1 65 100 0 0 0", "126: off 1 65"}));
  // From the loop start on, everything plays.
  EXPECT_EQ(Play(rig, 192, 202), (Trace{"192: on 1 60 100 0 0 0", "202: off 1 60"}));
}

TEST(MidiSequence, LoopLengths) {
  struct Case {
    int loop;
    Trace expected;
  };
  const Case cases[] = {
      {0, {}},
      {-96, {}},
      // Not a multiple of 4 pulses: position 0 comes only every 195 ticks; the wrap at
      // tick 98 starts the loop again.
      {390, {"99: on 2 50 100 0 0 0", "100: off 2 50", "196: on 2 50 100 0 0 0", "197: off 2 50"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.loop);
    Rig rig;
    CInstrumentSeq& seq = rig.Only(2);
    seq.Clip(0).Loop_PP = c.loop;
    seq.Clip(0).events = {Note(4, 8, 50, 100)};
    rig.Start(2, 0, kClipMidiSeq);
    EXPECT_EQ(Play(rig, 97, 200), c.expected);
  }
}

TEST(MidiSequence, StopAndChangeEndEverySoundingNote) {
  for (int track : {1, 5}) {  // a synth part and an external track
    SCOPED_TRACE(track);
    Rig rig;
    CInstrumentSeq& seq = rig.Only(track);
    seq.Clip(0).Loop_PP = 1536;
    seq.Clip(0).events = {Note(0, 1500, 40, 100), Note(0, 1500, 43, 100)};
    seq.CreateClip(1, kClipTrigger);
    rig.Start(track, 0, kClipMidiSeq, 384);  // the notes start with the clip
    const std::string t = std::to_string(track);
    // The change at the quantum: note-offs, then the part's reset.
    seq.LaunchScene(1);
    EXPECT_EQ(Play(rig, 385, 480), (Trace{"480: off " + t + " 40", "480: off " + t + " 43",
                                         "480: stop " + t}));
    // The transport's stop ends whatever a clip left sounding (launched again at its loop
    // start, where its notes begin).
    Play(rig, 481, 672);
    seq.LaunchScene(0);
    Play(rig, 673, 768);
    seq.Stop();
    Trace after;
    for (auto& c : rig.out.Take()) after.push_back(c);
    EXPECT_EQ(after, (Trace{"off " + t + " 40", "off " + t + " 43"}));
  }
}

TEST(TriggerSequence, AStepEverySixTicksOnlyFiredAndNotHeld) {
  Rig rig;
  CInstrumentSeq& seq = rig.Only(4);
  ClipData& clip = seq.Clip(0);
  clip.rows[0].triggers[0] = {1, 0, 100, 36, 0.0f, 0.0f};
  clip.rows[0].triggers[31] = {1, 0, 70, 49, 0.0f, 0.0f};
  clip.rows[1].triggers[5] = {1, 1, 90, 38, 0.0f, 0.0f};  // held: silent
  clip.rows[15].triggers[2] = {1, 0, 90, 42, 0.0f, 0.0f};
  clip.rows[16].triggers[2] = {1, 0, 90, 46, 0.0f, 0.0f};  // beyond the 16 steps
  rig.Start(4, 0, kClipTrigger);
  EXPECT_EQ(Play(rig, 97, 288), (Trace{"186: drum 15 42 90", "192: drum 0 36 100", "192: drum 0 49 70",
                                      "282: drum 15 42 90", "288: drum 0 36 100", "288: drum 0 49 70"}));
  rig.Tick(294);
  EXPECT_EQ(clip.position, 1);
}

TEST(TriggerSequence, StepCountsWithoutALengthStayWithinTheRows) {
  for (int count : {0, 65, -3, 1 << 30}) {
    SCOPED_TRACE(count);
    Rig rig;
    CInstrumentSeq& seq = rig.Only(4);
    seq.Clip(0).StepCount = count;
    seq.Clip(0).rows[63].triggers[0] = {1, 0, 90, 50, 0.0f, 0.0f};
    rig.Start(4, 0, kClipTrigger, 384);
    EXPECT_EQ(Play(rig, 385, 768), (Trace{"762: drum 63 50 90"}));
  }
}

// Arpeggiator: track 0, quantum 96, clip started at tick 96 with Factor 12 and 4 steps.
struct ArpRig : Rig {
  explicit ArpRig(void (*setup)(ClipData&)) {
    CInstrumentSeq& seq = Only(0);
    ClipData& c = seq.Clip(0);
    c.StepCount = 4;
    if (setup) setup(c);
    Start(0, 0, kClipArpeggiator);
  }
  void Press(std::initializer_list<int> keys, int velocity = 100) {
    for (int k : keys) core->TrackNoteInput(0, 0, 0x90, k, velocity);
  }
  void Release(std::initializer_list<int> keys) {
    for (int k : keys) core->TrackNoteInput(0, 0, 0x80, k, 0);
  }
  CInstrumentSeq& Arp() { return Seq(0); }
};

TEST(Arpeggiator, GatesTiesAndLegato) {
  struct Case {
    const char* what;
    void (*setup)(ClipData&);
    std::vector<int> keys;
    Trace expected;  // ticks 108-143 (steps 1-3)
  };
  const Case cases[] = {
      {"half a step", nullptr, {60},
       {"108: on 0 60 95 0 0 0", "114: off 0 60", "120: on 0 60 95 0 0 0", "126: off 0 60",
        "132: on 0 60 95 0 0 0", "138: off 0 60"}},
      {"a whole step ends on its last tick", [](ClipData& c) { c.GateWidth = 100; }, {60},
       {"108: on 0 60 95 0 0 0", "119: off 0 60", "120: on 0 60 95 0 0 0", "131: off 0 60",
        "132: on 0 60 95 0 0 0", "143: off 0 60"}},
      {"no width still sounds a tick", [](ClipData& c) { c.GateWidth = 0; }, {60},
       {"108: on 0 60 95 0 0 0", "109: off 0 60", "120: on 0 60 95 0 0 0", "121: off 0 60",
        "132: on 0 60 95 0 0 0", "133: off 0 60"}},
      {"a tied step continues the note", [](ClipData& c) { c.steps[2].Mode = 2; }, {60},
       {"108: on 0 60 95 0 0 0", "126: off 0 60", "132: on 0 60 95 0 0 0", "138: off 0 60"}},
      {"legato ends the old note after the new one",
       [](ClipData& c) {
         c.steps[2].Mode = 3;
         c.steps[2].Key = 4;
       },
       {60, 64},
       {"108: on 0 60 95 0 0 0", "120: on 0 64 95 0 0 0", "120: off 0 60", "126: off 0 64",
        "132: on 0 60 95 0 0 0", "138: off 0 60"}},
      {"legato on the same key keeps it", [](ClipData& c) { c.steps[2].Mode = 3; }, {60},
       {"108: on 0 60 95 0 0 0", "120: on 0 60 95 0 0 0", "126: off 0 60", "132: on 0 60 95 0 0 0", "138: off 0 60"}},
      {"chord, rest and skipped steps",
       [](ClipData& c) {
         c.steps[1].Key = 0;
         c.steps[2].Key = 6;
         c.steps[3].Mode = 0;
       },
       {67, 60, 64},
       {"108: on 0 60 95 0 0 0", "108: on 0 64 95 0 0 0", "108: on 0 67 95 0 0 0", "114: off 0 60",
        "114: off 0 64", "114: off 0 67"}},
      {"step values shape the note",
       [](ClipData& c) {
         c.steps[1] = ArpStep{1, 1, 5, 80, 3, -1, 1, 2, 3};
         c.steps[2] = ArpStep{2, 1, 5, 80, 0, 6, 0, 0, 0};
         c.steps[3].Mode = 0;
       },
       {60},
       // 60 + 3 + 12; 60 - 72 wraps into the top of the key range
       {"108: on 0 75 80 1 2 3", "114: off 0 75", "120: on 0 116 80 0 0 0", "126: off 0 116"}},
      {"more keys than a chord records all end",
       [](ClipData& c) {
         for (auto& s : c.steps) s.Key = 0;
         c.steps[2].Mode = 0;
         c.steps[3].Mode = 0;
       },
       {40, 41, 42, 43, 44, 45, 46},
       {"108: on 0 40 95 0 0 0", "108: on 0 41 95 0 0 0", "108: on 0 42 95 0 0 0",
        "108: on 0 43 95 0 0 0", "108: on 0 44 95 0 0 0", "108: on 0 45 95 0 0 0",
        "108: on 0 46 95 0 0 0", "114: off 0 40", "114: off 0 41", "114: off 0 42",
        "114: off 0 43", "114: off 0 44", "114: off 0 45", "114: off 0 46"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ArpRig rig(c.setup);
    for (int k : c.keys) rig.Press({k});
    rig.Tick(107);
    rig.out.Take();
    EXPECT_EQ(Play(rig, 108, 143), c.expected);
  }
}

// A step of one tick has no tick left for its gate: each note ends when the next starts.
TEST(Arpeggiator, OneTickStepsLeaveNoNoteBehind) {
  ArpRig rig([](ClipData& c) {
    c.Factor = 1;
    for (int i = 0; i < 4; ++i) c.steps[i].Key = static_cast<uint8_t>(5 - i);
  });
  rig.Press({60, 64, 67, 72});
  rig.Tick(107);
  rig.out.Take();
  EXPECT_EQ(Play(rig, 108, 110), (Trace{"108: off 0 72", "108: on 0 60 95 0 0 0", "109: off 0 60",
                                       "109: on 0 64 95 0 0 0", "110: off 0 64",
                                       "110: on 0 67 95 0 0 0"}));
}

// Which latched key a single-key step plays: order and substitute.
TEST(Arpeggiator, KeyOrdersAndSubstitutes) {
  struct Case {
    int order, substitute;
    std::vector<int> press, release;
    int stepKey;
    int note;  // -1 nothing
  };
  const Case cases[] = {
      // pressed 64, 60, 67: slots 1, 2, 3
      {0, 1, {64, 60, 67}, {}, 5, 60}, {0, 1, {64, 60, 67}, {}, 4, 64}, {0, 1, {64, 60, 67}, {}, 3, 67},
      {1, 1, {64, 60, 67}, {}, 5, 67}, {1, 1, {64, 60, 67}, {}, 3, 60},
      {2, 1, {64, 60, 67}, {}, 5, 64}, {2, 1, {64, 60, 67}, {}, 4, 60},
      {3, 1, {64, 60, 67}, {}, 5, 67}, {3, 1, {64, 60, 67}, {}, 3, 64},
      // a released key leaves its slot free: counting down skips it
      {3, 1, {64, 60, 67}, {60}, 5, 67}, {3, 1, {64, 60, 67}, {60}, 4, 64},
      // fewer keys than asked for: newest 60, oldest 64
      {0, 1, {64, 60}, {}, 1, 60}, {0, 2, {64, 60}, {}, 1, 72}, {0, 3, {64, 60}, {}, 1, 48},
      {0, 4, {64, 60}, {}, 1, 64}, {0, 5, {64, 60}, {}, 1, 76}, {0, 6, {64, 60}, {}, 1, 52},
      {0, 0, {64, 60}, {}, 1, -1}, {0, 7, {64, 60}, {}, 1, -1},
      {0, 3, {5, 10}, {}, 2, 10},  // not above 12: stays
      {0, 1, {}, {}, 5, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "order " << c.order << " substitute " << c.substitute
                                    << " key " << c.stepKey << " -> " << c.note);
    ArpRig rig(nullptr);
    ClipData& clip = rig.Arp().Clip(0);
    clip.OrderAlgo = c.order;
    clip.KeySubstitute = c.substitute;
    clip.steps[1].Key = static_cast<uint8_t>(c.stepKey);
    for (int k : c.press) rig.Press({k});
    for (int k : c.release) rig.Release({k});
    rig.Tick(107);
    rig.out.Take();
    const Trace t = Play(rig, 108, 108);
    EXPECT_EQ(t, c.note < 0 ? Trace{} : Trace{"108: on 0 " + std::to_string(c.note) + " 95 0 0 0"});
  }
}

// What the latch holds after a gesture, heard as the chord of the next step.
TEST(Arpeggiator, OpModesLatchTheirWay) {
  struct Case {
    int opMode;
    const char* gesture;  // "+k" press, "-k" release, "t" a clock tick
    std::vector<int> chord;
    const char* log;
  };
  const Case cases[] = {
      {0, "+60 +64 t -64 t", {60}, ""},
      {1, "+60 +64 t -60 -64 t", {60, 64}, ""},
      {2, "+60 +64 -60 -64 +67", {67}, ""},
      {3, "+60 +64 -60 -64 +67 +72", {67, 72}, ""},
      {4, "+60 +64 -60 -64 +67", {67, 71}, "first: least_recent 60 pressed note 67,\n"},
      // transposed keys beyond the key range are left out
      {4, "+60 +120 -60 -120 +70", {70}, "first: least_recent 60 pressed note 70,\n"},
      {5, "+60 +64", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opMode);
    ArpRig rig([](ClipData& clip) {
      for (auto& s : clip.steps) s.Key = 0;
    });
    rig.Arp().Clip(0).OpMode = c.opMode;
    rig.Tick(97);  // playing: the latch follows the playing clip's mode
    int tick = 98;
    std::istringstream words(c.gesture);
    for (std::string w; words >> w;) {
      if (w == "t")
        rig.Tick(tick++);
      else if (w[0] == '+')
        rig.Press({std::stoi(w.substr(1))});
      else
        rig.Release({std::stoi(w.substr(1))});
    }
    rig.Ticks(tick, 107);
    rig.out.Take();
    Trace expected;
    for (int k : c.chord) expected.push_back("108: on 0 " + std::to_string(k) + " 95 0 0 0");
    EXPECT_EQ(Play(rig, 108, 108), expected);
    EXPECT_EQ(rig.Log(), c.log);
  }
}

// Values only a file or a page fault can hold: nothing crashes and, once the track is
// stopped, nothing sounds.
TEST(ClipBadInput, NoCrashAndNoHangingNote) {
  struct Case {
    const char* what;
    int kind;
    void (*setup)(ClipData&);
  };
  const Case cases[] = {
      {"steps 0", kClipArpeggiator, [](ClipData& c) { c.StepCount = 0; }},
      {"steps 100", kClipArpeggiator, [](ClipData& c) { c.StepCount = 100; }},
      {"steps negative", kClipArpeggiator, [](ClipData& c) { c.StepCount = -5; }},
      {"factor 0", kClipArpeggiator, [](ClipData& c) { c.Factor = 0; }},
      {"factor 1", kClipArpeggiator, [](ClipData& c) { c.Factor = 1; }},
      {"factor 3", kClipArpeggiator, [](ClipData& c) { c.Factor = 3; }},
      {"factor huge", kClipArpeggiator, [](ClipData& c) { c.Factor = 0x7FFFFFFF; }},
      {"gate -20", kClipArpeggiator, [](ClipData& c) { c.GateWidth = -20; }},
      {"gate 250", kClipArpeggiator, [](ClipData& c) { c.GateWidth = 250; }},
      {"gate NaN", kClipArpeggiator, [](ClipData& c) { c.GateWidth = std::nanf(""); }},
      {"octave down", kClipArpeggiator, [](ClipData& c) { for (auto& s : c.steps) s.Octave = 100; }},
      {"every mode", kClipArpeggiator,
       [](ClipData& c) {
         for (int i = 0; i < 64; ++i) {
           c.steps[i].Mode = static_cast<uint8_t>(i % 5);
           c.steps[i].Key = static_cast<uint8_t>(i % 8);
         }
       }},
      {"loop 0", kClipMidiSeq, [](ClipData& c) { c.events = {Note(0, 50, 60, 100)}; }},
      {"negative transpose", kClipMidiSeq,
       [](ClipData& c) {
         c.Loop_PP = 384;
         c.Transpose = -100;
         c.events = {Note(0, 50, 60, 100), Note(10, 500, 10, 100)};
       }},
      {"ends before it starts", kClipMidiSeq,
       [](ClipData& c) {
         c.Loop_PP = 96;
         c.events = {Note(40, 8, 60, 100), Note(20, 20, 61, 100), Note(-50, -10, 62, 100)};
       }},
      {"loop 6", kClipMidiSeq,
       [](ClipData& c) {
         c.Loop_PP = 6;
         c.events = {Note(0, 5, 60, 100), Note(2, 9, 61, 100)};
       }},
      {"trigger steps 1000", kClipTrigger, [](ClipData& c) { c.StepCount = 1000; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    CInstrumentSeq& seq = rig.Only(5);
    c.setup(seq.Clip(0));
    seq.Clip(0).OpMode = 2;  // the latch keeps the keys when they are released
    rig.Start(5, 0, c.kind);
    for (int k = 30; k < 30 + 16 * 5; k += 5) rig.core->TrackNoteInput(5, 0, 0x90, k, 100);
    Trace t = Play(rig, 97, 300);
    for (int k = 30; k < 30 + 16 * 5; k += 5) rig.core->TrackNoteInput(5, 0, 0x80, k, 0);
    seq.StopAllScenes();
    for (const std::string& line : Play(rig, 301, 384)) t.push_back(line);
    EXPECT_EQ(Hanging(t), (std::map<std::string, int>{}));
  }
}

}  // namespace
