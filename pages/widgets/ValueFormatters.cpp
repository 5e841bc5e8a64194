#include "pages/widgets/ValueFormatters.h"

#include <cstdio>
#include <iterator>

namespace value_format {
namespace {

using step_tables::Id;

// How a formatter turns a shown number into text: `high` when the number is above the
// threshold (or at it, unless `strictlyAbove`), `low` otherwise.
struct Row {
  bool fromTable;
  Id table;
  float factor;  // scaled formatters; 0 for table ones
  float threshold;
  bool strictlyAbove;
  const char* low;
  const char* high;
};

constexpr float kNoThreshold = 0.0f;

// In the order of the Formatter enumeration, from kTime.
constexpr Row kRows[] = {
    {true, Id::kTime, 0, 10.0f, false, "%.3f", "%.2f"},      // three decimals below 10 s
    {true, Id::kFreq, 0, 100.0f, true, "%.1f", "%.0f"},      // whole hertz above 100
    {true, Id::kDb, 0, kNoThreshold, false, "%.1f", "%.1f"},
    {true, Id::kDelay, 0, 1.0f, false, "%.3f", "%.2f"},      // three decimals below 1 s
    {true, Id::kFreq, 0, 10000.9f, false, "%.1f", "%.0f"},   // whole hertz from 10 kHz
    {true, Id::kFreq, 0, 999.0f, true, "%.1f", "%.0f"},      // whole hertz above 999
    {true, Id::kDrive, 0, kNoThreshold, false, "%.2f", "%.2f"},
    {true, Id::kHiFc, 0, kNoThreshold, false, "%.1f", "%.1f"},
    {true, Id::kLoFc, 0, kNoThreshold, false, "%.1f", "%.1f"},
    {true, Id::kGain, 0, kNoThreshold, false, "%.1f", "%.1f"},
    {false, Id::kTime, 0.078125f, kNoThreshold, false, "%.2f", "%.2f"},
    {false, Id::kTime, 0.01f, kNoThreshold, false, "%.2f", "%.2f"},
    {false, Id::kTime, 0.01f, kNoThreshold, false, "%.2f", "%.2f"},
};
static_assert(std::size(kRows) == static_cast<int>(Formatter::kEnvTime));

const Row& RowOf(Formatter f) { return kRows[static_cast<int>(f) - 1]; }

template <Formatter F>
const char* Format(float x, bool isPosition) {
  static char text[32];
  const Row& row = RowOf(F);
  const float shown = isPosition ? Shown(F, x) : x;
  const bool high = row.strictlyAbove ? shown > row.threshold : shown >= row.threshold;
  std::snprintf(text, sizeof text, high ? row.high : row.low, static_cast<double>(shown));
  return text;
}

constexpr uxConvertFn kFunctions[] = {
    nullptr,
    Format<Formatter::kTime>,
    Format<Formatter::kEqFreq>,
    Format<Formatter::kDb>,
    Format<Formatter::kDelay>,
    Format<Formatter::kDelayFc>,
    Format<Formatter::kCutoff>,
    Format<Formatter::kDrive>,
    Format<Formatter::kHiFc>,
    Format<Formatter::kLoFc>,
    Format<Formatter::kGain>,
    Format<Formatter::kRate>,
    Format<Formatter::kReverbTime>,
    Format<Formatter::kEnvTime>,
};
static_assert(std::size(kFunctions) == std::size(kRows) + 1);

}  // namespace

uxConvertFn Function(Formatter f) { return kFunctions[static_cast<int>(f)]; }

float Shown(Formatter f, float position) {
  if (f == Formatter::kNone) return position;
  const Row& row = RowOf(f);
  return row.fromTable ? step_tables::Entry(row.table, position) : position * row.factor;
}

float PositionFor(Formatter f, float value) {
  if (f == Formatter::kNone) return value;
  const Row& row = RowOf(f);
  return row.fromTable ? static_cast<float>(step_tables::PositionOf(row.table, value)) : value / row.factor;
}

}  // namespace value_format
