#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/ContentHash.h"
#include "data/WavefileCache.h"
#include "data/WavetableCache.h"
#include "tests/data/AudioImages.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

using audio_images::Bytes;
namespace img = audio_images;

TEST(ContentHash, MurmurHash2PassesItsReferenceVerification) {
  // The verification of the SMHasher suite: hash keys {0}, {0,1}, ... {0..254} with seeds
  // 256 - length, then hash the 256 results with seed 0. MurmurHash2 gives 0x27864C1E.
  uint8_t key[256];
  uint8_t hashes[256 * 4];
  for (int i = 0; i < 256; ++i) {
    key[i] = static_cast<uint8_t>(i);
    const uint32_t h = content_hash::Murmur2(key, static_cast<std::size_t>(i), static_cast<uint32_t>(256 - i));
    std::memcpy(hashes + i * 4, &h, 4);
  }
  EXPECT_EQ(content_hash::Murmur2(hashes, sizeof hashes, 0), 0x27864C1Eu);
}

TEST(ContentHash, FloatHashIsTheTargetLibrarysStdHash) {
  // std::hash<float> as the board's 32-bit libstdc++ computes it (armhf g++ 12, printed under
  // qemu-arm); a 32-bit build also asks its own library.
  struct Row {
    float value;
    uint32_t hash;
  };
  const Row rows[] = {
      {1.0f, 0x623BA0B0u}, {-0.5f, 0xF975A4A3u}, {0.25f, 0xE323E056u}, {1e-30f, 0x6E969A0Du}, {3.14159f, 0x24421314u},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(content_hash::OfFloat(r.value), r.hash) << r.value;
    if constexpr (sizeof(std::size_t) == 4) {
      EXPECT_EQ(content_hash::OfFloat(r.value), std::hash<float>{}(r.value));
    }
  }
}

TEST(ContentHash, ZerosHashToZeroAndValuesFoldByThirtyOne) {
  const std::vector<float> zeros(2048, 0.0f);
  EXPECT_EQ(content_hash::Accumulate(0, zeros.data(), zeros.size()), 0u);
  EXPECT_EQ(content_hash::OfFloat(-0.0f), 0u);
  const float one = 1.0f;
  EXPECT_EQ(content_hash::OfFloat(one), content_hash::Murmur2(&one, 4, 0xC70F6907u));
  const float pair[2] = {0.5f, -0.25f};
  EXPECT_EQ(content_hash::Accumulate(0, pair, 2),
            content_hash::OfFloat(0.5f) * 31u + content_hash::OfFloat(-0.25f));
}

// ---- WavefileCache --------------------------------------------------------------------

Bytes Wave(int tag, int channels = 1) {
  Bytes data;
  for (int i = 0; i < 16 * channels; ++i) img::Le16(data, static_cast<uint16_t>(tag * 100 + i));
  return img::Wav(1, static_cast<uint16_t>(channels), 48000, 16, data);
}

