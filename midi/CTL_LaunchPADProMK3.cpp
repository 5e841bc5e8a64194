#include "midi/CTL_LaunchPADProMK3.h"

namespace {

struct LedCode {
  uint8_t channel;  // 0 steady, 1 pulsing
  uint8_t value;    // colour
};

// By LED state 0-6; any other state is off.
constexpr LedCode kLedCodes[] = {
    {0, 0},
    {0, 21},
    {1, 21},
    {0, 72},
    {1, 72},
    {0, 13},
    {1, 13},
};

constexpr uint8_t kProgrammerMode[] = {0xF0, 0x00, 0x20, 0x29, 0x02, 0x0E, 0x0E, 0x01, 0xF7};
// The device's answer when it asks to leave programmer mode (controller 96).
constexpr uint8_t kLeaveRequestReply[] = {0xF0, 0x00, 0x20, 0x29, 0x02, 0x0E,
                                          0x00, 0x03, 0x00, 0x00, 0xF7};

constexpr unsigned kRowPauseUs = 10000;
constexpr unsigned kRepaintPauseUs = 1000;

constexpr uint8_t kFunctionController = 8;
constexpr uint8_t kRepaintNote = 60;
constexpr uint8_t kRepaintMinVelocity = 21;

LedCode Code(int state) { return state >= 0 && state <= 6 ? kLedCodes[state] : kLedCodes[0]; }

}  // namespace

void CTL_LaunchPADProMK3::SendState(uint8_t controller, int state) {
  const LedCode code = Code(state);
  Send(code.channel, 0xB0, controller, code.value);
}

void CTL_LaunchPADProMK3::ResetLeds() {
  SendSysEx(kProgrammerMode, sizeof kProgrammerMode);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) Send(0, 0xB0, PadController(c, r), 0);
    Wait(kRowPauseUs);
  }
  for (int i = 0; i < 8; ++i) {
    Send(0, 0xB0, 91 + i, 0);
    Send(0, 0xB0, SceneController(i), 0);
    Send(0, 0xB0, LaunchController(i), 0);
    Send(0, 0xB0, 1 + i, 0);
  }
  for (int c = 90; c >= 10; c -= 10) Send(0, 0xB0, c, 0);
  Send(0, 0xB0, kFunctionController, 45);
  Send(0, 0xB0, 93, 48);
  Send(0, 0xB0, 96, 48);
  for (int& s : pads_) s = 0;
  for (int& s : scenes_) s = 0;
  for (int& s : launches_) s = 0;
}

void CTL_LaunchPADProMK3::SetPadLed(int column, int row, int state) {
  if (!InGrid(column) || !InGrid(row)) return;
  pads_[column + row * 8] = state;
  SendState(PadController(column, row), state);
}

void CTL_LaunchPADProMK3::SetTrackLed(int position, int state) {
  if (!InGrid(position)) return;
  launches_[position] = state;
  SendState(LaunchController(position), state);
}

void CTL_LaunchPADProMK3::SetSceneLed(int position, int row, int state) {
  if (!InGrid(position) || (row != -1 && !InGrid(row))) return;
  if (row != -1) {
    if (state == 0) {
      SetPadLed(position, row, 5);
      scenes_[position] = 0;
      Send(0, 0xB0, SceneController(position), 0);
      return;
    }
    SetPadLed(position, row, 4);
  }
  scenes_[position] = state;
  if (state == 2)
    Send(1, 0xB0, SceneController(position), 72);
  else if (state == 4 || state == 6)
    Send(1, 0xB0, SceneController(position), 0);
  else
    Send(0, 0xB0, SceneController(position), 0);
}

void CTL_LaunchPADProMK3::SetShiftLed(int) {}

int CTL_LaunchPADProMK3::DecodePad(int channel, int status, uint8_t data1, uint8_t, int& row,
                                   int& column) {
  if (channel != 0 || status != 0x90) return 0;
  const int r = 8 - data1 / 10;
  const int c = data1 % 10 - 1;
  if (!InGrid(r) || !InGrid(c)) return 0;
  row = r;
  column = c;
  return 1;
}

int CTL_LaunchPADProMK3::DecodeTrackButton(int channel, int status, uint8_t data1, uint8_t,
                                           int& position) {
  if (channel != 0 || status != 0xB0) return 0;
  for (int i = 0; i < 8; ++i) {
    if (LaunchController(i) == data1) {
      position = i;
      return 1;
    }
  }
  return 0;
}

int CTL_LaunchPADProMK3::DecodeSceneButton(int channel, int status, uint8_t data1, uint8_t,
                                           int& position) {
  if (channel != 0 || status != 0xB0 || data1 < SceneController(0) || data1 > SceneController(7))
    return 0;
  position = data1 - SceneController(0);
  return 1;
}

// The device has no shift button; the clip launcher still reads `pressed`.
int CTL_LaunchPADProMK3::DecodeShift(int, int, uint8_t, uint8_t, int& pressed) {
  pressed = 1;
  return 0;
}

int CTL_LaunchPADProMK3::IsFunctionButton(int channel, int status, uint8_t data1, uint8_t) {
  return channel == 0 && status == 0xB0 && data1 == kFunctionController;
}

int CTL_LaunchPADProMK3::IsNotControlChange(int channel, int status) {
  return !(status == 0xB0 && channel == 15);
}

int CTL_LaunchPADProMK3::OnMidiInput(int channel, int status, uint8_t data1, uint8_t data2) {
  if (channel != 0) return 0;
  if (status == 0xB0 && data1 == 96) {
    SendSysEx(kLeaveRequestReply, sizeof kLeaveRequestReply);
    return 1;
  }
  if (status == 0x90 && data1 == kRepaintNote && data2 >= kRepaintMinVelocity) {
    SendSysEx(kProgrammerMode, sizeof kProgrammerMode);
    Repaint();
    return 1;
  }
  return 0;
}

void CTL_LaunchPADProMK3::Repaint() {
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      SendState(PadController(c, r), pads_[c + r * 8]);
      Wait(kRepaintPauseUs);
    }
  }
  for (int i = 0; i < 8; ++i) {
    SendState(LaunchController(i), launches_[i]);
    Wait(kRepaintPauseUs);
  }
  for (int i = 0; i < 8; ++i) {
    SendState(SceneController(i), scenes_[i]);
    Wait(kRepaintPauseUs);
  }
}
