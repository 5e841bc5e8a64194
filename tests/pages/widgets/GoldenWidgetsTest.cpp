// The widgets' main pictures against committed golden images (each looked at and found
// right when it was made). SYNTH_TOOLKIT_REGOLDEN=1 rewrites them.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <vector>

#include "pages/widgets/uxPianoRoll.h"
#include "pages/widgets/uxPopupWT.h"
#include "pages/widgets/uxScopeView.h"
#include "pages/widgets/uxWaveEdit.h"
#include "tests/pages/widgets/MidiCsvEvents.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"

namespace {

using toolkit_test::Snapshot;
using toolkit_test::Source;

::testing::AssertionResult Matches(const char* name, const toolkit_test::Picture& picture) {
  return toolkit_test::MatchesGolden(SYNTH_WIDGETS_GOLDEN_DIR, name, picture);
}

class GoldenWidgetsTest : public toolkit_test::WidgetTest {};

// Magnitude of a two-pole low-pass (cut-off fc, quality q) at f, and its high-pass twin.
double LowPass(double f, double fc, double q) {
  const std::complex<double> s(0.0, f / fc);
  return std::abs(1.0 / (s * s + s / q + 1.0));
}
double HighPass(double f, double fc, double q) {
  const std::complex<double> s(0.0, f / fc);
  return std::abs(s * s / (s * s + s / q + 1.0));
}

TEST_F(GoldenWidgetsTest, LogScopeWithDecibelGridBothChannelsMarksAndBand) {
  uxPOINT at(10, 10);
  uxScopeView scope(&host_, 61, &at, 590, 250, 0x101010, 0x808080, nullptr, true, 0, 0, true);
  scope.SetXAxis(uxScopeView::kLog, 20.0f, 20000.0f);
  scope.UpdateLogAxis();
  scope.SetLevelAxis(uxScopeView::kLevelDecibel, -48.0f, 12.0f);
  scope.SetInterpolation(uxScopeView::kCubic);
  scope.SetGrid(32, 25);
  // Record j holds the response at j / 588 of the range.
  for (int j = 0; j < 590; ++j) {
    const double f = 19980.0 * j / 588.0;
    scope.Points()[j].a = static_cast<float>(LowPass(f, 1000.0, 0.9) * 0.9);
    scope.Points()[j].b = static_cast<float>(HighPass(f, 3000.0, 0.7) * 0.5);
  }
  scope.Points()[150].marks[0] = 1;
  scope.Points()[330].marks[1] = 1;
  scope.Points()[420].marks[16] = 1;
  scope.Points()[480].marks[17] = 1;
  scope.SetHighlight(true, 60, 110);
  scope.SetMarker(250);
  scope.SetMarkerText("CUT");
  scope.SetTexts("Q 0.9", "LOW PASS", "1 kHz");
  scope.SetCursor(520);
  scope.SetKnob(300, -80);
  scope.OnPaint();
  EXPECT_TRUE(Matches("scope_log_db", Snapshot(dc_, Source::Screen, 0, 0, 610, 270)));
}

TEST_F(GoldenWidgetsTest, PianoRollOfARealMidiFile) {
  // Bars 51 to 54 of the lead track of a file from Debian's openttd-openmsx (96 pulses a
  // quarter note), made a clip of their own.
  const std::vector<SeqEvent> all = widgets_test::EventsFromFile(widgets_test::kSmallMidiFile, 2);
  if (all.empty()) GTEST_SKIP() << "needs midicsv and " << widgets_test::kSmallMidiFile << " (scripts/setup)";
  constexpr int32_t kFrom = 50 * 4 * 96, kTo = kFrom + 16 * 96;
  uxPOINT at(5, 100);
  uxPianoRoll roll(&host_, &at, 790, 300, 0x000000);
  for (SeqEvent e : all) {
    if (e.time < kFrom || e.time >= kTo) continue;
    e.time -= kFrom;
    e.end -= kFrom;
    roll.Events().push_back(e);
  }
  ASSERT_EQ(roll.Events().size(), 84u);  // as awk counts the note-ons in midicsv's listing
  for (std::size_t i = 0; i < roll.Events().size(); i += 9) roll.Events()[i].reserved = 1;  // a selection
  roll.SetFirstNote(48);
  roll.SetCursor(330);
  roll.OnPaint();
  EXPECT_TRUE(Matches("piano_roll_midi", Snapshot(dc_, Source::Screen, 5, 100, 790, 300)));
}

TEST_F(GoldenWidgetsTest, WavetablePopupOfASineToSawTable) {
  // 256 frames morphing from a sine to a saw.
  std::vector<float> frames(std::size_t{WaveTable::kVariants} * WaveTable::kSize);
  for (int v = 0; v < WaveTable::kVariants; ++v) {
    const float m = static_cast<float>(v) / 255.0f;
    for (int i = 0; i < WaveTable::kSize; ++i) {
      const float p = static_cast<float>(i) / WaveTable::kSize;
      const float sine = std::sin(2.0f * static_cast<float>(M_PI) * p);
      const float saw = 1.0f - 2.0f * p;
      frames[std::size_t(v) * WaveTable::kSize + std::size_t(i)] = (1.0f - m) * sine + m * saw;
    }
  }
  auto table = std::make_unique<WaveTable>();
  table->FillVariants(WaveTable::kVariants, frames.data());
  uxPopupWT popup(&host_, "PopupWT", uxPOINT(175, 150), 450, 210, 0x202020, 0xFFFFFF);
  popup.SetWavetable(table.get());
  popup.SetTitle("SINE-SAW");
  popup.SetShown(true);
  popup.show();
  popup.OnPaint();
  EXPECT_TRUE(Matches("popup_wavetable", Snapshot(dc_, Source::Screen, 175, 150, 450, 210)));
}

TEST_F(GoldenWidgetsTest, StepWaveWithGlide) {
  uxPOINT at(10, 100);
  uxWaveEdit edit(&host_, 5, &at, 512, 305, 0x101010, 0x808080, 0x0000FF, 0xC00000);
  const float levels[16] = {0.2f, 0.9f, 0.5f, 0.5f, 1.0f, 0.0f, 0.7f, 0.3f,
                            0.8f, 0.6f, 0.4f, 0.1f, 0.95f, 0.25f, 0.6f, 0.45f};
  for (int s = 0; s < 16; ++s) edit.SetLevel(s, levels[s]);
  edit.SetGlide(0.6f);  // moves over 60 % of each step
  edit.SetPosition(200);
  edit.OnPaint();
  edit.setRepaintCtrls();
  edit.OnPaint();
  EXPECT_TRUE(Matches("wave_edit_glide", Snapshot(dc_, Source::Screen, 10, 100, 512, 305)));
}

}  // namespace
