// The modulation matrix editor over the page rig: the default routes, the groups of shared
// destinations, polarity, the panel's source and destination keys, stored routes (those out
// of range included), the macros and the live route values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/editors/modMatrix.h"
#include "tests/app/PageMessages.h"
#include "tests/app/PageRig.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;
namespace msg = page_msg;

constexpr int kPart = 2;
constexpr uint32_t kId = 0x20000 | 0x0B0;

class MatrixEditor : public ::testing::Test {
 protected:
  modMatrix& Build() {
    modMatrix& m = rig.Build(kId, "MATRIX", uxPOINT(0, 40), 800, 440, uxCOLOR(0x303030));
    rig.Show();
    rig.services.Take();
    return m;
  }
  // Selects a row the way the table reports it.
  void Select(modMatrix& m, int row) {
    m.Table()->selectRow(row);
    rig.Give(msg::TableChoice(m.Table(), row));
  }
  // Turns a label to `value` and reports it as its encoder would.
  void Turn(modMatrix& m, int label, float value) {
    m.ValueLabel(label)->SetFloatValue(value, 0);
    rig.Give(msg::EncoderValueChanged(label == modMatrix::kSrc ? 0 : (label == modMatrix::kAmount ? 1 : 2)));
  }
  std::vector<std::string> Edits() {
    std::vector<std::string> out;
    for (const std::string& line : rig.services.Take())
      if (line.rfind("EditModMatrix", 0) == 0) out.push_back(line);
    return out;
  }
  PageRig<modMatrix> rig;
};

TEST_F(MatrixEditor, DefaultSendsClearThenFourRoutesAndSelectsRowFive) {
  modMatrix& m = Build();
  rig.Give(msg::ButtonOn(81));
  // (d << 24) | (s << 16), polarity of the source.
  EXPECT_EQ(Edits(), (std::vector<std::string>{"EditModMatrix 200FF 0 0 0 0", "EditModMatrix 20000 15010000 1 100 0",
                                                "EditModMatrix 20001 17020000 1 100 0",
                                                "EditModMatrix 20002 12030000 1 100 0",
                                                "EditModMatrix 20003 14030000 1 100 0"}));
  EXPECT_EQ(m.SelectedRow(), 4);
  EXPECT_EQ(m.Table()->getSelection(), 4);
  EXPECT_STREQ(m.CellText(0, modMatrix::kSource), "EG-A.CV");
  EXPECT_STREQ(m.CellText(3, modMatrix::kDestination), "FLT-B.ENV");
  EXPECT_STREQ(m.CellText(4, modMatrix::kSource), "----");
  EXPECT_STREQ(m.CellText(0, modMatrix::kNumber), "001");
}

TEST_F(MatrixEditor, EditingTheSelectedRow) {
  modMatrix& m = Build();
  // Nothing selected: a label change sends nothing.
  Turn(m, modMatrix::kSrc, 5);
  EXPECT_TRUE(Edits().empty());

  Select(m, 6);
  Turn(m, modMatrix::kSrc, 5);   // LFO1.OUT, polarity 2
  Turn(m, modMatrix::kDst, 40);  // NOISE.FM: a destination past the old table
  auto edits = Edits();
  ASSERT_FALSE(edits.empty());
  EXPECT_EQ(edits.front(), "EditModMatrix 200FF 0 0 0 0");
  EXPECT_EQ(edits.back(), "EditModMatrix 20006 28050000 2 0 0");
  EXPECT_STREQ(m.CellText(6, modMatrix::kPolarity), "<->");

  Turn(m, modMatrix::kAmount, -40);
  EXPECT_EQ(Edits(), std::vector<std::string>{"EditModMatrix 20006 28050000 2 -40 1"});
  EXPECT_FLOAT_EQ(m.Bar(6)->getLevel(), -40.0f);

  // The DST encoder's push steps the polarity of the selected row only.
  for (const char* expected : {"dis", "->>", "<->"}) {
    rig.Give(msg::Encoder(146, msg::kPress));
    EXPECT_STREQ(m.CellText(6, modMatrix::kPolarity), expected);
  }
  EXPECT_EQ(m.Route(5).polarity, 0);
  rig.Give(msg::Encoder(145, msg::kPress));  // another encoder: nothing
  EXPECT_STREQ(m.CellText(6, modMatrix::kPolarity), "<->");

  rig.services.Take();
  rig.Give(msg::ButtonOn(80));
  EXPECT_EQ(m.Route(6).source, 0);
  EXPECT_EQ(m.Route(6).destination, 0);
  EXPECT_EQ(Edits().back(), "EditModMatrix 20006 0 1 0 1");
}

