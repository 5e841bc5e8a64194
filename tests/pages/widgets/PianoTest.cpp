#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "pages/widgets/uxPianoCtrl.h"
#include "pages/widgets/uxPianoRoll.h"
#include "tests/toolkit/support/DrawRecorder.h"
#include "tests/toolkit/support/WidgetFixture.h"

namespace {

using toolkit_test::DrawRecorder;
using toolkit_test::Touch;

class PianoCtrlTest : public toolkit_test::WidgetTest {
 protected:
  uxPianoCtrl Keyboard(int octaves, int16_t w = 790, int16_t h = 80) {
    return uxPianoCtrl(&host_, 0, "Keys", uxPOINT(0, 0), w, h, octaves, 0x00FF00, 0x808080);
  }
};

TEST_F(PianoCtrlTest, KeyWidthsFollowTheWidthAndOctaves) {
  struct Case {
    int16_t width;
    int octaves;
    int white, black;
  };
  for (const Case& c : {Case{790, 2, 48, 32}, Case{800, 10, 7, 4}, Case{300, 6, 2, 2}, Case{100, 0, 96, 64}}) {
    SCOPED_TRACE(c.width * 100 + c.octaves);
    uxPianoCtrl keys(&host_, 0, "Keys", uxPOINT(0, 0), c.width, 60, c.octaves, 0, 0);
    EXPECT_EQ(keys.WhiteKeyWidth(), c.white);
    EXPECT_EQ(keys.BlackKeyWidth(), c.black);
  }
}

TEST_F(PianoCtrlTest, MarksSetAndClearTheirBitsOnTheRightKeyOnly) {
  struct Step {
    bool set;
    int note;
    bool second;
    int key;        // key whose flags are then checked
    uint8_t flags;
  };
  const Step steps[] = {
      {true, 60, false, 60, 0x01},         {true, 60, true, 60, 0x03},
      {false, 60, false, 60, 0x02},        {false, 60, true, 60, 0x00},
      {true, 61 | 0x80, false, 61, 0x05},  {false, 61, false, 61, 0x00},
      {true, 109, true, 109, 0x02},        {true, 0, false, 0, 0x01},
      {true, 110, false, 110, 0x00},       {true, 110 | 0x80, false, 110, 0x00},
      {true, -1, false, 0, 0x01},          {true, 1000, false, 1000, 0x00},
      {false, 0x80 | 0, false, 0, 0x00},
  };
  uxPianoCtrl keys = Keyboard(2);
  for (const Step& s : steps) {
    SCOPED_TRACE(s.note);
    if (s.set)
      keys.SetKey(s.note, s.second);
    else
      keys.ClearKey(s.note, s.second);
    EXPECT_EQ(keys.KeyFlags(s.key), s.flags);
  }
  // Nothing else was touched.
  for (int n = 0; n < 109; ++n) EXPECT_EQ(keys.KeyFlags(n), 0) << n;
}

TEST_F(PianoCtrlTest, RangeStartScrollsWhenTheOctavesFitAndLogs) {
  struct Case {
    int octaves;
    int note;
    int firstOctave;
    uint8_t flags;
  };
  for (const Case& c : {Case{2, 60, 5, 0x10}, Case{6, 60, 0, 0x10}, Case{2, 95, 7, 0x10}, Case{2, 110, 0, 0},
                        Case{2, -12, 0, 0}}) {
    SCOPED_TRACE(c.note);
    log_.Clear();
    uxPianoCtrl keys = Keyboard(c.octaves);
    keys.SetRangeStart(c.note);
    EXPECT_EQ(keys.FirstOctave(), c.firstOctave);
    EXPECT_EQ(keys.KeyFlags(c.note), c.flags);
    EXPECT_EQ(log_.Text(), "Start:" + std::to_string(c.note) + "\n");
  }
  uxPianoCtrl keys = Keyboard(2);
  keys.SetRangeStart(40);
  keys.SetRangeStart(48);
  keys.SetRangeEnd(50);
  keys.SetRangeEnd(110);  // one past the last key, as the MIDI page sets it
  EXPECT_EQ(keys.KeyFlags(40), 0);
  EXPECT_EQ(keys.KeyFlags(48), uxPianoCtrl::kRangeStart);
  EXPECT_EQ(keys.KeyFlags(50), 0);
  EXPECT_EQ(keys.FirstOctave(), 4);
  EXPECT_NE(log_.Text().find("End:50\nEnd:110\n"), std::string::npos);
}

TEST_F(PianoCtrlTest, PaintShowsMarkColoursAndTheRangeBand) {
  uxPianoCtrl keys = Keyboard(2);
  keys.SetRangeStart(60);  // octave 5 first
  keys.SetRangeEnd(110);
  keys.SetKey(61 | 0x80, false);
  keys.SetKey(64, false);
  keys.OnPaint();
  const int step = keys.WhiteKeyWidth() + 4;
  const int cSharp = 4 + step - (keys.WhiteKeyWidth() / 3 + 2);
  EXPECT_EQ(fb_.Pixel(cSharp + 2, 5), uxPianoCtrl::kSecondMarkColour);
  EXPECT_EQ(fb_.Pixel(4 + 2 * step + 5, 55), 0x00FF00u);  // E, in the mark colour
  EXPECT_EQ(fb_.Pixel(4 + 3 * step + 5, 55), 0xFFFFFFu);  // F, unmarked
  EXPECT_EQ(fb_.Pixel(6, 70), 0x4040FFu);                  // range from the first key ...
  EXPECT_EQ(fb_.Pixel(14 * step, 70), 0x4040FFu);         // ... past the right end
}

TEST_F(PianoCtrlTest, PaintsWhenChangedAndOnEveryTenthCall) {
  uxPianoCtrl keys = Keyboard(2);
  DrawRecorder rec(dc_);
  std::vector<int> painted;
  for (int call = 1; call <= 21; ++call) {
    if (call == 4) keys.SetKey(60, false);
    if (call == 13) {
      tagUX_Message move = Touch(5, 5, TYPE_MOVE);
      keys.OnMessage(&move);
    }
    rec.calls.clear();
    keys.OnPaint();
    if (!rec.Named("BeginPaint").empty()) painted.push_back(call);
  }
  EXPECT_EQ(painted, (std::vector<int>{1, 4, 10, 13, 20}));
}

// Marks come from the MIDI and audio threads while the GUI thread paints.
class PianoCtrlThreads : public toolkit_test::WidgetTest {};

TEST_F(PianoCtrlThreads, MarksFromAnotherThreadWhilePainting) {
  uxPianoCtrl keys(&host_, 0, "Keys", uxPOINT(0, 0), 790, 80, 2, 0x00FF00, 0x808080);
  std::atomic<bool> done{false};
  std::thread midi([&] {
    for (int round = 0; round < 2000; ++round) {
      for (int note = 0; note < 24; ++note) keys.SetKey(note | (round % 2 ? 0x80 : 0), round % 3 == 0);
      for (int note = 0; note < 24; ++note) keys.ClearKey(note, round % 3 == 0);
    }
    keys.SetKey(5, false);
    done = true;
  });
  while (!done) keys.OnPaint();
  midi.join();
  keys.OnPaint();
  EXPECT_EQ(keys.KeyFlags(5), uxPianoCtrl::kMarked);
  EXPECT_EQ(fb_.Pixel(4 + 3 * (keys.WhiteKeyWidth() + 4) + 5, 55), 0x00FF00u);  // F, key 5
}

class PianoRollTest : public toolkit_test::WidgetTest {
 protected:
  uxPOINT at_{0, 0};
  uxPianoRoll roll_{&host_, &at_, 790, 300, 0x000000};
};

TEST_F(PianoRollTest, NotesAreBarsOfTheirLengthNamedWhenWide) {
  struct Case {
    int key, start, end;
    uint8_t selected;
    int x0, x1;
    uxCOLOR colour;
    const char* name;  // "" none
  };
  const Case cases[] = {
      {60, 0, 48, 0, 0, 39, 0x202080, "C3"},    {61, 48, 72, 0, 40, 59, 0x202080, ""},
      {71, 24, 96, 1, 20, 79, 0x606060, "B3"},  {82, 0, 240, 0, 0, 199, 0x202080, "A#4"},
      {59, 0, 48, 0, -1, -1, 0, ""},            {84, 0, 48, 0, -1, -1, 0, ""},
      {62, 96, 48, 0, -1, -1, 0, ""},           {63, 2000000000, 2100000000, 0, -1, -1, 0, ""},
  };
  roll_.SetFirstNote(60);
  EXPECT_EQ(roll_.RowHeight(), 12);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    roll_.Events() = {{kSeqNote, c.start, c.end, c.selected, static_cast<uint8_t>(c.key), 100}};
    roll_.setRepaint();
    DrawRecorder rec(dc_);
    roll_.OnPaint();
    std::vector<uxDrawCall> bars;
    for (const uxDrawCall& f : rec.Named("FillFrame"))
      if (f.colour == 0x202080 || f.colour == 0x606060) bars.push_back(f);
    std::vector<std::string> texts;
    for (const uxDrawCall& t : rec.Named("PutString"))
      if (t.a[1] > 5) texts.push_back(t.text);  // the header's numbers sit at row 5
    if (c.x0 < 0) {
      EXPECT_TRUE(bars.empty());
      EXPECT_TRUE(texts.empty());
      continue;
    }
    ASSERT_EQ(bars.size(), 1u);
    const int row = c.key - 60;
    EXPECT_EQ(bars[0].a[0], c.x0);
    EXPECT_EQ(bars[0].a[2], c.x1);
    EXPECT_EQ(bars[0].a[1], 300 - (11 + row * 12));
    EXPECT_EQ(bars[0].a[3], 300 - row * 12);
    EXPECT_EQ(bars[0].colour, c.colour);
    EXPECT_EQ(texts, std::string(c.name).empty() ? std::vector<std::string>{} : std::vector<std::string>{c.name});
  }
}

