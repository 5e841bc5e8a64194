// The wavetable oscillator editor over the page rig and the real wavetable cache, with
// tables written into a temporary data root: the folder scan, the panel keys, the popup's
// spread preparation, the views, bad files and a shrinking folder, and its pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "data/WaveTable.h"
#include "pages/editors/modWTOsc.h"
#include "pages/widgets/uxMultiWaveView.h"
#include "pages/widgets/uxPopupWT.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/app/PageRig.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;

constexpr uint32_t kPartB = 0x10000;
constexpr int kPart = 1;
constexpr int kOsc2 = 1;
constexpr char kWaveDir[] = "/var/lib/ruv/working/wave/";
constexpr int kFrames = 256, kFrame = 2048;

void Put16(std::ofstream& f, uint16_t v) { f.put(static_cast<char>(v & 0xFF)).put(static_cast<char>(v >> 8)); }
void Put32(std::ofstream& f, uint32_t v) { Put16(f, v & 0xFFFF), Put16(f, v >> 16); }

// A mono 16-bit WAV; `keep` below the whole size cuts the file short.
void WriteWav(const std::string& path, const std::vector<int16_t>& samples, std::size_t keep = SIZE_MAX) {
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  std::ofstream f(path, std::ios::binary);
  f.write("RIFF", 4), Put32(f, 36 + data), f.write("WAVEfmt ", 8), Put32(f, 16), Put16(f, 1), Put16(f, 1);
  Put32(f, 48000), Put32(f, 96000), Put16(f, 2), Put16(f, 16), f.write("data", 4), Put32(f, data);
  for (std::size_t i = 0; i < samples.size() && 44 + 2 * i < keep; ++i) Put16(f, static_cast<uint16_t>(samples[i]));
}

// 256 frames morphing from a sine (frame 0) to a saw (frame 255).
std::vector<int16_t> SineToSaw() {
  std::vector<int16_t> s(static_cast<std::size_t>(kFrames) * kFrame);
  for (int f = 0; f < kFrames; ++f)
    for (int j = 0; j < kFrame; ++j) {
      const double x = static_cast<double>(j) / kFrame, m = static_cast<double>(f) / (kFrames - 1);
      const double v = (1.0 - m) * std::sin(2.0 * M_PI * x) + m * (2.0 * x - 1.0);
      s[static_cast<std::size_t>(f) * kFrame + static_cast<std::size_t>(j)] = static_cast<int16_t>(v * 30000.0);
    }
  return s;
}

class WavetableEditor : public ::testing::Test {
 protected:
  void SetUp() override { dir = root.MakeDir(kWaveDir); }
  modWTOsc& Build() {
    return rig.Build(kPartB | static_cast<uint32_t>(kOsc2) << 12, "OSC", uxPOINT(0, 40), 800, 440, uxCOLOR(0x303030));
  }
  void Table(const std::string& name) { WriteWav(dir + "/" + name, SineToSaw()); }
  void Panel(int canId, float value, int part = kPart) {
    tagUX_Message msg(EN_MSG_SET_VALUE, canId, part);
    msg.pData = &value;
    rig.Give(msg);
  }
  void Key(float value) { Panel(modWTOsc::kKeyId + 16 * kOsc2, value); }
  void Encoder(int code) { rig.Give(tagUX_Message(UX_MSG_ENCODER_EVENT, 148, code)); }
  std::vector<std::string> Calls(const std::string& prefix = "") {
    std::vector<std::string> out;
    for (const std::string& line : rig.services.Take())
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }

  testing_support::TempDataRoot root;
  std::string dir;
  PageRig<modWTOsc> rig;
};

using Names = std::vector<std::string>;

TEST_F(WavetableEditor, TheScanListsTablesByByteOrderBehindOff) {
  EXPECT_EQ(Build().Names(), Names{"[OFF]"});
  EXPECT_EQ(rig.page().ScanWavetables(), 0);
  for (const char* f : {"b.wav", "A.wav", "a.wav", "c.txt", "my.kick.wav"}) WriteWav(dir + "/" + f, {0, 1});
  EXPECT_EQ(rig.page().ScanWavetables(), 0);
  // Only the last extension goes: "my.kick" stays itself.
  EXPECT_EQ(rig.page().Names(), (Names{"[OFF]", "A", "a", "b", "my.kick"}));
}

