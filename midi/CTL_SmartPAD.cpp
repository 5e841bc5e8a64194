#include "midi/CTL_SmartPAD.h"

namespace {

// Velocity of LED states 1-6 (odd steady, even blinking).
constexpr uint8_t kStateVelocity[] = {
    0,
    96,
    96,
    127,
    127,
    32,
    32,
};

constexpr int kTicksPerQuarter = 24;
constexpr int kLaunchChannel = 2;
constexpr uint8_t kFirstLaunchNote = 112;

}  // namespace

void CTL_SmartPAD::ResetLeds() {
  for (Pad& p : pads_) p.update = kNoteOff;
}

void CTL_SmartPAD::SetPadLed(int column, int row, int state) {
  if (!InGrid(column) || !InGrid(row)) return;
  Pad& p = pads_[column + row * 8];
  const uint8_t note = PadNote(column, row);
  Send(0, 0x80, note, 0);
  if (state < 1 || state > 6) {
    p.steady = 0;
    p.blinking = 0;
    p.update = kNoteOff;
    return;
  }
  const uint8_t velocity = kStateVelocity[state];
  if (state % 2 == 0) {
    p.blink = velocity;
    p.blinking = 1;
  } else {
    p.steady = velocity;
    p.blinking = 0;
  }
  p.update = kColour;
  Send(0, 0x90, note, velocity);
}

void CTL_SmartPAD::SetTrackLed(int, int) {}

void CTL_SmartPAD::SetSceneLed(int column, int row, int on) {
  if (!InGrid(column) || !InGrid(row)) return;
  Pad& p = pads_[column + row * 8];
  const uint8_t note = PadNote(column, row);
  Send(0, 0x80, note, 0);
  if (on) {
    p.blinking = 1;
    p.blink = 127;
  } else {
    p.blinking = 0;
    p.steady = 32;
  }
  p.update = kColour;
  Send(0, 0x90, note, on ? 127 : 32);
}

void CTL_SmartPAD::SetShiftLed(int) {}

int CTL_SmartPAD::DecodePad(int channel, int status, uint8_t data1, uint8_t, int& row,
                            int& column) {
  if (channel != 0 || status != 0x90 || !InGrid(data1 % 16) || !InGrid(data1 / 16)) return 0;
  row = data1 / 16;
  column = data1 % 16;
  return 1;
}

int CTL_SmartPAD::DecodeTrackButton(int channel, int status, uint8_t data1, uint8_t,
                                    int& position) {
  if (channel != kLaunchChannel || status != 0x90 || data1 < kFirstLaunchNote ||
      data1 >= kFirstLaunchNote + 8)
    return 0;
  position = data1 - kFirstLaunchNote;
  return 1;
}

int CTL_SmartPAD::DecodeSceneButton(int, int, uint8_t, uint8_t, int&) { return 0; }

int CTL_SmartPAD::DecodeShift(int, int, uint8_t, uint8_t, int& pressed) {
  pressed = 0;
  return 0;
}

int CTL_SmartPAD::IsFunctionButton(int, int, uint8_t, uint8_t) { return 0; }

int CTL_SmartPAD::IsNotControlChange(int, int status) { return status != 0xB0; }

void CTL_SmartPAD::OnClockTick(int tick) {
  if (tick % kTicksPerQuarter != 0) return;
  for (int i = 0; i < 64; ++i) {
    Pad& p = pads_[i];
    const uint8_t note = PadNote(i % 8, i / 8);
    if (p.update == kColour) {
      Send(0, 0x80, note, 0);
      Send(0, 0x90, note, p.blinking && blinkPhase_ ? p.blink : p.steady);
    } else if (p.update == kNoteOff) {
      Send(0, 0x80, note, 0);
      p.update = kNothing;
    }
  }
  blinkPhase_ = !blinkPhase_;
}
