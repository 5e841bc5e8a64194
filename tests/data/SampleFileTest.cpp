#include "data/SampleFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "tests/data/AudioImages.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"

namespace {

using audio_images::Bytes;
namespace img = audio_images;

Bytes FloatBytesLe(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  Bytes b;
  img::Le32(b, bits);
  return b;
}
Bytes FloatBytesBe(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  Bytes b;
  img::Be32(b, bits);
  return b;
}

struct DecodeCase {
  const char* name;
  Bytes image;
  float expected;
};

Bytes MonoWav(uint16_t tag, uint16_t bits, Bytes sample) { return img::Wav(tag, 1, 48000, bits, sample); }
Bytes MonoAiff(uint16_t bits, Bytes sample) { return img::Aiff(1, 1, bits, 48000, sample); }

TEST(SampleFileDecode, EachStoredKindConvertsByItsFormula) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const DecodeCase cases[] = {
      {"wav u8 0", MonoWav(1, 8, {0x00}), -1.0f},
      {"wav u8 128", MonoWav(1, 8, {0x80}), 0.0f},
      {"wav u8 255", MonoWav(1, 8, {0xFF}), 127.0f / 128.0f},
      {"wav s16 32767", MonoWav(1, 16, {0xFF, 0x7F}), 1.0f},
      {"wav s16 -32767", MonoWav(1, 16, {0x01, 0x80}), -1.0f},
      {"wav s16 -32768", MonoWav(1, 16, {0x00, 0x80}), -32768.0f / 32767.0f},
      {"wav s24 max", MonoWav(1, 24, {0xFF, 0xFF, 0x7F}), 8388607.0f / 8388608.0f},
      {"wav s24 min", MonoWav(1, 24, {0x00, 0x00, 0x80}), -1.0f},
      {"wav s24 half", MonoWav(1, 24, {0x00, 0x00, 0x40}), 0.5f},
      {"wav s32 min", MonoWav(1, 32, {0x00, 0x00, 0x00, 0x80}), -1.0f},
      {"wav s32 quarter", MonoWav(1, 32, {0x00, 0x00, 0x00, 0x20}), 0.25f},
      {"wav float as stored", MonoWav(3, 32, FloatBytesLe(-1.5f)), -1.5f},
      {"wav float NaN is silence", MonoWav(3, 32, FloatBytesLe(nan)), 0.0f},
      {"wav extensible float", img::Riff({{"fmt ", img::FmtExtensible(1, 48000, 32, 3)}, {"data", FloatBytesLe(0.125f)}}),
       0.125f},
      {"wav extensible pcm", img::Riff({{"fmt ", img::FmtExtensible(1, 48000, 24, 1)}, {"data", {0, 0, 0xC0}}}), -0.5f},
      {"aiff s8 -128", MonoAiff(8, {0x80}), -1.0f},
      {"aiff s8 127", MonoAiff(8, {0x7F}), 127.0f / 128.0f},
      {"aiff s16 32767", MonoAiff(16, {0x7F, 0xFF}), 1.0f},
      {"aiff s24 min", MonoAiff(24, {0x80, 0x00, 0x00}), -1.0f},
      {"aiff s32 -half", MonoAiff(32, {0xC0, 0x00, 0x00, 0x00}), -0.5f},
      {"aifc fl32", img::Form("AIFC", {{"COMM", img::Comm(1, 1, 32, 48000, "fl32")}, {"SSND", img::Ssnd(FloatBytesBe(0.75f))}}),
       0.75f},
      {"aifc NONE", img::Form("AIFC", {{"COMM", img::Comm(1, 1, 16, 48000, "NONE")}, {"SSND", img::Ssnd({0x80, 0x01})}}),
       -1.0f},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    SampleFile file;
    ASSERT_TRUE(file.Decode(c.image.data(), c.image.size()));
    ASSERT_EQ(file.Channels(), 1);
    ASSERT_EQ(file.Frames(), 1);
    EXPECT_EQ(file.Channel(0)[0], c.expected);
    EXPECT_EQ(file.SampleRate(), 48000u);
  }
}