TEST_F(MatrixEditor, GroupsOfSharedDestinations) {
  modMatrix& m = Build();
  struct Case {
    int row, destination;
    const char* group;
  };
  const Case cases[] = {{0, 21, "a"}, {1, 21, "a"}, {2, 18, "b"}, {3, 18, "b"}, {4, 40, ""}, {5, 18, "b"}};
  for (const Case& c : cases) {
    Select(m, c.row);
    Turn(m, modMatrix::kSrc, 1);
    Turn(m, modMatrix::kDst, static_cast<float>(c.destination));
  }
  for (const Case& c : cases) EXPECT_STREQ(m.CellText(c.row, modMatrix::kGroup), c.group) << c.row;
}

TEST_F(MatrixEditor, PanelSourceKeysTakeTheFirstFreeRow) {
  modMatrix& m = Build();
  struct Case {
    int key, source;
  };
  const Case cases[] = {{0, 3}, {1, 1}, {2, 4}, {3, 2}, {4, 8}, {5, 9}, {10, 5}, {11, 6}, {12, 7}};
  int row = 0;
  for (const Case& c : cases) {
    rig.Give(msg::AssignSource(c.key, 0));
    EXPECT_EQ(m.Route(row).source, c.source) << c.key;
    EXPECT_EQ(m.SelectedRow(), row);
    ++row;
  }
  // Fill the rest; with no free row a key changes nothing.
  while (row < modMatrix::kRows) rig.Give(msg::AssignSource(1, 0)), ++row;
  rig.services.Take();
  rig.Give(msg::AssignSource(0, 0));
  EXPECT_TRUE(Edits().empty());
}

TEST_F(MatrixEditor, PanelDestinationKeys) {
  modMatrix& m = Build();
  struct Case {
    int key;
    float oscType;
    int destination;
  };
  const Case cases[] = {{294, 0, 7}, {294, 1, 8}, {310, 0, 15}, {310, 2, 16}, {289, 0, 1}, {336, 0, 38},
                        {337, 0, 39}, {320, 0, 40}, {376, 0, 19}};
  for (const Case& c : cases) {
    rig.services.params[(kPart << 16) | 0x010] = c.oscType;
    rig.services.params[(kPart << 16) | 0x1010] = c.oscType;
    rig.Give(msg::AssignSource(1, 0));
    float amount = 30;
    rig.Give(msg::AssignDestination(c.key, kPart, &amount));
    const int row = m.SelectedRow();
    EXPECT_EQ(m.Route(row).destination, c.destination) << c.key;
    EXPECT_STREQ(m.CellText(row, modMatrix::kDestination), modMatrix::DestinationName(c.destination));
    EXPECT_FLOAT_EQ(m.Route(row).amount, 30.0f);
  }
  // An unknown key changes nothing; neither does a key without a selected row.
  rig.services.Take();
  float amount = 50;
  rig.Give(msg::AssignDestination(999, kPart, &amount));
  EXPECT_TRUE(Edits().empty());
  modMatrix& fresh = Build();
  rig.Give(msg::AssignDestination(289, kPart, &amount));
  EXPECT_TRUE(Edits().empty());
  // A source key for the selected row, with no row selected, writes nowhere.
  rig.Give(msg::AssignSource(1, 1));
  EXPECT_TRUE(Edits().empty());
  EXPECT_EQ(fresh.Route(0).source, 0);
}

