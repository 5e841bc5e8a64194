#include "platform/VirtualCanOps.h"

#include <fcntl.h>
#include <net/if.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

bool FillAddress(const std::string& path, sockaddr_un& addr) {
  addr = sockaddr_un{};
  addr.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr.sun_path) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

VirtualCanOps::VirtualCanOps(std::string directory) : directory_(std::move(directory)) {}

std::string VirtualCanOps::HubPath(const std::string& directory, const std::string& name) {
  return directory + "/" + name;
}

int VirtualCanOps::Connect(const std::string& hubPath) {
  sockaddr_un addr;
  if (!FillAddress(hubPath, addr)) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) < 0) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

// A CAN controller sends at the bus's pace whatever the processor does, while the hub is a
// process a busy machine may keep waiting: the connection's default room (a couple of hundred
// frames) would refuse part of one burst of a starting instrument (some 700 frames) before the
// hub is scheduled again. More room, as far as the system allows, keeps the frames; a hub that
// stops reading still costs frames once it is full, never a wait.
int VirtualCanOps::Socket() {
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd >= 0) {
    const int room = 1 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
  }
  return fd;
}

int VirtualCanOps::SetSockOpt(int fd, int level, int name, const void* value, socklen_t length) {
  if (level == SOL_SOCKET) return ::setsockopt(fd, level, name, value, length);
  return 0;  // CAN_RAW options: the hub delivers every frame
}

int VirtualCanOps::InterfaceIndex(int fd, const char* name) {
  std::string ifname(name ? name : "");
  if (ifname.size() > IFNAMSIZ - 1) ifname.resize(IFNAMSIZ - 1);
  struct stat st{};
  // A name that could leave the directory names no interface.
  const bool plain = !ifname.empty() && ifname != "." && ifname != ".." && ifname.find('/') == std::string::npos;
  if (::fcntl(fd, F_GETFD) < 0) return -1;  // EBADF, as the ioctl would give
  if (!plain || ::stat(HubPath(directory_, ifname).c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
    errno = ENODEV;
    return -1;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t i = 0; i < interfaces_.size(); ++i)
    if (interfaces_[i] == ifname) return static_cast<int>(i + 1);
  interfaces_.push_back(ifname);
  return static_cast<int>(interfaces_.size());
}

int VirtualCanOps::Bind(int fd, int ifindex) {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ifindex < 1 || static_cast<std::size_t>(ifindex) > interfaces_.size()) {
      errno = ENODEV;
      return -1;
    }
    path = HubPath(directory_, interfaces_[ifindex - 1]);
  }
  sockaddr_un addr;
  if (!FillAddress(path, addr)) return -1;
  return ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
}

ssize_t VirtualCanOps::Read(int fd, void* buffer, size_t size) { return ::read(fd, buffer, size); }

// A hub that went away must fail the write, not kill the process with SIGPIPE.
ssize_t VirtualCanOps::Write(int fd, const void* buffer, size_t size) {
  return ::send(fd, buffer, size, MSG_NOSIGNAL);
}

int VirtualCanOps::Close(int fd) { return ::close(fd); }

ssize_t VirtualCanOps::TryWrite(int fd, const void* buffer, size_t size) {
  return ::send(fd, buffer, size, MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace platform
