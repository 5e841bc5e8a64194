// Writes the fuzz seeds of libFuzzer targets as their starting corpora:
// fuzz_seeds <target> <dir> [<target> <dir> ...], a target named as in fuzz_<target>.
#include <cstdio>
#include <cstring>
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

struct Target {
  const char* name;
  std::vector<audio_images::Bytes> (*seeds)();
};
const Target kTargets[] = {
    {"SampleFile", fuzz_seeds::WaveSeeds}, {"Mswf", fuzz_seeds::MswfSeeds},
    {"Xml", fuzz_seeds::XmlSeeds},         {"Base64", fuzz_seeds::Base64Seeds},
    {"HostPacket", fuzz_seeds::HostPacketSeeds},
    {"MidiFile", +[] { return fuzz_seeds::MidiFileSeeds(8192); }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 != 1) {
    std::fprintf(stderr, "usage: fuzz_seeds <target> <dir> [<target> <dir> ...]\n");
    return 2;
  }
  platform::SetLogSink([](const char*, void*) {}, nullptr);  // the encoder's timing lines
  for (int i = 1; i < argc; i += 2) {
    const Target* target = nullptr;
    for (const Target& t : kTargets) {
      if (std::strcmp(t.name, argv[i]) == 0) target = &t;
    }
    if (target == nullptr) {
      std::fprintf(stderr, "fuzz_seeds: no seeds for target %s\n", argv[i]);
      return 2;
    }
    if (!WriteAll(argv[i + 1], target->seeds())) return 1;
  }
  return 0;
}
