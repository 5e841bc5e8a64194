#pragma once
// The flasher's whole program: one operation on one panel board, chosen by the command
// line, with the first failure as the exit status. The programs call it with the process's
// CAN sockets (SocketCAN in `tarrow`, the virtual bus in `tarrow-sim`) and exit with its
// result.
#include "platform/CanSocketOps.h"

namespace flasher {

enum eOperation {
  none = 0,
  query_bootloader_version = 1,
  query_firmware_version = 2,
  flash_firmeware = 3,
};

// argv as main gets it (argv[0] is the program). Returns 0 or -1 .. -8.
int RunTarrow(int argc, const char* const* argv, platform::CanSocketOps& sockets);

}  // namespace flasher
