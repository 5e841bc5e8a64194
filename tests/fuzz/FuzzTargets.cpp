#include "tests/fuzz/FuzzTargets.h"

#include <vector>

#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "platform/LogSink.h"

namespace fuzz_targets {
namespace {

void Discard(const char*, void*) {}

// Decoded floats never exceed four per input byte (8-bit data), plus one empty channel.
bool SizeIsBounded(const SampleFile& s, std::size_t inputSize) {
  uint64_t total = 0;
  for (const auto& channel : s.Samples()) {
    if (channel.size() != s.Samples()[0].size()) return false;
    total += channel.size();
  }
  return total <= uint64_t{inputSize} + 1;
}

// decode(encode(x)) keeps the frames, and an image the encoder wrote comes back byte for
// byte. An object whose "smpl" chunk held other than one loop is written without one and so
// reads back with the default loop: its second image is the stable one.
bool ReencodesStably(const SampleFile& s) {
  std::vector<uint8_t> image;
  if (s.EncodeWave(image) == 0) return false;
  const int rounds = s.Loop().numLoops == 1 ? 1 : 2;
  for (int round = 0; round < rounds; ++round) {
    SampleFile again;
    again.SetLogErrors(false);
    if (!again.LoadFromMemory(image.data(), image.size())) return false;
    if (again.Channels() != s.Channels() || again.Frames() != s.Frames()) return false;
    std::vector<uint8_t> next;
    if (again.EncodeWave(next) == 0) return false;
    if (round + 1 == rounds && next != image) return false;
    image.swap(next);
  }
  return true;
}

}  // namespace

int& AcceptedCount() {
  static int count = 0;
  return count;
}

void SilenceLog() { platform::SetLogSink(&Discard, nullptr); }

bool SampleFileOne(const uint8_t* data, std::size_t size) {
  SampleFile file;
  file.SetLogErrors(false);
  if (file.Decode(data, size)) {
    ++AcceptedCount();
    if (!SizeIsBounded(file, size) || !ReencodesStably(file)) return false;
  }
  SampleFile memory;
  memory.SetLogErrors(false);
  if (memory.LoadFromMemory(data, size) && !SizeIsBounded(memory, size)) return false;
  return true;
}

bool MswfOne(const uint8_t* data, std::size_t size) {
  MultiWaveReader set;
  if (!set.loadStream(data, size)) return true;
  ++AcceptedCount();
  if (set.Regions().size() > size / MswfRegion::kBytes + 1) return false;
  if (set.Regions().size() < static_cast<std::size_t>(set.ItemCount())) return false;
  for (int32_t i = 0; i < set.ItemCount(); ++i)
    if (!set.Item(i) || !SizeIsBounded(*set.Item(i), size)) return false;
  bool oneLoopEach = true;
  for (int32_t i = 0; i < set.ItemCount(); ++i) oneLoopEach = oneLoopEach && set.Item(i)->Loop().numLoops == 1;
  std::vector<uint8_t> image;
  if (set.CreateStream(image, set.ContainerFlag()) == 0) return set.ContainerFlag() == 0 && set.ItemCount() != 1;
  const int rounds = oneLoopEach ? 1 : 2;  // as for a single sample, see ReencodesStably
  for (int round = 0; round < rounds; ++round) {
    MultiWaveReader again;
    if (!again.loadStream(image.data(), image.size())) return false;
    std::vector<uint8_t> next;
    again.CreateStream(next, set.ContainerFlag());
    if (round + 1 == rounds && next != image) return false;
    image.swap(next);
  }
  return true;
}

}  // namespace fuzz_targets
