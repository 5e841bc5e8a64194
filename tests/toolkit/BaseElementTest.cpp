// The base element: its starting state, hit testing, the message rules every widget runs
// first, and the ID mask.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "platform/MemoryFrameBuffer.h"
#include "tests/toolkit/support/FakeHost.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"
#include "toolkit/uxPanelCtrl.h"

namespace {

using toolkit_test::FakeHost;

class Element : public uxBaseElement {
 public:
  using uxBaseElement::uxBaseElement;
  int OnPaint() override { return 0; }
  void Place(int l, int t, int r, int b) { rect_ = uxRECT(l, t, r, b); }
  void ClearRepaint() { repaint_ = repaintCtrls_ = false; }
};

TEST(BaseElement, StartsUnplacedAndInactiveWithTheManagersDrawingContext) {
  uxDC dc;
  FakeHost host(&dc);
  char name[] = "Knob";
  Element e(&host, -1, 0x1234, name);
  name[0] = 'X';  // the element keeps its own copy
  const uxRECT* r = e.getClientRect();
  EXPECT_EQ(r->left, -1);
  EXPECT_EQ(r->top, -1);
  EXPECT_EQ(r->right, -1);
  EXPECT_EQ(r->bottom, -1);
  EXPECT_EQ(r->width, 0);
  EXPECT_EQ(r->height, 0);
  EXPECT_FALSE(e.isFocus());
  EXPECT_FALSE(e.isChecked());
  EXPECT_FALSE(e.isSelected());
  EXPECT_FALSE(e.isEnabled());
  EXPECT_FALSE(e.isGrayed());
  EXPECT_EQ(e.GetDriver(), &dc);
  EXPECT_EQ(e.getGUIManager(), &host);
  EXPECT_STREQ(e.getName(), "Knob");
  EXPECT_EQ(e.GetUserData(), 0x1234u);
  EXPECT_EQ(e.GetID(), -1);
}

TEST(BaseElement, HitTestIncludesBothEdgesAndFollowsRelativePositionAndPan) {
  uxDC dc;
  FakeHost host(&dc);
  Element e(&host, -1, 0, "e");
  e.Place(10, 20, 30, 40);
  struct Case {
    int relX, relY, panX, panY, x, y;
    bool hit;
  } cases[] = {
      {0, 0, 0, 0, 10, 20, true},     // top-left corner
      {0, 0, 0, 0, 30, 40, true},     // bottom-right corner
      {0, 0, 0, 0, 31, 40, false},    // one beyond the right edge
      {0, 0, 0, 0, 30, 41, false},    // one below the bottom edge
      {0, 0, 0, 0, 9, 20, false},     // one left of the left edge
      {5, 0, 0, 0, 25, 30, true},     // the relative offset is added to the point
      {5, 0, 0, 0, 26, 30, false},
      {0, 0, 100, 50, 110, 70, true},  // the drawing context's pan moves the rectangle
      {0, 0, 100, 50, 10, 20, false},
      {INT_MAX, INT_MAX, 0, 0, 20, 30, false},  // a far-off offset misses instead of wrapping
  };
  for (const Case& c : cases) {
    e.SetRelativePos(c.relX, c.relY);
    dc.StartPanning(uxPOINT(c.panX, c.panY));
    EXPECT_EQ(e.intersect(uxPOINT(c.x, c.y)), c.hit)
        << "point " << c.x << "," << c.y << " rel " << c.relX << "," << c.relY << " pan " << c.panX << "," << c.panY;
  }
  dc.ReleasePanning();
  e.SetRelativePos(0, 0);
  EXPECT_TRUE(e.intersect(uxRECT(0, 0, 5, 5), uxPOINT(5, 5)));
  EXPECT_FALSE(e.intersect(uxRECT(0, 0, 5, 5), uxPOINT(6, 5)));
}

TEST(BaseElement, MessagesGoToTheHookFirstThenRepaintAndFocusRules) {
  struct Case {
    const char* what;
    uint32_t type, param;
    bool focusBefore;
    bool focusAfter, repaintAfter;
  } cases[] = {
      {"repaint", UX_MSG_REPAINT, 0, false, false, true},
      {"focus 1 takes focus and repaints", UX_MSG_FOCUS, 1, false, true, true},
      {"focus 2 drops focus without repaint", UX_MSG_FOCUS, 2, true, false, false},
      {"focus 0 repaints a focused element", UX_MSG_FOCUS, 0, true, true, true},
      {"focus 0 leaves an unfocused one", UX_MSG_FOCUS, 0, false, false, false},
      {"focus 3 changes nothing", UX_MSG_FOCUS, 3, true, true, false},
      {"other types are the subclass's", UX_MSG_TICK_EVENT, 1, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    Element e(&host, -1, 0, "e");
    e.SetFocus(c.focusBefore);
    e.ClearRepaint();
    tagUX_Message msg(static_cast<int>(c.type), static_cast<int>(c.param), 0);
    EXPECT_EQ(e.OnMessage(&msg), ux::kScriptFlavour ? 0 : 1);
    ASSERT_EQ(host.hooked.size(), 1u);
    EXPECT_EQ(host.hooked[0].type, c.type);
    EXPECT_EQ(e.isFocus(), c.focusAfter);
    EXPECT_EQ(e.needsRepaint(), c.repaintAfter);
    EXPECT_EQ(e.needsRepaintCtrls(), c.repaintAfter);
  }
  // Without a manager there is no hook and the result is 0.
  Element orphan(nullptr, -1, 0, "o");
  tagUX_Message repaint(static_cast<int>(UX_MSG_REPAINT));
  orphan.ClearRepaint();
  EXPECT_EQ(orphan.OnMessage(&repaint), 0);
  EXPECT_TRUE(orphan.needsRepaint());
  EXPECT_EQ(orphan.GetDriver(), nullptr);
  EXPECT_EQ(orphan.SendMessage(&repaint), 0);
}

TEST(BaseElement, SendMessageGoesToTheManager) {
  FakeHost host;
  Element e(&host, -1, 7, "e");
  tagUX_Message msg(static_cast<int>(UX_MSG_ON_BUTTON), 7, 0);
  EXPECT_EQ(e.SendMessage(&msg), 0);
  ASSERT_EQ(host.sent.size(), 1u);
  EXPECT_EQ(host.sent[0].param, 7u);
  EXPECT_EQ(host.calls.back(), "Send");
}

TEST(BaseElement, SettersRaiseTheRepaintFlagWhereTheyShould) {
  FakeHost host;
  Element e(&host, -1, 0, "e");
  struct Case {
    const char* what;
    void (*apply)(Element&);
    bool repaint;
  } cases[] = {
      {"SetEnabled", [](Element& x) { x.SetEnabled(true); }, true},
      {"SetChecked", [](Element& x) { x.SetChecked(true, false); }, true},
      {"SetGrayed", [](Element& x) { x.SetGrayed(true); }, true},
      {"SetFocus", [](Element& x) { x.SetFocus(true); }, false},
      {"Select", [](Element& x) { x.Select(true); }, false},
  };
  for (const Case& c : cases) {
    e.ClearRepaint();
    c.apply(e);
    EXPECT_EQ(e.needsRepaint(), c.repaint) << c.what;
  }
  EXPECT_TRUE(e.isEnabled() && e.isChecked() && e.isGrayed() && e.isFocus() && e.isSelected());
}

TEST(BaseElement, IdMaskReplacesOnlyTheMaskedBits) {
  Element e(nullptr, 0x12345678, 0, "e");
  e.SetIDmask(0xFF00, 0xABCDEF99);
  EXPECT_EQ(static_cast<uint32_t>(e.GetID()), 0x1234EF78u);
  e.SetID(-1);
  e.SetIDmask(0xF000, 0);
  EXPECT_EQ(static_cast<uint32_t>(e.GetID()), 0xFFFF0FFFu);
}

#if SYNTH_TOOLKIT_SCRIPT
// Addresses, not pointers: the elements are gone by the time they are compared.
std::vector<uintptr_t> g_ended;

uintptr_t Address(const uxBaseElement* e) { return reinterpret_cast<uintptr_t>(e); }

TEST(BaseElement, TheEndHookHearsOfEveryElementOnceWhoeverDeletesIt) {
  uxBaseElement::SetEndHook([](uxBaseElement* e) { g_ended.push_back(Address(e)); });
  g_ended.clear();
  auto* outer = new uxPanelCtrl(nullptr, 0, "outer", uxPOINT(0, 0), 10, 10, uxCOLOR{0});
  auto* inner = new Element(nullptr, -1, 0, "inner");
  outer->AddElement(inner);
  Element* alone = new Element(nullptr, -1, 0, "alone");
  const std::vector<uintptr_t> expected{Address(alone), Address(inner), Address(outer)};
  delete alone;
  delete outer;
  uxBaseElement::SetEndHook(nullptr);
  EXPECT_EQ(g_ended, expected);
  Element after(nullptr, -1, 0, "after");
}
#endif

}  // namespace
