// The filter editor alone over the page rig: its response against what a voice's filter does
// to sines, the flat "Bypass" and stored types out of range, the panel keys, linking, the
// cutoff table, the live captures and its pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/FilterSlot.h"
#include "engine/SynthVoice.h"
#include "engine/VoiceBuffers.h"
#include "numeric/MathTables.h"
#include "pages/editors/modFilter.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/app/PageRig.h"
#include "tests/support/AllocCounter.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;

constexpr uint32_t kPartC = 0x20000;
constexpr int kPart = 2;

// What a voice's filter does to a quiet sine at the frequency of response bin `bin`: the
// stored settings go through the voice's own parameter path (a voice without envelope,
// modulation or key tracking runs its filter at the stored cutoff), the sine runs through the
// voice's filter slot in its blocks until it has settled, and the gain is the amplitude of the
// output's component at that frequency over the sine's.
double VoiceGain(int type, float cutoff, float resoPercent, int bin) {
  initMathTables();
  VoiceControllers controllers;
  VoiceBuffers buffers(128);
  SynthVoice voice(0, &controllers, &buffers);
  voice.SetBlockSize(128);
  voice.SetSampleRate(48000);
  voice.InitRouting();
  voice.SetParam(false, 0, 773, static_cast<float>(type));
  voice.SetParam(false, 0, 768, cutoff);
  voice.SetParam(false, 0, 770, resoPercent);
  voice.ApplyParams();
  const SynthVoice::FilterSettings& settings = voice.settings().filter[0];
  FilterSlot& slot = voice.filter(0);
  slot.Reset();
  constexpr double kLevel = 0.01;
  constexpr int kSettle = 8192, kMeasure = modFilter::kImpulse;
  const double w = 2.0 * M_PI * bin / modFilter::kImpulse;
  float in[128], left[128], right[128];
  double re = 0.0, im = 0.0;
  for (int start = 0; start < kSettle + kMeasure; start += 128) {
    for (int i = 0; i < 128; ++i) in[i] = static_cast<float>(kLevel * std::sin(w * (start + i)));
    slot.Process(in, in, left, right, settings.cutoff, settings.resonance);
    if (start < kSettle) continue;
    for (int i = 0; i < 128; ++i) {
      re += left[i] * std::cos(w * (start + i));
      im += left[i] * std::sin(w * (start + i));
    }
  }
  return 2.0 * std::hypot(re, im) / kMeasure / kLevel;
}

class FilterEditor : public ::testing::Test {
 protected:
  modFilter& Build(int instance = 0, modFilter* linked = nullptr) {
    return rig.Build(kPartC | static_cast<uint32_t>(instance) << 12, "FILTER", uxPOINT(0, 40), 800, 440,
                     uxCOLOR(0), linked);
  }
  void Panel(int canId, float value, int part = kPart) {
    tagUX_Message msg(EN_MSG_SET_VALUE, canId, part);
    msg.pData = &value;
    rig.Give(msg);
  }
  std::vector<std::string> Calls(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : rig.services.Take())
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }
  float Bin(int j) { return rig.page().Response()->Points()[j].a; }
  // The gain the drawn point shows, within the view's range.
  static float Shown(double gain) { return modFilter::ViewLevel(static_cast<float>(gain)); }

  PageRig<modFilter> rig;
};

// The drawn response is the gain a voice's filter gives a sine, at every type and at the
// resonant peak: measured at every thirteenth bin and around the drawn maximum.
TEST_F(FilterEditor, TheResponseIsWhatTheVoicesFilterDoesToASine) {
  const struct {
    float cutoff, reso;
  } settings[] = {{1000.0f, 0.0f}, {1000.0f, 50.0f}, {2500.0f, 80.0f}, {400.0f, 30.0f}};
  for (int type = 1; type < modFilter::kTypes; ++type) {
    for (const auto& c : settings) {
      SCOPED_TRACE(testing::Message() << "type " << type << " cutoff " << c.cutoff << " reso " << c.reso);
      modFilter& page = Build();
      page.SetParamValue(8, c.cutoff);
      page.SetParamValue(0, c.reso);
      page.SetParamValue(16, static_cast<float>(type));
      int peak = 1;
      for (int j = 1; j < modFilter::kBins; ++j)
        if (Bin(j) > Bin(peak)) peak = j;
      std::vector<int> bins = {peak - 1, peak, peak + 1};
      for (int j = 1; j < modFilter::kBins; j += 13) bins.push_back(j);
      for (int j : bins) {
        if (j < 1 || j >= modFilter::kBins) continue;
        const double gain = VoiceGain(type, c.cutoff, c.reso, j);
        ASSERT_NEAR(Bin(j), Shown(gain), 0.002 * Shown(1.0) + 0.01 * Shown(gain))
            << "bin " << j << " (" << j * 48000.0 / 1024 << " Hz), gain " << gain;
      }
    }
  }
}

