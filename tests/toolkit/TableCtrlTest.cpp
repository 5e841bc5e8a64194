// Tables: the five selection modes, the report of a choice in each flavour, the data wheel,
// scroll geometry with rows that overflow and rows that fit, scroll-bar drags, Clear, the
// focus owner, what rows forward to their columns, and tables with nothing in them.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTableCtrl.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::Touch;

constexpr int kX = 100, kY = 50, kW = 300, kH = 200, kRowH = 40;

// A button cell that notes where on the screen it was painted: its top plus the drawing
// context's pan offset at the time.
struct Painted {
  unsigned id;
  int top;
};
std::vector<Painted> g_painted;

class Cell : public uxButton {
 public:
  using uxButton::uxButton;
  int OnPaint() override {
    if (repaint_ && enabled_) g_painted.push_back({GetUserData(), rect_.top + GetDriver()->PanY()});
    return uxButton::OnPaint();
  }
};

class Table : public toolkit_test::WidgetTest {
 protected:
  // A focused table of n rows, each one 300 x 40 button at its place in the list.
  std::unique_ptr<uxTableCtrl> Make(int n, int rowHeight = kRowH, int* owner = nullptr) {
    auto t = std::make_unique<uxTableCtrl>(&host_, 9, "List", uxPOINT(kX, kY), kW, kH, 5, 0x202020, true, owner);
    for (int i = 0; i < n; ++i) t->addRow(MakeRow(*t, i, rowHeight));
    t->SetFocus(true);
    return t;
  }
  uxTableRow* MakeRow(uxTableCtrl& t, int i, int rowHeight, int columns = 1) {
    auto* r = new uxTableRow(&t, i + 1, 0, rowHeight, "ROW");
    for (int c = 0; c < columns; ++c)
      r->addColumn(new Cell(&host_, "cell", static_cast<unsigned>(100 * i + c),
                                uxPOINT(kX + 100 * c, kY + rowHeight * i), 100, static_cast<int16_t>(rowHeight),
                                0x202020, 0x303030, 0xFFFFFF));
    return r;
  }
  static int Send(uxBaseElement& e, tagUX_Message m) { return e.OnMessage(&m); }
  // A touch on row i as it stands on the screen before any scrolling.
  static tagUX_Message OnRow(int i, int type = TYPE_PRESS) { return Touch(kX + 50, kY + kRowH * i + 20, type); }
  static std::set<int> Checked(uxTableCtrl& t) {
    std::set<int> out;
    for (int i = 0; i < t.getRowCount(); ++i)
      if (t.getRow(i)->isChecked()) out.insert(i);
    return out;
  }
  // Red frames around the whole table (a selected button has a red frame of its own).
  static int OwnerFrames(const DrawRecorder& rec) {
    int n = 0;
    for (const uxDrawCall& f : rec.Named("DrawFrame"))
      n += f.colour == 0xFF0000 && f.a[0] == 0 && f.a[1] == 0 && f.a[2] == kW - 1 && f.a[3] == kH - 1;
    return n;
  }
  std::vector<tagUX_Message> Reports() const {
    std::vector<tagUX_Message> out;
    for (const tagUX_Message& m : host_.sent)
      if (m.type == UX_MSG_TABLE_ITEM_SEL) out.push_back(m);
    return out;
  }
};

