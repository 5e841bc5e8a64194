#pragma once
// One line of a table: a horizontal run of column elements it owns. The row forwards what
// happens to it to its columns and paints them shifted by the table's scroll offset.
#include <vector>

#include "toolkit/uxBaseElement.h"

class uxTableCtrl;

class uxTableRow : public uxBaseElement {
 public:
  uxTableRow(uxTableCtrl* table, int id, uint32_t data, int height, const char* name = "");
  ~uxTableRow() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;
  void invalidate() override;
  void Select(bool selected) override;
  void SetChecked(bool checked, bool all = true) override;
  bool isChecked() override;
  void SetRelativePos(int x, int y) override;
  virtual void Clear();

  // The row owns the column from now on.
  void addColumn(uxBaseElement* column);
  uxBaseElement* getColumn(int index) const;
  int getColumnCount() const { return static_cast<int>(columns_.size()); }
  int getHeight() const { return height_; }
  void SetCheckDisable(bool disable) { checkDisabled_ = disable; }
  int GetRelativeY() const { return relY_; }

 private:
  int height_;
  std::vector<uxBaseElement*> columns_;
  uxTableCtrl* table_;
  bool checkDisabled_ = false;
};
