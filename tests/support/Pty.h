#pragma once
// A kernel pseudo-terminal for the tests of the serial and USB MIDI ports: the slave stands
// where the UART or the USB device would be, the test plays the other end on the master.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace testing_support {

class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) slave_ = ptsname(master_);
  }
  ~Pty() {
    if (master_ >= 0) close(master_);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  int master() const { return master_; }
  // Hangs up the line: the cable's far end goes away.
  void Close() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }
  const std::string& slave() const { return slave_; }

  // The settings of the slave's line, read through the master.
  termios2 Line() const {
    termios2 t{};
    ioctl(master_, TCGETS2, &t);
    return t;
  }
  // A raw line without touching the speed, for a port the device opens unconfigured (USB).
  void MakeRaw() const {
    termios2 t = Line();
    t.c_iflag = 0;
    t.c_oflag = 0;
    t.c_lflag = 0;
    ioctl(master_, TCSETS2, &t);
  }

  void Send(const std::vector<uint8_t>& bytes) const {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Reads exactly `count` bytes, waiting at most `timeout` in all.
  std::vector<uint8_t> Receive(std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) const {
    std::vector<uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd pfd{master_, POLLIN, 0};
      if (poll(&pfd, 1, 20) <= 0) continue;
      uint8_t buf[256];
      const ssize_t n = read(master_, buf, std::min(sizeof buf, count - got.size()));
      if (n > 0) got.insert(got.end(), buf, buf + n);
    }
    return got;
  }
  // Everything that arrives until the line has been quiet for 50 ms.
  std::vector<uint8_t> Drain() const {
    std::vector<uint8_t> got;
    pollfd pfd{master_, POLLIN, 0};
    while (poll(&pfd, 1, 50) > 0) {
      uint8_t buf[256];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) break;
      got.insert(got.end(), buf, buf + n);
    }
    return got;
  }
  // True when nothing more arrives within a short while (bytes that should not exist).
  bool Quiet() const {
    pollfd pfd{master_, POLLIN, 0};
    return poll(&pfd, 1, 50) == 0;
  }

 private:
  int master_ = -1;
  std::string slave_;
};

}  // namespace testing_support
