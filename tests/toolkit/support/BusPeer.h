#pragma once
// A virtual CAN bus "can0" under a temporary data root, with one plain member connection (a
// panel board, as the tests see it) whose reads give up after a generous time-out, so a
// missing frame fails the test instead of hanging it.
#include <linux/can.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/VirtualCanHub.h"
#include "platform/VirtualCanOps.h"
#include "tests/support/TestPaths.h"

namespace toolkit_test {

struct BusFrame {
  uint32_t id = 0;
  std::vector<uint8_t> data;
  bool operator==(const BusFrame&) const = default;
};

// A CAN device's receive thread is pinned to CPU 0; a cpuset without it refuses the thread.
inline bool Cpu0Available() {
  cpu_set_t allowed;
  return sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_ISSET(0, &allowed);
}

inline can_frame MakeFrame(uint32_t id, const std::vector<uint8_t>& bytes) {
  can_frame f{};
  f.can_id = id;
  f.can_dlc = static_cast<uint8_t>(bytes.size());
  if (!bytes.empty()) std::memcpy(f.data, bytes.data(), bytes.size() < 8 ? bytes.size() : 8);
  return f;
}

class BusPeer {
 public:
  BusPeer() : hub_(platform::VirtualCanOps::HubPath(root_.Root(), "can0")), sockets_(root_.Root()) {
    started_ = hub_.Start() == 0;
    fd_ = platform::VirtualCanOps::Connect(hub_.Path());
    const timeval timeout{2, 0};
    if (fd_ >= 0) setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  }
  ~BusPeer() {
    if (fd_ >= 0) close(fd_);
  }
  BusPeer(const BusPeer&) = delete;
  BusPeer& operator=(const BusPeer&) = delete;

  bool Ready() const { return started_ && fd_ >= 0; }
  platform::VirtualCanOps& Sockets() { return sockets_; }
  platform::VirtualCanHub& Hub() { return hub_; }
  const testing_support::TempDataRoot& Root() const { return root_; }

  // The next frame on the bus, its data cut to its length; id ~0u when none came.
  BusFrame Next() {
    can_frame f{};
    if (read(fd_, &f, sizeof f) != static_cast<ssize_t>(sizeof f)) return {~0u, {}};
    return {f.can_id, std::vector<uint8_t>(f.data, f.data + (f.can_dlc > 8 ? 8 : f.can_dlc))};
  }
  bool NothingWaiting() {
    can_frame f{};
    return recv(fd_, &f, sizeof f, MSG_DONTWAIT) < 0 && errno == EAGAIN;
  }
  bool Write(const can_frame& f) { return write(fd_, &f, sizeof f) == static_cast<ssize_t>(sizeof f); }

 private:
  testing_support::TempDataRoot root_;
  platform::VirtualCanHub hub_;
  platform::VirtualCanOps sockets_;
  bool started_ = false;
  int fd_ = -1;
};

}  // namespace toolkit_test
