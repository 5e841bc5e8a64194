#include "data/WaveTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "data/SampleFile.h"
#include "platform/Denormals.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

constexpr int N = WaveTable::kSize;

// Frames whose every sample is the frame's level, so a variant's mix is read from any sample.
std::vector<float> LevelFrames(const std::vector<float>& levels) {
  std::vector<float> data;
  for (float level : levels) data.insert(data.end(), N, level);
  return data;
}

float Level(const WaveTable& t, int v) { return t.Variant(v).samples[N / 2]; }

TEST(WaveTableFill, CrossfadesNeighbouringFramesIntoAllVariants) {
  auto table = std::make_unique<WaveTable>();
  // 2 frames: 256 steps from frame 0 to frame 1.
  EXPECT_EQ(table->FillVariants(2, LevelFrames({0.0f, 1.0f}).data()), 255);
  EXPECT_EQ(Level(*table, 0), 0.0f);
  EXPECT_EQ(Level(*table, 128), 0.5f);
  EXPECT_EQ(Level(*table, 255), 255.0f / 256.0f);
  for (int v = 0; v < 256; ++v) EXPECT_EQ(table->Variant(v).sampleCount, N);

  // 3 frames: two groups of 128.
  EXPECT_EQ(table->FillVariants(3, LevelFrames({0.0f, 1.0f, 3.0f}).data()), 255);
  EXPECT_EQ(Level(*table, 64), 0.5f);
  EXPECT_EQ(Level(*table, 128), 1.0f);
  EXPECT_EQ(Level(*table, 192), 2.0f);

  // 4 frames: step 85, variant 255 repeats 254.
  EXPECT_EQ(table->FillVariants(4, LevelFrames({0.0f, 1.0f, 2.0f, 3.0f}).data()), 254);
  EXPECT_EQ(Level(*table, 85), 1.0f);
  EXPECT_EQ(Level(*table, 170), 2.0f);
  EXPECT_EQ(Level(*table, 255), Level(*table, 254));
  EXPECT_LT(Level(*table, 254), 3.0f);

  // 129 frames still give step floor(256 / 128) = 2; from 130 frames on the step is 1, each
  // variant a frame and the rest repeating frame frames - 2.
  std::vector<float> levels;
  for (int k = 0; k < 200; ++k) levels.push_back(static_cast<float>(k));
  EXPECT_EQ(table->FillVariants(129, LevelFrames(levels).data()), 255);
  EXPECT_EQ(Level(*table, 1), 0.5f);
  EXPECT_EQ(Level(*table, 254), 127.0f);
  for (int frames : {130, 200}) {
    EXPECT_EQ(table->FillVariants(frames, LevelFrames(levels).data()), frames - 2);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(Level(*table, v), static_cast<float>(std::min(v, frames - 2))) << v;
  }

  // A single frame has nothing to fade towards: every variant is that frame.
  EXPECT_EQ(table->FillVariants(1, LevelFrames({0.25f}).data()), -1);
  for (int v = 0; v < 256; ++v) ASSERT_EQ(Level(*table, v), 0.25f) << v;
}

std::string WriteWav(const testing_support::TempDataRoot& root, const std::string& name, const SampleFile& s) {
  std::vector<uint8_t> image;
  s.EncodeWave(image);
  const std::string path = root.Root() + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(image.data(), 1, image.size(), f);
  std::fclose(f);
  return path;
}

SampleFile FramesSample(int frames, int bits) {
  SampleFile s;
  s.SetBitDepth(bits);
  s.Resize(1, frames * N);
  for (int k = 0; k < frames; ++k)
    for (int i = 0; i < N; ++i) s.Channel(0)[k * N + i] = static_cast<float>((k * 7 + i) % 1000 - 500) / 1000.0f;
  return s;
}

