// The drawing context on the memory framebuffer: start-up and its failures, the paint,
// clip and exclusive rectangles, and the shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/MemoryFrameBuffer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/DrawRecorder.h"
#include "tests/toolkit/support/FailingFrameBuffer.h"
#include "toolkit/uxDC.h"

namespace {

using Pixel = std::pair<int, int>;
using PixelSet = std::set<Pixel>;

constexpr uxCOLOR kSentinel = 0x5E5E5E;
constexpr uxCOLOR kExclusiveSentinel = 0x6F6F6F;
constexpr uxCOLOR kInk = 0xFF00FF;

class DrawingContext : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fb_.Valid());
    ASSERT_EQ(dc_.Init(), 0);
  }

  // Every pixel of the normal layer (screen coordinates) holding `colour`.
  PixelSet Painted(uxCOLOR colour = kInk) const {
    PixelSet s;
    const uint32_t* layer = dc_.NormalLayer();
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 800; ++x) {
        if (layer[y * 800 + x] == colour) s.insert({x, y});
      }
    }
    return s;
  }

  // Both layers and the screen filled with sentinels, nothing exclusive left behind.
  void FillWithSentinels() {
    dc_.ReleaseClippingRegion();
    dc_.ReleasePanning();
    dc_.BeginPaint(0, 0, 800, 480, true);
    dc_.FillFrame(0, 0, 799, 479, kExclusiveSentinel);
    dc_.EndPaint();
    dc_.BeginPaint(0, 0, 800, 480);
    dc_.FillFrame(0, 0, 799, 479, kSentinel);
    dc_.resetExclusiveRegion();
    dc_.EndPaint();
  }

  // A blank normal layer for a shape test: paint rectangle = screen.
  void Clear() {
    dc_.ReleaseClippingRegion();
    dc_.ReleasePanning();
    dc_.BeginPaint(0, 0, 800, 480);
    dc_.FillFrame(0, 0, 799, 479, 0);
  }

  testing_support::LogCapture log_;
  platform::MemoryFrameBuffer fb_;
  uxDC dc_{&fb_};
};

TEST(DrawingContextInit, MemoryFramebufferStartsWithTheThreeLines) {
  testing_support::LogCapture log;
  platform::MemoryFrameBuffer fb;
  uxDC dc(&fb);
  EXPECT_EQ(dc.Init(), 0);
  EXPECT_EQ(log.Text(),
            "The framebuffer device was opened successfully.\n"
            "800x480, 32bpp\n"
            "The framebuffer device was mapped to memory successfully.\n");
  const uxRECT& s = dc.ScreenRect();
  EXPECT_EQ(s.left | s.top, 0);
  EXPECT_EQ(s.right, 800);
  EXPECT_EQ(s.bottom, 480);
  EXPECT_EQ(s.width, 800);
  EXPECT_EQ(s.height, 480);
  EXPECT_EQ(dc.ClipRect().right, 800);
  EXPECT_EQ(dc.ClipRect().bottom, 480);
}

TEST(DrawingContextInit, EachFailingStepHasItsResultAndMessage) {
  using toolkit_test::FailingFrameBuffer;
  struct Case {
    FailingFrameBuffer::Step step;
    int result;
    const char* lastLine;
    int closes;
  } cases[] = {
      {FailingFrameBuffer::kOpen, -1, "Error: cannot open framebuffer device: No such file or directory\n", 0},
      {FailingFrameBuffer::kFixedInfo, -2, "Error reading fixed information\n", 1},
      {FailingFrameBuffer::kVariableInfo, -3, "Error reading variable information\n", 1},
      {FailingFrameBuffer::kMap, -4, "Error: failed to map framebuffer device to memory\n", 1},
  };
  for (const Case& c : cases) {
    testing_support::LogCapture log;
    FailingFrameBuffer fb(c.step);
    {
      uxDC dc(&fb);
      EXPECT_EQ(dc.Init(), c.result);
      const std::string text = log.Text();
      EXPECT_TRUE(text.size() >= std::strlen(c.lastLine) &&
                  text.compare(text.size() - std::strlen(c.lastLine), std::string::npos, c.lastLine) == 0)
          << text;
      EXPECT_FALSE(dc.IsInitialised());
    }
    EXPECT_EQ(fb.closes, c.closes) << "the descriptor of a failed start is closed once";
  }
}

