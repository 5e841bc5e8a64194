#include "midi/ClipData.h"

void ClipData::SetDefaults() {
  name.clear();
  Numerator = 4;
  Denominator = 4;
  Factor = 12;
  StepCount = 16;
  GateWidth = 50.0f;
  KeySubstitute = 1;
  OrderAlgo = 0;
  RestartMode = 0;
  OpMode = 1;
  for (int i = 0; i < kClipSteps; ++i)
    steps[i] = ArpStep{static_cast<uint8_t>(i), 1, 5, 95, 0, 0, 0, 0, 0};
  Imported.clear();
  events.clear();
  Length_PP = 0;
  Length_QN = 0;
  Loop_PP = 0;
  Transpose = 0;
  position = 0;
  for (int r = 0; r < kClipSteps; ++r) {
    rows[r].row = r;
    for (Trigger& t : rows[r].triggers) t = Trigger{0, 0, 90, 0, 0.0f, 0.0f};
  }
}