TEST_F(PianoRollTest, GridControllerLaneAndEmptyList) {
  roll_.OnPaint();  // nothing to draw but the grid
  EXPECT_EQ(fb_.Pixel(0, 150), 0x646464u);
  EXPECT_EQ(fb_.Pixel(20, 150), 0x404040u);
  EXPECT_EQ(fb_.Pixel(80, 150), 0x646464u);

  roll_.Events() = {{kSeqControl, 0, 0, 0, 7, 0},
                    {kSeqControl, 96, 96, 0, 7, 127},
                    {kSeqControl, 48, 48, 0, 10, 64},
                    {kSeqNote, 0, 480, 0, 40, 100}};
  roll_.SetController(7);
  roll_.setRepaint();
  DrawRecorder rec(dc_);
  roll_.OnPaint();
  std::vector<std::vector<int>> red;
  for (const uxDrawCall& l : rec.Named("DrawLine"))
    if (l.colour == 0xFF0000) red.push_back({l.a[0], l.a[1], l.a[2], l.a[3]});
  // y = height - (height - row height) x value / 128; the lane runs on to the last event's end.
  EXPECT_EQ(red, (std::vector<std::vector<int>>{{0, 300, 80, 300 - 288 * 127 / 128}, {80, 15, 400, 15}}));
  bool label = false;
  for (const uxDrawCall& t : rec.Named("PutString")) label |= t.text == "CC-7" && t.a[0] == 370 && t.a[1] == 17;
  EXPECT_TRUE(label);
}

