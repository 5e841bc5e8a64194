// Buttons, labels and images: what a touch does to a button and what it sends, the ignored
// touches, where captions land for each font and alignment, the theme roles per flavour,
// the label's grey, disabled and caption looks, and the image index rules.
#include <gtest/gtest.h>

#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxImage.h"
#include "toolkit/uxImageButton.h"
#include "toolkit/uxLabel.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::Touch;

class Widgets : public toolkit_test::WidgetTest {
 protected:
  std::unique_ptr<uxButton> Button(unsigned id = 42) {
    auto b = std::make_unique<uxButton>(&host_, "Play", id, uxPOINT(100, 100), 120, 40, 0x202020, 0x808080,
                                        0xFFFFFF);
    b->SetFocus(true);
    return b;
  }
  int Send(uxBaseElement& e, tagUX_Message m) { return e.OnMessage(&m); }
  // The one PutString of a paint.
  static uxDrawCall Text(const DrawRecorder& rec) {
    const auto texts = rec.Named("PutString");
    EXPECT_EQ(texts.size(), 1u);
    return texts.empty() ? uxDrawCall{} : texts[0];
  }
  // Writes a w x h picture of one colour into the image directory.
  void WriteImage(const std::string& name, int w, int h, uint32_t colour) {
    toolkit_test::Picture pic{w, h, std::vector<uint32_t>(std::size_t(w) * h, colour)};
    ASSERT_TRUE(toolkit_test::WritePng(dir_ + name, pic));
  }
  testing_support::TempDataRoot root_;
  std::string dir_ = root_.MakeDir(PATH_IMAGES);
};

TEST_F(Widgets, ToggleButtonPressSendsOnAndReleaseSendsOffWherever) {
  auto b = Button(42);
  EXPECT_EQ(Send(*b, Touch(150, 120, TYPE_PRESS)), 0);
  EXPECT_TRUE(b->isChecked());
  // A second press before the release is not taken.
  Send(*b, Touch(150, 120, TYPE_PRESS));
  EXPECT_TRUE(b->isChecked());
  Send(*b, Touch(700, 400, TYPE_RELEASE));  // the finger left the button
  ASSERT_EQ(host_.sent.size(), 2u);
  EXPECT_EQ(host_.sent[0].type, UX_MSG_ON_BUTTON);
  EXPECT_EQ(host_.sent[0].param, 42u);
  EXPECT_EQ(host_.sent[0].flag, 0u);
  EXPECT_EQ(host_.sent[1].type, UX_MSG_OFF_BUTTON);
  EXPECT_EQ(host_.sent[1].param, 42u);

  // The next press toggles back; a press outside only repaints, its release still reports.
  Send(*b, Touch(219, 140, TYPE_PRESS));  // corner, inclusive
  EXPECT_FALSE(b->isChecked());
  Send(*b, Touch(100, 100, TYPE_RELEASE));
  host_.sent.clear();
  Send(*b, Touch(221, 120, TYPE_PRESS));
  EXPECT_FALSE(b->isChecked());
  Send(*b, Touch(221, 120, TYPE_RELEASE));
  ASSERT_EQ(host_.sent.size(), 1u);
  EXPECT_EQ(host_.sent[0].type, UX_MSG_OFF_BUTTON);
}

