// Runs the fuzz entry points over a fixed number of seeded, deterministic inputs: valid
// images of every kind, mutated (bit flips, interesting bytes and words, chunk sizes,
// truncation, insertion, splicing) and raw noise. Meant to run under ASan/UBSan in CI;
// the libFuzzer mains explore further when built with clang.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "data/SampleFile.h"
#include "platform/LogSink.h"
#include "tests/data/AudioImages.h"
#include "tests/fuzz/FuzzSeeds.h"
#include "tests/fuzz/FuzzTargets.h"

namespace {

using audio_images::Bytes;
namespace img = audio_images;
using fuzz_seeds::MswfSeeds;
using fuzz_seeds::WaveSeeds;

constexpr int kIterations = 20000;

class SilentLog {
 public:
  SilentLog() { fuzz_targets::SilenceLog(); }
  ~SilentLog() { platform::SetLogSink(nullptr, nullptr); }
};

class Mutator {
 public:
  explicit Mutator(uint32_t seed) : rng_(seed) {}

  Bytes Next(const std::vector<Bytes>& seeds) {
    Bytes b = seeds[Pick(seeds.size())];
    if (Pick(20) == 0) {  // noise behind a plausible magic
      Bytes noise(Pick(300));
      for (auto& x : noise) x = static_cast<uint8_t>(rng_());
      if (noise.size() >= 4 && !b.empty()) std::copy(b.begin(), b.begin() + std::min<std::size_t>(4, b.size()), noise.begin());
      return noise;
    }
    const int steps = 1 + static_cast<int>(Pick(4));
    for (int s = 0; s < steps; ++s) Mutate(b, seeds);
    return b;
  }

 private:
  std::size_t Pick(std::size_t n) { return n ? rng_() % n : 0; }

  void Mutate(Bytes& b, const std::vector<Bytes>& seeds) {
    static constexpr uint8_t kBytes[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
    static constexpr uint32_t kWords[] = {0, 1, 2, 3, 16, 52, 0x7F, 0x80, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000u,
                                          0xFFFFFFF0u, 0xFFFFFFFFu};
    switch (Pick(8)) {
      case 0:
        if (!b.empty()) b[Pick(b.size())] ^= static_cast<uint8_t>(1u << Pick(8));
        break;
      case 1:
        if (!b.empty()) b[Pick(b.size())] = kBytes[Pick(sizeof kBytes)];
        break;
      case 2:
      case 3: {  // a 32-bit word, often a header or chunk-size field, either byte order
        if (b.size() < 4) break;
        std::size_t at = Pick(b.size() - 3);
        if (Pick(2)) at = std::min<std::size_t>(4 + 4 * Pick(16), b.size() - 4);
        if (Pick(2))
          for (std::size_t i = 12; i + 8 <= b.size(); ++i)
            if (b[i] >= 'A' && b[i] <= 'z' && b[i + 1] >= 'A' && b[i + 1] <= 'z' && Pick(4) == 0) {
              at = i + 4;
              break;
            }
        const uint32_t w = Pick(4) ? kWords[Pick(sizeof kWords / 4)] : static_cast<uint32_t>(b.size() + Pick(9) - 4);
        const bool big = Pick(2);
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(w >> (big ? 24 - 8 * i : 8 * i));
        break;
      }
      case 4:
        b.resize(Pick(b.size() + 1));
        break;
      case 5: {
        const std::size_t at = Pick(b.size() + 1);
        Bytes more(1 + Pick(16));
        for (auto& x : more) x = static_cast<uint8_t>(rng_());
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), more.begin(), more.end());
        break;
      }
      case 6: {  // duplicate a slice
        if (b.size() < 2) break;
        const std::size_t from = Pick(b.size());
        const std::size_t len = 1 + Pick(std::min<std::size_t>(64, b.size() - from));
        const Bytes slice(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + len));
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(Pick(b.size() + 1)), slice.begin(), slice.end());
        break;
      }
      default: {  // splice the tail of another seed
        const Bytes& other = seeds[Pick(seeds.size())];
        const std::size_t keep = Pick(b.size() + 1);
        const std::size_t from = Pick(other.size() + 1);
        b.resize(keep);
        b.insert(b.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
      }
    }
  }

  std::mt19937 rng_;
};

template <class Target>
void Drive(std::vector<Bytes> (*makeSeeds)(), Target target, uint32_t seed) {
  SilentLog silent;
  const std::vector<Bytes> seeds = makeSeeds();
  for (const Bytes& s : seeds) ASSERT_TRUE(target(s.data(), s.size())) << "seed input";
  Mutator mutator(seed);
  fuzz_targets::AcceptedCount() = 0;
  int failures = 0;
  for (int i = 0; i < kIterations && failures < 5; ++i) {
    const Bytes input = mutator.Next(seeds);
    if (!target(input.data(), input.size())) {
      ++failures;
      ADD_FAILURE() << "iteration " << i << " (" << input.size() << " bytes) broke a property";
    }
  }
  // Mutations must leave enough inputs valid to exercise decoding, not only rejection.
  EXPECT_GT(fuzz_targets::AcceptedCount(), kIterations / 20);
  std::printf("%d of %d mutated inputs accepted\n", fuzz_targets::AcceptedCount(), kIterations);
}

// The real files widen what the drivers start from; without them the drivers still run,
// and this says why they are missing instead of passing quietly.
TEST(FuzzDriver, PythonsAudioTestFilesAreAmongTheSeeds) {
  const std::string dir = fuzz_seeds::PythonAudioDir();
  struct stat st;
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    GTEST_SKIP() << "Python's test suite is not installed: no directory " << dir;
  EXPECT_EQ(fuzz_seeds::PythonAudioSeeds().size(), 3u) << "in " << dir;
}

TEST(FuzzDriver, SampleFileDecoderSurvivesMutatedImages) { Drive(&WaveSeeds, &fuzz_targets::SampleFileOne, 0x5EED01); }

TEST(FuzzDriver, MswfReaderSurvivesMutatedContainers) { Drive(&MswfSeeds, &fuzz_targets::MswfOne, 0x5EED02); }

TEST(FuzzDriver, XmlReaderSurvivesMutatedDocuments) { Drive(&fuzz_seeds::XmlSeeds, &fuzz_targets::XmlOne, 0x5EED03); }

TEST(FuzzDriver, Base64DecoderSurvivesMutatedText) { Drive(&fuzz_seeds::Base64Seeds, &fuzz_targets::Base64One, 0x5EED04); }

TEST(FuzzDriver, HostPacketParserSurvivesMutatedStreams) {
  Drive(&fuzz_seeds::HostPacketSeeds, &fuzz_targets::HostPacketOne, 0x5EED05);
  EXPECT_TRUE(fuzz_targets::HostPacketFreshClientGetsGrid());
}

TEST(FuzzDriver, MidiFileReaderSurvivesMutatedFiles) {
  Drive(+[] { return fuzz_seeds::MidiFileSeeds(16384); }, &fuzz_targets::MidiFileOne, 0x5EED06);
}

}  // namespace