TEST_F(PianoRollTest, EncoderZoomsInTenthsWithinItsRangeOnlyWhenFocused) {
  auto turn = [&](int param, int code, int times) {
    for (int i = 0; i < times; ++i) {
      tagUX_Message m(UX_MSG_ENCODER_EVENT, param, code);
      roll_.OnMessage(&m);
    }
  };
  turn(148, 130, 3);
  EXPECT_FLOAT_EQ(roll_.Zoom(), 1.0f);
  tagUX_Message focus(UX_MSG_FOCUS, 1, 1);
  roll_.OnMessage(&focus);
  turn(147, 130, 3);
  EXPECT_FLOAT_EQ(roll_.Zoom(), 1.0f);
  turn(148, 130, 3);
  EXPECT_NEAR(roll_.Zoom(), 1.3f, 1e-5);
  turn(148, 130, 40);
  EXPECT_FLOAT_EQ(roll_.Zoom(), 4.0f);
  turn(148, 131, 60);
  EXPECT_FLOAT_EQ(roll_.Zoom(), 0.1f);
  // The zoom scales the beat lines: at 0.5 a bar (4 beats) is 40 pixels.
  roll_.SetZoom(0.5f);
  roll_.OnPaint();
  EXPECT_EQ(fb_.Pixel(40, 150), 0x646464u);
  EXPECT_EQ(fb_.Pixel(80, 150), 0x646464u);
}

TEST_F(PianoRollTest, DragMovesTheOffsetsAndTheFirstNote) {
  struct Move {
    int x, y;
    int offsetX, offsetY, firstNote;
  };
  auto touch = [&](int x, int y, int type) {
    tagUX_Message m = Touch(x, y, type);
    roll_.OnMessage(&m);
  };
  touch(300, 200, TYPE_PRESS);
  for (const Move& m : {Move{250, 160, -50, -40, 102}, Move{400, 230, 0, 0, 104}, Move{100, 181, -200, -19, 104},
                        Move{300, -1880, 0, -2080, 0}}) {
    touch(m.x, m.y, TYPE_MOVE);
    EXPECT_EQ(roll_.OffsetX(), m.offsetX);
    EXPECT_EQ(roll_.OffsetY(), m.offsetY);
    EXPECT_EQ(roll_.FirstNote(), m.firstNote);
  }
  EXPECT_NE(log_.Text().find("offset X:-50 x:250  Y:-40 y:160   noteoff 102 \n"), std::string::npos);
  // A new press takes the present offsets as its origin.
  touch(100, 100, TYPE_PRESS);
  touch(90, 100, TYPE_MOVE);
  EXPECT_EQ(roll_.OffsetX(), -10);
}

TEST_F(PianoRollTest, CursorMoveRepaintsFromTheCachedImageOnly) {
  roll_.Events() = {{kSeqNote, 0, 480, 0, 10, 100}};
  roll_.SetFirstNote(0);
  roll_.OnPaint();
  EXPECT_EQ(fb_.Pixel(150, 101), 0xFFFFFFu);  // the cursor, dotted every 5 rows
  const uint32_t under = fb_.Pixel(150, 102);
  roll_.SetCursor(300);
  roll_.setRepaintCtrls();
  DrawRecorder rec(dc_);
  roll_.OnPaint();
  std::vector<std::string> ops;
  for (const uxDrawCall& c : rec.calls) ops.push_back(c.op);
  EXPECT_EQ(ops, (std::vector<std::string>{"BeginPaint", "DrawImage", "DrawDottedLine", "EndPaint"}));
  EXPECT_EQ(rec.Named("DrawDottedLine")[0].a[4], 5);
  EXPECT_EQ(fb_.Pixel(150, 101), under);
  EXPECT_EQ(fb_.Pixel(300, 101), 0xFFFFFFu);
}

}  // namespace
