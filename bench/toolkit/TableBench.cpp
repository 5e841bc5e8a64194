// A preset list of 100 rows: a full repaint, one scroll-bar drag step with its repaint, and
// the repaint of a single flagged row.
#include <cstdio>
#include <memory>

#include "bench/toolkit/PaintBench.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxHost.h"
#include "toolkit/uxTableCtrl.h"

namespace {

using toolkit_bench::Report;
using toolkit_bench::Screen;

class QuietHost : public uxHost {
 public:
  explicit QuietHost(uxDC* dc) : dc_(dc) {}
  uxDC* getDC() override { return dc_; }
  int HookSendMessage(tagUX_Message*) override { return 0; }
  int SendMessage(tagUX_Message*, bool) override { return 0; }
  void sendCANFocus(int) override {}
  void ValueChanged(uint32_t, float, unsigned) override {}
  int GetCCAssignment(uint32_t) override { return -1; }
  void SetCCAssignment(int, int) override {}

 private:
  uxDC* dc_;
};

constexpr int kRows = 100, kRowH = 40, kX = 100, kY = 40, kW = 350, kH = 400;

struct PresetList {
  PresetList() : host(&screen.dc) {
    table = std::make_unique<uxTableCtrl>(&host, 1, "Presets", uxPOINT(kX, kY), kW, kH, kH / kRowH, 0x202020);
    for (int i = 0; i < kRows; ++i) {
      auto* row = new uxTableRow(table.get(), i + 1, 0, kRowH, "ROW");
      auto* cell = new uxButton(&host, "cell", 0, uxPOINT(kX, kY + kRowH * i), kW - 40, kRowH, 0x202020, 0x303030,
                                0xFFFFFF);
      char text[8];
      std::snprintf(text, sizeof text, "%03d", i + 1);
      cell->SetText(text);
      row->addColumn(cell);
      table->addRow(row);
    }
    table->SetFocus(true);
    table->OnPaint();
  }
  void Send(int x, int y, int type) {
    tagUX_Message msg(UX_MSG_TOUCH_EVENT, x, y, type);
    table->OnMessage(&msg);
  }
  Screen screen;
  QuietHost host;
  std::unique_ptr<uxTableCtrl> table;
};

void TablePaint100Rows(benchmark::State& state) {
  PresetList list;
  for (auto _ : state) {
    list.table->setRepaintCtrls();
    list.table->OnPaint();
  }
  Report(state);
}
BENCHMARK(TablePaint100Rows)->Unit(benchmark::kMicrosecond);

// One move of a finger on the scroll bar and the repaint it causes.
void TableScrollBarDrag(benchmark::State& state) {
  PresetList list;
  const int x = kX + kW - 5;
  list.Send(x, kY + 10, TYPE_PRESS);
  int step = 0;
  for (auto _ : state) {
    list.Send(x, kY + 10 + (++step & 1 ? 80 : 0), TYPE_MOVE);
    list.table->OnPaint();
  }
  Report(state);
}
BENCHMARK(TableScrollBarDrag)->Unit(benchmark::kMicrosecond);

void TableRepaintOneRow(benchmark::State& state) {
  PresetList list;
  uxTableRow* row = list.table->getRow(3);
  for (auto _ : state) {
    row->setRepaint();
    list.table->repaintRow(row);
    list.table->OnPaint();
  }
  Report(state);
}
BENCHMARK(TableRepaintOneRow)->Unit(benchmark::kMicrosecond);

}  // namespace