TEST_F(MatrixEditor, StoredRoutesLoadAndOutOfRangeOnesAreSkipped) {
  modMatrix& m = Build();
  const int p = kPart << 16;
  rig.services.routes[p | 0] = ModRoute{0, 1, 45, 2, 60.0f, 0.0f};
  rig.services.routes[p | 1] = ModRoute{7, 25, 38, 1, -20.0f, 0.0f};
  rig.services.routes[p | 2] = ModRoute{24, 1, 1, 1, 10.0f, 0.0f};  // slot past the table
  rig.services.routes[p | 3] = ModRoute{8, 26, 1, 1, 10.0f, 0.0f};  // source past the list
  rig.services.routes[p | 4] = ModRoute{9, 1, 46, 1, 10.0f, 0.0f};  // destination past the list
  rig.services.params[p | 0x701] = 33.0f;
  rig.Give(msg::ValuesChanged(kPart));
  EXPECT_STREQ(m.CellText(0, modMatrix::kDestination), "OSC2.BMAMT");
  EXPECT_STREQ(m.CellText(0, modMatrix::kPolarity), "<->");
  EXPECT_STREQ(m.CellText(7, modMatrix::kSource), "MIDI.PAFT");
  EXPECT_STREQ(m.CellText(7, modMatrix::kDestination), "SHAPER.CM");
  EXPECT_FLOAT_EQ(m.Bar(7)->getLevel(), -20.0f);
  for (int row : {8, 9}) EXPECT_EQ(m.Route(row).source, 0) << row;
  EXPECT_FLOAT_EQ(m.ValueLabel(modMatrix::kMacro2)->GetFloatRawValue(), 33.0f);
  // Another part's refresh leaves the table alone.
  rig.services.routes.clear();
  rig.Give(msg::ValuesChanged(1));
  EXPECT_EQ(m.Route(7).destination, 38);
  rig.Give(msg::Focus(4));
  EXPECT_EQ(m.Route(7).destination, 0);
}

TEST_F(MatrixEditor, PostedSelectionWithoutTableIsOnlyCompared) {
  modMatrix& m = Build();
  m.Table()->selectRow(3);
  rig.Give(msg::TableChoice(nullptr, 3));
  EXPECT_EQ(m.SelectedRow(), 3);
  int other = 0;
  m.Table()->selectRow(5);
  rig.Give(msg::TableChoice(&other, 5));
  EXPECT_EQ(m.SelectedRow(), 3);
}

TEST_F(MatrixEditor, MacrosByControllerAndLiveValues) {
  rig.services.ccMap[(kPart << 16) | 0x700] = 20;
  modMatrix& m = Build();
  EXPECT_EQ(m.OnMidiCC(0, 5, 20, 127), 1);
  bool sent = false;
  for (const std::string& line : rig.services.Take())
    if (line.rfind("ValueChanged 20700 6 ", 0) == 0) sent = true;
  EXPECT_TRUE(sent);

  rig.services.voices[kPart].route[2].store(0.4f);
  rig.services.voices[kPart].route[3].store(5.0f);
  rig.Tick();
  rig.Tick();
  EXPECT_FLOAT_EQ(m.Bar(2)->getMarker(), 40.0f);
  EXPECT_FLOAT_EQ(m.Bar(3)->getMarker(), 100.0f);
}

TEST_F(MatrixEditor, GoldenPicture) {
  modMatrix& m = Build();
  rig.Give(msg::ButtonOn(81));
  Select(m, 4);
  Turn(m, modMatrix::kSrc, 5);
  Turn(m, modMatrix::kDst, 38);
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("matrix_editor", rig.Screen()));
}

}  // namespace
