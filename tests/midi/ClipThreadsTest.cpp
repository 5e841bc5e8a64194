// The clock runs on its own thread while the GUI and host threads launch clips, feed keys,
// poll the controller and replace the whole clip set: no instrument is used after it is
// deleted, and the clock keeps going.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/midi/ClipRig.h"
#include "tests/support/TestPaths.h"

namespace {

using namespace clip_test;

TEST(ClipLauncherThreads, LaunchesAndReloadsWhileTheClockRuns) {
  testing_support::TempDataRoot root;
  root.MakeDir("/var/lib/ruv/working/clips/");
  Rig rig;
  rig.out.countOnly = true;
  ASSERT_EQ(rig.core->XMLStoreClipLauncher("song"), 1);
  std::atomic<bool> stop{false};
  std::atomic<int> ticks{0};
  std::thread clock([&] {
    for (int t = 0; !stop.load(); ++t) {
      rig.Tick(t);
      ticks.store(t);
    }
  });
  for (int round = 0; round < 200; ++round) {
    {
      auto lock = rig.core->Master().Lock();
      for (int t = 0; t < ClipMaster::kTracks; ++t)
        if (CInstrument* i = rig.core->Master().Track(t)) i->LaunchScene(round % 3);
    }
    rig.core->TrackNoteInput(round % 4, 0, 0x90, 60 + round % 12, 100);
    ASSERT_TRUE(rig.fake.Inject(kPort, {0x90, static_cast<uint8_t>(56 + round % 8), 127}));
    rig.core->PollInput();
    if (round % 20 == 0) rig.core->Master().CreateDefault();
    if (round % 20 == 10) rig.core->XMLLoadClipLauncher("song");
  }
  // Waits on the clock's progress, not on time. Once the pending stops have come due (the
  // loaded set has a quantum of 384 ticks), a launch still plays at the following quantum.
  auto waitTicks = [&](int n) {
    const int from = ticks.load();
    while (ticks.load() < from + n) std::this_thread::yield();
  };
  waitTicks(800);
  {
    auto lock = rig.core->Master().Lock();
    rig.core->Master().Track(0)->LaunchScene(0);
  }
  waitTicks(800);
  stop = true;
  clock.join();
  EXPECT_EQ(rig.Seq(0).Current(), 0);
}

}  // namespace
