// The radio group and the module selector: which child a press leaves checked, and how a
// selector opens its module panel, locks the page's selectors and lets go again.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxSelectCtrl.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::FakeHost;
using toolkit_test::Touch;

class Recorder : public uxPanelCtrl {
 public:
  Recorder(FakeHost* host, const char* name) : uxPanelCtrl(host, 0, name, uxPOINT(0, 40), 800, 440, uxCOLOR{0}), host_(host) {}
  int OnMessage(tagUX_Message* msg) override {
    host_->calls.push_back(std::string(getName()) + " " + std::to_string(msg->type) + "/" +
                           std::to_string(msg->param) + "/" + std::to_string(msg->flag) + "/" +
                           std::to_string(static_cast<int>(msg->arg)));
    return uxPanelCtrl::OnMessage(msg);
  }
  int OnPaint() override {
    host_->calls.push_back(std::string("paint ") + getName());
    return 1;
  }

 private:
  FakeHost* host_;
};

class GroupSelect : public toolkit_test::WidgetTest {
 protected:
  std::vector<std::string> Journal() const {
    std::vector<std::string> out;
    for (const std::string& c : host_.calls)
      if (c != "Hook") out.push_back(c);
    return out;
  }
  int Send(uxBaseElement& e, tagUX_Message m) { return e.OnMessage(&m); }
};

TEST_F(GroupSelect, GroupKeepsOnlyThePressedUsableChildChecked) {
  uxGroup group(&host_, 1, "Waves", uxPOINT(0, 100), 400, 60, 0x101010);
  uxButton* b[3];
  for (int i = 0; i < 3; ++i) {
    b[i] = new uxButton(&host_, static_cast<unsigned>(10 + i), uxPOINT(i * 100, 100), 90, 60, 0, 0, 0);
    b[i]->setMode(BtnModeSelectable);
    b[i]->SetChecked(true);
    group.AddElement(b[i]);
  }
  group.SetFocus(true);
  b[2]->SetGrayed(true);
  struct Case {
    const char* what;
    int x;
    int selected;
    bool checked[3];
  } cases[] = {
      {"on the second", 150, 11, {false, true, false}},
      {"on no child", 395, -1, {false, false, false}},
      {"on the greyed one", 250, -1, {false, false, false}},
      {"on the first", 50, 10, {false, false, false}},  // a selectable button does not check itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Send(group, Touch(c.x, 120, TYPE_PRESS));
    Send(group, Touch(c.x, 120, TYPE_RELEASE));
    EXPECT_EQ(group.getSelectedID(), c.selected);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(b[i]->isChecked(), c.checked[i]) << i;
  }
  // A press outside the group changes nothing.
  b[0]->SetChecked(true);
  Send(group, Touch(600, 300, TYPE_PRESS));
  EXPECT_TRUE(b[0]->isChecked());
  EXPECT_EQ(group.getSelectedID(), 10);
}

TEST_F(GroupSelect, TransparentGroupPaintsOnlyItsChildren) {
  uxGroup group(&host_, 1, "g", uxPOINT(0, 0), 100, 100);
  group.AddElement(new uxButton(&host_, 1u, uxPOINT(0, 0), 50, 50, 0x00FF00, 0, 0));
  DrawRecorder rec(dc_);
  group.OnPaint();
  const auto fills = rec.Named("FillFrame");
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].colour, 0x00FF00u);
}

TEST_F(GroupSelect, PressOpensTheModuleAndLocksThePage) {
  Recorder page(&host_, "page");
  Recorder module(&host_, "module");
  uxSelectCtrl sel(&host_, 7, uxPOINT(10, 300), 100, 80, 0xFF0000, 0x808080, &page, &module);
  EXPECT_FALSE(module.isEnabled());
  host_.calls.clear();
  Send(sel, Touch(50, 340, TYPE_PRESS));
  EXPECT_TRUE(sel.isChecked());
  EXPECT_TRUE(module.isEnabled());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"page 259/2/0/-1", "module 259/1/0/-1", "Send"}));
  ASSERT_EQ(host_.sent.size(), 1u);
  EXPECT_EQ(host_.sent[0].type, UX_MSG_FOCUS);
  EXPECT_EQ(host_.sent[0].param, 4u);

  // The page passes the lock back to every selector: this one stops taking touches.
  Send(sel, tagUX_Message(UX_MSG_FOCUS, 4, 0));
  EXPECT_FALSE(sel.isEnabled());
  host_.calls.clear();
  Send(sel, Touch(50, 340, TYPE_PRESS));
  EXPECT_EQ(Journal(), std::vector<std::string>{"module 256/0/0/0"});  // the open module still hears it

  // Ticks and value changes go to the module alone, open or not.
  host_.calls.clear();
  Send(sel, tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_EQ(Journal(), std::vector<std::string>{"module 272/0/0/0"});

  // The module's close (focus 3) frees the selector and disables the module.
  Send(sel, tagUX_Message(UX_MSG_FOCUS, 3, 0));
  EXPECT_FALSE(sel.isChecked());
  EXPECT_TRUE(sel.isEnabled());
  EXPECT_FALSE(module.isEnabled());
  host_.calls.clear();
  host_.sent.clear();
  Send(sel, Touch(500, 340, TYPE_PRESS));  // outside
  EXPECT_TRUE(host_.sent.empty());
}