TEST_F(Widgets, ButtonModesDecideWhatAPressChanges) {
  struct Case {
    int mode;
    bool checked, state;
  } cases[] = {
      {BtnModeToggle, true, false},
      {BtnModeGridToggle, false, true},
      {BtnModeSelectable, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    auto b = Button();
    b->setMode(c.mode);
    Send(*b, Touch(150, 120, TYPE_PRESS));
    EXPECT_EQ(b->isChecked(), c.checked);
    EXPECT_EQ(b->getButtonState(), c.state);
    EXPECT_EQ(host_.sent.back().type, UX_MSG_ON_BUTTON);
  }
}

TEST_F(Widgets, LabelButtonsAndUnfocusedButtonsIgnoreTouchesEntirely) {
  for (bool label : {true, false}) {
    auto b = Button();
    if (label)
      b->Label(true);
    else
      b->SetFocus(false);
    b->OnPaint();
    for (int type : {TYPE_PRESS, TYPE_MOVE, TYPE_RELEASE}) Send(*b, Touch(150, 120, type));
    EXPECT_FALSE(b->isChecked());
    EXPECT_TRUE(host_.sent.empty());
    EXPECT_FALSE(b->needsRepaint());
  }
}

TEST_F(Widgets, ButtonCaptionFontAndPlacement) {
  struct Case {
    bool large, small;
    int16_t align;
    int font;
  } cases[] = {
      {false, false, 0, 12}, {false, true, 1, 12}, {true, false, 1, 11}, {true, true, 2, 8}, {true, false, 2, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.font * 10 + c.align);
    uxButton b(&host_, "b", 1, uxPOINT(10, 20), 150, 45, 0x202020, 0x808080, 0xFFFFFF, c.large, c.align, 5);
    b.SetText("SAVE", true, c.small);
    DrawRecorder rec(dc_);
    b.OnPaint();
    const tFontSize cell = dc_.getFontSize(c.font);
    // Right-aligned text ends one column short of the edge, where the drawing would wrap.
    const int xs[] = {3, 150 / 2 - (4 * cell.width) / 2, 150 - 4 * cell.width - 1};
    const uxDrawCall t = Text(rec);
    EXPECT_EQ(t.font, c.font);
    EXPECT_EQ(t.a[0], xs[c.align]);
    EXPECT_EQ(t.a[1], 45 / 2 - cell.height / 2);
  }
  // An unknown alignment draws no caption.
  uxButton odd(&host_, "b", 1, uxPOINT(10, 20), 150, 45, 0, 0, 0, true, 3, 5);
  odd.SetText("X");
  DrawRecorder rec(dc_);
  odd.OnPaint();
  EXPECT_TRUE(rec.Named("PutString").empty());
}

TEST_F(Widgets, ButtonColoursFollowCheckModeAndState) {
  // Colours as the instrument takes them; the theme is empty, so the script flavour falls
  // back to the same values.
  constexpr uxCOLOR bg = 0x202020, bound = 0x808080, text = 0xFFFFFF, check = 0x0000D2, checkText = 0x303030,
                    select = 0xFF0000;
  struct Case {
    const char* what;
    int mode;
    bool checked, state, selected;
    uxCOLOR fill;
    int fillLeft;
    uxCOLOR frame, fore, back;
  } cases[] = {
      {"toggle off", BtnModeToggle, false, false, false, bg, 0, bound, text, bg},
      {"toggle on", BtnModeToggle, true, false, false, check, 5, bound, text, check},
      {"toggle on, state on", BtnModeToggle, true, true, false, check, 5, bound, text, check},
      {"grid off", BtnModeGridToggle, false, false, false, bg, 0, bound, checkText, bg},
      {"grid on", BtnModeGridToggle, false, true, false, bg, 0, bound, text, bg},
      {"grid checked never fills", BtnModeGridToggle, true, true, false, bg, 0, bound, text, bg},
      {"selected", BtnModeSelectable, false, false, true, bg, 0, select, text, bg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto b = Button();
    b->SetText("GO");
    b->setMode(c.mode);
    b->SetChecked(c.checked);
    b->setButtonState(c.state);
    b->Select(c.selected);
    DrawRecorder rec(dc_);
    b->OnPaint();
    const auto fills = rec.Named("FillFrame");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].colour, c.fill);
    EXPECT_EQ(fills[0].a[0], c.fillLeft);
    const auto frames = rec.Named("DrawFrame");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(std::vector<int>(frames[0].a, frames[0].a + 4), (std::vector<int>{5, 0, 119, 39}));
    EXPECT_EQ(frames[0].colour, c.frame);
    const uxDrawCall t = Text(rec);
    EXPECT_EQ(t.fore, c.fore);
    EXPECT_EQ(t.back, c.back);
  }
}

