// The shared page fixtures themselves: the placeholder pictures load at their sizes through
// the toolkit's own reader, a clip set read from a small text reaches the clips the pages
// edit, and the voice record a test fills is the one a page reads.
#include <gtest/gtest.h>

#include "engine/VoiceStatus.h"
#include "tests/app/PageFixtures.h"
#include "tests/app/PageRig.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxPanelCtrl.h"

namespace {

TEST(PageFixtures, EveryPlaceholderLoadsAtItsSize) {
  page_rig::ImageRoot images;
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  ASSERT_EQ(dc.Init(), 0);
  for (const page_rig::PlaceholderImage& image : page_rig::kPageImages) {
    SCOPED_TRACE(image.name);
    tImage loaded;
    ASSERT_TRUE(dc.getImageRef(dc.loadImage(image.name), &loaded));
    EXPECT_EQ(loaded.width, image.width);
    EXPECT_EQ(loaded.height, image.height);
  }
}

TEST(PageFixtures, ClipSetFromTextAndBack) {
  testing_support::TempDataRoot root;
  page_rig::ClipRig::MakeClipsFolder(root);
  page_rig::ClipRig clips;
  EXPECT_GT(clips.LoadText("small",
                           "<LAUNCHER SynthType=\"PX415\" Version=\"1\"><MASTER bpm=\"98\" qn2c=\"16\">"
                           "<INSTRUMENT Type=\"internal\" Track=\"1\">"
                           "<CLIP Nr=\"0\" SubType=\"Arpeggiator\" Name=\"riff\" QN=\"16\">"
                           "<ARP RestartMode=\"1\" KeySubstitute=\"2\" OrderAlgo=\"3\" OpMode=\"4\" "
                           "StepCount=\"24\" Factor=\"12\" GateWidth=\"40.000\">"
                           "<ASTEP Pos=\"17\" Key=\"6\" Mode=\"3\" Octave=\"-2\" Semitone=\"11\" Velocity=\"124\" "
                           "CVA=\"1\" CVB=\"2\" CVC=\"3\"></ASTEP>"
                           "</ARP></CLIP></INSTRUMENT></MASTER></LAUNCHER>"),
            0);
  EXPECT_EQ(clips.core.Master().bpm.load(), 98);
  ASSERT_NE(clips.Seq(1), nullptr);
  EXPECT_EQ(clips.Seq(0), nullptr);
  const ClipData& c = clips.Clip(1, 0);
  EXPECT_EQ(c.name, "riff");
  EXPECT_EQ(c.StepCount, 24);
  EXPECT_EQ(c.OpMode, 4);
  EXPECT_EQ(c.steps[17].Semitone, 11);
  EXPECT_EQ(c.steps[17].Octave, -2);
  EXPECT_NE(clips.StoreText("again").find("<ASTEP Pos=\"17\" Key=\"6\" Mode=\"3\" Octave=\"-2\" Semitone=\"11\" "
                                          "Velocity=\"124\" CVA=\"1\" CVB=\"2\" CVC=\"3\">"),
            std::string::npos);

  clips.PutPlain(2);
  EXPECT_EQ(clips.Seq(2), nullptr);
  EXPECT_NE(clips.core.Master().Track(2), nullptr);
}

TEST(PageFixtures, TheVoiceRecordATestFillsIsTheOneThePageReads) {
  page_rig::PageRig<uxPanelCtrl> rig;
  rig.services.voices[2].envelope[1].level.store(0.25f);
  const auto* voice = static_cast<const VoiceStatus*>(rig.services.VoiceMonitor(2));
  ASSERT_NE(voice, nullptr);
  EXPECT_EQ(voice->envelope[1].level.load(), 0.25f);
  EXPECT_EQ(rig.services.VoiceMonitor(CAudioProcess::kParts), nullptr);
  EXPECT_EQ(rig.services.VoiceMonitor(-1), nullptr);
}

}  // namespace
