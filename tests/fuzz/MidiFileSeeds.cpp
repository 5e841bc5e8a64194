#include <fstream>
#include <iterator>

#include "tests/fuzz/FuzzSeeds.h"
#include "tests/support/RealMidiFiles.h"

namespace fuzz_seeds {
namespace {

using audio_images::Bytes;

Bytes Smf(int format, int tpq, const std::vector<Bytes>& tracks, const Bytes& before = {}) {
  Bytes b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(format), 0,
             static_cast<uint8_t>(tracks.size()), static_cast<uint8_t>(tpq >> 8), static_cast<uint8_t>(tpq)};
  for (uint8_t x : before) b.push_back(x);  // (insert here trips a false -Warray-bounds of g++ 12)
  for (const Bytes& t : tracks) {
    const std::size_t n = t.size();
    b.insert(b.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                       static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    b.insert(b.end(), t.begin(), t.end());
  }
  return b;
}

}  // namespace

std::vector<Bytes> MidiFileSeeds(std::size_t maxBytes) {
  Bytes longMeta = {0, 0xFF, 0x03, 0x81, 0x00};
  longMeta.resize(longMeta.size() + 128, 'n');
  longMeta.insert(longMeta.end(), {0, 0xFF, 0x2F, 0});
  std::vector<Bytes> seeds = {
      Smf(0, 96, {{0, 0xFF, 0x03, 4, 'S', 'e', 'q', '1', 0, 0xFF, 0x58, 4, 3, 2, 24, 8, 0, 0x90, 60, 100, 0x7F, 62,
                   90, 0x81, 0x00, 0x80, 60, 0, 0, 0xB0, 7, 99, 10, 0x90, 62, 0, 0, 0xFF, 0x2F, 0}}),
      Smf(1, 480, {{0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xFF, 0x2F, 0},
                   {0, 0xF0, 5, 0x7E, 0x7F, 9, 1, 0xF7, 0, 0x91, 40, 1, 0, 40, 1, 0xFF, 0xFF, 0xFF, 0x7F, 0x81, 40,
                    0, 1, 40, 0, 0, 0xC1, 5, 0, 0xE1, 0, 64, 0, 0xFF, 0x2F, 0}}),
      Smf(2, 192, {{}, longMeta}, {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2}),
  };
  for (const std::string& path : testing_support::RealMidiFiles()) {
    std::ifstream in(path, std::ios::binary);
    Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!b.empty() && b.size() <= maxBytes) seeds.push_back(std::move(b));
  }
  return seeds;
}

}  // namespace fuzz_seeds
