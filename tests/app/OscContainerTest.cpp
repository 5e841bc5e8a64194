// The oscillator configuration and the oscillator container over the page rig. The container
// holds stand-in editors that record what reaches them, in place of the oscillator editors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pages/editors/modALGOsc.h"
#include "pages/editors/modOSCCfg.h"
#include "pages/editors/modOsc.h"
#include "pages/editors/modRESOsc.h"
#include "pages/editors/modWTOsc.h"
#include "tests/app/PageFixtures.h"
#include "tests/app/PageMessages.h"
#include "tests/app/PageRig.h"
#include "toolkit/uxImage.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;
namespace msg = page_msg;

constexpr int kPart = 1;
constexpr uint32_t kCfgId = 0x10000 | 0x2000;

std::vector<std::string> heard;

// Records the messages, paints and controllers that reach it as "<type> <message type> <param>".
class StandIn : public uxPanelCtrl {
 public:
  StandIn(PageServices* s, int type, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h)
      : uxPanelCtrl(s, id, name, pos, w, h, 0x202020), type_(type) {}
  int OnMessage(tagUX_Message* m) override {
    heard.push_back(std::to_string(type_) + " " + std::to_string(m->type) + " " + std::to_string(m->param));
    return uxPanelCtrl::OnMessage(m);
  }
  int OnPaint() override {
    heard.push_back(std::to_string(type_) + " paint");
    return 1;
  }
  int OnMidiCC(int, int, int, int) override {
    heard.push_back(std::to_string(type_) + " cc");
    return 1;
  }

 private:
  int type_;
};

uxPanelCtrl* MakeStandIn(int type, PageServices* s, uint32_t id, const char* name, uxPOINT pos, int16_t w,
                         int16_t h) {
  return new StandIn(s, type, id, name, pos, w, h);
}

// The editors the voice page's container holds.
uxPanelCtrl* MakeEditor(int type, PageServices* s, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h) {
  switch (type) {
    case modOsc::kWavetable: return new modWTOsc(s, id, name, pos, w, h, 0x303030);
    case modOsc::kAlgorithmic: return new modALGOsc(s, id, name, pos, w, h, 0x303030);
    default: return new modRESOsc(s, id, name, pos, w, h, 0x303030);
  }
}

class OscConfig : public ::testing::Test {
 protected:
  page_rig::ImageRoot images;
  PageRig<modOSCCfg> rig;
};

TEST_F(OscConfig, SwitchesFollowBendGlideAndKeyboard) {
  modOSCCfg& cfg = rig.Build(kCfgId, "OSC", uxPOINT(0, 40), 800, 440);
  rig.Show();
  struct Case {
    int label;
    float value;
    int sw;
    int shown;  // 0 open, 1 closed
  };
  const Case cases[] = {{modOSCCfg::kKbd, 0, modOSCCfg::kKbdSwitch, 1},   {modOSCCfg::kKbd, 3, modOSCCfg::kKbdSwitch, 0},
                        {modOSCCfg::kBend, 1, modOSCCfg::kBendSwitch, 1}, {modOSCCfg::kBend, 0, modOSCCfg::kBendSwitch, 0},
                        {modOSCCfg::kGlide, 1, modOSCCfg::kGlideSwitch, 1}};
  for (const Case& c : cases) {
    const uint32_t uid = static_cast<uint32_t>(cfg.ValueLabel(c.label)->GetID());
    rig.services.params[static_cast<int>(uid)] = c.value;
    rig.Give(msg::ValuesChanged(kPart));
    EXPECT_EQ(cfg.SwitchPicture(c.sw)->shownImage(), c.shown) << c.label << " " << c.value;
  }
  // Values arrive with the repaint flag only: nothing is stored or sent from here.
  for (const std::string& line : rig.services.Take()) {
    unsigned uid = 0, flags = 0;
    if (std::sscanf(line.c_str(), "ValueChanged %X %u", &uid, &flags) == 2) {
      EXPECT_LE(flags, 1u) << line;
    }
  }

  // KBD turned by its encoder; encoder C (phase) changes no picture.
  cfg.ValueLabel(modOSCCfg::kKbd)->SetFloatValue(0.0f, 0);
  rig.Give(msg::EncoderValueChanged(0));
  EXPECT_EQ(cfg.SwitchPicture(modOSCCfg::kKbdSwitch)->shownImage(), 1);
  int before[modOSCCfg::kSwitches];
  for (int k = 0; k < modOSCCfg::kSwitches; ++k) before[k] = cfg.SwitchPicture(k)->shownImage();
  cfg.ValueLabel(modOSCCfg::kPhase)->SetFloatValue(50.0f, 0);
  cfg.ValueLabel(modOSCCfg::kReset)->SetFloatValue(1.0f, 0);
  rig.Give(msg::EncoderValueChanged(2));
  for (int k = 0; k < modOSCCfg::kSwitches; ++k) EXPECT_EQ(cfg.SwitchPicture(k)->shownImage(), before[k]) << k;
}

