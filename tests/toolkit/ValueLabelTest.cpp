// Value labels: the encoder step of every value type, the controller mapping and the part
// filter, choices and their texts, the flags handed to ValueChanged, which encoder messages a
// label takes, MIDI learning by long press, the change ticks, and where everything is drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxValueLabel.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::Touch;

constexpr int kUid = 0x1234;
constexpr int kW = 180, kH = 70;
constexpr uxCOLOR kBg = 0x202020, kAccent = 0xC00000, kTitle = 0xC0C0C0, kText = 0xFFFFFF, kTextAcc = 0xA4A4A4;

class ValueLabel : public toolkit_test::WidgetTest {
 protected:
  std::unique_ptr<uxValueLabel> Make(uint32_t userData = 0, bool midi = false) {
    auto l = std::make_unique<uxValueLabel>(&host_, kUid, userData, uxPOINT(100, 100), kW, kH, kBg, kAccent, kTitle,
                                            kText, kTextAcc, midi);
    l->SetFocus(true);
    l->SetChecked(true);
    return l;
  }
  static int Send(uxBaseElement& e, tagUX_Message m) { return e.OnMessage(&m); }
  static void Turn(uxBaseElement& e, int encoder, int flag) {
    Send(e, tagUX_Message(UX_MSG_ENCODER_EVENT, encoder, flag));
  }
  static void Ticks(uxBaseElement& e, int n) {
    for (int i = 0; i < n; ++i) Send(e, tagUX_Message(UX_MSG_TICK_EVENT));
  }
  // The PutString calls of one paint with the given text.
  static std::vector<uxDrawCall> Strings(const DrawRecorder& rec, const std::string& text) {
    std::vector<uxDrawCall> out;
    for (const uxDrawCall& c : rec.Named("PutString"))
      if (c.text == text) out.push_back(c);
    return out;
  }
};

TEST_F(ValueLabel, EncoderStepsStopAtEachTypesLimits) {
  struct Case {
    int type, steps;
    float start;
    bool up;
    float factor;  // second function with this factor when not 1
    float expected;
  } cases[] = {
      {1, 0, 100, true, 1, 100},     {1, 0, 50, false, 1, 49},      {1, 0, 50, true, 0.5f, 50.5f},
      {2, 0, -100, false, 1, -100},  {2, 0, -99.5f, false, 1, -100}, {3, 0, 50, true, 1, 50},
      {3, 0, -49.5f, false, 1, -50}, {4, 0, 49, true, 1, 50},       {4, 0, -50, false, 1, -50},
      {5, 0, 24, true, 1, 24},       {5, 0, -24, false, 1, -24},    {6, 0, 128, true, 1, 128},
      {7, 0, 256, true, 1, 256},     {9, 0, 50, true, 1, 50},       {10, 0, 0, false, 1, 0},
      {11, 3, 3, true, 1, 3},        {11, 3, 0, false, 1, 0},       {11, 3, 1, true, 2, 3},
      {12, 0, 7, true, 1, 7},        {13, 0, 7, false, 1, 7},       {15, 0, 30, false, 1, 30},
      {15, 0, 220, true, 1, 220},    {16, 0, 200, true, 1, 200},    {17, 0, 0, true, 1, 5},
      {17, 0, 0, true, 3, 15},       {17, 0, 998, true, 1, 1000},   {17, 0, 0, false, 1, 0},
      {18, 0, 0, true, 1, ux::kScriptFlavour ? 0.0f : 10.0f},       {18, 0, 1000, true, 1, 1000},
      {0, 0, 7, true, 1, 7},         {19, 0, 7, true, 1, 7},        {-1, 0, 7, true, 1, 7},
      // No choices at all: the value rests at 0.
      {8, -1, 0, true, 1, 0},        {11, -1, 0, true, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " from " << c.start << (c.up ? " up" : " down"));
    auto l = Make();
    l->SetEncoderMode(c.type, c.steps);
    l->SetFloatRawValue(c.start);
    if (c.factor != 1.0f) {
      l->setEncoderFactor(c.factor, "x");
      l->set2nd(true);
    }
    l->EncoderStep(c.up);
    EXPECT_FLOAT_EQ(l->GetFloatRawValue(), c.expected);
  }
}

