#pragma once
// A scrolling list of rows on a panel: touch selection in five modes, a draggable scroll
// bar, the front panel's data wheel, and a UX_MSG_TABLE_ITEM_SEL report for every choice.
// The rows are the panel's elements, so the table owns and deletes them.
#include <mutex>

#include "toolkit/Flavour.h"
#include "toolkit/uxPanelCtrl.h"
#include "toolkit/uxTableRow.h"

class uxTableCtrl : public uxPanelCtrl {
 public:
  // The selection modes (uxTableCtrl_Drag ..) and entry modes (uxTableCtrl_touchonly ..).
  using eMode = int;
  using eEntryMode = int;

  uxTableCtrl(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h, int visibleRows,
              uxCOLOR colour, bool scrollBar = true, int* focusOwner = nullptr);

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  void Clear() override;

  void addRow(uxTableRow* row);
  uxTableRow* getRow(int index);
  uxTableRow* getSelectedRow();
  int getRowCount() const { return static_cast<int>(elements_.size()); }
#if !SYNTH_TOOLKIT_SCRIPT
  int getRowIndex(uxTableRow* row);
#endif
  int getSelection() const { return selection_; }
  void selectRow(int index, bool wholeRow = true);
  void deselectRow();
  void ScrollToSelected();
  void Invalidate();
  void repaintRow(uxTableRow* row) { rowToRepaint_ = row; }
  uxPOINT getPanning() const;
  bool isEnter() const { return enter_; }

  void setSelectionMode(eMode mode) { selectionMode_ = mode; }
  void setEntryMode(eEntryMode mode) { entryMode_ = mode; }
  void setItemmSelection(bool on) { itemSelection_ = on; }
  void setUpdateMode(bool on) { updateMode_ = on; }
  void setRowSelMode(bool wholeRow) { wholeRow_ = wholeRow; }

  // Scroll geometry, for the rows and for tests.
  int GetPan() const { return pan_; }
  int GetThumbLength() const { return thumb_; }
  int GetScrollRange() const { return range_; }
  float GetScale() const { return scale_; }
  // How far a row of the given height is drawn shifted: whole rows of the content offset.
  int PaintOffset(int rowHeight) const;

 private:
  template <typename F>
  void ForRows(F f) {
    for (int i = 0; i < getRowCount(); ++i)
      if (uxTableRow* r = getRow(i)) f(r);
  }
  // Content offset for the current pan in whole rows (no snapping for rows without height).
  int RowOffset() const;
  void MoveRows();
  void Report(int param, int flag);
  void SendSelf(uint32_t type, int param);
  bool Overflows() const { return getRowCount() > visibleRows_; }
  bool IsFocusOwner() const { return focusOwner_ && *focusOwner_ == static_cast<int>(userData_); }
  int OnTouch(tagUX_Message* msg);
  int OnDataWheel(tagUX_Message* msg);

  int visibleRows_;
  int thumb_ = 0;
  int range_;
  int pan_ = 0;
  float scale_ = 0.0f;
  int anchor_ = -1;
  bool locked_ = false;
  int rowHeight_ = 0;
  int selection_ = -1;
  bool enter_ = false;
  uxTableRow* rowToRepaint_ = nullptr;
  bool scrollBar_;
  int* focusOwner_;
  int selectionMode_ = uxTableCtrl_Drag;
  int entryMode_ = uxTableCtrl_touch_datawheel;
  bool itemSelection_ = false;
  bool updateMode_ = true;
  bool wholeRow_ = true;
  std::recursive_mutex lock_;
};
