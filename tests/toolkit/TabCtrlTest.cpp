// The tab control: strip layout, switching by touch with its messages in order, routing of
// broadcast and ordinary messages, painting of the strip, bad items, and the instrument's
// scrolling strip.
#include <gtest/gtest.h>

#include <memory>

#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxTabCtrl.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::FakeHost;
using toolkit_test::Touch;

// A page that writes what reaches it into the host's call list, so its messages and the
// host's calls share one order.
class Page : public uxPanelCtrl {
 public:
  Page(FakeHost* host, const char* name) : uxPanelCtrl(host, 0, name, uxPOINT(0, 40), 800, 440, uxCOLOR{0}), host_(host) {}
  int OnMessage(tagUX_Message* msg) override {
    host_->calls.push_back(std::string(getName()) + " " + std::to_string(msg->type) + "/" + std::to_string(msg->param));
    return uxPanelCtrl::OnMessage(msg);
  }
  int OnPaint() override {
    host_->calls.push_back(std::string("paint ") + getName());
    return 1;
  }

 private:
  FakeHost* host_;
};

class Tabs : public toolkit_test::WidgetTest {
 protected:
  static constexpr int kFont = 9;
  uxTabItemCtrl* Add(const char* name, bool flag = false, int kind = uxTabItemCtrl::kTab) {
    auto* item = new uxTabItemCtrl(&host_, 0, name, 0x0000AA, 0xFFFFFF, nullptr, flag, kind);
    item->AddPanel(new Page(&host_, name));
    tabs_.AddTabItem(item);
    return item;
  }
  // The host's calls without the hook's.
  std::vector<std::string> Journal() const {
    std::vector<std::string> out;
    for (const std::string& c : host_.calls)
      if (c != "Hook") out.push_back(c);
    return out;
  }
  int Send(tagUX_Message m) { return tabs_.OnMessage(&m); }
  uxTabCtrl tabs_{&host_, 3, "MainMenu", uxPOINT(0, 0), 800, 40, 0x303030, 0xC0C0C0, 0x123456, kFont};
};

TEST_F(Tabs, StripLayoutAdvancesByNameWidthPlusPadding) {
  dc_.FontSetHSpace(2);
  uxTabItemCtrl* a = Add("ARRANGER");
  uxTabItemCtrl* b = Add("MASTER");
  uxTabItemCtrl* c = Add("FX");
  const int cw = dc_.getFontSize(kFont).width + 2;
  struct Expect {
    uxTabItemCtrl* item;
    int left, right;
  } expected[] = {
      {a, 0, 10 + 8 * cw},
      {b, 10 + 8 * cw, 20 + 14 * cw},
      {c, 20 + 14 * cw, 30 + 16 * cw},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.item->getTabName());
    EXPECT_EQ(e.item->getClientRect()->left, e.left);
    EXPECT_EQ(e.item->getClientRect()->right, e.right);
    EXPECT_EQ(e.item->getClientRect()->top, 0);
    EXPECT_EQ(e.item->getClientRect()->bottom, 39);
  }
  EXPECT_EQ(tabs_.getClientRect()->right, 799);
  EXPECT_EQ(tabs_.getClientRect()->width, 799);
}

TEST_F(Tabs, HiddenTabsTakeNoPlaceInTheScriptModule) {
  if (!ux::kScriptFlavour) GTEST_SKIP() << "the instrument's flag marks scrollable tabs";
  uxTabItemCtrl* a = Add("ONE");
  uxTabItemCtrl* hidden = Add("SECRET", true);
  uxTabItemCtrl* c = Add("TWO");
  EXPECT_EQ(c->getClientRect()->left, a->getClientRect()->right);
  // Never drawn, never switched to.
  tabs_.setActiveTab(0);
  DrawRecorder rec(dc_);
  tabs_.OnPaint();
  for (const uxDrawCall& t : rec.Named("PutString")) EXPECT_NE(t.text, "SECRET");
  hidden->setClientRect(500, 0, 600, 39);
  host_.calls.clear();
  Send(Touch(550, 20, TYPE_PRESS));
  EXPECT_EQ(tabs_.getActiveTab(), 0);
}

