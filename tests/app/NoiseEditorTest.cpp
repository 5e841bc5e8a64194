// The noise sample editor over the page rig and the real sample cache, with the system's
// own test WAVs and a multi-sample set written by the data layer: the folder scan and its
// table, loads by panel keys and table, the views of samples and voice regions, bad files,
// names with several dots, the preset-only sample and the front panel's keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "pages/editors/modNoise.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/app/PageRig.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;
using Names = std::vector<std::string>;

constexpr uint32_t kPartC = 0x20000;
constexpr int kPart = 2;
constexpr char kNoiseDir[] = "/var/lib/ruv/working/wave/noises";
constexpr char kAlsa[] = "/usr/share/sounds/alsa/";

// A stereo sample: left a rising ramp, right a falling one, with a loop at 250..750.
std::unique_ptr<SampleFile> Ramps(int frames, bool loop) {
  auto s = std::make_unique<SampleFile>();
  s->Resize(2, frames);
  for (int i = 0; i < frames; ++i) {
    s->Channel(0)[i] = static_cast<float>(i) / static_cast<float>(frames);
    s->Channel(1)[i] = -static_cast<float>(i) / static_cast<float>(frames);
  }
  s->SetSampleRate(48000);
  s->SetBitDepth(16);
  if (loop) {
    s->Loop().chunkId = 0x6C706D73;
    s->Loop().loopStart = static_cast<uint32_t>(frames / 4);
    s->Loop().loopEnd = static_cast<uint32_t>(3 * frames / 4);
  }
  return s;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::size_t keep = SIZE_MAX) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(std::min(keep, bytes.size())));
}

class NoiseEditor : public ::testing::Test {
 protected:
  void SetUp() override { dir = root.MakeDir(kNoiseDir) + "/"; }
  modNoise& Build() { return rig.Build(kPartC, "NOISE", uxPOINT(0, 40), 800, 440, uxCOLOR(0x303030)); }
  void Alsa(const char* from, const std::string& to) { std::filesystem::copy_file(std::string(kAlsa) + from, dir + to); }
  void Wav(const std::string& name, int frames, bool loop) {
    std::vector<uint8_t> bytes;
    Ramps(frames, loop)->EncodeWave(bytes);
    WriteBytes(dir + name, bytes);
  }
  // Two items of 1000 frames and two regions: region 0 on item 0, panned left, region 1 on
  // item 1, panned right and looped at 100..300 within its 200..800.
  void Msw(const std::string& name, std::size_t keep = SIZE_MAX) {
    MultiWaveReader set;
    set.AddItem(Ramps(1000, false));
    set.AddItem(Ramps(1000, false));
    MswfRegion a, b;
    a.endFrame = 1000, a.pan = -50.0f;
    b.sampleIndex = 1, b.startFrame = 200, b.endFrame = 800, b.loopStart = 100, b.loopEnd = 300, b.loopMode = 3;
    b.pan = 50.0f;
    set.Regions() = {a, b};
    std::vector<uint8_t> bytes;
    ASSERT_GT(set.CreateStream(bytes, 1), 0u);
    WriteBytes(dir + name, bytes, keep);
  }
  void Panel(int canId, float value, int part = kPart) {
    tagUX_Message msg(EN_MSG_SET_VALUE, canId, part);
    msg.pData = &value;
    rig.Give(msg);
  }
  // Browses from none to `index` and loads it.
  void Load(int index) {
    for (int i = 0; i < index; ++i) Panel(modNoise::kNameId, 2);
    Panel(modNoise::kNameId, 4);
  }
  Names Calls(const std::string& prefix = "") {
    Names out;
    for (const std::string& line : rig.services.Take())
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }
  const char* RowText(int row, int column) {
    return static_cast<uxButton*>(rig.page().Table()->getRow(row)->getColumn(column))->GetText();
  }
  bool Flat(int view) {
    const uxScopeView::Point* p = rig.page().View(view)->Points();
    for (int i = 0; i < modNoise::kPoints; ++i)
      if (p[i].a != 0.4f || p[i].marks[0] != 0) return false;
    return true;
  }

  testing_support::TempDataRoot root;
  std::string dir;
  PageRig<modNoise> rig;
};

