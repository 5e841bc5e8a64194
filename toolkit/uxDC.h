#pragma once
// The drawing context: maps the display's framebuffer, keeps two full-screen back layers
// (normal, and exclusive for popups that must stay on top), clips every pixel to the paint
// rectangle, the clipping region and the screen, and draws lines, frames, circles, bitmap
// text and images. Widgets paint between BeginPaint and EndPaint; only EndPaint and the
// exclusive-region restore touch the screen.
//
// Until Init succeeds there are no layers and every operation does nothing: the instrument
// carries on without a display.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "toolkit/uxDefs.h"

namespace platform {
class FrameBufferDevice;
}

typedef struct tagFontSize {
  uint16_t width = 0;
  uint16_t height = 0;
} tFontSize;

typedef struct tagFONT {
  const uint8_t* p = nullptr;  // glyph table: 256 glyphs in code-page-437 order
  uint16_t index = 0;
  tFontSize fontsize;
  int16_t char_h_space = 0;
  int16_t char_v_space = 1;
} uxFONT;

// An image as loaded: one word per pixel holding the bytes R, G, B, A in memory order. The
// record never owns `data`.
struct tImage {
  std::string name;
  uint32_t* data = nullptr;
  uint16_t width = 0;
  uint16_t height = 0;
};

// One drawing call as a widget made it, with the font and colours in force: tests of widget
// layout check coordinates, fonts and colours rather than pixels.
struct uxDrawCall {
  const char* op;       // the operation's name, "FillFrame", "PutString", ...
  int a[6];             // its integer arguments in order (coordinates, sizes, flags), then 0
  uxCOLOR colour;       // its colour argument, 0 when it has none
  std::string text;     // PutString's text, PutChar's character, DrawImage's image name
  uint16_t font;        // current font index
  uxCOLOR fore, back;   // current text colours
};

class uxDrawObserver {
 public:
  virtual ~uxDrawObserver() = default;
  virtual void OnDraw(const uxDrawCall& call) = 0;
};

class uxDC {
 public:
  // Without a device the context drives the process default (platform::DefaultFrameBuffer),
  // the real "/dev/fb0" unless a start-up chose a stand-in.
  explicit uxDC(platform::FrameBufferDevice* device = nullptr);
  ~uxDC();
  uxDC(const uxDC&) = delete;
  uxDC& operator=(const uxDC&) = delete;

  int Init();
  bool IsInitialised() const { return normal_ != nullptr; }

  bool BeginPaint(int16_t x, int16_t y, int16_t w, int16_t h, bool exclusive = false, bool direct = false);
  void EndPaint();
  void restoreExlusiveRegion();
  void resetExclusiveRegion() { exclusiveRegion_ = uxRECT(0, 0, 0, 0, 0, 0); }

  void SetClippingRegion(uxRECT r) { clip_ = uxRECT(r.left, r.top, r.right, r.bottom); }
  void ReleaseClippingRegion() { clip_ = screen_; }
  void StartPanning(uxPOINT p) {
    panX_ = p.x;
    panY_ = p.y;
  }
  void ReleasePanning() { panX_ = panY_ = 0; }
  void AdjustPanning(uxRECT& r) const {
    r.left += panX_;
    r.right += panX_;
    r.top += panY_;
    r.bottom += panY_;
  }
  int PanX() const { return panX_; }
  int PanY() const { return panY_; }

  void SetForecolor(uxCOLOR c) { fore_ = c; }
  void SetBackcolor(uxCOLOR c) { back_ = c; }
  uxCOLOR getSelectColor() const { return selectColour_; }
  uxFONT FontSelect(uint16_t index);
  tFontSize getFontSize(int index) const;
  void FontSetHSpace(uint16_t space) { font_.char_h_space = static_cast<int16_t>(space); }
  void FontSetVSpace(uint16_t space) { font_.char_v_space = static_cast<int16_t>(space); }

