#pragma once
// The CAN socket of a PC: instead of a SocketCAN interface, a member connection to the hub
// of a virtual bus (VirtualCanHub). The hub of interface "can0" listens at
// "<directory>/can0"; an interface whose hub is not running does not exist (ENODEV, as for
// a missing SocketCAN interface). Frames are whole 16-byte `struct can_frame` datagrams on
// an AF_UNIX SOCK_SEQPACKET connection, and the receive time-out works as on SocketCAN.
// Filters are accepted and not applied: a member receives every frame of the other members.
#include <mutex>
#include <string>
#include <vector>

#include "platform/CanSocketOps.h"

namespace platform {

class VirtualCanOps final : public CanSocketOps {
 public:
  explicit VirtualCanOps(std::string directory);

  // Where the hub of interface `name` listens.
  static std::string HubPath(const std::string& directory, const std::string& name);
  // A member connection to the hub at `hubPath` for peers that need no device around it
  // (simulated boards, tests); -1 with errno when there is no hub.
  static int Connect(const std::string& hubPath);

  int Socket() override;
  int SetSockOpt(int fd, int level, int name, const void* value, socklen_t length) override;
  int InterfaceIndex(int fd, const char* name) override;
  int Bind(int fd, int ifindex) override;
  ssize_t Read(int fd, void* buffer, size_t size) override;
  ssize_t Write(int fd, const void* buffer, size_t size) override;
  int Close(int fd) override;
  ssize_t TryWrite(int fd, const void* buffer, size_t size) override;

 private:
  std::string directory_;
  std::mutex mutex_;
  std::vector<std::string> interfaces_;  // interface index i + 1
};

}  // namespace platform