TEST(SampleFileDecode, FramesAreDeinterleavedAndHeaderFieldsKept) {
  Bytes data;
  for (int16_t v : {100, -100, 200, -200, 300, -300}) img::Le16(data, static_cast<uint16_t>(v));
  const Bytes wav = img::Wav(1, 2, 22050, 16, data);
  SampleFile file;
  EXPECT_EQ(file.FileFormat(), SampleFile::kFormatNotLoaded);
  EXPECT_EQ(file.SampleRate(), 44100u);
  EXPECT_EQ(file.BitDepth(), 16);
  ASSERT_TRUE(file.Decode(wav.data(), wav.size()));
  EXPECT_EQ(file.FileFormat(), SampleFile::kFormatWave);
  EXPECT_EQ(file.SampleRate(), 22050u);
  ASSERT_EQ(file.Channels(), 2);
  ASSERT_EQ(file.Frames(), 3);
  for (int f = 0; f < 3; ++f) {
    EXPECT_EQ(file.Channel(0)[f], static_cast<float>(100 * (f + 1)) / 32767.0f);
    EXPECT_EQ(file.Channel(1)[f], static_cast<float>(-100 * (f + 1)) / 32767.0f);
  }
  EXPECT_EQ(file.LoopStart(), 0u);
  EXPECT_EQ(file.LoopEnd(), 3u);
  EXPECT_EQ(file.Loop().numLoops, 1u);

  const Bytes aiff = img::Aiff(2, 1, 16, 48000, {0x00, 0x01, 0xFF, 0xFF});
  ASSERT_TRUE(file.Decode(aiff.data(), aiff.size()));
  EXPECT_EQ(file.FileFormat(), SampleFile::kFormatAiff);
  EXPECT_EQ(file.Channel(0)[0], 1.0f / 32767.0f);
  EXPECT_EQ(file.Channel(1)[0], -1.0f / 32767.0f);
}

TEST(SampleFileDecode, SmplLoopIsKeptOnlyForExactlyOneLoop) {
  const Bytes data(4000 * 2, 0);
  const Bytes one = img::Wav(1, 1, 48000, 16, data, {{"smpl", img::Smpl({{100, 2000}})}});
  SampleFile file;
  ASSERT_TRUE(file.LoadFromMemory(one.data(), one.size()));
  EXPECT_EQ(file.Loop().numLoops, 1u);
  EXPECT_EQ(file.LoopStart(), 100u);
  EXPECT_EQ(file.LoopEnd(), 2000u);
  EXPECT_EQ(file.Loop().midiUnityNote, 60u);
  EXPECT_EQ(file.Loop().chunkSize, 60u);
  EXPECT_EQ(file.Loop().chunkId, 0x6C706D73u);  // "smpl"

  const Bytes two = img::Wav(1, 1, 48000, 16, data, {{"smpl", img::Smpl({{100, 2000}, {10, 20}})}});
  ASSERT_TRUE(file.LoadFromMemory(two.data(), two.size()));
  EXPECT_EQ(file.Loop().numLoops, 2u);
  EXPECT_EQ(file.LoopStart(), 0u);
  EXPECT_EQ(file.LoopEnd(), 4000u);

  // A chunk cut short of its first loop is ignored as a whole.
  Bytes cut = img::Smpl({{100, 2000}});
  cut.resize(40);
  const Bytes truncated = img::Wav(1, 1, 48000, 16, data, {{"smpl", cut}});
  ASSERT_TRUE(file.LoadFromMemory(truncated.data(), truncated.size()));
  EXPECT_EQ(file.LoopStart(), 0u);
  EXPECT_EQ(file.LoopEnd(), 4000u);
}

