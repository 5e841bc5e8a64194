#include "midi/MidiSerialLine.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "platform/LogSink.h"

namespace midi_serial {

int ConfigureLine(int fd) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) < 0) {
    platform::LogWrite("Error IOCTL\n");
    return -3;
  }
  tio.c_iflag = IGNBRK;
  tio.c_oflag = 0;
  tio.c_cflag &= ~(CBAUD | CBAUDEX | PARENB | PARODD | CSTOPB);
  tio.c_cflag |= BOTHER | CLOCAL | CREAD | CS8;
  tio.c_lflag &= ~(ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | IEXTEN);
  tio.c_ispeed = kMidiBaud;
  tio.c_ospeed = kMidiBaud;
  if (ioctl(fd, TCSETS2, &tio) < 0) {
    platform::LogWrite("Error IOCTL\n");
    return -3;
  }
  if (ioctl(fd, TIOCEXCL) < 0) {
    platform::LogWrite("Error IOCTL\n");
    return -4;
  }
  return 0;
}

}  // namespace midi_serial
