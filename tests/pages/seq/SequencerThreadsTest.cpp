// The sequencer page edits and reads clips on the GUI thread while the clock plays them and a
// clip-set load swaps the track instruments: every page access holds the clip master's lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "pages/seq/appVA_Sequencer.h"
#include "tests/app/PageFixtures.h"
#include "tests/app/PageMessages.h"
#include "tests/app/PageRig.h"
#include "tests/support/LogCapture.h"
#include "toolkit/uxTabCtrl.h"

namespace {

TEST(SequencerThreads, EditsWhileTheClockPlaysAndASetLoads) {
  SeqStepBank = 0;
  page_rig::ImageRoot images;
  page_rig::ClipRig::MakeClipsFolder(images.root);
  testing_support::LogCapture log;
  page_rig::ClipRig clips;
  ASSERT_FALSE(clips.StoreText("set").empty());
  clips.PlayScene(0, 0);

  page_rig::PageRig<appVA_Sequencer> rig;
  rig.services.clips = &clips.core;
  appVA_Sequencer& page = rig.Build(0, " ARP A ", uxPOINT(0, 40), 800, 440, 0x303030);
  rig.Show();
  rig.Tick();

  std::atomic<bool> stop{false};
  std::thread clock([&] {
    for (int t = 0; !stop.load(); ++t) clips.core.OnClockTick(t % 384, 0);
  });
  std::thread loader([&] {
    for (int i = 0; i < 20 && !stop.load(); ++i) clips.core.XMLLoadClipLauncher("set");
  });
  for (int i = 0; i < 200; ++i) {
    const int tab = i % 9;
    page.Tabs()->setActiveTab(tab);
    rig.Show();
    rig.Touch(55, tab == 0 ? 170 + 35 * (i % 6) + 17 : 174 + (i % 5) * 7);
    rig.Flush();
    rig.Give(tagUX_Message(UX_MSG_ENCODER_EVENT, 148, page_msg::kTurnRight));
    rig.Give(page_msg::ValuesChanged(-1, i % 2 ? -1 : 0));
    rig.Tick();
  }
  stop.store(true);
  clock.join();
  loader.join();
  EXPECT_GE(SeqStepBank, 0);
  EXPECT_LE(SeqStepBank, 7);
}

}  // namespace
