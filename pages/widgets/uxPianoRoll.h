#pragma once
// A scrollable, zoomable grid of a clip's notes and one controller's values over two
// octaves of semitone rows. The full picture is kept in an image, so that moving the play
// cursor only copies it back and draws the cursor.
#include <cstdint>
#include <vector>

#include "midi/ClipData.h"
#include "toolkit/uxBaseElement.h"
#include "toolkit/uxDC.h"

class uxPianoRoll : public uxBaseElement {
 public:
  static constexpr int kTicksPerColumn = 24;
  static constexpr float kMinZoom = 0.1f;
  static constexpr float kMaxZoom = 4.0f;
  static constexpr int kZoomEncoder = 148;

  uxPianoRoll(uxHost* manager, uxPOINT* pos, int16_t w, int16_t h, uxCOLOR background);
  ~uxPianoRoll() override;

  int OnPaint() override;
  int OnMessage(tagUX_Message* msg) override;

  // The owner fills the list; `reserved` of a note is its selected flag.
  std::vector<SeqEvent>& Events() { return events_; }

  // Grid: columns (beat lines), every `accent`-th line brighter, width of a column at
  // zoom 1 and of the whole content in pixels.
  void SetGrid(int columns, int accent, float columnWidth, int contentWidth);
  void SetZoom(float zoom);
  void SetOffset(int x, int y);
  void SetOctaves(int octaves) { octaves_ = octaves; }
  void SetFirstNote(int note) { firstNote_ = note; }
  void SetCursor(int x) { cursorX_ = x; }
  void SetController(int cc) { controller_ = cc; }

  float Zoom() const { return zoom_; }
  int OffsetX() const { return offsetX_; }
  int OffsetY() const { return offsetY_; }
  int FirstNote() const { return firstNote_; }
  int Cursor() const { return cursorX_; }
  int Octaves() const { return octaves_; }
  float ColumnWidth() const { return columnWidth_; }
  int Controller() const { return controller_; }
  int RowHeight() const;

 private:
  void PaintAll();
  // Pixel position of a tick, unclamped.
  float TickX(int32_t tick) const;

  std::vector<SeqEvent> events_;
  uxCOLOR background_;
  int cursorX_ = 150;
  int offsetX_ = 0;
  int offsetY_ = 0;
  uxPOINT dragOrigin_;
  int firstNote_ = 0;
  int columns_ = 64;
  int accent_ = 4;
  float columnWidth_ = 20.0f;
  int contentWidth_ = 1280;
  float zoom_ = 1.0f;
  int octaves_ = 2;
  int controller_ = -1;
  tImage image_;
};