TEST_F(NoiseEditor, TheScanListsWavsAndSetsWithTheirTypes) {
  EXPECT_EQ(Build().Names(), Names{"[OFF]"});
  Alsa("Noise.wav", "a.wav");
  Msw("b.msw");
  Alsa("Front_Left.wav", "my.kick.wav");
  std::ofstream(dir + "c.txt") << "x";
  modNoise& page = Build();
  EXPECT_EQ(page.Names(), (Names{"[OFF]", "a.wav", "b.msw", "my.kick.wav"}));
  ASSERT_EQ(page.Table()->getRowCount(), 4);
  struct Row { int row; const char* number; const char* name; const char* type; uxCOLOR colour; };
  for (const Row& r : {Row{0, "01", "[OFF]", nullptr, 0xFFFFFF}, Row{1, "02", "a", "S", 0xFFFFFF},
                       Row{2, "03", "b", "M", 0x00FFFF}, Row{3, "04", "my.kick", "S", 0xFFFFFF}}) {
    EXPECT_STREQ(RowText(r.row, 0), r.number);
    EXPECT_STREQ(RowText(r.row, 1), r.name);
    EXPECT_EQ(static_cast<uxButton*>(page.Table()->getRow(r.row)->getColumn(1))->GetColor(ButtonTextColor), r.colour);
    if (r.type != nullptr) EXPECT_STREQ(RowText(r.row, 2), r.type);
    else EXPECT_EQ(page.Table()->getRow(r.row)->getColumnCount(), 2);
  }
}

TEST_F(NoiseEditor, AWavLoadsIntoThePartAndDrawsBothChannels) {
  Wav("ramp.wav", 3800, true);
  Alsa("Front_Left.wav", "my.kick.wav");
  modNoise& page = Build();
  rig.services.Take();
  Load(2);
  EXPECT_EQ(Calls("Set"), (Names{"SetSampleName 20002 ramp 0", "SetSampleData 20000 1 ramp sample"}));
  EXPECT_EQ(page.Caption(), "[ramp]");
  EXPECT_FALSE(page.ValueLabel(modNoise::kMode)->isGrayed());
  EXPECT_FALSE(page.ValueLabel(modNoise::kPan)->isGrayed());
  // g = 10 frames a point; the loop 950..2850 marks points 96..284.
  for (int v : {0, 1}) {
    const uxScopeView::Point* p = page.View(v)->Points();
    for (int i : {0, 1, 200, 378})
      EXPECT_NEAR(p[i].a, 0.4f + (v == 0 ? 1.0f : -1.0f) * static_cast<float>(i * 10) / 3800.0f * 0.6f, 1e-4f) << i;
    for (int i : {95, 285}) EXPECT_EQ(p[i].marks[0], 0) << i;
    for (int i : {96, 284}) EXPECT_EQ(p[i].marks[0], 1) << i;
  }
  // Several dots: listed and loaded as itself.
  Panel(modNoise::kNameId, 3);
  Panel(modNoise::kNameId, 4);
  EXPECT_EQ(Calls("SetSampleData"), Names{"SetSampleData 20000 1 my.kick sample"});

  // Back to none.
  Panel(modNoise::kNameId, 3);
  Panel(modNoise::kNameId, 4);
  EXPECT_EQ(Calls("C"), Names{"ClearWaveData 20000 0"});
  EXPECT_EQ(page.Caption(), "[OFF]");
  EXPECT_TRUE(Flat(0) && Flat(1));
}

