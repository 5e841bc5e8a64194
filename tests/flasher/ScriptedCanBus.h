#pragma once
// An in-memory CAN bus for the flasher's unit tests, with no real time in it: every frame
// the device writes is logged and shown to a responder, which scripts what the following
// reads return. A read with nothing scripted is a poll that timed out, and returns at once,
// so budgets of thousands of polls are counted exactly in microseconds.
#include <linux/can.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/CanSocketOps.h"

namespace flasher_test {

inline can_frame Frame(canid_t id, std::vector<uint8_t> bytes) {
  can_frame f{};
  f.can_id = id;
  f.can_dlc = static_cast<uint8_t>(bytes.size());
  if (!bytes.empty()) std::memcpy(f.data, bytes.data(), bytes.size());
  return f;
}

class ScriptedCanBus final : public platform::CanSocketOps {
 public:
  static constexpr int kFd = 7;
  enum class Step { none, socket, timeout, ifindex, bind };

  // Frames written by the device, in order.
  std::vector<can_frame> sent;
  // Called for every frame written; usually scripts the answer.
  std::function<void(const can_frame&)> onSend;
  // Returned by reads while nothing is scripted (a flood), when set.
  std::optional<can_frame> background;
  // Makes one step of Open fail with `failErrno`.
  Step failAt = Step::none;
  int failErrno = 0;
  // What the device asked for and closed.
  std::string interfaceAsked;
  std::vector<int> closed;
  int reads = 0;
  std::vector<int> pollTimeouts;

  // Forgets what is still scripted (replies a failed wait left unread).
  void ClearScript() { script_.clear(); }
  void Quiet(int polls) { script_.insert(script_.end(), polls, Entry{0, {}}); }
  void Push(const can_frame& f, int length = sizeof(can_frame)) { script_.push_back(Entry{length, f}); }

  int Socket() override { return Fail(Step::socket) ? -1 : kFd; }
  int SetSockOpt(int, int level, int name, const void*, socklen_t) override {
    return level == SOL_SOCKET && name == SO_RCVTIMEO && Fail(Step::timeout) ? -1 : 0;
  }
  int InterfaceIndex(int, const char* name) override {
    interfaceAsked = name;
    return Fail(Step::ifindex) ? -1 : 1;
  }
  int Bind(int, int) override { return Fail(Step::bind) ? -1 : 0; }
  // Always ready: the read that follows decides whether the poll was quiet.
  int Poll(int, int timeoutMs) override {
    pollTimeouts.push_back(timeoutMs);
    return 1;
  }
  ssize_t Read(int fd, void* buffer, size_t size) override {
    ++reads;
    if (fd != kFd) return Error(EBADF);
    if (script_.empty()) {
      if (!background) return Error(EAGAIN);
      std::memcpy(buffer, &*background, size < sizeof(can_frame) ? size : sizeof(can_frame));
      return sizeof(can_frame);
    }
    const Entry e = script_.front();
    script_.pop_front();
    if (e.length == 0) return Error(EAGAIN);
    const size_t n = static_cast<size_t>(e.length) < size ? static_cast<size_t>(e.length) : size;
    std::memcpy(buffer, &e.frame, n);
    return static_cast<ssize_t>(n);
  }
  ssize_t Write(int fd, const void* buffer, size_t size) override {
    if (fd != kFd) return Error(EBADF);
    if (size != sizeof(can_frame)) return Error(EINVAL);
    can_frame f;
    std::memcpy(&f, buffer, sizeof f);
    sent.push_back(f);
    if (onSend) onSend(f);
    return static_cast<ssize_t>(size);
  }
  int Close(int fd) override {
    closed.push_back(fd);
    return 0;
  }

 private:
  struct Entry {
    int length;  // 0: a poll that times out
    can_frame frame;
  };
  bool Fail(Step step) {
    if (failAt != step) return false;
    errno = failErrno;
    return true;
  }
  static ssize_t Error(int e) {
    errno = e;
    return -1;
  }
  std::deque<Entry> script_;
};

}  // namespace flasher_test