  void SetPixel(int16_t x, int16_t y, uxCOLOR c);
  void DrawPixel(int16_t x, int16_t y, uxCOLOR c) { SetPixel(x, y, c); }
  void DrawPixel(uxPOINT p, uxCOLOR c) { SetPixel(Short(p.x), Short(p.y), c); }
  uxCOLOR GetPixel(int16_t x, int16_t y) const;
  void DrawLine(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR c);
  void DrawLine(uxPOINT a, uxPOINT b, uxCOLOR c) { DrawLine(Short(a.x), Short(a.y), Short(b.x), Short(b.y), c); }
  void DrawDottedLine(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int spacing, uxCOLOR c);
  void DrawDottedLine(uxPOINT a, uxPOINT b, int spacing, uxCOLOR c) {
    DrawDottedLine(Short(a.x), Short(a.y), Short(b.x), Short(b.y), spacing, c);
  }
  void DrawFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR c);
  void DrawFrame(uxRECT r, uxCOLOR c) { DrawFrame(Short(r.left), Short(r.top), Short(r.right), Short(r.bottom), c); }
  void FillFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR c);
  void FillFrame(uxRECT r, uxCOLOR c) { FillFrame(Short(r.left), Short(r.top), Short(r.right), Short(r.bottom), c); }
  void DrawMesh(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR c);
  void DrawMesh(uxRECT r, uxCOLOR c) { DrawMesh(Short(r.left), Short(r.top), Short(r.right), Short(r.bottom), c); }
  void DrawRoundFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t r, uxCOLOR c);
  void DrawRoundFrame(uxRECT rc, int16_t r, uxCOLOR c) {
    DrawRoundFrame(Short(rc.left), Short(rc.top), Short(rc.right), Short(rc.bottom), r, c);
  }
  void FillRoundFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t r, uxCOLOR c);
  void FillRoundFrame(uxRECT rc, int16_t r, uxCOLOR c) {
    FillRoundFrame(Short(rc.left), Short(rc.top), Short(rc.right), Short(rc.bottom), r, c);
  }
  void DrawCircle(int16_t cx, int16_t cy, int16_t r, uxCOLOR c);
  void DrawCircle(uxPOINT p, int16_t r, uxCOLOR c) { DrawCircle(Short(p.x), Short(p.y), r, c); }
  void FillCircle(int16_t cx, int16_t cy, int16_t r, uxCOLOR c);
  void FillCircle(uxPOINT p, int16_t r, uxCOLOR c) { FillCircle(Short(p.x), Short(p.y), r, c); }
  void DrawArc(int16_t cx, int16_t cy, int16_t r, uint8_t octants, uxCOLOR c);
  void DrawArc(uxPOINT p, int16_t r, uint8_t octants, uxCOLOR c) { DrawArc(Short(p.x), Short(p.y), r, octants, c); }
  void FillScreen(uxCOLOR c);
  void PutChar(char ch, int16_t x, int16_t y, uxCOLOR fore, uxCOLOR back);
  void PutChar(char ch, uxPOINT p, uxCOLOR fore, uxCOLOR back) { PutChar(ch, Short(p.x), Short(p.y), fore, back); }
  void PutString(int16_t x, int16_t y, const char* s);
  void PutString(uxPOINT p, const char* s) { PutString(Short(p.x), Short(p.y), s); }
  void Test();

  // From the image directory PATH_IMAGES (under the data root), or from `directory`.
  int loadImage(const char* name);
  int loadImage(const char* name, const std::string& directory);
  void DrawImage(int16_t x, int16_t y, const tImage* img);
  void DrawImage(int16_t x, int16_t y, const tImage* img, int srcX, int columns, int rows = 0);
  void GetImage(uxRECT r, tImage* img) const;
  tImage allocImage(uxRECT r, const char* name);
  void freeImage(tImage* img);
  bool getImageRef(int index, tImage* out) const;
  void deleteImage(int) {}
  void saveScreen(const char* name);

  // Sees every drawing call from now on (nullptr: none). Costs one test per call.
  void SetDrawObserver(uxDrawObserver* observer) { observer_ = observer; }

  // What the binding and the tests read.
  const uxRECT& ScreenRect() const { return screen_; }
  const uxRECT& ClipRect() const { return clip_; }
  const uxRECT& PaintRect() const { return paint_; }
  const uxRECT& ExclusiveRegion() const { return exclusiveRegion_; }
  const uxFONT& CurrentFont() const { return font_; }
  const std::vector<tImage>& Images() const { return images_; }
  const uint32_t* NormalLayer() const { return normal_; }
  const uint32_t* ExclusiveLayer() const { return exclusive_; }
  // The screen pixel at (x, y), 0 outside the screen or before Init.
  uxCOLOR ScreenPixel(int x, int y) const;

 private:
  static int16_t Short(int32_t v) { return static_cast<int16_t>(v); }
  uint32_t* Target();
  uint32_t* ScreenRow(int y) const;
  // The span of one row (relative coordinates) that SetPixel would write; empty when
  // first > last.
  struct Span {
    int first;
    int last;
  };
  Span WritableColumns() const;
  Span WritableRows() const;
  // Where the current paint may write, worked out once for a whole shape.
  struct Canvas {
    Span cols;
    Span rows;
    uint32_t* base;
    std::size_t stride;
    int left;
    int top;
    bool Contains(int x, int y) const { return x >= cols.first && x <= cols.last && y >= rows.first && y <= rows.last; }
    void Put(int x, int y, uxCOLOR c) const {
      if (Contains(x, y)) base[std::size_t(y + top) * stride + std::size_t(x + left)] = c;
    }
  };
  Canvas MakeCanvas();
  void Release();
  // The int forms behind the 16-bit interface: sums of coordinates may leave 16 bits.
  void Put(int x, int y, uxCOLOR c);
  void Fill(int x1, int y1, int x2, int y2, uxCOLOR c);
  void Line(int x1, int y1, int x2, int y2, uxCOLOR c);
  void VerticalLine(int x, int ya, int yb, uxCOLOR c);
  template <typename Plot>
  static void WalkLine(int x1, int y1, int x2, int y2, Plot plot);
  // `latin1`: the code is a byte of the text, whose few Latin-1 letters have code-page-437 places.
  void Glyph(unsigned char code, int x, int y, uxCOLOR fore, uxCOLOR back, bool latin1 = true);
  bool GlyphShows(int code) const;
  void Circle(int cx, int cy, int r, uxCOLOR c);
  void Blit(int x, int y, const tImage* img, int srcX, int columns, int rows);
  void Arc(int cx, int cy, int r, uint8_t octants, uxCOLOR c);
  void Record(const char* op, std::initializer_list<int> args, uxCOLOR colour = 0, const char* text = "") {
    if (observer_) Notify(op, args, colour, text);
  }
  void Notify(const char* op, std::initializer_list<int> args, uxCOLOR colour, const char* text);

  platform::FrameBufferDevice* device_;
  uint32_t* normal_ = nullptr;
  uint32_t* exclusive_ = nullptr;
  uint32_t screenSize_ = 0;      // bytes mapped
  uint32_t bytesPerPixel_ = 0;
  uint32_t lineWords_ = 0;       // framebuffer words per line
  uxFONT font_;
  uxCOLOR fore_ = 0;
  uxCOLOR back_ = 0;
  uxCOLOR selectColour_;
  uxRECT clip_;
  int panX_ = 0;
  int panY_ = 0;
  uxRECT screen_;
  uxRECT exclusiveRegion_;
  bool exclusiveFlag_ = false;
  int fd_ = -1;
  uint32_t* frameBuffer_ = nullptr;
  std::vector<tImage> images_;
  uxRECT paint_;
  bool direct_ = false;
  uxDrawObserver* observer_ = nullptr;
};