TEST_F(NoiseEditor, ASetShowsProgressGreysModeAndPanAndDrawsVoiceRegions) {
  Msw("set.msw");
  modNoise& page = Build();
  rig.Show();
  rig.services.Take();
  Load(1);
  EXPECT_EQ(Calls(), (Names{"sendPanelText 324 2 set alt", "ShowProgress Load Sample set", "SetSampleName 20002 set 1", "HideProgress",
                            "SetSampleData 20000 1 set sample", "sendPanelText 324 2 set"}));
  EXPECT_TRUE(page.ValueLabel(modNoise::kMode)->isGrayed());
  EXPECT_TRUE(page.ValueLabel(modNoise::kPan)->isGrayed());
  ASSERT_NE(page.Current(), nullptr);

  RegionDisplay& display = rig.services.voices[kPart].noise;
  struct Case { int left, right; bool leftDrawn, rightDrawn; };
  // Region 0 pans left and region 1 right; a region past the table draws nothing.
  for (const Case& c : {Case{7, 9, false, false}, Case{0, -1, true, false}, Case{1, -1, false, true}}) {
    page.View(0)->SetTexts("", "LEFT", "");
    page.View(1)->SetTexts("", "RIGTH", "");
    display.regionIndex[0] = c.left, display.regionIndex[1] = c.right, display.ratio = 0.5f, display.shown = 0;
    rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
    EXPECT_EQ(display.shown.load(), 1);
    EXPECT_EQ(!page.View(0)->TopRight().empty(), c.leftDrawn) << c.left;
    EXPECT_EQ(!page.View(1)->TopRight().empty(), c.rightDrawn) << c.left;
  }
  EXPECT_EQ(page.View(1)->TopRight(), "Rgn:1 Smp:1 Ratio:0.500000");
  // Region 1: from frame 200, 600/380 frames a point, loop points strictly inside 63.3..190.
  const uxScopeView::Point* p = page.View(1)->Points();
  EXPECT_NEAR(p[0].a, 0.4f - 0.2f * 0.6f, 1e-4f);
  for (int i : {63, 190}) EXPECT_EQ(p[i].marks[0], 0) << i;
  for (int i : {64, 189}) EXPECT_EQ(p[i].marks[0], 1) << i;
}

TEST_F(NoiseEditor, RegionsPastTheSampleDrawFlatNeverOutside) {
  Build();
  auto sample = Ramps(100, false);
  MswfRegion region;
  struct Case { uint32_t start, end; };
  for (const Case& c : {Case{500, 900}, Case{90, 20}, Case{50, 5000}}) {
    region.startFrame = c.start, region.endFrame = c.end;
    rig.page().DrawSample(sample.get(), &region, 0, nullptr);
    const uxScopeView::Point* p = rig.page().View(0)->Points();
    for (int i = 0; i < modNoise::kPoints; ++i) {
      ASSERT_GE(p[i].a, 0.4f) << c.start;
      ASSERT_LE(p[i].a, 1.0f) << c.start;
    }
  }
  region.startFrame = 500, region.endFrame = 900;
  rig.page().DrawSample(sample.get(), &region, 0, nullptr);
  EXPECT_TRUE(Flat(0) && Flat(1));
}

// A refused file leaves the part's sample, and the page goes on showing that one: its name in
// the caption, on the panel and as the table's row (the caption used to take the refused name).
TEST_F(NoiseEditor, BadFilesLogAnErrorAndLeaveThePartsSample) {
  std::vector<uint8_t> wav;
  Ramps(1000, false)->EncodeWave(wav);
  WriteBytes(dir + "cut.wav", wav, 30);
  Msw("cut.msw", 60);
  Wav("good.wav", 1000, false);
  modNoise& page = Build();
  rig.Show();
  Load(3);
  ASSERT_EQ(page.Caption(), "[good]");
  struct Case { int index; const char* log; };
  for (const Case& c : {Case{1, "ERROR: Load multi sample file cut\n"}, Case{2, "ERROR: Load sample file cut\n"}}) {
    SCOPED_TRACE(c.index);
    rig.services.Take();
    testing_support::LogCapture log;
    for (int k = 0; k < 4; ++k) Panel(modNoise::kNameId, 3);
    Load(c.index);
    EXPECT_NE(log.Text().find(c.log), std::string::npos) << log.Text();
    EXPECT_EQ(page.Caption(), "[good]");
    EXPECT_EQ(page.Selection(), 3);
    const Names calls = Calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& l) { return l.rfind("SetSample", 0) == 0; }), 0);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "sendPanelText 324 2 good");
    EXPECT_FALSE(page.ValueLabel(modNoise::kMode)->isGrayed());
    // From the table: "Selecting..." while the touch lasts, then the loaded sample again.
    page.Table()->selectRow(c.index);
    rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, 0, 5));
    rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, 0, 0));
    EXPECT_EQ(page.Caption(), "[good]");
    EXPECT_EQ(page.Table()->getSelection(), 3);
    EXPECT_EQ(page.Selection(), 3);
    EXPECT_TRUE(Calls("SetSample").empty());
  }
}

