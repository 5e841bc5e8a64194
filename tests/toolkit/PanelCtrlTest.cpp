// The panel container: its client rectangle, the caption each flavour paints, that children
// paint even under a disabled panel, the close box, and ownership of the children.
#include <gtest/gtest.h>

#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxPanelCtrl.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::Probe;
using toolkit_test::Touch;

class Panel : public toolkit_test::WidgetTest {
 protected:
  // A full-width page with a caption and a close box.
  uxPanelCtrl* Page(const char* name = "MASTER") {
    page_ = std::make_unique<uxPanelCtrl>(&host_, 7, name, uxPOINT(0, 0), 800, 480, 0x101010,
                                          OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE);
    return page_.get();
  }
  std::vector<std::string> journal_;  // outlives the page, whose children write to it
  std::unique_ptr<uxPanelCtrl> page_;
};

TEST_F(Panel, CaptionTakesFortyRowsFromTheClientRectangle) {
  struct Case {
    int options;
    uxRECT expected;
  } cases[] = {
      {0, uxRECT(20, 30, 320, 230, 300, 200)},
      {OPTION_FLAG_CAPTION, uxRECT(20, 70, 320, 230, 300, 160)},
      {OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE, uxRECT(20, 70, 320, 230, 300, 160)},
  };
  for (const Case& c : cases) {
    uxPanelCtrl p(&host_, 1, "p", uxPOINT(20, 30), 300, 200, 0, c.options);
    const uxRECT* r = p.getClientRect();
    EXPECT_EQ(r->left, c.expected.left);
    EXPECT_EQ(r->top, c.expected.top);
    EXPECT_EQ(r->right, c.expected.right);
    EXPECT_EQ(r->bottom, c.expected.bottom);
    EXPECT_EQ(r->width, c.expected.width);
    EXPECT_EQ(r->height, c.expected.height);
    EXPECT_TRUE(p.isEnabled());
    EXPECT_EQ(p.GetUserData(), 1u);
    EXPECT_EQ(p.GetID(), -1);
  }
}

TEST_F(Panel, CaptionShowsNameTypeNameAndCloseBoxInTheFlavoursColours) {
  // The script flavour asks the theme; the instrument ignores it.
  CTheme::SetNamedColor("TitleText", 0x112233);
  CTheme::SetNamedColor("PanelCtrlTitleTextBg", 0x445566);
  CTheme::SetNamedColor("MASTERTitleTextAcc", 0x778899);
  CTheme::SetNamedColor("TitleTextBgAcc", 0x0A0B0C);
  CTheme::SetNamedColor("BtnBorder", 0x00FF00);
  uxPanelCtrl* p = Page();
  p->SetTypeName("SYNTH A");
  DrawRecorder rec(dc_);
  p->OnPaint();

  const tFontSize cell = dc_.getFontSize(12);
  const int row = 22 - cell.height / 2;
  const uxCOLOR nameFore = ux::kScriptFlavour ? 0x112233 : 0x000000;
  const uxCOLOR nameBack = ux::kScriptFlavour ? 0x445566 : 0xA40000;
  const uxCOLOR typeFore = ux::kScriptFlavour ? 0x778899 : 0xFFFFFF;
  const uxCOLOR typeBack = ux::kScriptFlavour ? 0x0A0B0C : 0x505050;
  const uxCOLOR closeFrame = ux::kScriptFlavour ? 0x00FF00 : 0xFFFFFF;

  const auto begins = rec.Named("BeginPaint");
  ASSERT_EQ(begins.size(), 2u);
  // The whole panel from the caption's top, then the caption alone.
  EXPECT_EQ(std::vector<int>(begins[0].a, begins[0].a + 4), (std::vector<int>{0, 0, 800, 480}));
  EXPECT_EQ(std::vector<int>(begins[1].a, begins[1].a + 4), (std::vector<int>{0, 0, 800, 40}));
  const auto fills = rec.Named("FillFrame");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(std::vector<int>(fills[0].a, fills[0].a + 4), (std::vector<int>{0, 40, 799, 480}));
  EXPECT_EQ(fills[0].colour, 0x101010u);
  EXPECT_EQ(std::vector<int>(fills[1].a, fills[1].a + 4), (std::vector<int>{0, 0, 799, 40}));
  EXPECT_EQ(fills[1].colour, 0x505050u);

  const auto texts = rec.Named("PutString");
  ASSERT_EQ(texts.size(), 3u);
  struct Expect {
    const char* text;
    int x;
    uxCOLOR fore, back;
  } expected[] = {
      {"MASTER", 10, nameFore, nameBack},
      {"SYNTH A", 6 * cell.width + 30, typeFore, typeBack},
      {" X ", 800 - 55, nameFore, nameBack},
  };
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(texts[i].text, expected[i].text);
    EXPECT_EQ(texts[i].a[0], expected[i].x);
    EXPECT_EQ(texts[i].a[1], row);
    EXPECT_EQ(texts[i].font, 12);
    EXPECT_EQ(texts[i].fore, expected[i].fore);
    EXPECT_EQ(texts[i].back, expected[i].back);
  }
  const auto frames = rec.Named("DrawFrame");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(std::vector<int>(frames[0].a, frames[0].a + 4), (std::vector<int>{740, 5, 795, 35}));
  EXPECT_EQ(frames[0].colour, closeFrame);
  // The caption reached the screen.
  EXPECT_EQ(dc_.ScreenPixel(400, 2), 0x505050u);
  EXPECT_EQ(dc_.ScreenPixel(400, 300), 0x101010u);
}

