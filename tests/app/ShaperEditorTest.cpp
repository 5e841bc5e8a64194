// The shaper editor alone over the page rig: the transfer curve against the engine's own
// shaper, the panel keys, the pre-gain band, the encoders, the live views and its pictures.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/Shaper.h"
#include "pages/editors/modShaper.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/app/PageRig.h"
#include "tests/support/AllocCounter.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;

constexpr uint32_t kPartC = 0x20000;
constexpr int kPart = 2;

class ShaperEditor : public ::testing::Test {
 protected:
  modShaper& Build(uint32_t part = kPartC) {
    return rig.Build(part, "SHAPER", uxPOINT(0, 40), 800, 440, uxCOLOR(0x303030), &store);
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
  void FillCapture(ScopeCapture& capture, float level) {
    float block[ScopeCapture::kHalf];
    for (int i = 0; i < ScopeCapture::kHalf; ++i) block[i] = level * static_cast<float>(i) / ScopeCapture::kHalf;
    for (int b = 0; b < 4 && !capture.Complete(); ++b) capture.Process(block);
  }

  int store = -1;
  PageRig<modShaper> rig;
};

TEST_F(ShaperEditor, TheCurveIsTheEnginesShaperSampleByPoint) {
  Shaper reference;
  for (int type = 0; type < modShaper::kTypes; ++type) {
    for (float curve : {-50.0f, 0.0f, 50.0f}) {
      modShaper& page = Build();
      page.ApplyValue(8, static_cast<float>(type));
      page.ApplyValue(0, curve);
      reference.SetType(type);
      for (int j = 0; j < modShaper::kPoints; ++j) {
        const float x = j <= 190 ? -1.0f + j / 190.0f : (j - 191) / 190.0f;
        const float y = reference.ShapeSample(x + 1e-7f, curve / 100.0f);
        ASSERT_FLOAT_EQ(page.Table()[j], y) << type << " " << curve << " " << j;
        ASSERT_FLOAT_EQ(page.CurveView()->Points()[j].a, 0.45f + 0.54f * y);
      }
    }
  }
}

TEST_F(ShaperEditor, PanelKeysCycleTypeAndInsert) {
  const struct {
    int key;
    int label;
    int count;
  } cases[] = {{338, modShaper::kType, 6}, {339, modShaper::kInsert, 4}};
  for (const auto& c : cases) {
    modShaper& page = Build();
    rig.Show();
    rig.services.Take();
    for (int press = 1; press <= c.count; ++press) {
      Panel(c.key, 0.0f);
      EXPECT_EQ(page.ValueLabel(c.label)->GetFloatRawValue(), static_cast<float>(press % c.count));
    }
    if (c.key == 339) {
      EXPECT_EQ(store, 0);
      const auto sends = Calls("sendPanelEnum");
      ASSERT_EQ(sends.size(), 4u);
      EXPECT_EQ(sends[2], "sendPanelEnum 339 2 3");
      EXPECT_EQ(sends[3], "sendPanelEnum 339 2 0");
    }
    Panel(c.key, 0.0f, kPart + 1);  // another part's key
    EXPECT_EQ(page.ValueLabel(c.label)->GetFloatRawValue(), 0.0f);
  }
}

TEST_F(ShaperEditor, PreGainSetsTheHighlightBand) {
  const struct {
    float gain;
    int top, bottom;
  } cases[] = {{100.0f, 0, 300}, {0.0f, 150, 150}, {50.0f, 75, 225}};
  for (const auto& c : cases) {
    modShaper& page = Build();
    page.ApplyValue(24, c.gain);
    EXPECT_TRUE(page.CurveView()->Highlighted());
    EXPECT_EQ(page.CurveView()->HighlightTop(), c.top) << c.gain;
    EXPECT_EQ(page.CurveView()->HighlightBottom(), c.bottom) << c.gain;
  }
}

TEST_F(ShaperEditor, OnlyCheckedLabelsFollowTheirEncoder) {
  modShaper& page = Build();
  rig.Show();
  page.ValueLabel(modShaper::kType)->SetFloatValue(3.0f, 0);
  rig.Give(tagUX_Message(UX_MSG_ENCODER_VALUE_CHANGED, 1, 0));
  Shaper reference;
  EXPECT_FLOAT_EQ(page.Table()[300], reference.ShapeSample((300 - 191) / 190.0f + 1e-7f, 0.0f));
  page.ValueLabel(modShaper::kType)->SetChecked(true, false);
  rig.Give(tagUX_Message(UX_MSG_ENCODER_VALUE_CHANGED, 1, 0));
  reference.SetType(3);
  EXPECT_FLOAT_EQ(page.Table()[300], reference.ShapeSample((300 - 191) / 190.0f + 1e-7f, 0.0f));
}

TEST_F(ShaperEditor, FocusSendsSevenAndReloadReadsEveryLabel) {
  modShaper& page = Build();
  rig.services.Take();
  rig.Show();
  EXPECT_EQ(Calls("sendCANFocus"), std::vector<std::string>{"sendCANFocus 7"});
  rig.services.params[kPartC | 0x600] = -40.0f;
  rig.services.params[kPartC | 0x602] = 2.0f;
  rig.services.params[kPartC | 0x603] = 1.0f;
  rig.services.params[kPartC | 0x601] = 20.0f;
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, kPart, 0));
  EXPECT_EQ(store, 1);
  EXPECT_EQ(page.CurveView()->HighlightTop(), 120);
  Shaper reference;
  reference.SetType(2);
  EXPECT_FLOAT_EQ(page.Table()[10], reference.ShapeSample(-1.0f + 10 / 190.0f + 1e-7f, -0.4f));
}

