#pragma once
// What a sample cache records about each object it holds (name, content hash, load time,
// latest-load marker) and the count of players that have the object attached. The cache
// only reads the count; an object with a non-zero count is never freed by it.
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class WaveCacheEntry {
 public:
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  int32_t Hash() const { return hash_; }
  void SetHash(int32_t hash) { hash_ = hash; }
  int64_t LoadSeconds() const { return loadSeconds_; }
  int64_t LoadNanoseconds() const { return loadNanoseconds_; }
  void SetLoadTime(int64_t seconds, int64_t nanoseconds) {
    loadSeconds_ = seconds;
    loadNanoseconds_ = nanoseconds;
  }
  // Takes the monotonic clock as the load time.
  void StampLoadTime() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    SetLoadTime(now.tv_sec, now.tv_nsec);
  }
  // Eviction order: earlier loads first, by (seconds, nanoseconds).
  static bool LoadedBefore(const WaveCacheEntry& a, const WaveCacheEntry& b) {
    if (a.loadSeconds_ != b.loadSeconds_) return a.loadSeconds_ < b.loadSeconds_;
    return a.loadNanoseconds_ < b.loadNanoseconds_;
  }
  // A cache's eviction step: sorts its list by load time, then removes the first entry no
  // player holds. Entries passed over go to onSkip, the removed one to onDelete (before it
  // is freed), each with its position. At most one entry goes.
  template <class Entry, class OnSkip, class OnDelete>
  static void EvictOldestUnreferenced(std::vector<std::unique_ptr<Entry>>& list, OnSkip onSkip, OnDelete onDelete) {
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return LoadedBefore(*a, *b); });
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (list[i]->RefCount() != 0) {
        onSkip(static_cast<int>(i), *list[i]);
        continue;
      }
      onDelete(static_cast<int>(i), *list[i]);
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
  int32_t LatestLoad() const { return latestLoad_; }
  void SetLatestLoad(int32_t marker) { latestLoad_ = marker; }

  // Called by a player when it attaches (AddRef) or lets go of (Release) the object, from
  // any thread. Release never takes the count below 0.
  void AddRef() { refCount_.fetch_add(1, std::memory_order_acq_rel); }
  void Release() {
    int32_t count = refCount_.load(std::memory_order_acquire);
    while (count > 0 && !refCount_.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel)) {
    }
  }
  int32_t RefCount() const { return refCount_.load(std::memory_order_acquire); }

 protected:
  WaveCacheEntry() = default;
  ~WaveCacheEntry() = default;

 private:
  std::string name_;
  int32_t hash_ = 0;
  int64_t loadSeconds_ = 0;
  int64_t loadNanoseconds_ = 0;
  int32_t latestLoad_ = 0;
  std::atomic<int32_t> refCount_{0};
};