// With nothing in the theme for it, or only the defaults, the type name is white on the
// caption's grey in both flavours.
TEST_F(Panel, TypeNameIsReadableWithoutThemeEntriesForIt) {
  for (const bool defaults : {false, true}) {
    SCOPED_TRACE(defaults ? "default theme" : "empty theme");
    CTheme::AppColors.clear();
    if (defaults) CTheme::Init();
    uxPanelCtrl* p = Page();
    p->SetTypeName("SYNTH A");
    DrawRecorder rec(dc_);
    p->OnPaint();
    int found = 0;
    for (const uxDrawCall& t : rec.Named("PutString")) {
      if (t.text != "SYNTH A") continue;
      ++found;
      EXPECT_EQ(t.fore, 0xFFFFFFu);
      EXPECT_EQ(t.back, 0x505050u);
    }
    EXPECT_EQ(found, 1);
  }
}

TEST_F(Panel, CaptionRepaintAloneRedrawsOnlyTheCaption) {
  uxPanelCtrl* p = Page();
  p->OnPaint();
  p->SetTypeName("VOICE B", true);
  DrawRecorder rec(dc_);
  p->OnPaint();
  const auto begins = rec.Named("BeginPaint");
  ASSERT_EQ(begins.size(), 1u);
  EXPECT_EQ(begins[0].a[3], CAPTION_HEIGHT);
  rec.calls.clear();
  p->OnPaint();
  EXPECT_TRUE(rec.Named("BeginPaint").empty());
}

TEST_F(Panel, ImagePanelWithCaptionPaintsPerFlavour) {
  testing_support::TempDataRoot root;
  const std::string dir = root.MakeDir(PATH_IMAGES);
  toolkit_test::Picture pic{4, 4, std::vector<uint32_t>(16, 0x00C0FF)};
  ASSERT_TRUE(toolkit_test::WritePng(dir + "back.png", pic));
  const int index = dc_.loadImage("back.png");
  ASSERT_GE(index, 0);

  // No caller builds a captioned panel around an image with the image constructor, so the
  // case comes from a captioned panel that was given an image after construction.
  class ImagePanel : public uxPanelCtrl {
   public:
    ImagePanel(uxHost* h, int image) : uxPanelCtrl(h, 1, "IMG", uxPOINT(0, 0), 800, 480, 0x101010,
                                                   OPTION_FLAG_CAPTION) {
      backgroundImage_ = image;
    }
  } p(&host_, index);
  DrawRecorder rec(dc_);
  p.OnPaint();
  const auto images = rec.Named("DrawImage");
  ASSERT_EQ(images.size(), 1u);
  if constexpr (ux::kScriptFlavour) {
    // The image replaces the caption, drawn in the client rectangle.
    EXPECT_TRUE(rec.Named("PutString").empty());
    EXPECT_EQ(rec.Named("BeginPaint")[0].a[1], 40);
    EXPECT_EQ(images[0].a[1], 0);
  } else {
    // Image and caption are independent; the image sits under the caption.
    ASSERT_EQ(rec.Named("PutString").size(), 1u);
    EXPECT_EQ(rec.Named("BeginPaint")[0].a[1], 0);
    EXPECT_EQ(images[0].a[1], 40);
  }
  EXPECT_EQ(dc_.ScreenPixel(1, 41), 0x00C0FFu);

  // The image constructor shows only the image.
  uxPanelCtrl shown(&host_, 2, "SplashScreen", uxPOINT(0, 0), 800, 480, "back.png");
  rec.calls.clear();
  shown.OnPaint();
  EXPECT_EQ(rec.Named("DrawImage").size(), 1u);
  EXPECT_TRUE(rec.Named("FillFrame").empty());
  EXPECT_TRUE(rec.Named("PutString").empty());
}

TEST_F(Panel, DisabledPanelStillPaintsEveryChildAndARepaintInvalidatesThem) {
  uxPanelCtrl* p = Page();
  p->AddElement(new Probe(&host_, "a", &journal_));
  p->AddElement(new Probe(&host_, "b", &journal_));
  p->OnPaint();
  EXPECT_EQ(journal_, (std::vector<std::string>{"invalidate a", "invalidate b", "paint a", "paint b"}));

  // Clean: children paint, nothing is invalidated.
  journal_.clear();
  p->OnPaint();
  EXPECT_EQ(journal_, (std::vector<std::string>{"paint a", "paint b"}));

  journal_.clear();
  p->SetEnabled(false);
  DrawRecorder rec(dc_);
  p->OnPaint();
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_EQ(journal_, (std::vector<std::string>{"paint a", "paint b"}));
}

