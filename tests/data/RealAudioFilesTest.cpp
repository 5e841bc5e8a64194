// Files nobody on this project wrote, decoded by the codec and by an independent decoder
// (Python's wave/aifc modules, or sox), sample for sample.
#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "data/SampleFile.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

using testing_support::RunCommand;
using Output = testing_support::CommandOutput;

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string PythonTestDir() {
  const Output out = RunCommand("python3 -c \"import test, os; print(os.path.dirname(test.__file__))\" 2>/dev/null");
  if (out.status != 0 || out.text.empty()) return "";
  return out.text.substr(0, out.text.find('\n'));
}

struct Reference {
  int channels = 0;
  int frames = 0;
  uint32_t rate = 0;
  int bits = 0;
  std::vector<std::vector<float>> samples;
};

// Decodes `path` with Python's own modules through the dumper script.
bool PythonDecode(const std::string& path, Reference& ref) {
  const std::string script = testing_support::SourceDir() + "/tests/data/dump_audio.py";
  const Output out = RunCommand("python3 " + Quote(script) + " " + Quote(path));
  if (out.status != 0) return false;
  const std::size_t eol = out.text.find('\n');
  if (eol == std::string::npos ||
      std::sscanf(out.text.c_str(), "%d %d %u %d", &ref.channels, &ref.frames, &ref.rate, &ref.bits) != 4)
    return false;
  const std::size_t count = static_cast<std::size_t>(ref.channels) * ref.frames;
  if (out.text.size() - eol - 1 != count * 4) return false;
  ref.samples.assign(ref.channels, std::vector<float>(ref.frames));
  const char* p = out.text.data() + eol + 1;
  for (auto& channel : ref.samples) {
    std::memcpy(channel.data(), p, channel.size() * 4);
    p += channel.size() * 4;
  }
  return true;
}

void ExpectSameAsPython(const std::string& path) {
  SCOPED_TRACE(path);
  Reference ref;
  ASSERT_TRUE(PythonDecode(path, ref)) << "Python could not decode " << path;
  SampleFile file;
  ASSERT_TRUE(file.Load(path));
  EXPECT_EQ(file.Channels(), ref.channels);
  EXPECT_EQ(file.Frames(), ref.frames);
  EXPECT_EQ(file.SampleRate(), ref.rate);
  EXPECT_EQ(file.BitDepth(), ref.bits);
  EXPECT_EQ(file.Samples(), ref.samples);
}

TEST(RealAudioFiles, PythonTestSuiteFilesDecodeLikePython) {
  const std::string dir = PythonTestDir();
  if (dir.empty()) GTEST_SKIP() << "Python's test package was not found";
  const char* files[] = {
      "audiodata/pluck-pcm8.wav",  "audiodata/pluck-pcm16.wav", "audiodata/pluck-pcm24.wav",
      "audiodata/pluck-pcm32.wav", "audiodata/pluck-pcm8.aiff", "audiodata/pluck-pcm16.aiff",
      "audiodata/pluck-pcm24.aiff", "audiodata/pluck-pcm32.aiff", "sndhdrdata/sndhdr.wav",
      "sndhdrdata/sndhdr.aiff",    "sndhdrdata/sndhdr.aifc",
  };
  for (const char* name : files) {
    const std::string path = dir + "/" + name;
    if (!Exists(path)) GTEST_SKIP() << "missing test file " << path;
    ExpectSameAsPython(path);
  }
}

TEST(RealAudioFiles, PythonTestSuiteFilesTheCodecCannotReadAreRefused) {
  const std::string dir = PythonTestDir();
  if (dir.empty()) GTEST_SKIP() << "Python's test package was not found";
  struct Row {
    const char* name;
    const char* message;
  };
  const Row rows[] = {
      {"audiodata/pluck-alaw.aifc", "ERROR: this AIFC file is compressed in a format that this library does not support"},
      {"audiodata/pluck-ulaw.aifc", "ERROR: this AIFC file is compressed in a format that this library does not support"},
      {"audiodata/pluck-pcm16.au", "Audio File Type: Error"},
      {"sndhdrdata/sndhdr.8svx", "ERROR: this doesn't seem to be a valid AIFF file"},
      {"sndhdrdata/sndhdr.voc", "Audio File Type: Error"},
  };
  for (const Row& row : rows) {
    const std::string path = dir + "/" + row.name;
    if (!Exists(path)) GTEST_SKIP() << "missing test file " << path;
    SCOPED_TRACE(path);
    testing_support::LogCapture log;
    SampleFile file;
    EXPECT_FALSE(file.Load(path));
    EXPECT_NE(log.Text().find(row.message), std::string::npos) << log.Text();
  }
}

