#include "data/WavefileCache.h"

#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {
constexpr char kNoiseDir[] = "/var/lib/ruv/working/wave/noises/";
}  // namespace

MultiWaveReader* WavefileCache::Find(const std::string& name) const {
  for (const auto& entry : entries_)
    if (entry->Name() == name) return entry.get();
  return nullptr;
}

MultiWaveReader* WavefileCache::FindByNameAndHash(const std::string& name, int32_t hash) const {
  for (const auto& entry : entries_)
    if (entry->Name() == name && entry->Hash() == hash) return entry.get();
  return nullptr;
}

void WavefileCache::ClearLatestMarkers() {
  for (const auto& entry : entries_) entry->SetLatestLoad(0);
}

MultiWaveReader* WavefileCache::LoadFile(const std::string& name, const std::string& suffix) {
  ClearLatestMarkers();
  auto set = std::make_unique<MultiWaveReader>();
  if (!set->loadFile(platform::DataPath(kNoiseDir) + name + suffix)) {
    platform::LogPrintf("ERROR: [WavefileCache] loading sample from file <%s>\n", name.c_str());
    return nullptr;
  }
  return Insert(std::move(set), name);
}

MultiWaveReader* WavefileCache::LoadStream(const std::string& name, const uint8_t* bytes, std::size_t size) {
  if (name.empty() || size == 0 || !bytes) return nullptr;
  ClearLatestMarkers();
  auto set = std::make_unique<MultiWaveReader>();
  if (!set->loadStream(bytes, size)) {
    platform::LogPrintf("<WavefileCache>  ERROR: loading wave stream <%s>\n", name.c_str());
    return nullptr;
  }
  return Insert(std::move(set), name);
}

MultiWaveReader* WavefileCache::Insert(std::unique_ptr<MultiWaveReader> set, const std::string& name) {
  const int32_t hash = set->ComputeHash();
  if (MultiWaveReader* held = FindByNameAndHash(name, hash)) return held;
  set->SetName(name);
  set->SetHash(hash);
  set->SetLatestLoad(1);
  set->StampLoadTime();

  uint64_t held = 0;
  for (const auto& entry : entries_) held += entry->DecodedBytes();
  if (held > kMaxBytes || entries_.size() >= kMaxEntries) {
    WaveCacheEntry::EvictOldestUnreferenced(
        entries_,
        [](int i, const MultiWaveReader& e) {
          platform::LogPrintf("WAVE_CACHE[%d] ->skiped delete wavefile <%s>\n", i, e.Name().c_str());
        },
        [](int i, const MultiWaveReader& e) {
          platform::LogPrintf("WAVE_CACHE[%d] ->delete wavefile <%s>\n", i, e.Name().c_str());
        });
  }
  entries_.push_back(std::move(set));
  return entries_.back().get();
}

void WavefileCache::PrintCache() const {
  uint64_t total = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const MultiWaveReader& e = *entries_[i];
    const uint64_t size = e.DecodedBytes();
    total += size;
    platform::LogPrintf(
        "WAVE_CACHE[%d] %c  time:%ds,%dn hash:0x%08X,regions %d name:<%s> ref:%d size:%dkb cache_size:%dkb\n",
        static_cast<int>(i), e.LatestLoad() ? '+' : '*', static_cast<int>(e.LoadSeconds()),
        static_cast<int>(e.LoadNanoseconds()), static_cast<unsigned>(e.Hash()), static_cast<int>(e.Regions().size()),
        e.Name().c_str(), static_cast<int>(e.RefCount()), static_cast<int>(size / 1024), static_cast<int>(total / 1024));
  }
}
