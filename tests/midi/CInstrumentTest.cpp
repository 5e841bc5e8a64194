// The scene state machine of a track: launches, changes, stops and deletes take effect at
// the launch quantum, with their log lines and the controller's LEDs.
#include "midi/CInstrument.h"

#include <gtest/gtest.h>

#include "tests/midi/ClipRig.h"

namespace {

using namespace clip_test;

constexpr int kT = 1;  // the track under test

enum Act { kTick, kLaunch, kPad, kStopAll, kDelete, kCreateSeq, kCreateTrg };

struct Row {
  Act act;
  int arg;  // tick or scene
  const char* log;
  std::vector<Bytes> leds;
  std::vector<std::string> calls;
};

// Launch-button LEDs a launch of `scene` switches off: every other button.
std::vector<Bytes> OthersOff(int scene, std::vector<Bytes> then) {
  std::vector<Bytes> v;
  for (int i = 0; i < 8; ++i)
    if (i != scene) v.push_back(TrackLed(i, 0));
  v.insert(v.end(), then.begin(), then.end());
  return v;
}

void RunRows(Rig& rig, const std::vector<Row>& rows) {
  CInstrumentSeq& seq = rig.Seq(kT);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE("row " + std::to_string(i));
    switch (r.act) {
      case kTick: rig.Tick(r.arg); break;
      case kLaunch: seq.LaunchScene(r.arg); break;
      case kPad: seq.OnPadInput(0, 0x90, 56 - 8 * r.arg + kT, 127); break;
      case kStopAll: seq.StopAllScenes(); break;
      case kDelete: seq.DeleteClip(r.arg); break;
      case kCreateSeq: seq.CreateClip(r.arg, kClipMidiSeq); break;
      case kCreateTrg: seq.CreateClip(r.arg, kClipTrigger); break;
    }
    EXPECT_EQ(rig.Log(), r.log);
    EXPECT_EQ(rig.Leds(), r.leds);
    EXPECT_EQ(rig.out.Take(), r.calls);
  }
}

// Scene 0 holds a (silent) MIDI sequence, scene 2 a trigger pattern; quantum 96 ticks.
TEST(CInstrumentScenes, LaunchChangeStopAndDeleteAtTheQuantum) {
  Rig rig;
  rig.Only(kT);
  RunRows(rig, {
      {kCreateSeq, 0, "", {}, {}},
      {kTick, 0, "CInstrument[enabled]: track:1 scene:0\n", {PadLed(kT, 0, 5)}, {}},
      {kTick, 9, "", {}, {}},
      {kLaunch, 0, "CInstrument[beginnig]: track:1 scene:0\n", OthersOff(0, {PadLed(kT, 0, 2)}), {}},
      {kTick, 10, "", {}, {}},
      {kTick, 95, "", {}, {}},
      {kTick, 96, "change[1]\nCInstrument[playing]: track:1 scene:0\n", {PadLed(kT, 0, 1)}, {}},
      {kCreateTrg, 2, "", {}, {}},
      {kTick, 97, "CInstrument[enabled]: track:1 scene:2\n", {PadLed(kT, 2, 5)}, {}},
      {kLaunch, 2, "CInstrument[changing]: slot:1 scene:2\n", OthersOff(2, {PadLed(kT, 2, 2)}), {}},
      {kTick, 191, "", {}, {}},
      // Leaving a MIDI sequence resets its part.
      {kTick, 192,
       "change[1]\n**CInstrument[stopped]: track:1 scene:0\nCInstrument[playing]: track:1 scene:2\n",
       {PadLed(kT, 0, 5), PadLed(kT, 2, 1)}, {"stop 1"}},
      // The pad of the playing scene stops the track at the next quantum.
      {kPad, 2, "CInstrument[stopping]: track:1 chn:2\n", {SceneLed(kT, 2)}, {}},
      {kTick, 200, "", {}, {}},
      {kTick, 288, "***CInstrument[stopped]: track:1 scene:2\n", {PadLed(kT, 2, 5), SceneLed(kT, 0)},
       {"stop 1"}},
      // A second launch while the first still waits sends the first back.
      {kLaunch, 0, "CInstrument[beginnig]: track:1 scene:0\n", OthersOff(0, {PadLed(kT, 0, 2)}), {}},
      {kLaunch, 2, "CInstrument[stop_others]: track:1 scene:2\nCInstrument[beginnig]: track:1 scene:2\n",
       {TrackLed(0, 0), PadLed(kT, 0, 5), TrackLed(1, 0), TrackLed(3, 0), TrackLed(4, 0),
        TrackLed(5, 0), TrackLed(6, 0), TrackLed(7, 0), PadLed(kT, 2, 2)},
       {}},
      {kTick, 384, "change[1]\nCInstrument[playing]: track:1 scene:2\n", {PadLed(kT, 2, 1)}, {}},
      // An empty scene launched stops what plays, at the quantum.
      {kLaunch, 5, "", OthersOff(5, {}), {}},
      {kTick, 400, "", {}, {}},
      {kTick, 480, "*CInstrument[stopped]: track:1 scene:2\n", {PadLed(kT, 2, 5)}, {"stop 1"}},
      // Deleting takes effect at the next tick, quantum or not.
      {kDelete, 2, "", {}, {}},
      {kTick, 481, "CInstrument[delete]: track:1 scene:2\n", {PadLed(kT, 2, 0), SceneLed(kT, 0)}, {}},
  });
  EXPECT_EQ(rig.Seq(kT).Scene(2).state, kSceneEmpty);
  EXPECT_EQ(rig.Seq(kT).Scene(2).hasClip, 0);
}

