#pragma once
// Valid inputs of every kind the readers take, the starting points of both fuzz drivers
// (the deterministic GoogleTest driver and the libFuzzer corpus that fuzz_seeds writes).
#include <vector>

#include "tests/data/AudioImages.h"

namespace fuzz_seeds {

std::vector<audio_images::Bytes> WaveSeeds();
// The real files among WaveSeeds (small ones of Python's test suite), and where they are
// looked for; empty when that directory is missing.
std::vector<audio_images::Bytes> PythonAudioSeeds();
const char* PythonAudioDir();
std::vector<audio_images::Bytes> MswfSeeds();
// XML documents of the kinds the instrument reads and writes, among them two Base64 values
// in one element and a text attribute that starts like Base64.
std::vector<audio_images::Bytes> XmlSeeds();
// Base64 texts of both alphabets, pads and short groups, ending at a '"'.
std::vector<audio_images::Bytes> Base64Seeds();
// Host-link packets of every received type, framed as on the wire; two in one stream.
std::vector<audio_images::Bytes> HostPacketSeeds();
// Hand-made Standard MIDI Files (running status, long deltas, system exclusive, long meta
// text, overlapping notes, formats 0 to 2, an unknown chunk) and the real files of
// tests/support/RealMidiFiles.h up to `maxBytes` each.
std::vector<audio_images::Bytes> MidiFileSeeds(std::size_t maxBytes);

}  // namespace fuzz_seeds
