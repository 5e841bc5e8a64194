#include "app/host/TCPCommServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/Crc32.h"
#include "platform/LogSink.h"
#include "platform/RtThread.h"

namespace {

uint32_t Le32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// A failed accept is retried after this pause rather than in a tight loop.
constexpr int kAcceptRetryMs = 100;

int64_t NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

}  // namespace

class TCPCommServer::SocketSource : public TCPCommServer::ByteSource {
 public:
  explicit SocketSource(int fd) : fd_(fd) {}
  long Read(uint8_t* to, uint32_t max) override { return recv(fd_, to, max, 0); }

 private:
  int fd_;
};

TCPCommServer::TCPCommServer() = default;

TCPCommServer::~TCPCommServer() {
  Stop();
  FreeHeap();
}

void TCPCommServer::Start(int port) {
  port_ = port;
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) {
    platform::LogPrintf("[TCPComm] ERROR:cannot create socket");
    conn_ = kError;
    return;
  }
  const int on = 1;
  if (setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) < 0) {
    platform::LogPrintf("[TCPComm] ERROR: setsockopt SO_REUSEPORT failed for server socket ");
    conn_ = kError;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = listenAddress_;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0) {
    platform::LogPrintf("[TCPComm] ERROR: bind failed");
    close(listenFd_);
    listenFd_ = -1;
    return;
  }
  // Listening from here on, so a client that connects before the server thread runs waits
  // in the backlog instead of being refused; the thread's own listen changes nothing.
  listen(listenFd_, kBacklog);
  socklen_t len = sizeof addr;
  if (getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    boundPort_ = ntohs(addr.sin_port);
  wakeFd_ = eventfd(0, EFD_CLOEXEC);
  running_ = true;
  conn_ = kListen;
  const platform::ThreadStart started =
      platform::StartThread(thread_, platform::ThreadConfig{"TCPComm", SCHED_OTHER, 0, -1}, ThreadMain, this);
  if (started.attrInitFailed) platform::LogPrintf("[TCPComm] ERROR: Couldn't init thread attr");
  if (!started.started) {
    platform::LogPrintf("[TCPComm] ERROR: [%d] Couldn't create thread\n", started.createError);
    running_ = false;
    return;
  }
  threadStarted_ = true;
  {
    std::lock_guard<platform::PiMutex> lock(queueMutex_);
    senderStop_ = false;
  }
  const platform::ThreadStart sender =
      platform::StartThread(sender_, platform::ThreadConfig{"TCPSend", SCHED_OTHER, 0, -1}, SenderMain, this);
  if (!sender.started)
    platform::LogPrintf("[TCPComm] ERROR: [%d] Couldn't create sender thread\n", sender.createError);
  senderStarted_ = sender.started;
}

void TCPCommServer::Stop() {
  {
    std::lock_guard<platform::PiMutex> lock(queueMutex_);
    senderStop_ = true;
    // A sender thread blocked on a client that does not read returns from the shutdown below.
    if (clientFd_ >= 0) shutdown(clientFd_, SHUT_RDWR);
  }
  queueWake_.notify_all();
  if (senderStarted_) {
    pthread_join(sender_, nullptr);
    senderStarted_ = false;
  }
  {
    std::lock_guard<platform::PiMutex> lock(sendMutex_);
    running_ = false;
    if (clientFd_ >= 0) shutdown(clientFd_, SHUT_RDWR);
  }
  if (wakeFd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t w = write(wakeFd_, &one, sizeof one);
  }
  if (threadStarted_) {
    pthread_join(thread_, nullptr);
    threadStarted_ = false;
  }
  CloseClient();
  if (listenFd_ >= 0) {
    close(listenFd_);
    listenFd_ = -1;
  }
  if (wakeFd_ >= 0) {
    close(wakeFd_);
    wakeFd_ = -1;
  }
  boundPort_ = 0;
}

void* TCPCommServer::ThreadMain(void* self) {
  static_cast<TCPCommServer*>(self)->Run();
  return nullptr;
}

void TCPCommServer::Run() {
  while (running_) {
    switch (conn_.load()) {
      case kListen:
        platform::LogPrintf("Mark the socket for listening...");
        if (listen(listenFd_, kBacklog) < 0) platform::LogPrintf("[TCPComm] ERROR: can't listen !");
        conn_ = kAccept;
        OnState(kAccept);
        break;
      case kAccept:
        Accept();
        break;
      case kConnected: {
        // States that read wait for the client first, with the time limits of WaitClient.
        if ((rx_ == kRxHeader || rx_ == kRxPayload) && !WaitClient()) break;
        SocketSource source(clientFd_);
        ReceiveStep(source);
        break;
      }
      case kDisconnected:
        platform::LogPrintf("[TCPComm] client disconnected");
        CloseClient();
        conn_ = kListen;
        OnState(kListen);
        break;
      default:
        CloseClient();
        conn_ = kListen;
        OnState(kListen);
        break;
    }
  }
}