struct NoiseDir {
  testing_support::TempDataRoot root;
  std::string dir = root.MakeDir("/var/lib/ruv/working/wave/noises");
  void Write(const std::string& file, const Bytes& bytes) const {
    FILE* f = std::fopen((dir + "/" + file).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
};

TEST(WavefileCache, SameNameAndContentGiveTheSameObject) {
  NoiseDir files;
  files.Write("kick.wav", Wave(1));
  WavefileCache cache;
  MultiWaveReader* first = cache.LoadFile("kick", ".wav");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Name(), "kick");
  EXPECT_EQ(first->LatestLoad(), 1);
  // The content hash of the sixteen 16-bit samples 100..115 as the decoder scales them.
  float decoded[16];
  for (int i = 0; i < 16; ++i) decoded[i] = static_cast<float>(100 + i) / 32767.0f;
  EXPECT_EQ(static_cast<uint32_t>(first->Hash()), content_hash::Accumulate(0, decoded, 16));
  EXPECT_EQ(cache.LoadFile("kick", ".wav"), first);
  EXPECT_EQ(cache.Count(), 1u);
  EXPECT_EQ(first->LatestLoad(), 0);
  EXPECT_EQ(cache.FindByNameAndHash("kick", first->Hash()), first);
  EXPECT_EQ(cache.Find("kick"), first);

  // The same bytes embedded in a preset under the same name are the same entry too.
  const Bytes bytes = Wave(1);
  EXPECT_EQ(cache.LoadStream("kick", bytes.data(), bytes.size()), first);

  // Changed on disk: a second entry under the same name.
  files.Write("kick.wav", Wave(2));
  MultiWaveReader* second = cache.LoadFile("kick", ".wav");
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(cache.Count(), 2u);
  EXPECT_EQ(cache.Find("kick"), first);
  EXPECT_EQ(cache.FindByNameAndHash("kick", second->Hash()), second);
}

TEST(WavefileCache, FailuresAddNothingAndSayWhy) {
  NoiseDir files;
  files.Write("bad.msw", {'M', 'S', 'W', 'F', 0, 0});
  WavefileCache cache;
  testing_support::LogCapture log;
  EXPECT_EQ(cache.LoadFile("absent", ".wav"), nullptr);
  EXPECT_NE(log.Text().find("ERROR: [WavefileCache] loading sample from file <absent>\n"), std::string::npos);
  EXPECT_EQ(cache.LoadFile("bad", ".msw"), nullptr);
  const Bytes junk = {'R', 'I', 'F', 'F', 9};
  EXPECT_EQ(cache.LoadStream("junk", junk.data(), junk.size()), nullptr);
  EXPECT_NE(log.Text().find("<WavefileCache>  ERROR: loading wave stream <junk>\n"), std::string::npos);
  log.Clear();
  const Bytes good = Wave(1);
  EXPECT_EQ(cache.LoadStream("", good.data(), good.size()), nullptr);
  EXPECT_EQ(cache.LoadStream("x", good.data(), 0), nullptr);
  EXPECT_EQ(log.Text(), "");  // refused before decoding
  EXPECT_EQ(cache.Count(), 0u);
}

TEST(WavefileCache, FifthSetEvictsTheOldestUnreferencedOne) {
  WavefileCache cache;
  std::vector<MultiWaveReader*> sets;
  for (int i = 0; i < 4; ++i) {
    const Bytes b = Wave(i);
    sets.push_back(cache.LoadStream(std::string("s").append(std::to_string(i)), b.data(), b.size()));
  }
  sets[0]->AddRef();
  testing_support::LogCapture log;
  const Bytes b = Wave(9);
  MultiWaveReader* fifth = cache.LoadStream("s4", b.data(), b.size());
  EXPECT_EQ(log.Text(), "WAVE_CACHE[0] ->skiped delete wavefile <s0>\nWAVE_CACHE[1] ->delete wavefile <s1>\n");
  ASSERT_EQ(cache.Count(), 4u);
  EXPECT_EQ(cache.Find("s1"), nullptr);
  EXPECT_EQ(cache.Entry(3), fifth);

  // With every entry in use nothing is freed and the cache grows past its limit.
  for (std::size_t i = 0; i < cache.Count(); ++i) cache.Entry(i)->AddRef();
  log.Clear();
  const Bytes c = Wave(10);
  cache.LoadStream("s5", c.data(), c.size());
  EXPECT_EQ(log.Text(),
            "WAVE_CACHE[0] ->skiped delete wavefile <s0>\nWAVE_CACHE[1] ->skiped delete wavefile <s2>\n"
            "WAVE_CACHE[2] ->skiped delete wavefile <s3>\nWAVE_CACHE[3] ->skiped delete wavefile <s4>\n");
  EXPECT_EQ(cache.Count(), 5u);

  // Release never takes a count below zero.
  sets[0]->Release();
  sets[0]->Release();
  sets[0]->Release();
  EXPECT_EQ(sets[0]->RefCount(), 0);
}

TEST(WavefileCache, OneHugeSetMakesTheNextInsertionEvict) {
  // 32-bit mono data just over the byte limit, zeros (whose hash is 0).
  const uint32_t frames = static_cast<uint32_t>(WavefileCache::kMaxBytes / 4 + 1);
  Bytes big = img::Riff({{"fmt ", img::Fmt(3, 1, 48000, 32)}, {"data", {}, true, frames * 4}});
  big.resize(big.size() + std::size_t{frames} * 4, 0);
  img::PutLe32At(big, 4, static_cast<uint32_t>(big.size() - 8));
  WavefileCache cache;
  ASSERT_NE(cache.LoadStream("big", big.data(), big.size()), nullptr);
  big = Bytes();
  EXPECT_GT(cache.Entry(0)->DecodedBytes(), WavefileCache::kMaxBytes);
  testing_support::LogCapture log;
  const Bytes small = Wave(1);
  cache.LoadStream("small", small.data(), small.size());
  EXPECT_EQ(log.Text(), "WAVE_CACHE[0] ->delete wavefile <big>\n");
  EXPECT_EQ(cache.Count(), 1u);
}

TEST(WavefileCache, PrintCacheListsEveryEntry) {
  WavefileCache cache;
  const Bytes a = Wave(1, 2);
  const Bytes container = img::Mswf({Wave(2), Wave(3)}, 3);
  cache.LoadStream("pad", a.data(), a.size());
  MultiWaveReader* multi = cache.LoadStream("multi", container.data(), container.size());
  multi->AddRef();
  testing_support::LogCapture log;
  cache.PrintCache();
  char expected[512];
  std::snprintf(expected, sizeof expected,
                "WAVE_CACHE[0] *  time:%ds,%dn hash:0x%08X,regions 1 name:<pad> ref:0 size:0kb cache_size:0kb\n"
                "WAVE_CACHE[1] +  time:%ds,%dn hash:0x%08X,regions 3 name:<multi> ref:1 size:0kb cache_size:0kb\n",
                static_cast<int>(cache.Entry(0)->LoadSeconds()), static_cast<int>(cache.Entry(0)->LoadNanoseconds()),
                static_cast<unsigned>(cache.Entry(0)->Hash()), static_cast<int>(multi->LoadSeconds()),
                static_cast<int>(multi->LoadNanoseconds()), static_cast<unsigned>(multi->Hash()));
  EXPECT_EQ(log.Text(), expected);
}

// ---- WavetableCache -------------------------------------------------------------------

std::vector<int16_t> TableData(int frames, int seed) {
  std::vector<int16_t> data(static_cast<std::size_t>(frames) * WaveTable::kSize);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<int16_t>((i * 13 + seed * 977) % 20000 - 10000);
  return data;
}

TEST(WavetableCache, HitsEvictionAndAnalysis) {
  WavetableCache cache;
  const auto data = TableData(2, 1);
  WaveTable* first = cache.LoadNativeData("wt1", data.data(), data.size(), 1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Variant(200).bins, WaveTable::kSize);  // analysed on request
  std::vector<float> scaled(data.size());
  for (std::size_t i = 0; i < data.size(); ++i) scaled[i] = static_cast<float>(data[i]) / 32767.0f;
  EXPECT_EQ(static_cast<uint32_t>(first->Hash()), content_hash::Accumulate(0, scaled.data(), scaled.size()));
  EXPECT_EQ(cache.LoadNativeData("wt1", data.data(), data.size(), 1), first);
  EXPECT_EQ(first->LatestLoad(), 0);
  EXPECT_EQ(cache.Count(), 1u);

  const auto zeros = std::vector<int16_t>(WaveTable::kSize, 0);
  WaveTable* silent = cache.LoadNativeData("zero", zeros.data(), zeros.size(), 0);
  ASSERT_NE(silent, nullptr);
  EXPECT_EQ(silent->Hash(), 0);
  EXPECT_EQ(silent->Variant(0).bins, 0);
  for (int i = 2; i < 4; ++i) {
    const auto d = TableData(2, i);
    cache.LoadNativeData(std::string("wt").append(std::to_string(i)), d.data(), d.size(), 0);
  }
  first->AddRef();
  testing_support::LogCapture log;
  const auto d = TableData(3, 9);
  cache.LoadNativeData("wt9", d.data(), d.size(), 0);
  EXPECT_EQ(log.Text(), "WT Load: samples 6144 variants: 3, out: 255\nWT_CACHE[1] ->delete wavetable <zero>\n");
  EXPECT_EQ(cache.Count(), 4u);
  EXPECT_EQ(cache.Find("wt1"), first);

  EXPECT_EQ(cache.LoadNativeData("", d.data(), d.size(), 0), nullptr);
  EXPECT_EQ(cache.LoadNativeData("n", d.data(), 0, 0), nullptr);
}

TEST(WavetableCache, FilesComeFromTheWaveDirectory) {
  testing_support::TempDataRoot root;
  const std::string dir = root.MakeDir("/var/lib/ruv/working/wave");
  SampleFile s;
  s.Resize(1, 2 * WaveTable::kSize);
  s.Channel(0)[5] = 0.5f;
  std::vector<uint8_t> image;
  s.EncodeWave(image);
  FILE* f = std::fopen((dir + "/saw.wav").c_str(), "wb");
  std::fwrite(image.data(), 1, image.size(), f);
  std::fclose(f);

  WavetableCache cache;
  WaveTable* table = cache.LoadFile("saw");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->Name(), "saw");
  EXPECT_EQ(table->Variant(0).bins, 0);  // file tables are not analysed by the cache
  EXPECT_EQ(cache.LoadFile("saw"), table);
  testing_support::LogCapture log;
  EXPECT_EQ(cache.LoadFile("nothing"), nullptr);
  EXPECT_NE(log.Text().find("ERROR: [WavetableCache] loading native sample from file <nothing>\n"), std::string::npos);
}

}  // namespace
