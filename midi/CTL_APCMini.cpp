#include "midi/CTL_APCMini.h"

void CTL_APCMini::ResetLeds() {
  for (int i = 0; i < 8; ++i) {
    Send(0, 0x90, notes_.firstLaunch + i, 0);
    for (int c = 0; c < 8; ++c) Send(0, 0x90, PadNote(c, i), 0);
  }
  for (int i = 0; i < 8; ++i) Send(0, 0x90, notes_.firstScene + i, 0);
}

void CTL_APCMini::SetPadLed(int column, int row, int state) {
  if (InGrid(column) && InGrid(row)) Send(0, 0x90, PadNote(column, row), static_cast<uint8_t>(state));
}

void CTL_APCMini::SetTrackLed(int position, int state) {
  if (InGrid(position)) Send(0, 0x90, notes_.firstLaunch + position, static_cast<uint8_t>(state));
}

void CTL_APCMini::SetSceneLed(int position, int, int state) {
  if (InGrid(position)) Send(0, 0x90, notes_.firstScene + position, static_cast<uint8_t>(state));
}

void CTL_APCMini::SetShiftLed(int state) { Send(0, 0x90, notes_.shift, static_cast<uint8_t>(state)); }

int CTL_APCMini::DecodePad(int, int status, uint8_t data1, uint8_t, int& row, int& column) {
  if (status != 0x90) return 0;
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      if (PadNote(c, r) == data1) {
        row = r;
        column = c;
        return 1;
      }
    }
  }
  return 0;
}

int CTL_APCMini::DecodeTrackButton(int, int status, uint8_t data1, uint8_t, int& position) {
  if (status != 0x90 || data1 < notes_.firstLaunch || data1 >= notes_.firstLaunch + 8) return 0;
  position = data1 - notes_.firstLaunch;
  return 1;
}

int CTL_APCMini::DecodeSceneButton(int, int status, uint8_t data1, uint8_t, int& position) {
  if (status != 0x90 || data1 < notes_.firstScene || data1 >= notes_.firstScene + 8) return 0;
  position = data1 - notes_.firstScene;
  return 1;
}

int CTL_APCMini::DecodeShift(int, int status, uint8_t data1, uint8_t, int& pressed) {
  if (data1 != notes_.shift || (status != 0x90 && status != 0x80)) return 0;
  pressed = status == 0x90;
  return 1;
}

int CTL_APCMini::IsFunctionButton(int, int status, uint8_t data1, uint8_t) {
  return status == 0x90 && data1 == notes_.function;
}

int CTL_APCMini::IsNotControlChange(int, int status) { return status != 0xB0; }