TEST(WaveTableLoad, LongFilesAreCopiedFrameForFrameUpTo256) {
  testing_support::TempDataRoot root;
  for (int frames : {256, 300}) {
    SCOPED_TRACE(frames);
    const SampleFile s = FramesSample(frames, 16);
    const std::string path = WriteWav(root, std::string("t").append(std::to_string(frames)).append(".wav"), s);
    testing_support::LogCapture log;
    auto table = std::make_unique<WaveTable>();
    ASSERT_EQ(table->LoadFile(path), 1);
    EXPECT_EQ(log.Text(), "WT Load:'" + path + "' variants: 256\n");
    EXPECT_EQ(table->RawSamples().size(), static_cast<std::size_t>(frames * N));
    for (int v = 0; v < 256; ++v)
      ASSERT_EQ(std::vector<float>(table->Variant(v).samples, table->Variant(v).samples + N),
                std::vector<float>(table->RawSamples().begin() + v * N, table->RawSamples().begin() + (v + 1) * N))
          << v;
  }
}

TEST(WaveTableLoad, FileSamplesAreQuantisedTo16BitsAndClamped) {
  testing_support::TempDataRoot root;
  SampleFile s = FramesSample(2, 32);
  s.Channel(0)[0] = 0.5f;
  s.Channel(0)[1] = 1.5f;
  s.Channel(0)[2] = -7.0f;
  s.Channel(0)[3] = -0.99999f;
  const std::string path = WriteWav(root, "q.wav", s);
  testing_support::LogCapture log;
  auto table = std::make_unique<WaveTable>();
  ASSERT_EQ(table->LoadFile(path), 1);
  EXPECT_EQ(log.Text(), "WT Load:'" + path + "' variants: 2, out: 255\n");
  EXPECT_EQ(table->RawSamples()[0], 16383.0f / 32767.0f);
  EXPECT_EQ(table->RawSamples()[1], 1.0f);
  EXPECT_EQ(table->RawSamples()[2], -1.0f);
  EXPECT_EQ(table->RawSamples()[3], -32766.0f / 32767.0f);
  EXPECT_EQ(table->Variant(0).samples[0], 16383.0f / 32767.0f);
}

TEST(WaveTableLoad, WavFileAndTheSameNativeDataGiveTheSameTable) {
  testing_support::TempDataRoot root;
  const SampleFile s = FramesSample(5, 16);
  std::vector<int16_t> native(s.Samples()[0].size());
  for (std::size_t i = 0; i < native.size(); ++i) native[i] = static_cast<int16_t>(s.Channel(0)[i] * 32767.0f);  // truncated, as the encoder stores it
  auto fromFile = std::make_unique<WaveTable>();
  ASSERT_EQ(fromFile->LoadFile(WriteWav(root, "five.wav", s)), 1);
  testing_support::LogCapture log;
  auto fromNative = std::make_unique<WaveTable>();
  ASSERT_EQ(fromNative->LoadNative(native.data(), native.size()), 1);
  EXPECT_EQ(log.Text(), "WT Load: samples 10240 variants: 5, out: 255\n");
  EXPECT_EQ(fromFile->RawSamples(), fromNative->RawSamples());
  EXPECT_EQ(fromFile->ContentHash(), fromNative->ContentHash());
  EXPECT_NE(fromFile->ContentHash(), 0);

  std::vector<int16_t> longData(256 * N + 5, 1);
  ASSERT_EQ(fromNative->LoadNative(longData.data(), longData.size()), 1);
  EXPECT_NE(log.Text().find("WT Load: samples: 524293 variants: 256\n"), std::string::npos);
}

