#pragma once
// Valid images of every kind the readers take, the starting points of both fuzz drivers
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

}  // namespace fuzz_seeds
