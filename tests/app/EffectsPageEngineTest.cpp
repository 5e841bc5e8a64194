// The effects page over the application core and the real effects engine of part A: what
// the page assigns is what the engine holds, and the engine's own refusal agrees with the
// page's.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "app/GUIManager.h"
#include "audio/CAudioProcess.h"
#include "audio/CFXEngine.h"
#include "audio/CMoogBiquadLadder.h"
#include "audio/CReverb.h"
#include "audio/CStereoDelay.h"
#include "midi/FakeRawMidiBackend.h"
#include "numeric/MathTables.h"
#include "pages/effects/appVA_Effects.h"
#include "pages/effects/cfgVA_Base.h"
#include "platform/MemoryFrameBuffer.h"
#include "tests/audio/AudioProcessFakes.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

IAudioProcess* MakeRealEffects() { return new CFXEngine(); }

class EffectsPageOverEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    initMathTables();
    ASSERT_EQ(dc.Init(), 0);
    SoundObjectFactory objects = audio_fakes::Fakes();
    objects.makeEffects = MakeRealEffects;
    audio = std::make_unique<CAudioProcess>(objects);
    ASSERT_EQ(InitAudioProcess(audio.get(), nullptr), 0);
    gui = std::make_unique<GUIManager>(&dc, midi);
    gui->SetAudioProcess(audio.get());
    page = std::make_unique<appVA_Effects>(gui.get(), kPageId, "FX 1", uxPOINT(0, 40), 800, 440);
    Give(tagUX_Message(UX_MSG_FOCUS, 1, 0));
  }
  void TearDown() override {
    page.reset();
    gui.reset();
    audio.reset();
  }
  void Give(tagUX_Message msg) { page->OnMessage(&msg); }
  // Row `slot` chosen, TYPE browsed to `type`, encoder A pushed.
  void Assign(int slot, int type) {
    // A second touch on the chosen row would toggle it off.
    if (page->Table()->getSelection() != slot) page->Table()->selectRow(slot);
    Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, slot, 0, page->Table()));
    page->Label(appVA_Effects::kTypeLabel)->SetFloatRawValue(static_cast<float>(type));
    Give(tagUX_Message(UX_MSG_ENCODER_EVENT, 144, 132));
  }
  bool Holds(int slot) { return audio->GetFxParams(kPageId, slot) != nullptr; }

  static constexpr uint32_t kPageId = 0x80000;
  testing_support::TempDataRoot root;  // no reverb presets of this machine
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
  FakeRawMidiBackend midi;
  std::unique_ptr<CAudioProcess> audio;
  std::unique_ptr<GUIManager> gui;
  std::unique_ptr<appVA_Effects> page;
  testing_support::LogCapture log;
};

TEST_F(EffectsPageOverEngine, AnAssignedTypeStandsInTheEngineAndTheDataSetOnce) {
  Assign(0, 4);
  EXPECT_TRUE(Holds(0));
  EXPECT_EQ(gui->GetParamById(0x800F0), 4.0f);
  EXPECT_EQ(gui->GetParamById(0x8000F), 1.0f) << "a new effect is bypassed";

  // The page refuses the type for a second slot, and so would the engine.
  Assign(1, 4);
  EXPECT_FALSE(Holds(1));
  EXPECT_EQ(gui->GetParamById(0x810F0), 0.0f);
  gui->SetParamById(0x810F0, 4.0f);
  EXPECT_FALSE(Holds(1));
  EXPECT_NE(log.Text().find("Effect 4: allready in use (skipped)"), std::string::npos);

  // Switched on through its row's ON button; cleared with "----", the type is free again.
  Assign(1, 2);
  EXPECT_TRUE(Holds(1));
  page->OnButton(1)->setButtonState(true);
  Give(tagUX_Message(UX_MSG_ON_BUTTON, appVA_Effects::kOnButtonId, 0));
  EXPECT_EQ(gui->GetParamById(0x8100F), 0.0f);
  Assign(0, 0);
  EXPECT_FALSE(Holds(0));
  Assign(2, 4);
  EXPECT_TRUE(Holds(2));

  // A whole-part refresh reads back what the data set holds.
  Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 0, 0));
  EXPECT_STREQ(page->TypeButton(0)->GetText(), "----");
  EXPECT_STREQ(page->TypeButton(1)->GetText(), "PARAM-EQ");
  EXPECT_TRUE(page->OnButton(1)->getButtonState());
  EXPECT_STREQ(page->TypeButton(2)->GetText(), "MOOGFLT");
  EXPECT_FALSE(page->OnButton(2)->getButtonState());
}