TEST_F(GroupSelect, ActivateModuleMessagesOpenTheirOwnAndCloseTheOthers) {
  Recorder page(&host_, "page");
  Recorder module(&host_, "module");
  uxSelectCtrl sel(&host_, 7, uxPOINT(10, 300), 100, 80, 0xFF0000, &page, &module);
  tagUX_Message open(UX_MSG_ACTIVATE_MODUL, 7, 1);
  open.arg = 5;
  host_.calls.clear();
  sel.OnMessage(&open);
  EXPECT_TRUE(sel.isChecked());
  EXPECT_TRUE(module.isEnabled());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"page 259/2/0/5", "module 259/1/1/5", "Send"}));
  EXPECT_EQ(host_.sent.back().flag, 1u);
  EXPECT_EQ(host_.sent.back().arg, 5u);

  Send(sel, tagUX_Message(UX_MSG_ACTIVATE_MODUL, 8, 0));
  EXPECT_FALSE(sel.isChecked());
  EXPECT_FALSE(module.isEnabled());
}

TEST_F(GroupSelect, SelectorsWithoutPanelsAreSafe) {
  Recorder module(&host_, "module");
  uxSelectCtrl noFocus(&host_, 1, uxPOINT(0, 0), 50, 50, 0xFF0000, nullptr, &module);
  host_.calls.clear();
  Send(noFocus, Touch(10, 10, TYPE_PRESS));
  EXPECT_TRUE(noFocus.isChecked());
  EXPECT_EQ(Journal(), (std::vector<std::string>{"module 259/1/0/-1", "Send"}));

  uxSelectCtrl noModule(&host_, 2, uxPOINT(0, 0), 50, 50, 0xFF0000, nullptr, nullptr);
  host_.sent.clear();
  Send(noModule, Touch(10, 10, TYPE_PRESS));
  noModule.SetActive();
  Send(noModule, tagUX_Message(UX_MSG_ACTIVATE_MODUL, 2, 0));
  Send(noModule, tagUX_Message(UX_MSG_FOCUS, 3, 0));
  Send(noModule, tagUX_Message(UX_MSG_TICK_EVENT));
  noModule.OnPaint();
  EXPECT_FALSE(noModule.isChecked());
  EXPECT_TRUE(host_.sent.empty());
}

TEST_F(GroupSelect, OpenSelectorPaintsItsModuleFirst) {
  Recorder module(&host_, "module");
  uxSelectCtrl sel(&host_, 7, uxPOINT(10, 300), 100, 80, 0xFF0000, nullptr, &module);
  host_.calls.clear();
  sel.OnPaint();
  EXPECT_TRUE(Journal().empty());
  sel.SetActive();
  host_.calls.clear();
  sel.OnPaint();
  EXPECT_EQ(Journal(), std::vector<std::string>{"paint module"});
}

TEST_F(GroupSelect, AnOpenModuleTakesEveryTouchInsideItFromThePageUnderIt) {
  // The module (a keyboard, say) covers the lower half of the page, over a key of the page.
  std::vector<std::string> journal;
  Recorder module(&host_, "module");
  module.getClientRect()->top = 250;
  uxPanelCtrl page(&host_, 0, "page", uxPOINT(0, 40), 800, 440, uxCOLOR{0});
  auto* under = new toolkit_test::Probe(&host_, "under", &journal);
  *under->getClientRect() = uxRECT(100, 300, 200, 350, 100, 50);
  page.AddElement(under);
  auto* sel = new uxSelectCtrl(&host_, 7, uxPOINT(10, 60), 100, 80, 0xFF0000, nullptr, &module);
  page.AddElement(sel);

  struct Case {
    bool open;
    int x, y, type;
    bool pageHearsIt, moduleHearsIt;
  };
  const Case cases[] = {
      {false, 150, 320, TYPE_PRESS, true, false},    // closed: the page's own key
      {true, 150, 320, TYPE_PRESS, false, true},     // open: the module's, not the key under it
      {true, 150, 320, TYPE_RELEASE, false, true},   // and its release too
      {true, 150, 100, TYPE_PRESS, true, true},      // above the module: still the page's
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.open << " " << c.x << "," << c.y << " " << c.type);
    if (c.open && !sel->isChecked()) sel->SetActive();
    journal.clear();
    host_.calls.clear();
    tagUX_Message touch = Touch(c.x, c.y, c.type);
    page.OnMessage(&touch);
    EXPECT_EQ(!journal.empty(), c.pageHearsIt);
    const auto heard = Journal();
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "module 256/0/0/0") > 0, c.moduleHearsIt);
  }
}

}  // namespace
