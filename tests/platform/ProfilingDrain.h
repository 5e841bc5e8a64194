#pragma once
// The tests' reader of the profiling buffers: turns the writers to the other buffer and
// takes the closed one's marks, without the dumper's file and framing marks, so a test
// sees exactly the marks its writers left.
#include <sched.h>

#include <cstring>

#include "platform/ProfilingBuffer.h"

namespace testing_support {

// Copies the closed buffer's marks to `out` (ProfilingBuffer::kRecords of room, or null to
// discard them) and returns how many there were.
inline int32_t DrainProfiling(ProfilingRecord* out) {
  std::atomic<int32_t>& current = ProfilingBuffer::CurrentIndex();
  const int32_t old = current.load(std::memory_order_relaxed) & 1;
  ProfilingBlock& closing = ProfilingBuffer::Block(old);
  ProfilingBlock& opening = ProfilingBuffer::Block(old ^ 1);
  opening.completed.store(0, std::memory_order_relaxed);
  opening.reserved.store(0, std::memory_order_release);
  current.store(old ^ 1, std::memory_order_release);
  int32_t claimed = closing.reserved.exchange(-1, std::memory_order_acq_rel);
  if (claimed < 0) claimed = 0;
  if (claimed > ProfilingBuffer::kRecords) claimed = ProfilingBuffer::kRecords;
  // Writers that claimed a record before the close are still filling it.
  while (closing.completed.load(std::memory_order_acquire) < claimed) sched_yield();
  if (out != nullptr) std::memcpy(out, closing.records, sizeof(ProfilingRecord) * static_cast<size_t>(claimed));
  return claimed;
}

}  // namespace testing_support
