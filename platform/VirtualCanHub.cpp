#include "platform/VirtualCanHub.h"

#include <fcntl.h>
#include <linux/can.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

namespace platform {

VirtualCanHub::VirtualCanHub(std::string socketPath) : path_(std::move(socketPath)) {}

VirtualCanHub::~VirtualCanHub() { Stop(); }

int VirtualCanHub::Listen() {
  if (listenFd_ >= 0) return 0;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path_.empty() || path_.size() >= sizeof addr.sun_path) return -ENAMETOOLONG;
  std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
  if (::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) < 0) return -errno;
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return -errno;
  // A hub that was killed leaves its socket file behind; anything else at the path stays.
  struct stat st{};
  if (::lstat(path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(path_.c_str());
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) < 0 || ::listen(fd, 16) < 0) {
    const int saved = errno;
    ::close(fd);
    return -saved;
  }
  listenFd_ = fd;
  stop_.store(false);
  return 0;
}

int VirtualCanHub::Start() {
  if (thread_.joinable()) return 0;
  const int result = Listen();
  if (result != 0) return result;
  thread_ = std::thread([this] { Run(); });
  return 0;
}

void VirtualCanHub::RequestStop() {
  stop_.store(true);
  if (wakeFds_[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFds_[1], &byte, 1);
  }
}

void VirtualCanHub::Stop() {
  RequestStop();
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    ::unlink(path_.c_str());
  }
  for (int& fd : wakeFds_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

std::size_t VirtualCanHub::MemberCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return members_;
}

bool VirtualCanHub::WaitForMemberCount(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return members_ == count; });
}

void VirtualCanHub::SetMembers(std::size_t count) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    members_ = count;
  }
  changed_.notify_all();
}

namespace {

// A member that is slow to read (a busy machine) keeps what it has not read yet, as a SocketCAN
// socket's receive queue does; the kernel's own queue between the hub and a member holds only
// a couple of hundred datagrams, which one burst of a starting instrument outruns.
constexpr std::size_t kMemberQueueFrames = 4096;

struct Datagram {
  unsigned char bytes[sizeof(can_frame)];
  std::size_t size;
};

// Hands the member what is queued for it, oldest first, as far as its socket takes it.
void Flush(pollfd& member, std::deque<Datagram>& queue) {
  while (!queue.empty()) {
    const Datagram& d = queue.front();
    const bool refused = ::send(member.fd, d.bytes, d.size, MSG_DONTWAIT | MSG_NOSIGNAL) < 0;
    if (refused && (errno == EAGAIN || errno == EINTR)) break;
    queue.pop_front();  // sent, or refused for good (the hang-up is seen on the next poll)
  }
  member.events = static_cast<short>(queue.empty() ? POLLIN : POLLIN | POLLOUT);
}

}  // namespace

void VirtualCanHub::Run() {
  if (listenFd_ < 0) return;
  // pollfd 0 is the wake-up pipe, 1 the listening socket, the rest are members; queues[i]
  // holds what member i has yet to be handed.
  std::vector<pollfd> fds{{wakeFds_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
  std::vector<std::deque<Datagram>> queues(2);
  constexpr std::size_t kFirstMember = 2;
  // One byte more than a frame, so an oversized datagram shows as such and is dropped.
  unsigned char datagram[sizeof(can_frame) + 1];

  while (!stop_.load()) {
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents) {
      char drain[16];
      while (::read(wakeFds_[0], drain, sizeof drain) > 0) {
      }
    }
    for (std::size_t i = kFirstMember; i < fds.size(); ++i)
      if (fds[i].revents & POLLOUT) Flush(fds[i], queues[i]);
    for (std::size_t i = kFirstMember; i < fds.size();) {
      const short events = fds[i].revents;
      bool gone = (events & (POLLHUP | POLLERR | POLLNVAL)) != 0;
      if (events & POLLIN) {
        const ssize_t n = ::recv(fds[i].fd, datagram, sizeof datagram, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
          gone = true;
        } else if (n > 0 && static_cast<std::size_t>(n) <= sizeof(can_frame)) {
          gone = false;  // a member may write and hang up at once; its last frame still counts
          Datagram d{};
          std::memcpy(d.bytes, datagram, static_cast<std::size_t>(n));
          d.size = static_cast<std::size_t>(n);
          for (std::size_t j = kFirstMember; j < fds.size(); ++j) {
            if (j == i || queues[j].size() >= kMemberQueueFrames) continue;
            queues[j].push_back(d);
            Flush(fds[j], queues[j]);
          }
          relayed_.fetch_add(1, std::memory_order_relaxed);
          ++i;
          continue;  // a hang-up is seen again on the next pass, after the rest is read
        }
      }
      if (gone) {
        ::close(fds[i].fd);
        fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
        queues.erase(queues.begin() + static_cast<std::ptrdiff_t>(i));
        SetMembers(fds.size() - kFirstMember);
        continue;
      }
      ++i;
    }
    if (fds[1].revents & POLLIN) {
      const int member = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (member >= 0) {
        fds.push_back({member, POLLIN, 0});
        queues.emplace_back();
        SetMembers(fds.size() - kFirstMember);
      }
    }
    for (pollfd& p : fds) p.revents = 0;
  }
  for (std::size_t i = kFirstMember; i < fds.size(); ++i) ::close(fds[i].fd);
  SetMembers(0);
}

}  // namespace platform
