// Script value controls: the enumerator range rules, SetValue's refusals, and what each kind
// draws where, including formats a script got wrong.
#include <gtest/gtest.h>

#include "toolkit/Flavour.h"
#if SYNTH_TOOLKIT_SCRIPT
#include <memory>
#include <string>

#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/uxValueCtrl.h"

namespace {

using toolkit_test::DrawRecorder;

constexpr uxCOLOR kLabel = 0xC0C0C0, kValue = 0xFFFF00, kBg = 0x101010;

class ValueCtrl : public toolkit_test::WidgetTest {
 protected:
  std::unique_ptr<uxValueCtrl> Make(uxValueCtrl::CtrlType kind, const char* format = "%d") {
    return std::make_unique<uxValueCtrl>(&host_, 3, 77, "Vol", uxPOINT(10, 20), 200, 20, kind, kLabel, kValue, kBg,
                                         format);
  }
  // The PutString calls of a paint other than the caption.
  static std::vector<uxDrawCall> Values(const DrawRecorder& rec) {
    std::vector<uxDrawCall> out;
    for (const uxDrawCall& c : rec.Named("PutString"))
      if (c.text != "Vol") out.push_back(c);
    return out;
  }
  static constexpr int kVx = (3 + 1) * 7;
};

TEST_F(ValueCtrl, EnumeratorsSetTheRangeAndCountTheChoices) {
  auto c = Make(uxValueCtrl::uxValueCtrl_enumerator);
  EXPECT_EQ(c->SetValue(0), 0);  // nothing is in range before the first choice
  std::string temporary = "three";
  c->SetEnumValue(3, temporary.c_str());
  temporary.assign("XXXXX");  // the script's string is gone after the call
  c->SetEnumValue(1, "one");
  c->SetEnumValue(7, "seven");
  EXPECT_EQ(c->GetMinValue(), 0);
  EXPECT_EQ(c->GetMaxValue(), 2);
  EXPECT_EQ(c->SetValue(5), 1);
  EXPECT_EQ(c->SetValue(8), 0);
  EXPECT_EQ(c->SetValue(0), 0);
  EXPECT_EQ(c->SetValue(3), 1);
  DrawRecorder rec(dc_);
  c->OnPaint();
  const auto v = Values(rec);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].text, "three");
  EXPECT_EQ(v[0].a[0], kVx);
  EXPECT_EQ(v[0].a[1], 5);
  EXPECT_EQ(v[0].fore, kValue);
  const auto clear = rec.Named("FillFrame");
  ASSERT_EQ(clear.size(), 2u);
  EXPECT_EQ(std::vector<int>(clear[1].a, clear[1].a + 4), (std::vector<int>{kVx, 3, 7 * (5 + 3 + 1), 16}));

  // A tenth choice is not kept but still widens the range.
  for (int i = 0; i < 6; ++i) c->SetEnumValue(static_cast<unsigned char>(10 + i), "x");
  EXPECT_EQ(c->GetEnumCount(), MAX_ENUMS);
  c->SetEnumValue(200, "far");
  EXPECT_EQ(c->GetEnumCount(), MAX_ENUMS);
  EXPECT_EQ(c->GetMaxValue(), MAX_ENUMS - 1);
  EXPECT_EQ(c->SetValue(150), 1);
  // No choice holds the value: nothing drawn for it.
  rec.calls.clear();
  c->OnPaint();
  EXPECT_TRUE(Values(rec).empty());
}

TEST_F(ValueCtrl, SetValueOfTheCurrentValueIsRefusedButRepaints) {
  auto c = Make(uxValueCtrl::uxValueCtrl_val);
  EXPECT_EQ(c->GetMinValue(), 0);
  EXPECT_EQ(c->GetMaxValue(), 100);
  ASSERT_EQ(c->OnPaint(), 1);
  EXPECT_EQ(c->SetValue(0), 0);
  EXPECT_TRUE(c->needsRepaint());
  EXPECT_EQ(c->SetValue(101), 0);
  EXPECT_EQ(c->SetValue(-1), 0);
  EXPECT_EQ(c->SetValue(100), 1);
  EXPECT_EQ(c->GetIntValue(), 100);
}

float Half(int v) { return v / 2.0f; }

