// The drum page after a kit load: each pad that the kit names a sample for gets that file
// from the drum-kit wave folder, loaded into the buffer the player is not playing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "data/CDataSetSampler.h"
#include "data/SampleFile.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/drum/appVA_DrumSampler.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxDC.h"

namespace {

class DrumPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dc.Init(), 0);
    gui = std::make_unique<GUIManager>(&dc, midi);
    page = std::make_unique<appVA_DrumSampler>(gui.get(), 0, "PANEL_DRUM", uxPOINT(0, 40), 800, 440, 0x303030);
  }
  // A mono 16-bit file of `frames` frames, sample n = n / frames, in the kit folder.
  void WriteWave(const std::string& name, int frames) {
    SampleFile s;
    s.Resize(1, frames);
    for (int n = 0; n < frames; ++n) s.Channel(0)[n] = static_cast<float>(n) / static_cast<float>(frames);
    std::vector<uint8_t> bytes;
    ASSERT_GT(s.EncodeWave(bytes), 0u);
    root.MakeDir(std::string(appVA_DrumSampler::kWaveFolder) + "Kit");
    FILE* f = std::fopen(platform::DataPath(std::string(appVA_DrumSampler::kWaveFolder) + name + ".wav").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  void KitLoaded() {
    tagUX_Message msg(UX_MSG_VALUES_CHANGED, 4, -1);
    page->OnMessage(&msg);
  }

  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
  FakeRawMidiBackend midi;
  std::unique_ptr<GUIManager> gui;
  std::unique_ptr<appVA_DrumSampler> page;
};

TEST_F(DrumPage, AKitLoadGivesEachNamedPadItsFile) {
  WriteWave("Kit/kick", 300);
  WriteWave("Kit/snare", 200);
  CDataSetSampler& kit = gui->Arranger().Sampler();
  kit.SetPadSample(0, CDataSetSampler::kCtrlSample, 1, "Kit/kick");
  kit.SetPadSample(7, CDataSetSampler::kCtrlSample, 2, "Kit/snare");
  kit.SetPadSample(9, CDataSetSampler::kCtrlSample, 3, "Kit/missing");
  // A message of another kind loads nothing.
  tagUX_Message other(UX_MSG_VALUES_CHANGED, 10, 0);
  page->OnMessage(&other);
  EXPECT_EQ(page->PadSample(0), nullptr);

  KitLoaded();
  struct Case {
    int pad;
    int frames;  // 0: no sample
  } const cases[] = {{0, 300}, {7, 200}, {9, 0}, {1, 0}, {15, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pad);
    const SampleFile* s = page->PadSample(c.pad);
    if (c.frames == 0) {
      EXPECT_EQ(s, nullptr);
      continue;
    }
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Frames(), c.frames);
    EXPECT_NEAR(s->Channel(0)[c.frames / 2], 0.5f, 1e-4f);
  }
  EXPECT_NE(log.Text().find("DRUM pad 10: cannot load <" + platform::DataPath(appVA_DrumSampler::kWaveFolder) +
                            "Kit/missing.wav>\n"),
            std::string::npos)
      << log.Text();
  EXPECT_EQ(page->PadSample(-1), nullptr);
  EXPECT_EQ(page->PadSample(16), nullptr);

  // The next load goes to the other buffer: the one the player was given stays as it is.
  const SampleFile* first = page->PadSample(0);
  KitLoaded();
  EXPECT_NE(page->PadSample(0), first);
  EXPECT_EQ(page->PadSample(0)->Frames(), 300);
}

}  // namespace