TEST(DrawingContextInit, RealDeviceIsMissingHere) {
  testing_support::TempDataRoot root;  // no dev/fb0 below it
  testing_support::LogCapture log;
  uxDC dc;
  EXPECT_EQ(dc.Init(), -1);
  EXPECT_EQ(log.Text(), "Error: cannot open framebuffer device: No such file or directory\n");
}

// A context made without a device takes the process default, so a program that picked a
// stand-in at start-up reaches it from code that never names a device.
TEST(DrawingContextInit, ContextWithoutDeviceUsesTheProcessDefault) {
  platform::MemoryFrameBuffer fb;
  platform::SetDefaultFrameBuffer(&fb);
  {
    uxDC dc;
    EXPECT_EQ(dc.Init(), 0);
    dc.FillScreen(kInk);
    EXPECT_EQ(fb.Pixel(799, 479), kInk);
  }
  platform::SetDefaultFrameBuffer(nullptr);
  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  uxDC dc;
  EXPECT_EQ(dc.Init(), -1) << "nullptr restores the real device";
}

// The instrument carries on when the display did not start; nothing may touch the missing
// layers or framebuffer then.
TEST(DrawingContextInit, EveryOperationIsHarmlessWithoutADisplay) {
  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  uxDC dc;
  ASSERT_NE(dc.Init(), 0);
  log.Clear();
  dc.FillScreen(0xFF);
  dc.BeginPaint(0, 0, 800, 480, true);
  dc.FontSelect(8);
  dc.FillFrame(0, 0, 799, 479, 1);
  dc.DrawLine(0, 0, 799, 479, 1);
  dc.FillCircle(50, 50, 20, 1);
  dc.FillRoundFrame(0, 0, 100, 100, 10, 1);
  dc.PutString(0, 0, "text");
  EXPECT_EQ(dc.GetPixel(0, 0), 0u);
  dc.EndPaint();
  dc.restoreExlusiveRegion();
  dc.Test();
  dc.saveScreen("nothing");
  EXPECT_EQ(log.Text(), "");
}

TEST(DrawingContextInit, OtherFramebufferFormats) {
  testing_support::LogCapture log;
  // 16 bits per pixel would be written past as 32-bit words: refused.
  platform::MemoryFrameBuffer fb16(platform::MemoryFrameBuffer::Format{800, 480, 16, 0});
  uxDC dc16(&fb16);
  EXPECT_EQ(dc16.Init(), -3);
  EXPECT_NE(log.Text().find("800x480, 16bpp\nError: unsupported framebuffer format (16bpp"), std::string::npos);
  EXPECT_FALSE(dc16.IsInitialised());

  // Padded lines: rows are found by the line length, not the width.
  platform::MemoryFrameBuffer padded(platform::MemoryFrameBuffer::Format{800, 480, 32, 832 * 4});
  uxDC dc(&padded);
  ASSERT_EQ(dc.Init(), 0);
  dc.BeginPaint(0, 0, 800, 480);
  dc.FillFrame(799, 1, 799, 1, 0x123456);
  dc.FillFrame(0, 479, 0, 479, 0x654321);
  dc.EndPaint();
  EXPECT_EQ(padded.Pixel(799, 1), 0x123456u);
  EXPECT_EQ(padded.Pixel(0, 479), 0x654321u);
  EXPECT_EQ(padded.Pixel(0, 2), 0u);
}

TEST_F(DrawingContext, SelfTestDrawsThreeOverlappingSquares) {
  fb_.SetPixel(61, 30, 0xABCDEF);  // outside the test's paint rectangle: stays
  dc_.Test();
  struct Case {
    int x, y;
    uxCOLOR colour;
  } cases[] = {
      {12, 12, 0xFF0000}, {26, 30, 0x00FF00}, {35, 30, 0x0000FF}, {35, 59, 0x0000FF},
      {35, 60, 0x000000}, {61, 30, 0x000000}, {9, 9, 0x000000},   {50, 59, 0x0000FF}, {51, 59, 0x000000},
  };
  for (const Case& c : cases) EXPECT_EQ(fb_.Pixel(c.x, c.y), c.colour) << c.x << "," << c.y;
}

