#include "tools/flasher/sim/SimBoardRunner.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "platform/VirtualCanOps.h"

namespace flasher_sim {
namespace {
// A flood stops by itself after this many frames, so a host that never reads cannot keep
// the thread busy for good.
constexpr int kFloodLimit = 200000;
constexpr int kPollMs = 20;
}  // namespace

bool SimBoardRunner::Start(const std::string& hubPath) {
  if (thread_.joinable()) return true;
  fd_ = platform::VirtualCanOps::Connect(hubPath);
  if (fd_ < 0) return false;
  stop_.store(false);
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void SimBoardRunner::Stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void SimBoardRunner::WithBoard(const std::function<void(SimBootloaderBoard&)>& fn) {
  std::lock_guard<std::mutex> lock(mutex_);
  fn(board_);
}

bool SimBoardRunner::WaitUntil(const std::function<bool(const SimBootloaderBoard&)>& done,
                               std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(board_); });
}

void SimBoardRunner::Serve() {
  std::vector<can_frame> out;
  int flooding = 0;
  can_frame noise{};
  noise.can_id = 0x123;
  noise.can_dlc = 1;
  while (!stop_.load()) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, flooding > 0 ? 0 : kPollMs);
    if (ready < 0) continue;
    if (ready == 0) {
      if (flooding > 0) {
        --flooding;
        ::send(fd_, &noise, sizeof noise, MSG_NOSIGNAL);
      }
      continue;
    }
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) break;
    can_frame in{};
    if (::recv(fd_, &in, sizeof in, 0) != static_cast<ssize_t>(sizeof in)) continue;
    out.clear();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      board_.OnFrame(in, out);
      flooding = flood_.load() && board_.Swallowed() ? kFloodLimit : 0;
    }
    changed_.notify_all();
    for (const can_frame& f : out) ::send(fd_, &f, sizeof f, MSG_NOSIGNAL);
  }
}

}  // namespace flasher_sim