TEST_F(Widgets, ButtonShowsTheAlternateCaptionWhileItsStateIsOff) {
  auto b = Button();
  b->SetText("MUTE");
  b->SetText("mute", false);
  EXPECT_STREQ(b->GetText(false), "mute");
  for (bool state : {false, true}) {
    b->setButtonState(state);
    DrawRecorder rec(dc_);
    b->OnPaint();
    EXPECT_EQ(Text(rec).text, state ? "MUTE" : "mute");
  }
  // Null texts change nothing.
  b->SetText(nullptr);
  b->SetTextRef(nullptr);
  char* none = nullptr;
  b->SetTextRef(&none);
  EXPECT_STREQ(b->GetText(), "MUTE");
  char ref[] = "SOLO";
  char* p = ref;
  b->SetTextRef(&p);
  EXPECT_STREQ(b->GetText(), "SOLO");
}

TEST_F(Widgets, ButtonThemeRolesInTheScriptFlavour) {
  CTheme::SetNamedColor("FgAcc", 0x000001);         // role only, not cascaded: ignored
  CTheme::SetNamedColor("PlayBtnFgAcc", 0x000002);  // element + widget: used
  CTheme::SetNamedColor("BtnBorderAcc", 0x000003);  // widget + role, not cascaded: ignored
  CTheme::SetNamedColor("BtnTextAcc", 0x000004);    // cascaded
  CTheme::SetNamedColor("Fg", 0x000005);            // cascaded
  CTheme::SetNamedColor("PlayBorder", 0x000006);    // cascaded
  auto b = Button();
  b->SetText("GO");
  b->setMode(BtnModeGridToggle);
  b->Select(true);
  DrawRecorder rec(dc_);
  b->OnPaint();
  EXPECT_EQ(rec.Named("FillFrame")[0].colour, ux::kScriptFlavour ? 0x000002u : 0x202020u);
  EXPECT_EQ(rec.Named("DrawFrame")[0].colour, ux::kScriptFlavour ? 0x000006u : 0xFF0000u);
  EXPECT_EQ(Text(rec).fore, ux::kScriptFlavour ? 0x000004u : 0x303030u);
  b->Select(false);
  b->SetChecked(true);
  b->setMode(BtnModeToggle);
  rec.calls.clear();
  b->OnPaint();
  EXPECT_EQ(rec.Named("FillFrame")[0].colour, ux::kScriptFlavour ? 0x000005u : 0x0000D2u);
  EXPECT_EQ(rec.Named("DrawFrame")[0].colour, 0x808080u);
}

TEST_F(Widgets, ButtonImageReplacesTheFillButNotFrameAndCaption) {
  WriteImage("key.png", 120, 40, 0x00FF00);
  const int index = dc_.loadImage("key.png");
  ASSERT_GE(index, 0);
  for (int image : {index, index + 5, -7}) {
    SCOPED_TRACE(image);
    auto b = Button();
    b->SetText("GO");
    b->SetImage(image);
    DrawRecorder rec(dc_);
    b->OnPaint();
    EXPECT_EQ(rec.Named("DrawImage").size(), image == index ? 1u : 0u);
    EXPECT_TRUE(rec.Named("FillFrame").empty());
    EXPECT_EQ(rec.Named("DrawFrame").size(), 1u);
    EXPECT_EQ(rec.Named("PutString").size(), 1u);
  }
  EXPECT_EQ(dc_.ScreenPixel(101, 101), 0x00FF00u);
}

