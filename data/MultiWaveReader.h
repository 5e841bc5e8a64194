#pragma once
// A playable multi-sample set: decoded samples plus the key/velocity regions that map
// notes onto them. Loaded from a plain RIFF/WAVE (one sample, one full-range region) or
// from an "MSWF" container (a region table followed by whole RIFF/WAVE items), and
// serialised back the same way. The region players read the regions and the items.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/SampleFile.h"
#include "data/WaveCacheEntry.h"

// One region of an "MSWF" container, 52 bytes little-endian in the file, fields in file
// order. Start/end 0/0 plays the whole sample; loop 0/0 takes the item's "smpl" loop.
struct MswfRegion {
  uint32_t recordSize = kBytes;
  uint32_t dataOffset = 0;   // from the start of the container
  uint32_t dataSize = 0;
  uint32_t sampleIndex = 0;  // the item this region plays
  uint32_t startFrame = 0;
  uint32_t endFrame = 0;
  uint32_t loopStart = 0;
  uint32_t loopEnd = 0;
  float pan = 0.0f;          // percent
  uint8_t unused1[8] = {};
  uint8_t lowKey = 0;
  uint8_t highKey = 127;
  uint8_t rootKey = 24;
  uint8_t lowVelocity = 0;
  uint8_t highVelocity = 127;
  uint8_t loopMode = 0;      // 0: the voice's setting
  uint8_t unused2 = 0;
  uint8_t regionNumber = 0;  // forced to the region's index on loading

  static constexpr uint32_t kBytes = 52;
  static MswfRegion Read(const uint8_t* p);
  void Write(uint8_t* p) const;
};
static_assert(sizeof(MswfRegion) == MswfRegion::kBytes, "the record is also used as the in-memory layout");

class MultiWaveReader : public WaveCacheEntry {
 public:
  // (total, done) after each item decoded or encoded: total is the set's item count, done
  // the number of items handled so far including this one (i + 1). Every loader and
  // CreateStream report the same way; no call marks the end, so a display that waits for
  // one closes itself when the operation returns.
  using ProgressFn = std::function<void(int total, int done)>;

  static constexpr uint32_t kHeaderBytes = 16;

  MultiWaveReader() = default;
  MultiWaveReader(const MultiWaveReader&) = delete;
  MultiWaveReader& operator=(const MultiWaveReader&) = delete;

  // Non-zero on success. A damaged item of a container file is reported and left empty
  // (a null item) so the regions after it still address their own items. A set whose
  // samples together exceed the board's limit is refused as a whole before anything is
  // decoded.
  int loadFile(const std::string& path);
  // 1 on success, 0 on failure; a damaged item fails the whole stream.
  int loadStream(const uint8_t* bytes, std::size_t size);
  // Replaces `out` with an "MSWF" container (containerFlag 1) or with the RIFF/WAVE image
  // of the only item (flag 0; empty unless there is exactly one item). Returns the
  // length written, 0 when nothing could be written.
  std::size_t CreateStream(std::vector<uint8_t>& out, int containerFlag);

  void SetProgressCallback(ProgressFn fn) { progress_ = std::move(fn); }

  int32_t ItemCount() const { return static_cast<int32_t>(items_.size()); }
  // Null where a container file held a damaged item.
  const SampleFile* Item(int32_t i) const { return items_[static_cast<std::size_t>(i)].get(); }
  SampleFile* Item(int32_t i) { return items_[static_cast<std::size_t>(i)].get(); }
  const std::vector<MswfRegion>& Regions() const { return regions_; }
  std::vector<MswfRegion>& Regions() { return regions_; }
  int ContainerFlag() const { return containerFlag_; }

  // For building a set in code: appends an item (and nothing else).
  void AddItem(std::unique_ptr<SampleFile> item) { items_.push_back(std::move(item)); }

  // Content hash over the items (channel 0, then channel 1 of items with two or more).
  int32_t ComputeHash() const;
  // Sum of the items' data at their own bit depth.
  uint64_t DecodedBytes() const;

 private:
  void Clear();
  // Reads the header and the region table; false when they do not fit in `size` bytes.
  bool ReadRegions(const uint8_t* bytes, std::size_t size, uint32_t& itemCount);
  // Decodes item i from region i's byte range; null when it is damaged.
  std::unique_ptr<SampleFile> DecodeItem(const uint8_t* bytes, std::size_t size, uint32_t i) const;
  // Whether the items' samples together stay within the board's limit (items may share
  // their bytes, so a small file can describe any number of large samples); read from the
  // items' headers, before anything is decoded.
  bool ItemsFit(const uint8_t* bytes, std::size_t size, uint32_t itemCount) const;
  // The loaders without the guard against running out of memory.
  int LoadFileItems(const std::string& path);
  int LoadStreamItems(const uint8_t* bytes, std::size_t size);

  std::vector<std::unique_ptr<SampleFile>> items_;
  std::vector<MswfRegion> regions_;
  ProgressFn progress_;
  int containerFlag_ = 0;
};