TEST_F(DrawingContext, BeginPaintAddsThePanAndClampsOnlyTheFarEdges) {
  dc_.StartPanning(uxPOINT(10, 5));
  dc_.BeginPaint(780, 470, 50, 50);
  const uxRECT& p = dc_.PaintRect();
  EXPECT_EQ(p.left, 790);
  EXPECT_EQ(p.top, 475);
  EXPECT_EQ(p.right, 800);
  EXPECT_EQ(p.bottom, 480);
  EXPECT_EQ(p.width, 50);
  EXPECT_EQ(p.height, 50);
  uxRECT r(1, 2, 3, 4);
  dc_.AdjustPanning(r);
  EXPECT_EQ(r.left, 11);
  EXPECT_EQ(r.right, 13);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.bottom, 9);
  EXPECT_EQ(r.width, 2);
}

// Writes land only in paint rectangle ∩ clipping region ∩ screen, whatever the shapes ask
// for; EndPaint copies only the paint rectangle's on-screen part.
TEST_F(DrawingContext, NothingIsWrittenOutsidePaintClipAndScreen) {
  struct Case {
    const char* what;
    int x, y, w, h;
    uxPOINT pan;
    uxRECT clip;
  } cases[] = {
      {"inside", 100, 100, 200, 150, {0, 0}, {0, 0, 800, 480}},
      {"beyond right and bottom", 700, 400, 300, 300, {0, 0}, {0, 0, 800, 480}},
      {"negative origin", -50, -30, 200, 100, {0, 0}, {0, 0, 800, 480}},
      {"negative pan", 20, 20, 100, 100, {-70, -60}, {0, 0, 800, 480}},
      {"clip partly off screen", 600, 300, 300, 300, {0, 0}, {-100, -100, 900, 900}},
      {"clip inside the paint rectangle", 100, 100, 300, 300, {0, 0}, {150, 120, 250, 330}},
      {"clip apart from the paint rectangle", 100, 100, 50, 50, {0, 0}, {300, 300, 400, 400}},
      {"negative size", 100, 100, -40, -40, {0, 0}, {0, 0, 800, 480}},
      {"extreme", 32767, 32767, 32767, 32767, {0x7FFFFFF0, 0x7FFFFFF0}, {-2000000000, -2000000000, 2000000000, 2000000000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FillWithSentinels();
    dc_.StartPanning(c.pan);
    dc_.SetClippingRegion(c.clip);
    dc_.BeginPaint(static_cast<int16_t>(c.x), static_cast<int16_t>(c.y), static_cast<int16_t>(c.w),
                   static_cast<int16_t>(c.h));
    const uxRECT paint = dc_.PaintRect();
    const int64_t left = std::max<int64_t>({paint.left, c.clip.left, 0});
    const int64_t right = std::min<int64_t>({paint.right, c.clip.right, 800});
    const int64_t top = std::max<int64_t>({paint.top, c.clip.top, 0});
    const int64_t bottom = std::min<int64_t>({paint.bottom, c.clip.bottom, 480});
    auto allowed = [&](int x, int y) { return x >= left && x < right && y >= top && y < bottom; };

    // A frame over everything fills exactly the allowed area.
    dc_.FillFrame(-32768, -32768, 32767, 32767, kInk);
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 800; ++x) {
        ASSERT_EQ(dc_.NormalLayer()[y * 800 + x], allowed(x, y) ? kInk : kSentinel) << x << "," << y;
      }
    }
    // Every other primitive stays inside it too.
    tImage big = dc_.allocImage(uxRECT(0, 0, 1000, 600), "big");
    std::fill(big.data, big.data + 1000 * 600, 0x00112233u);
    dc_.FontSelect(15);
    dc_.SetForecolor(0x010101);
    dc_.SetBackcolor(0x020202);
    dc_.PutString(-10, -10, "A long line of text that wraps around\nand more");
    dc_.DrawImage(-500, -300, &big);
    dc_.DrawImage(10, 10, &big, 900, 500, 700);
    dc_.DrawLine(-32768, -32768, 32767, 32767, 0x030303);
    dc_.DrawDottedLine(32767, -32768, -32768, 32767, 3, 0x040404);
    dc_.DrawCircle(300, 200, 32000, 0x050505);
    dc_.FillCircle(100, 100, 400, 0x060606);
    dc_.DrawArc(-100, -100, 500, 255, 0x070707);
    dc_.FillRoundFrame(-32000, -32000, 32000, 32000, 30000, 0x080808);
    dc_.DrawRoundFrame(-5, -5, 900, 900, 50, 0x090909);
    dc_.DrawMesh(-32767, -32767, 32767, 32767, 0x0A0A0A);
    for (int i = -3; i < 3; ++i) dc_.SetPixel(static_cast<int16_t>(i * 12000), static_cast<int16_t>(i * 9000), 1);
    tImage grab = dc_.allocImage(uxRECT(-20, -20, 60, 60), "grab");
    dc_.GetImage(uxRECT(-20, -20, 60, 60), &grab);
    dc_.freeImage(&grab);
    dc_.freeImage(&big);
    dc_.EndPaint();
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 800; ++x) {
        if (!allowed(x, y)) {
          ASSERT_EQ(dc_.NormalLayer()[y * 800 + x], kSentinel) << x << "," << y;
        }
        ASSERT_EQ(dc_.ExclusiveLayer()[y * 800 + x], kExclusiveSentinel) << x << "," << y;
        const bool copied = x >= std::max(paint.left, 0) && x < paint.right && y >= std::max(paint.top, 0) &&
                            y < paint.bottom;
        if (!copied) {
          ASSERT_EQ(fb_.Pixel(x, y), kSentinel) << x << "," << y;
        }
      }
    }
  }
}