TEST_F(Tabs, TouchOnAnotherTabSwitchesWithFocusMessagesInOrder) {
  Add("ONE");
  uxTabItemCtrl* two = Add("TWO");
  ASSERT_EQ(tabs_.setActiveTab(0), 1);
  host_.calls.clear();
  host_.sent.clear();
  const uxRECT* r = two->getClientRect();
  Send(Touch(r->left + 3, 10, TYPE_PRESS));
  EXPECT_EQ(tabs_.getActiveTab(), 1);
  std::vector<std::string> expected = {"ONE 259/2", "TWO 259/1", "Send"};
  if (!ux::kScriptFlavour) expected.insert(expected.begin() + 1, "Focus 255");
  EXPECT_EQ(Journal(), expected);
  ASSERT_EQ(host_.sent.size(), 1u);
  EXPECT_EQ(host_.sent[0].type, UX_MSG_TAB_SELECT);
  EXPECT_EQ(host_.sent[0].param, 1u);
  EXPECT_EQ(host_.sent[0].flag, 0u);

  // Sliding back onto the first tab switches in the script module only.
  host_.calls.clear();
  Send(Touch(5, 10, TYPE_MOVE));
  EXPECT_EQ(tabs_.getActiveTab(), ux::kScriptFlavour ? 0 : 1);
}

TEST_F(Tabs, PressOnTheActiveTabGoesToTheActiveItem) {
  Add("ONE");
  Add("TWO");
  tabs_.setActiveTab(0);
  host_.calls.clear();
  Send(Touch(5, 10, TYPE_PRESS));
  EXPECT_EQ(tabs_.getActiveTab(), 0);
  EXPECT_EQ(Journal(), std::vector<std::string>{"ONE 256/0"});
  EXPECT_TRUE(host_.sent.empty());
}

