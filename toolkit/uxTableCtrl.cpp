#include "toolkit/uxTableCtrl.h"

#include <algorithm>
#include <cmath>

#include "platform/ArmConvert.h"
#include "platform/LogSink.h"
#include "toolkit/uxDC.h"

namespace {

int16_t Short(int v) { return static_cast<int16_t>(v); }

// A toggled-off row is reported with this bit over its index.
constexpr int kToggledOff = 0x8000;
// Touches this close to the right edge drag the scroll bar.
constexpr int kScrollZone = 40;
constexpr int kScrollBarWidth = 30;
constexpr uxCOLOR kTrack = 0x000000;
constexpr uxCOLOR kThumb = 0xFFFFFF;
constexpr uxCOLOR kFocusFrame = 0xFF0000;
constexpr uint32_t kWheelEncoder = 4;
constexpr uint32_t kWheelPush = 132, kWheelUp = 131, kWheelDown = 130;

}  // namespace

uxTableCtrl::uxTableCtrl(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                         int visibleRows, uxCOLOR colour, bool scrollBar, int* focusOwner)
    : uxPanelCtrl(manager, id, name, pos, w, h, colour, 0),
      visibleRows_(visibleRows),
      range_(h),
      scrollBar_(scrollBar),
      focusOwner_(focusOwner) {}

void uxTableCtrl::addRow(uxTableRow* row) {
  if (!row) return;
  AddElement(row);
  const int64_t content = int64_t{getRowCount()} * row->getHeight();
  // A table of no height has nothing to scroll: whatever its rows, they count as fitting.
  if (rect_.height > 0 && content > rect_.height) {
    scale_ = static_cast<float>(rect_.height) / static_cast<float>(content);
    thumb_ = arm::ToInt32(static_cast<float>(rect_.height) * scale_);
    range_ = rect_.height - thumb_;
  }
  rowHeight_ = row->getHeight();
}

uxTableRow* uxTableCtrl::getRow(int index) {
  // A script may put other elements into the panel's list; only rows count as rows.
  return static_cast<unsigned>(index) < elements_.size() ? dynamic_cast<uxTableRow*>(elements_[std::size_t(index)])
                                                         : nullptr;
}

// A toggled-off selection carries 0x8000 and names no row.
uxTableRow* uxTableCtrl::getSelectedRow() { return selection_ >= 0 ? getRow(selection_) : nullptr; }

#if !SYNTH_TOOLKIT_SCRIPT
int uxTableCtrl::getRowIndex(uxTableRow* row) {
  const auto it = std::find(elements_.begin(), elements_.end(), row);
  return it == elements_.end() ? -1 : static_cast<int>(it - elements_.begin());
}
#endif

void uxTableCtrl::selectRow(int index, bool wholeRow) {
  const int count = getRowCount();
  if (count == 0) return;
  if (index == -1) {
    ForRows([&](uxTableRow* r) {
      r->SetChecked(false, wholeRow);
      r->Select(false);
    });
    selection_ = -1;
    repaintCtrls_ = true;
    return;
  }
  uxTableRow* row = getRow(index);
  if (!row) return;
  ForRows([](uxTableRow* r) { r->Select(false); });
  row->Select(true);
  repaintCtrls_ = true;
  switch (selectionMode_) {
    case uxTableCtrl_Drag:
    case uxTableCtrl_Radio:
      ForRows([&](uxTableRow* r) { r->SetChecked(false, wholeRow); });
      row->SetChecked(true, wholeRow);
      selection_ = index;
      break;
    case uxTableCtrl_Set:
      row->SetChecked(true, wholeRow);
      selection_ = index;
      break;
    case uxTableCtrl_Toggle:
      if (!row->isChecked()) {
        row->SetChecked(true, wholeRow);
        selection_ = index;
      } else {
        row->SetChecked(false, wholeRow);
        selection_ = index | kToggledOff;
      }
      break;
    case uxTableCtrl_RadioToggle:
      if (!row->isChecked()) {
        ForRows([&](uxTableRow* r) { r->SetChecked(false, wholeRow); });
        row->SetChecked(true, wholeRow);
        selection_ = index;
      } else {
        row->SetChecked(false, wholeRow);
        selection_ = -1;
      }
      break;
    default:
      break;
  }
}

