#include "toolkit/uxDC.h"

#include <png.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/FrameBufferDevice.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "toolkit/CTheme.h"
#include "toolkit/Flavour.h"
#include "toolkit/GlyphCodes.h"
#include "toolkit/PngFile.h"
#include "toolkit/fonts/uxFonts.h"

namespace {

// Latin-1 letters the texts use, drawn with their code-page-437 glyphs.
struct CodeMap {
  unsigned char latin1;
  unsigned char cp437;
};
constexpr CodeMap kLatin1ToCp437[] = {
    {176, 248},  // degree sign
    {181, 230},  // micro sign
    {196, 142},  // A umlaut
    {214, 153},  // O umlaut
    {220, 154},  // U umlaut
    {228, 132},  // a umlaut
    {246, 148},  // o umlaut
    {252, 129},  // u umlaut
};

// An image beyond four screens is no picture for an 800x480 display but a hostile or broken
// file. Loaded images stay for the life of the process, and a small file can claim a large
// picture: refusing it keeps a header from deciding how much memory is taken for good.
constexpr uint64_t kMaxImagePixels = 4u * 800u * 480u;
constexpr int64_t kMaxAllocPixels = 0x1FFFFFFE;

constexpr uxCOLOR ToScreen(uint32_t rgba) { return ((rgba & 0xFFu) << 16) | (rgba & 0xFF00u) | ((rgba >> 16) & 0xFFu); }

int ClampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

uxDC::uxDC(platform::FrameBufferDevice* device)
    : device_(device ? device : &platform::DefaultFrameBuffer()),
      selectColour_(ux::kScriptFlavour ? CTheme::ColorFromName("Selector", "", "", CTheme::ColorFromRGB(0, 0, 210), true)
                                       : 0x0000D2) {
  font_.index = ux::kFontCount;  // no glyph table until a font is selected
}

uxDC::~uxDC() {
  Release();
  for (tImage& img : images_) delete[] img.data;
}

void uxDC::Release() {
  delete[] normal_;
  delete[] exclusive_;
  normal_ = exclusive_ = nullptr;
  if (frameBuffer_) device_->Unmap(frameBuffer_, screenSize_);
  frameBuffer_ = nullptr;
  if (fd_ >= 0) device_->Close(fd_);
  fd_ = -1;
}

int uxDC::Init() {
  Release();
  const int fd = device_->Open();
  if (fd < 0) {
    platform::LogPrintf("Error: cannot open framebuffer device: %s\n", std::strerror(errno));
    return -1;
  }
  platform::LogPrintf("The framebuffer device was opened successfully.\n");
  fb_fix_screeninfo fix{};
  if (device_->GetFixedInfo(fd, &fix) < 0) {
    platform::LogPrintf("Error reading fixed information\n");
    device_->Close(fd);
    return -2;
  }
  fb_var_screeninfo var{};
  if (device_->GetVariableInfo(fd, &var) < 0) {
    platform::LogPrintf("Error reading variable information\n");
    device_->Close(fd);
    return -3;
  }
  platform::LogPrintf("%dx%d, %dbpp\n", var.xres, var.yres, var.bits_per_pixel);
  // The layers and every copy to the screen are 32-bit pixels; any other format, or lines
  // shorter than the width, would be written past.
  if (var.bits_per_pixel != 32 || var.xres == 0 || var.yres == 0 || var.xres > 0x7FFF || var.yres > 0x7FFF ||
      fix.line_length < var.xres * 4u || fix.line_length % 4u != 0) {
    platform::LogPrintf("Error: unsupported framebuffer format (%dbpp, %d bytes per line), 32bpp needed\n",
                        var.bits_per_pixel, fix.line_length);
    device_->Close(fd);
    return -3;
  }
  const std::size_t bytes = std::size_t{fix.line_length} * var.yres;
  void* map = device_->Map(fd, bytes);
  if (map == MAP_FAILED || map == nullptr) {
    platform::LogPrintf("Error: failed to map framebuffer device to memory\n");
    device_->Close(fd);
    return -4;
  }
  platform::LogPrintf("The framebuffer device was mapped to memory successfully.\n");
  fd_ = fd;
  frameBuffer_ = static_cast<uint32_t*>(map);
  screenSize_ = static_cast<uint32_t>(bytes);
  bytesPerPixel_ = var.bits_per_pixel / 8;
  lineWords_ = fix.line_length / 4;
  const int xres = static_cast<int>(var.xres);
  const int yres = static_cast<int>(var.yres);
  screen_ = uxRECT(0, 0, xres, yres, xres, yres);
  const std::size_t pixels = std::size_t{var.xres} * var.yres;
  normal_ = new uint32_t[pixels]();
  exclusive_ = new uint32_t[pixels]();
  clip_ = screen_;
  return 0;
}

bool uxDC::BeginPaint(int16_t x, int16_t y, int16_t w, int16_t h, bool exclusive, bool direct) {
  Record("BeginPaint", {x, y, w, h, exclusive, direct});
  const int left = ClampToInt(int64_t{x} + panX_);
  const int top = ClampToInt(int64_t{y} + panY_);
  paint_ = uxRECT(left, top, ClampToInt(int64_t{left} + w), ClampToInt(int64_t{top} + h), w, h);
  direct_ = direct;
  exclusiveFlag_ = exclusive;
  if (exclusive) exclusiveRegion_ = paint_;
  paint_.right = std::min(paint_.right, screen_.width);
  paint_.bottom = std::min(paint_.bottom, screen_.height);
  return true;
}

void uxDC::EndPaint() {
  Record("EndPaint", {});
  if (!normal_ || direct_) return;
  exclusiveFlag_ = false;
  if (paint_.left >= screen_.width || paint_.top >= screen_.height) return;
  const uxRECT& ex = exclusiveRegion_;
  const int x0 = std::max(paint_.left, 0);
  const int x1 = std::min(paint_.right, screen_.width);
  for (int y = std::max(paint_.top, 0); y < std::min(paint_.bottom, screen_.height); ++y) {
    const std::size_t row = std::size_t(y) * screen_.width;
    uint32_t* out = ScreenRow(y);
    const bool exRow = y >= ex.top && y < ex.bottom;
    for (int x = x0; x < x1; ++x) {
      const bool fromExclusive = exRow && x >= ex.left && x < ex.right;
      out[x] = fromExclusive ? exclusive_[row + x] : normal_[row + x];
    }
  }
}

void uxDC::restoreExlusiveRegion() {
  if (!normal_) return;
  const uxRECT& ex = exclusiveRegion_;
  // The region is the popup's unclamped paint rectangle; only its on-screen part exists.
  const int x0 = std::max(ex.left, 0);
  const int x1 = std::min(ex.right, screen_.width);
  for (int y = std::max(ex.top, 0); y < std::min(ex.bottom, screen_.height); ++y) {
    if (x1 > x0) std::memcpy(ScreenRow(y) + x0, normal_ + std::size_t(y) * screen_.width + x0, (x1 - x0) * 4u);
  }
}

uxFONT uxDC::FontSelect(uint16_t index) {
  font_.index = index;
  if (index < ux::kFontCount) {
    font_.p = ux::kFonts[index].glyphs;
    font_.fontsize = {ux::kFonts[index].width, ux::kFonts[index].height};
  } else {
    font_.p = nullptr;
    font_.fontsize = {0, 0};
  }
  return font_;
}

tFontSize uxDC::getFontSize(int index) const {
  if (index == FONT_SELECTED) return font_.fontsize;
  if (index >= 0 && index < ux::kFontCount) return {ux::kFonts[index].width, ux::kFonts[index].height};
  return {0, 0};
}

uint32_t* uxDC::ScreenRow(int y) const { return frameBuffer_ + std::size_t(y) * lineWords_; }

uxCOLOR uxDC::ScreenPixel(int x, int y) const {
  if (!frameBuffer_ || x < 0 || y < 0 || x >= screen_.width || y >= screen_.height) return 0;
  return ScreenRow(y)[x];
}

// Columns (relative to the paint rectangle) that a pixel may be written to: inside the
// paint rectangle, the clipping region and the screen. The clipping region and a panned or
// negative paint rectangle may lie partly off the screen; the screen bound keeps every write
// inside the layers.
uxDC::Span uxDC::WritableColumns() const {
  const int lo = std::max({paint_.left, clip_.left, 0});
  const int hi = std::min({paint_.right, clip_.right, screen_.width});
  const int64_t first = int64_t{lo} - paint_.left;
  const int64_t last = int64_t{hi} - 1 - paint_.left;
  return {ClampToInt(first), ClampToInt(last)};
}

uxDC::Span uxDC::WritableRows() const {
  const int lo = std::max({paint_.top, clip_.top, 0});
  const int hi = std::min({paint_.bottom, clip_.bottom, screen_.height});
  const int64_t first = int64_t{lo} - paint_.top;
  const int64_t last = int64_t{hi} - 1 - paint_.top;
  return {ClampToInt(first), ClampToInt(last)};
}

uint32_t* uxDC::Target() { return direct_ ? frameBuffer_ : exclusiveFlag_ ? exclusive_ : normal_; }

uxDC::Canvas uxDC::MakeCanvas() {
  return {WritableColumns(), WritableRows(), Target(), direct_ ? std::size_t{lineWords_} : std::size_t(screen_.width),
          paint_.left, paint_.top};
}

void uxDC::Put(int x, int y, uxCOLOR c) {
  if (normal_) MakeCanvas().Put(x, y, c);
}

void uxDC::SetPixel(int16_t x, int16_t y, uxCOLOR c) { Put(x, y, c); }

uxCOLOR uxDC::GetPixel(int16_t x, int16_t y) const {
  if (!normal_) return 0;
  const Span cols = WritableColumns();
  const Span rows = WritableRows();
  if (x < cols.first || x > cols.last || y < rows.first || y > rows.last) return 0;
  return normal_[std::size_t(y + paint_.top) * screen_.width + (x + paint_.left)];
}

void uxDC::Fill(int x1, int y1, int x2, int y2, uxCOLOR c) {
  if (!normal_ || x1 > x2 || y1 > y2) return;
  const Canvas cv = MakeCanvas();
  const int xa = std::max(x1, cv.cols.first), xb = std::min(x2, cv.cols.last);
  const int ya = std::max(y1, cv.rows.first), yb = std::min(y2, cv.rows.last);
  if (xa > xb || ya > yb) return;
  for (int y = ya; y <= yb; ++y) {
    uint32_t* row = cv.base + std::size_t(y + cv.top) * cv.stride;
    std::fill(row + (xa + cv.left), row + (xb + cv.left) + 1, c);
  }
}

template <typename Plot>
void uxDC::WalkLine(int x1, int y1, int x2, int y2, Plot plot) {
  const int sx = x2 - x1 >= 1 ? 1 : -1;
  const int sy = y2 - y1 >= 1 ? 1 : -1;
  const int dx = std::abs(x2 - x1);
  const int dy = std::abs(y2 - y1);
  int x = x1, y = y1;
  if (dx < dy) {
    int e = dy / 2;
    for (int i = 0; i < dy; ++i) {
      e += dx;
      if (e >= dy) {
        x += sx;
        e -= dy;
      }
      y += sy;
      plot(i, x, y);
    }
  } else {
    int e = dx / 2;
    for (int i = 0; i < dx; ++i) {
      e += dy;
      if (e >= dx) {
        y += sy;
        e -= dx;
      }
      x += sx;
      plot(i, x, y);
    }
  }
}

void uxDC::Line(int x1, int y1, int x2, int y2, uxCOLOR c) {
  if (!normal_) return;
  if (x1 == x2 || y1 == y2) {  // straight lines are spans: same pixels, filled at once
    Fill(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), c);
    return;
  }
  Put(x1, y1, c);
  WalkLine(x1, y1, x2, y2, [&](int, int x, int y) { Put(x, y, c); });
}

