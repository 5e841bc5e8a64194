#include "data/MultiWaveReader.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "data/BoardLimits.h"
#include "data/ByteIO.h"
#include "data/ContentHash.h"
#include "data/RegularFile.h"
#include "platform/LogSink.h"

namespace {

using board_limits::kMaxDecodedSamples;
using board_limits::kMaxFileBytes;

// An open file read whole into `bytes`; false when it is too large for the board or cannot
// be read.
bool ReadWholeFile(int fd, uint64_t size, std::vector<uint8_t>& bytes) {
  if (size > kMaxFileBytes) return false;
  bytes.resize(static_cast<std::size_t>(size));
  return ::lseek(fd, 0, SEEK_SET) == 0 && regular_file::ReadExactly(fd, bytes.data(), bytes.size());
}

constexpr char kMsgTooLarge[] = "ERROR the samples need more memory than can be used";

}  // namespace

MswfRegion MswfRegion::Read(const uint8_t* p) {
  MswfRegion r;
  r.recordSize = byteio::U32LE(p);
  r.dataOffset = byteio::U32LE(p + 4);
  r.dataSize = byteio::U32LE(p + 8);
  r.sampleIndex = byteio::U32LE(p + 12);
  r.startFrame = byteio::U32LE(p + 16);
  r.endFrame = byteio::U32LE(p + 20);
  r.loopStart = byteio::U32LE(p + 24);
  r.loopEnd = byteio::U32LE(p + 28);
  r.pan = byteio::F32LE(p + 32);
  std::memcpy(r.unused1, p + 36, 8);
  r.lowKey = p[44];
  r.highKey = p[45];
  r.rootKey = p[46];
  r.lowVelocity = p[47];
  r.highVelocity = p[48];
  r.loopMode = p[49];
  r.unused2 = p[50];
  r.regionNumber = p[51];
  return r;
}

void MswfRegion::Write(uint8_t* p) const {
  byteio::SetU32LE(p, recordSize);
  byteio::SetU32LE(p + 4, dataOffset);
  byteio::SetU32LE(p + 8, dataSize);
  byteio::SetU32LE(p + 12, sampleIndex);
  byteio::SetU32LE(p + 16, startFrame);
  byteio::SetU32LE(p + 20, endFrame);
  byteio::SetU32LE(p + 24, loopStart);
  byteio::SetU32LE(p + 28, loopEnd);
  uint32_t panBits;
  std::memcpy(&panBits, &pan, 4);
  byteio::SetU32LE(p + 32, panBits);
  std::memcpy(p + 36, unused1, 8);
  p[44] = lowKey;
  p[45] = highKey;
  p[46] = rootKey;
  p[47] = lowVelocity;
  p[48] = highVelocity;
  p[49] = loopMode;
  p[50] = unused2;
  p[51] = regionNumber;
}

void MultiWaveReader::Clear() {
  items_.clear();
  regions_.clear();
}

bool MultiWaveReader::ReadRegions(const uint8_t* bytes, std::size_t size, uint32_t& itemCount) {
  if (size < kHeaderBytes) return false;
  const uint64_t regionCount = byteio::U32LE(bytes + 8);
  itemCount = byteio::U32LE(bytes + 12);
  // Counts come from the file: they are checked against the bytes actually there before
  // anything is sized from them. Item i is decoded from region i, so there cannot be
  // more items than regions.
  if (kHeaderBytes + regionCount * MswfRegion::kBytes > size || itemCount > regionCount) return false;
  regions_.reserve(static_cast<std::size_t>(regionCount));
  for (uint64_t r = 0; r < regionCount; ++r) {
    MswfRegion region = MswfRegion::Read(bytes + kHeaderBytes + r * MswfRegion::kBytes);
    region.regionNumber = static_cast<uint8_t>(r);
    regions_.push_back(region);
  }
  return true;
}

std::unique_ptr<SampleFile> MultiWaveReader::DecodeItem(const uint8_t* bytes, std::size_t size, uint32_t i) const {
  const MswfRegion& region = regions_[i];
  if (uint64_t{region.dataOffset} + region.dataSize > size) return nullptr;
  auto item = std::make_unique<SampleFile>();
  if (!item->LoadFromMemory(bytes + region.dataOffset, region.dataSize)) return nullptr;
  return item;
}