TEST(SampleFileDecode, IxmlTextIsKeptFromWavAndAiff) {
  const std::string text = "<BWFXML><NOTE>odd</NOTE></BWFXML>";
  const Bytes wav = img::Wav(1, 1, 48000, 16, {0, 0}, {{"iXML", Bytes(text.begin(), text.end())}});
  SampleFile file;
  ASSERT_TRUE(file.Decode(wav.data(), wav.size()));
  EXPECT_EQ(file.IXml(), text);

  const Bytes aiff = img::Form("AIFF", {{"COMM", img::Comm(1, 1, 16, 44100)},
                                        {"iXML", Bytes(text.begin(), text.end())},
                                        {"SSND", img::Ssnd({0, 0})}});
  SampleFile other;
  ASSERT_TRUE(other.Decode(aiff.data(), aiff.size()));
  EXPECT_EQ(other.IXml(), text);
  EXPECT_EQ(other.SampleRate(), 44100u);
}

TEST(SampleFileDecode, OddChunksAreFoundWhetherPaddedOrNot) {
  // Most writers pad odd chunks to an even length (this system's encoder does), some do not:
  // both are read.
  const Bytes list = {'I', 'N', 'F', 'O', 'x'};
  for (bool pad : {false, true}) {
    SCOPED_TRACE(pad ? "padded" : "unpadded");
    const Bytes wav = img::Riff({{"LIST", list}, {"fmt ", img::Fmt(1, 1, 8000, 8)}, {"data", {0xFF, 0x00, 0x80}}}, pad);
    SampleFile file;
    ASSERT_TRUE(file.Decode(wav.data(), wav.size()));
    EXPECT_EQ(file.Frames(), 3);
    const Bytes aiff = img::Form("AIFF", {{"NAME", list}, {"COMM", img::Comm(1, 1, 8, 8000)}, {"SSND", img::Ssnd({0x40})}}, pad);
    ASSERT_TRUE(file.Decode(aiff.data(), aiff.size()));
    EXPECT_EQ(file.Channel(0)[0], 0.5f);
  }
}

struct BadCase {
  const char* name;
  Bytes image;
  const char* message;
};

Bytes WithLe32(Bytes b, std::size_t at, uint32_t v) {
  img::PutLe32At(b, at, v);
  return b;
}
Bytes WithBe32(Bytes b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  return b;
}
Bytes Truncated(Bytes b, std::size_t size) {
  b.resize(size);
  return b;
}

// Offsets in a plain two-chunk image: "fmt " at 12, "data" at 36, samples from 44.
constexpr std::size_t kFmtAt = 12;
constexpr std::size_t kDataAt = 36;