TEST_F(Table, SelectionModesDecideWhatATouchChecksAndReports) {
  struct Case {
    const char* what;
    int mode;
    std::set<int> before;
    int row;
    std::set<int> after;
    int selection;
  } cases[] = {
      {"drag", uxTableCtrl_Drag, {0}, 2, {2}, 2},
      {"radio", uxTableCtrl_Radio, {0, 3}, 2, {2}, 2},
      {"set", uxTableCtrl_Set, {0}, 2, {0, 2}, 2},
      {"toggle on", uxTableCtrl_Toggle, {0}, 1, {0, 1}, 1},
      {"toggle off", uxTableCtrl_Toggle, {0, 2}, 2, {0}, 2 | 0x8000},
      {"radio toggle on", uxTableCtrl_RadioToggle, {0}, 1, {1}, 1},
      {"radio toggle off", uxTableCtrl_RadioToggle, {2}, 2, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host_.sent.clear();
    auto t = Make(4);
    t->setSelectionMode(c.mode);
    for (int i : c.before) t->getRow(i)->SetChecked(true);
    Send(*t, OnRow(c.row));
    EXPECT_EQ(Checked(*t), c.after);
    EXPECT_EQ(t->getSelection(), c.selection);
    // Only a plain index names a row.
    EXPECT_EQ(t->getSelectedRow(), c.selection >= 0 && c.selection < 4 ? t->getRow(c.selection) : nullptr);
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(static_cast<int>(reports[0].param), c.selection);
    EXPECT_EQ(reports[0].flag, 0u);
    EXPECT_EQ(reports[0].pData, t.get());
    // Only the touched row's last column is selected.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(t->getRow(i)->getColumn(0)->isSelected(), i == c.row);
  }
}

TEST_F(Table, ItemSelectionReportsTheTouchedRow) {
  int owner = 0;
  auto t = Make(4, kRowH, &owner);
  t->setSelectionMode(uxTableCtrl_Toggle);
  t->setItemmSelection(true);
  t->getRow(1)->SetChecked(true);
  Send(*t, OnRow(1));
  EXPECT_EQ(t->getSelection(), 1 | 0x8000);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].param, 1u);
  EXPECT_EQ(owner, 9);
  // The owner's red frame is left out while item selection is on.
  DrawRecorder rec(dc_);
  t->OnPaint();
  EXPECT_EQ(OwnerFrames(rec), 0);
}

TEST_F(Table, EachFlavourDeliversTheChoiceItsOwnWay) {
  auto t = Make(3);
  log_.Clear();
  Send(*t, OnRow(2));
  if constexpr (ux::kScriptFlavour) {
    EXPECT_TRUE(Calls("SendQueued").empty());
    EXPECT_EQ(Calls("Send").size(), 1u);
    EXPECT_EQ(log_.Text(), "");
  } else {
    EXPECT_EQ(Calls("SendQueued").size(), 1u);
    EXPECT_EQ(log_.Text(), "[TableCtrl] List, touch x:150 y:150\n");
  }
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].param, 2u);
}

TEST_F(Table, DragKeepsSelectingWhileOtherModesLockUntilTheRelease) {
  for (int mode : {uxTableCtrl_Drag, uxTableCtrl_Radio}) {
    SCOPED_TRACE(mode);
    auto t = Make(4);
    t->setSelectionMode(mode);
    Send(*t, OnRow(0));
    Send(*t, OnRow(2, TYPE_MOVE));
    EXPECT_EQ(t->getSelection(), mode == uxTableCtrl_Drag ? 2 : 0);
    Send(*t, OnRow(2, TYPE_RELEASE));
    Send(*t, OnRow(3, TYPE_MOVE));
    EXPECT_EQ(t->getSelection(), 3);
    // Touches outside the table are not taken.
    Send(*t, Touch(kX - 5, kY + 10, TYPE_PRESS));
    EXPECT_EQ(t->getSelection(), 3);
  }
}

TEST_F(Table, DataWheelStepsRowsOnlyOnItsEncoderAndMode) {
  struct Case {
    const char* what;
    int entryMode;
    uint32_t param, flag;
    int start;
    int selection;    // after the event
    int reportFlag;   // -1: no report
  } cases[] = {
      {"next", uxTableCtrl_touch_datawheel, 4, 130, 1, 2, 131},
      {"previous", uxTableCtrl_touch_datawheel, 4, 131, 1, 0, 130},
      {"previous at the top", uxTableCtrl_touch_datawheel, 4, 131, 0, 0, 130},
      {"next at the bottom", uxTableCtrl_touch_datawheel, 4, 130, 9, 9, 131},
      {"push", uxTableCtrl_touch_datawheel, 4, 132, 3, 3, 132},
      {"high bits of param", uxTableCtrl_touch_datawheel, 12, 130, 1, 2, 131},
      {"other encoder", uxTableCtrl_touch_datawheel, 3, 130, 1, 1, -1},
      {"touch only", uxTableCtrl_touchonly, 4, 130, 1, 1, -1},
      {"other code", uxTableCtrl_touch_datawheel, 4, 133, 1, 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto t = Make(10);
    t->setEntryMode(c.entryMode);
    t->selectRow(c.start);
    host_.sent.clear();
    host_.hooked.clear();
    Send(*t, tagUX_Message(UX_MSG_ENCODER_EVENT, static_cast<int>(c.param), static_cast<int>(c.flag)));
    EXPECT_EQ(t->getSelection(), c.selection);
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), c.reportFlag < 0 ? 0u : 1u);
    if (c.reportFlag >= 0) {
      EXPECT_EQ(static_cast<int>(reports[0].param), c.selection);
      EXPECT_EQ(static_cast<int>(reports[0].flag), c.reportFlag);
    }
    // The wheel's events never reach the rows.
    EXPECT_TRUE(host_.hooked.empty());
  }
}