TEST(CInstrumentScenes, StopAllStopsWaitingAndPlayingScenes) {
  Rig rig;
  rig.Only(kT);
  RunRows(rig, {
      {kCreateSeq, 0, "", {}, {}},
      {kCreateTrg, 3, "", {}, {}},
      {kTick, 0, "CInstrument[enabled]: track:1 scene:0\nCInstrument[enabled]: track:1 scene:3\n",
       {PadLed(kT, 0, 5), PadLed(kT, 3, 5)}, {}},
      {kLaunch, 0, "CInstrument[beginnig]: track:1 scene:0\n", OthersOff(0, {PadLed(kT, 0, 2)}), {}},
      {kTick, 96, "change[1]\nCInstrument[playing]: track:1 scene:0\n", {PadLed(kT, 0, 1)}, {}},
      {kLaunch, 3, "CInstrument[changing]: slot:1 scene:3\n", OthersOff(3, {PadLed(kT, 3, 2)}), {}},
      {kStopAll, 0, "CInstrument[stopping]: track:1 chn:0\nCInstrument[stopping]: track:1 chn:3\n",
       {SceneLed(kT, 2), SceneLed(kT, 2)}, {}},
      {kTick, 192,
       "***CInstrument[stopped]: track:1 scene:0\n***CInstrument[stopped]: track:1 scene:3\n",
       {PadLed(kT, 0, 5), SceneLed(kT, 0), PadLed(kT, 3, 5), SceneLed(kT, 0)}, {"stop 1"}},
  });
  EXPECT_EQ(rig.Seq(kT).Current(), -1);
}

// Deleting a scene that does not play leaves the playing one alone.
TEST(CInstrumentScenes, DeletingAnotherSceneKeepsThePlayingOne) {
  Rig rig;
  CInstrumentSeq& seq = rig.Only(kT);
  seq.CreateClip(4, kClipMidiSeq);
  rig.Start(kT, 0, kClipMidiSeq);
  seq.DeleteClip(4);
  rig.Tick(97);
  EXPECT_EQ(rig.Log(), "CInstrument[delete]: track:1 scene:4\n");
  EXPECT_EQ(rig.out.Take(), std::vector<std::string>{});
  EXPECT_EQ(seq.Current(), 0);
  EXPECT_EQ(seq.Scene(0).state, kScenePlaying);
}

TEST(CInstrumentScenes, ANonZeroArgMovesStatesButPlaysNothing) {
  Rig rig;
  CInstrumentSeq& seq = rig.Only(4);
  seq.Clip(0).rows[0].triggers[0] = {1, 0, 90, 36, 0.0f, 0.0f};
  seq.CreateClip(0, kClipTrigger);
  rig.Tick(0, 1);
  seq.LaunchScene(0);
  rig.Tick(96, 1);
  EXPECT_EQ(seq.Scene(0).state, kScenePlaying);
  EXPECT_TRUE(rig.out.Take().empty());
  rig.Tick(192);
  EXPECT_EQ(rig.out.Take(), std::vector<std::string>{"drum 0 36 90"});
}

// Scenes outside 0-7 are refused by every request.
TEST(CInstrumentScenes, ScenesOutOfRangeChangeNothing) {
  Rig rig;
  CInstrumentSeq& seq = rig.Only(kT);
  for (int scene : {-1, 8, 1000}) {
    seq.CreateClip(scene, kClipMidiSeq);
    seq.LaunchScene(scene);
    seq.DeleteClip(scene);
    seq.OnPadInput(0, 0x90, 56 - 8 * scene + kT, 127);
  }
  rig.Ticks(0, 200);
  EXPECT_EQ(rig.Log(), "");
  EXPECT_TRUE(rig.out.Take().empty());
}

}  // namespace
