#pragma once
// Stand-in for the sound system's raw-MIDI side where there are no sound cards: a table of
// cards, devices and subdevices to enumerate, and ports whose other end the caller holds.
// Bytes for an input go through a real pipe (so a reader sees -EAGAIN, wakes and reads as
// on hardware); every write to an output is kept, one entry per write call. Errors are
// injected as negative errno values, as ALSA reports them.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midi/RawMidiBackend.h"

class FakeRawMidiBackend final : public RawMidiBackend {
 public:
  struct Subdevice {
    std::string name;  // empty: no name of its own
    bool input = false;
    bool output = false;
    int inputInfoError = 0;  // returned when this stream is probed
    int outputInfoError = 0;
  };
  struct Device {
    int number = 0;
    std::string name;
    std::vector<Subdevice> subdevices;
  };
  struct Card {
    int number = 0;
    std::vector<Device> devices;
    int controlError = 0;     // returned by OpenControl
    int nextDeviceError = 0;  // returned when the devices are walked
  };

  FakeRawMidiBackend();
  ~FakeRawMidiBackend() override;

  // The enumeration table; set it before scanning.
  std::vector<Card> cards;
  // NextCard fails with this error once `nextCardErrorAfter` cards were handed out.
  int nextCardError = 0;
  std::size_t nextCardErrorAfter = 0;

  // Open of this hardware name fails with `error` (e.g. -EBUSY).
  void SetOpenError(const std::string& hwName, int error);
  // Sends bytes into the port's input, as a keyboard would.
  bool Inject(const std::string& hwName, const std::vector<uint8_t>& bytes);
  // The next `count` reads of the port's input fail with `error`.
  void InjectReadError(const std::string& hwName, int error, int count);
  // Reads of the port's input so far.
  int ReadCalls(const std::string& hwName);
  // Everything written to the port's output, and the same split into the write calls.
  std::vector<uint8_t> Output(const std::string& hwName);
  std::vector<std::vector<uint8_t>> Writes(const std::string& hwName);
  void ClearOutput(const std::string& hwName);
  // Waits until the port's output holds at least `bytes` bytes.
  bool WaitForOutput(const std::string& hwName, std::size_t bytes,
                     std::chrono::milliseconds timeout);
  // Whether the port's input / output stream is open now.
  bool IsOpen(const std::string& hwName, RawMidiStream stream);

  int NextCard(int& card) override;
  int OpenControl(int card, RawMidiControl*& ctl) override;
  void CloseControl(RawMidiControl* ctl) override;
  int NextDevice(RawMidiControl* ctl, int& device) override;
  int Info(RawMidiControl* ctl, int device, int subdevice, RawMidiStream stream,
           RawMidiInfo& info) override;
  int Open(RawMidiHandle** input, RawMidiHandle** output, const char* hwName,
           bool nonblock) override;
  int Close(RawMidiHandle* handle) override;
  int SetNonblock(RawMidiHandle* handle, bool nonblock) override;
  ssize_t Read(RawMidiHandle* handle, void* buffer, size_t size) override;
  ssize_t Write(RawMidiHandle* handle, const void* buffer, size_t size) override;
  const char* StrError(int error) override;

 private:
  struct Port;
  struct Handle;
  static Handle* AsHandle(RawMidiHandle* h);
  Port& PortFor(const std::string& hwName);  // under mutex_
  bool Known(const std::string& hwName) const;
  const Card* FindCard(int number) const;

  std::mutex mutex_;
  std::condition_variable written_;
  std::map<std::string, std::unique_ptr<Port>> ports_;
  std::size_t cardsHandedOut_ = 0;
};
