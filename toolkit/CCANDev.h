#pragma once
// The link to the front-panel boards: a raw CAN socket, a "CAN-RX" thread that hands every
// received frame to a callback and traces it, and senders of classic frames. It knows nothing
// of what the frames mean. The socket calls go through platform::CanSocketOps, so the same
// device runs on SocketCAN and on the virtual bus.
#include <linux/can.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "platform/CanSocketOps.h"

// What a script implements to receive frames (the script module's receiver).
class CANDevCB {
 public:
  virtual void run(int);
  virtual void MessageReceived(unsigned short id, unsigned char* data, unsigned char length);
  virtual ~CANDevCB() = default;
};

// The instrument's receiver: one function for the whole program.
using CanMessageFn = void (*)(uint16_t id, const uint8_t* data, uint8_t length);

// The script module calls its receiver under the interpreter's lock; the module installs the
// pair that takes and gives back that lock. `acquire`'s result is handed to `release`.
struct CanCallbackLock {
  int (*acquire)();
  void (*release)(int token);
};

class CCANDev {
 public:
  explicit CCANDev(platform::CanSocketOps& sockets = platform::CanSockets());
  virtual ~CCANDev();
  CCANDev(const CCANDev&) = delete;
  CCANDev& operator=(const CCANDev&) = delete;

  virtual void OnCanMessage(unsigned short id, unsigned char* data, unsigned char length);
  virtual void Close();

  // 0, or -1 (thread attributes), -2 (socket), -3 (unknown interface), -4 (bind), -5 (no
  // receive thread). The instrument's device is always "can0". An open device is closed
  // first.
  int Open(const char* name);
  void registerCallback(CANDevCB* cb) { m_cb = cb; }
  // A frame of `length` (0 to 8) bytes; any other length sends nothing. Never waits for the
  // bus: a frame it cannot take at once is dropped and counted.
  void SendRAW(uint16_t id, const uint8_t* data, int length);
  // Frames the bus refused since the device was made.
  uint64_t DroppedFrames() const { return droppedFrames_.load(std::memory_order_relaxed); }
  // A MIDI message carried over CAN: {status | channel, data1, data2}.
  void SendMessage(uint16_t id, uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2);

  static void SetMessageCallback(CanMessageFn fn);
  static void SetCallbackLock(CanCallbackLock lock);

  // The receive loop, run by the "CAN-RX" thread: until the run flag is cleared, one frame,
  // the callback, the trace line.
  void ReceiveLoop();

  CANDevCB* m_cb = nullptr;
  std::atomic<bool> m_fRun{false};
  int m_can_sock = -1;

 private:
  void NoteDrop(int error);
  void EndBurst();

  platform::CanSocketOps& sockets_;
  pthread_t thread_{};
  bool threadStarted_ = false;
  std::atomic<uint32_t> burstDrops_{0};  // refused since the last frame that went out
  std::atomic<uint64_t> droppedFrames_{0};
};

// Thread entry of the receive loop; `dev` is the CCANDev.
void* CANThread(void* dev);
