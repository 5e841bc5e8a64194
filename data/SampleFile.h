#pragma once
// A decoded sample: WAV or AIFF/AIFC bytes turned into one float array per channel
// (nominal -1..1) with the rate, the "smpl" loop and the "iXML" text; and the reverse,
// a complete RIFF/WAVE image in memory. No resampling. The engine's players read the
// channel arrays, the rate and the loop points once a load has finished.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The words of a WAV "smpl" chunk from the chunk size to the first loop's play count,
// plus the chunk identifier, in file order. The defaults describe one loop and the
// 60-byte payload the encoder writes.
struct SampleLoopInfo {
  uint32_t chunkId = 0;  // "smpl" (as read little-endian) once a chunk was decoded
  uint32_t chunkSize = 60;
  uint32_t manufacturer = 0;
  uint32_t product = 0;
  uint32_t samplePeriod = 0;
  uint32_t midiUnityNote = 0;
  uint32_t midiPitchFraction = 0;
  uint32_t smpteFormat = 0;
  uint32_t smpteOffset = 0;
  uint32_t numLoops = 1;
  uint32_t samplerDataSize = 0;
  uint32_t cuePointId = 0;
  uint32_t loopType = 0;
  uint32_t loopStart = 0;
  uint32_t loopEnd = 0;
  uint32_t fraction = 0;
  uint32_t playCount = 0;
};

class SampleFile {
 public:
  enum Format : int32_t { kFormatError = 0, kFormatNotLoaded = 1, kFormatWave = 2, kFormatAiff = 3 };

  SampleFile();

  // Reads the whole file and decodes it (format chosen by the first four bytes).
  bool Load(const std::string& path);
  // "RIFF" -> WAV, "FORM" -> AIFF/AIFC, anything else fails with format 0.
  bool Decode(const uint8_t* bytes, std::size_t size);
  // WAV bytes held in memory; the format field is left as it is.
  bool LoadFromMemory(const uint8_t* bytes, std::size_t size);
  // Appends a RIFF/WAVE image of the samples; returns its length, or 0 (and leaves the
  // array as it was) when the object cannot be encoded.
  uint32_t EncodeWave(std::vector<uint8_t>& out) const;
  // The length EncodeWave would append (0 when it would fail), for sizing containers.
  uint64_t EncodedSize() const;

  // Offset of the first chunk `id` at or after offset 12 whose header lies inside `limit`
  // bytes, or -1. Sizes are little-endian for WAV, big-endian for AIFF.
  static int64_t FindChunk(const uint8_t* bytes, std::size_t limit, const char* id, bool bigEndian);

  // The decoded data.
  int32_t Channels() const { return static_cast<int32_t>(samples_.size()); }
  // Frames of the first channel (every channel holds as many after a decode).
  int32_t Frames() const { return samples_.empty() ? 0 : static_cast<int32_t>(samples_[0].size()); }
  const float* Channel(int32_t c) const { return samples_[static_cast<std::size_t>(c)].data(); }
  float* Channel(int32_t c) { return samples_[static_cast<std::size_t>(c)].data(); }
  std::vector<std::vector<float>>& Samples() { return samples_; }
  const std::vector<std::vector<float>>& Samples() const { return samples_; }
  // Sets the channel count and every channel's length (new samples are 0).
  void Resize(int32_t channels, int32_t frames);

  uint32_t SampleRate() const { return sampleRate_; }
  void SetSampleRate(uint32_t rate) { sampleRate_ = rate; }
  int32_t BitDepth() const { return bitDepth_; }
  void SetBitDepth(int32_t bits) { bitDepth_ = bits; }
  int32_t FileFormat() const { return fileFormat_; }
  const std::string& IXml() const { return iXml_; }
  void SetIXml(std::string text) { iXml_ = std::move(text); }
  SampleLoopInfo& Loop() { return loop_; }
  const SampleLoopInfo& Loop() const { return loop_; }
  uint32_t LoopStart() const { return loop_.loopStart; }
  uint32_t LoopEnd() const { return loop_.loopEnd; }
  bool LogErrors() const { return logErrors_; }
  void SetLogErrors(bool on) { logErrors_ = on; }
  const std::string& Path() const { return path_; }

  // Samples (frames x channels) that decoding these WAV bytes would produce, read from the
  // headers alone; 0 when they would not decode.
  static uint64_t WaveSampleCount(const uint8_t* bytes, std::size_t size);

  // Bytes the data would take at its own bit depth (channels x depth / 8 x frames), the
  // measure the wave cache limits.
  uint64_t DecodedBytes() const;

 private:
  bool DecodeWave(const uint8_t* bytes, std::size_t size);
  bool DecodeAiff(const uint8_t* bytes, std::size_t size);
  bool Fail(const char* message) const;
  void SetLoopDefaults();
  // Replaces the samples with `frames` interleaved frames at `src` (already bounds-checked)
  // and resets the loop to its defaults and the iXML text to empty.
  bool TakeSamples(const uint8_t* src, uint64_t frames, uint32_t channels, bool aiff, bool isFloat);
  // The text of the "iXML" chunk at offset `ixml` (-1: none), when it lies inside `limit`.
  void ReadIXml(const uint8_t* bytes, int64_t ixml, uint64_t limit, bool bigEndian);

  std::vector<std::vector<float>> samples_;
  std::string iXml_;
  int32_t fileFormat_ = kFormatNotLoaded;
  uint32_t sampleRate_ = 44100;
  int32_t bitDepth_ = 16;
  bool logErrors_ = true;
  bool measureOnly_ = false;  // decode the headers only, counting the samples
  uint64_t measured_ = 0;
  SampleLoopInfo loop_;
  std::string path_;
};