void uxTableCtrl::deselectRow() {
  if (getRowCount() == 0) return;
  ForRows([](uxTableRow* r) { r->Select(false); });
  selection_ = -1;
  repaintCtrls_ = true;
}

// With every row in view the scale is 0: the content never moves. (0/0 would be NaN, and a
// host's float-to-int turns that into a huge offset that puts every row off screen.)
int uxTableCtrl::RowOffset() const {
  if (scale_ == 0.0f) return 0;
  const int q = arm::ToInt32(static_cast<float>(pan_) / scale_);
  return rowHeight_ >= 1 ? rowHeight_ * (q / rowHeight_) : q;
}

int uxTableCtrl::PaintOffset(int rowHeight) const {
  if (scale_ == 0.0f) return 0;
  const int q = arm::ToInt32(std::ceil(static_cast<float>(-pan_) / scale_));
  return rowHeight >= 1 ? rowHeight * (q / rowHeight) : q;
}

uxPOINT uxTableCtrl::getPanning() const {
  if (scale_ == 0.0f) return uxPOINT(0, 0);
  return uxPOINT(0, arm::ToInt32(std::ceil(static_cast<float>(-pan_) / scale_)));
}

void uxTableCtrl::MoveRows() {
  const int offset = RowOffset();
  ForRows([&](uxTableRow* r) { r->SetRelativePos(0, offset); });
}

void uxTableCtrl::ScrollToSelected() {
  const float rows = static_cast<float>(selection_ - (visibleRows_ - 1) / 2);
  pan_ = std::clamp(arm::ToInt32(static_cast<float>(rowHeight_) * rows * scale_), 0, std::max(range_, 0));
  repaintCtrls_ = true;
  if (rowHeight_ >= 1) MoveRows();
}

void uxTableCtrl::SendSelf(uint32_t type, int param) {
  tagUX_Message msg(static_cast<int>(type), param, 0);
  OnMessage(&msg);
}

void uxTableCtrl::Invalidate() { SendSelf(UX_MSG_FOCUS, 0); }

void uxTableCtrl::Clear() {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  uxPanelCtrl::Clear();
  rowToRepaint_ = nullptr;
  SendSelf(UX_MSG_FOCUS, 0);
  selection_ = 0;
  enter_ = false;
  pan_ = 0;
  // The old rows' scroll geometry goes with them; a shorter list must not inherit it.
  scale_ = 0.0f;
  thumb_ = 0;
  range_ = rect_.height;
}

void uxTableCtrl::Report(int param, int flag) {
  tagUX_Message msg(UX_MSG_TABLE_ITEM_SEL, param, flag, this);
  // The instrument's pages take the choice from the GUI tick, after the touch is done.
  if (manager_ && !ux::kScriptFlavour)
    manager_->SendMessage(&msg, true);
  else
    SendMessage(&msg);
}

int uxTableCtrl::OnDataWheel(tagUX_Message* msg) {
  if ((msg->param & 7) != kWheelEncoder || entryMode_ != uxTableCtrl_touch_datawheel) return 0;
  const int count = getRowCount();
  // A toggled-off row still is where the wheel stands.
  const int at = selection_ >= 0 ? (selection_ & ~kToggledOff) : selection_;
  switch (msg->flag) {
    case kWheelPush:
      Report(selection_, kWheelPush);
      break;
    case kWheelUp:
      selectRow(std::clamp(at - 1, 0, std::max(count - 1, 0)), wholeRow_);
      ScrollToSelected();
      Report(selection_, kWheelDown);
      break;
    case kWheelDown:
      selectRow(std::clamp(at + 1, 0, std::max(count - 1, 0)), wholeRow_);
      ScrollToSelected();
      Report(selection_, kWheelUp);
      break;
    default:
      break;
  }
  return 0;
}