TEST_F(NoiseEditor, APresetSampleOutsideTheFolderIsShownAsPresetOnly) {
  Alsa("Noise.wav", "a.wav");
  modNoise& page = Build();
  rig.services.sampleNames[0x20002] = "gone";
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
  EXPECT_STREQ(page.PresetButton()->GetText(), "PS:gone");
  EXPECT_TRUE(page.PresetButton()->isChecked());
  EXPECT_EQ(page.Caption(), "gone");
  EXPECT_EQ(page.Selection(), -1);
  EXPECT_EQ(Calls("sendPanelText 324"), Names{"sendPanelText 324 2 gone"});
  // A listed name selects its row and clears the preset-only state.
  rig.services.sampleNames[0x20002] = "a";
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 2, 0));
  EXPECT_EQ(page.Selection(), 1);
  EXPECT_EQ(page.Caption(), "[a]");
  EXPECT_FALSE(page.PresetButton()->isChecked());
  EXPECT_TRUE(page.PresetOnlyName().empty());
}

TEST_F(NoiseEditor, PanelKeysWrapAndBrowseFromNone) {
  modNoise& page = Build();
  Panel(modNoise::kNameId, 2);
  EXPECT_EQ(page.BrowseIndex(), 0) << "only [OFF]";
  Alsa("Noise.wav", "a.wav");
  rig.Give(tagUX_Message(283));
  Panel(modNoise::kNameId, 3);
  Panel(modNoise::kNameId, 3);
  rig.services.Take();
  for (int t = 0; t < 50; ++t) rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_EQ(page.BrowseIndex(), -1);
  Panel(modNoise::kNameId, 2);
  EXPECT_EQ(page.BrowseIndex(), 1);
  EXPECT_EQ(Calls("sendPanelText 324"), (Names{"sendPanelText 324 2 ", "sendPanelText 324 2 a alt"}));

  struct Case { int id; int label; float from; const char* text; };
  for (const Case& c : {Case{modNoise::kModeId, modNoise::kMode, 2, "REPEAT"},
                        Case{modNoise::kFreqTrgId, modNoise::kFreqTrg, 1, "MAN"}}) {
    page.ApplyLabelValue(c.label == modNoise::kMode ? 8 : 16, c.from);
    rig.services.Take();
    Panel(c.id, 1);
    EXPECT_EQ(page.ValueLabel(c.label)->GetFloatRawValue(), 0.0f);
    EXPECT_EQ(Calls("sendPanelText"), Names{"sendPanelText " + std::to_string(c.id) + " 2 " + c.text});
  }
  rig.Give(tagUX_Message(UX_MSG_FOCUS, 1, 0));
  EXPECT_EQ(Calls("sendCANFocus"), Names{"sendCANFocus 6"});
}

TEST_F(NoiseEditor, ARescanFindsTheChoiceAgainAndKeepsIndicesInside) {
  for (const char* f : {"a.wav", "b.wav", "c.wav"}) Alsa("Noise.wav", f);
  modNoise& page = Build();
  Load(3);
  Panel(modNoise::kNameId, 2);
  ASSERT_EQ(page.Selection(), 3);
  std::remove((dir + "a.wav").c_str());
  rig.Give(tagUX_Message(283));
  EXPECT_EQ(page.Selection(), 2) << "c.wav moved up";
  EXPECT_EQ(page.BrowseIndex(), 2);
  std::remove((dir + "c.wav").c_str());
  rig.Give(tagUX_Message(283));
  EXPECT_EQ(page.Selection(), -1) << "c.wav went";
  EXPECT_EQ(page.BrowseIndex(), 1);
  rig.services.Take();
  for (int t = 0; t < 50; ++t) rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  Panel(modNoise::kNameId, 2);
  Panel(modNoise::kNameId, 4);
  EXPECT_EQ(Calls("SetSampleData"), Names{"SetSampleData 20000 1 b sample"});
}

TEST_F(NoiseEditor, ATableChoiceLogsItsFlagAndLoads) {
  Alsa("Noise.wav", "a.wav");
  modNoise& page = Build();
  rig.Show();
  page.Table()->selectRow(1);
  testing_support::LogCapture log;
  rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, 0, 5));
  EXPECT_EQ(page.Caption(), "Selecting...");
  rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, 0, 132));
  EXPECT_NE(log.Text().find("select flag 05\nselect flag 84\n"), std::string::npos) << log.Text();
  EXPECT_EQ(page.Selection(), 1);
  EXPECT_EQ(page.Caption(), "[a]");
}

TEST_F(NoiseEditor, GoldenLoopedSample) {
  Wav("loop.wav", 3800, true);
  Build();
  rig.Show();
  Load(1);
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("noise_looped_sample", rig.Screen()));
}

}  // namespace