void uxDC::DrawLine(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR c) {
  Record("DrawLine", {x1, y1, x2, y2}, c);
  Line(x1, y1, x2, y2, c);
}

void uxDC::DrawDottedLine(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int spacing, uxCOLOR c) {
  Record("DrawDottedLine", {x1, y1, x2, y2, spacing}, c);
  if (!normal_) return;
  Put(x1, y1, c);
  // A spacing of 0 would divide by zero; it draws like -1, every step.
  WalkLine(x1, y1, x2, y2, [&](int i, int x, int y) {
    if (spacing == 0 || i % spacing == 0) Put(x, y, c);
  });
}

void uxDC::DrawFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR c) {
  Record("DrawFrame", {x1, y1, x2, y2}, c);
  Line(x1, y1, x2, y1, c);
  Line(x1, y2, x2, y2, c);
  Line(x1, y1, x1, y2, c);
  Line(x2, y1, x2, y2, c);
}

void uxDC::FillFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR c) {
  Record("FillFrame", {x1, y1, x2, y2}, c);
  Fill(x1, y1, x2, y2, c);
}

void uxDC::DrawMesh(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uxCOLOR c) {
  Record("DrawMesh", {x1, y1, x2, y2}, c);
  if (!normal_) return;
  const Span cols = WritableColumns();
  const Span rows = WritableRows();
  // Start on the mesh's own grid at the first writable row and column.
  const int xa = x1 >= cols.first ? x1 : x1 + (cols.first - x1 + 1) / 2 * 2;
  const int ya = y1 >= rows.first ? y1 : y1 + (rows.first - y1 + 1) / 2 * 2;
  for (int y = ya; y <= std::min<int>(y2, rows.last); y += 2) {
    for (int x = xa; x <= std::min<int>(x2, cols.last); x += 2) Put(x, y, c);
  }
}

