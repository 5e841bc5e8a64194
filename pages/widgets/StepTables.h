#pragma once
// The step tables behind the labels whose encoder positions 0..100 stand for values on a
// curve (times, frequencies, levels): 101 constant entries each. A position reads an entry;
// a value finds the position whose step it falls in.
namespace step_tables {

inline constexpr int kEntries = 101;

enum class Id { kTime, kFreq, kDb, kDelay, kDrive, kHiFc, kLoFc, kGain };
inline constexpr int kTables = 8;

// The table's 101 entries.
const float* Values(Id table);

// The entry at a position. Positions outside the table (and NaN) stop at its ends; the
// high- and low-shelf frequency tables stop at 99, where 5000 Hz and 2000 Hz stand.
float Entry(Id table, float position);

// The smallest i in 1..100 with table[i - 1] < value <= table[i]; 0 when there is none (the
// value at or below the first entry, above the last, or NaN).
int PositionOf(Id table, float value);

}  // namespace step_tables
