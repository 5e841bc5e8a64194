#pragma once
// Lock-free trace of timing marks from the real-time threads (voice render begin/end,
// period start) into two alternating buffers; the application's profiling dumper closes
// one, writes it out and reopens it (app/ProfilingDumper.h). Writers never block: a full
// buffer drops the mark.
#include <atomic>
#include <cstddef>
#include <cstdint>

// One mark, 16 bytes as stored in the file.
struct ProfilingRecord {
  uint8_t event;      // 1 render begin, 2 render end, 10 period start
  uint8_t cpu;        // CPU the writer ran on
  uint16_t stage;     // render stage; 1 for the period mark
  uint16_t subStage;
  uint16_t slot;      // voice slot index
  uint32_t seconds;   // monotonic clock
  uint32_t nanoseconds;
};
static_assert(sizeof(ProfilingRecord) == 16);
static_assert(offsetof(ProfilingRecord, event) == 0);
static_assert(offsetof(ProfilingRecord, cpu) == 1);
static_assert(offsetof(ProfilingRecord, stage) == 2);
static_assert(offsetof(ProfilingRecord, subStage) == 4);
static_assert(offsetof(ProfilingRecord, slot) == 6);
static_assert(offsetof(ProfilingRecord, seconds) == 8);
static_assert(offsetof(ProfilingRecord, nanoseconds) == 12);

struct ProfilingBlock;

// Process-wide double buffer of timing marks: many lock-free writers, one dumping reader.
class ProfilingBuffer {
 public:
  static constexpr int32_t kRecords = 1024;  // per buffer

  // The process-wide switch; marks are written only while it is on.
  static void SetEnabled(bool on);
  static bool Enabled();

  // Any thread, real-time safe: stamps the monotonic time and claims the next record of
  // the current buffer. False when switched off or the buffer is full (the mark is lost).
  static bool Write(uint8_t event, uint8_t cpu, uint16_t stage, uint16_t subStage, uint16_t slot);

  // Tries a writer makes on a closed buffer before it drops its mark: a dumper that never
  // reopens the buffer must not hold a real-time thread in a spin.
  static constexpr int kClosedSpins = 1000;

  // The two buffers and the index of the one writers fill, for the dumper.
  static ProfilingBlock& Block(int index);
  static std::atomic<int32_t>& CurrentIndex();
};

// A buffer as laid out in memory: the records, then the two 32-bit counts.
struct ProfilingBlock {
  ProfilingRecord records[ProfilingBuffer::kRecords];
  std::atomic<int32_t> reserved;   // records claimed; negative while the buffer is closed
  std::atomic<int32_t> completed;  // records filled
};
static_assert(sizeof(std::atomic<int32_t>) == 4);
static_assert(offsetof(ProfilingBlock, reserved) == 16384);
static_assert(offsetof(ProfilingBlock, completed) == 16388);
