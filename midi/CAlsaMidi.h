#pragma once
// The raw-MIDI ports the sound system offers (USB MIDI keyboards, interfaces, pad
// controllers): lists every device and subdevice of every card, opens and closes ports by
// index or name, reads each open port on a real-time thread of its own or by polling,
// parses per port, and sends short and SysEx messages. A port's index in the list is its
// identity until the next scan.
#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi/MidiMessage.h"
#include "midi/RawMidiBackend.h"
#include "midi/RawMidiParser.h"

class CAlsaMidi;

struct RawMidiPort {
  std::string hwName;  // "hw:c,d" or "hw:c,d,s"
  std::string name;    // the device's name; "Name (2)" for its second named subdevice
  uint8_t hasInput = 0;
  uint8_t hasOutput = 0;
  RawMidiHandle* input = nullptr;
  RawMidiHandle* output = nullptr;
  RawMidiParser parser;
  uint8_t portNumber = 0;
  std::atomic<uint8_t> open{0};
  int index = 0;
  pthread_t thread{};
  bool threadStarted = false;
  CAlsaMidi* owner = nullptr;
  std::atomic<uint8_t> run{0};
  std::atomic<uint8_t> ended{0};
  std::atomic<uint8_t> readError{0};
};

class CAlsaMidi {
 public:
  // The real sound system unless a stand-in is given; the backend outlives this object.
  explicit CAlsaMidi(RawMidiBackend& backend = AlsaRawMidi());
  // Stops and closes every port: no input thread outlives its port.
  virtual ~CAlsaMidi();
  CAlsaMidi(const CAlsaMidi&) = delete;
  CAlsaMidi& operator=(const CAlsaMidi&) = delete;

  // Delivers one parsed message to the callback (source 0). Runs on the port's input
  // thread, or on the caller of PollInput.
  virtual void OnMidiInput(int port, int channel, int status, uint8_t data1, uint8_t data2);

  // Closes every port and lists all devices anew, printing the listing. 0 done; -1 the
  // cards could not be enumerated; -2 there is no sound card.
  int ScanDevices();
  // 0 also for an index out of range or a port already open (nothing happens); -1 the
  // port or the thread attributes failed; -4 the thread failed.
  int OpenPort(int index, int portNumber, bool noThread);
  // Opens the first port named `name` with a thread; -1 when none has that name.
  int OpenPortByName(const char* name, int portNumber);
  // 1 and the flags of the first port named `name`; 0 and zeros when none matches.
  int GetPortState(const char* name, int& open, int& readError, int& run) const;
  void ClosePort(int index);
  // One read of up to 32 bytes from each open port that has no input thread.
  void PollInput();
  // {(status & 0xF0) | channel, data1, data2} in one write; dropped on a closed port.
  void SendShort(int index, int channel, int status, uint8_t data1, uint8_t data2);
  // `length` bytes in one write, then the line "SYSEX: " with the bytes written.
  void SendSysEx(int index, const uint8_t* data, int length);

  void SetCallback(MidiMessageCallback cb) { callback_.store(cb, std::memory_order_release); }

  int PortCount() const { return static_cast<int>(ports_.size()); }
  const RawMidiPort& Port(int index) const { return *ports_[index]; }

 private:
  static void* InputThread(void* port);
  void ReadLoop(RawMidiPort& port);
  void Parse(RawMidiPort& port, const uint8_t* bytes, int count);
  int ListCard(int card);
  void ListDevice(RawMidiControl* ctl, int card, int device);
  void AddPort(const char* hwName, std::string name, bool input, bool output);
  bool InRange(int index) const { return index >= 0 && index < PortCount(); }

  RawMidiBackend& backend_;
  // Records stay where they are while the list grows: their input threads hold them.
  std::vector<std::unique_ptr<RawMidiPort>> ports_;
  std::atomic<MidiMessageCallback> callback_{nullptr};
  // What the last OpenPort asked for; nothing reads it yet.
  uint8_t polled_ = 1;
};
