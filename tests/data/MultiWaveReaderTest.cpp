#include "data/MultiWaveReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "tests/data/AudioImages.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

using audio_images::Bytes;
namespace img = audio_images;

// A small 16-bit item whose first sample tells which one it is.
Bytes Item(int tag, int frames = 8, int channels = 1) {
  Bytes data;
  for (int i = 0; i < frames * channels; ++i) img::Le16(data, static_cast<uint16_t>(tag * 1000 + i));
  return img::Wav(1, static_cast<uint16_t>(channels), 44100, 16, data);
}

float FirstSample(const SampleFile* item) { return item->Channel(0)[0] * 32767.0f; }

std::string WriteFile(const testing_support::TempDataRoot& root, const char* name, const Bytes& bytes) {
  const std::string path = root.Root() + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

void ExpectDefaultRegion(const MswfRegion& r) {
  EXPECT_EQ(r.recordSize, 52u);
  EXPECT_EQ(r.dataOffset, 0u);
  EXPECT_EQ(r.sampleIndex, 0u);
  EXPECT_EQ(r.startFrame + r.endFrame + r.loopStart + r.loopEnd, 0u);
  EXPECT_EQ(r.lowKey, 0);
  EXPECT_EQ(r.highKey, 127);
  EXPECT_EQ(r.rootKey, 24);
  EXPECT_EQ(r.lowVelocity, 0);
  EXPECT_EQ(r.highVelocity, 127);
  EXPECT_EQ(r.loopMode, 0);
}

TEST(MultiWaveReader, PlainRiffGivesOneItemAndTheFullRangeRegion) {
  testing_support::TempDataRoot root;
  const Bytes wav = Item(3, 8, 2);
  const std::string path = WriteFile(root, "plain.wav", wav);

  MultiWaveReader fromStream;
  EXPECT_EQ(fromStream.loadStream(wav.data(), wav.size()), 1);
  MultiWaveReader fromFile;
  EXPECT_NE(fromFile.loadFile(path), 0);
  for (MultiWaveReader* set : {&fromStream, &fromFile}) {
    ASSERT_EQ(set->ItemCount(), 1);
    ASSERT_EQ(set->Regions().size(), 1u);
    EXPECT_EQ(set->ContainerFlag(), 0);
    EXPECT_EQ(set->Item(0)->Channels(), 2);
    EXPECT_EQ(FirstSample(set->Item(0)), 3000.0f);
    ExpectDefaultRegion(set->Regions()[0]);
  }
}

TEST(MultiWaveReader, ContainerItemsComeFromTheirRegionsAndByte51IsTheIndex) {
  const Bytes container = img::Mswf({Item(1), Item(2, 5)}, 3);
  MultiWaveReader set;
  std::vector<std::pair<int, int>> progress;
  set.SetProgressCallback([&](int total, int done) { progress.emplace_back(total, done); });
  ASSERT_EQ(set.loadStream(container.data(), container.size()), 1);
  EXPECT_EQ(set.ContainerFlag(), 1);
  ASSERT_EQ(set.ItemCount(), 2);
  EXPECT_EQ(FirstSample(set.Item(0)), 1000.0f);
  EXPECT_EQ(FirstSample(set.Item(1)), 2000.0f);
  EXPECT_EQ(set.Item(1)->Frames(), 5);
  ASSERT_EQ(set.Regions().size(), 3u);
  for (uint32_t r = 0; r < 3; ++r) {
    const MswfRegion& region = set.Regions()[r];
    EXPECT_EQ(region.regionNumber, r);
    EXPECT_EQ(region.lowKey, r * 10);
    EXPECT_EQ(region.highKey, r * 10 + 9);
    EXPECT_EQ(region.rootKey, 60);
  }
  // Region 2 is held as stored: it points at item 1's bytes.
  EXPECT_EQ(set.Regions()[2].dataOffset, set.Regions()[1].dataOffset);
  EXPECT_EQ(set.Regions()[2].sampleIndex, 1u);
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{2, 1}, {2, 2}}));
}