TEST_F(OscConfig, GoldenPicture) {
  modOSCCfg& cfg = rig.Build(kCfgId, " OSCILLATOR 1 ", uxPOINT(0, 40), 800, 440);
  rig.services.params[static_cast<int>(cfg.ValueLabel(modOSCCfg::kBend)->GetID())] = 1;
  rig.Give(msg::ValuesChanged(-1));
  rig.Show();
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("osc_config", rig.Screen()));
}

class OscContainer : public ::testing::Test {
 protected:
  modOsc& Build(int osc) {
    heard.clear();
    modOsc& o = rig.Build(static_cast<uint32_t>(kPart << 16 | osc << 12), " OSCILLATOR 2 ", uxPOINT(0, 40), 800, 440,
                          uxCOLOR(0x303030), &MakeStandIn);
    rig.services.Take();
    heard.clear();
    return o;
  }
  void TypeKey(int osc) {
    float six = 6.0f;
    rig.Give(msg::SetValue(0x12A + 16 * osc, kPart, &six));
  }
  page_rig::ImageRoot images;
  PageRig<modOsc> rig;
};

TEST_F(OscContainer, TypeKeyCyclesTheEditors) {
  modOsc& o = Build(1);
  const char* texts[] = {" ALG  ", " RESO ", "  WT  "};
  const int enums[] = {2, 4, 1};
  for (int k = 0; k < 3; ++k) {
    TypeKey(1);
    const int type = (k + 1) % 3;
    EXPECT_EQ(o.OscType(), type);
    char want[3][64];
    std::snprintf(want[0], sizeof want[0], "sendPanelEnum %d %d %d", 0x129 + 16, kPart, enums[k]);
    std::snprintf(want[1], sizeof want[1], "sendPanelText %d %d %s", 0x12A + 16, kPart, texts[k]);
    std::snprintf(want[2], sizeof want[2], "ValueChanged %X 6 %d", kPart << 16 | 1 << 12 | 0x010, type);
    const std::vector<std::string> calls = rig.services.Take();
    for (const char* w : want) {
      bool found = false;
      for (const std::string& c : calls) found = found || c.rfind(w, 0) == 0;
      EXPECT_TRUE(found) << w;
    }
  }
  // The key for the other oscillator, and other values of this key, are the shown editor's.
  heard.clear();
  float seven = 7.0f;
  rig.Give(msg::SetValue(0x12A + 16, kPart, &seven));
  TypeKey(0);
  EXPECT_EQ(o.OscType(), 0);
  EXPECT_EQ(heard.size(), 2u);
}

