// Writes the fuzz seeds as a starting corpus:
// fuzz_seeds <wave dir> <mswf dir> <xml dir> <base64 dir> [<host packet dir> [<MIDI file dir>]].
#include <cstdio>
#include <string>
#include <vector>

#include "platform/LogSink.h"
#include "tests/fuzz/FuzzSeeds.h"

namespace {

bool WriteAll(const std::string& dir, const std::vector<audio_images::Bytes>& seeds) {
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    const std::string path = dir + "/seed" + std::to_string(i);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
      return false;
    }
    const bool ok = std::fwrite(seeds[i].data(), 1, seeds[i].size(), f) == seeds[i].size();
    std::fclose(f);
    if (!ok) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc > 7) {
    std::fprintf(stderr,
                 "usage: fuzz_seeds <wave dir> <mswf dir> <xml dir> <base64 dir> [<host packet dir> [<MIDI file dir>]]\n");
    return 2;
  }
  platform::SetLogSink([](const char*, void*) {}, nullptr);  // the encoder's timing lines
  return WriteAll(argv[1], fuzz_seeds::WaveSeeds()) && WriteAll(argv[2], fuzz_seeds::MswfSeeds()) &&
                 WriteAll(argv[3], fuzz_seeds::XmlSeeds()) && WriteAll(argv[4], fuzz_seeds::Base64Seeds()) &&
                 (argc < 6 || WriteAll(argv[5], fuzz_seeds::HostPacketSeeds())) &&
                 (argc < 7 || WriteAll(argv[6], fuzz_seeds::MidiFileSeeds(8192)))
             ? 0
             : 1;
}
