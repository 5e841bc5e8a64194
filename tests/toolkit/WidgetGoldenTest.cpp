// Composite pictures of the value, table and meter widgets, compared exactly with reviewed
// golden images (regenerate with SYNTH_TOOLKIT_REGOLDEN=1 and look before committing). The
// theme is empty, so both flavours draw the same picture.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxPeakMeter.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

class WidgetGolden : public toolkit_test::WidgetTest {};

TEST_F(WidgetGolden, ValueLabelsScrolledTableAndMeters) {
  dc_.FillScreen(0x181818);
  struct L {
    int x;
    bool checked, midi, grayed;
    const char* caption;
    float value;
  } labels[] = {
      {10, true, true, false, "CUTOFF", 440},
      {200, false, true, false, "RESO", 12},
      {390, true, false, true, "DRIVE", 0},
  };
  for (const L& l : labels) {
    uxValueLabel v(&host_, 1, 0, uxPOINT(l.x, 10), 180, 70, 0x202020, 0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, l.midi);
    v.setEnableMidiCC(false);
    v.setEnableMidiCC(l.midi);
    v.SetLabelText(l.caption, "Hz");
    v.SetEncoderMode(l.grayed ? 0 : 1);
    v.SetFloatValue(l.value);
    v.SetChecked(l.checked);
    v.OnPaint();
  }

  uxTableCtrl table(&host_, 1, "List", uxPOINT(10, 100), 300, 160, 4, 0x202020);
  for (int i = 0; i < 8; ++i) {
    auto* row = new uxTableRow(&table, i + 1, 0, 40, "ROW");
    auto* cell = new uxButton(&host_, "cell", 0, uxPOINT(10, 100 + 40 * i), 260, 40, 0x202020, 0x303030, 0xFFFFFF);
    char text[8];
    std::snprintf(text, sizeof text, "%03d", i + 1);
    cell->SetText(text);
    row->addColumn(cell);
    table.addRow(row);
  }
  table.selectRow(5);
  table.ScrollToSelected();
  table.OnPaint();

  uxBarCtrl bar(&host_, 1, 330, 100, 40, 160, 0x000000, 0x808080, 0x00C000);
  bar.setLevel(60.0f);
  bar.OnPaint();
  uxBarCtrl bipolar(&host_, 1, 390, 100, 160, 30, 0x000000, 0x808080, 0x00C000);
  bipolar.setOrientation(uxBarCtrl_horicontalBipolarMarker);
  bipolar.setMin(-100.0f);
  bipolar.setBarColorNegativ(0xC00000);
  bipolar.setLevel(-40.0f);
  bipolar.setMarker(30.0f);
  bipolar.setText("PAN");
  bipolar.OnPaint();
  uxPeakMeter meter(&host_, 1, 390, 150, 160, 20, 0x000000, 0x808080, 0x00C000, 0xFFFF00);
  meter.setOrientation(uxPeakMeter_LeftRight);
  for (int i = 0; i < 32; ++i) meter.setLevel(40.0f);
  meter.setLevel(90.0f);
  meter.OnPaint();

  EXPECT_TRUE(toolkit_test::MatchesGolden("value_table_meters",
                                          toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen, 0, 0, 580, 270)));
}

}  // namespace