TEST_F(ValueCtrl, EachKindDrawsItsValue) {
  struct Case {
    const char* what;
    uxValueCtrl::CtrlType kind;
    const char* format;
    int value;
    bool formula;
    const char* shown;
  } cases[] = {
      {"val", uxValueCtrl::uxValueCtrl_val, "%d dB", 42, false, "42 dB"},
      {"val cut to 15", uxValueCtrl::uxValueCtrl_val, "%d-----------------", 7, false, "7--------------"},
      {"val with a string conversion", uxValueCtrl::uxValueCtrl_val, "%s", 42, false, "42"},
      {"val with two conversions", uxValueCtrl::uxValueCtrl_val, "%d %d", 42, false, "42"},
      {"val with a float conversion", uxValueCtrl::uxValueCtrl_val, "%f", 42, false, "42"},
      {"val with a star width", uxValueCtrl::uxValueCtrl_val, "%*d", 42, false, "42"},
      {"val with percent signs", uxValueCtrl::uxValueCtrl_val, "%d%%", 42, false, "42%"},
      {"float scaled", uxValueCtrl::uxValueCtrl_val_float, "%.1f", 3, false, "0.8"},
      {"float by formula", uxValueCtrl::uxValueCtrl_val_float, "%.1f", 3, true, "1.5"},
      {"float with an int conversion", uxValueCtrl::uxValueCtrl_val_float, "%d", 3, false, "0.75"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto ctl = Make(c.kind, c.format);
    ctl->SetScaleFactor(0.25f);
    if (c.formula) ctl->SetFormular(Half);
    ctl->SetValue(c.value);
    DrawRecorder rec(dc_);
    ctl->OnPaint();
    const auto v = Values(rec);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].text, c.shown);
    EXPECT_EQ(v[0].a[0], kVx);
    EXPECT_EQ(v[0].a[1], 5);
    EXPECT_EQ(v[0].font, 7);
  }

  auto text = Make(uxValueCtrl::uxValueCtrl_text);
  char value[] = "hello, this text is far longer than thirty-one characters";
  text->SetTextValue(value);
  EXPECT_EQ(std::string(text->GetStringValue()), std::string(value, 31));
  EXPECT_EQ(text->GetMaxValue(), 0);
  DrawRecorder rec(dc_);
  text->OnPaint();
  ASSERT_EQ(Values(rec).size(), 1u);
  // A new text after the control was painted reaches the screen at the next paint.
  char next[] = "bye";
  text->SetTextValue(next);
  DrawRecorder again(dc_);
  text->OnPaint();
  const auto shown = Values(again);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "bye");
}

TEST_F(ValueCtrl, BarFillsByScaleInsideItsFrame) {
  // Ten format characters make a 70-pixel bar.
  auto bar = Make(uxValueCtrl::uxValueCtrl_bar, "0123456789");
  bar->SetValue(50);
  DrawRecorder rec(dc_);
  bar->OnPaint();
  const auto fills = rec.Named("FillFrame");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(std::vector<int>(fills[1].a, fills[1].a + 4), (std::vector<int>{kVx, 3, kVx + 35, 16}));
  EXPECT_EQ(fills[1].colour, kValue);
  const auto frames = rec.Named("DrawFrame");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(std::vector<int>(frames[1].a, frames[1].a + 4), (std::vector<int>{kVx, 3, kVx + 70, 16}));

  // No range: the frame without a bar.
  bar->SetMinMax(50, 50);
  bar->setRepaint();
  rec.calls.clear();
  bar->OnPaint();
  EXPECT_EQ(rec.Named("FillFrame").size(), 1u);
  EXPECT_EQ(rec.Named("DrawFrame").size(), 2u);
}

TEST_F(ValueCtrl, InverseSwapsCaptionColoursAndSelectionFrames) {
  for (bool inverse : {false, true}) {
    SCOPED_TRACE(inverse);
    auto c = Make(uxValueCtrl::uxValueCtrl_val);
    c->Inverse(inverse);
    c->Select(true);
    DrawRecorder rec(dc_);
    c->OnPaint();
    const auto caption = rec.Named("PutString")[0];
    EXPECT_EQ(caption.text, "Vol");
    EXPECT_EQ(caption.a[0], 2);
    EXPECT_EQ(caption.a[1], 5);
    EXPECT_EQ(caption.fore, inverse ? kBg : kLabel);
    EXPECT_EQ(caption.back, inverse ? kLabel : kBg);
    const auto frames = rec.Named("DrawFrame");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].colour, inverse ? kBg : kLabel);
    EXPECT_EQ(frames[1].colour, kLabel);  // selection
  }
  // A move while focused asks for a repaint; without focus it does not.
  auto c = Make(uxValueCtrl::uxValueCtrl_val);
  c->OnPaint();
  tagUX_Message move = toolkit_test::Touch(1, 1, TYPE_MOVE);
  c->OnMessage(&move);
  EXPECT_FALSE(c->needsRepaint());
  c->SetFocus(true);
  c->OnMessage(&move);
  EXPECT_TRUE(c->needsRepaint());
  EXPECT_TRUE(host_.sent.empty());
}

}  // namespace
#endif
