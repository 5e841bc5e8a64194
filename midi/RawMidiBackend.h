#pragma once
// The seam between the raw-MIDI port manager and the sound system: the few ALSA calls it
// needs (card and device enumeration through the control interface, raw-MIDI streams),
// with ALSA's conventions kept: results are 0 or a count, errors negative errno values.
// AlsaRawMidiBackend is the real one; FakeRawMidiBackend stands in where there are no
// sound cards.
#include <sys/types.h>

#include <cstddef>

struct RawMidiControl;  // an open control interface of one card
struct RawMidiHandle;   // one open raw-MIDI stream

enum class RawMidiStream { Output, Input };

struct RawMidiInfo {
  int subdevicesCount = 0;
  char name[80] = {};           // the device's name
  char subdeviceName[80] = {};  // empty when the subdevice has no name of its own
};

class RawMidiBackend {
 public:
  virtual ~RawMidiBackend() = default;

  // The card after `card` (-1 starts); sets -1 after the last one.
  virtual int NextCard(int& card) = 0;
  virtual int OpenControl(int card, RawMidiControl*& ctl) = 0;
  virtual void CloseControl(RawMidiControl* ctl) = 0;
  // The raw-MIDI device after `device` (-1 starts); sets -1 after the last one.
  virtual int NextDevice(RawMidiControl* ctl, int& device) = 0;
  // Information on one stream of one subdevice; -ENOENT when the subdevice has no stream in
  // that direction, -ENXIO when there is no such subdevice.
  virtual int Info(RawMidiControl* ctl, int device, int subdevice, RawMidiStream stream,
                   RawMidiInfo& info) = 0;

  // Opens the streams asked for (a null pointer leaves that direction closed).
  virtual int Open(RawMidiHandle** input, RawMidiHandle** output, const char* hwName,
                   bool nonblock) = 0;
  virtual int Close(RawMidiHandle* handle) = 0;
  virtual int SetNonblock(RawMidiHandle* handle, bool nonblock) = 0;
  // Bytes read, -EAGAIN when a non-blocking stream has none, another negative error.
  virtual ssize_t Read(RawMidiHandle* handle, void* buffer, size_t size) = 0;
  virtual ssize_t Write(RawMidiHandle* handle, const void* buffer, size_t size) = 0;

  virtual const char* StrError(int error) = 0;
};

// The process's ALSA backend.
RawMidiBackend& AlsaRawMidi();