TEST(RealAudioFiles, AlsaUtilsWavsDecodeLikePython) {
  const std::string dir = "/usr/share/sounds/alsa";
  DIR* d = opendir(dir.c_str());
  if (!d) GTEST_SKIP() << dir << " is missing (Debian package alsa-utils)";
  std::vector<std::string> paths;
  errno = 0;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".wav") == 0) paths.push_back(dir + "/" + name);
  }
  const int listError = errno;
  closedir(d);
  // A 32-bit program under qemu-user cannot list directories whose 64-bit offsets do not
  // fit its readdir (EOVERFLOW); that is the emulator, not the decoder.
  if (listError != 0) GTEST_SKIP() << "cannot list " << dir << ": " << std::strerror(listError);
  if (paths.empty()) GTEST_SKIP() << "no WAV files in " << dir;
  for (const std::string& path : paths) ExpectSameAsPython(path);
}

// ---- sox --------------------------------------------------------------------------------

bool HaveSox() { return RunCommand("command -v sox >/dev/null 2>&1 && echo yes").text == "yes\n"; }

// Interleaved float32 as sox decodes the file.
std::vector<float> SoxDecode(const std::string& path) {
  const Output out = RunCommand("sox " + Quote(path) + " -t raw -e floating-point -b 32 -L - 2>/dev/null");
  std::vector<float> values(out.text.size() / 4);
  std::memcpy(values.data(), out.text.data(), values.size() * 4);
  return values;
}

// The rate is an 80-bit float in AIFF: files Python's aifc writes at every rate the codec
// lists decode at that rate, and a rate it does not list is refused.
TEST(RealAudioFiles, AiffFilesPythonWritesAtEachListedRateKeepTheirRate) {
  testing_support::TempDataRoot root;
  const uint32_t listed[] = {8000,  11025, 16000, 22050,  32000,  37800,  44056,   44100,   47250, 48000,
                             50000, 50400, 88200, 96000, 176400, 192000, 352800, 2822400, 5644800};
  for (uint32_t rate : listed) {
    const std::string path = root.Root() + "/r" + std::to_string(rate) + ".aiff";
    const std::string make = "python3 -W ignore -c \"import aifc; f = aifc.open('" + path +
                             "', 'wb'); f.setnchannels(1); f.setsampwidth(2); f.setframerate(" + std::to_string(rate) +
                             "); f.writeframes(b'\\x40\\x00'); f.close()\"";
    ASSERT_EQ(RunCommand(make).status, 0) << make;
    SampleFile file;
    ASSERT_TRUE(file.Load(path)) << rate;
    EXPECT_EQ(file.SampleRate(), rate);
  }
  const std::string path = root.Root() + "/odd.aiff";
  ASSERT_EQ(RunCommand("python3 -W ignore -c \"import aifc; f = aifc.open('" + path +
                       "', 'wb'); f.setnchannels(1); f.setsampwidth(2); f.setframerate(12345); "
                       "f.writeframes(b'\\x00\\x00'); f.close()\"")
                .status,
            0);
  SampleFile odd;
  EXPECT_FALSE(odd.Load(path));
}

