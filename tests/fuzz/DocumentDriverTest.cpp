// The document readers over the documents the program writes and deterministic mutations
// of them (bytes flipped, cut, repeated, numbers and characters put in); every input must
// keep the properties DocumentOne checks, under ASan/UBSan in CI.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/LogSink.h"
#include "tests/fuzz/DocumentTargets.h"
#include "tests/fuzz/FuzzTargets.h"

namespace {

using audio_images::Bytes;
using fuzz_targets::Document;

constexpr int kIterations = 1500;

class Mutator {
 public:
  explicit Mutator(uint32_t seed) : rng_(seed) {}

  Bytes Next(const Bytes& seed) {
    Bytes b = seed;
    const int steps = 1 + Pick(4);
    for (int s = 0; s < steps && !b.empty(); ++s) {
      const std::size_t at = Pick(b.size());
      switch (Pick(5)) {
        case 0:
          b[at] = static_cast<uint8_t>(b[at] ^ (1u << Pick(8)));
          break;
        case 1:
          b.erase(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(std::min(b.size(), at + 1 + Pick(64))));
          break;
        case 2: {  // a stretch repeated: elements and attributes given twice
          const std::size_t n = std::min(b.size() - at, 1 + Pick(200));
          const Bytes piece(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
          b.insert(b.begin() + static_cast<long>(Pick(b.size())), piece.begin(), piece.end());
          break;
        }
        case 3: {  // a number or a character where digits stood
          static const char* const kTexts[] = {"-1", "0", "2147483647", "-2147483648", "89478486", "1e39", "nan",
                                               "\xE9", "&#9;", "&#1;", "\xC3", "99999999999"};
          const std::string t = kTexts[Pick(std::size(kTexts))];
          std::size_t digit = at;
          while (digit < b.size() && (b[digit] < '0' || b[digit] > '9')) ++digit;
          if (digit < b.size()) b.erase(b.begin() + static_cast<long>(digit));
          b.insert(b.begin() + static_cast<long>(std::min(digit, b.size())), t.begin(), t.end());
          break;
        }
        default:
          b.resize(at);
          break;
      }
    }
    return b;
  }

 private:
  std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
  std::mt19937 rng_;
};

TEST(DocumentFuzzDriver, EveryReaderSurvivesMutatedDocumentsAndRoundTrips) {
  fuzz_targets::SilenceLog();
  uint32_t seed = 0xD0C001;
  for (Document d : fuzz_targets::kDocuments) {
    SCOPED_TRACE(fuzz_targets::DocumentName(d));
    const std::vector<Bytes> seeds = fuzz_targets::DocumentSeeds(d);
    ASSERT_FALSE(seeds.empty());
    for (const Bytes& s : seeds) ASSERT_TRUE(fuzz_targets::DocumentOne(d, s.data(), s.size()));
    Mutator mutator(seed++);
    for (int i = 0; i < kIterations; ++i) {
      const Bytes input = mutator.Next(seeds[static_cast<std::size_t>(i) % seeds.size()]);
      ASSERT_TRUE(fuzz_targets::DocumentOne(d, input.data(), input.size()))
          << "input " << i << ":\n" << std::string(input.begin(), input.end()).substr(0, 4000);
    }
  }
  platform::SetLogSink(nullptr, nullptr);
}

// A preset cut off part-way keeps the values it read, but only a complete load gives a shaper
// without an insert its pre-gain; the stored copy, read whole, gets it once.
TEST(DocumentFuzzDriver, APresetStoppedPartWayRoundTripsOnceItsCopyIsReadWhole) {
  fuzz_targets::SilenceLog();
  const std::vector<Bytes> seeds = fuzz_targets::DocumentSeeds(Document::kPreset);
  ASSERT_FALSE(seeds.empty());
  std::string text(seeds[0].begin(), seeds[0].end());
  for (const char* name : {"\"SHAPER Density\"", "\"SHAPER Insert\""}) {
    const std::size_t at = text.find(name);
    ASSERT_NE(at, std::string::npos) << name;
    const std::size_t value = text.find("Value=\"", at) + 7;
    text.replace(value, text.find('"', value) - value, "0.000");
  }
  text.resize(text.find('\n', text.find("\"SHAPER Insert\"")) + 1);
  EXPECT_TRUE(fuzz_targets::DocumentOne(Document::kPreset, reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  platform::SetLogSink(nullptr, nullptr);
}

}  // namespace