void uxDC::DrawCircle(int16_t cx, int16_t cy, int16_t r, uxCOLOR c) {
  Record("DrawCircle", {cx, cy, r}, c);
  Circle(cx, cy, r, c);
}

void uxDC::Circle(int cx, int cy, int r, uxCOLOR c) {
  if (!normal_ || r < 1 || cx < 0 || cy < 0) return;
  int x = r, y = 0, e = 0, d = 1 - 2 * r;
  while (x >= y) {
    Put(cx + x, cy + y, c);
    Put(cx - x, cy + y, c);
    Put(cx + x, cy - y, c);
    Put(cx - x, cy - y, c);
    Put(cx + y, cy + x, c);
    Put(cx - y, cy + x, c);
    Put(cx + y, cy - x, c);
    Put(cx - y, cy - x, c);
    int e2 = e + 2 * y;
    if (2 * e2 + d > 0) {
      e2 += d;
      d += 2;
      x -= 1;
    }
    y += 1;
    e = e2;
  }
}

void uxDC::DrawArc(int16_t cx, int16_t cy, int16_t r, uint8_t octants, uxCOLOR c) {
  Record("DrawArc", {cx, cy, r, octants}, c);
  Arc(cx, cy, r, octants, c);
}

void uxDC::Arc(int cx, int cy, int r, uint8_t octants, uxCOLOR c) {
  if (!normal_) return;
  int x = r, y = 0, e = 0, d = 1 - 2 * r;
  while (y <= x) {
    if (octants & 0x01) Put(cx + x, cy - y, c);
    if (octants & 0x02) Put(cx + y, cy - x, c);
    if (octants & 0x04) Put(cx - y, cy - x, c);
    if (octants & 0x08) Put(cx - x, cy - y, c);
    if (octants & 0x10) Put(cx - x, cy + y, c);
    if (octants & 0x20) Put(cx - y, cy + x, c);
    if (octants & 0x40) Put(cx + y, cy + x, c);
    if (octants & 0x80) Put(cx + x, cy + y, c);
    int e2 = e + 2 * y;
    if (2 * e2 + d > 0) {
      e2 += d;
      d += 2;
      x -= 1;
    }
    y += 1;
    e = e2;
  }
}

