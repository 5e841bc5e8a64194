#pragma once
// The transport of the host link: a listening TCP socket serving one client at a time in
// its own thread, and a framing of length-prefixed packets whose payload is CRC-checked.
//
// Packet, little-endian: payload length (u32), magic 0xAA551122 (u32, not checked on
// receipt), CRC-32 of the payload (u32), then the payload.
//
// Every socket error is printed and leads back to listening; the process never stops on a
// link error. Send and TrySend may be called from any thread; the client socket is closed
// only under the send mutex, so a sender never writes to a descriptor that was reused.
//
// Send never waits for the client: it copies the packet into a bounded queue that the
// link's sender thread ("TCPSend") writes out. A client that stops reading fills the queue,
// and the send that finds it full drops the client with a line; the pages, the panel path
// and the program loader that send from under the UI mutex go on.
#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <vector>

#include "platform/PiMutex.h"

class TCPCommServer {
 public:
  static constexpr uint32_t kMagic = 0xAA551122u;
  static constexpr uint32_t kHeaderSize = 12;
  static constexpr uint32_t kFixedPayload = 4096;
  static constexpr uint32_t kMaxPayload = 0x800000;
  static constexpr int kBacklog = 128;

  enum ConnectionState : int { kListen = 1, kAccept = 2, kConnected = 3, kDisconnected = 4, kError = 5 };
  enum ReceiveState : int { kRxStart = 0, kRxHeader = 1, kRxBuffer = 2, kRxPayload = 3, kRxCheck = 4, kRxError = 5 };

  // Where received bytes come from: the client socket, or bytes a test supplies.
  class ByteSource {
   public:
    virtual ~ByteSource() = default;
    // As recv: the count read (1 to `max`), 0 when the peer closed, -1 on an error.
    virtual long Read(uint8_t* to, uint32_t max) = 0;
  };

  TCPCommServer();
  virtual ~TCPCommServer();
  TCPCommServer(const TCPCommServer&) = delete;
  TCPCommServer& operator=(const TCPCommServer&) = delete;

  // Binds the listening address at `port` (0: a free one, see BoundPort) and starts the
  // server thread. Failures are printed; the link then stays down.
  void Start(int port);
  // The IPv4 address (network order) Start binds; every interface until set.
  void SetListenAddress(uint32_t address) { listenAddress_ = address; }
  // Ends the server thread and closes both sockets. A subclass calls it first in its own
  // destructor, so the thread never calls into a half-destroyed object.
  void Stop();
  // The port the listening socket is bound to; 0 when none.
  int BoundPort() const { return boundPort_.load(std::memory_order_relaxed); }

  // One packet to the connected client, queued for the sender thread; nothing without a
  // client. A full queue (kQueuePackets packets or kQueueBytes bytes waiting) drops the
  // client.
  void Send(const void* data, uint32_t length);
  static constexpr int kQueuePackets = 1024;
  static constexpr std::size_t kQueueBytes = 16u << 20;
  // For the audio thread: never waits, neither for the send mutex nor for the socket. A
  // packet that cannot go at once is dropped (false); one that went out in part leaves the
  // stream broken, so the client is disconnected.
  bool TrySend(const void* data, uint32_t length);

  // A received packet whose CRC matched (server thread).
  virtual void OnPacket(const uint8_t* payload, uint32_t size);
  // A new connection state (server thread).
  virtual void OnState(int state);

  // Receives packets from `source` as the server thread does from a client, until the
  // source ends or fails. The connection state is connected meanwhile; Send still needs a
  // real client.
  void ReceiveStream(ByteSource& source);

  int Connection() const { return conn_.load(std::memory_order_acquire); }

  // The connected client's time limits: a frame begun must be complete within `partialMs`,
  // and a client that sent nothing for `silentMs` gives way to a new connection.
  static constexpr int kPartialFrameMs = 5000;
  static constexpr int kSilentClientMs = 10000;
  void SetReceiveTimeouts(int partialMs, int silentMs);
  // Payloads shorter than the fixed buffer are received into it; larger ones on the heap.
  const uint8_t* FixedBuffer() const { return fixed_; }

 private:
  class SocketSource;
  static void* ThreadMain(void* self);
  void Run();
  void Accept();
  void ReceiveStep(ByteSource& source);
  // False when the read ended the connection (or was interrupted).
  bool Received(long n);
  void FreeHeap();
  void CloseClient();
  // Hold the send mutex.
  bool SendLocked(const uint8_t* header, const void* data, uint32_t length, bool dontWait);
  void DisconnectLocked();
  // Waits up to `ms` for the listening socket (true) or for Stop.
  bool WaitListen(int ms);
  bool WaitClient();
  static constexpr int kWaitStepMs = 100;
  static constexpr int kKeepIdleSeconds = 10;
  static constexpr int kKeepIntervalSeconds = 5;
  static constexpr int kKeepCount = 3;
  static void* SenderMain(void* self);
  void SenderRun();
  // Empties the queue; hold queueMutex_.
  void DropQueuedLocked();

  int port_ = 0;
  uint32_t listenAddress_ = 0;  // INADDR_ANY
  int listenFd_ = -1;
  int clientFd_ = -1;
  int wakeFd_ = -1;
  pthread_t thread_{};
  bool threadStarted_ = false;
  std::atomic<bool> running_{false};
  std::atomic<int> conn_{0};
  // Whether TrySend may write straight to the client: only once the connection's first
  // packets (queued by OnState) are on their way, so nothing overtakes the greeting.
  std::atomic<bool> directReady_{false};
  std::atomic<int> boundPort_{0};
  int rx_ = kRxStart;
  uint8_t header_[kHeaderSize] = {};
  uint32_t missing_ = 0;
  uint32_t length_ = 0;
  uint8_t fixed_[kFixedPayload] = {};
  uint8_t* heap_ = nullptr;
  uint8_t* payload_ = fixed_;
  platform::PiMutex sendMutex_;
  std::atomic<int> partialMs_{kPartialFrameMs};
  std::atomic<int> silentMs_{kSilentClientMs};
  int64_t lastReceiveMs_ = 0;  // server thread
  int64_t frameStartMs_ = 0;   // server thread

  // The send queue: a ring of packets (header and payload), the bytes they hold, and the
  // sender thread that empties it. Lock order: sendMutex_ before queueMutex_.
  platform::PiMutex queueMutex_;
  std::condition_variable_any queueWake_;
  std::vector<uint8_t> queue_[kQueuePackets];
  int queueHead_ = 0;
  int queueCount_ = 0;
  std::size_t queueBytes_ = 0;
  // Counts the clients the queue has served; changed holding both mutexes, so either one
  // reads it. A packet the sender thread took for one client is not written to the next.
  uint32_t queueClient_ = 0;
  bool senderStop_ = false;
  pthread_t sender_{};
  bool senderStarted_ = false;
};
