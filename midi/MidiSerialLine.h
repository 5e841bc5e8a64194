#pragma once
// The DIN MIDI line on a UART: 31250 baud (a rate only the kernel's termios2 interface can
// set), 8N1, raw, modem lines ignored, claimed exclusively. Kept in a file of its own:
// the kernel's termios2 header and the C library's <termios.h> cannot be included together.

namespace midi_serial {

constexpr int kMidiBaud = 31250;

// 0 done; -3 the line settings were refused; -4 exclusive mode was refused. Prints
// "Error IOCTL" on either failure.
int ConfigureLine(int fd);

}  // namespace midi_serial