TEST(SampleFileDecode, MalformedInputFailsWithItsMessageAndAllocatesNothingLarge) {
  const Bytes good = img::Wav(1, 2, 48000, 16, Bytes(64, 0));
  Bytes fmtShort = img::Fmt(1, 1, 48000, 16);
  fmtShort.resize(12);
  const Bytes goodAiff = img::Aiff(1, 4, 16, 48000, Bytes(8, 0));
  const std::size_t ssndAt = 12 + 8 + 18;  // after COMM
  const BadCase cases[] = {
      {"empty", {}, "Audio File Type: Error"},
      {"neither RIFF nor FORM", Bytes{'O', 'g', 'g', 'S', 0, 0, 0, 0}, "Audio File Type: Error"},
      {"shorter than the RIFF header", Truncated(good, 10), "ERROR: this doesn't seem to be a valid .WAV file"},
      {"RIFF size placeholder", WithLe32(good, 4, 0xFFFFFFFFu), "ERROR: give input size less then header.size\n"},
      {"truncated file", Truncated(good, good.size() - 1), "ERROR: give input size less then header.size\n"},
      {"not WAVE", WithLe32(good, 8, 0x45564157u + 1), "ERROR: this doesn't seem to be a valid .WAV file"},
      {"no data chunk", img::Riff({{"fmt ", img::Fmt(1, 1, 48000, 16)}}), "ERROR: this doesn't seem to be a valid .WAV file"},
      {"chunk size with top bit", img::Riff({{"LIST", {}, true, 0x80000000u}, {"fmt ", img::Fmt(1, 1, 8000, 8)}, {"data", {}}}),
       "Invalid chunksize -2147483648\n"},
      {"chunk size past the end", img::Riff({{"LIST", {}, true, 0x7FFFFFF0u}, {"fmt ", img::Fmt(1, 1, 8000, 8)}, {"data", {}}}),
       "ERROR: this doesn't seem to be a valid .WAV file"},
      {"fmt chunk too short", img::Riff({{"fmt ", fmtShort}, {"data", {0, 0}}}), "ERROR: this doesn't seem to be a valid .WAV file"},
      {"fmt header at the very end", img::Riff({{"data", {0, 0}}, {"fmt ", {}, true, 16}}),
       "ERROR: this doesn't seem to be a valid .WAV file"},
      {"format tag ADPCM", WithLe32(good, kFmtAt + 8, 0x00020002u),
       "ERROR: this .WAV file is encoded in a format that this library does not support at present"},
      {"extensible a-law", img::Riff({{"fmt ", img::FmtExtensible(1, 8000, 8, 6)}, {"data", {0}}}),
       "ERROR: this .WAV file is encoded in a format that this library does not support at present"},
      {"zero channels", img::Wav(1, 0, 48000, 16, {}),
       "ERROR: this WAV file seems to be an invalid number of channels (or corrupted?)"},
      {"129 channels", img::Wav(1, 129, 48000, 16, {}),
       "ERROR: this WAV file seems to be an invalid number of channels (or corrupted?)"},
      {"byte rate inconsistent", WithLe32(good, kFmtAt + 16, 12345),
       "ERROR: the header data in this WAV file seems to be inconsistent"},
      {"12-bit", img::Wav(1, 2, 48000, 12, Bytes(6, 0)), "ERROR: this file has a bit depth that is not 8, 16, 24 or 32 bits"},
      // Byte rate 72000 = 48000 x 1 x 12 / 8: consistent, so the depth is what is refused.
      {"12-bit mono", img::Wav(1, 1, 48000, 12, Bytes(6, 0)), "ERROR: this file has a bit depth that is not 8, 16, 24 or 32 bits"},
      {"64-bit float", img::Wav(3, 1, 48000, 64, Bytes(8, 0)),
       "ERROR: this file has a bit depth that is not 8, 16, 24 or 32 bits"},
      {"data chunk larger than the file", WithLe32(good, kDataAt + 4, 0x7FFFFFF0u),
       "ERROR: read file error as the metadata indicates more samples than there are in the file data"},
      {"aiff 8SVX", img::Form("8SVX", {{"VHDR", Bytes(20, 0)}, {"BODY", {0, 0}}}), "ERROR: this doesn't seem to be a valid AIFF file"},
      {"aiff without SSND", img::Form("AIFF", {{"COMM", img::Comm(1, 1, 16, 48000)}}), "ERROR: this doesn't seem to be a valid AIFF file"},
      {"aiff COMM cut short", img::Form("AIFF", {{"COMM", Bytes(10, 0)}, {"SSND", img::Ssnd({0, 0})}}),
       "ERROR: this doesn't seem to be a valid AIFF file"},
      {"aiff rate not listed", img::Aiff(1, 1, 16, 12345, {0, 0}), "ERROR: this AIFF file has an unsupported sample rate"},
      {"aiff 3 channels", img::Aiff(3, 1, 16, 48000, Bytes(6, 0)),
       "ERROR: this AIFF file seems to be neither mono nor stereo (perhaps multi-track, or corrupted?)"},
      {"aiff 12-bit", img::Aiff(1, 1, 12, 48000, Bytes(2, 0)),
       "ERROR: this file has a bit depth that is not 8, 16, 24 or 32 bits"},
      {"aiff SSND size disagrees", WithBe32(goodAiff, ssndAt + 4, 9), "ERROR: the metadatafor this file doesn't seem right"},
      {"aiff huge frame count", WithBe32(goodAiff, 12 + 8 + 2, 0x7FFFFFF0u), "ERROR: the metadatafor this file doesn't seem right"},
      {"aiff SSND offset past the end", WithBe32(goodAiff, ssndAt + 8, 0xFFFFFF00u),
       "ERROR: read file error as the metadata indicates more samples than there are in the file data"},
      {"aifc a-law", img::Form("AIFC", {{"COMM", img::Comm(1, 1, 16, 8000, "alaw")}, {"SSND", img::Ssnd({0, 0})}}),
       "ERROR: this AIFC file is compressed in a format that this library does not support at present"},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::LogCapture log;
    SampleFile file;
    EXPECT_FALSE(file.Decode(c.image.data(), c.image.size()));
    EXPECT_NE(log.Text().find(c.message), std::string::npos) << log.Text();
    EXPECT_LE(uint64_t(file.Channels()) * uint64_t(file.Frames()), 64u);
  }
}

