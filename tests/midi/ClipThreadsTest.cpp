// The clock runs on its own thread while the GUI and host threads launch clips, feed keys,
// poll the controller and replace the whole clip set: no instrument is used after it is
// deleted, and the clock keeps going.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/midi/ClipRig.h"
#include "tests/midi/ThreadProbe.h"
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

namespace {

// The clock's progress, for the blocking points below: each waits until the clock thread
// has ticked some more, and counts a wait the clock could not finish.
std::atomic<long> g_ticks{0};
std::atomic<int> g_pauses{0};
std::atomic<int> g_stalls{0};

void WaitForTheClock() {
  ++g_pauses;
  if (g_stalls.load() > 0) return;  // one stall is enough to fail
  const long from = g_ticks.load();
  // The time-out only ends a stalled test; the check is the count of ticks.
  if (!midi_test::WaitUntil([&] { return g_ticks.load() >= from + 50; }, std::chrono::seconds(10)))
    ++g_stalls;
}

void PauseForTheClock(unsigned) { WaitForTheClock(); }

// Writes through, pausing inside the document for the clock now and then.
class PausingWrites : public XmlWriterFileOps {
 public:
  std::size_t Write(std::FILE* file, const char* data, std::size_t count) override {
    if (++calls % 200 == 0) WaitForTheClock();
    return XmlWriterFileOps::Write(file, data, count);
  }
  long calls = 0;
};

struct RunningClock {
  explicit RunningClock(Rig& rig) {
    g_ticks = 0;
    g_pauses = 0;
    g_stalls = 0;
    thread = std::thread([&rig, this] {
      for (int t = 1; !stop.load(); ++t) {
        rig.Tick(t);
        ++g_ticks;
      }
    });
  }
  ~RunningClock() {
    stop = true;
    thread.join();
  }
  std::atomic<bool> stop{false};
  std::thread thread;
};

// Holding the edit mutex (what a host send or a store does while it copies or writes) keeps
// the clips as they are but never stops the clock.
TEST(ClipLauncherThreads, TheClockTicksWhileTheEditMutexIsHeld) {
  Rig rig(nullptr);
  rig.out.countOnly = true;
  auto edit = rig.core->Master().EditLock();
  RunningClock clock(rig);
  EXPECT_TRUE(midi_test::WaitUntil([] { return g_ticks.load() >= 1000; }, std::chrono::seconds(10)));
}

// The controller's LED reset pauses between rows and a stored clip set can be megabytes:
// neither runs under the mutex the clock takes, so the clock ticks on in the middle of each.
TEST(ClipLauncherThreads, TheClockTicksThroughLedResetsAndStores) {
  testing_support::TempDataRoot root;
  root.MakeDir("/var/lib/ruv/working/clips/");
  Rig rig("Launchpad Pro MK3");
  rig.out.countOnly = true;
  PausingWrites writes;
  rig.core->SetFileOps(writes);
  ASSERT_NE(rig.core->Ctrl(), nullptr);
  rig.core->Ctrl()->SetSleep(&PauseForTheClock);
  {
    RunningClock clock(rig);
    ASSERT_EQ(rig.core->XMLStoreClipLauncher("song"), 1);
    EXPECT_GT(g_pauses.load(), 2);
    EXPECT_EQ(g_stalls.load(), 0) << "the clock stalled while the clip set was written";
  }
  {
    RunningClock clock(rig);
    EXPECT_GT(rig.core->XMLLoadClipLauncher("song"), 0);
    EXPECT_EQ(g_pauses.load(), 8);
    EXPECT_EQ(g_stalls.load(), 0) << "the clock stalled while the controller's LEDs were reset";
  }
}

}  // namespace