TEST_F(Tabs, BroadcastsReachEveryPageAndTheRestOnlyTheFocusedActiveOne) {
  Add("ONE");
  Add("TWO");
  tabs_.setActiveTab(1);
  struct Case {
    uint32_t type;
    std::vector<std::string> reached;
  } cases[] = {
      {UX_MSG_VALUES_CHANGED, {"ONE 262/0", "TWO 262/0"}},
      {UX_MSG_TICK_EVENT, {"ONE 272/0", "TWO 272/0"}},
      {EN_MSG_SET_VALUE, {"ONE 273/0", "TWO 273/0"}},
      {APP_MSG_RESCAN_FILES,
       ux::kScriptFlavour ? std::vector<std::string>{"TWO 283/0"} : std::vector<std::string>{"ONE 283/0", "TWO 283/0"}},
      {UX_MSG_KEY, {"TWO 257/0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    host_.calls.clear();
    Send(tagUX_Message(static_cast<int>(c.type)));
    EXPECT_EQ(Journal(), c.reached);
  }
  // Once the active tab has lost focus its page hears only broadcasts and focus changes.
  Send(tagUX_Message(UX_MSG_FOCUS, 2, 0));
  host_.calls.clear();
  Send(tagUX_Message(UX_MSG_KEY));
  EXPECT_TRUE(Journal().empty());
}

TEST_F(Tabs, NothingActiveDrawsNothingAndSetActiveTabRefusesRepeatsAndStrangers) {
  DrawRecorder rec(dc_);
  EXPECT_EQ(tabs_.OnPaint(), 0);
  Add("ONE");
  Add("TWO");
  EXPECT_EQ(tabs_.OnPaint(), 0);
  EXPECT_TRUE(rec.calls.empty());
  for (int index : {-1, 2, 99}) EXPECT_EQ(tabs_.setActiveTab(index), 0);
  EXPECT_EQ(tabs_.setActiveTab(1), 1);
  host_.calls.clear();
  EXPECT_EQ(tabs_.setActiveTab(1), 0);
  EXPECT_TRUE(host_.calls.empty());
  // The instrument tells the old tab and the panel before the new tab hears of it.
  EXPECT_EQ(tabs_.setActiveTab(0), 1);
  const std::vector<std::string> expected =
      ux::kScriptFlavour ? std::vector<std::string>{"ONE 259/1"}
                         : std::vector<std::string>{"TWO 259/2", "Focus 255", "ONE 259/1"};
  EXPECT_EQ(Journal(), expected);
  EXPECT_TRUE(host_.sent.empty());
}

TEST_F(Tabs, Switch2TabAnswersAsSetActiveTab) {
  Add("ONE");
  Add("TWO");
  Add("THREE");
  struct Case {
    int index, answer, active;
  } cases[] = {{-1, 0, -1}, {3, 0, -1}, {1, 1, 1}, {1, 0, 1}, {0, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    host_.calls.clear();
    EXPECT_EQ(tabs_.switch2Tab(c.index), c.answer);
    EXPECT_EQ(tabs_.getActiveTab(), c.active);
    if (!c.answer) {
      EXPECT_TRUE(Journal().empty());
    }
  }
}

TEST_F(Tabs, SetPanelLetsGoOfTheReplacedPanelAndGetPanelShowsTheList) {
  uxTabItemCtrl* item = Add("ONE");
  uxPanelCtrl* first = item->GetPanel(0);
  std::unique_ptr<Page> second(new Page(&host_, "second"));
  EXPECT_EQ(item->AddPanel(second.get()), 1);
  auto* third = new Page(&host_, "third");
  for (int index : {-1, 2}) {
    item->SetPanel(index, third);
    EXPECT_EQ(item->GetPanel(index), nullptr);
  }
  EXPECT_EQ(item->GetPanelCount(), 2);
  item->SetPanel(1, third);
  EXPECT_EQ(item->GetPanel(0), first);
  EXPECT_EQ(item->GetPanel(1), third);
  // `second` is the test's again: the tab deletes `first` and `third` only (the sanitizer
  // reports a second delete).
}

TEST_F(Tabs, StripPaintsTabsAroundTheActiveOneThenItsPage) {
  Add("ONE");
  Add("TWO");
  tabs_.setActiveTab(1);
  host_.calls.clear();
  DrawRecorder rec(dc_);
  EXPECT_EQ(tabs_.OnPaint(), 1);
  const tFontSize cell = dc_.getFontSize(kFont);
  const auto texts = rec.Named("PutString");
  ASSERT_EQ(texts.size(), 2u);
  const int w = 10 + 3 * cell.width;
  struct Expect {
    const char* name;
    int x;
    uxCOLOR back;
  } expected[] = {{"ONE", 1 + 5, 0x303030}, {"TWO", w + 1 + 5, 0x0000AA}};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(texts[i].text, expected[i].name);
    EXPECT_EQ(texts[i].a[0], expected[i].x);
    EXPECT_EQ(texts[i].a[1], (40 - cell.height) / 2);
    EXPECT_EQ(texts[i].back, expected[i].back);
    EXPECT_EQ(texts[i].fore, 0xFFFFFFu);
  }
  EXPECT_EQ(dc_.ScreenPixel(w + 3, 20), 0x0000AAu);  // active tab
  EXPECT_EQ(dc_.ScreenPixel(w + 3, 39), 0x0000AAu);  // open towards its page
  EXPECT_EQ(dc_.ScreenPixel(3, 39), 0xC0C0C0u);      // inactive tab closed below
  EXPECT_EQ(dc_.ScreenPixel(700, 20), 0x303030u);
  EXPECT_EQ(Journal(), std::vector<std::string>{"paint TWO"});

  // Clean: only the page paints.
  rec.calls.clear();
  host_.calls.clear();
  tabs_.OnPaint();
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_EQ(Journal(), std::vector<std::string>{"paint TWO"});
}

TEST_F(Tabs, StripOnScreen) {
  dc_.FillScreen(0x333333);
  for (const char* name : {"ARRANGER", "MASTER", "SYNTH A", "VOICE A", "FX A"}) Add(name);
  tabs_.setActiveTab(2);
  tabs_.OnPaint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("tab_strip", toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen, 0,
                                                                              0, 800, 48)));
}

