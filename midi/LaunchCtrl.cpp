#include "midi/LaunchCtrl.h"

#include <unistd.h>

#include "midi/CAlsaMidi.h"

void LaunchCtrl::Send(int channel, int status, uint8_t data1, uint8_t data2) {
  if (CanSend()) midi_->SendShort(portIndex_, channel, status, data1, data2);
}

void LaunchCtrl::SendSysEx(const uint8_t* data, int length) {
  if (CanSend()) midi_->SendSysEx(portIndex_, data, length);
}

// Pacing only matters for messages that go out.
void LaunchCtrl::Wait(unsigned microseconds) {
  if (CanSend()) sleep_(microseconds);
}

void LaunchCtrl::DefaultSleep(unsigned microseconds) { usleep(microseconds); }