TEST(SampleFileDecode, LogFlagSilencesDecodeErrorsButNotChunkErrors) {
  SampleFile file;
  file.SetLogErrors(false);
  testing_support::LogCapture log;
  const Bytes bad = img::Wav(1, 0, 48000, 16, {});
  EXPECT_FALSE(file.Decode(bad.data(), bad.size()));
  EXPECT_EQ(log.Text(), "");
  const Bytes topBit = img::Riff({{"LIST", {}, true, 0x90000000u}, {"fmt ", img::Fmt(1, 1, 8000, 8)}, {"data", {}}});
  EXPECT_FALSE(file.Decode(topBit.data(), topBit.size()));
  EXPECT_EQ(log.Text(), "Invalid chunksize -1879048192\nInvalid chunksize -1879048192\n"
                        "Invalid chunksize -1879048192\nInvalid chunksize -1879048192\n");
}

TEST(SampleFileFindChunk, BoundsAndIdentifiers) {
  const Bytes wav = img::Wav(1, 1, 48000, 16, {1, 2});
  testing_support::LogCapture log;
  EXPECT_EQ(SampleFile::FindChunk(wav.data(), wav.size(), "data", false), 36);
  EXPECT_EQ(SampleFile::FindChunk(wav.data(), wav.size(), "fmt ", false), 12);
  EXPECT_EQ(SampleFile::FindChunk(wav.data(), wav.size(), "smpl", false), -1);
  // A chunk whose header does not fit inside the limit is not found.
  EXPECT_EQ(SampleFile::FindChunk(wav.data(), 36 + 7, "data", false), -1);
  EXPECT_EQ(SampleFile::FindChunk(wav.data(), 16, "fmt ", false), -1);
  EXPECT_EQ(log.Text(), "");
  EXPECT_EQ(SampleFile::FindChunk(wav.data(), wav.size(), "dat", false), -1);
  EXPECT_EQ(log.Text(), "Invalid chunk header ID string\n");
}

// ---- Encoder --------------------------------------------------------------------------

SampleFile MakeSample(int channels, int frames, int bits, uint32_t seed) {
  SampleFile s;
  s.Resize(channels, frames);
  s.SetBitDepth(bits);
  s.SetSampleRate(48000);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int32_t> code16(-32767, 32767);
  std::uniform_int_distribution<int32_t> code24(-8388608, 8388607);
  std::uniform_real_distribution<float> any(-4.0f, 4.0f);
  for (int c = 0; c < channels; ++c)
    for (int f = 0; f < frames; ++f) {
      float& x = s.Channel(c)[f];
      if (bits == 16) x = static_cast<float>(code16(rng)) / 32767.0f;
      if (bits == 24) x = static_cast<float>(code24(rng)) / 8388608.0f;
      if (bits == 32) x = any(rng);
      if (bits == 8) x = static_cast<float>(static_cast<int>(rng() % 256) - 128) / 128.0f;
    }
  s.Loop().loopEnd = static_cast<uint32_t>(frames);
  return s;
}

