#include "tests/fuzz/FuzzSeeds.h"

#include <cstdio>
#include <string>
#include <utility>

#include "data/SampleFile.h"

#ifndef SYNTH_PYTHON_AUDIODATA
#define SYNTH_PYTHON_AUDIODATA "/usr/lib/python3/test/audiodata"
#endif

namespace fuzz_seeds {
namespace {

using audio_images::Bytes;
namespace img = audio_images;

Bytes Pattern(std::size_t n, int seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 31 + seed * 7);
  return b;
}

Bytes Encoded(int channels, int frames, int bits, const std::string& ixml) {
  SampleFile s;
  s.SetBitDepth(bits);
  s.Resize(channels, frames);
  for (int c = 0; c < channels; ++c)
    for (int f = 0; f < frames; ++f) s.Channel(c)[f] = static_cast<float>((f * 17 + c * 5) % 200 - 100) / 101.0f;
  s.SetIXml(ixml);
  s.Loop().loopEnd = static_cast<uint32_t>(frames);
  Bytes out;
  s.EncodeWave(out);
  return out;
}

}  // namespace

std::vector<Bytes> WaveSeeds() {
  std::vector<Bytes> seeds = {
      Encoded(1, 9, 8, "x"),
      Encoded(2, 7, 16, ""),
      Encoded(1, 5, 24, "<iXML/>"),
      Encoded(3, 4, 32, ""),
      img::Wav(1, 2, 44100, 32, Pattern(32, 1)),
      img::Riff({{"LIST", Pattern(5, 2)}, {"fmt ", img::FmtExtensible(2, 48000, 24, 1)}, {"data", Pattern(30, 3)}}, true),
      img::Wav(1, 1, 48000, 16, Pattern(40, 4), {{"smpl", img::Smpl({{2, 10}})}}),
      img::Aiff(2, 4, 16, 44100, Pattern(16, 5)),
      img::Aiff(1, 6, 24, 48000, Pattern(18, 6)),
      img::Form("AIFC", {{"FVER", Pattern(4, 7)}, {"COMM", img::Comm(1, 3, 32, 96000, "fl32")}, {"SSND", img::Ssnd(Pattern(12, 8), 3)}}),
      img::Form("AIFF", {{"NAME", Pattern(5, 9)}, {"COMM", img::Comm(1, 5, 8, 8000)}, {"SSND", img::Ssnd(Pattern(5, 10))}}),
  };
  for (Bytes& b : PythonAudioSeeds()) seeds.push_back(std::move(b));
  return seeds;
}

const char* PythonAudioDir() { return SYNTH_PYTHON_AUDIODATA; }

std::vector<Bytes> PythonAudioSeeds() {
  std::vector<Bytes> seeds;
  for (const char* name : {"pluck-pcm8.wav", "pluck-pcm8.aiff", "pluck-alaw.aifc"}) {
    const std::string path = std::string(PythonAudioDir()) + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
      Bytes b(8192);
      b.resize(std::fread(b.data(), 1, b.size(), f));
      std::fclose(f);
      seeds.push_back(b);
    }
  }
  return seeds;
}

std::vector<Bytes> MswfSeeds() {
  const Bytes a = Encoded(1, 6, 16, "");
  const Bytes b = Encoded(2, 3, 24, "ab");
  return {img::Mswf({a, b}, 3), img::Mswf({a}, 1), img::Mswf({b, a, b}, 3), img::Mswf({}, 2), a};
}

std::vector<Bytes> XmlSeeds() {
  const char* const documents[] = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Program Name=\"Init\">\n\t<ENV Nr=\"1\">\n\t\t"
      "<Parameter Name=\"ENV1 Decay\" Value=\"644.000\">\n\t\t</Parameter>\n\t</ENV>\n\t<WAVE Nr=\"1\" "
      "Data=\"base64, UklGRgQAAABXQVZF\">\n\t</WAVE>\n</Program>",
      // Two Base64 values in one element, then a text that looks like Base64 and one that
      // is not valid Base64.
      "<Program><WAVETABLE Data=\"base64, QUJD\" Wave=\"base64, REVGRw==\"/><Item Name=\"base64, QQ==\" "
      "Wave=\"base64, SA..\"/><Item Name=\"base64, #!\"/></Program>",
      "\xEF\xBB\xBF<Settings SynthType=\"PX415\" Version=\"1\"><!--Category MIDI--><MIDI><TAG Ctrl=\"200\" "
      "Part=\"0\" Name=\"In A\" Value=\"16.000\"></TAG></MIDI></Settings>",
      "<Program Name='a &amp; b &#65;&#x42; &apos;'><![CDATA[x<y]]><?pi x='1'?><!DOCTYPE p><Tag Nr=\"2\"/>text"
      "</Program>",
      "<CCMAP><MAP CC=\"74\" PARAM_ID=\"768\" LEARNED=\"TRUE\"/></CCMAP>",
  };
  std::vector<Bytes> seeds;
  for (const char* d : documents) seeds.emplace_back(d, d + std::char_traits<char>::length(d));
  return seeds;
}

std::vector<Bytes> Base64Seeds() {
  const char* const texts[] = {"QUJD\"", "QUI=\"", "QQ==\"", "QUI.\"", "QQ..\"", "-_-_+/+/\"", "QUJDRA\"", "\"",
                               "UklGRgQAAABXQVZFZm10IBAAAAABAAEAgLsAAAB3AQACABAA\""};
  std::vector<Bytes> seeds;
  for (const char* t : texts) seeds.emplace_back(t, t + std::char_traits<char>::length(t));
  return seeds;
}

}  // namespace fuzz_seeds