TEST(MultiWaveReader, DamagedItemFailsAStreamButOnlyThatItemOfAFile) {
  testing_support::TempDataRoot root;
  Bytes damaged = Item(2);
  damaged[22] = 0;  // channels 0
  const Bytes container = img::Mswf({Item(1), damaged, Item(3)}, 3);

  {
    testing_support::LogCapture log;
    MultiWaveReader set;
    EXPECT_EQ(set.loadStream(container.data(), container.size()), 0);
    EXPECT_NE(log.Text().find("MultiWaveReader: <loadStream> ERROR [MSWF] reading region 1 \n"), std::string::npos);
  }
  const std::string path = WriteFile(root, "three.msw", container);
  testing_support::LogCapture log;
  MultiWaveReader set;
  std::vector<std::pair<int, int>> progress;
  set.SetProgressCallback([&](int total, int done) { progress.emplace_back(total, done); });
  EXPECT_NE(set.loadFile(path), 0);
  EXPECT_NE(log.Text().find("MultiWaveReader: <loadFile:" + path + "> [MSWF] ERROR reading sample 1 \n"),
            std::string::npos);
  // The damaged item keeps its place, so region 2 still plays item 2.
  ASSERT_EQ(set.ItemCount(), 3);
  EXPECT_EQ(FirstSample(set.Item(0)), 1000.0f);
  EXPECT_EQ(set.Item(1), nullptr);
  EXPECT_EQ(FirstSample(set.Item(2)), 3000.0f);
  // (total, done) as for a stream, with no call for the damaged item.
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{3, 1}, {3, 3}}));

  // Stored again, the set stays loadable: the damaged item becomes an empty sample.
  Bytes stream;
  ASSERT_GT(set.CreateStream(stream, 1), 0u);
  MultiWaveReader again;
  ASSERT_EQ(again.loadStream(stream.data(), stream.size()), 1);
  ASSERT_EQ(again.ItemCount(), 3);
  EXPECT_EQ(again.Item(1)->Frames(), 0);
  EXPECT_EQ(FirstSample(again.Item(2)), 3000.0f);
}

TEST(MultiWaveReader, CreateStreamRoundTrips) {
  const Bytes container = img::Mswf({Item(1, 7), Item(2, 9, 2)}, 3);
  MultiWaveReader set;
  ASSERT_EQ(set.loadStream(container.data(), container.size()), 1);
  std::vector<std::pair<int, int>> progress;
  set.SetProgressCallback([&](int total, int done) { progress.emplace_back(total, done); });
  testing_support::LogCapture log;
  Bytes stream;
  const std::size_t length = set.CreateStream(stream, 1);
  EXPECT_EQ(length, stream.size());
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{2, 1}, {2, 2}}));
  const std::string text = log.Text();
  EXPECT_NE(text.find("MultiwaveReader: [Create Stream] (MW) regions 3\n"), std::string::npos);
  EXPECT_NE(text.find("MultiwaveReader: [Create Stream] (MW) items 2\n"), std::string::npos);
  EXPECT_NE(text.find("[Convert2Riff] Elapsed: "), std::string::npos);
  EXPECT_NE(text.find("   Convert2Riff 2\n"), std::string::npos);

  ASSERT_GE(stream.size(), 16u + 3 * 52);
  EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 16), Bytes(container.begin(), container.begin() + 16));
  MultiWaveReader back;
  ASSERT_EQ(back.loadStream(stream.data(), stream.size()), 1);
  ASSERT_EQ(back.ItemCount(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(back.Item(i)->Samples(), set.Item(i)->Samples());
    // Offsets are those of the newly encoded items.
    const MswfRegion& r = back.Regions()[static_cast<std::size_t>(i)];
    EXPECT_EQ(std::string(stream.begin() + r.dataOffset, stream.begin() + r.dataOffset + 4), "RIFF");
    EXPECT_EQ(img::Le32At(stream, r.dataOffset + 4) + 8, r.dataSize);
  }
  for (std::size_t r = 0; r < 3; ++r) {
    EXPECT_EQ(back.Regions()[r].lowKey, set.Regions()[r].lowKey);
    EXPECT_EQ(back.Regions()[r].regionNumber, r);
  }
  // A stream the encoder wrote comes back byte for byte.
  Bytes second;
  back.CreateStream(second, 1);
  EXPECT_EQ(second, stream);
}

TEST(MultiWaveReader, SingleFormIsTheOnlyItemsImageOrNothing) {
  const Bytes two = img::Mswf({Item(1), Item(2)}, 2);
  MultiWaveReader set;
  ASSERT_EQ(set.loadStream(two.data(), two.size()), 1);
  Bytes out = {1, 2, 3};
  EXPECT_EQ(set.CreateStream(out, 0), 0u);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(set.ContainerFlag(), 0);

  const Bytes one = Item(5);
  ASSERT_EQ(set.loadStream(one.data(), one.size()), 1);
  ASSERT_GT(set.CreateStream(out, 0), 0u);
  Bytes expected;
  set.Item(0)->EncodeWave(expected);
  EXPECT_EQ(out, expected);
}

// Items may share their bytes: 1 MiB of 8-bit samples claimed by 4096 items would decode to
// 16 GiB of floats from a 1.2 MB file.
Bytes SharedItems(uint32_t items) {
  Bytes bomb = img::Mswf({img::Wav(1, 1, 48000, 8, Bytes(1 << 20, 0x80))}, items);
  img::PutLe32At(bomb, 12, items);
  return bomb;
}

