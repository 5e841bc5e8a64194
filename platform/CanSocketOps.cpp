#include "platform/CanSocketOps.h"

#include <linux/can/raw.h>
#include <net/if.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace platform {

int SocketCanOps::Socket() { return ::socket(PF_CAN, SOCK_RAW, CAN_RAW); }

int SocketCanOps::SetSockOpt(int fd, int level, int name, const void* value, socklen_t length) {
  return ::setsockopt(fd, level, name, value, length);
}

int SocketCanOps::InterfaceIndex(int fd, const char* name) {
  ifreq ifr{};
  std::strncpy(ifr.ifr_name, name ? name : "", IFNAMSIZ - 1);
  if (::ioctl(fd, SIOCGIFINDEX, &ifr) < 0) return -1;
  return ifr.ifr_ifindex;
}

int SocketCanOps::Bind(int fd, int ifindex) {
  sockaddr_can addr{};
  addr.can_family = AF_CAN;
  addr.can_ifindex = ifindex;
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
}

ssize_t SocketCanOps::Read(int fd, void* buffer, size_t size) { return ::read(fd, buffer, size); }

ssize_t SocketCanOps::Write(int fd, const void* buffer, size_t size) { return ::write(fd, buffer, size); }

int SocketCanOps::Close(int fd) { return ::close(fd); }

int CanSocketOps::Shutdown(int fd) { return ::shutdown(fd, SHUT_RDWR); }

ssize_t CanSocketOps::TryWrite(int fd, const void* buffer, size_t size) { return Write(fd, buffer, size); }

int CanSocketOps::Poll(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs);
}

ssize_t SocketCanOps::TryWrite(int fd, const void* buffer, size_t size) {
  return ::send(fd, buffer, size, MSG_DONTWAIT);
}

namespace {
SocketCanOps g_socketCan;
std::atomic<CanSocketOps*> g_current{&g_socketCan};
}  // namespace

CanSocketOps& CanSockets() { return *g_current.load(std::memory_order_acquire); }

void SetCanSockets(CanSocketOps* ops) {
  g_current.store(ops ? ops : &g_socketCan, std::memory_order_release);
}

}  // namespace platform