// The preview starts from silence every time: a plot does not depend on the one before it.
TEST_F(FilterEditor, EachPlotStartsFromAFreshFilter) {
  modFilter& fresh = Build();
  fresh.SetParamValue(0, 80.0f);
  fresh.SetParamValue(16, 3.0f);
  std::vector<float> expected;
  for (int j = 0; j < modFilter::kBins; ++j) expected.push_back(Bin(j));
  modFilter& page = Build();
  page.SetParamValue(0, 80.0f);
  for (int type : {2, 3, 1, 3}) page.SetParamValue(16, static_cast<float>(type));
  page.PlotResponse();
  for (int j = 0; j < modFilter::kBins; ++j) ASSERT_FLOAT_EQ(Bin(j), expected[static_cast<std::size_t>(j)]) << j;
}

TEST_F(FilterEditor, BypassAndStoredTypesOutOfRangePlotFlatButKeepTheirLabelAndLamp) {
  const struct {
    float stored;
    const char* lamp;
  } cases[] = {{0.0f, "sendPanelEnum 370 2 0"}, {12.0f, "sendPanelEnum 370 2 1"}, {-3.0f, "sendPanelEnum 370 2 0"},
               {NAN, "sendPanelEnum 370 2 0"}};
  for (const auto& c : cases) {
    modFilter& page = Build();
    rig.services.Take();
    page.SetParamValue(16, c.stored);
    EXPECT_EQ(Calls("sendPanelEnum"), std::vector<std::string>{c.lamp}) << c.stored;
    EXPECT_EQ(page.PlotType(), 0) << c.stored;
    for (int j = 0; j < modFilter::kBins; ++j) ASSERT_FLOAT_EQ(Bin(j), Shown(1.0)) << c.stored << " bin " << j;
    if (!std::isnan(c.stored)) {
      EXPECT_EQ(page.ValueLabel(modFilter::kType)->GetFloatRawValue(), c.stored);
    }
  }
}

TEST_F(FilterEditor, TheFilterKeyOpensThePanelAndCyclesTheTwelveTypes) {
  for (int instance : {0, 1}) {
    modFilter& page = Build(instance);
    const int key = 370 + 8 * instance;
    page.SetParamValue(16, 0.0f);
    rig.services.Take();
    Panel(key, 1.0f);
    EXPECT_EQ(Calls("ActivatePanel"), std::vector<std::string>{"ActivatePanel " + std::to_string(3 + instance) + " -1 1"});
    rig.Show();
    for (int press = 2; press <= 12; ++press) Panel(key, 1.0f);
    EXPECT_EQ(page.ValueLabel(modFilter::kType)->GetFloatRawValue(), 0.0f) << "twelve presses come round";
    std::vector<std::string> lamps = Calls("sendPanelEnum");
    ASSERT_EQ(lamps.size(), 11u);
    for (int t = 2; t <= 12; ++t)
      EXPECT_EQ(lamps[static_cast<std::size_t>(t - 2)],
                "sendPanelEnum " + std::to_string(key) + " 2 " + (t % 12 != 0 ? "1" : "0"));
    EXPECT_TRUE(Calls("ActivatePanel").empty());
    // Another part's key is not ours.
    Panel(key, 1.0f, 1);
    EXPECT_EQ(page.ValueLabel(modFilter::kType)->GetFloatRawValue(), 0.0f);
  }
}

TEST_F(FilterEditor, TheLadderShowsItsFourPoleModeRightAfterTheTwoPoleOne) {
  modFilter& page = Build();
  page.SetParamValue(16, 3.0f);
  std::vector<float> fourPole;
  for (int j = 0; j < modFilter::kBins; ++j) fourPole.push_back(Bin(j));
  page.SetParamValue(16, 2.0f);
  EXPECT_NE(Bin(100), fourPole[100]);
  page.SetParamValue(16, 3.0f);
  for (int j = 0; j < modFilter::kBins; ++j) ASSERT_FLOAT_EQ(Bin(j), fourPole[static_cast<std::size_t>(j)]) << j;
}