TEST_F(OscContainer, StoredTypeOutOfRangeShowsNothingButFeedsTheWavetableEditor) {
  struct Case {
    float stored;
    int next;
  };
  for (const Case& c : {Case{5, 0}, Case{-1, 1}}) {
    modOsc& o = Build(0);
    rig.services.params[kPart << 16 | 0x010] = c.stored;
    rig.Give(msg::ValuesChanged(kPart));
    std::vector<std::string> calls = rig.services.Take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "sendPanelEnum 297 1 0"), calls.end()) << c.stored;
    heard.clear();
    rig.Paint();
    rig.Give(msg::Tick());
    EXPECT_EQ(heard, (std::vector<std::string>{"0 paint", "0 272 0"})) << c.stored;
    TypeKey(0);
    EXPECT_EQ(o.OscType(), c.next) << c.stored;
  }
}

TEST_F(OscContainer, ConfigurationByTheCaptionIcon) {
  modOsc& o = Build(0);
  rig.Give(msg::Touch(700, 60, TYPE_PRESS));
  EXPECT_TRUE(o.ConfigShown());
  EXPECT_EQ(heard, std::vector<std::string>{"0 259 2"});
  // While it shows, ticks and set-values reach both; other messages the configuration only.
  heard.clear();
  rig.Give(msg::Tick());
  float v = 1.0f;
  rig.Give(msg::SetValue(0x200, kPart, &v));
  rig.Give(msg::EncoderValueChanged(1));
  EXPECT_EQ(heard, (std::vector<std::string>{"0 272 0", "0 273 512"}));
  // Controllers reach all three editors whichever shows.
  heard.clear();
  EXPECT_EQ(o.OnMidiCC(0, 1, 20, 30), 1);
  EXPECT_EQ(heard, (std::vector<std::string>{"0 cc", "1 cc", "2 cc"}));
  // The type key leaves the configuration for the next editor.
  TypeKey(0);
  EXPECT_FALSE(o.ConfigShown());
  rig.Give(msg::Touch(700, 60, TYPE_PRESS));
  rig.Give(msg::Touch(700, 60, TYPE_PRESS));
  EXPECT_FALSE(o.ConfigShown());
  // A refresh of the part reaches every editor and the configuration.
  heard.clear();
  rig.Give(msg::ValuesChanged(-1));
  EXPECT_EQ(heard, (std::vector<std::string>{"0 262 4294967295", "1 262 4294967295", "2 262 4294967295"}));
}

// Every editor the container shows has the caption bar with the close mark, and in it the
// configuration icon the container gives it, where a touch opens the configuration.
TEST_F(OscContainer, EveryEditorShowsTheCaptionWithCloseMarkAndConfigurationIcon) {
  // The caption's right end: the icon from x 680, the close mark from x 740.
  const auto captionEnd = [&] {
    const toolkit_test::Picture screen = rig.Screen();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 40; ++y)
      for (int x = 680; x < 800; ++x) pixels.push_back(screen.at(x, y));
    return pixels;
  };
  std::vector<uint32_t> wavetable;
  for (int type = 0; type < 3; ++type) {
    SCOPED_TRACE(type);
    rig.Build(static_cast<uint32_t>(kPart << 16), " OSCILLATOR 1 ", uxPOINT(0, 40), 800, 440, uxCOLOR(0x303030),
              &MakeEditor);
    rig.services.params[kPart << 16 | 0x010] = static_cast<float>(type);
    rig.Give(msg::ValuesChanged(kPart));
    rig.Show();
    rig.dc.FillScreen(0);
    rig.Paint();
    const std::vector<uint32_t> end = captionEnd();
    // The icon is the placeholder: a white frame around its own colour.
    EXPECT_EQ(rig.Screen().at(680, 0), 0xFFFFFFu);
    EXPECT_NE(rig.Screen().at(700, 20), 0x303030u);
    if (type == 0) {
      wavetable = end;
    } else {
      EXPECT_EQ(end, wavetable) << "the caption's icon and close mark as on the wavetable editor";
    }
    rig.Give(msg::Touch(700, 60, TYPE_PRESS));
    EXPECT_TRUE(rig.page().ConfigShown());
  }
}

}  // namespace