bool MultiWaveReader::ItemsFit(const uint8_t* bytes, std::size_t size, uint32_t itemCount) const {
  uint64_t samples = 0;
  for (uint32_t i = 0; i < itemCount; ++i) {
    const MswfRegion& region = regions_[i];
    if (uint64_t{region.dataOffset} + region.dataSize > size) continue;
    samples += SampleFile::WaveSampleCount(bytes + region.dataOffset, region.dataSize);
    if (samples > kMaxDecodedSamples) return false;
  }
  return true;
}

int MultiWaveReader::loadFile(const std::string& path) {
  try {
    return LoadFileItems(path);
  } catch (const std::bad_alloc&) {
    Clear();
    platform::LogPrintf("MultiWaveReader: <loadFile:%s> %s \n", path.c_str(), kMsgTooLarge);
    return 0;
  }
}

int MultiWaveReader::LoadFileItems(const std::string& path) {
  Clear();
  const char* name = path.c_str();
  uint64_t size = 0;
  const int fd = regular_file::Open(name, size);
  if (fd < 0) {
    platform::LogPrintf("MultiWaveReader: <loadFile:%s> ERROR file read \n", name);
    return 0;
  }
  uint8_t magic[4] = {};
  const bool haveMagic = size >= 4 && regular_file::ReadExactly(fd, magic, 4);

  if (haveMagic && byteio::IdIs(magic, "RIFF")) {
    ::close(fd);
    containerFlag_ = 0;
    regions_.push_back(MswfRegion{});
    auto item = std::make_unique<SampleFile>();
    if (!item->Load(path)) {
      platform::LogPrintf("MultiWaveReader: <loadFile:%s> [RIFF] ERROR file read \n", name);
      return 0;
    }
    items_.push_back(std::move(item));
    return 1;
  }

  if (haveMagic && byteio::IdIs(magic, "MSWF")) {
    containerFlag_ = 1;
    std::vector<uint8_t> bytes;
    const bool read = ReadWholeFile(fd, size, bytes);
    ::close(fd);
    if (!read) {
      platform::LogPrintf("MultiWaveReader: <loadFile:%s> ERROR file read \n", name);
      return 0;
    }
    uint32_t itemCount = 0;
    if (!ReadRegions(bytes.data(), bytes.size(), itemCount)) {
      regions_.clear();
      platform::LogPrintf("MultiWaveReader: <loadFile:%s> [MSWF] ERROR reading header \n", name);
      return 0;
    }
    if (!ItemsFit(bytes.data(), bytes.size(), itemCount)) {
      Clear();
      platform::LogPrintf("MultiWaveReader: <loadFile:%s> [MSWF] %s \n", name, kMsgTooLarge);
      return 0;
    }
    int result = 0;
    for (uint32_t i = 0; i < itemCount; ++i) {
      std::unique_ptr<SampleFile> item = DecodeItem(bytes.data(), bytes.size(), i);
      result = item != nullptr;
      if (item) {
        items_.push_back(std::move(item));
        if (progress_) progress_(static_cast<int>(itemCount), static_cast<int>(i) + 1);
      } else {
        platform::LogPrintf("MultiWaveReader: <loadFile:%s> [MSWF] ERROR reading sample %d \n", name,
                            static_cast<int>(i));
        // Keeps its place: regions address items by index.
        items_.push_back(nullptr);
      }
    }
    return result;
  }

  ::close(fd);
  platform::LogPrintf("MultiWaveReader: <loadFile:%s> ERROR unknowing format \n", name);
  return 0;
}

int MultiWaveReader::loadStream(const uint8_t* bytes, std::size_t size) {
  try {
    return LoadStreamItems(bytes, size);
  } catch (const std::bad_alloc&) {
    Clear();
    platform::LogPrintf("MultiWaveReader: <loadStream> %s \n", kMsgTooLarge);
    return 0;
  }
}

