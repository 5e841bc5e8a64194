#include "data/WavetableCache.h"

#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {
constexpr char kWaveDir[] = "/var/lib/ruv/working/wave/";
}  // namespace

WaveTable* WavetableCache::Find(const std::string& name) const {
  for (const auto& entry : entries_)
    if (entry->Name() == name) return entry.get();
  return nullptr;
}

void WavetableCache::ClearLatestMarkers() {
  for (const auto& entry : entries_) entry->SetLatestLoad(0);
}

WaveTable* WavetableCache::LoadFile(const std::string& name) {
  ClearLatestMarkers();
  auto table = std::make_unique<WaveTable>();
  if (!table->LoadFile(platform::DataPath(kWaveDir) + name + ".wav")) {
    platform::LogPrintf("ERROR: [WavetableCache] loading native sample from file <%s>\n", name.c_str());
    return nullptr;
  }
  return Insert(std::move(table), name, false);
}

WaveTable* WavetableCache::LoadNativeData(const std::string& name, const int16_t* samples, std::size_t count,
                                          int analyse) {
  if (name.empty() || count == 0 || !samples) return nullptr;
  ClearLatestMarkers();
  auto table = std::make_unique<WaveTable>();
  if (!table->LoadNative(samples, count)) return nullptr;
  return Insert(std::move(table), name, analyse != 0);
}

WaveTable* WavetableCache::Insert(std::unique_ptr<WaveTable> table, const std::string& name, bool analyse) {
  const int32_t hash = table->ContentHash();
  for (const auto& entry : entries_)
    if (entry->Name() == name && entry->Hash() == hash) return entry.get();
  if (analyse)
    for (int32_t v = 0; v < WaveTable::kVariants; ++v) table->AnalyseVariant(v);
  table->SetName(name);
  table->SetHash(hash);
  table->SetLatestLoad(1);
  table->StampLoadTime();

  if (entries_.size() >= kMaxEntries) {
    WaveCacheEntry::EvictOldestUnreferenced(
        entries_, [](int, const WaveTable&) {},
        [](int i, const WaveTable& e) {
          platform::LogPrintf("WT_CACHE[%d] ->delete wavetable <%s>\n", i, e.Name().c_str());
        });
  }
  entries_.push_back(std::move(table));
  return entries_.back().get();
}
