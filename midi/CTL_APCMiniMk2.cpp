#include "midi/CTL_APCMiniMk2.h"

namespace {

struct PadColour {
  uint8_t channel;
  uint8_t velocity;
};

// By LED state 0-6.
constexpr PadColour kPadColours[] = {
    {6, 0},
    {6, 21},
    {13, 21},
    {6, 5},
    {13, 5},
    {6, 8},
    {13, 8},
};

}  // namespace

void CTL_APCMiniMk2::SetPadLed(int column, int row, int state) {
  if (!InGrid(column) || !InGrid(row) || state < 0 || state > 6) return;
  Send(kPadColours[state].channel, 0x90, PadNote(column, row), kPadColours[state].velocity);
}

void CTL_APCMiniMk2::SetTrackLed(int position, int state) {
  if (InGrid(position)) Send(0, 0x90, notes_.firstLaunch + position, state != 0);
}

void CTL_APCMiniMk2::SetSceneLed(int position, int, int state) {
  if (InGrid(position)) Send(0, 0x90, notes_.firstScene + position, state != 0);
}

void CTL_APCMiniMk2::SetShiftLed(int) {}
