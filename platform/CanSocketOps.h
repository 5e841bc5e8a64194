#pragma once
// The calls a CAN device makes on its raw socket, behind one seam: the real SocketCAN
// socket on the board, the virtual bus (VirtualCanOps) on a PC and in end-to-end tests, and
// in-memory buses in unit tests. Every call returns what the system call would (-1 with
// errno on failure), so the devices print the system's error texts through perror whichever
// implementation they run on. A frame is read and written as one whole `struct can_frame`.
#include <linux/can.h>
#include <sys/socket.h>
#include <sys/types.h>

namespace platform {

class CanSocketOps {
 public:
  virtual ~CanSocketOps() = default;

  // A raw CAN socket (PF_CAN, SOCK_RAW, CAN_RAW).
  virtual int Socket() = 0;
  virtual int SetSockOpt(int fd, int level, int name, const void* value, socklen_t length) = 0;
  // The interface index of `name` (SIOCGIFINDEX); names longer than 15 characters are cut.
  virtual int InterfaceIndex(int fd, const char* name) = 0;
  // Binds the socket to the interface (an AF_CAN address with that index).
  virtual int Bind(int fd, int ifindex) = 0;
  virtual ssize_t Read(int fd, void* buffer, size_t size) = 0;
  virtual ssize_t Write(int fd, const void* buffer, size_t size) = 0;
  virtual int Close(int fd) = 0;
  // Ends a Read blocked on fd in another thread so that thread can be joined. A SocketCAN
  // raw socket cannot be shut down (the call fails and changes nothing); readers that must
  // stop promptly there also set a receive time-out.
  virtual int Shutdown(int fd);
  // A write that never waits: -1 with EAGAIN (or ENOBUFS) when the frame cannot go at once.
  // Senders on the audio thread use it, so a bus that stops reading costs frames, never a
  // period. Implementations whose writes cannot wait may keep this default (Write).
  virtual ssize_t TryWrite(int fd, const void* buffer, size_t size);
  // Waits up to `timeoutMs` for something to read (poll): above 0 ready, 0 nothing came,
  // -1 with errno. A receive time-out cannot wait this short: it rounds up to the tick.
  virtual int Poll(int fd, int timeoutMs);
};

// Linux SocketCAN.
class SocketCanOps final : public CanSocketOps {
 public:
  int Socket() override;
  int SetSockOpt(int fd, int level, int name, const void* value, socklen_t length) override;
  int InterfaceIndex(int fd, const char* name) override;
  int Bind(int fd, int ifindex) override;
  ssize_t Read(int fd, void* buffer, size_t size) override;
  ssize_t Write(int fd, const void* buffer, size_t size) override;
  int Close(int fd) override;
  ssize_t TryWrite(int fd, const void* buffer, size_t size) override;
};

// The implementation this process's CAN devices use unless they are given one: SocketCAN,
// until the start-up of a simulator picks another. `ops` must outlive every device;
// nullptr restores SocketCAN.
CanSocketOps& CanSockets();
void SetCanSockets(CanSocketOps* ops);

}  // namespace platform