TEST_F(ValueLabel, TypeZeroGraysAndOtherTypesRestore) {
  auto l = Make();
  l->SetFloatValue(42.0f);
  l->SetEncoderMode(0);
  EXPECT_TRUE(l->isGrayed());
  EXPECT_EQ(l->GetFloatValue(), 0.0f);
  l->SetEncoderMode(1);
  EXPECT_FALSE(l->isGrayed());
  // The choice count follows the list when there is one.
  l->AddEnumText("A");
  l->AddEnumText("B");
  l->SetEncoderMode(8, 7);
  EXPECT_EQ(l->GetStepCount(), 2);
}

TEST_F(ValueLabel, TypeEightWalksHalfStepsAndShowsTheWholePart) {
  auto l = Make();
  for (const char* t : {"SAW", "SQR", "TRI"}) l->AddEnumText(t);
  l->SetEncoderMode(8);
  struct Step {
    float raw;
    const char* shown;
  } expected[] = {{0.5f, "SAW"}, {1, "SQR"}, {1.5f, "SQR"}, {2, "TRI"}, {2.5f, "TRI"}, {2, "TRI"}};
  for (const Step& s : expected) {
    Turn(*l, 0, 130);
    EXPECT_FLOAT_EQ(l->GetFloatRawValue(), s.raw);
    EXPECT_STREQ(l->getText(), s.shown);
    EXPECT_FLOAT_EQ(host_.changes.back().value, std::trunc(s.raw));
  }
}

TEST_F(ValueLabel, TypeFourteenShowsAndStepsThePair) {
  auto l = Make();
  l->SetEncoderMode(14);
  l->SetFloatValue(0.0f);
  EXPECT_STREQ(l->getText(), ">off");
  EXPECT_TRUE(l->get2nd());
  l->SetFloatValue(0x25);
  EXPECT_STREQ(l->getText(), ">2:6");
  EXPECT_FLOAT_EQ(l->GetFloatValue(), 0x25);
  EXPECT_FLOAT_EQ(host_.changes.back().value, 0x25);
  l->set2nd(false);
  l->SetFloatValue(0x25);
  EXPECT_STREQ(l->getText(), "2:6<");

  struct Case {
    int pair;
    bool second, up;
    int expected;
  } cases[] = {
      {0x2F, false, true, 0x2F}, {0x20, false, false, 0x20}, {0x25, false, true, 0x26},
      {0xF5, true, true, 0xF5},  {0x05, true, false, 0x05},  {0x25, true, true, 0x35},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pair);
    l->set2nd(false);
    l->SetFloatValue(static_cast<float>(c.pair));
    l->set2nd(c.second);
    l->EncoderStep(c.up);
    EXPECT_EQ(static_cast<int>(l->GetFloatValue()), c.expected);
  }
  // Out-of-range pairs are held to the byte.
  for (float bad : {-5.0f, 1e9f, std::numeric_limits<float>::quiet_NaN()}) {
    l->SetFloatValue(bad);
    EXPECT_GE(l->GetFloatValue(), 0.0f);
    EXPECT_LE(l->GetFloatValue(), 255.0f);
  }
}