void uxDC::DrawRoundFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t r, uxCOLOR c) {
  Record("DrawRoundFrame", {x1, y1, x2, y2, r}, c);
  if (r > x2 || r > y2) return;
  Line(x1 + r, y1, x2 - r, y1, c);
  Line(x1 + r, y2, x2 - r, y2, c);
  Line(x1, y1 + r, x1, y2 - r, c);
  Line(x2, y1 + r, x2, y2 - r, c);
  Arc(Short(x1 + r), Short(y1 + r), r, 12, c);
  Arc(Short(x2 - r), Short(y1 + r), r, 3, c);
  Arc(Short(x1 + r), Short(y2 - r), r, 48, c);
  Arc(Short(x2 - r), Short(y2 - r), r, 192, c);
}

void uxDC::VerticalLine(int x, int ya, int yb, uxCOLOR c) { Fill(x, std::min(ya, yb), x, std::max(ya, yb), c); }

void uxDC::FillRoundFrame(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t r, uxCOLOR c) {
  Record("FillRoundFrame", {x1, y1, x2, y2, r}, c);
  if (!normal_ || r < 1) return;
  Fill(x1 + r, y1, x2 - r, y2, c);
  int x = r, y = 0, d = 3 - 2 * r;
  while (x >= y) {
    if (x > 0) {
      VerticalLine(x2 - r + y, y1 + r - x, y2 - r + x, c);
      VerticalLine(x1 + r - y, y1 + r - x, y2 - r + x, c);
    }
    if (y > 0) {
      VerticalLine(x1 + r - x, y1 + r - y, y2 - r + y, c);
      VerticalLine(x2 - r + x, y1 + r - y, y2 - r + y, c);
    }
    if (d < 0) {
      d += 4 * y + 6;
    } else {
      d += 4 * (y - x) + 10;
      x -= 1;
    }
    y += 1;
  }
}