TEST_F(Table, OverflowingRowsScrollByWholeRows) {
  auto t = Make(10);
  EXPECT_FLOAT_EQ(t->GetScale(), 0.5f);
  EXPECT_EQ(t->GetThumbLength(), 100);
  EXPECT_EQ(t->GetScrollRange(), 100);

  struct Case {
    int selection, pan, offset;
  } cases[] = {{7, 100, 200}, {3, 20, 40}, {9, 100, 200}, {0, 0, 0}, {2, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selection);
    t->selectRow(c.selection);
    t->ScrollToSelected();
    EXPECT_EQ(t->GetPan(), c.pan);
    EXPECT_EQ(t->getRow(4)->GetRelativeY(), c.offset);
    EXPECT_EQ(t->getPanning().y, -2 * c.pan);
  }
  // Scrolled by one row, the top of the table shows row 1.
  t->selectRow(3);
  t->ScrollToSelected();
  Send(*t, Touch(kX + 50, kY + 5, TYPE_PRESS));
  EXPECT_EQ(t->getSelection(), 1);
  Send(*t, Touch(kX + 50, kY + 5, TYPE_RELEASE));

  // The rows are drawn a row higher, and the thumb sits at the pan.
  DrawRecorder rec(dc_);
  g_painted.clear();
  t->OnPaint();
  ASSERT_EQ(g_painted.size(), 10u);
  EXPECT_EQ(g_painted[1].id, 100u);
  EXPECT_EQ(g_painted[1].top, kY);  // row 1 at the top
  const auto fills = rec.Named("FillFrame");
  bool track = false, thumb = false;
  for (const uxDrawCall& f : fills) {
    if (f.colour == 0x000000 && f.a[0] == 0 && f.a[2] == 30 && f.a[3] == kH) track = true;
    if (f.colour == 0xFFFFFF && f.a[1] == 20 && f.a[3] == 20 + 100) thumb = true;
  }
  EXPECT_TRUE(track);
  EXPECT_TRUE(thumb);
  EXPECT_EQ(dc_.ClipRect().right, dc_.ScreenRect().right);
}

TEST_F(Table, ScrollBarDragsMoveTheContentWithinItsRange) {
  auto t = Make(10);
  const int x = kX + kW - 5;
  Send(*t, Touch(x, 100, TYPE_PRESS));
  EXPECT_EQ(t->GetPan(), 0);
  struct Step {
    int y, pan, offset;
  } steps[] = {{130, 30, 40}, {119, 19, 0}, {180, 80, 160}, {400 - kY, 100, 200}, {60, 0, 0}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.y);
    Send(*t, Touch(x, s.y > kY + kH ? kY + kH : s.y, TYPE_MOVE));
    EXPECT_EQ(t->GetPan(), s.pan);
    EXPECT_EQ(t->getRow(0)->GetRelativeY(), s.offset);
  }
  // Without a press first there is no anchor: the first move only sets one.
  Send(*t, Touch(x, 130, TYPE_RELEASE));
  Send(*t, Touch(x, 150, TYPE_MOVE));
  EXPECT_EQ(t->GetPan(), 0);
}

