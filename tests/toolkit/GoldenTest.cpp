// Whole pictures compared exactly with reviewed golden images: every font, and a composite
// of the primitives as widgets will use them (frames, round frames, circles, arcs, text,
// an image and a popup on top). Regenerate with SYNTH_TOOLKIT_REGOLDEN=1 and look at the
// result before committing it.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/MemoryFrameBuffer.h"
#include "tests/support/LogCapture.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "toolkit/Flavour.h"
#include "toolkit/uxDC.h"

namespace {

using toolkit_test::MatchesGolden;
using toolkit_test::Snapshot;
using toolkit_test::Source;

class Golden : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dc_.Init(), 0);
    dc_.FillScreen(0x202020);
  }
  testing_support::LogCapture log_;
  platform::MemoryFrameBuffer fb_;
  uxDC dc_{&fb_};
};

TEST_F(Golden, EveryFont) {
  dc_.BeginPaint(0, 0, 800, 340);
  dc_.FillFrame(0, 0, 799, 339, 0x101018);
  dc_.SetForecolor(0xF0F0F0);
  dc_.SetBackcolor(0x101018);
  int y = 2;
  for (uint16_t i = 0; i < 16; ++i) {
    dc_.FontSelect(i);
    char text[64];
    // Umlauts, degree and micro signs, and two code-page-437 pictures: the script module's
    // texts give them as Latin-1 bytes, the instrument's as UTF-8; both draw the same glyphs.
    if constexpr (ux::kScriptFlavour)
      std::snprintf(text, sizeof text, "%u Ag19 \xE4\xF6\xFC\xC4\xB0\xB5 \x03\xDB", static_cast<unsigned>(i));
    else
      std::snprintf(text, sizeof text, "%u Ag19 \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x84\xC2\xB0\xC2\xB5 \x03\xE2\x96\x88",
                    static_cast<unsigned>(i));
    dc_.PutString(4, static_cast<int16_t>(y), text);
    y += dc_.getFontSize(i).height + 1;
  }
  dc_.EndPaint();
  EXPECT_TRUE(MatchesGolden("fonts", Snapshot(dc_, Source::Screen, 0, 0, 800, 340)));
}

TEST_F(Golden, CompositeOfPrimitivesWithAPopupOnTop) {
  // A captioned panel.
  dc_.BeginPaint(10, 10, 380, 220);
  dc_.FillFrame(0, 0, 379, 219, 0x333333);
  dc_.FillFrame(0, 0, 379, 39, 0x505050);
  dc_.FontSelect(11);
  dc_.SetForecolor(0x000000);
  dc_.SetBackcolor(0x505050);
  dc_.PutString(8, 10, "PANEL");
  dc_.DrawFrame(0, 0, 379, 219, 0x1F1F1F);
  // A button and a value label.
  dc_.FillRoundFrame(12, 52, 112, 92, 8, 0x5C5C5C);
  dc_.DrawRoundFrame(12, 52, 112, 92, 8, 0xA3A3A3);
  dc_.FontSelect(8);
  dc_.SetForecolor(0xFFFFFF);
  dc_.SetBackcolor(0x5C5C5C);
  dc_.PutString(38, 65, "PLAY");
  dc_.DrawRoundFrame(130, 52, 250, 110, 6, 0x0000D2);
  dc_.SetBackcolor(0x333333);
  dc_.FontSelect(4);
  dc_.PutString(140, 56, "CUTOFF");
  dc_.FontSelect(13);
  dc_.PutString(140, 70, "440");
  // A knob: filled circle, an arc of its range and a pointer.
  dc_.FillCircle(310, 90, 30, 0x202020);
  dc_.DrawArc(310, 90, 34, 0x3F, 0xA40000);
  dc_.DrawLine(310, 90, 290, 68, 0xFFFFFF);
  dc_.DrawCircle(310, 90, 30, 0x8F8F8F);
  // A grid, a dotted guide and a mesh.
  for (int x = 12; x <= 112; x += 25) dc_.DrawLine(x, 130, x, 200, 0x444444);
  dc_.DrawDottedLine(12, 165, 112, 165, 3, 0xFFFF00);
  dc_.DrawLine(12, 200, 112, 130, 0x00C000);
  dc_.DrawMesh(230, 130, 300, 200, 0x8080FF);
  // A gradient image.
  tImage img = dc_.allocImage(uxRECT(0, 0, 60, 60), "gradient");
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) img.data[y * 60 + x] = uint32_t(x * 4) | uint32_t(y * 4) << 8 | 0x80u << 16;
  dc_.DrawImage(125, 140, &img);
  dc_.freeImage(&img);
  dc_.EndPaint();

  // A popup in the exclusive layer, then the panel repaints underneath.
  dc_.BeginPaint(200, 150, 180, 70, EXCLUSIVE_REGION);
  dc_.FillFrame(0, 0, 179, 69, 0x000000);
  dc_.DrawFrame(0, 0, 179, 69, 0xFFFFFF);
  dc_.FontSelect(9);
  dc_.SetForecolor(0xFFFFFF);
  dc_.SetBackcolor(0x000000);
  dc_.PutString(10, 10, " ARP A \nvalue 12");
  dc_.EndPaint();
  dc_.BeginPaint(10, 10, 380, 220);
  dc_.FillFrame(190, 140, 379, 219, 0x333333);
  dc_.EndPaint();

  EXPECT_TRUE(MatchesGolden("composite", Snapshot(dc_, Source::Screen, 0, 0, 400, 240)));
}

}  // namespace
