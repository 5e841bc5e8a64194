#include "toolkit/uxTableRow.h"

#include "toolkit/uxDC.h"
#include "toolkit/uxTableCtrl.h"

uxTableRow::uxTableRow(uxTableCtrl* table, int id, uint32_t data, int height, const char* name)
    : uxBaseElement(table ? table->getGUIManager() : nullptr, id, data, name), height_(height), table_(table) {}

uxTableRow::~uxTableRow() { uxTableRow::Clear(); }

void uxTableRow::Clear() {
  std::vector<uxBaseElement*> gone;
  gone.swap(columns_);
  for (uxBaseElement* c : gone) delete c;
  repaint_ = true;
}

void uxTableRow::addColumn(uxBaseElement* column) {
  if (!column) return;
  const uxRECT& r = *column->getClientRect();
  if (columns_.empty()) {
    rect_ = r;
  } else {
    rect_.right += r.width;
    rect_.width += r.width;
  }
  columns_.push_back(column);
}

uxBaseElement* uxTableRow::getColumn(int index) const {
  return static_cast<unsigned>(index) < columns_.size() ? columns_[std::size_t(index)] : nullptr;
}

int uxTableRow::OnPaint() {
  if (dc_ && table_) dc_->StartPanning(uxPOINT(0, table_->PaintOffset(height_)));
  for (uxBaseElement* c : columns_) {
    if (repaint_) c->setRepaint();
    c->OnPaint();
  }
  repaint_ = false;
  if (dc_) dc_->ReleasePanning();
  return 1;
}

int uxTableRow::OnMessage(tagUX_Message* msg) {
  int result = 0;
  for (std::size_t i = 0; i < columns_.size(); ++i) result = columns_[i]->OnMessage(msg);
  return result;
}

void uxTableRow::invalidate() {
  for (uxBaseElement* c : columns_) c->setRepaint();
}

void uxTableRow::Select(bool selected) {
  if (!columns_.empty()) columns_.back()->Select(selected);
}

void uxTableRow::SetChecked(bool checked, bool all) {
  if (checkDisabled_) return;
  for (uxBaseElement* c : columns_) {
    c->SetChecked(checked, true);
    if (!all) break;
  }
  invalidate();
}

bool uxTableRow::isChecked() { return !columns_.empty() && columns_.front()->isChecked(); }

void uxTableRow::SetRelativePos(int x, int y) {
  uxBaseElement::SetRelativePos(x, y);
  for (uxBaseElement* c : columns_) c->SetRelativePos(x, y);
}
