// The voice page alone over recording page services: its editors and the touch areas that
// open them, the voice bars from the allocation table and the slots' voice records, focus,
// and the page's picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CVoiceAlloc.h"
#include "engine/VoiceStatus.h"
#include "pages/editors/modMIX.h"
#include "pages/editors/modMatrix.h"
#include "pages/editors/modOsc.h"
#include "pages/voice/appVA_VOICE.h"
#include "tests/app/PageFixtures.h"
#include "tests/app/PageRig.h"
#include "toolkit/uxBarCtrl.h"

namespace {

class VoicePage : public ::testing::Test {
 protected:
  VoicePage() {
    rig.Build(0x20000, "VOICE 3", uxPOINT(0, 40), 800, 440);
    for (VoiceAllocEntry& e : table) e = VoiceAllocEntry{255, 0, CVoiceAlloc::kFree, 0.0f, 0, 0};
    rig.services.engineState = table;
  }
  appVA_VOICE& page() { return rig.page(); }
  void Voice(int slot, int part, int state, float level) {
    table[slot].part = static_cast<uint8_t>(part);
    table[slot].state = state;
    rig.services.slots[slot].envelope[0].level.store(level);
  }

  page_rig::ImageRoot images;  // first: the page loads its background when built
  page_rig::PageRig<appVA_VOICE> rig;
  VoiceAllocEntry table[16];
};

TEST_F(VoicePage, BuildsTheFifteenEditorsInOrder) {
  const char* names[] = {"AMP1-EG [1]", "AMP2-EG [2] ",   "FILTER-EG [3]",  "MOD-EG [4]", " FILTER B",
                         " FILTER A",   " OSCILLATOR 1 ", " OSCILLATOR 2 ", " NOISE ",    " LFO 1 ",
                         " LFO 2 ",     " LFO 3 ",        " SHAPER ",       " MIXER ",    "MODULATION MATRIX"};
  const uint32_t instances[] = {0, 1, 2, 3, 1, 0, 0, 1, 0, 0, 1, 2, 0, 0, 0};
  for (int e = 0; e < appVA_VOICE::kEditors; ++e) {
    SCOPED_TRACE(e);
    ASSERT_NE(page().EditorPanel(e), nullptr);
    EXPECT_STREQ(page().EditorPanel(e)->getName(), names[e]);
    EXPECT_EQ(page().EditorPanel(e)->GetUserData(), 0x20000u + instances[e] * 0x1000u);
    EXPECT_FALSE(page().EditorPanel(e)->isEnabled()) << "closed until its area is touched";
  }
  EXPECT_EQ(page().EditorPanel(15), nullptr);
  EXPECT_EQ(page().EditorPanel(-1), nullptr);
  for (int i = 0; i < appVA_VOICE::kBars; ++i) EXPECT_FLOAT_EQ(page().Bar(i)->getLevel(), i < 10 ? 10.0f * i : 100.0f);
}

TEST_F(VoicePage, BuiltEditorsTakeTheirControllers) {
  rig.services.ccMap[0x20000 + 0x011] = 30;  // the mixer's OSC1
  rig.services.ccMap[0x20000 + 0x700] = 31;  // the matrix's MACRO 1
  rig.Build(0x20000, "VOICE 3", uxPOINT(0, 40), 800, 440);
  EXPECT_NE(dynamic_cast<modMatrix*>(page().EditorPanel(appVA_VOICE::kMatrix)), nullptr);
  EXPECT_NE(dynamic_cast<modMIX*>(page().EditorPanel(appVA_VOICE::kMixer)), nullptr);
  for (int e : {appVA_VOICE::kOsc1, appVA_VOICE::kOsc2})
    EXPECT_NE(dynamic_cast<modOsc*>(page().EditorPanel(e)), nullptr) << e;
  rig.services.Take();
  EXPECT_EQ(page().OnMidiCC(0, 2, 30, 127), 1);
  EXPECT_EQ(page().OnMidiCC(0, 2, 31, 127), 1);
  std::vector<std::string> stored;
  for (const std::string& line : rig.services.Take())
    if (line.rfind("ValueChanged", 0) == 0 && line.find(" 1 ") == std::string::npos)  // not the repaints
      stored.push_back(line.substr(0, line.rfind(' ')));
  EXPECT_EQ(stored, (std::vector<std::string>{"ValueChanged 20011 22", "ValueChanged 20700 6"}));
}

// Editors that note the controllers they hear and what they were built with.
std::vector<std::string> heard;
struct Built {
  std::string name;
  voice_editors::Kind kind;
  uxPanelCtrl* partner;
  int* shared;
};
std::vector<Built> built;

class RecordingEditor : public uxPanelCtrl {
 public:
  using uxPanelCtrl::uxPanelCtrl;
  int OnMidiCC(int port, int channel, int controller, int value) override {
    heard.push_back(getName() + (" " + std::to_string(port) + " " + std::to_string(channel) + " " +
                                 std::to_string(controller) + " " + std::to_string(value)));
    return 0;
  }
};

uxPanelCtrl* MakeRecording(voice_editors::Kind kind, PageServices* services, const voice_editors::Frame& f,
                           uxPanelCtrl* partner, int* shared) {
  auto* editor = new RecordingEditor(services, f.uid, f.name, f.pos, f.width, f.height, 0x303030);
  built.push_back({f.name, kind, partner, shared});
  return editor;
}

TEST(VoicePageEditors, ControllersReachTheEditorsInTheirOrderWithoutTheShaper) {
  heard.clear();
  built.clear();
  page_rig::PageRig<appVA_VOICE> rig;
  appVA_VOICE& page = rig.Build(0x10000, "VOICE 2", uxPOINT(0, 40), 800, 440, &MakeRecording);
  EXPECT_EQ(page.OnMidiCC(1, 2, 74, 99), 1);
  EXPECT_EQ(heard, (std::vector<std::string>{
                       "AMP1-EG [1] 1 2 74 99", "AMP2-EG [2]  1 2 74 99", "FILTER-EG [3] 1 2 74 99",
                       "MOD-EG [4] 1 2 74 99", " OSCILLATOR 1  1 2 74 99", " OSCILLATOR 2  1 2 74 99",
                       " LFO 1  1 2 74 99", " LFO 2  1 2 74 99", " LFO 3  1 2 74 99", " FILTER A 1 2 74 99",
                       " FILTER B 1 2 74 99", " NOISE  1 2 74 99", " MIXER  1 2 74 99",
                       "MODULATION MATRIX 1 2 74 99"}));
  // Filter A knows filter B; the shaper and the mixer share one int, and no other editor has it.
  ASSERT_EQ(built.size(), 15u);
  EXPECT_EQ(built[appVA_VOICE::kFilterA].partner, page.EditorPanel(appVA_VOICE::kFilterB));
  EXPECT_NE(built[appVA_VOICE::kShaper].shared, nullptr);
  EXPECT_EQ(built[appVA_VOICE::kShaper].shared, built[appVA_VOICE::kMixer].shared);
  for (int e = 0; e < appVA_VOICE::kEditors; ++e) {
    if (e == appVA_VOICE::kShaper || e == appVA_VOICE::kMixer) continue;
    EXPECT_EQ(built[e].shared, nullptr) << e;
    if (e != appVA_VOICE::kFilterA) {
      EXPECT_EQ(built[e].partner, nullptr) << e;
    }
  }
}

TEST_F(VoicePage, ATouchOpensTheEditorUnderTheFinger) {
  struct Case {
    int x, y;
    int editor;
  };
  const Case cases[] = {{20, 50, appVA_VOICE::kMatrix},   {150, 50, appVA_VOICE::kOsc1},
                        {200, 200, appVA_VOICE::kOsc2},   {200, 300, appVA_VOICE::kNoise},
                        {400, 100, appVA_VOICE::kFilterA}, {400, 260, appVA_VOICE::kFilterB},
                        {700, 310, appVA_VOICE::kEnv1},   {700, 350, appVA_VOICE::kEnv2},
                        {560, 310, appVA_VOICE::kEnv3},   {560, 350, appVA_VOICE::kEnv4},
                        {200, 340, appVA_VOICE::kLfo1},   {200, 390, appVA_VOICE::kLfo2},
                        {200, 440, appVA_VOICE::kLfo3},   {40, 400, appVA_VOICE::kShaper},
                        {320, 60, appVA_VOICE::kMixer}};
  for (const Case& c : cases) {
    SCOPED_TRACE(page().EditorPanel(c.editor)->getName());
    rig.Build(0x20000, "VOICE 3", uxPOINT(0, 40), 800, 440);
    rig.Touch(c.x, c.y);
    for (int e = 0; e < appVA_VOICE::kEditors; ++e) EXPECT_EQ(page().EditorPanel(e)->isEnabled(), e == c.editor) << e;
  }
  // Between the areas nothing opens.
  rig.Build(0x20000, "VOICE 3", uxPOINT(0, 40), 800, 440);
  rig.Touch(600, 100);
  for (int e = 0; e < appVA_VOICE::kEditors; ++e) EXPECT_FALSE(page().EditorPanel(e)->isEnabled()) << e;
}

TEST_F(VoicePage, BarsShowEachSlotsPartStateAndLevel) {
  struct Case {
    int part, state;
    float level;
    const char* text;
    uint32_t colour;
    float value;
  };
  const Case cases[] = {
      {1, CVoiceAlloc::kFree, 0.0f, "", 0xC00000, 0.0f},       // silent
      {1, CVoiceAlloc::kDisabled, 0.0f, "X", 0xC00000, 0.0f},  // off after a missed deadline
      {2, CVoiceAlloc::kPlaying, 0.5f, "C", 0xC00000, 50.0f},
      {0, CVoiceAlloc::kMono, 0.25f, "A", 0x0000C0, 25.0f},    // mono: the second colour
      {3, CVoiceAlloc::kPlaying, 1.7f, "D", 0xC00000, 100.0f}, // held to the bar's maximum
      {7, CVoiceAlloc::kPlaying, 0.5f, "keep", 0xC00000, 50.0f},  // no such part: text kept
  };
  for (int i = 0; i < 6; ++i) {
    page().Bar(i)->setText("keep");
    Voice(i, cases[i].part, cases[i].state, cases[i].level);
  }
  page().Bar(1)->setBarColor(0x0000C0);  // a disabled slot keeps its colour; this one was mono
  page().OnPaint();
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(page().Bar(i)->getText(), cases[i].text);
    if (i != 1) {
      EXPECT_EQ(page().Bar(i)->getBarColor(), cases[i].colour);
    }
    EXPECT_FLOAT_EQ(page().Bar(i)->getLevel(), cases[i].value);
    EXPECT_TRUE(page().Bar(i)->needsRepaint());
  }
  EXPECT_EQ(page().Bar(1)->getBarColor(), 0x0000C0u);
}