TEST_F(DrawingContext, EndPaintCopiesItsRectangleAndDirectPaintingSkipsTheLayers) {
  FillWithSentinels();
  dc_.BeginPaint(10, 20, 30, 40);
  dc_.FillFrame(-100, -100, 100, 100, kInk);
  EXPECT_EQ(fb_.Pixel(10, 20), kSentinel) << "nothing reaches the screen before EndPaint";
  dc_.EndPaint();
  EXPECT_EQ(fb_.Pixel(10, 20), kInk);
  EXPECT_EQ(fb_.Pixel(39, 59), kInk);
  EXPECT_EQ(fb_.Pixel(40, 59), kSentinel);
  EXPECT_EQ(fb_.Pixel(39, 60), kSentinel);

  dc_.BeginPaint(100, 100, 10, 10, false, true);
  dc_.FillFrame(0, 0, 9, 9, 0x00FF00);
  EXPECT_EQ(fb_.Pixel(105, 105), 0x00FF00u);
  EXPECT_EQ(dc_.NormalLayer()[105 * 800 + 105], kSentinel);
  fb_.SetPixel(105, 105, 0x0000FF);
  dc_.EndPaint();
  EXPECT_EQ(fb_.Pixel(105, 105), 0x0000FFu) << "a direct paint's EndPaint copies nothing";
}

TEST_F(DrawingContext, PopupStaysOnTopUntilItsRegionIsRestored) {
  FillWithSentinels();
  dc_.BeginPaint(100, 100, 200, 100, EXCLUSIVE_REGION);
  dc_.FillFrame(0, 0, 199, 99, 0xFF0000);
  dc_.EndPaint();
  EXPECT_EQ(fb_.Pixel(150, 150), 0xFF0000u);
  const uxRECT region = dc_.ExclusiveRegion();
  EXPECT_EQ(region.left, 100);
  EXPECT_EQ(region.right, 300);

  // A widget under the popup repaints: its layer changes, the screen keeps the popup.
  dc_.BeginPaint(50, 50, 400, 300);
  dc_.FillFrame(0, 0, 399, 299, 0x00FF00);
  dc_.EndPaint();
  EXPECT_EQ(dc_.NormalLayer()[150 * 800 + 150], 0x00FF00u);
  EXPECT_EQ(fb_.Pixel(150, 150), 0xFF0000u);
  EXPECT_EQ(fb_.Pixel(299, 199), 0xFF0000u);
  EXPECT_EQ(fb_.Pixel(300, 150), 0x00FF00u);
  EXPECT_EQ(fb_.Pixel(60, 60), 0x00FF00u);

  dc_.restoreExlusiveRegion();
  EXPECT_EQ(fb_.Pixel(150, 150), 0x00FF00u);
  dc_.resetExclusiveRegion();
  const uxRECT& none = dc_.ExclusiveRegion();
  EXPECT_EQ(none.left | none.top | none.right | none.bottom | none.width | none.height, 0);
}

