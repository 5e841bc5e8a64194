#pragma once
// What the host-link tests share: packets built the way the host builds them (CRC from
// Python's zlib in the tests that check it), a blocking loopback client with time-outs, and
// a recorder standing in for the application behind the link.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "app/host/HostServices.h"
#include "midi/TrackServices.h"
#include "platform/Crc32.h"

namespace host_test {

using Bytes = std::vector<uint8_t>;

inline void Put32(Bytes& b, std::size_t at, uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  std::memcpy(b.data() + at, &v, 4);
}
inline void PutF(Bytes& b, std::size_t at, float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  Put32(b, at, u);
}
inline uint32_t Get32(const Bytes& b, std::size_t at) {
  uint32_t v = 0;
  if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
  return v;
}
inline uint16_t Get16(const Bytes& b, std::size_t at) {
  uint16_t v = 0;
  if (at + 2 <= b.size()) std::memcpy(&v, b.data() + at, 2);
  return v;
}
inline std::string GetText(const Bytes& b, std::size_t at, std::size_t max = 32) {
  std::string s;
  for (std::size_t i = at; i < at + max && i < b.size() && b[i]; ++i) s += static_cast<char>(b[i]);
  return s;
}

// A payload of 32-bit words.
inline Bytes Words(std::initializer_list<uint32_t> words) {
  Bytes b;
  for (uint32_t w : words) Put32(b, b.size(), w);
  return b;
}
inline Bytes Value(uint32_t type, int a, int b, int c, float v) {
  Bytes p = Words({type, static_cast<uint32_t>(a), static_cast<uint32_t>(b), static_cast<uint32_t>(c)});
  PutF(p, 16, v);
  return p;
}
inline Bytes Property(int kind, int track, int clip, int id, float v) {
  Bytes p = Words({6, static_cast<uint32_t>(kind), static_cast<uint32_t>(track), static_cast<uint32_t>(clip),
                   static_cast<uint32_t>(id)});
  PutF(p, 20, v);
  return p;
}
inline Bytes Command(int kind, int cmd, int track, int clip, const std::string& text) {
  Bytes p = Words({15, static_cast<uint32_t>(kind), static_cast<uint32_t>(cmd), static_cast<uint32_t>(track),
                   static_cast<uint32_t>(clip)});
  p.insert(p.end(), text.begin(), text.end());
  p.push_back(0);
  return p;
}
// Records 9, 10, 11: the header and `count`, then `items` as given.
inline Bytes Record(uint32_t type, int track, int clip, uint32_t count, const Bytes& items) {
  Bytes p(48 + items.size(), 0);
  Put32(p, 0, type);
  Put32(p, 36, static_cast<uint32_t>(track));
  Put32(p, 40, static_cast<uint32_t>(clip));
  Put32(p, 44, count);
  if (!items.empty()) std::memcpy(p.data() + 48, items.data(), items.size());
  return p;
}

inline Bytes Frame(const Bytes& payload, std::optional<uint32_t> crc = {}, uint32_t magic = 0xAA551122u,
                   std::optional<uint32_t> length = {}) {
  Bytes f;
  Put32(f, 0, length ? *length : static_cast<uint32_t>(payload.size()));
  Put32(f, 4, magic);
  Put32(f, 8, crc ? *crc : platform::crc32(0, payload.data(), static_cast<uint32_t>(payload.size())));
  f.insert(f.end(), payload.begin(), payload.end());
  return f;
}

// A host on the loopback interface. Reads wait at most `timeoutMs`.
class Client {
 public:
  explicit Client(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~Client() { Close(); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool Connected() const { return connected_; }
  int Fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  bool Write(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  bool SendPacket(const Bytes& payload) { return Write(Frame(payload)); }

  // Exactly `n` bytes; false on a time-out or the end of the stream.
  bool ReadExactly(uint8_t* to, std::size_t n, int timeoutMs = 5000) {
    std::size_t done = 0;
    while (done < n) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) return false;
      const ssize_t r = recv(fd_, to + done, n - done, 0);
      if (r <= 0) return false;
      done += static_cast<std::size_t>(r);
    }
    return true;
  }
  // The next packet's payload, its header checked (magic and CRC); nothing on a time-out,
  // the end of the stream or a bad header.
  std::optional<Bytes> ReadPacket(int timeoutMs = 5000) {
    uint8_t header[12];
    if (!ReadExactly(header, 12, timeoutMs)) return std::nullopt;
    uint32_t words[3];
    std::memcpy(words, header, 12);
    if (words[1] != 0xAA551122u || words[0] > 0x800000u) return std::nullopt;
    Bytes payload(words[0]);
    if (!ReadExactly(payload.data(), payload.size(), timeoutMs)) return std::nullopt;
    if (platform::crc32(0, payload.data(), words[0]) != words[2]) return std::nullopt;
    return payload;
  }
  // True when the server closes the connection within the time-out (bytes before the end
  // are skipped).
  bool ClosedByServer(int timeoutMs = 5000) {
    uint8_t sink[4096];
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) return false;
      const ssize_t r = recv(fd_, sink, sizeof sink, 0);
      if (r <= 0) return true;
    }
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

// The clip launcher's tracks and the application behind the link where what they are told
// does not matter, only what it costs.
using NullTracks = SilentTrackServices;

class NullHost : public HostServices {
 public:
  explicit NullHost(CClipCore* core) : core_(core) {}
  void SetHostLink(HostUIManager*) override {}
  CClipCore* ClipLauncher() override { return core_; }
  void SendMessage(tagUX_Message&) override {}
  void TriggerDrum(int, int) override {}

 private:
  CClipCore* core_;
};

// The application behind the link: messages to the page and drum notes as short texts
// ("273 0x42234 4 0.5", "281 3 -1", "drum 36 100").
class FakeHost : public HostServices {
 public:
  explicit FakeHost(CClipCore* core) : core_(core) {}

  void SetHostLink(HostUIManager* link) override { this->link = link; }
  CClipCore* ClipLauncher() override { return core_; }
  void SendMessage(tagUX_Message& msg) override {
    char text[96];
    if (msg.type == 273) {
      float v;
      std::memcpy(&v, msg.pData, 4);
      std::snprintf(text, sizeof text, "273 0x%X %d %g", msg.param, static_cast<int>(msg.flag), v);
    } else {
      std::snprintf(text, sizeof text, "%u %d %d", msg.type, static_cast<int>(msg.param), static_cast<int>(msg.flag));
    }
    Add(text);
  }
  void TriggerDrum(int note, int velocity) override { Add("drum " + std::to_string(note) + " " + std::to_string(velocity)); }

  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(calls_, {});
  }
  // Waits until `n` calls were recorded (or the time-out) and takes them.
  std::vector<std::string> TakeAfter(std::size_t n, int timeoutMs = 5000) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return calls_.size() >= n; });
    return std::exchange(calls_, {});
  }

  HostUIManager* link = nullptr;

 private:
  void Add(const std::string& s) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      calls_.push_back(s);
    }
    cv_.notify_all();
  }
  CClipCore* core_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::string> calls_;
};

}  // namespace host_test