TEST_F(FilterEditor, LinkingLocksFilterBToFilterAsCutoff) {
  PageRig<modFilter> other;
  modFilter& b = other.Build(kPartC | 0x1000, "FILTER B", uxPOINT(0, 40), 800, 440, uxCOLOR(0), nullptr);
  modFilter& a = Build(0, &b);
  ASSERT_NE(b.LinkedLabel(), nullptr);
  EXPECT_EQ(a.LinkedLabel(), nullptr);
  EXPECT_TRUE(b.LinkedLabel()->isGrayed());
  rig.Show();
  rig.services.Take();
  Panel(371, 1.0f);
  EXPECT_EQ(a.ValueLabel(modFilter::kLink)->GetFloatRawValue(), 1.0f);
  EXPECT_EQ(Calls("sendPanelEnum"), std::vector<std::string>{"sendPanelEnum 371 2 1"});
  EXPECT_EQ(b.Linked(), 1);
  EXPECT_TRUE(b.ValueLabel(modFilter::kCutoff)->isGrayed());
  EXPECT_FALSE(b.LinkedLabel()->isGrayed());

  const struct {
    float hz;
    const char* text;
  } cases[] = {{1500.0f, "1500"}, {440.25f, "440.2"}, {999.94f, "999.9"}, {12345.6f, "12346"}};
  for (const auto& c : cases) {
    a.SetParamValue(8, c.hz);
    EXPECT_STREQ(b.LinkedLabel()->getText(), c.text);
    EXPECT_EQ(b.Cutoff(), c.hz);
  }
  // B's own cutoff is ignored while linked.
  b.SetParamValue(8, 300.0f);
  EXPECT_EQ(b.Cutoff(), 12345.6f);
  Panel(371, 1.0f);
  EXPECT_EQ(b.Linked(), 0);
  EXPECT_FALSE(b.ValueLabel(modFilter::kCutoff)->isGrayed());
  EXPECT_TRUE(b.LinkedLabel()->isGrayed());
  b.SetParamValue(8, 300.0f);
  EXPECT_EQ(b.Cutoff(), 300.0f);
  // The link key belongs to filter A only.
  Panel(379, 1.0f);
  EXPECT_EQ(b.Linked(), 0);
}

// A preset that links the filters links the pages as the panel key does: B's cutoff greys,
// "LINKED-A" follows A, and B draws at A's cutoff (the voice runs both there).
TEST_F(FilterEditor, ALinkLoadedWithAPresetLocksFilterB) {
  PageRig<modFilter> other;
  modFilter& b = other.Build(kPartC | 0x1000, "FILTER B", uxPOINT(0, 40), 800, 440, uxCOLOR(0), nullptr);
  modFilter& a = Build(0, &b);
  for (const float link : {1.0f, 0.0f}) {
    SCOPED_TRACE(link);
    rig.services.params[kPartC | 0x300] = 1500.0f;
    rig.services.params[kPartC | 0x306] = link;
    other.services.params[kPartC | 0x1300] = 300.0f;
    rig.services.Take();
    // Both pages take the load, B first as well as after A.
    other.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    other.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    EXPECT_EQ(Calls("sendPanelEnum 371"), std::vector<std::string>{link == 1.0f ? "sendPanelEnum 371 2 1" : "sendPanelEnum 371 2 0"});
    EXPECT_EQ(b.Linked(), static_cast<int>(link));
    EXPECT_EQ(b.ValueLabel(modFilter::kCutoff)->isGrayed(), link == 1.0f);
    EXPECT_EQ(b.LinkedLabel()->isGrayed(), link != 1.0f);
    if (link == 1.0f) {
      EXPECT_STREQ(b.LinkedLabel()->getText(), "1500");
      EXPECT_EQ(b.Cutoff(), 1500.0f);
    } else {
      EXPECT_EQ(b.Cutoff(), 300.0f);
    }
    EXPECT_EQ(a.Linked(), static_cast<int>(link));
  }
}

TEST_F(FilterEditor, CutoffTableRowsAndLookup) {
  const struct {
    int index;
    float hz;
  } rows[] = {{0, 50.0f},     {37, 100.0f},    {100, 145.1f},   {500, 1021.6f},
              {900, 10217.1f}, {998, 17053.8f}, {999, 17200.0f}};
  for (const auto& r : rows) {
    EXPECT_FLOAT_EQ(modFilter::CutoffEntry(r.index), r.hz) << r.index;
    if (r.index > 0) {
      EXPECT_EQ(modFilter::CutoffIndex(r.hz), r.index) << r.hz;
    }
  }
  for (int i = 1; i < modFilter::kCutoffSteps; ++i)
    ASSERT_GT(modFilter::CutoffEntry(i), modFilter::CutoffEntry(i - 1)) << i;
  for (float hz : {17200.5f, 20000.0f, 50.0f, 10.0f, NAN}) EXPECT_EQ(modFilter::CutoffIndex(hz), 0) << hz;
  modFilter& page = Build();
  page.SetParamValue(8, 18000.0f);
  EXPECT_EQ(page.ValueLabel(modFilter::kCutoff)->GetFloatRawValue(), 0.0f);
}

