// The filter editor alone over the page rig: its response against the engine's filters
// measured by a double-precision DFT and by FFTW, the flat "Bypass" and stored types out of
// range, the panel keys, linking, the cutoff table, the live captures and its pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <vector>

#include "engine/CMoogLadderFilter.h"
#include "engine/CSEMFilter.h"
#include "engine/FourPoleFilter.h"
#include "engine/LadderApproxFilter.h"
#include "engine/OnePoleFeedbackFilter.h"
#include "pages/editors/modFilter.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/app/PageRig.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/FilterResponse.h"
#include "tests/support/ReferenceDft.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;

constexpr uint32_t kPartC = 0x20000;
constexpr int kPart = 2;

// The response of each type, rebuilt here from the engine classes: a fresh filter at
// 44.1 kHz, one impulse sample per call, times the type's gain.
std::vector<float> EngineImpulse(int type, float cutoff, float reso) {
  std::function<float(float)> step;
  FourPoleFilter four;
  CMoogLadderFilter ladder;
  LadderApproxFilter approx;
  CSEMFilter sem;
  OnePoleFeedbackFilter feedback;
  four.SetSampleRate(44100);
  ladder.SetSampleRate(44100.0f);
  approx.sampleRate = sem.sampleRate = feedback.sampleRate = 44100.0f;
  switch (type) {
    case 1: step = [&](float x) { return four.ProcessSample(x, cutoff, reso * 0.12f) * 0.85f; }; break;
    case 2:
    case 3:
      ladder.SetMode(type == 2 ? CMoogLadderFilter::kTwoPole : CMoogLadderFilter::kFourPole);
      step = [&, type](float x) { return ladder.ProcessSample(x, cutoff, reso * 0.5f) * (type == 2 ? 0.8f : 0.9f); };
      break;
    case 4:
    case 5:
    case 6: {
      approx.output = type - 4;
      const float gain = type == 4 ? 0.7f : (type == 5 ? 0.6f : 0.4f);
      step = [&, gain](float x) { return approx.ProcessSample(x, cutoff, reso * 0.3f) * gain; };
      break;
    }
    case 7:
    case 8:
    case 9:
    case 10:
      sem.SetType(type - 6);
      step = [&, type](float x) { return sem.ProcessSample(x, cutoff, reso * 0.1f) * (type == 10 ? 1.0f : 0.3f); };
      break;
    case 11: step = [&](float x) { return feedback.ProcessSample(x, cutoff, reso) * (0.8f - 0.5f * reso); }; break;
    default: step = [](float x) { return x; }; break;
  }
  std::vector<float> h(modFilter::kImpulse);
  for (int i = 0; i < modFilter::kImpulse; ++i) h[static_cast<std::size_t>(i)] = step(i == 0 ? 1.0f : 0.0f);
  return h;
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

  PageRig<modFilter> rig;
};

TEST_F(FilterEditor, TheResponseIsTheEngineFiltersSpectrumByBothOracles) {
  const struct {
    int type;
    float cutoff;
  } cases[] = {{1, 1000.0f}, {2, 1000.0f}, {3, 3000.0f}, {4, 1000.0f}, {5, 2000.0f},  {6, 1000.0f},
               {7, 500.0f},  {8, 1000.0f}, {9, 4000.0f}, {10, 800.0f}, {11, 1500.0f}};
  for (const auto& c : cases) {
    for (float reso : {0.0f, 0.8f}) {
      modFilter& page = Build();
      page.SetParamValue(8, c.cutoff);
      page.SetParamValue(0, reso * 100.0f);
      page.SetParamValue(16, static_cast<float>(c.type));
      const std::vector<float> h = EngineImpulse(c.type, c.cutoff, reso);
      std::vector<std::complex<double>> in(h.begin(), h.end());
      const auto fftw = testing_support::ReferenceDft(in, -1);
      for (int j = 0; j < modFilter::kBins; j += 7) {
        const double dft = std::abs(filter_test::Dft(h, j, modFilter::kImpulse));
        const double tolerance = 1e-4 + 1e-4 * dft;
        ASSERT_NEAR(Bin(j), dft, tolerance) << "type " << c.type << " reso " << reso << " bin " << j;
        ASSERT_NEAR(Bin(j), std::abs(fftw[static_cast<std::size_t>(j)]), tolerance) << c.type << " bin " << j;
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
    for (int j = 0; j < modFilter::kBins; ++j) ASSERT_FLOAT_EQ(Bin(j), 1.0f) << c.stored << " bin " << j;
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