TEST_F(WavetableEditor, BrowsingStopsAtTheEndsButResendsAndRestartsTheRestore) {
  Table("a.wav");
  Build();
  rig.services.Take();
  struct Case { float key; int index; const char* text; };
  for (const Case& c : {Case{3, 0, "[OFF]"}, Case{2, 1, "a"}, Case{2, 1, "a"}, Case{3, 0, "[OFF]"}}) {
    Key(c.key);
    EXPECT_EQ(rig.page().BrowseIndex(), c.index);
    EXPECT_EQ(Calls(), (Names{std::string("sendPanelText 315 1 ") + c.text + " alt"}));
  }
  for (int t = 0; t < 49; ++t) rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_TRUE(Calls("sendPanelText").empty());
  rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_EQ(Calls("sendPanelText"), Names{"sendPanelText 315 1 [OFF]"});
}

TEST_F(WavetableEditor, LoadAnalysesEveryVariantStoresAndHandsOnTheTable) {
  Table("sweep.wav");
  modWTOsc& page = Build();
  Key(2);
  rig.services.Take();
  Key(4);
  EXPECT_EQ(Calls(), (Names{"sendPanelText 315 1 sweep", "StoreSamplePCM16 11000 sweep 524288",
                            "sendPanelText 315 1 sweep", "SetWavetableData 11000 1 sweep"}));
  EXPECT_EQ(page.Caption(), "WAVE-TABLE [sweep]");
  const WaveTable* table = rig.services.waveTables.Find("sweep");
  ASSERT_NE(table, nullptr);
  for (int i = 0; i < WaveTable::kVariants; ++i) ASSERT_EQ(table->Variant(i).bins, WaveTable::kSize) << i;
  ASSERT_EQ(rig.services.storedSamples.size(), 524288u);
  EXPECT_FLOAT_EQ(rig.services.storedSamples[512], table->RawSamples()[512]);

  // Back to none.
  Key(3);
  Key(4);
  const Names calls = Calls();
  EXPECT_EQ(page.Caption(), "WAVE-TABLE [OFF]");
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetWavetableData 11000 1 null"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "StoreSamplePCM16 11000 [OFF] 0"), calls.end());
}

TEST_F(WavetableEditor, MuteOnlyShowsTheMuteTextAndUnisonWraps) {
  Table("a.wav");
  modWTOsc& page = Build();
  Key(2);
  Panel(modWTOsc::kTextId + 16, 7);
  EXPECT_TRUE(page.Muted());
  rig.services.Take();
  Key(4);
  Key(2);
  EXPECT_EQ(Calls(), (Names{"sendPanelText 315 1     <MUTE>  ", "sendPanelText 315 1 a alt"}));
  EXPECT_EQ(page.Caption(), "WAVE-TABLE [OFF]");
  Panel(modWTOsc::kTextId + 16, 7);
  EXPECT_EQ(Calls("ValueChanged"), Names{"ValueChanged 1120D 6 0"});

  page.ApplyLabelValue(26, 13.0f);
  rig.services.Take();
  Panel(modWTOsc::kTextId + 16, 8);
  EXPECT_EQ(page.ValueLabel(modWTOsc::kUnison)->GetFloatRawValue(), 0.0f);
  EXPECT_EQ(Calls("sendPanelEnum"), Names{"sendPanelEnum 316 1 0"});
}

TEST_F(WavetableEditor, AnUnreadableTableChangesNothing) {
  WriteWav(dir + "/cut.wav", SineToSaw(), 44 + 1000);  // less than one frame
  std::ofstream(dir + "/junk.wav") << "not a wave file";
  modWTOsc& page = Build();
  for (int browse : {1, 2}) {
    Key(2);
    ASSERT_EQ(page.BrowseIndex(), browse);
    rig.services.Take();
    Key(4);
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(page.Caption(), "WAVE-TABLE [OFF]");
    EXPECT_EQ(page.CurrentIndex(), 0);
  }
  // Nor does the popup open on it.
  rig.services.Take();
  Encoder(130);
  rig.services.PopupTimer(popupWT).store(100);
  Encoder(130);
  EXPECT_TRUE(Calls("ShowWavetablePopup").empty());
}