TEST(SampleFileEncode, ImageSizesAndHeader) {
  SampleFile s = MakeSample(2, 10, 24, 1);
  Bytes out = {1, 2, 3};
  testing_support::LogCapture log;
  EXPECT_EQ(s.EncodeWave(out), 172u);
  ASSERT_EQ(out.size(), 175u);
  const Bytes image(out.begin() + 3, out.end());
  EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "RIFF");
  EXPECT_EQ(img::Le32At(image, 4), 164u);
  EXPECT_EQ(img::Le32At(image, 16), 16u);            // fmt size
  EXPECT_EQ(img::Le32At(image, 28), 48000u * 6u);    // byte rate
  EXPECT_EQ(img::Le32At(image, 40), 60u);            // data size
  EXPECT_EQ(std::string(image.begin() + 104, image.begin() + 108), "smpl");
  EXPECT_EQ(img::Le32At(image, 108), 60u);
  const std::string text = log.Text();
  for (const char* step : {"shrink1", "shrink2", "reserve"}) {
    EXPECT_NE(text.find(std::string("[") + step + "] start\n"), std::string::npos) << step;
    EXPECT_NE(text.find(std::string("[") + step + "] Elapsed: "), std::string::npos) << step;
  }

  SampleFile f = MakeSample(1, 3, 32, 2);
  f.SetIXml("abc");
  out.clear();
  EXPECT_EQ(f.EncodeWave(out), 12u + 8 + 18 + 8 + 12 + 68 + 8 + 3 + 1);  // the odd iXML is padded
  EXPECT_EQ(img::Le32At(out, 4), out.size() - 8);
  EXPECT_EQ(out.back(), 0);
  EXPECT_EQ(img::Le32At(out, 16), 18u);
  EXPECT_EQ(out[20], 3);  // IEEE float
  f.Loop().numLoops = 2;  // no "smpl" unless exactly one loop
  out.clear();
  EXPECT_EQ(f.EncodeWave(out), 12u + 8 + 18 + 8 + 12 + 8 + 3 + 1);
}

TEST(SampleFileEncode, UnencodableObjectsLeaveTheArrayAsItWas) {
  SampleFile depth = MakeSample(1, 4, 16, 3);
  depth.SetBitDepth(12);
  SampleFile ragged = MakeSample(2, 4, 16, 3);
  ragged.Samples()[1].resize(2);
  SampleFile none;
  none.Resize(0, 0);
  for (SampleFile* s : {&depth, &ragged, &none}) {
    Bytes out = {9, 9};
    EXPECT_EQ(s->EncodeWave(out), 0u);
    EXPECT_EQ(out, (Bytes{9, 9}));
  }
}

TEST(SampleFileEncode, OutOfRangeSamplesSaturateInsteadOfWrapping) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Row {
    int bits;
    float in;
    float decoded;
  };
  const Row rows[] = {
      {8, 1.0f, 127.0f / 128.0f},  {8, 2.0f, 127.0f / 128.0f}, {8, -1.0f, -1.0f}, {8, -3.0f, -1.0f}, {8, nan, 0.0f},
      {16, 1.5f, 1.0f},            {16, -1.5f, -1.0f},         {16, nan, 0.0f},
      {24, 1.0f, 8388607.0f / 8388608.0f}, {24, -1.0f, -1.0f}, {24, 7.0f, 8388607.0f / 8388608.0f}, {24, nan, 0.0f},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.bits << " bits, " << r.in);
    SampleFile s;
    s.Resize(1, 1);
    s.SetBitDepth(r.bits);
    s.Channel(0)[0] = r.in;
    Bytes out;
    ASSERT_GT(s.EncodeWave(out), 0u);
    SampleFile back;
    ASSERT_TRUE(back.Decode(out.data(), out.size()));
    EXPECT_EQ(back.Channel(0)[0], r.decoded);
  }
}

