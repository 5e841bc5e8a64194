#pragma once
// The value-to-text formatters of the value labels whose position is not their value: each
// shows a step table's entry (or the position times a factor) in its own number format, and
// the label hands the number as printed to the parameter. Each formatter writes into a
// buffer of its own, as the label keeps only the returned pointer until its next call.
#include "pages/widgets/StepTables.h"
#include "toolkit/uxValueLabel.h"

enum class Formatter {
  kNone,
  kTime,        // F1: portamento time
  kEqFreq,      // F2: equaliser frequencies
  kDb,          // F3: levels in dB
  kDelay,       // F4: delay time
  kDelayFc,     // F5: delay filter corners
  kCutoff,      // F6: ladder filter cutoff
  kDrive,       // F7: preamp drive
  kHiFc,        // F8: high-shelf corner
  kLoFc,        // F9: low-shelf corner
  kGain,        // F10: shelf gains
  kRate,        // F11: modulation rate
  kReverbTime,  // F12: reverb time
  kEnvTime,     // F13: dynamics attack and release
};

namespace value_format {

// The label callback: with `isPosition` the text of the number the position stands for,
// otherwise of `x` itself. Null for kNone.
uxConvertFn Function(Formatter f);

// The position a label with this formatter takes for a value: plain labels the value,
// scaled ones the value over their factor, table ones the table's step (PositionOf).
float PositionFor(Formatter f, float value);

// The number a position stands for, before formatting.
float Shown(Formatter f, float position);

}  // namespace value_format