bool TCPCommServer::WaitListen(int ms) {
  pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  const int n = poll(fds, 2, ms);
  return n > 0 && running_ && (fds[0].revents & (POLLIN | POLLERR | POLLHUP));
}

void TCPCommServer::Accept() {
  platform::LogPrintf("[TCPComm] Accept client call...");
  if (!WaitListen(-1)) return;
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  const int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
  platform::LogPrintf("[TCPComm] Received call...");
  if (fd < 0) {
    // Without a client there is nothing to serve: listen again, after a pause so that a
    // lasting failure (no descriptors left) does not spin.
    platform::LogPrintf("[TCPComm] Error Problem with client connecting!");
    conn_ = kListen;
    WaitListen(kAcceptRetryMs);
    return;
  }
  {
    std::lock_guard<platform::PiMutex> lock(sendMutex_);
    if (!running_) {
      close(fd);
      return;
    }
    std::lock_guard<platform::PiMutex> queue(queueMutex_);
    DropQueuedLocked();
    ++queueClient_;
    clientFd_ = fd;
  }
  directReady_ = false;
  conn_ = kConnected;
  // Linux hands the listening socket's options on to the accepted one only for some of
  // them, so both get them.
  const int on = 1;
  if (setsockopt(listenFd_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on) < 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on) < 0) {
    platform::LogPrintf("[TCPComm] ERROR: setsockopt TCP_QUICKACK failed for server socket ");
    conn_ = kError;
  }
  if (setsockopt(listenFd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) < 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) < 0) {
    platform::LogPrintf("[TCPComm] ERROR: setsockopt TCP_NODELAY failed for server socket ");
    conn_ = kError;
  }
  // A pulled cable leaves no end on the socket; keepalive finds it within about half a minute.
  const int idle = kKeepIdleSeconds, interval = kKeepIntervalSeconds, count = kKeepCount;
  if (setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) < 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) < 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) < 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count) < 0)
    platform::LogPrintf("[TCPComm] ERROR: setsockopt keepalive failed for client socket ");
  lastReceiveMs_ = NowMs();
  char ip[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
  platform::LogPrintf("[TCPComm] Client IP:%s:%d\n", ip, ntohs(peer.sin_port));
  rx_ = kRxStart;
  OnState(conn_);
  directReady_ = true;
}

void TCPCommServer::ReceiveStream(ByteSource& source) {
  conn_ = kConnected;
  directReady_ = true;
  rx_ = kRxStart;
  while (conn_ == kConnected) ReceiveStep(source);
  FreeHeap();
}

void TCPCommServer::SetReceiveTimeouts(int partialMs, int silentMs) {
  partialMs_.store(partialMs, std::memory_order_relaxed);
  silentMs_.store(silentMs, std::memory_order_relaxed);
}

// One client is served at a time, but none may hold the link for ever: a frame not finished
// within partialMs_ of its first byte drops the client, and a client silent for silentMs_
// gives way to a new connection waiting in the backlog. False when the client was dropped or
// on Stop.
bool TCPCommServer::WaitClient() {
  for (;;) {
    // The backlog is looked at only once the client is silent long enough to give way.
    const bool mayReplace = NowMs() - lastReceiveMs_ >= silentMs_.load(std::memory_order_relaxed);
    pollfd fds[3] = {{clientFd_, POLLIN, 0}, {listenFd_, static_cast<short>(mayReplace ? POLLIN : 0), 0},
                     {wakeFd_, POLLIN, 0}};
    const int n = poll(fds, 3, kWaitStepMs);
    if (!running_) return false;
    if (n > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) return true;
    const bool partial = rx_ == kRxPayload || (rx_ == kRxHeader && missing_ < kHeaderSize);
    if (partial && NowMs() - frameStartMs_ >= partialMs_.load(std::memory_order_relaxed)) {
      platform::LogPrintf("[TCPComm] ERROR: frame not completed in %d ms: client dropped\n",
                          partialMs_.load(std::memory_order_relaxed));
      conn_ = kDisconnected;
      rx_ = kRxStart;
      return false;
    }
    if (mayReplace && n > 0 && (fds[1].revents & POLLIN)) {
      platform::LogPrintf("[TCPComm] client silent for %d ms: replaced by a new connection\n",
                          static_cast<int>(NowMs() - lastReceiveMs_));
      conn_ = kDisconnected;
      rx_ = kRxStart;
      return false;
    }
  }
}