TEST_F(WavetableEditor, ThePopupPreparesOverEightTicksAndTheNinthHandsOn) {
  Table("a.wav");
  Table("b.wav");
  modWTOsc& page = Build();
  rig.Show();
  rig.services.PopupTimer(popupValue).store(5);
  Encoder(130);
  EXPECT_TRUE(Calls("ShowWavetablePopup").empty()) << "another popup counts down";
  rig.services.PopupTimer(popupValue).store(0);
  Encoder(130);  // opens on the current entry
  Encoder(130);
  Encoder(130);
  EXPECT_EQ(Calls("ShowWavetablePopup"),
            (Names{"ShowWavetablePopup [OFF] null", "ShowWavetablePopup a table", "ShowWavetablePopup b table"}));
  auto* popup = static_cast<uxPopupWT*>(rig.services.PopupWT());

  Encoder(132);
  EXPECT_EQ(page.Counter(), 0);
  rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  Encoder(131);  // a new choice restarts with the other table
  Encoder(132);
  EXPECT_EQ(page.Counter(), 0);
  for (int tick = 1; tick <= 8; ++tick) {
    rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
    EXPECT_EQ(page.Counter(), 32 * tick);
    EXPECT_EQ(popup->ProgressValue(), 32.0f * tick);
    EXPECT_EQ(rig.services.PopupTimer(popupWT).load(), 10);
  }
  EXPECT_TRUE(Calls("SetWavetableData").empty());
  rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_EQ(page.Counter(), modWTOsc::kIdle);
  EXPECT_EQ(Calls("SetWavetableData"), Names{"SetWavetableData 11000 1 a"});
  EXPECT_EQ(page.Caption(), "WAVE-TABLE [a]");
  const WaveTable* a = rig.services.waveTables.Find("a");
  for (int i = 0; i < WaveTable::kVariants; ++i) ASSERT_EQ(a->Variant(i).bins, WaveTable::kSize) << i;
}

// Browsing on to a file that does not load, while the table taken before it is prepared,
// leaves the taken table's name in the caption (it used to take the name browsed to).
TEST_F(WavetableEditor, ARefusedFileBrowsedToWhileATableIsPreparedKeepsTheTakenName) {
  Table("a.wav");
  std::ofstream(dir + "/junk.wav") << "not a wave file";
  modWTOsc& page = Build();
  rig.Show();
  rig.services.Take();
  Encoder(130);  // opens on the current entry
  Encoder(130);
  Encoder(132);  // takes "a"
  Encoder(130);  // on to "junk", which shows no preview
  for (int tick = 0; tick < 12 && page.Counter() != modWTOsc::kIdle; ++tick)
    rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_EQ(page.Counter(), modWTOsc::kIdle);
  EXPECT_EQ(page.Caption(), "WAVE-TABLE [a]");
  EXPECT_EQ(Calls("SetWavetableData"), Names{"SetWavetableData 11000 1 a"});
}

TEST_F(WavetableEditor, ARescanThatShrinksTheListKeepsIndicesInside) {
  for (const char* f : {"a.wav", "b.wav", "c.wav"}) Table(f);
  modWTOsc& page = Build();
  for (int i = 0; i < 3; ++i) Key(2);
  Key(4);
  ASSERT_EQ(page.CurrentIndex(), 3);
  std::remove((dir + "/c.wav").c_str());
  std::remove((dir + "/b.wav").c_str());
  rig.Give(tagUX_Message(283));
  EXPECT_EQ(page.Names(), (Names{"[OFF]", "a"}));
  EXPECT_EQ(page.CurrentIndex(), 1);
  EXPECT_EQ(page.BrowseIndex(), 1);
  EXPECT_EQ(page.CurrentName(), "c") << "the loaded table stays";
  rig.services.Take();
  Key(2);
  EXPECT_EQ(Calls(), Names{"sendPanelText 315 1 a alt"});
  // A name still listed is found again at its new place.
  Table("0.wav");
  Key(4);
  rig.Give(tagUX_Message(283));
  EXPECT_EQ(page.CurrentIndex(), 2);
}

