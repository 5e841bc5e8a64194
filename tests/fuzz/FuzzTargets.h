#pragma once
// Fuzz entry points for the readers of outside bytes. Each decodes one input and checks the
// properties every result must have; false means a property was broken. The libFuzzer
// mains (libfuzzer/) and the deterministic GoogleTest driver call the same functions.
#include <cstddef>
#include <cstdint>

namespace fuzz_targets {

// SampleFile::Decode and LoadFromMemory; a decoded object must re-encode into an image
// that decodes and re-encodes to the same bytes.
bool SampleFileOne(const uint8_t* data, std::size_t size);

// MultiWaveReader::loadStream; a loaded set must serialise into a container that loads
// again and serialises to the same bytes.
bool MswfOne(const uint8_t* data, std::size_t size);

// The XML tokenizer over the bytes (it must come to an end within a bound of events), then
// the reader base with the preset tag table and a handler that copies every attribute's text
// and Base64 bytes at each element: the bytes of a Base64 attribute stay as they were for as
// long as its value does, whatever other attributes receive.
bool XmlOne(const uint8_t* data, std::size_t size);

// Base64::Decode of the bytes up to a '"'; what it decodes must encode (in both alphabets)
// into text that decodes to the same bytes.
bool Base64One(const uint8_t* data, std::size_t size);

// The host link's receiving side: the bytes as a stream through the receive state machine
// (CRCs made right where the magic is), then what follows the first header as one payload
// through the message dispatch, with the real handlers on a clip launcher kept between
// inputs; afterwards its clip grid must still be valid. Accepted: a packet reached the
// dispatch from the stream.
bool HostPacketOne(const uint8_t* data, std::size_t size);
// Serves the launcher that HostPacketOne has been changing to one loopback client: true
// when the client receives a valid grid.
bool HostPacketFreshClientGetsGrid();

// The Standard MIDI File reader, one reader kept between inputs: a refused input leaves it
// empty; in a read file ticks never decrease within a track, paired notes point at each
// other with the same channel and key, the note-off no earlier, and the length is the latest
// last tick.
bool MidiFileOne(const uint8_t* data, std::size_t size);

// Inputs the readers accepted since the last reset, so a driver can tell that its inputs
// reach the decoding paths and not only the header checks.
int& AcceptedCount();

// Routes the readers' log lines to nowhere (fuzzing prints millions of them).
void SilenceLog();

}  // namespace fuzz_targets