bool TCPCommServer::Received(long n) {
  if (n > 0) {
    lastReceiveMs_ = NowMs();
    // A frame's time runs from its first byte.
    if (rx_ == kRxHeader && missing_ == kHeaderSize) frameStartMs_ = lastReceiveMs_;
    return true;
  }
  if (n < 0 && errno == EINTR) return false;
  conn_ = n == 0 ? kDisconnected : kError;
  rx_ = kRxStart;
  return false;
}

void TCPCommServer::ReceiveStep(ByteSource& source) {
  switch (rx_) {
    case kRxStart:
      FreeHeap();
      missing_ = kHeaderSize;
      rx_ = kRxHeader;
      break;
    case kRxHeader: {
      const long n = source.Read(header_ + (kHeaderSize - missing_), missing_);
      if (!Received(n)) break;
      missing_ -= static_cast<uint32_t>(n);
      if (missing_ == 0) rx_ = kRxBuffer;
      break;
    }
    case kRxBuffer:
      length_ = Le32(header_);
      if (length_ < kFixedPayload) {
        payload_ = fixed_;
      } else if (length_ <= kMaxPayload) {
        heap_ = new (std::nothrow) uint8_t[length_];
        payload_ = heap_;
      } else {
        payload_ = nullptr;
      }
      if (!payload_) {
        // The payload cannot be skipped without reading it, and reading it as headers
        // would take the stream apart: the connection is closed instead.
        platform::LogPrintf("[TCPComm] ERROR: payload size %u refused\n", length_);
        payload_ = fixed_;
        conn_ = kError;
        rx_ = kRxStart;
        break;
      }
      missing_ = length_;
      rx_ = missing_ ? kRxPayload : kRxCheck;
      break;
    case kRxPayload: {
      const long n = source.Read(payload_ + (length_ - missing_), missing_);
      if (!Received(n)) break;
      missing_ -= static_cast<uint32_t>(n);
      if (missing_ == 0) rx_ = kRxCheck;
      break;
    }
    case kRxCheck: {
      const uint32_t expected = Le32(header_ + 8);
      const uint32_t crc = platform::crc32(0, payload_, length_);
      if (crc != expected) {
        platform::LogPrintf("[TCPComm] ERROR: crc32 <%04X -> %04X> on rxPacket payload_size: %d\n", expected, crc,
                            static_cast<int>(length_));
        rx_ = kRxError;
        break;
      }
      OnPacket(payload_, length_);
      rx_ = kRxStart;
      break;
    }
    default:
      rx_ = kRxStart;
      break;
  }
}

void TCPCommServer::FreeHeap() {
  delete[] heap_;
  heap_ = nullptr;
  payload_ = fixed_;
}

void TCPCommServer::CloseClient() {
  FreeHeap();
  std::lock_guard<platform::PiMutex> lock(sendMutex_);
  std::lock_guard<platform::PiMutex> queue(queueMutex_);
  DropQueuedLocked();
  ++queueClient_;
  if (clientFd_ >= 0) close(clientFd_);
  clientFd_ = -1;
}

void TCPCommServer::DropQueuedLocked() {
  for (; queueCount_ > 0; --queueCount_) {
    queue_[queueHead_].clear();
    queueHead_ = (queueHead_ + 1) % kQueuePackets;
  }
  queueBytes_ = 0;
}

void* TCPCommServer::SenderMain(void* self) {
  static_cast<TCPCommServer*>(self)->SenderRun();
  return nullptr;
}

void TCPCommServer::SenderRun() {
  std::vector<uint8_t> packet;
  std::unique_lock<platform::PiMutex> lock(queueMutex_);
  for (;;) {
    queueWake_.wait(lock, [this] { return senderStop_ || queueCount_ > 0; });
    if (senderStop_) break;
    // The slot keeps this thread's spare buffer, so small packets reuse their memory.
    packet.swap(queue_[queueHead_]);
    queueHead_ = (queueHead_ + 1) % kQueuePackets;
    --queueCount_;
    queueBytes_ -= packet.size();
    const uint32_t client = queueClient_;
    lock.unlock();
    {
      // The client may have been dropped and a new one accepted while this thread waited
      // for the socket: the packet was meant for the old one, and would reach the new one
      // before its greeting.
      std::lock_guard<platform::PiMutex> send(sendMutex_);
      if (client == queueClient_)
        SendLocked(packet.data(), packet.data() + kHeaderSize, static_cast<uint32_t>(packet.size() - kHeaderSize),
                   false);
    }
    // A clip's megabytes are not kept for the next value message.
    if (packet.capacity() > kFixedPayload) std::vector<uint8_t>().swap(packet);
    packet.clear();
    lock.lock();
  }
}

