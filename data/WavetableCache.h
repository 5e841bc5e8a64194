#pragma once
// Keeps wavetables in memory and hands out shared ones, identified by name and the hash of
// their raw samples; the oldest unreferenced table is evicted once four are held. Used from
// one thread at a time; voices count themselves in each table's reference count.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/WaveTable.h"

class WavetableCache {
 public:
  static constexpr std::size_t kMaxEntries = 4;

  WavetableCache() = default;
  WavetableCache(const WavetableCache&) = delete;
  WavetableCache& operator=(const WavetableCache&) = delete;

  WaveTable* Find(const std::string& name) const;
  // Loads "/var/lib/ruv/working/wave/" + name + ".wav".
  WaveTable* LoadFile(const std::string& name);
  // A table from `count` 16-bit samples (preset data); a non-zero `analyse` computes the
  // spectra of all variants of a newly created entry.
  WaveTable* LoadNativeData(const std::string& name, const int16_t* samples, std::size_t count, int analyse);
  void PrintCache() const {}

  std::size_t Count() const { return entries_.size(); }
  WaveTable* Entry(std::size_t i) const { return entries_[i].get(); }

 private:
  WaveTable* Insert(std::unique_ptr<WaveTable> table, const std::string& name, bool analyse);
  void ClearLatestMarkers();

  std::vector<std::unique_ptr<WaveTable>> entries_;
};
