#include "toolkit/CCANDev.h"

#include <linux/can/raw.h>
#include <sys/time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/LogSink.h"
#include "platform/RtThread.h"
#include "toolkit/Flavour.h"

static_assert(sizeof(can_frame) == 16, "the bus carries the kernel's classic frame");

namespace {

std::atomic<CanMessageFn> g_messageFn{nullptr};
std::atomic<int (*)()> g_lockAcquire{nullptr};
std::atomic<void (*)(int)> g_lockRelease{nullptr};

// SocketCAN raw sockets cannot be shut down, so on the board the receive thread looks at
// its run flag at least this often; on the virtual bus Close wakes it at once.
constexpr suseconds_t kReceiveTimeoutUs = 100000;

float FloatAt(const uint8_t* bytes) {
  float v;
  std::memcpy(&v, bytes, sizeof v);
  return v;
}

// The value and matrix decodes read only bytes the frame carries: a short frame's trace shows
// its bytes and nothing made up from the ones it lacks.
void TraceFrame(const can_frame& frame, uint8_t length) {
  char line[160];
  int n = std::snprintf(line, sizeof line, "ID: %04X , DLC: %d , ", frame.can_id, length);
  for (uint8_t i = 0; i < length; ++i) n += std::snprintf(line + n, sizeof line - n, "%02X ", frame.data[i]);
  if (length >= 7 && frame.data[0] == 0xB0) {
    n += std::snprintf(line + n, sizeof line - n, " <%f>", FloatAt(frame.data + 3));
  } else if (length >= 8 && frame.data[0] >= 0xC0 && frame.data[0] <= 0xC3) {
    n += std::snprintf(line + n, sizeof line - n, "MX[%d] src:%d dst:%d amt:<%f>", frame.data[1], frame.data[2],
                       frame.data[3], FloatAt(frame.data + 4));
  }
  std::snprintf(line + n, sizeof line - n, "\n");
  platform::LogWrite(line);
}

}  // namespace

void CANDevCB::run(int) { platform::LogWrite("Not implemented: CANDevCB.run()\n"); }

void CANDevCB::MessageReceived(unsigned short, unsigned char*, unsigned char) {
  platform::LogWrite("Not implemented: CANDevCB.MessageReceived()\n");
}

CCANDev::CCANDev(platform::CanSocketOps& sockets) : sockets_(sockets) {}

CCANDev::~CCANDev() { CCANDev::Close(); }

void CCANDev::SetMessageCallback(CanMessageFn fn) { g_messageFn.store(fn); }

void CCANDev::SetCallbackLock(CanCallbackLock lock) {
  g_lockAcquire.store(lock.acquire);
  g_lockRelease.store(lock.release);
}