// The region keeps the popup's unclamped rectangle; restoring it copies its on-screen part.
TEST_F(DrawingContext, RestoringARegionBeyondTheScreenCopiesOnlyTheScreen) {
  FillWithSentinels();
  dc_.BeginPaint(700, 400, 400, 300, EXCLUSIVE_REGION);
  dc_.FillFrame(0, 0, 399, 299, 0xFF0000);
  dc_.EndPaint();
  EXPECT_EQ(dc_.ExclusiveRegion().right, 1100);
  EXPECT_EQ(fb_.Pixel(799, 479), 0xFF0000u);
  dc_.restoreExlusiveRegion();
  EXPECT_EQ(fb_.Pixel(799, 479), kSentinel);
  EXPECT_EQ(fb_.Pixel(700, 400), kSentinel);
}

TEST_F(DrawingContext, FillScreenWritesOnlyTheFramebuffer) {
  FillWithSentinels();
  dc_.FillScreen(0x0000FF);
  EXPECT_EQ(fb_.Pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(fb_.Pixel(799, 479), 0x0000FFu);
  EXPECT_EQ(dc_.NormalLayer()[0], kSentinel);
  EXPECT_EQ(dc_.ExclusiveLayer()[0], kExclusiveSentinel);
}

TEST_F(DrawingContext, GetPixelReadsTheNormalLayerInsidePaintAndClip) {
  Clear();
  dc_.FillFrame(5, 5, 5, 5, kInk);
  EXPECT_EQ(dc_.GetPixel(5, 5), kInk);
  dc_.BeginPaint(5, 5, 10, 10);
  EXPECT_EQ(dc_.GetPixel(0, 0), kInk);
  EXPECT_EQ(dc_.GetPixel(-1, 0), 0u);
  EXPECT_EQ(dc_.GetPixel(10, 0), 0u);
  dc_.SetClippingRegion(uxRECT(6, 6, 20, 20));
  EXPECT_EQ(dc_.GetPixel(0, 0), 0u);
}

TEST_F(DrawingContext, LinesDrawBothEndsWithOnePixelPerStepConnected) {
  const int lines[][4] = {
      {10, 10, 10, 10}, {10, 10, 50, 10}, {50, 10, 10, 10}, {10, 10, 10, 50}, {10, 10, 50, 50},
      {50, 50, 10, 10}, {10, 10, 50, 23}, {10, 10, 23, 50}, {50, 10, 10, 37}, {37, 50, 10, 11},
  };
  for (const auto& l : lines) {
    SCOPED_TRACE(testing::Message() << l[0] << "," << l[1] << " to " << l[2] << "," << l[3]);
    Clear();
    dc_.DrawLine(l[0], l[1], l[2], l[3], kInk);
    const PixelSet s = Painted();
    EXPECT_EQ(s.size(), static_cast<std::size_t>(std::max(std::abs(l[2] - l[0]), std::abs(l[3] - l[1])) + 1));
    EXPECT_TRUE(s.count({l[0], l[1]}));
    EXPECT_TRUE(s.count({l[2], l[3]}));
    for (const Pixel& p : s) {
      bool neighbour = s.size() == 1;
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
          if ((dx || dy) && s.count({p.first + dx, p.second + dy})) neighbour = true;
      EXPECT_TRUE(neighbour) << p.first << "," << p.second;
    }
    // A dotted line with spacing 1, -1 or 0 (every step) is the same line.
    for (int spacing : {1, -1, 0}) {
      Clear();
      dc_.DrawDottedLine(l[0], l[1], l[2], l[3], spacing, kInk);
      EXPECT_EQ(Painted(), s) << "spacing " << spacing;
    }
  }
}

TEST_F(DrawingContext, DottedLineSetsTheStartAndEveryNthStep) {
  Clear();
  dc_.DrawDottedLine(10, 10, 20, 10, 2, kInk);
  // start 10, then steps 0..9 at x = 11..20; steps 0, 2, 4, 6, 8 are set
  EXPECT_EQ(Painted(), (PixelSet{{10, 10}, {11, 10}, {13, 10}, {15, 10}, {17, 10}, {19, 10}}));
}

TEST_F(DrawingContext, CirclesAreSymmetricAndArcsMakeThemUp) {
  for (int r : {1, 2, 5, 17, 40}) {
    SCOPED_TRACE(testing::Message() << "r " << r);
    const int cx = 100, cy = 100;
    Clear();
    dc_.DrawCircle(cx, cy, r, kInk);
    const PixelSet circle = Painted();
    ASSERT_FALSE(circle.empty());
    for (const Pixel& p : circle) {
      const int dx = p.first - cx, dy = p.second - cy;
      for (auto [u, v] : {std::pair{dx, dy}, {-dx, dy}, {dx, -dy}, {-dx, -dy}, {dy, dx}, {-dy, dx}, {dy, -dx},
                          {-dy, -dx}}) {
        EXPECT_TRUE(circle.count({cx + u, cy + v})) << "mirror of " << dx << "," << dy;
      }
      EXPECT_EQ(std::max(std::abs(dx), std::abs(dy)) <= r, true);
    }
    EXPECT_TRUE(circle.count({cx + r, cy}));
    EXPECT_TRUE(circle.count({cx, cy - r}));

    Clear();
    dc_.DrawArc(cx, cy, r, 255, kInk);
    EXPECT_EQ(Painted(), circle);

    // The four quarters are the circle's pixels on their side of the centre.
    PixelSet quarters;
    struct Quarter {
      uint8_t octants;
      int sx, sy;
    } qs[] = {{3, 1, -1}, {12, -1, -1}, {48, -1, 1}, {192, 1, 1}};
    for (const Quarter& q : qs) {
      Clear();
      dc_.DrawArc(cx, cy, r, q.octants, kInk);
      for (const Pixel& p : Painted()) {
        EXPECT_GE((p.first - cx) * q.sx, 0) << int(q.octants);
        EXPECT_GE((p.second - cy) * q.sy, 0) << int(q.octants);
        quarters.insert(p);
      }
    }
    EXPECT_EQ(quarters, circle);

    Clear();
    dc_.FillCircle(cx, cy, r, kInk);
    const PixelSet disc = Painted();
    EXPECT_TRUE(std::includes(disc.begin(), disc.end(), circle.begin(), circle.end()));
    EXPECT_TRUE(disc.count({cx, cy}));
    for (const Pixel& p : disc) EXPECT_LE(std::max(std::abs(p.first - cx), std::abs(p.second - cy)), r);
  }
}

TEST_F(DrawingContext, DegenerateShapesDrawNothing) {
  struct Case {
    const char* what;
    void (*draw)(uxDC&);
  } cases[] = {
      {"circle r 0", [](uxDC& dc) { dc.DrawCircle(50, 50, 0, kInk); }},
      {"circle negative centre", [](uxDC& dc) { dc.DrawCircle(-1, 50, 5, kInk); }},
      {"filled circle r -3", [](uxDC& dc) { dc.FillCircle(50, 50, -3, kInk); }},
      {"filled circle negative centre", [](uxDC& dc) { dc.FillCircle(50, -2, 5, kInk); }},
      {"filled round frame r 0", [](uxDC& dc) { dc.FillRoundFrame(10, 10, 50, 50, 0, kInk); }},
      {"round frame r beyond x2", [](uxDC& dc) { dc.DrawRoundFrame(10, 10, 8, 50, 9, kInk); }},
      {"round frame r beyond y2", [](uxDC& dc) { dc.DrawRoundFrame(10, 10, 50, 8, 9, kInk); }},
      {"frame x1 > x2", [](uxDC& dc) { dc.FillFrame(20, 10, 19, 30, kInk); }},
      {"frame y1 > y2", [](uxDC& dc) { dc.FillFrame(10, 30, 20, 29, kInk); }},
  };
  for (const Case& c : cases) {
    Clear();
    c.draw(dc_);
    EXPECT_TRUE(Painted().empty()) << c.what;
  }
  // The round frame compares r with the corner's coordinates, not with the frame's size.
  Clear();
  dc_.DrawRoundFrame(100, 100, 110, 110, 20, kInk);
  EXPECT_FALSE(Painted().empty());
}

TEST_F(DrawingContext, FramesAndMesh) {
  Clear();
  dc_.DrawFrame(10, 20, 13, 22, kInk);
  EXPECT_EQ(Painted(), (PixelSet{{10, 20}, {11, 20}, {12, 20}, {13, 20}, {10, 21}, {13, 21}, {10, 22}, {11, 22},
                                 {12, 22}, {13, 22}}));
  Clear();
  dc_.FillFrame(10, 20, 13, 22, kInk);
  EXPECT_EQ(Painted().size(), 12u);
  Clear();
  dc_.DrawMesh(10, 20, 14, 23, kInk);
  EXPECT_EQ(Painted(), (PixelSet{{10, 20}, {12, 20}, {14, 20}, {10, 22}, {12, 22}, {14, 22}}));
  // A mesh starting off the paint rectangle keeps its grid.
  Clear();
  dc_.BeginPaint(100, 100, 10, 10);
  dc_.DrawMesh(-5, -5, 3, 3, kInk);
  EXPECT_EQ(Painted(), (PixelSet{{101, 101}, {103, 103}, {101, 103}, {103, 101}}));
}

TEST_F(DrawingContext, FilledRoundFrameCoversItsFrame) {
  Clear();
  dc_.DrawRoundFrame(100, 100, 160, 140, 8, kInk);
  const PixelSet outline = Painted();
  Clear();
  dc_.FillRoundFrame(100, 100, 160, 140, 8, kInk);
  const PixelSet filled = Painted();
  EXPECT_TRUE(filled.count({130, 120}));
  EXPECT_FALSE(filled.count({100, 100})) << "corners are rounded off";
  for (const Pixel& p : filled) {
    EXPECT_GE(p.first, 100);
    EXPECT_LE(p.first, 160);
    EXPECT_GE(p.second, 100);
    EXPECT_LE(p.second, 140);
  }
  // The straight edges of the outline are the fill's edges.
  for (const Pixel& p : outline) {
    if ((p.first >= 108 && p.first <= 152) || (p.second >= 108 && p.second <= 132)) {
      EXPECT_TRUE(filled.count(p)) << p.first << "," << p.second;
    }
  }
}

// Layout tests of widgets read the calls back; shapes made of other shapes report once.
TEST(DrawingContextRecorder, RecordsEachCallWithFontAndColours) {
  uxDC dc;  // no display needed to see what would be drawn
  toolkit_test::DrawRecorder rec(dc);
  dc.BeginPaint(10, 20, 30, 40, true);
  dc.FontSelect(7);
  dc.SetForecolor(0xFFFFFF);
  dc.SetBackcolor(0x123456);
  dc.PutString(3, 4, "Hz");
  dc.FillCircle(5, 6, 7, 0xAA);
  dc.DrawRoundFrame(0, 0, 29, 39, 5, 0xBB);
  dc.EndPaint();
  std::vector<std::string> ops;
  for (const uxDrawCall& c : rec.calls) ops.push_back(c.op);
  EXPECT_EQ(ops, (std::vector<std::string>{"BeginPaint", "PutString", "FillCircle", "DrawRoundFrame", "EndPaint"}));
  const uxDrawCall& begin = rec.calls[0];
  EXPECT_EQ((std::vector<int>(begin.a, begin.a + 6)), (std::vector<int>{10, 20, 30, 40, 1, 0}));
  const uxDrawCall text = rec.Named("PutString").at(0);
  EXPECT_EQ(text.text, "Hz");
  EXPECT_EQ(text.a[0], 3);
  EXPECT_EQ(text.a[1], 4);
  EXPECT_EQ(text.font, 7);
  EXPECT_EQ(text.fore, 0xFFFFFFu);
  EXPECT_EQ(text.back, 0x123456u);
  EXPECT_EQ(rec.Named("DrawRoundFrame").at(0).a[4], 5);
  EXPECT_EQ(rec.Named("DrawRoundFrame").at(0).colour, 0xBBu);
}

}  // namespace
