#include "pages/widgets/uxPianoRoll.h"

#include <algorithm>
#include <cstdio>

#include "pages/widgets/WidgetDraw.h"
#include "platform/LogSink.h"

using widgets::Short;

namespace {

constexpr uxCOLOR kRowEven = 0x282828;
constexpr uxCOLOR kRowOdd = 0x181818;
constexpr uxCOLOR kRowFrame = 0x404040;
constexpr uxCOLOR kNote = 0x202080;
constexpr uxCOLOR kNoteSelected = 0x606060;
constexpr uxCOLOR kNoteText = 0xFFFFFF;
constexpr uxCOLOR kNoteTextBack = 0x206020;
constexpr uxCOLOR kController = 0xFF0000;
constexpr uxCOLOR kHeader = 0x202060;
constexpr uxCOLOR kBarLine = 0x646464;
constexpr uxCOLOR kBeatLine = 0x404040;
constexpr uxCOLOR kCursor = 0xFFFFFF;
constexpr int kHeaderHeight = 20;
constexpr int kNoteFont = 7;
constexpr int kHeaderFont = 9;
constexpr int kLabelStep = 4;
constexpr int kNameMinWidth = 20;
constexpr int kCursorDots = 5;
constexpr int kDragTopNote = 104;
constexpr int kDragPixelsPerNote = 20;

constexpr const char* kNoteNames[12] = {"C%d", "C#%d", "D%d", "D#%d", "E%d", "F%d",
                                        "F#%d", "G%d", "G#%d", "A%d", "A#%d", "B%d"};

}  // namespace

uxPianoRoll::uxPianoRoll(uxHost* manager, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background)
    : uxBaseElement(manager, -1, 0, "Label"), background_(background) {
  const int x = pos ? pos->x : 0, y = pos ? pos->y : 0;
  rect_ = uxRECT(x, y, x + w, y + h, w, h);
  enabled_ = true;
  if (dc_ && w > 0 && h > 0) image_ = dc_->allocImage(uxRECT(0, 0, w, h), "PIANO-Roll image");
}

uxPianoRoll::~uxPianoRoll() {
  if (dc_) dc_->freeImage(&image_);
}

void uxPianoRoll::SetGrid(int columns, int accent, float columnWidth, int contentWidth) {
  columns_ = columns;
  accent_ = accent;
  columnWidth_ = columnWidth;
  contentWidth_ = contentWidth;
  repaint_ = true;
}

void uxPianoRoll::SetZoom(float zoom) {
  zoom_ = zoom == zoom ? std::clamp(zoom, kMinZoom, kMaxZoom) : 1.0f;
  repaint_ = true;
}

void uxPianoRoll::SetOffset(int x, int y) {
  offsetX_ = x;
  offsetY_ = y;
  repaint_ = true;
}

int uxPianoRoll::RowHeight() const {
  const int rows = octaves_ * 12;
  return rows > 0 ? rect_.height / rows : 0;
}

float uxPianoRoll::TickX(int32_t tick) const {
  return static_cast<float>(offsetX_) +
         static_cast<float>(tick) / static_cast<float>(kTicksPerColumn) * columnWidth_ * zoom_;
}