TEST(MultiWaveReader, SetsBeyondTheBoardLimitAreRefusedBeforeDecoding) {
  testing_support::TempDataRoot root;
  const Bytes small = SharedItems(3);
  MultiWaveReader set;
  ASSERT_EQ(set.loadStream(small.data(), small.size()), 1);
  EXPECT_EQ(set.ItemCount(), 3);

  // 65 items of 2^20 samples pass the limit of 2^26 by one item.
  for (uint32_t items : {65u, 4096u}) {
    SCOPED_TRACE(items);
    const Bytes bomb = SharedItems(items);
    testing_support::LogCapture log;
    EXPECT_EQ(set.loadStream(bomb.data(), bomb.size()), 0);
    EXPECT_EQ(set.ItemCount(), 0);
    EXPECT_EQ(log.Text(), "MultiWaveReader: <loadStream> [MSWF] ERROR the samples need more memory than can be used \n");
    const std::string path = WriteFile(root, "bomb.msw", bomb);
    log.Clear();
    EXPECT_EQ(set.loadFile(path), 0);
    EXPECT_EQ(set.ItemCount(), 0);
    EXPECT_EQ(log.Text(),
              "MultiWaveReader: <loadFile:" + path + "> [MSWF] ERROR the samples need more memory than can be used \n");
  }
}

TEST(MultiWaveReader, MalformedContainersAndFilesFailWithTheirMessage) {
  const Bytes good = img::Mswf({Item(1), Item(2)}, 2);
  auto with = [&](std::size_t at, uint32_t v) {
    Bytes b = good;
    img::PutLe32At(b, at, v);
    return b;
  };
  struct Row {
    const char* name;
    Bytes bytes;
    const char* message;
  };
  const Row rows[] = {
      {"empty", {}, "MultiWaveReader: <loadStream> ERROR unknowing format "},
      {"other magic", Bytes{'O', 'g', 'g', 'S', 0, 0}, "MultiWaveReader: <loadStream> ERROR unknowing format "},
      {"header cut short", Bytes(good.begin(), good.begin() + 10), "MultiWaveReader: <loadStream> ERROR [MSWF] reading header \n"},
      {"region count past the end", with(8, 0x7FFFFFFFu), "MultiWaveReader: <loadStream> ERROR [MSWF] reading header \n"},
      {"item count past the end", with(12, 0xFFFFFFFFu), "MultiWaveReader: <loadStream> ERROR [MSWF] reading header \n"},
      {"more items than regions", with(12, 3), "MultiWaveReader: <loadStream> ERROR [MSWF] reading header \n"},
      {"region offset past the end", with(16 + 52 + 4, 0xFFFFFFF0u),
       "MultiWaveReader: <loadStream> ERROR [MSWF] reading region 1 \n"},
      {"region size past the end", with(16 + 8, 0x7FFFFFFFu), "MultiWaveReader: <loadStream> ERROR [MSWF] reading region 0 \n"},
      {"riff stream damaged", Bytes(good.begin() + 16 + 104, good.begin() + 16 + 104 + 20),
       "MultiWaveReader: <loadStream> [RIFF] ERROR reading "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing_support::LogCapture log;
    MultiWaveReader set;
    EXPECT_EQ(set.loadStream(row.bytes.data(), row.bytes.size()), 0);
    EXPECT_NE(log.Text().find(row.message), std::string::npos) << log.Text();
    EXPECT_LE(set.Regions().size(), 2u);
  }

  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  MultiWaveReader set;
  const std::string missing = root.Root() + "/missing.msw";
  EXPECT_EQ(set.loadFile(missing), 0);
  EXPECT_EQ(log.Text(), "MultiWaveReader: <loadFile:" + missing + "> ERROR file read \n");
  const std::string other = WriteFile(root, "other.msw", {'O', 'g', 'g', 'S'});
  EXPECT_EQ(set.loadFile(other), 0);
  EXPECT_NE(log.Text().find("MultiWaveReader: <loadFile:" + other + "> ERROR unknowing format \n"), std::string::npos);
  const std::string cut = WriteFile(root, "cut.msw", with(8, 1000));
  EXPECT_EQ(set.loadFile(cut), 0);
  EXPECT_NE(log.Text().find("MultiWaveReader: <loadFile:" + cut + "> [MSWF] ERROR reading header \n"), std::string::npos);
  // Refused at once, where opening it for reading would wait for a writer.
  const std::string fifo = root.Root() + "/fifo.msw";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  log.Clear();
  EXPECT_EQ(set.loadFile(fifo), 0);
  EXPECT_EQ(log.Text(), "MultiWaveReader: <loadFile:" + fifo + "> ERROR file read \n");
  const std::string badRiff = WriteFile(root, "bad.wav", {'R', 'I', 'F', 'F', 1, 2});
  EXPECT_EQ(set.loadFile(badRiff), 0);
  EXPECT_NE(log.Text().find("MultiWaveReader: <loadFile:" + badRiff + "> [RIFF] ERROR file read \n"), std::string::npos);
}

}  // namespace