int uxTableCtrl::OnTouch(tagUX_Message* msg) {
  if (msg->m_evt_type == TYPE_RELEASE) {
    anchor_ = -1;
    locked_ = false;
    return uxPanelCtrl::OnMessage(msg);
  }
  const uxPOINT p(msg->m_x, msg->m_y);
  if (!intersect(p)) return 0;
  const int y = msg->m_y;
  int result = 0;
  if (scrollBar_ && p.x >= rect_.right - kScrollZone && p.x <= rect_.right + kScrollZone) {
    if (anchor_ != -1 && Overflows()) {
      pan_ = std::max(std::min(range_, y - anchor_), 0);
      repaintCtrls_ = true;
      MoveRows();
    }
    result = uxPanelCtrl::OnMessage(msg);
    anchor_ = y - pan_;
    return result;
  }
  if (locked_) {
    anchor_ = y - pan_;
    return 0;
  }
  if (focusOwner_) *focusOwner_ = static_cast<int>(userData_);
  if constexpr (!ux::kScriptFlavour) platform::LogPrintf("[TableCtrl] %s, touch x:%d y:%d\n", name_.c_str(), p.x, p.y);
  for (int i = 0; i < getRowCount(); ++i) {
    uxTableRow* row = getRow(i);
    if (!row || !row->intersect(p)) continue;
    selectRow(i, wholeRow_);
    row->setRepaint();
    const int param = itemSelection_ ? i : selection_;
    if constexpr (ux::kScriptFlavour) {
      Report(param, 0);
      SendSelf(UX_MSG_FOCUS, 0);
      result = uxPanelCtrl::OnMessage(msg);
    } else {
      result = uxPanelCtrl::OnMessage(msg);
      Report(param, 0);
      SendSelf(UX_MSG_FOCUS, 0);
    }
    break;
  }
  repaintCtrls_ = true;
  locked_ = selectionMode_ != uxTableCtrl_Drag;
  anchor_ = y - pan_;
  return result;
}

int uxTableCtrl::OnMessage(tagUX_Message* msg) {
  if (!focus_ || msg->type == UX_MSG_VALUES_CHANGED) return uxPanelCtrl::OnMessage(msg);
  if (msg->type == UX_MSG_ENCODER_EVENT) return OnDataWheel(msg);
  if (msg->type != UX_MSG_TOUCH_EVENT) return uxPanelCtrl::OnMessage(msg);
  return OnTouch(msg);
}

int uxTableCtrl::OnPaint() {
  if (!enabled_) return 0;
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (dc_) dc_->SetClippingRegion(rect_);
  if (!updateMode_ || (focusOwner_ && !IsFocusOwner())) uxPanelCtrl::OnPaint();
  if (rowToRepaint_) {
    rowToRepaint_->OnPaint();
    rowToRepaint_ = nullptr;
  }
  if (repaintCtrls_) {
    ForRows([](uxTableRow* r) {
      r->setRepaint();
      r->OnPaint();
    });
    if (dc_ && scrollBar_) {
      dc_->BeginPaint(Short(rect_.right - kScrollBarWidth), Short(rect_.top), kScrollBarWidth, Short(rect_.height));
      dc_->FillFrame(0, 0, kScrollBarWidth, Short(rect_.height), kTrack);
      if (Overflows()) dc_->FillFrame(0, Short(pan_), kScrollBarWidth, Short(pan_ + thumb_), kThumb);
      dc_->EndPaint();
    }
    if (dc_ && IsFocusOwner() && !itemSelection_) {
      dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(rect_.width), Short(rect_.height));
      dc_->DrawFrame(0, 0, Short(rect_.width - 1), Short(rect_.height - 1), kFocusFrame);
      dc_->EndPaint();
    }
    repaintCtrls_ = false;
  }
  if (dc_) dc_->ReleaseClippingRegion();
  return 1;
}