TEST_F(ShaperEditor, LiveViewsTakeEachCaptureOnceThenReleaseIt) {
  modShaper& page = Build();
  rig.Show();
  VoiceStatus& voice = rig.services.voices[kPart];
  FillCapture(voice.scope[VoiceStatus::kShaperLeft], 1.0f);
  FillCapture(voice.scope[VoiceStatus::kShaperRight], -1.0f);
  voice.shaperCurve.store(0.3f);
  page.OnPaint();
  const uxScopeView::Point* left = page.LiveView(0)->Points();
  const uxScopeView::Point* right = page.LiveView(1)->Points();
  const int n = page.LiveView(0)->PointCount();
  // Column i of each half reads sample (i mod n/2) x 2 x 128 / n of its buffer, clamped.
  for (int i : {0, 10, n / 2 - 1, n / 2, n - 1}) {
    const int half = i < n / 2 ? i : i - n / 2;
    int at = static_cast<int>(half * 256.0f / n);
    if (at > 127) at = 127;
    const float* buffer = i < n / 2 ? voice.scope[4].First() : voice.scope[4].Second();
    EXPECT_FLOAT_EQ(left[i].a, 0.45f * buffer[at]) << i;
    EXPECT_LE(right[i].a, 0.0f);
  }
  Shaper reference;
  EXPECT_FLOAT_EQ(page.CurveView()->Points()[5].b,
                  0.45f + 0.54f * reference.ShapeSample(-1.0f + 5 / 190.0f + 1e-7f, 0.3f));
  EXPECT_TRUE(voice.scope[4].Complete());  // released, held until the voice re-arms it
  const float drawn = left[10].a;
  for (int p = 0; p < 4; ++p) page.OnPaint();
  EXPECT_EQ(left[10].a, drawn);
}

TEST_F(ShaperEditor, MissingMonitorLeavesTheViews) {
  modShaper& page = rig.Build(0x70000u, "SHAPER", uxPOINT(0, 40), 800, 440, uxCOLOR(0x303030), &store);
  rig.Show();
  const float before = page.LiveView(0)->Points()[3].a;
  for (int p = 0; p < 8; ++p) page.OnPaint();
  EXPECT_EQ(page.LiveView(0)->Points()[3].a, before);
  EXPECT_EQ(page.CurveView()->Points()[3].b, -1.0f);
}

TEST_F(ShaperEditor, RedrawsAllocateNothingAfterConstruction) {
  modShaper& page = Build();
  rig.Show();
  VoiceStatus& voice = rig.services.voices[kPart];
  testing_support::AllocGuard guard;
  for (int r = 0; r < 100; ++r) {
    page.ApplyValue(r % 2 == 0 ? 0 : 24, static_cast<float>(r % 100));
    voice.shaperCurve.store(0.01f * static_cast<float>(r));
    // A fresh capture for every live redraw.
    for (int k = 0; k < 2; ++k) {
      voice.scope[VoiceStatus::kShaperLeft + k].Reset();
      FillCapture(voice.scope[VoiceStatus::kShaperLeft + k], 0.5f);
    }
    for (int p = 0; p < 4; ++p) page.OnPaint();
  }
  EXPECT_EQ(guard.Count(), 0u);
}

TEST_F(ShaperEditor, TheCloseMarkInItsCaptionClosesIt) {
  modShaper& page = Build();
  rig.Show();
  rig.services.Take();
  // Beside the mark, the caption does nothing.
  rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, 600, 60, TYPE_PRESS));
  EXPECT_TRUE(Calls("sendCANFocus").empty());
  EXPECT_TRUE(page.isFocus());
  rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, 770, 60, TYPE_PRESS));
  EXPECT_EQ(Calls("sendCANFocus"), std::vector<std::string>{"sendCANFocus 255"});
  EXPECT_FALSE(page.isFocus());
}

TEST_F(ShaperEditor, GoldenPictures) {
  const char* names[6] = {"tanh", "hard", "arc", "sin", "exp", "crusher"};
  float sine[ScopeCapture::kHalf];
  for (int i = 0; i < ScopeCapture::kHalf; ++i) sine[i] = 0.9f * std::sin(6.2831853f * i / 64.0f);
  for (int type = 0; type < modShaper::kTypes; ++type) {
    for (float curve : {-50.0f, 0.0f, 50.0f}) {
      Build();
      rig.Show();
      rig.services.params[kPartC | 0x600] = curve;
      rig.services.params[kPartC | 0x602] = static_cast<float>(type);
      rig.services.params[kPartC | 0x603] = 2.0f;
      rig.services.params[kPartC | 0x601] = 50.0f;
      VoiceStatus& voice = rig.services.voices[kPart];
      for (int k = 0; k < 2; ++k) {
        voice.scope[VoiceStatus::kShaperLeft + k].Reset();
        for (int b = 0; b < 4; ++b) voice.scope[VoiceStatus::kShaperLeft + k].Process(sine);
      }
      voice.shaperCurve.store(curve / 100.0f + 0.2f);
      rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
      rig.dc.FillScreen(0);
      rig.Paint();
      const std::string name = std::string("shaper_") + names[type] +
                               (curve < 0.0f ? "_curve_m50" : (curve == 0.0f ? "_curve_0" : "_curve_p50"));
      EXPECT_TRUE(toolkit_test::MatchesGolden(name, rig.Screen())) << name;
    }
  }
}

}  // namespace
