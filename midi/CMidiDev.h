#pragma once
// The instrument's DIN MIDI port (a UART at 31250 baud) or, instead, a USB MIDI port: a
// real-time reader thread "MIDI_DEV" parses the incoming bytes and hands each message to
// the application's callback; writers send clock, transport and channel messages without
// ever waiting for the line.
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "midi/MidiByteParser.h"
#include "midi/MidiMessage.h"
#include "platform/PiMutex.h"

class CMidiDev {
 public:
  // The USB MIDI port's device, formed under the platform data root.
  static constexpr const char* kUsbDevicePath = "/dev/midi1";

  CMidiDev() = default;
  virtual ~CMidiDev();
  CMidiDev(const CMidiDev&) = delete;
  CMidiDev& operator=(const CMidiDev&) = delete;

  // Delivers one message to the callback as coming from this port (source 1). The parser
  // calls it for every message; the application calls it for MIDI carried over CAN.
  virtual void OnMidiInput(int channel, int status, uint8_t data1, uint8_t data2);
  // Stops the reader after its current wait; does not wait for it.
  virtual void Close();

  // type "SERIAL" opens `path` as a UART; "USB" opens kUsbDevicePath; anything else opens
  // nothing. Both ports may be open at once (the writers serve both); one reader runs, on
  // the port opened last without `outputOnly`. 0 done; -1 thread attributes or the USB device; -2 the serial path; -3 the
  // line settings; -4 exclusive mode or the thread.
  int Open(const char* path, const char* type, bool outputOnly);

  void SendClock();
  // Writes 0xF0 | (code & 0x0F): 10 Start, 11 Continue, 12 Stop.
  void SendRealtime(int code);
  // status | channel, then data1 and data2 unless 0xFF (a missing data byte); serial
  // first, then USB.
  void SendMessage(int channel, int status, uint8_t data1, uint8_t data2);

  void SetCallback(MidiMessageCallback cb) { callback_.store(cb, std::memory_order_release); }
  void SetPortNumber(uint8_t port) { portNumber_.store(port, std::memory_order_relaxed); }
  uint8_t PortNumber() const { return portNumber_.load(std::memory_order_relaxed); }
  // The `source` this port's messages carry to the callback.
  static constexpr int kSource = 1;

  bool IsRunning() const { return running_.load(std::memory_order_relaxed) != 0; }
  // Bytes the writers could not put on a line at once (it was not being read) and dropped.
  uint32_t DroppedBytes() const { return droppedBytes_.load(std::memory_order_relaxed); }

 private:
  static void* ReaderMain(void* self);
  void ReadLoop();
  void StopReader();
  void CloseDescriptors();
  // Replaces a descriptor under the port mutex, closing the old one.
  void SetDescriptor(int& fd, int value);
  void WriteBytes(int fd, const uint8_t* bytes, int count);

  MidiByteParser parser_;
  std::atomic<uint8_t> running_{0};
  bool outputOnly_ = false;
  // -1 = not open (0 is a valid descriptor when standard input is closed).
  int serialFd_ = -1;
  int usbFd_ = -1;
  pthread_t thread_{};
  bool threadStarted_ = false;
  platform::PiMutex portMutex_;
  std::atomic<MidiMessageCallback> callback_{nullptr};
  bool usb_ = false;  // the reader reads the USB descriptor, not the serial one
  std::atomic<uint8_t> portNumber_{0};
  std::atomic<uint32_t> droppedBytes_{0};
};