void uxDC::FillCircle(int16_t cx, int16_t cy, int16_t r, uxCOLOR c) {
  Record("FillCircle", {cx, cy, r}, c);
  if (!normal_ || r < 1 || cx < 0 || cy < 0) return;
  int x = r, y = 0, e = 0, d = 1 - 2 * r;
  while (x >= y) {
    if (x > 0) {
      VerticalLine(cx + y, cy - x, cy + x, c);
      VerticalLine(cx - y, cy - x, cy + x, c);
    }
    if (y > 0) {
      VerticalLine(cx + x, cy - y, cy + y, c);
      VerticalLine(cx - x, cy - y, cy + y, c);
    }
    int e2 = e + 2 * y;
    if (2 * e2 + d > 0) {
      e2 += d;
      d += 2;
      x -= 1;
    }
    y += 1;
    e = e2;
  }
  Circle(cx, cy, r, c);
}

void uxDC::FillScreen(uxCOLOR c) {
  Record("FillScreen", {}, c);
  if (!frameBuffer_) return;
  for (int y = 0; y < screen_.height; ++y) std::fill(ScreenRow(y), ScreenRow(y) + screen_.width, c);
}

void uxDC::Test() {
  FillScreen(0);
  BeginPaint(10, 10, 50, 50);
  FillFrame(0, 0, 15, 15, 0xFF0000);
  FillFrame(15, 15, 30, 35, 0x00FF00);
  FillFrame(21, 15, 40, 50, 0x0000FF);
  EndPaint();
}

void uxDC::Glyph(unsigned char code, int x, int y, uxCOLOR fore, uxCOLOR back, bool latin1) {
  const int w = font_.fontsize.width;
  const int h = font_.fontsize.height;
  if (!normal_ || !font_.p || w == 0 || h == 0) return;
  for (const CodeMap& m : kLatin1ToCp437) {
    if (latin1 && m.latin1 == code) {
      code = m.cp437;
      break;
    }
  }
  const int bytesPerRow = (w + 7) / 8;
  const uint8_t* glyph = font_.p + std::size_t(code) * h * bytesPerRow;
  const Canvas cv = MakeCanvas();
  for (int row = 0; row < h; ++row) {
    const uint8_t* bits = glyph + row * bytesPerRow;
    for (int col = 0; col < w; ++col) {
      cv.Put(x + col, y + row, (bits[col / 8] >> (col % 8)) & 1 ? fore : back);
    }
  }
}