TEST_F(Widgets, LabelGreyedShowsADashAndDisabledDrawsNothing) {
  uxLabel l(&host_, uxPOINT(10, 10), 200, 40, 0x404040, 0xC0C0C0, 0x00FFFF, 9);
  EXPECT_STREQ(l.getName(), "Label");
  l.setText("440");
  l.SetGrayed(true);
  DrawRecorder rec(dc_);
  l.OnPaint();
  const int font = ux::kScriptFlavour ? 7 : 9;
  const tFontSize cell = dc_.getFontSize(font);
  const uxDrawCall t = Text(rec);
  EXPECT_EQ(t.text, "-");
  EXPECT_EQ(t.font, font);
  EXPECT_EQ(t.a[0], 100 - cell.width / 2);
  EXPECT_EQ(t.a[1], 20 - cell.height / 2);
  EXPECT_TRUE(rec.Named("DrawFrame").empty());

  rec.calls.clear();
  l.SetEnabled(false);
  l.OnPaint();
  for (const uxDrawCall& c : rec.calls) EXPECT_TRUE(std::string(c.op) == "BeginPaint" || std::string(c.op) == "EndPaint");
  EXPECT_FALSE(l.needsRepaint());
}

TEST_F(Widgets, LabelCaptionModeFramesRoundAndSetsTheUnitBesideTheText) {
  uxLabel l(&host_, uxPOINT(10, 10), 200, 60, 0x404040, 0xC0C0C0, 0x00FFFF, 9);
  l.setText("440");
  l.OnPaint();
  l.setLabelText("CUTOFF", "Hz", 0x808080);
  EXPECT_FALSE(l.needsRepaint());
  l.setRepaint();
  l.SetChecked(true);
  DrawRecorder rec(dc_);
  l.OnPaint();
  const tFontSize cell = dc_.getFontSize(ux::kScriptFlavour ? 7 : 9), small = dc_.getFontSize(9);
  const auto round = rec.Named("DrawRoundFrame");
  ASSERT_EQ(round.size(), 1u);
  EXPECT_EQ(std::vector<int>(round[0].a, round[0].a + 5), (std::vector<int>{6, 6, 188, 48, 8}));
  EXPECT_EQ(round[0].colour, dc_.getSelectColor());
  EXPECT_TRUE(rec.Named("DrawFrame").empty());
  const auto texts = rec.Named("PutString");
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, "CUTOFF");
  EXPECT_EQ(std::vector<int>(texts[0].a, texts[0].a + 2),
            (std::vector<int>{100 - 6 * small.width / 2, 7 - small.height / 2}));
  EXPECT_EQ(texts[0].font, 9);
  EXPECT_EQ(texts[1].text, "440");
  EXPECT_EQ(std::vector<int>(texts[1].a, texts[1].a + 2),
            (std::vector<int>{100 - (2 * small.width + 3 * cell.width) / 2, 30 - cell.height / 2}));
  EXPECT_EQ(texts[2].text, "Hz");
  EXPECT_EQ(std::vector<int>(texts[2].a, texts[2].a + 2),
            (std::vector<int>{100 + (3 * cell.width) / 2, cell.height - 2 - small.height - cell.height / 2 + 30}));
  EXPECT_EQ(texts[2].fore, 0x808080u);
  // The unit's lower edge meets the text's.
  EXPECT_EQ(texts[2].a[1] + small.height, texts[1].a[1] + cell.height - 2);
}

TEST_F(Widgets, LabelMovesRepaintAndNullTextIsIgnored) {
  uxLabel l(&host_, uxPOINT(10, 10), 200, 40, 0, 0, 0, 7);
  l.setText("abc");
  l.OnPaint();
  l.setText(nullptr);
  EXPECT_STREQ(l.getText(), "abc");
  EXPECT_FALSE(l.needsRepaint());
  Send(l, Touch(0, 0, TYPE_MOVE));
  EXPECT_TRUE(l.needsRepaint());
  EXPECT_TRUE(host_.sent.empty());
}