TEST_F(ValueLabel, ControllerValuesMapPerType) {
  struct Case {
    int type, steps, u;
    float expected;
  } cases[] = {
      {1, 0, 0, 0},      {1, 0, 64, 50.393700f}, {1, 0, 127, 100},  {2, 0, 0, -100},  {2, 0, 64, 0.787402f},
      {2, 0, 127, 100},  {3, 0, 127, 50},        {4, 0, 0, -50},    {5, 0, 0, -12},   {5, 0, 127, 12},
      {6, 0, 64, 64},    {7, 0, 127, 254},       {8, 2, 64, 1},     {8, 2, 127, 3},   {9, 0, 127, 200},
      {10, 0, 127, 100}, {11, 2, 64, 1.511811f}, {12, 0, 127, 100}, {13, 0, 127, 0},  {15, 0, 127, 0},
      {17, 0, 64, 503.937f}, {17, 0, 127, 1000}, {18, 0, 127, 0},
      // No choices: no division by zero.
      {8, -1, 127, 0},   {11, -1, 64, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " u " << c.u);
    host_.ccMap.fill(-1);
    host_.ccMap[7] = kUid;
    auto l = Make(0x3000, true);
    l->SetEncoderMode(c.type, c.steps);
    l->SetFloatValue(12345.0f, FLAG_NONE);
    const int cc = ux::kScriptFlavour ? 0 : 7;
    host_.changes.clear();
    EXPECT_EQ(l->OnMidiCC(0, 3, cc, c.u), 1);
    ASSERT_EQ(host_.changes.size(), 1u);
    EXPECT_NEAR(host_.changes[0].value, c.expected, 1e-4);
    EXPECT_EQ(host_.changes[0].flags, FLAG_REPAINT);
    // The same value again is not taken.
    EXPECT_EQ(l->OnMidiCC(0, 3, cc, c.u), 0);
  }
}

TEST_F(ValueLabel, ControllersOfAnotherPartOrControllerAreIgnoredInEveryState) {
  host_.ccMap[7] = kUid;
  auto l = Make(0x2000, true);
  l->SetEncoderMode(1);
  const int own = ux::kScriptFlavour ? 0 : 7;
  ASSERT_EQ(l->GetMidiState(), STATE_MIDI_CC_ASSIGNED);
  EXPECT_EQ(l->OnMidiCC(0, 1, own, 100), 0);
  EXPECT_EQ(l->OnMidiCC(0, 2, own + 1, 100), 0);
  EXPECT_TRUE(host_.changes.empty());

  // Learning: another part's controller teaches nothing.
  for (int s : {STATE_MIDI_NONE, STATE_MIDI_CC_LEARN}) {
    Send(*l, Touch(150, 120, TYPE_PRESS));
    Ticks(*l, 31);
    l->OnPaint();
    Send(*l, Touch(150, 120, TYPE_RELEASE));
    ASSERT_EQ(l->GetMidiState(), s == STATE_MIDI_NONE ? STATE_MIDI_NONE : STATE_MIDI_CC_LEARN);
    EXPECT_EQ(l->OnMidiCC(0, 5, 20, 100), 0);
    EXPECT_EQ(l->GetMidiState(), s == STATE_MIDI_NONE ? STATE_MIDI_NONE : STATE_MIDI_CC_LEARN);
  }
  EXPECT_TRUE(host_.changes.empty());
}

