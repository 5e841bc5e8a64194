#pragma once
// Keeps decoded sample sets in memory and hands out shared ones: an entry is identified by
// its name and the hash of its decoded content, so loading the same data again returns the
// set already held. Old unreferenced sets are evicted when the cache grows. Used from one
// thread at a time; players count themselves in each set's reference count.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/MultiWaveReader.h"

class WavefileCache {
 public:
  static constexpr uint64_t kMaxBytes = 122879999;  // decoded data, at each item's own bit depth
  static constexpr std::size_t kMaxEntries = 4;

  WavefileCache() = default;
  WavefileCache(const WavefileCache&) = delete;
  WavefileCache& operator=(const WavefileCache&) = delete;

  MultiWaveReader* Find(const std::string& name) const;
  MultiWaveReader* FindByNameAndHash(const std::string& name, int32_t hash) const;
  // Loads "/var/lib/ruv/working/wave/noises/" + name + suffix (".wav" or ".msw").
  MultiWaveReader* LoadFile(const std::string& name, const std::string& suffix);
  // A RIFF/WAVE image or an "MSWF" container held in memory (e.g. embedded in a preset).
  MultiWaveReader* LoadStream(const std::string& name, const uint8_t* bytes, std::size_t size);
  void PrintCache() const;

  std::size_t Count() const { return entries_.size(); }
  MultiWaveReader* Entry(std::size_t i) const { return entries_[i].get(); }

 private:
  // Returns the entry with the same name and content, or inserts `set` and returns it.
  MultiWaveReader* Insert(std::unique_ptr<MultiWaveReader> set, const std::string& name);
  void ClearLatestMarkers();

  std::vector<std::unique_ptr<MultiWaveReader>> entries_;
};
