#include "tools/flasher/CCANDev.h"

#include <linux/can/raw.h>
#include <sys/time.h>

#include <cstdio>
#include <cstring>

namespace flasher {
namespace {
// The boards sit on this bus whatever name the caller gives.
constexpr const char* kInterface = "can0";
constexpr suseconds_t kReceiveTimeoutUs = 1000;
// A quiet bus is waited on this long per poll.
constexpr int kPollMs = 1;
}  // namespace

CCANDev::CCANDev(platform::CanSocketOps& sockets) : sockets_(sockets) {}

CCANDev::~CCANDev() { Close(); }

int32_t CCANDev::Open(const char*) {
  Close();
  m_can_sock = sockets_.Socket();
  if (m_can_sock < 0) {
    std::perror("CAN Device socket");
    return -2;
  }
  // A failed step closes the socket at once: the device stays unusable, and a later Close
  // has nothing of anyone else's to close.
  auto fail = [this](const char* what, int32_t code) {
    std::perror(what);
    sockets_.Close(m_can_sock);
    m_can_sock = -1;
    return code;
  };
  const timeval timeout{0, kReceiveTimeoutUs};
  if (sockets_.SetSockOpt(m_can_sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) < 0)
    return fail("CAN Device set socket options", -2);
  const int ifindex = sockets_.InterfaceIndex(m_can_sock, kInterface);
  if (ifindex < 0) return fail("CAN Device SIOCGIFINDEX", -3);
  // No frame queues up before the accept-all filter below is in place.
  sockets_.SetSockOpt(m_can_sock, SOL_CAN_RAW, CAN_RAW_FILTER, nullptr, 0);
  if (sockets_.Bind(m_can_sock, ifindex) < 0) return fail("CAN Device bind", -4);
  const can_filter all{0, 0};
  sockets_.SetSockOpt(m_can_sock, SOL_CAN_RAW, CAN_RAW_FILTER, &all, sizeof all);
  m_fRun = true;
  return 0;
}

void CCANDev::SendRAW(uint16_t id, const uint8_t* data, int len) {
  if (len < 0 || len > CAN_MAX_DLEN || (len > 0 && !data)) return;
  can_frame frame{};
  frame.can_id = id;
  frame.can_dlc = static_cast<uint8_t>(len);
  if (len > 0) std::memcpy(frame.data, data, static_cast<std::size_t>(len));
  if (sockets_.Write(m_can_sock, &frame, sizeof frame) != static_cast<ssize_t>(sizeof frame))
    std::perror("CAN Device write");
}

int CCANDev::Receive(can_frame* frame) {
  if (!frame) return 0;
  std::memset(frame, 0, sizeof *frame);
  // poll() waits the millisecond; the receive time-out alone would round it up to the
  // kernel's tick, 8-10 ms a poll, and a missing board would take 19 s to report.
  if (sockets_.Poll(m_can_sock, kPollMs) <= 0) return 0;
  const ssize_t n = sockets_.Read(m_can_sock, frame, sizeof *frame);
  if (n != static_cast<ssize_t>(sizeof *frame)) {
    std::memset(frame, 0, sizeof *frame);
    return 0;
  }
  return static_cast<int>(sizeof *frame);
}

void CCANDev::Close() {
  m_fRun = false;
  if (m_can_sock >= 0) sockets_.Close(m_can_sock);
  m_can_sock = -1;
}

}  // namespace flasher