TEST_F(ValueLabel, ChoicesClampTheirIndexAndSplitUnits) {
  auto l = Make();
  l->SetLabelText("Wave", "Hz-long");
  EXPECT_STREQ(l->getUnitText(), "Hz-l");
  for (const char* t : {"SINE", "SAW:x2", "SQR"}) l->AddEnumText(t, 1);
  l->SetFloatValue(1.0f);
  EXPECT_STREQ(l->getText(), "SAW");
  EXPECT_STREQ(l->getUnitText(), "x2");
  EXPECT_FLOAT_EQ(host_.changes.back().value, 1);

  // Beyond the list, either side: the texts stay and the index is pulled in.
  struct Case {
    float v, reported;
  } cases[] = {{5, 2}, {3, 2}, {-1, 0}, {-1e30f, 0}, {1e30f, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    l->SetFloatValue(c.v);
    EXPECT_STREQ(l->getText(), "SAW");
    EXPECT_FLOAT_EQ(host_.changes.back().value, c.reported);
    EXPECT_FLOAT_EQ(l->GetFloatValue(), c.reported);
  }

  // NaN counts as choice 0. The instrument's choices bring back the full unit that was
  // current when they were added.
  l->SetFloatValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(host_.changes.back().value, 0);
  EXPECT_STREQ(l->getText(), "SINE");
  EXPECT_STREQ(l->getUnitText(), ux::kScriptFlavour ? "x2" : "Hz-long");
  EXPECT_EQ(l->getEnumAttr(1), ux::kScriptFlavour ? 1u : 0u);
  EXPECT_STREQ(l->getEnumText(3), "");
  EXPECT_STREQ(l->getEnumText(-1), "");

  // A choice's text selects it; any other text is only shown.
  host_.changes.clear();
  l->SetTextValue("SAW:x2");
  EXPECT_FLOAT_EQ(l->GetFloatRawValue(), 1);
  ASSERT_EQ(host_.changes.size(), 1u);
  EXPECT_FLOAT_EQ(host_.changes[0].value, 1);
  l->SetTextValue("free");
  EXPECT_STREQ(l->getText(), "free");
  EXPECT_EQ(host_.changes.size(), 1u);
  EXPECT_FLOAT_EQ(l->GetFloatRawValue(), 1);
  l->SetTextValue(nullptr);
  EXPECT_STREQ(l->getText(), "free");

  // SetIntValue shows a choice's whole text; without choices the number.
  l->SetIntValue(1);
  EXPECT_STREQ(l->getText(), "SAW:x2");
  l->SetLabelText("Level");
  EXPECT_EQ(l->GetStepCount(), 0);
  l->SetIntValue(-7);
  EXPECT_STREQ(l->getText(), "-7");
}

const char* FormatB(float, bool display) { return display ? "1.0" : "B"; }
const char* FormatNull(float, bool) { return nullptr; }

TEST_F(ValueLabel, FormatterWithChoicesEndsAndNullTextIsEmpty) {
  auto l = Make();
  for (const char* t : {"A", "B"}) l->AddEnumText(t);
  l->setConvertFunction(FormatB);
  // "B" is also a choice: the formatter's text must not lead back into SetFloatValue.
  l->SetFloatValue(1.0f);
  EXPECT_STREQ(l->getText(), "B");
  ASSERT_EQ(host_.changes.size(), 1u);
  EXPECT_FLOAT_EQ(host_.changes[0].value, 1);
  EXPECT_FLOAT_EQ(l->convert(7.0f), 1.0f);

  l->setConvertFunction(FormatNull);
  l->SetFloatValue(3.0f);
  EXPECT_STREQ(l->getText(), "");
  EXPECT_FLOAT_EQ(l->convert(3.0f), 0.0f);
}

TEST_F(ValueLabel, SettersReportTheirFlagsAndRepaintOnlyWithTheRepaintFlag) {
  auto l = Make();
  l->SetLabelText("Cutoff", "Hz");
  l->OnPaint();
  l->SetFloatValue(3.5f, FLAG_UPDATE_DS);
  EXPECT_FALSE(l->needsRepaint());
  l->SetFloatValue(4.0f);
  EXPECT_TRUE(l->needsRepaint());
  EXPECT_STREQ(l->getText(), "4");
  ASSERT_EQ(host_.changes.size(), 2u);
  EXPECT_EQ(host_.changes[0].uid, uint32_t(kUid));
  EXPECT_EQ(host_.changes[0].flags, FLAG_UPDATE_DS);
  EXPECT_EQ(host_.changes[1].flags, 7u);

  // Encoder turns use the notification flags: 23 unless changed.
  l->SetEncoderMode(1);
  Turn(*l, 0, 130);
  EXPECT_EQ(host_.changes.back().flags, 23u);
  l->setEncoderNotifications(FLAG_UPDATE_ENGINE);
  Turn(*l, 0, 130);
  EXPECT_EQ(host_.changes.back().flags, FLAG_UPDATE_ENGINE);
  EXPECT_FLOAT_EQ(host_.changes.back().value, 2);
}

TEST_F(ValueLabel, EncoderMessagesAreTakenOnlyByTheCheckedLabelOfTheirEncoder) {
  struct Case {
    const char* what;
    uint32_t userData;
    int encoder;
    bool focus, checked, grayed, enabled, taken;
  } cases[] = {
      {"taken", 9, 1, true, true, false, true, true},
      {"encoder B to a label of A", 3, 1, true, true, false, true, false},
      {"encoder A to a label of B", 8, 0, true, true, false, true, false},
      {"high bits of param ignored", 9, 0x101, true, true, false, true, true},
      // The part in bits 12-15 is not part of the encoder slot.
      {"a label of part B on its encoder", 0x1009, 1, true, true, false, true, true},
      {"a label of part D on encoder D", 0x301B, 3, true, true, false, true, true},
      {"a label of part B, another encoder", 0x1009, 0, true, true, false, true, false},
      {"no focus", 9, 1, false, true, false, true, false},
      {"unchecked", 9, 1, true, false, false, true, false},
      {"grayed", 9, 1, true, true, true, true, false},
      {"disabled", 9, 1, true, true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host_.sent.clear();
    host_.changes.clear();
    log_.Clear();
    auto l = Make(c.userData);
    l->SetEncoderMode(1);
    l->SetFloatRawValue(10.0f);
    l->SetFocus(c.focus);
    l->SetChecked(c.checked);
    l->SetGrayed(c.grayed);
    l->SetEnabled(c.enabled);
    Turn(*l, c.encoder, 131);
    EXPECT_FLOAT_EQ(l->GetFloatRawValue(), c.taken ? 9.0f : 10.0f);
    EXPECT_EQ(host_.changes.size(), c.taken ? 1u : 0u);
    if (!c.taken) {
      EXPECT_TRUE(host_.sent.empty());
      continue;
    }
    ASSERT_EQ(host_.sent.size(), 1u);
    EXPECT_EQ(host_.sent[0].type, UX_MSG_ENCODER_VALUE_CHANGED);
    EXPECT_EQ(host_.sent[0].param, uint32_t(c.encoder));
    EXPECT_EQ(host_.sent[0].flag, 131u);
    EXPECT_EQ(host_.sent[0].arg, 0u);
    char line[64];
    std::snprintf(line, sizeof line, "LABEL %x, value changed 9.000000\n", c.userData);
    EXPECT_EQ(log_.Text(), line);
  }
}

TEST_F(ValueLabel, FlagOneThirtyTwoTogglesTheSecondFunctionAndItsFactor) {
  auto l = Make();
  l->SetEncoderMode(17);
  l->setEncoderFactor(10.0f, "x10");
  Turn(*l, 0, 132);
  EXPECT_TRUE(l->get2nd());
  Turn(*l, 0, 130);
  EXPECT_FLOAT_EQ(l->GetFloatRawValue(), 50.0f);
  DrawRecorder rec(dc_);
  l->OnPaint();
  const auto factor = Strings(rec, "x10");
  ASSERT_EQ(factor.size(), 1u);
  EXPECT_EQ(factor[0].a[0], 20);
  EXPECT_EQ(factor[0].a[1], 0);
  EXPECT_EQ(factor[0].font, 8);
  EXPECT_EQ(factor[0].fore, 0xFFFFFFu);
  Turn(*l, 0, 132);
  Turn(*l, 0, 130);
  EXPECT_FLOAT_EQ(l->GetFloatRawValue(), 55.0f);
}

TEST_F(ValueLabel, LongPressLearnsTheNextControllerOfItsPart) {
  auto l = Make(0x1000, true);
  l->setEnableMidiCC(false);
  l->setEnableMidiCC(true);
  l->SetChecked(false);
  l->SetEncoderMode(1);
  ASSERT_EQ(l->GetMidiState(), STATE_MIDI_NONE);

  Send(*l, Touch(150, 120, TYPE_PRESS));
  EXPECT_TRUE(l->isChecked());
  ASSERT_EQ(host_.sent.size(), 1u);
  EXPECT_EQ(host_.sent[0].type, UX_MSG_ON_LABEL);
  EXPECT_EQ(host_.sent[0].param, 0x1000u);
  EXPECT_EQ(host_.sent[0].flag, 0u);
  // Thirty ticks are not yet a long press.
  Ticks(*l, 30);
  l->OnPaint();
  EXPECT_EQ(l->GetMidiState(), STATE_MIDI_NONE);
  Ticks(*l, 1);
  {
    DrawRecorder rec(dc_);
    l->OnPaint();
    EXPECT_EQ(l->GetMidiState(), STATE_MIDI_CC_LEARN);
    EXPECT_EQ(l->GetTouchState(), uxValueLabel_state_2nd);
    const auto box = rec.Named("FillRoundFrame");
    ASSERT_EQ(box.size(), 1u);
    EXPECT_EQ(std::vector<int>(box[0].a, box[0].a + 5), (std::vector<int>{kW - 32, 2, kW - 10, 20, 3}));
    EXPECT_EQ(box[0].colour, 0x606060u);
    const auto l_ = rec.Named("PutChar");
    ASSERT_EQ(l_.size(), 1u);
    EXPECT_EQ(l_[0].text, "L");
    EXPECT_EQ(l_[0].a[0], kW - 24);
    EXPECT_EQ(l_[0].a[1], 3);
  }
  Send(*l, Touch(150, 120, TYPE_RELEASE));
  EXPECT_EQ(l->GetTouchState(), uxValueLabel_state_released);

  EXPECT_EQ(l->OnMidiCC(0, 1, 74, 64), 0);
  EXPECT_EQ(l->GetMidiState(), STATE_MIDI_CC_ASSIGNED);
  EXPECT_STREQ(l->GetControllerText(), "74");
  {
    DrawRecorder rec(dc_);
    l->OnPaint();
    const auto number = Strings(rec, "74");
    ASSERT_EQ(number.size(), 1u);
    EXPECT_EQ(number[0].a[0], kW - 30);
    EXPECT_EQ(number[0].a[1], 4);
  }
  if constexpr (!ux::kScriptFlavour) {
    EXPECT_EQ(host_.ccMap[74], kUid);
    // The learned controller drives the label from now on.
    EXPECT_EQ(l->OnMidiCC(0, 1, 74, 127), 1);
    EXPECT_FLOAT_EQ(host_.changes.back().value, 100.0f);
  }

  // Another long press forgets it; in the instrument the release takes it out of the map.
  Send(*l, Touch(150, 120, TYPE_PRESS));
  Ticks(*l, 31);
  l->OnPaint();
  EXPECT_EQ(l->GetMidiState(), STATE_MIDI_NONE);
  Send(*l, Touch(150, 120, TYPE_RELEASE));
  if constexpr (!ux::kScriptFlavour) {
    EXPECT_EQ(host_.ccMap[74], -1);
    EXPECT_EQ(Calls("SetCC").back(), "SetCC 74 -1");
  }
}

TEST_F(ValueLabel, StartingControllerStateAndLostAssignments) {
  host_.ccMap[21] = kUid;
  auto plain = Make(0, false);
  EXPECT_EQ(plain->GetMidiState(), STATE_MIDI_NONE);
  auto l = Make(0, true);
  ASSERT_EQ(l->GetMidiState(), STATE_MIDI_CC_ASSIGNED);
  EXPECT_STREQ(l->GetControllerText(), ux::kScriptFlavour ? "0" : "21");

  // The instrument notices within ten ticks that the map lost the controller.
  host_.ccMap[21] = -1;
  Ticks(*l, 9);
  EXPECT_EQ(l->GetMidiState(), STATE_MIDI_CC_ASSIGNED);
  Ticks(*l, 1);
  EXPECT_EQ(l->GetMidiState(), ux::kScriptFlavour ? STATE_MIDI_CC_ASSIGNED : STATE_MIDI_NONE);
  l->setEnableMidiCC(false);
  EXPECT_EQ(l->GetMidiState(), STATE_MIDI_NONE);
}

TEST_F(ValueLabel, ChangeTicksKeepAnUncheckedValueBrightForSixTicks) {
  auto l = Make();
  l->SetChecked(false);
  l->SetFloatValue(5.0f);
  l->SetFloatRawValue(-0.0f);
  EXPECT_FALSE(std::signbit(l->GetFloatRawValue()));
  EXPECT_EQ(l->GetChangeTicks(), 6);
  auto valueColour = [&] {
    DrawRecorder rec(dc_);
    l->setRepaint();
    l->OnPaint();
    const auto v = Strings(rec, "5");
    return v.empty() ? 0u : v[0].fore;
  };
  EXPECT_EQ(valueColour(), kText);
  Ticks(*l, 5);
  EXPECT_EQ(l->GetChangeTicks(), 1);
  l->OnPaint();
  EXPECT_EQ(valueColour(), kText);
  Ticks(*l, 1);
  EXPECT_EQ(l->GetChangeTicks(), 0);
  EXPECT_TRUE(l->needsRepaint());
  EXPECT_EQ(valueColour(), 0x505050u);

  // Without focus a raw change leaves the look alone.
  l->SetFocus(false);
  l->SetFloatRawValue(3.0f);
  EXPECT_EQ(l->GetChangeTicks(), 0);
}

TEST_F(ValueLabel, PaintGeometryAndColours) {
  auto l = Make(0, true);
  l->setEnableMidiCC(false);
  l->setEnableMidiCC(true);  // enabled, nothing learned
  l->SetLabelText("CUTOFF", "Hz");
  l->SetFloatValue(440.0f);
  DrawRecorder rec(dc_);
  ASSERT_EQ(l->OnPaint(), 1);
  const tFontSize small = dc_.getFontSize(9), big = dc_.getFontSize(13);

  const auto begin = rec.Named("BeginPaint");
  ASSERT_EQ(begin.size(), 1u);
  EXPECT_EQ(std::vector<int>(begin[0].a, begin[0].a + 6), (std::vector<int>{100, 100, kW, kH, 0, 0}));
  const auto fill = rec.Named("FillFrame");
  ASSERT_FALSE(fill.empty());
  EXPECT_EQ(std::vector<int>(fill[0].a, fill[0].a + 4), (std::vector<int>{0, 0, kW, kH}));
  EXPECT_EQ(fill[0].colour, kBg);
  const auto frame = rec.Named("DrawRoundFrame");
  ASSERT_EQ(frame.size(), 1u);
  EXPECT_EQ(std::vector<int>(frame[0].a, frame[0].a + 5), (std::vector<int>{6, 6, kW - 12, kH - 12, 8}));
  EXPECT_EQ(frame[0].colour, dc_.getSelectColor());

  const auto caption = Strings(rec, "CUTOFF");
  ASSERT_EQ(caption.size(), 1u);
  EXPECT_EQ(caption[0].a[0], kW / 2 - 6 * small.width / 2);
  EXPECT_EQ(caption[0].a[1], 6 + 1 - small.height / 2);
  EXPECT_EQ(caption[0].font, 9);
  EXPECT_EQ(caption[0].fore, kTitle);

  const auto value = Strings(rec, "440");
  ASSERT_EQ(value.size(), 1u);
  const int vy = kH / 2 - big.height / 2;
  EXPECT_EQ(value[0].a[0], kW / 2 - (2 * small.width + 3 * big.width) / 2);
  EXPECT_EQ(value[0].a[1], vy);
  EXPECT_EQ(value[0].font, 13);
  EXPECT_EQ(value[0].fore, kText);
  const auto unit = Strings(rec, "Hz");
  ASSERT_EQ(unit.size(), 1u);
  EXPECT_EQ(unit[0].a[0], kW / 2 + 3 * big.width / 2);
  EXPECT_EQ(unit[0].a[1], vy + big.height - 2 - small.height);
  EXPECT_EQ(unit[0].font, 9);
  EXPECT_EQ(unit[0].fore, kTextAcc);

  const auto marker = rec.Named("FillRoundFrame");
  ASSERT_EQ(marker.size(), 1u);
  EXPECT_EQ(std::vector<int>(marker[0].a, marker[0].a + 5), (std::vector<int>{kW - 32, 2, kW - 10, 10, 3}));
  EXPECT_EQ(marker[0].colour, dc_.getSelectColor());
  EXPECT_FALSE(l->needsRepaint());

  // Unchecked: the dim look; a clean label does not paint again.
  rec.calls.clear();
  l->OnPaint();
  EXPECT_TRUE(rec.calls.empty());
  l->SetChecked(false);
  l->OnPaint();
  EXPECT_EQ(rec.Named("FillFrame")[0].colour, 0x101010u);
  EXPECT_EQ(rec.Named("DrawRoundFrame")[0].colour, kAccent);
  EXPECT_EQ(rec.Named("FillRoundFrame")[0].colour, kAccent);
  EXPECT_EQ(Strings(rec, "Hz")[0].fore, 0x404040u);
  EXPECT_EQ(Strings(rec, "440")[0].fore, 0x505050u);

  // Inactive: the grayed text, centred, and the dim frame; forced even though disabled.
  rec.calls.clear();
  l->SetChecked(true);
  l->SetEnabled(false);
  l->setGrayedText("--");
  l->SetActive(false, true);
  l->OnPaint();
  EXPECT_EQ(rec.Named("DrawRoundFrame")[0].colour, 0x404040u);
  const auto grey = Strings(rec, "--");
  ASSERT_EQ(grey.size(), 1u);
  EXPECT_EQ(grey[0].a[0], kW / 2 - 2 * big.width / 2);
  EXPECT_TRUE(Strings(rec, "440").empty());
}

TEST_F(ValueLabel, AttributeBitZeroDimsTheValue) {
  auto l = Make();
  l->AddEnumText("OFF", 1);
  l->AddEnumText("ON", 0);
  l->SetFloatValue(0.0f);
  DrawRecorder rec(dc_);
  l->OnPaint();
  const uxCOLOR dim = ux::kScriptFlavour ? 0x404040u : 0x606060u;
  // The instrument's choices carry no attribute.
  EXPECT_EQ(Strings(rec, "OFF")[0].fore, ux::kScriptFlavour ? dim : kText);
  rec.calls.clear();
  l->SetFloatValue(1.0f);
  l->OnPaint();
  EXPECT_EQ(Strings(rec, "ON")[0].fore, kText);
}

#if SYNTH_TOOLKIT_SCRIPT
TEST_F(ValueLabel, ScriptLabelsTakeTheThemeAndAFourColourForm) {
  CTheme::SetNamedColor("MixValLblBg", 0x000011);
  CTheme::SetNamedColor("MixValLblBorder", 0x000022);
  CTheme::SetNamedColor("ValLblBgDisabled", 0x000033);
  uxValueLabel l(&host_, "Mix", 1, 0, uxPOINT(0, 0), kW, kH, kBg, kTitle, kText, kTextAcc, false);
  EXPECT_STREQ(l.getName(), "Mix");
  l.SetChecked(true);
  DrawRecorder rec(dc_);
  l.OnPaint();
  EXPECT_EQ(rec.Named("FillFrame")[0].colour, 0x000011u);
  EXPECT_EQ(rec.Named("DrawRoundFrame")[0].colour, 0x000022u);
  rec.calls.clear();
  l.SetChecked(false);
  l.OnPaint();
  EXPECT_EQ(rec.Named("FillFrame")[0].colour, 0x000033u);
  EXPECT_EQ(rec.Named("DrawRoundFrame")[0].colour, 0x404040u);
  uxValueLabel unnamed(&host_, 1, 0, uxPOINT(0, 0), kW, kH, kBg, kTitle, kText, kTextAcc, false);
  EXPECT_STREQ(unnamed.getName(), "ValueLabel");
}
#endif

}  // namespace
