#pragma once
// The flasher's own CAN device: one raw socket on "can0" that the caller polls, one frame
// at a time with a 1 ms receive time-out; no thread, no callback. The socket calls go
// through platform::CanSocketOps, so the same device runs on SocketCAN, the virtual bus or
// an in-memory bus.
#include <linux/can.h>

#include <cstdint>

#include "platform/CanSocketOps.h"

namespace flasher {

class CCANDev {
 public:
  explicit CCANDev(platform::CanSocketOps& sockets = platform::CanSockets());
  virtual ~CCANDev();
  CCANDev(const CCANDev&) = delete;
  CCANDev& operator=(const CCANDev&) = delete;

  // Opens "can0" whatever the name: 0, or -2 (socket, time-out option), -3 (interface
  // lookup), -4 (bind), each failure printed through perror.
  int32_t Open(const char* pcDeviceName);
  // One frame with the 11-bit `id` and `len` (0 to 8) bytes of `data`; other lengths send
  // nothing.
  void SendRAW(uint16_t id, const uint8_t* data, int len);
  // Reads at most one frame: 16 when a whole frame arrived, else 0 (time-out, error, or a
  // short record, which leaves `frame` zeroed rather than half old).
  int Receive(can_frame* frame);
  virtual void Close();

  bool IsOpen() const { return m_fRun; }

 protected:
  platform::CanSocketOps& sockets_;
  bool m_fRun = false;
  int m_can_sock = -1;
};

}  // namespace flasher