int MultiWaveReader::LoadStreamItems(const uint8_t* bytes, std::size_t size) {
  Clear();
  if (size >= 4 && byteio::IdIs(bytes, "RIFF")) {
    auto item = std::make_unique<SampleFile>();
    if (!item->LoadFromMemory(bytes, size)) {
      platform::LogPrintf("MultiWaveReader: <loadStream> [RIFF] ERROR reading ");
      return 0;
    }
    items_.push_back(std::move(item));
    regions_.push_back(MswfRegion{});
    containerFlag_ = 0;
    return 1;
  }
  if (size >= 4 && byteio::IdIs(bytes, "MSWF")) {
    containerFlag_ = 1;
    uint32_t itemCount = 0;
    if (!ReadRegions(bytes, size, itemCount)) {
      regions_.clear();
      platform::LogPrintf("MultiWaveReader: <loadStream> ERROR [MSWF] reading header \n");
      return 0;
    }
    if (!ItemsFit(bytes, size, itemCount)) {
      Clear();
      platform::LogPrintf("MultiWaveReader: <loadStream> [MSWF] %s \n", kMsgTooLarge);
      return 0;
    }
    items_.reserve(itemCount);
    for (uint32_t i = 0; i < itemCount; ++i) {
      std::unique_ptr<SampleFile> item = DecodeItem(bytes, size, i);
      if (!item) {
        platform::LogPrintf("MultiWaveReader: <loadStream> ERROR [MSWF] reading region %d \n", static_cast<int>(i));
        return 0;
      }
      items_.push_back(std::move(item));
      if (progress_) progress_(static_cast<int>(itemCount), static_cast<int>(i) + 1);
    }
    return 1;
  }
  platform::LogPrintf("MultiWaveReader: <loadStream> ERROR unknowing format ");
  return 0;
}

std::size_t MultiWaveReader::CreateStream(std::vector<uint8_t>& out, int containerFlag) {
  out.clear();
  containerFlag_ = containerFlag;
  if (!containerFlag) {
    if (items_.size() == 1 && items_[0]) items_[0]->EncodeWave(out);
    return out.size();
  }

  std::vector<MswfRegion> regions = regions_;
  const uint32_t regionCount = static_cast<uint32_t>(regions.size());
  const uint32_t itemCount = static_cast<uint32_t>(items_.size());
  out.resize(kHeaderBytes + std::size_t{regionCount} * MswfRegion::kBytes);
  std::memcpy(out.data(), "MSWF", 4);
  byteio::SetU32LE(out.data() + 4, regionCount * MswfRegion::kBytes + 4);
  byteio::SetU32LE(out.data() + 8, regionCount);
  byteio::SetU32LE(out.data() + 12, itemCount);
  platform::LogPrintf("MultiwaveReader: [Create Stream] (MW) regions %d\n", static_cast<int>(regionCount));
  platform::LogPrintf("MultiwaveReader: [Create Stream] (MW) items %d\n", static_cast<int>(itemCount));

  const SampleFile empty;
  uint64_t total = out.size();
  for (uint32_t i = 0; i < itemCount && i < regionCount; ++i) total += (items_[i] ? *items_[i] : empty).EncodedSize();
  if (total <= 0xFFFFFFFFu) out.reserve(static_cast<std::size_t>(total));
  for (uint32_t i = 0; i < itemCount && i < regionCount; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (out.size() > 0xFFFFFFFFu) {
      out.clear();
      return 0;
    }
    regions[i].dataOffset = static_cast<uint32_t>(out.size());
    // A damaged item of a loaded container is stored as an empty sample, so the stream
    // stays loadable and the other items keep their places.
    const SampleFile& item = items_[i] ? *items_[i] : empty;
    const uint32_t length = item.EncodeWave(out);
    if (length == 0) {
      out.clear();
      return 0;
    }
    regions[i].dataSize = length;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    platform::LogPrintf("[%s] Elapsed: %dus\n", "Convert2Riff", static_cast<int>(us.count()));
    if (progress_) progress_(static_cast<int>(itemCount), static_cast<int>(i) + 1);
    platform::LogPrintf("   Convert2Riff %d\n", static_cast<int>(itemCount));
  }
  for (uint32_t r = 0; r < regionCount; ++r) regions[r].Write(out.data() + kHeaderBytes + r * MswfRegion::kBytes);
  return out.size();
}

int32_t MultiWaveReader::ComputeHash() const {
  uint32_t h = 0;
  for (const auto& item : items_) {
    if (!item || item->Channels() == 0) continue;
    h = content_hash::Accumulate(h, item->Channel(0), item->Samples()[0].size());
    if (item->Channels() >= 2) h = content_hash::Accumulate(h, item->Channel(1), item->Samples()[1].size());
  }
  return static_cast<int32_t>(h);
}

uint64_t MultiWaveReader::DecodedBytes() const {
  uint64_t total = 0;
  for (const auto& item : items_)
    if (item) total += item->DecodedBytes();
  return total;
}