TEST_F(Widgets, ImageShowsListedImagesAndKeepsTheFirstSize) {
  WriteImage("a.png", 30, 20, 0xFF0000);
  WriteImage("b.png", 10, 10, 0x0000FF);
  uxImage img(&host_, uxPOINT(50, 60), "a.png");
  EXPECT_EQ(img.getClientRect()->width, 30);
  EXPECT_EQ(img.getClientRect()->height, 20);
  EXPECT_EQ(img.addImage("missing.png"), -1);
  EXPECT_EQ(img.addImage("b.png"), 1);
  img.OnPaint();
  EXPECT_EQ(dc_.ScreenPixel(50, 60), 0xFF0000u);

  // Beyond the list, or negative: nothing changes, not even the repaint flag.
  for (int n : {2, -1, 1000}) {
    img.showImage(n);
    EXPECT_FALSE(img.needsRepaint());
  }
  img.showImage(1);
  EXPECT_EQ(img.getClientRect()->width, 30);
  DrawRecorder rec(dc_);
  img.OnPaint();
  ASSERT_EQ(rec.Named("DrawImage").size(), 1u);
  EXPECT_EQ(rec.Named("DrawImage")[0].text, "b.png");

  // A file that does not load leaves an empty element that draws nothing.
  uxImage none(&host_, uxPOINT(0, 0), "missing.png", dir_);
  EXPECT_EQ(none.getClientRect()->width, 0);
  none.OnPaint();
  EXPECT_EQ(dc_.ScreenPixel(0, 0), 0u);
}

TEST_F(Widgets, ButtonsAndLabelsOnScreen) {
  dc_.FillScreen(0x333333);
  struct B {
    const char* text;
    int mode;
    bool checked, state, selected;
  } buttons[] = {
      {"OFF", BtnModeToggle, false, false, false},
      {"ON", BtnModeToggle, true, false, false},
      {"GRID", BtnModeGridToggle, false, false, false},
      {"GRID", BtnModeGridToggle, false, true, false},
      {"SEL", BtnModeSelectable, false, false, true},
  };
  int x = 10;
  for (const B& c : buttons) {
    uxButton b(&host_, c.text, 1, uxPOINT(x, 10), 90, 40, 0x202020, 0x808080, 0xFFFFFF);
    b.SetText(c.text);
    b.setMode(c.mode);
    b.SetChecked(c.checked);
    b.setButtonState(c.state);
    b.Select(c.selected);
    b.OnPaint();
    x += 100;
  }
  // Font 7 in both flavours: the script module's name-less label always uses it.
  uxLabel plain(&host_, uxPOINT(10, 60), 140, 40, 0x404040, 0xC0C0C0, 0x00FFFF, 7);
  plain.setText("PLAIN");
  plain.OnPaint();
  uxLabel captioned(&host_, uxPOINT(160, 60), 160, 60, 0x202020, 0xC0C0C0, 0xFFFFFF, 7);
  captioned.setText("1250");
  captioned.setLabelText("CUTOFF", "Hz", 0x808080);
  captioned.OnPaint();
  uxLabel greyed(&host_, uxPOINT(330, 60), 100, 40, 0x404040, 0xC0C0C0, 0x00FFFF, 7);
  greyed.setText("unused");
  greyed.SetGrayed(true);
  greyed.OnPaint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("buttons_labels", toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen,
                                                                                   0, 0, 520, 130)));
}

#if SYNTH_TOOLKIT_SCRIPT
TEST_F(Widgets, ImageButtonFlipsOnEveryPressWithoutHitOrFocusTest) {
  WriteImage("on.png", 20, 20, 0x00FF00);
  WriteImage("off.png", 20, 20, 0x400000);
  uxImageButton b(&host_, uxPOINT(10, 10), "on.png", "off.png");
  b.OnPaint();
  EXPECT_EQ(dc_.ScreenPixel(10, 10), 0x400000u);
  Send(b, Touch(700, 400, TYPE_PRESS));
  EXPECT_TRUE(b.isChecked());
  Send(b, Touch(700, 400, TYPE_RELEASE));
  EXPECT_TRUE(b.isChecked());
  b.OnPaint();
  EXPECT_EQ(dc_.ScreenPixel(10, 10), 0x00FF00u);
  Send(b, Touch(15, 15, TYPE_PRESS));
  EXPECT_FALSE(b.isChecked());
  EXPECT_TRUE(host_.sent.empty());
}
#endif

}  // namespace