TEST_F(VoicePage, WithoutAVoiceTableOrWhileDisabledTheBarsStay) {
  Voice(3, 2, CVoiceAlloc::kPlaying, 0.9f);
  rig.services.engineState = nullptr;
  page().OnPaint();
  EXPECT_FLOAT_EQ(page().Bar(3)->getLevel(), 30.0f);
  rig.services.engineState = table;
  rig.Give(tagUX_Message(UX_MSG_FOCUS, 4, 0));
  EXPECT_FALSE(page().isEnabled());
  for (int i = 0; i < appVA_VOICE::kBars; ++i) EXPECT_FALSE(page().Bar(i)->isEnabled());
  page().OnPaint();
  EXPECT_FLOAT_EQ(page().Bar(3)->getLevel(), 30.0f);
  rig.Give(tagUX_Message(UX_MSG_FOCUS, 3, 0));
  EXPECT_TRUE(page().isEnabled());
  for (int i = 0; i < appVA_VOICE::kBars; ++i) EXPECT_TRUE(page().Bar(i)->isEnabled());
  page().OnPaint();
  EXPECT_FLOAT_EQ(page().Bar(3)->getLevel(), 90.0f);
  // A slot without a voice record is silent.
  rig.services.slotsShown = false;
  page().OnPaint();
  EXPECT_FLOAT_EQ(page().Bar(3)->getLevel(), 0.0f);
  EXPECT_STREQ(page().Bar(3)->getText(), "");
}

TEST_F(VoicePage, Picture) {
  Voice(0, 0, CVoiceAlloc::kPlaying, 0.8f);
  Voice(1, 0, CVoiceAlloc::kPlaying, 0.4f);
  Voice(2, 1, CVoiceAlloc::kMono, 0.6f);
  Voice(3, 3, CVoiceAlloc::kPlaying, 1.0f);
  Voice(5, 2, CVoiceAlloc::kDisabled, 0.0f);
  page().OnPaint();
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("voice_page", rig.Screen()));
}

}  // namespace
