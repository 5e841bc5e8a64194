#include "app/services/ProfilingBuffer.h"

#include <sched.h>
#include <time.h>

#include <cstdio>
#include <cstring>

#include "platform/Paths.h"

namespace {

// A closed buffer (not current, or being exchanged) has this reservation count, so that
// writers spin instead of claiming records the main thread is about to read.
constexpr int32_t kClosed = -1;

std::atomic<uint8_t> g_switch{0};
std::atomic<int32_t> g_current{0};
ProfilingBlock g_blocks[2] = {{{}, 0, 0}, {{}, kClosed, 0}};

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__arm__) || defined(__aarch64__)
  asm volatile("yield");
#endif
}

}  // namespace

void ProfilingBuffer::SetEnabled(bool on) { g_switch.store(on ? 1 : 0, std::memory_order_relaxed); }

bool ProfilingBuffer::Enabled() { return g_switch.load(std::memory_order_relaxed) != 0; }

bool ProfilingBuffer::Write(uint8_t event, uint8_t cpu, uint16_t stage, uint16_t subStage, uint16_t slot) {
  if (!Enabled()) return false;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  int closedSpins = 0;
  for (;;) {
    ProfilingBlock& block = g_blocks[g_current.load(std::memory_order_acquire)];
    int32_t c = block.reserved.load(std::memory_order_acquire);
    if (c < 0) {
      if (++closedSpins > kClosedSpins) return false;
      CpuRelax();
      continue;
    }
    if (c >= kRecords) return false;
    if (!block.reserved.compare_exchange_weak(c, c + 1, std::memory_order_acquire, std::memory_order_relaxed)) {
      continue;
    }
    block.records[c] = {event,
                        cpu,
                        stage,
                        subStage,
                        slot,
                        static_cast<uint32_t>(now.tv_sec),
                        static_cast<uint32_t>(now.tv_nsec)};
    block.completed.fetch_add(1, std::memory_order_release);
    return true;
  }
}

ProfilingBlock& ProfilingBuffer::Block(int index) { return g_blocks[index & 1]; }

std::atomic<int32_t>& ProfilingBuffer::CurrentIndex() { return g_current; }

int32_t ProfilingBuffer::Exchange(ProfilingRecord* out) {
  const int32_t old = g_current.load(std::memory_order_relaxed);
  ProfilingBlock& closing = g_blocks[old];
  ProfilingBlock& opening = g_blocks[old ^ 1];
  // Open the other buffer before closing this one: a writer that finds its buffer closed
  // then only has to read the current index again, never wait for this thread.
  opening.completed.store(0, std::memory_order_relaxed);
  opening.reserved.store(0, std::memory_order_release);
  g_current.store(old ^ 1, std::memory_order_release);
  const int32_t claimed = closing.reserved.exchange(kClosed, std::memory_order_acq_rel);
  // Writers that claimed a record before the close are still filling it.
  while (closing.completed.load(std::memory_order_acquire) < claimed) sched_yield();
  if (out) std::memcpy(out, closing.records, sizeof(ProfilingRecord) * static_cast<size_t>(claimed));
  return claimed;
}

int32_t ProfilingBuffer::ExchangeAndAppend() {
  static ProfilingRecord records[kRecords];  // main thread only
  const int32_t count = Exchange(records);
  FILE* f = std::fopen(platform::DataPath(kFilePath).c_str(), "ab");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  long room = size < 0 ? 0 : (kMaxFileBytes - size) / static_cast<long>(sizeof(ProfilingRecord));
  if (room < 0) room = 0;
  const int32_t n = count < room ? count : static_cast<int32_t>(room);
  const size_t written = n > 0 ? std::fwrite(records, sizeof(ProfilingRecord), static_cast<size_t>(n), f) : 0;
  std::fclose(f);
  return static_cast<int32_t>(written);
}