TEST_F(WavetableEditor, TheBendCurveIsTheOscillatorsPhaseBend) {
  struct Case { float q, b, expected; };
  for (const Case& c : {Case{0.3f, 0.0f, 0.3f}, Case{0.5f, 1.0f, std::pow(0.5f, 50.0f)},
                        Case{0.5f, 0.5f, std::pow(0.5f, 1.0f / 0.52f)},
                        Case{0.5f, -0.5f, 1.0f - std::pow(0.5f, 1.0f / 0.52f)},
                        Case{0.25f, -1.0f, 1.0f - std::pow(0.75f, 50.0f)}, Case{1.0f, 0.7f, 1.0f},
                        Case{0.0f, -0.7f, 0.0f}})
    EXPECT_NEAR(modWTOsc::BendCurve(c.q, c.b), c.expected, 1e-6f) << c.q << " " << c.b;
}

TEST_F(WavetableEditor, TheViewsFollowTheVoice) {
  modWTOsc& page = Build();
  rig.Show();
  std::vector<float> block(600);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<float>(i) / 600.0f;
  VoiceStatus::Oscillator& osc = rig.services.voices[kPart].oscillator[kOsc2];
  osc.frequency = 110.0f;
  osc.position = 0.5f;
  osc.table = block.data();
  osc.length = 600;
  struct Case { float position; int live; };
  for (const Case& c : {Case{0.5f, 128}, Case{-0.2f, 255}, Case{1.7f, 0}, Case{0.0f, 255}}) {
    osc.position = c.position;
    page.OnPaint();
    EXPECT_EQ(page.View3D()->WaveB(), c.live) << c.position;
  }
  struct Pos { float value; int variant; };
  for (const Pos& p : {Pos{-5.0f, 0}, Pos{300.0f, 255}, Pos{77.0f, 77}}) {
    page.ApplyLabelValue(1, p.value);
    EXPECT_EQ(page.View3D()->WaveA(), p.variant);
  }

  // One press of either view swaps them once.
  for (int id : {60, 61, 60}) {
    const int before = page.ViewMode();
    rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, id, 0));
    rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, id, 0));
    EXPECT_EQ(page.ViewMode(), 1 - before);
    EXPECT_EQ(page.View2D()->isEnabled(), page.ViewMode() == 1);
    EXPECT_EQ(page.View3D()->isEnabled(), page.ViewMode() == 0);
    rig.Give(tagUX_Message(UX_MSG_OFF_BUTTON, id, 0));
  }
  ASSERT_EQ(page.ViewMode(), 1);
  osc.position = 0.25f;
  page.OnPaint();
  EXPECT_EQ(page.View2D()->TopRight(), "110.000000 Hz");
  EXPECT_EQ(page.View2D()->TopLeft(), "25.000000 %");
  const uxScopeView::Point* points = page.View2D()->Points();
  for (int i : {0, 1, 300, 578})
    EXPECT_FLOAT_EQ(points[i].a, 0.48f + block[static_cast<std::size_t>(i * 600 / 579)] * 0.05f) << i;
  EXPECT_EQ(page.CursorText(579), std::string("9.090909 ms"));
}

TEST_F(WavetableEditor, GoldenPictures) {
  Table("sweep.wav");
  struct Case { const char* name; float bend; };
  for (const Case& c : {Case{"wavetable_bend_m50", -50.0f}, Case{"wavetable_bend_0", 0.0f},
                        Case{"wavetable_bend_p50", 50.0f}}) {
    modWTOsc& page = Build();
    rig.Show();
    Key(2);
    Key(4);
    page.ApplyLabelValue(1, 60.0f);
    page.ApplyLabelValue(28, c.bend);
    rig.Paint();
    EXPECT_TRUE(toolkit_test::MatchesGolden(c.name, rig.Screen())) << c.name;
  }
  Build();
  rig.Show();
  rig.Paint();
  Encoder(130);
  Encoder(130);
  rig.services.PopupWT()->OnPaint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("wavetable_popup", rig.Screen()));
}

}  // namespace