void uxDC::PutChar(char ch, int16_t x, int16_t y, uxCOLOR fore, uxCOLOR back) {
  const char text[2] = {ch, 0};
  Record("PutChar", {x, y, static_cast<int>(fore), static_cast<int>(back)}, 0, text);
  // char is signed on some hosts; codes from 128 up must still index their own glyph.
  Glyph(static_cast<unsigned char>(ch), x, y, fore, back);
}

bool uxDC::GlyphShows(int code) const {
  // Blank places of a font hold nothing, but for the spaces.
  if (code == ' ' || code == 0xFF) return true;
  const int w = font_.fontsize.width;
  const int h = font_.fontsize.height;
  if (!font_.p || w == 0 || h == 0 || code < 0 || code > 0xFF) return false;
  const int bytes = h * ((w + 7) / 8);
  const uint8_t* glyph = font_.p + std::size_t(code) * std::size_t(bytes);
  return std::any_of(glyph, glyph + bytes, [](uint8_t b) { return b != 0; });
}

void uxDC::PutString(int16_t x0, int16_t y0, const char* s) {
  if (!s) return;
  Record("PutString", {x0, y0}, 0, s);
  const int w = font_.fontsize.width;
  const int lineStep = font_.fontsize.height + font_.char_v_space;
  // The instrument cuts a line at its box and reads its texts as UTF-8; the script module
  // wraps and draws byte by byte. A line centred wider than its box starts at the box.
  const bool cut = !ux::kScriptFlavour;
  if (cut && x0 < 0) x0 = 0;
  int x = x0, y = y0;
  bool newLine = false;
  bool full = false;
  while (*s) {
    if (*s == '\n') {
      newLine = true;
      ++s;
      continue;
    }
    if (newLine) {
      x = x0;
      y += lineStep;
      newLine = false;
      full = false;
    }
    unsigned char code = static_cast<unsigned char>(*s);
    bool latin1 = true;
    if (cut) {
      const ux::GlyphCode g = ux::NextGlyphCode(s);
      s += g.size;
      if (g.decoded) {
        code = g.code >= 0 && GlyphShows(g.code) ? static_cast<unsigned char>(g.code) : '?';
        latin1 = false;
      }
    } else {
      ++s;
    }
    if (!full && x + w > paint_.width - 1) {
      if (cut) {
        full = true;
      } else {
        x = x0;
        y += lineStep;
      }
    }
    if (full) continue;
    Glyph(code, x, y, fore_, back_, latin1);
    x += w + font_.char_h_space;
  }
}

int uxDC::loadImage(const char* name) { return loadImage(name, platform::DataPath(PATH_IMAGES)); }

int uxDC::loadImage(const char* name, const std::string& directory) {
  if (!name) return -1;
  for (std::size_t i = 0; i < images_.size(); ++i) {
    if (images_[i].name == name) return static_cast<int>(i);
  }
  const std::string path = directory + name;
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    png_image_free(&png);
    return -1;
  }
  png.format = PNG_FORMAT_RGBA;
  // Without a gAMA chunk the simplified reader takes 16-bit samples for linear light and
  // gamma-encodes them; the pictures here are sRGB at every depth.
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  if (png.width == 0 || png.height == 0 || png.width > 0xFFFF || png.height > 0xFFFF ||
      uint64_t{png.width} * png.height > kMaxImagePixels) {
    png_image_free(&png);
    return -1;
  }
  const std::size_t pixels = std::size_t{png.width} * png.height;
  uint32_t* data = new (std::nothrow) uint32_t[pixels];
  if (!data || !png_image_finish_read(&png, nullptr, data, 0, nullptr)) {
    delete[] data;
    png_image_free(&png);
    return -1;
  }
  png_image_free(&png);
  images_.push_back({name, data, static_cast<uint16_t>(png.width), static_cast<uint16_t>(png.height)});
  return static_cast<int>(images_.size() - 1);
}

void uxDC::DrawImage(int16_t x, int16_t y, const tImage* img) {
  if (!img) return;
  Record("DrawImage", {x, y}, 0, img->name.c_str());
  Blit(x, y, img, 0, img->width, img->height);
}