TEST_F(Tabs, NullItemsAreSkippedAndBadIndexesRefused) {
  Add("ONE");
  std::unique_ptr<uxTabItemCtrl> replaced(Add("TWO"));  // SetTabItem leaves the old item to its owner
  uxTabItemCtrl* three = Add("THREE");
  EXPECT_FALSE(tabs_.SetTabItem(-1, nullptr, "X"));
  EXPECT_FALSE(tabs_.SetTabItem(3, nullptr, "X"));
  uxTabItemCtrl* two = new uxTabItemCtrl(&host_, 0, "two", 0, 0, nullptr);
  ASSERT_TRUE(tabs_.SetTabItem(1, two, "RENAMED"));
  EXPECT_STREQ(two->getTabName(), "RENAMED");
  delete two;
  ASSERT_TRUE(tabs_.SetTabItem(1, nullptr, "X"));
  EXPECT_EQ(three->getClientRect()->left, (*tabs_.getClientRect()).left + 10 + 3 * dc_.getFontSize(kFont).width);
  EXPECT_EQ(tabs_.setActiveTab(1), 1);
  EXPECT_EQ(tabs_.OnPaint(), 0);
  EXPECT_EQ(tabs_.setActiveTab(0), 1);
  tabs_.OnPaint();
  Send(tagUX_Message(UX_MSG_TICK_EVENT));
  Send(Touch(three->getClientRect()->left + 2, 10, TYPE_PRESS));
  EXPECT_EQ(tabs_.getActiveTab(), 2);
}

TEST_F(Tabs, InstrumentStripScrollsBetweenItsArrows) {
  if (ux::kScriptFlavour) GTEST_SKIP() << "the script module's strip does not scroll";
  // "<", ten scrollable tabs of the same width, ">": the first offset + 1 give way.
  uxTabItemCtrl* left = Add("<", false, uxTabItemCtrl::kLeftArrow);
  std::vector<uxTabItemCtrl*> tabs;
  for (int i = 0; i < 10; ++i) tabs.push_back(Add(("TAB_" + std::to_string(i) + "____").c_str(), true));
  uxTabItemCtrl* right = Add(">", false, uxTabItemCtrl::kRightArrow);
  tabs_.setActiveTab(4);
  const int cw = dc_.getFontSize(kFont).width;
  const int arrow = 10 + cw, tab = 10 + 9 * cw;
  auto drawn = [&] {
    DrawRecorder rec(dc_);
    tabs_.setRepaint();
    tabs_.OnPaint();
    std::vector<std::string> names;
    for (const uxDrawCall& t : rec.Named("PutString")) names.push_back(t.text);
    return names;
  };
  auto expectStrip = [&](int offset) {
    std::vector<std::string> expected = {"<"};
    const int first = offset == 0 ? 0 : offset + 1;
    for (int i = first; i < 10 && arrow + (i - first + 1) * tab <= 799 - arrow; ++i)
      expected.push_back(tabs[i]->getTabName());
    expected.push_back(">");
    EXPECT_EQ(drawn(), expected);
  };
  SCOPED_TRACE(std::to_string(cw));
  expectStrip(2);
  EXPECT_EQ(right->getClientRect()->right, 799);
  EXPECT_EQ(right->getClientRect()->left, 799 - arrow);
  EXPECT_EQ(tabs[3]->getClientRect()->left, arrow);

  // Left: 2 -> 1 (two tabs still skipped), then 0 shows them all and greys the arrow.
  const uxPOINT onLeft(left->getClientRect()->left + 2, 10);
  Send(Touch(onLeft.x, onLeft.y, TYPE_PRESS));
  expectStrip(1);
  EXPECT_EQ(left->getColorFrg(), 0xFFFFFFu);
  Send(Touch(onLeft.x, onLeft.y, TYPE_PRESS));
  expectStrip(0);
  EXPECT_EQ(left->getColorFrg(), 0x202020u);
  EXPECT_EQ(right->getColorFrg(), 0xC0C0C0u);
  EXPECT_EQ(tabs_.getActiveTab(), 4);
  EXPECT_TRUE(host_.sent.empty());

  // Right presses scroll on while the tabs overflow, then grey the right arrow.
  const uxPOINT onRight(right->getClientRect()->left + 2, 10);
  int offset = 0;
  for (int press = 0; press < 12; ++press) {
    const int extent = arrow + (offset == 0 ? 10 : 10 - (offset + 1)) * tab;
    Send(Touch(onRight.x, onRight.y, TYPE_PRESS));
    if (extent >= 799 - 1 - arrow) ++offset;
    drawn();
  }
  expectStrip(offset);
  EXPECT_EQ(right->getColorFrg(), 0x202020u);
  EXPECT_EQ(left->getColorFrg(), 0xC0C0C0u);

  // Broadcasts reach the ten tabs, not the arrows.
  host_.calls.clear();
  Send(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_EQ(Journal().size(), 10u);
}

}  // namespace
