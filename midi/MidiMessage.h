#pragma once
// What the MIDI inputs hand to the application: one parsed message and the callback that
// receives it from either kind of port.
#include <cstdint>

// source: 0 = an ALSA raw-MIDI port, 1 = the serial/USB device (also MIDI carried over CAN).
// status: the status byte with the channel nibble cleared for channel messages, the whole
// byte for system real-time messages. The result is ignored.
using MidiMessageCallback = int (*)(int source, int port, int channel, int status, uint8_t data1,
                                    uint8_t data2);

struct MidiMessage {
  uint8_t channel = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
  bool operator==(const MidiMessage&) const = default;
};

inline bool IsMidiRealtime(uint8_t byte) { return byte >= 0xF8; }
inline bool IsMidiStatus(uint8_t byte) { return byte >= 0x80; }