void uxDC::DrawImage(int16_t x, int16_t y, const tImage* img, int srcX, int columns, int rows) {
  Record("DrawImage", {x, y, srcX, columns, rows}, 0, img ? img->name.c_str() : "");
  Blit(x, y, img, srcX, columns, rows);
}

void uxDC::Blit(int x, int y, const tImage* img, int srcX, int columns, int rows) {
  if (!normal_ || !img || !img->data || y >= paint_.height) return;
  const Canvas cv = MakeCanvas();
  const Span cols = cv.cols;
  const Span rws = cv.rows;
  // Destination (x + i, y + j) takes source (srcX + i, j); pixels whose source lies outside
  // the image are skipped rather than read from beyond it.
  const int iFirst = std::max({0, cols.first - x, -srcX});
  const int iLast = std::min({columns - 1, paint_.width - 1 - x, cols.last - x, img->width - 1 - srcX});
  const int jFirst = std::max(0, rws.first - y);
  const int jLast = std::min({rows - 1, paint_.height - 1 - y, rws.last - y, img->height - 1});
  for (int j = jFirst; j <= jLast; ++j) {
    const uint32_t* src = img->data + std::size_t(j) * img->width + srcX;
    uint32_t* row = cv.base + std::size_t(y + j + cv.top) * cv.stride;
    for (int i = iFirst; i <= iLast; ++i) row[x + i + cv.left] = ToScreen(src[i]);
  }
}

void uxDC::GetImage(uxRECT r, tImage* img) const {
  if (!img || !img->data || img->width != r.width || img->height != r.height) return;
  const int64_t xEnd = std::min<int64_t>(paint_.width, int64_t{r.left} + r.width);
  const int64_t yEnd = std::min<int64_t>(paint_.height, int64_t{r.top} + r.height);
  for (int64_t y = r.top; y < yEnd; ++y) {
    for (int64_t x = r.left; x < xEnd; ++x) {
      const uxCOLOR c = GetPixel(Short(static_cast<int32_t>(x)), Short(static_cast<int32_t>(y)));
      img->data[std::size_t(y - r.top) * img->width + std::size_t(x - r.left)] = ToScreen(c);
    }
  }
}

tImage uxDC::allocImage(uxRECT r, const char* name) {
  if (r.width < 0 || r.height < 0 || int64_t{r.width} * r.height > kMaxAllocPixels) throw std::bad_array_new_length();
  tImage img;
  img.name = name ? name : "";
  img.data = new uint32_t[std::size_t(r.width) * std::size_t(r.height)];
  img.width = static_cast<uint16_t>(r.width);
  img.height = static_cast<uint16_t>(r.height);
  return img;
}

void uxDC::freeImage(tImage* img) {
  if (!img) return;
  delete[] img->data;
  img->data = nullptr;
  img->width = img->height = 0;
  img->name.clear();
}

bool uxDC::getImageRef(int index, tImage* out) const {
  if (!out) return false;
  if (index < 0 || static_cast<std::size_t>(index) >= images_.size()) {
    out->data = nullptr;
    out->width = out->height = 0;
    return false;
  }
  *out = images_[index];
  return true;
}

void uxDC::Notify(const char* op, std::initializer_list<int> args, uxCOLOR colour, const char* text) {
  uxDrawCall call{op, {}, colour, text, font_.index, fore_, back_};
  std::copy_n(args.begin(), std::min<std::size_t>(args.size(), 6), call.a);
  observer_->OnDraw(call);
}

void uxDC::saveScreen(const char* name) {
  constexpr int kWidth = 800, kHeight = 480;
  if (!frameBuffer_ || !name || screen_.width < kWidth || screen_.height < kHeight) return;
  // A buffer of its own: the normal layer holds what lies under a popup and must keep it.
  std::vector<uint32_t> pixels(std::size_t{kWidth} * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    const uint32_t* row = ScreenRow(y);
    std::copy_n(row, kWidth, pixels.begin() + std::ptrdiff_t(y) * kWidth);
  }
  if (WritePngFile(platform::DataPath(PATH_IMAGES) + name + ".png", pixels.data(), kWidth, kHeight)) {
    platform::LogPrintf("Screen Saved\n");
  }
}