TEST(SampleFileEncode, DecodeOfEncodeIsExact) {
  // Every 8- and 16-bit code, random 24-bit codes and random floats, in 1 to 3 channels.
  SampleFile all16;
  all16.Resize(1, 65535);
  for (int x = -32767; x <= 32767; ++x) all16.Channel(0)[x + 32767] = static_cast<float>(x) / 32767.0f;
  SampleFile all8;
  all8.SetBitDepth(8);
  all8.Resize(1, 256);
  for (int x = 0; x < 256; ++x) all8.Channel(0)[x] = static_cast<float>(x - 128) / 128.0f;
  std::vector<SampleFile> objects;
  objects.push_back(std::move(all16));
  objects.push_back(std::move(all8));
  for (int bits : {16, 24, 32})
    for (int channels : {1, 2, 3}) objects.push_back(MakeSample(channels, 1001, bits, static_cast<uint32_t>(bits * channels)));

  for (const SampleFile& s : objects) {
    SCOPED_TRACE(testing::Message() << s.BitDepth() << " bits, " << s.Channels() << " channels");
    Bytes out;
    ASSERT_GT(s.EncodeWave(out), 0u);
    SampleFile back;
    ASSERT_TRUE(back.Decode(out.data(), out.size()));
    EXPECT_EQ(back.Samples(), s.Samples());
    EXPECT_EQ(back.BitDepth(), s.BitDepth());
    EXPECT_EQ(back.SampleRate(), s.SampleRate());
  }
}

TEST(SampleFileEncode, EncodeOfDecodeGivesTheSameBytes) {
  for (int bits : {8, 16, 24, 32})
    for (int channels : {1, 2}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channels");
      SampleFile s = MakeSample(channels, 333, bits, 7);  // odd data sizes for 8 and 24 bits
      s.SetIXml(bits == 16 ? "" : "<x>odd</x>!");
      s.Loop().loopStart = 5;
      s.Loop().midiUnityNote = 64;
      Bytes first;
      ASSERT_GT(s.EncodeWave(first), 0u);
      SampleFile decoded;
      ASSERT_TRUE(decoded.LoadFromMemory(first.data(), first.size()));
      Bytes second;
      ASSERT_GT(decoded.EncodeWave(second), 0u);
      EXPECT_EQ(second, first);
    }
}

// ---- Files -----------------------------------------------------------------------------

TEST(SampleFileLoad, MissingOrUnreadableFilesFailWithThePath) {
  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  SampleFile file;
  const std::string missing = root.Root() + "/nope.wav";
  EXPECT_FALSE(file.Load(missing));
  EXPECT_EQ(file.Path(), missing);
  EXPECT_EQ(log.Text(), "ERROR: File doesn't exist or otherwise can't load file\n" + missing + "\n");
  EXPECT_FALSE(file.Load(root.Root()));
  // Refused at once, where opening it for reading would wait for a writer.
  const std::string fifo = root.Root() + "/fifo.wav";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  log.Clear();
  EXPECT_FALSE(file.Load(fifo));
  EXPECT_EQ(log.Text(), "ERROR: File doesn't exist or otherwise can't load file\n" + fifo + "\n");

  const std::string path = root.Root() + "/one.wav";
  const Bytes wav = img::Wav(1, 1, 48000, 16, {0xFF, 0x7F});
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(wav.data(), 1, wav.size(), f);
  std::fclose(f);
  ASSERT_TRUE(file.Load(path));
  EXPECT_EQ(file.Channel(0)[0], 1.0f);
}

}  // namespace