TEST(RealAudioFiles, SoxWrittenFilesDecodeLikeSox) {
  if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  testing_support::TempDataRoot root;
  struct Row {
    const char* name;
    const char* options;  // sox output options
    int channels;
    float ourScale;  // ours x ourScale == sox x soxScale (integer codes where they differ)
    float soxScale;
    float tolerance;  // sox rounds int32 to float by one unit in the last place differently
  };
  const Row rows[] = {
      {"u8.wav", "-b 8 -e unsigned-integer", 1, 1.0f, 1.0f, 0.0f},
      {"s16.wav", "-b 16 -e signed-integer", 2, 32767.0f, 32768.0f, 0.0f},
      {"s24ext.wav", "-b 24 -e signed-integer", 2, 1.0f, 1.0f, 0.0f},  // sox writes WAVE_FORMAT_EXTENSIBLE
      {"s32ext.wav", "-b 32 -e signed-integer", 1, 1.0f, 1.0f, 6e-8f},
      {"f32.wav", "-b 32 -e floating-point", 2, 1.0f, 1.0f, 0.0f},
      {"s16.aiff", "-b 16 -e signed-integer", 2, 32767.0f, 32768.0f, 0.0f},
      {"s24.aiff", "-b 24 -e signed-integer", 1, 1.0f, 1.0f, 0.0f},
      {"f32.aifc", "-b 32 -e floating-point", 1, 1.0f, 1.0f, 0.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = root.Root() + "/" + row.name;
    const std::string make = "sox -n -r 48000 -c " + std::to_string(row.channels) + " " + row.options + " " +
                             Quote(path) + " synth 0.05 sine 440 sine 1234 vol 0.9 2>/dev/null";
    ASSERT_EQ(RunCommand(make).status, 0) << make;
    const std::vector<float> expected = SoxDecode(path);
    SampleFile file;
    ASSERT_TRUE(file.Load(path));
    ASSERT_EQ(file.Channels(), row.channels);
    ASSERT_EQ(static_cast<std::size_t>(file.Frames()) * row.channels, expected.size());
    EXPECT_EQ(file.SampleRate(), 48000u);
    int mismatches = 0;
    for (int f = 0; f < file.Frames(); ++f)
      for (int c = 0; c < row.channels; ++c)
        if (std::fabs(file.Channel(c)[f] * row.ourScale - expected[f * row.channels + c] * row.soxScale) > row.tolerance)
          ++mismatches;
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(RealAudioFiles, SoxReadsTheEncodersImagesBack) {
  if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  testing_support::TempDataRoot root;
  for (int bits : {16, 24, 32}) {
    SCOPED_TRACE(bits);
    SampleFile s;
    s.SetBitDepth(bits);
    s.SetSampleRate(32000);
    s.Resize(2, 500);
    for (int f = 0; f < 500; ++f) {
      s.Channel(0)[f] = static_cast<float>((f * 37) % 200 - 100) / 128.0f;
      s.Channel(1)[f] = -s.Channel(0)[f] * 0.5f;
    }
    s.SetIXml("<BWFXML/>");
    std::vector<uint8_t> image;
    ASSERT_GT(s.EncodeWave(image), 0u);
    const std::string path = root.Root() + "/enc" + std::to_string(bits) + ".wav";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
    EXPECT_EQ(RunCommand("sox --i -r " + Quote(path)).text, "32000\n");
    EXPECT_EQ(RunCommand("sox --i -c " + Quote(path)).text, "2\n");
    const std::vector<float> back = SoxDecode(path);
    ASSERT_EQ(back.size(), 1000u);
    SampleFile ours;
    ASSERT_TRUE(ours.Load(path));
    const float soxScale = bits == 16 ? 32768.0f : 1.0f;
    const float ourScale = bits == 16 ? 32767.0f : 1.0f;
    for (int i = 0; i < 500; ++i) {
      EXPECT_EQ(back[2 * i] * soxScale, ours.Channel(0)[i] * ourScale) << i;
      EXPECT_EQ(back[2 * i + 1] * soxScale, ours.Channel(1)[i] * ourScale) << i;
    }
  }
}

// Odd-sized chunks of the encoder's images carry their pad byte: a reader that follows the
// RIFF rules finds the loop and the iXML text after them, and Python and sox decode the
// samples as we do.
TEST(RealAudioFiles, OtherReadersFindTheChunksAfterAnOddOne) {
  if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  testing_support::TempDataRoot root;
  SampleFile s;
  s.SetBitDepth(8);
  s.SetSampleRate(48000);
  s.Resize(1, 5);
  const float values[5] = {0.5f, -0.5f, 0.25f, -1.0f, 0.0f};
  for (int f = 0; f < 5; ++f) s.Channel(0)[f] = values[f];
  s.Loop().loopStart = 1;
  s.Loop().loopEnd = 4;
  s.SetIXml("<BW/>");
  std::vector<uint8_t> image;
  ASSERT_GT(s.EncodeWave(image), 0u);
  const std::string path = root.Root() + "/odd.wav";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(image.data(), 1, image.size(), f);
  std::fclose(f);

  const std::string script = testing_support::SourceDir() + "/tests/data/riff_chunks.py";
  const Output chunks = RunCommand("python3 " + Quote(script) + " " + Quote(path));
  EXPECT_EQ(chunks.status, 0);
  EXPECT_EQ(chunks.text, "riff ok\nfmt  16\ndata 5\nsmpl 60 loop 1 4\niXML 5 <BW/>\n");
  ExpectSameAsPython(path);
  const std::vector<float> back = SoxDecode(path);
  ASSERT_EQ(back.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(back[i], values[i]) << i;
  SampleFile ours;
  ASSERT_TRUE(ours.Load(path));
  EXPECT_EQ(ours.LoopStart(), 1u);
  EXPECT_EQ(ours.LoopEnd(), 4u);
  EXPECT_EQ(ours.IXml(), "<BW/>");
}

TEST(RealAudioFiles, StreamedWavWithPlaceholderSizesIsRefused) {
  if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
  // Written to a pipe, sox cannot go back to fill in the sizes and leaves placeholders.
  const Output out = RunCommand("sox -n -r 48000 -b 16 -c 1 -t wav - synth 0.01 sine 440 2>/dev/null");
  ASSERT_EQ(out.status, 0);
  testing_support::LogCapture log;
  SampleFile file;
  EXPECT_FALSE(file.Decode(reinterpret_cast<const uint8_t*>(out.text.data()), out.text.size()));
  EXPECT_NE(log.Text().find("ERROR: give input size less then header.size\n"), std::string::npos);
}

}  // namespace