TEST_F(Panel, CloseBoxOfAFocusedPanelClearsFocusAndTellsPanelAndManager) {
  uxPanelCtrl* p = Page();
  p->AddElement(new Probe(&host_, "a", &journal_));
  tagUX_Message focus(UX_MSG_FOCUS, 1, 0);
  p->OnMessage(&focus);
  ASSERT_TRUE(p->isFocus());
  journal_.clear();
  host_.calls.clear();

  // The box is {right - 60, top - 50, right, top + 10}, both ends included: (740..800, -10..50).
  tagUX_Message press = Touch(740, 50, TYPE_PRESS);
  p->OnMessage(&press);
  EXPECT_FALSE(p->isFocus());
  EXPECT_FALSE(p->GetElementList()->front()->isFocus());
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"Hook", "Focus 255", "Hook", "Hook", "Send", "Send", "Hook"}));
  ASSERT_EQ(host_.sent.size(), 2u);
  EXPECT_EQ(host_.sent[0].type, UX_MSG_FOCUS);
  EXPECT_EQ(host_.sent[0].param, 3u);
  EXPECT_EQ(host_.sent[1].param, 0u);
  // The child hears the focus loss first, then the press itself.
  EXPECT_EQ(journal_, (std::vector<std::string>{"message a 259/2", "focus a off", "message a 256/0"}));
}

TEST_F(Panel, CloseBoxIgnoresUnfocusedPanelsOtherTouchesAndPointsOutside) {
  struct Case {
    const char* what;
    bool focused;
    int options;
    int x, y, type;
  } cases[] = {
      {"unfocused", false, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE, 770, 20, TYPE_PRESS},
      {"no close option", true, OPTION_FLAG_CAPTION, 770, 20, TYPE_PRESS},
      {"release", true, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE, 770, 20, TYPE_RELEASE},
      {"left of the box", true, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE, 739, 20, TYPE_PRESS},
      {"below the box", true, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE, 770, 51, TYPE_PRESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    uxPanelCtrl p(&host_, 1, "p", uxPOINT(0, 0), 800, 480, 0, c.options);
    if (c.focused) p.SetFocus(true);
    host_.calls.clear();
    tagUX_Message touch = Touch(c.x, c.y, c.type);
    p.OnMessage(&touch);
    EXPECT_EQ(host_.calls, std::vector<std::string>{"Hook"});
    EXPECT_EQ(p.isFocus(), c.focused);
  }
}

TEST_F(Panel, MessagesReachEveryChildAndTheLastChildAnswers) {
  uxPanelCtrl* p = Page();
  tagUX_Message tick(UX_MSG_TICK_EVENT);
  // Without children the panel answers with the hook's result.
  EXPECT_EQ(p->OnMessage(&tick), host_.hookResult);
  auto* a = new Probe(&host_, "a", &journal_);
  auto* b = new Probe(&host_, "b", &journal_);
  a->result = 5;
  b->result = 9;
  p->AddElement(a);
  p->AddElement(b);
  EXPECT_EQ(p->OnMessage(&tick), 9);
  EXPECT_EQ(journal_, (std::vector<std::string>{"message a 272/0", "message b 272/0"}));

  journal_.clear();
  p->SetFocus(true);
  EXPECT_EQ(journal_, (std::vector<std::string>{"focus a on", "focus b on"}));
}

TEST_F(Panel, ClearDeletesTheChildrenAndSoDoesTheDestructor) {
  uxPanelCtrl* p = Page();
  p->Clear();
  EXPECT_TRUE(p->GetElementList()->empty());
  p->AddElement(new Probe(&host_, "a", &journal_));
  p->AddElement(nullptr);
  p->AddElement(new Probe(&host_, "b", &journal_));
  p->OnPaint();  // a null child is skipped
  journal_.clear();
  p->Clear();
  EXPECT_EQ(journal_, (std::vector<std::string>{"delete a", "delete b"}));
  EXPECT_TRUE(p->GetElementList()->empty());

  journal_.clear();
  p->AddElement(new Probe(&host_, "c", &journal_));
  page_.reset();
  EXPECT_EQ(journal_, std::vector<std::string>{"delete c"});
}

TEST_F(Panel, PanelWithoutCaptionFillsItsClientRectangle) {
  uxPanelCtrl p(&host_, 1, "p", uxPOINT(100, 50), 200, 100, 0x00FF00);
  p.OnPaint();
  EXPECT_EQ(dc_.ScreenPixel(100, 50), 0x00FF00u);
  EXPECT_EQ(dc_.ScreenPixel(299, 149), 0x00FF00u);
  EXPECT_EQ(dc_.ScreenPixel(300, 150), 0u);
  EXPECT_EQ(dc_.ScreenPixel(99, 49), 0u);
}

}  // namespace
