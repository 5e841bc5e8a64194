// The value labels' step tables and formatters: the text a position shows (and so the number
// a parameter receives), and the position a stored value takes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "pages/widgets/StepTables.h"
#include "pages/widgets/ValueFormatters.h"

namespace {

using step_tables::Id;

std::string Text(Formatter f, float x, bool isPosition) { return value_format::Function(f)(x, isPosition); }

TEST(ValueFormatters, APositionShowsItsStepInTheFormattersNumberFormat) {
  struct Case {
    Formatter f;
    float position;
    const char* text;
  } const cases[] = {
      {Formatter::kTime, 0, "0.008"},       {Formatter::kTime, 75, "1.000"},       {Formatter::kTime, 100, "5.001"},
      {Formatter::kEqFreq, 9, "96.5"},      {Formatter::kEqFreq, 10, "102"},       {Formatter::kDb, 3, "-48.1"},
      {Formatter::kDb, 96, "9.5"},          {Formatter::kDb, 97, "10.1"},          {Formatter::kDb, 98, "10.7"},
      {Formatter::kDb, 99, "11.3"},         {Formatter::kDb, 100, "12.0"},         {Formatter::kDelay, 0, "0.004"},
      {Formatter::kDelay, 90, "1.40"},      {Formatter::kDelay, 100, "2.50"},      {Formatter::kDelayFc, 90, "9769.6"},
      {Formatter::kDelayFc, 91, "10343"},   {Formatter::kCutoff, 49, "943.9"},     {Formatter::kCutoff, 50, "999"},
      {Formatter::kCutoff, 51, "1058"},     {Formatter::kDrive, 0, "1.00"},        {Formatter::kDrive, 100, "10.00"},
      {Formatter::kHiFc, 0, "1000.0"},      {Formatter::kHiFc, 99, "5000.0"},      {Formatter::kLoFc, 0, "20.0"},
      {Formatter::kLoFc, 99, "2000.0"},     {Formatter::kGain, 0, "-20.0"},        {Formatter::kGain, 50, "0.0"},
      {Formatter::kGain, 100, "20.0"},      {Formatter::kRate, 3, "0.23"},         {Formatter::kRate, 100, "7.81"},
      {Formatter::kReverbTime, 150, "1.50"}, {Formatter::kEnvTime, 7, "0.07"},
      // Positions the encoder modes reach beyond the tables stop at their ends, and the
      // shelf corners never show (or send) the stored 0 Hz of entry 100.
      {Formatter::kEqFreq, -100, "60.0"},   {Formatter::kDb, 256, "12.0"},         {Formatter::kHiFc, 100, "5000.0"},
      {Formatter::kLoFc, 100, "2000.0"},    {Formatter::kLoFc, 130, "2000.0"},
      {Formatter::kDb, std::numeric_limits<float>::quiet_NaN(), "-50.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.f)) + " at " + std::to_string(c.position));
    EXPECT_EQ(Text(c.f, c.position, true), c.text);
  }
}

TEST(ValueFormatters, AValueIsShownAsItIsInTheSameFormat) {
  struct Case {
    Formatter f;
    float value;
    const char* text;
  } const cases[] = {
      {Formatter::kEqFreq, 842.2f, "842"},  {Formatter::kEqFreq, 99.94f, "99.9"}, {Formatter::kTime, 0.2f, "0.200"},
      {Formatter::kDelay, 2.6f, "2.60"},     {Formatter::kRate, 0.2f, "0.20"},     {Formatter::kDb, -10.0f, "-10.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Text(c.f, c.value, false), c.text);
  }
  EXPECT_EQ(value_format::Function(Formatter::kNone), nullptr);
}

TEST(ValueFormatters, AStoredValueTakesThePositionOfItsStep) {
  struct Case {
    Formatter f;
    float value;
    float position;
  } const cases[] = {
      {Formatter::kCutoff, 17400.0f, 100}, {Formatter::kCutoff, 17401.0f, 0},  {Formatter::kEqFreq, 100.0f, 10},
      {Formatter::kEqFreq, 60.0f, 0},      {Formatter::kEqFreq, 61.0f, 1},     {Formatter::kEqFreq, 5218.9f, 79},
      {Formatter::kDelay, 2.6f, 0},        {Formatter::kDelay, 2.5f, 100},     {Formatter::kDb, 12.0f, 100},
      {Formatter::kDb, -50.0f, 0},         {Formatter::kHiFc, 5000.0f, 99},    {Formatter::kLoFc, 2001.0f, 0},
      {Formatter::kRate, 0.2f, 2.56f},     {Formatter::kReverbTime, 1.5f, 150}, {Formatter::kEnvTime, 0.07f, 7},
      {Formatter::kNone, 42.5f, 42.5f},
      {Formatter::kDb, std::numeric_limits<float>::quiet_NaN(), 0},
      // A shown number rounded up lies in the next step: read back, it is one position on.
      {Formatter::kDb, -48.1f, 4},         {Formatter::kCutoff, 1058.0f, 52},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.f)) + " for " + std::to_string(c.value));
    EXPECT_FLOAT_EQ(value_format::PositionFor(c.f, c.value), c.position);
  }
}

TEST(StepTables, EveryTableRisesToItsLastEntryThroughTheListedOnes) {
  struct Listed {
    Id table;
    int index;
    float value;
  } const listed[] = {
      {Id::kTime, 10, 0.015f},   {Id::kTime, 50, 0.2f},      {Id::kTime, 75, 1.0f},      {Id::kTime, 90, 2.627f},
      {Id::kFreq, 47, 842.2f},   {Id::kFreq, 79, 5218.9f},   {Id::kFreq, 100, 17400.0f}, {Id::kDb, 97, 10.1f},
      {Id::kDb, 98, 10.7f},      {Id::kDb, 99, 11.3f},       {Id::kDb, 100, 12.0f},      {Id::kDelay, 50, 0.107f},
      {Id::kDelay, 97, 2.199f},  {Id::kDelay, 98, 2.345f},   {Id::kDelay, 99, 2.401f},   {Id::kDelay, 100, 2.5f},
      {Id::kDrive, 100, 10.0f},  {Id::kHiFc, 10, 1177.7f},   {Id::kHiFc, 90, 4319.7f},   {Id::kHiFc, 99, 5000.0f},
      {Id::kLoFc, 40, 128.7f},   {Id::kLoFc, 99, 2000.0f},   {Id::kGain, 0, -20.0f},     {Id::kGain, 100, 20.0f},
  };
  for (const Listed& l : listed) {
    SCOPED_TRACE(std::to_string(static_cast<int>(l.table)) + " entry " + std::to_string(l.index));
    EXPECT_NEAR(step_tables::Values(l.table)[l.index], l.value, 1e-4f * std::fabs(l.value));
  }
  for (int t = 0; t < step_tables::kTables; ++t) {
    const Id id = static_cast<Id>(t);
    // The shelf tables hold a stored 0 at 100 that no position reaches.
    const int last = id == Id::kHiFc || id == Id::kLoFc ? 99 : 100;
    for (int i = 1; i <= last; ++i) {
      SCOPED_TRACE(std::to_string(t) + " entry " + std::to_string(i));
      EXPECT_LE(step_tables::Values(id)[i - 1], step_tables::Values(id)[i]);
    }
    // Every entry that differs from its predecessor finds its own position again.
    for (int i = 1; i <= last; ++i) {
      const float v = step_tables::Values(id)[i];
      if (v == step_tables::Values(id)[i - 1]) continue;
      EXPECT_EQ(step_tables::PositionOf(id, v), i) << t << " entry " << i;
    }
  }
}

}  // namespace