TEST_F(FilterEditor, CapturesFillBothHalvesOfTheirViewOnceEach) {
  VoiceStatus& voice = rig.services.voices[kPart];
  voice.oscillator[0].frequency = 440.0f;
  float first[ScopeCapture::kHalf], second[ScopeCapture::kHalf];
  for (int i = 0; i < ScopeCapture::kHalf; ++i) {
    first[i] = 0.5f * static_cast<float>(i) / ScopeCapture::kHalf;
    second[i] = -static_cast<float>(i) / (2 * ScopeCapture::kHalf);
  }
  ScopeCapture& upper = voice.scope[VoiceStatus::kFilterBLeft];
  for (const float* block : {first, second, first}) upper.Process(block);
  ASSERT_TRUE(upper.Complete());
  modFilter& page = Build(1);
  rig.Show();
  for (int paint = 0; paint < 4; ++paint) page.OnPaint();
  uxScopeView* view = page.Capture(0);
  EXPECT_EQ(view->TopLeft(), "440.00 Hz");
  EXPECT_EQ(page.Capture(1)->TopLeft(), "");
  const int n = view->PointCount(), half = n / 2;
  const float step = 2.0f * ScopeCapture::kHalf / static_cast<float>(n);
  for (int i = 0; i < n; ++i) {
    const int at = std::min(static_cast<int>(static_cast<float>(i < half ? i : i - half) * step), ScopeCapture::kHalf - 1);
    ASSERT_FLOAT_EQ(view->Points()[i].a, 0.1f + 1.1f * (i < half ? first : second)[at]) << i;
  }
  // Let go and not drawn again, though it stays complete until the voice re-arms it.
  view->Points()[0].a = -5.0f;
  for (int paint = 0; paint < 4; ++paint) page.OnPaint();
  EXPECT_EQ(view->Points()[0].a, -5.0f);
  upper.Process(first);
  EXPECT_FALSE(upper.Complete()) << "released, so the voice re-armed it";
  // Part 7 has no voice record: painting is harmless.
  rig.Build(0x70000u, "FILTER", uxPOINT(0, 40), 800, 440, uxCOLOR(0), nullptr);
  rig.Show();
  for (int paint = 0; paint < 8; ++paint) rig.page().OnPaint();
}

// Cutoff and resonance turns replot on the GUI thread: nothing may reach the heap there.
// (A type change also sends the panel lamp, which the fake services record on the heap.)
TEST_F(FilterEditor, PlottingAllocatesNothingAfterConstruction) {
  modFilter& page = Build();
  rig.Show();
  std::size_t allocations = 0;
  for (int type = 0; type < modFilter::kTypes; ++type) {
    page.SetParamValue(16, static_cast<float>(type));
    testing_support::AllocGuard guard;
    page.SetParamValue(8, 300.0f + 100.0f * static_cast<float>(type));
    page.SetParamValue(0, 7.0f * static_cast<float>(type));
    page.UpdateFromEncoder(8, 500.0f);
    page.PlotResponse();
    allocations += guard.Count();
  }
  EXPECT_EQ(allocations, 0u);
}

TEST_F(FilterEditor, FocusSendsTheFiltersPanelIndex) {
  for (int instance : {0, 1}) {
    Build(instance);
    rig.services.Take();
    rig.Show();
    EXPECT_EQ(Calls("sendCANFocus"), std::vector<std::string>{"sendCANFocus " + std::to_string(8 + instance)});
  }
}

TEST_F(FilterEditor, GoldenPictures) {
  const struct {
    const char* name;
    int type;
    float reso;
  } cases[] = {{"filter_lp24_reso0", 1, 0.0f},        {"filter_lp24_reso80", 1, 80.0f},
               {"filter_sem_bp12_reso0", 8, 0.0f},    {"filter_sem_bp12_reso80", 8, 80.0f},
               {"filter_mg_vcf_hp_reso0", 6, 0.0f},   {"filter_mg_vcf_hp_reso80", 6, 80.0f}};
  for (const auto& c : cases) {
    Build();
    rig.services.params[kPartC | 0x300] = 1000.0f;
    rig.services.params[kPartC | 0x302] = c.reso;
    rig.services.params[kPartC | 0x305] = static_cast<float>(c.type);
    rig.services.params[kPartC | 0x303] = 80.0f;
    rig.Show();
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    rig.dc.FillScreen(0);
    rig.Paint();
    EXPECT_TRUE(toolkit_test::MatchesGolden(c.name, rig.Screen())) << c.name;
  }
}

}  // namespace