TEST(WaveTableLoad, RealFileFromAlsaUtils) {
  const std::string path = "/usr/share/sounds/alsa/Front_Center.wav";
  SampleFile probe;
  probe.SetLogErrors(false);
  if (!probe.Load(path)) GTEST_SKIP() << path << " is missing (Debian package alsa-utils)";
  const int frames = probe.Frames() / N;
  testing_support::LogCapture log;
  auto table = std::make_unique<WaveTable>();
  ASSERT_EQ(table->LoadFile(path), 1);
  const int step = 256 / (frames - 1);
  const int last = (frames - 1) * step - 1;
  EXPECT_EQ(log.Text(), "WT Load:'" + path + "' variants: " + std::to_string(frames) + ", out: " +
                            std::to_string(last) + "\n");
  // Each group starts on its frame unmixed.
  for (int k = 0; k + 1 < frames; ++k)
    EXPECT_EQ(table->Variant(k * step).samples[100], table->RawSamples()[static_cast<std::size_t>(k * N + 100)]);
}

TEST(WaveTableLoad, TooShortOrUnreadableInputIsRefused) {
  testing_support::TempDataRoot root;
  auto table = std::make_unique<WaveTable>();
  testing_support::LogCapture log;
  SampleFile shortFile;
  shortFile.Resize(1, N - 1);
  const std::string path = WriteWav(root, "short.wav", shortFile);
  log.Clear();
  EXPECT_EQ(table->LoadFile(path), 0);
  EXPECT_NE(log.Text().find("fewer than 2048 samples"), std::string::npos);
  EXPECT_TRUE(table->RawSamples().empty());
  EXPECT_EQ(table->LoadFile(root.Root() + "/missing.wav"), 0);
  std::vector<int16_t> few(N - 1, 100);
  EXPECT_EQ(table->LoadNative(few.data(), few.size()), 0);
  EXPECT_EQ(table->LoadNative(few.data(), 0), 0);
  for (int v = 0; v < 256; ++v) ASSERT_EQ(table->Variant(v).sampleCount, 0);
}

TEST(WaveTableAnalyse, CosineAtBin3PeaksAtBins3And2045WithUnitPhasors) {
  platform::ScopedFlushToZero ftz;
  std::vector<int16_t> data(2 * N);
  const double pi = std::acos(-1.0);
  for (int i = 0; i < 2 * N; ++i) data[i] = static_cast<int16_t>(std::lrint(20000.0 * std::cos(2 * pi * 3 * i / N + 0.3)));
  auto table = std::make_unique<WaveTable>();
  ASSERT_EQ(table->LoadNative(data.data(), data.size()), 1);
  table->AnalyseVariant(7);  // any variant: both frames are the same cosine
  const WaveVariant& v = table->Variant(7);
  EXPECT_EQ(v.bins, N);
  const float* mag = v.magnitudes;
  std::vector<int> peaks;
  const float top = *std::max_element(mag, mag + N);
  for (int k = 0; k < N; ++k)
    if (mag[k] > 0.5f * top) peaks.push_back(k);
  EXPECT_EQ(peaks, (std::vector<int>{3, 2045}));
  for (int k : {3, 2045}) EXPECT_NEAR(std::hypot(v.phasors[k].r, v.phasors[k].i), 1.0f, 1e-6f);
  EXPECT_NEAR(v.phases[3], 0.3f, 1e-4f);
  EXPECT_NEAR(v.phases[2045], -0.3f, 1e-4f);

  // Against a direct DFT of the same samples.
  for (int k : {0, 1, 3, 100, 1024, 2045}) {
    double re = 0, im = 0;
    for (int n = 0; n < N; ++n) {
      re += v.samples[n] * std::cos(2 * pi * k * n / N);
      im -= v.samples[n] * std::sin(2 * pi * k * n / N);
    }
    EXPECT_NEAR(v.spectrum[k].r, re, 2e-3 * top) << k;
    EXPECT_NEAR(v.spectrum[k].i, im, 2e-3 * top) << k;
    EXPECT_NEAR(mag[k], std::hypot(re, im), 2e-3 * top) << k;
  }

  // A variant that holds no samples is not analysed.
  auto empty = std::make_unique<WaveTable>();
  empty->AnalyseVariant(0);
  EXPECT_EQ(empty->Variant(0).bins, 0);
}

}  // namespace