int CCANDev::Open(const char* name) {
  Close();
  const char* ifname = ux::kScriptFlavour ? (name ? name : "") : "can0";
  m_can_sock = sockets_.Socket();
  if (m_can_sock < 0) {
    std::perror("CAN Device socket");
    return -2;
  }
  auto fail = [this](int code) {
    sockets_.Close(m_can_sock);
    m_can_sock = -1;
    m_fRun = false;
    return code;
  };
  const int ifindex = sockets_.InterfaceIndex(m_can_sock, ifname);
  if (ifindex < 0) {
    std::perror("CAN Device SIOCGIFINDEX");
    return fail(-3);
  }
  // No frame queues up before the accept-all filter below is in place.
  sockets_.SetSockOpt(m_can_sock, SOL_CAN_RAW, CAN_RAW_FILTER, nullptr, 0);
  if (sockets_.Bind(m_can_sock, ifindex) < 0) {
    std::perror("CAN Device bind");
    return fail(-4);
  }
  const can_filter all{0, 0};
  sockets_.SetSockOpt(m_can_sock, SOL_CAN_RAW, CAN_RAW_FILTER, &all, sizeof all);
  const timeval timeout{0, kReceiveTimeoutUs};
  sockets_.SetSockOpt(m_can_sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

  m_fRun = true;
  const platform::ThreadStart start =
      platform::StartThread(thread_, {"CAN-RX", SCHED_OTHER, 0, 0}, &CANThread, this);
  if (start.attrInitFailed) {
    platform::LogWrite("CAN Device Couldn't initialize thread attributes\n");
    return fail(-1);
  }
  if (!start.started) {
    platform::LogWrite("Couldn't create the CAN Input Thread\n");
    return fail(-5);
  }
  threadStarted_ = true;
  return 0;
}

void CCANDev::Close() {
  m_fRun = false;
  if (threadStarted_) {
    // Closed from its own callback: the loop ends when the callback returns, and the next
    // Close from another thread (or the destructor) joins it and closes the socket.
    if (pthread_equal(thread_, pthread_self())) return;
    sockets_.Shutdown(m_can_sock);
    pthread_join(thread_, nullptr);
    threadStarted_ = false;
  }
  if (m_can_sock >= 0) sockets_.Close(m_can_sock);
  m_can_sock = -1;
  EndBurst();
}

void CCANDev::SendRAW(uint16_t id, const uint8_t* data, int length) {
  // A negative length would become a data length byte above 8: an invalid frame.
  if (length < 0 || length > CAN_MAX_DLEN || (length > 0 && !data)) return;
  can_frame frame{};
  frame.can_id = id;
  frame.can_dlc = static_cast<uint8_t>(length);
  if (length > 0) std::memcpy(frame.data, data, static_cast<std::size_t>(length));
  // Panel frames go out from the beat-pulse timing thread too: a frame the bus cannot take at
  // once is dropped and counted, never waited for.
  const ssize_t sent = sockets_.TryWrite(m_can_sock, &frame, sizeof frame);
  if (sent < static_cast<ssize_t>(sizeof frame)) {
    NoteDrop(sent < 0 ? errno : EIO);
    return;
  }
  if (burstDrops_.load(std::memory_order_relaxed) != 0) EndBurst();
}

// A full bus refuses every frame for a while. Printing each refusal would cost the sending
// thread a write to the terminal per frame, the timing thread included; instead the first
// refusal of a burst is reported with the system's error and the burst's count when it ends,
// both through the log sink, which queues the lines of real-time threads.
void CCANDev::NoteDrop(int error) {
  droppedFrames_.fetch_add(1, std::memory_order_relaxed);
  if (burstDrops_.fetch_add(1, std::memory_order_relaxed) != 0) return;
  char text[96];
  platform::LogPrintf("CAN Device write: %s\n", strerror_r(error, text, sizeof text));
}

void CCANDev::EndBurst() {
  const uint32_t dropped = burstDrops_.exchange(0, std::memory_order_relaxed);
  if (dropped != 0) platform::LogPrintf("CAN Device write: %u frame%s dropped\n", dropped, dropped == 1 ? "" : "s");
}

void CCANDev::SendMessage(uint16_t id, uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) {
  const uint8_t bytes[3] = {static_cast<uint8_t>(status | channel), data1, data2};
  SendRAW(id, bytes, 3);
}

void CCANDev::OnCanMessage(unsigned short id, unsigned char* data, unsigned char length) {
  if constexpr (ux::kScriptFlavour) {
    CANDevCB* cb = m_cb;
    if (!cb) return;
    // The lock goes back however the receiver returns: a script's receiver called from the
    // script's own thread may throw its error back to that script.
    struct Held {
      void (*release)(int);
      int token;
      ~Held() {
        if (release) release(token);
      }
    };
    int (*acquire)() = g_lockAcquire.load();
    const Held held{g_lockRelease.load(), acquire ? acquire() : 0};
    cb->MessageReceived(id, data, length);
  } else {
    if (CanMessageFn fn = g_messageFn.load()) fn(id, data, length);
  }
}

void CCANDev::ReceiveLoop() {
  while (m_fRun) {
    // Zeroed each time so a short frame's trace shows no bytes of the one before.
    can_frame frame{};
    const ssize_t got = sockets_.Read(m_can_sock, &frame, sizeof frame);
    if (got == 0) break;  // the bus connection is gone for good
    if (got < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      if (!m_fRun) break;
      // A failing socket (interface down) must not spin this core.
      timespec pause{0, 10000000};
      nanosleep(&pause, nullptr);
      continue;
    }
    if (got < static_cast<ssize_t>(sizeof frame)) continue;
    // The panel sends only standard data frames: an extended, remote or error frame is not
    // one of its messages, whatever its low bits would read as.
    if ((frame.can_id & (CAN_EFF_FLAG | CAN_RTR_FLAG | CAN_ERR_FLAG)) != 0) continue;
    const uint8_t length = frame.can_dlc > CAN_MAX_DLEN ? CAN_MAX_DLEN : frame.can_dlc;
    OnCanMessage(static_cast<unsigned short>(frame.can_id & CAN_SFF_MASK), frame.data, length);
    TraceFrame(frame, length);
  }
}

void* CANThread(void* dev) {
  if (dev) static_cast<CCANDev*>(dev)->ReceiveLoop();
  return nullptr;
}