TEST_F(Table, RowsThatFitNeverMove) {
  // Five rows fill the view exactly: the scale stays 0 and nothing may divide by it.
  auto t = Make(5);
  EXPECT_EQ(t->GetScale(), 0.0f);
  EXPECT_EQ(t->GetScrollRange(), kH);
  t->selectRow(4);
  t->ScrollToSelected();
  EXPECT_EQ(t->GetPan(), 0);
  EXPECT_EQ(t->getPanning().y, 0);
  const int x = kX + kW - 5;
  Send(*t, Touch(x, 60, TYPE_PRESS));
  Send(*t, Touch(x, 200, TYPE_MOVE));
  EXPECT_EQ(t->GetPan(), 0);
  EXPECT_EQ(t->getRow(4)->GetRelativeY(), 0);
  Send(*t, Touch(x, 200, TYPE_RELEASE));

  DrawRecorder rec(dc_);
  g_painted.clear();
  t->OnPaint();
  // Every row on its own place, and only the black track in the bar.
  ASSERT_EQ(g_painted.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(g_painted[std::size_t(i)].top, kY + kRowH * i);
  int white = 0;
  for (const uxDrawCall& f : rec.Named("FillFrame")) white += f.colour == 0xFFFFFF;
  EXPECT_EQ(white, 0);
  // A row touched at its place is the row chosen.
  Send(*t, OnRow(4));
  EXPECT_EQ(t->getSelection(), 4);
}

// A table with no height to show rows in has nothing to scroll, whatever its rows are.
TEST_F(Table, TablesWithoutHeightHaveNothingToScroll) {
  const struct {
    int16_t height;
    int rowHeight;
  } cases[] = {{0, kRowH}, {-200, kRowH}, {-1, 0}, {-32768, 0}, {-32768, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "height " << c.height << ", rows of " << c.rowHeight);
    uxTableCtrl t(&host_, 9, "Flat", uxPOINT(kX, kY), kW, c.height, 5, 0x202020, true);
    for (int i = 0; i < 8; ++i) t.addRow(MakeRow(t, i, c.rowHeight));
    EXPECT_EQ(t.GetScale(), 0.0f);
    EXPECT_EQ(t.GetThumbLength(), 0);
    EXPECT_EQ(t.GetScrollRange(), c.height);
    t.SetFocus(true);
    t.selectRow(7);
    t.ScrollToSelected();
    EXPECT_EQ(t.GetPan(), 0);
    EXPECT_EQ(t.OnPaint(), 1);
  }
}

TEST_F(Table, OnlyTheFlaggedRowRepaints) {
  auto t = Make(10);
  t->OnPaint();
  DrawRecorder rec(dc_);
  g_painted.clear();
  t->repaintRow(t->getRow(3));
  t->getRow(3)->setRepaint();
  t->OnPaint();
  ASSERT_EQ(g_painted.size(), 1u);
  EXPECT_EQ(g_painted[0].id, 300u);
  rec.calls.clear();
  t->OnPaint();
  EXPECT_TRUE(rec.calls.empty());
}

TEST_F(Table, ClearEmptiesTheTableAndItsScrollState) {
  auto t = Make(10);
  t->selectRow(8);
  t->ScrollToSelected();
  ASSERT_GT(t->GetPan(), 0);
  t->Clear();
  EXPECT_EQ(t->getRowCount(), 0);
  EXPECT_EQ(t->getSelection(), 0);
  EXPECT_EQ(t->getSelectedRow(), nullptr);
  EXPECT_FALSE(t->isEnter());
  EXPECT_EQ(t->GetPan(), 0);
  // A shorter list afterwards fits and keeps no thumb of the old one.
  for (int i = 0; i < 3; ++i) t->addRow(MakeRow(*t, i, kRowH));
  EXPECT_EQ(t->GetScale(), 0.0f);
  EXPECT_EQ(t->GetThumbLength(), 0);
  EXPECT_EQ(t->GetScrollRange(), kH);
}

TEST_F(Table, FocusOwnerDecidesPanelPaintAndRedFrame) {
  int owner = 0;
  auto a = Make(2, kRowH, &owner);
  auto b = std::make_unique<uxTableCtrl>(&host_, 10, "Other", uxPOINT(450, 50), 300, 200, 5, 0x202020, true, &owner);
  b->SetFocus(true);
  Send(*b, Touch(500, 60, TYPE_PRESS));
  EXPECT_EQ(owner, 10);
  DrawRecorder rec(dc_);
  a->setRepaint();
  a->OnPaint();
  // Another table owns the focus: the panel paints its background.
  bool background = false;
  for (const uxDrawCall& f : rec.Named("FillFrame")) background |= f.colour == 0x202020 && f.a[2] == kW - 1;
  EXPECT_TRUE(background);
  EXPECT_EQ(OwnerFrames(rec), 0);

  Send(*a, OnRow(1));
  EXPECT_EQ(owner, 9);
  rec.calls.clear();
  a->OnPaint();
  EXPECT_EQ(OwnerFrames(rec), 1);
}

TEST_F(Table, RowsForwardToTheirColumns) {
  auto t = Make(0);
  uxTableRow* row = MakeRow(*t, 0, kRowH, 3);
  t->addRow(row);
  EXPECT_EQ(row->getClientRect()->left, kX);
  EXPECT_EQ(row->getClientRect()->right, kX + 300);
  EXPECT_EQ(row->getColumn(3), nullptr);
  EXPECT_EQ(row->getColumn(-1), nullptr);

  row->SetChecked(true, false);
  EXPECT_TRUE(row->isChecked());
  EXPECT_FALSE(row->getColumn(1)->isChecked());
  row->SetChecked(true);
  EXPECT_TRUE(row->getColumn(2)->isChecked());
  row->SetCheckDisable(true);
  row->SetChecked(false);
  EXPECT_TRUE(row->isChecked());

  row->Select(true);
  EXPECT_FALSE(row->getColumn(0)->isSelected());
  EXPECT_TRUE(row->getColumn(2)->isSelected());
  row->SetRelativePos(0, 80);
  EXPECT_EQ(row->getColumn(2)->intersect(uxPOINT(kX + 250, kY + 20 - 80)), true);

  row->Clear();
  EXPECT_FALSE(row->isChecked());
  EXPECT_EQ(row->getColumnCount(), 0);
  row->Select(true);  // nothing to forward to
}

TEST_F(Table, EmptyTablesAndRowsWithoutHeightAreHarmless) {
  auto t = Make(0);
  t->selectRow(0);
  t->selectRow(-1);
  t->deselectRow();
  t->ScrollToSelected();
  EXPECT_EQ(t->getSelection(), -1);
  EXPECT_EQ(t->getRow(0), nullptr);
  EXPECT_EQ(t->getSelectedRow(), nullptr);
  Send(*t, tagUX_Message(UX_MSG_ENCODER_EVENT, 4, 130));
  Send(*t, tagUX_Message(UX_MSG_ENCODER_EVENT, 4, 131));
  Send(*t, Touch(kX + 10, kY + 10, TYPE_PRESS));
  Send(*t, Touch(kX + kW - 5, kY + 10, TYPE_MOVE));
  EXPECT_EQ(t->OnPaint(), 1);

  // Rows of height 0 and -1 after overflowing ones: offsets without snapping, no division.
  auto u = Make(10);
  u->addRow(MakeRow(*u, 10, 0));
  u->addRow(MakeRow(*u, 11, -1));
  const int x = kX + kW - 5;
  Send(*u, Touch(x, 100, TYPE_PRESS));
  Send(*u, Touch(x, 130, TYPE_MOVE));
  EXPECT_EQ(u->GetPan(), 30);
  EXPECT_EQ(u->getRow(0)->GetRelativeY(), 60);
  u->selectRow(11);
  u->ScrollToSelected();
  u->OnPaint();

  // A table reaching past the screen paints only what is on it.
  uxTableCtrl off(&host_, 3, "Off", uxPOINT(700, 400), 300, 200, 2, 0x202020);
  off.addRow(new uxTableRow(&off, 1, 0, 40));
  off.setRepaint();
  EXPECT_EQ(off.OnPaint(), 1);
  EXPECT_EQ(dc_.ClipRect().right, dc_.ScreenRect().right);
}

}  // namespace