void uxPianoRoll::PaintAll() {
  const int w = rect_.width, h = rect_.height;
  const int rows = octaves_ * 12;
  const int rowH = RowHeight();
  dc_->FillFrame(0, 0, Short(w - 1), Short(h - 1), background_);

  const int contentRight = arm::ToInt32(static_cast<float>(offsetX_) + static_cast<float>(contentWidth_) * zoom_);
  for (int i = 0; i < rows && rowH > 0; ++i) {
    const int top = h - (rowH - 1 + i * rowH), bottom = h - i * rowH;
    dc_->FillFrame(Short(offsetX_), Short(top), Short(contentRight), Short(bottom), (i % 2) ? kRowOdd : kRowEven);
    dc_->DrawFrame(Short(offsetX_), Short(top), Short(contentRight), Short(bottom), kRowFrame);
  }

  dc_->FontSelect(kNoteFont);
  dc_->SetForecolor(kNoteText);
  dc_->SetBackcolor(kNoteTextBack);
  char name[16];
  for (const SeqEvent& e : events_) {
    if (e.type != kSeqNote || rowH <= 0) continue;
    const int row = int{e.key} - firstNote_;
    if (row < 0 || row >= rows) continue;
    const float x0 = TickX(e.time);
    const float width = static_cast<float>(e.end - e.time) / kTicksPerColumn * columnWidth_ * zoom_;
    // A note that ends before it starts has no length to show; one wholly off the
    // widget costs nothing.
    if (!(width > 0.0f) || x0 >= static_cast<float>(w) || x0 + width < 0.0f) continue;
    const int x = arm::ToInt32(x0), wd = arm::ToInt32(width);
    const int top = h - (rowH - 1 + row * rowH), bottom = h - row * rowH;
    dc_->FillFrame(Short(x), Short(top), Short(x + wd - 1), Short(bottom), e.reserved ? kNoteSelected : kNote);
    if (wd > kNameMinWidth) {
      std::snprintf(name, sizeof name, kNoteNames[e.key % 12], e.key / 12 - 2);
      dc_->PutString(Short(x + 5), Short(top), name);
    }
  }

  bool havePoint = false;
  int lastX = 0, lastY = 0;
  int32_t lastEnd = 0;
  if (controller_ >= 0) {
    for (const SeqEvent& e : events_) {
      lastEnd = std::max(lastEnd, std::max(e.time, e.end));
      if (e.type != kSeqControl || e.key != controller_) continue;
      const float fx = TickX(e.time);
      const int x = arm::ToInt32(std::clamp(fx, -static_cast<float>(widgets::kFar), static_cast<float>(widgets::kFar)));
      const int y = h - (h - rowH) * e.velocity / 128;
      // Segments wholly off one side of the widget are left out; the others are drawn
      // with their ends pulled in, which keeps their slope on screen close enough.
      if (havePoint && !(lastX < 0 && x < 0) && !(lastX >= w && x >= w))
        dc_->DrawLine(Short(lastX), Short(lastY), Short(x), Short(y), kController);
      havePoint = true;
      lastX = x;
      lastY = y;
    }
  }

  dc_->FillFrame(0, 0, Short(w - 1), kHeaderHeight - 1, kHeader);
  dc_->FontSelect(kHeaderFont);
  dc_->SetForecolor(0xFFFFFF);
  dc_->SetBackcolor(kHeader);
  const int labelStep = zoom_ < 0.2f ? kLabelStep * 4 : zoom_ < 0.4f ? kLabelStep * 2 : kLabelStep;
  for (int i = 0; i <= columns_; ++i) {
    const float fx = static_cast<float>(offsetX_) + static_cast<float>(i) * columnWidth_ * zoom_;
    if (fx >= static_cast<float>(w)) break;
    if (fx < -static_cast<float>(w)) continue;
    const int x = arm::ToInt32(fx);
    dc_->DrawLine(Short(x), 0, Short(x), Short(h - 1), (accent_ > 0 && i % accent_ == 0) ? kBarLine : kBeatLine);
    if (zoom_ > 4.0f || i % labelStep == 0) {
      std::snprintf(name, sizeof name, "%d", i + 1);
      dc_->PutString(Short(x + 5), 5, name);
    }
  }

  if (controller_ >= 0 && havePoint) {
    const float endX = std::clamp(TickX(lastEnd), -static_cast<float>(widgets::kFar), static_cast<float>(widgets::kFar));
    const int x = arm::ToInt32(endX);
    dc_->DrawLine(Short(lastX), Short(lastY), Short(x), Short(lastY), kController);
    std::snprintf(name, sizeof name, "CC-%d", controller_);
    dc_->SetForecolor(kController);
    dc_->SetBackcolor(background_);
    dc_->PutString(Short(x - 30), Short(lastY + 2), name);
  }
}

int uxPianoRoll::OnPaint() {
  if (!dc_) return 0;
  const bool full = enabled_ && repaint_;
  if (!full && !repaintCtrls_) return 0;
  dc_->BeginPaint(Short(rect_.left), Short(rect_.top), Short(rect_.width), Short(rect_.height));
  if (full) {
    PaintAll();
    dc_->GetImage(uxRECT(0, 0, rect_.width, rect_.height), &image_);
    repaint_ = false;
  } else {
    dc_->DrawImage(0, 0, &image_);
  }
  dc_->DrawDottedLine(Short(cursorX_), 0, Short(cursorX_), Short(rect_.height - 1), kCursorDots, kCursor);
  repaintCtrls_ = false;
  dc_->EndPaint();
  return 1;
}

int uxPianoRoll::OnMessage(tagUX_Message* msg) {
  const int result = uxBaseElement::OnMessage(msg);
  if (msg->type == UX_MSG_TOUCH_EVENT) {
    if (msg->m_evt_type == TYPE_PRESS) {
      dragOrigin_ = uxPOINT(msg->m_x - offsetX_, msg->m_y - offsetY_);
    } else if (msg->m_evt_type == TYPE_MOVE) {
      offsetX_ = std::min(0, msg->m_x - dragOrigin_.x);
      const int dy = msg->m_y - dragOrigin_.y;
      offsetY_ = dy <= 0 ? dy : 0;
      firstNote_ = kDragTopNote + offsetY_ / kDragPixelsPerNote;
      platform::LogPrintf("offset X:%d x:%d  Y:%d y:%d   noteoff %d \n", offsetX_, msg->m_x, offsetY_, msg->m_y,
                          firstNote_);
      repaint_ = true;
    }
  } else if (msg->type == UX_MSG_ENCODER_EVENT && msg->param == kZoomEncoder && focus_) {
    if (msg->flag == 130) zoom_ = std::min(kMaxZoom, zoom_ + 0.1f);
    if (msg->flag == 131) zoom_ = std::max(kMinZoom, zoom_ - 0.1f);
    repaint_ = true;
  }
  return result;
}
