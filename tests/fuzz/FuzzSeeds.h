#pragma once
// Valid images of every kind the readers take, the starting points of both fuzz drivers
// (the deterministic GoogleTest driver and the libFuzzer corpus that fuzz_seeds writes).
#include <vector>

#include "tests/data/AudioImages.h"

namespace fuzz_seeds {

std::vector<audio_images::Bytes> WaveSeeds();
std::vector<audio_images::Bytes> MswfSeeds();

}  // namespace fuzz_seeds
