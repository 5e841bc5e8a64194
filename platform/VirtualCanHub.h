#pragma once
// The hub of a virtual CAN bus: it listens on an AF_UNIX SOCK_SEQPACKET socket and hands
// every frame a member writes to every other member, as a CAN controller delivers a frame to
// every node but the sender. Each member has a queue of a few thousand frames; like a SocketCAN
// socket whose receive queue is full, a member that does not read loses frames once its queue
// is full instead of stalling the bus. Runs as a thread (tests) or in the caller's thread (the
// ruv-canhub tool).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

class VirtualCanHub {
 public:
  explicit VirtualCanHub(std::string socketPath);
  ~VirtualCanHub();
  VirtualCanHub(const VirtualCanHub&) = delete;
  VirtualCanHub& operator=(const VirtualCanHub&) = delete;

  // Creates the listening socket (replacing a stale socket file at the path). 0, or -errno.
  int Listen();
  // Listen, then serve on a thread of its own. 0, or -errno.
  int Start();
  // Serves in the caller's thread until RequestStop; call after Listen.
  void Run();
  // Safe from a signal handler.
  void RequestStop();
  // Ends the thread, disconnects every member and removes the socket file.
  void Stop();

  const std::string& Path() const { return path_; }
  std::size_t MemberCount() const;
  // Waits until exactly `count` members are connected.
  bool WaitForMemberCount(std::size_t count, std::chrono::milliseconds timeout);
  // Frames handed on, counted once per frame written by a member.
  std::size_t FramesRelayed() const { return relayed_.load(std::memory_order_relaxed); }

 private:
  void SetMembers(std::size_t count);

  std::string path_;
  int listenFd_ = -1;
  int wakeFds_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> relayed_{0};
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t members_ = 0;
};

}  // namespace platform