void TCPCommServer::OnPacket(const uint8_t*, uint32_t size) {
  platform::LogPrintf("\nDATA->RX size:%d\n", static_cast<int>(size));
}

void TCPCommServer::OnState(int) {}

void TCPCommServer::DisconnectLocked() {
  conn_ = kDisconnected;
  // The server thread, waiting in recv, sees the end and closes the socket.
  if (clientFd_ >= 0) shutdown(clientFd_, SHUT_RDWR);
}

bool TCPCommServer::SendLocked(const uint8_t* header, const void* data, uint32_t length, bool dontWait) {
  if (clientFd_ < 0 || conn_ != kConnected) return false;
  iovec iov[2] = {{const_cast<uint8_t*>(header), kHeaderSize}, {const_cast<void*>(data), length}};
  msghdr msg{};
  msg.msg_iov = iov;
  msg.msg_iovlen = length ? 2 : 1;
  const std::size_t total = kHeaderSize + std::size_t{length};
  std::size_t sent = 0;
  // A reset connection must not raise SIGPIPE, whose default action ends the process.
  const int flags = MSG_NOSIGNAL | (dontWait ? MSG_DONTWAIT : 0);
  while (sent < total) {
    const ssize_t n = sendmsg(clientFd_, &msg, flags);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (dontWait && sent == 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
      platform::LogPrintf("[TCPComm] ERROR: error send");
      DisconnectLocked();
      return false;
    }
    sent += static_cast<std::size_t>(n);
    if (sent == total) break;
    if (dontWait) {
      platform::LogPrintf("[TCPComm] ERROR: not send all bytes %d -> %d\n", static_cast<int>(total),
                          static_cast<int>(sent));
      DisconnectLocked();
      return false;
    }
    // A signal cut the write short: go on with the rest.
    std::size_t skip = static_cast<std::size_t>(n);
    while (msg.msg_iovlen && skip >= msg.msg_iov[0].iov_len) {
      skip -= msg.msg_iov[0].iov_len;
      ++msg.msg_iov;
      --msg.msg_iovlen;
    }
    if (msg.msg_iovlen) {
      msg.msg_iov[0].iov_base = static_cast<uint8_t*>(msg.msg_iov[0].iov_base) + skip;
      msg.msg_iov[0].iov_len -= skip;
    }
  }
  return true;
}

namespace {

void MakeHeader(uint8_t* header, const void* data, uint32_t length) {
  const uint32_t words[3] = {length, TCPCommServer::kMagic, platform::crc32(0, data, length)};
  std::memcpy(header, words, sizeof words);
}

}  // namespace

void TCPCommServer::Send(const void* data, uint32_t length) {
  if (conn_ != kConnected) return;
  uint8_t header[kHeaderSize];
  MakeHeader(header, data, length);
  const std::size_t size = kHeaderSize + std::size_t{length};
  {
    std::lock_guard<platform::PiMutex> lock(queueMutex_);
    if (conn_ != kConnected || clientFd_ < 0) return;
    if (queueCount_ == kQueuePackets || queueBytes_ + size > kQueueBytes) {
      platform::LogPrintf("[TCPComm] ERROR: client does not read, %d packets waiting: disconnected\n", queueCount_);
      DropQueuedLocked();
      conn_ = kDisconnected;
      // The server thread, waiting in recv, sees the end and closes the socket; the sender
      // thread, if it waits in send, gets an error.
      shutdown(clientFd_, SHUT_RDWR);
      return;
    }
    std::vector<uint8_t>& slot = queue_[(queueHead_ + queueCount_) % kQueuePackets];
    slot.resize(size);
    std::memcpy(slot.data(), header, kHeaderSize);
    if (length) std::memcpy(slot.data() + kHeaderSize, data, length);
    ++queueCount_;
    queueBytes_ += size;
  }
  queueWake_.notify_one();
}

bool TCPCommServer::TrySend(const void* data, uint32_t length) {
  if (conn_ != kConnected || !directReady_) return false;
  uint8_t header[kHeaderSize];
  MakeHeader(header, data, length);
  if (!sendMutex_.try_lock()) return false;
  // A packet written now would overtake the ones still queued: leave it out instead (the
  // callers send state that the next call sends again).
  bool queued = true;
  if (queueMutex_.try_lock()) {
    queued = queueCount_ > 0;
    queueMutex_.unlock();
  }
  if (queued) {
    sendMutex_.unlock();
    return false;
  }
  const bool sent = SendLocked(header, data, length, true);
  sendMutex_.unlock();
  return sent;
}