// A panel's label reaches the slot's effect under the label's parameter number: defaults with
// flags 7 and a turned label alike.
TEST_F(EffectsPageOverEngine, APanelLabelReachesTheEffectUnderItsParameterNumber) {
  Assign(2, 4);
  const FxLabelRow cutoff[] = {{4, "Cutoff", "Hz", Formatter::kCutoff, true, 1, 0, {}, 100.0f, 1}};
  cfgVA_Base panel(gui.get(), kPageId, page->LabelSet(), page.get(), "LADDER", "MoogLadder.png", cutoff);
  panel.SetupSlot(2);
  panel.SetDefaults();
  const auto* block = static_cast<const CMoogBiquadLadder::Params*>(audio->GetFxParams(kPageId, 2));
  ASSERT_NE(block, nullptr);
  EXPECT_FLOAT_EQ(block->cutoffHz, 100.0f);
  EXPECT_FLOAT_EQ(gui->GetParamById(0x82000), 100.0f);

  page->Label(4)->SetChecked(true);
  Give(tagUX_Message(UX_MSG_ENCODER_EVENT, 145, 130));
  EXPECT_FLOAT_EQ(block->cutoffHz, 108.2f);
  EXPECT_FLOAT_EQ(gui->GetParamById(0x82000), 108.2f);
}

// The stereo delay's own panel: its defaults stand in the effect, and each turned label
// reaches the effect under that label's parameter number.
TEST_F(EffectsPageOverEngine, TheStereoDelayPanelsLabelsReachTheirParameters) {
  Assign(1, 3);
  const auto* block = static_cast<const CStereoDelay::Params*>(audio->GetFxParams(kPageId, 1));
  ASSERT_NE(block, nullptr);
  EXPECT_FLOAT_EQ(block->leftMs, 200.0f);
  EXPECT_FLOAT_EQ(block->feedbackPercent, 30.0f);
  EXPECT_FLOAT_EQ(block->ratioPercent, 50.0f);

  struct Case {
    int entry;
    int encoder;
    float CStereoDelay::Params::*field;
    float expected;  // after one step right from the default
  } const cases[] = {
      {4, 145, &CStereoDelay::Params::leftMs, 217.0f},          // DELAY: 0.2 s, then 0.217 s
      {7, 146, &CStereoDelay::Params::feedbackPercent, 31.0f},  // FEEDBACK
      {9, 147, &CStereoDelay::Params::wetDb, 0.8f},             // WET: 0 dB, then 0.84 shown as 0.8
      {10, 147, &CStereoDelay::Params::dryDb, 0.8f},            // DRY
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    for (int e = 2; e <= 10; ++e) page->Label(e)->SetChecked(e == c.entry);
    Give(tagUX_Message(UX_MSG_ENCODER_EVENT, c.encoder, 130));
    EXPECT_NEAR(block->*c.field, c.expected, 1e-3f);
  }
}

// A reverb's defaults come from the first preset and reach the effect that sounds now, not
// only the chain a load would prepare; a refresh of a stereo delay leaves its settings be.
TEST_F(EffectsPageOverEngine, TheReverbsFirstPresetReachesTheSoundingEffect) {
  const std::string folder = root.MakeDir("/var/lib/ruv/working/effects/");
  std::ofstream(folder + "Wet.reverbfx") << "<FXPreset Version=\"1.0\"><Parameter Nr=\"4\" Name=\"WET\" Value=\"6\"/>"
                                            "<Parameter Nr=\"5\" Name=\"DRY\" Value=\"-50\"/>"
                                            "<Parameter Nr=\"10\" Name=\"APF\" Value=\"40\"/></FXPreset>";
  Give(tagUX_Message(APP_MSG_RESCAN_FILES));
  Assign(3, 6);
  const auto* block = static_cast<const ReverbParams*>(audio->GetFxParams(kPageId, 3));
  ASSERT_NE(block, nullptr);
  EXPECT_FLOAT_EQ(block->wetDb, 6.0f);
  EXPECT_FLOAT_EQ(block->dryDb, -50.0f);
  EXPECT_FLOAT_EQ(block->apfMaxDelayMs, 40.0f);
  EXPECT_FLOAT_EQ(gui->GetParamById(0x83005), -50.0f);
}

}  // namespace

