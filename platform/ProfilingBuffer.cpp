#include "platform/ProfilingBuffer.h"

#include <time.h>


namespace {

// A closed buffer (not current, or being dumped) has this reservation count, so that
// writers spin instead of claiming records the dumper is about to read.
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
