#include "app/ProfilingDumper.h"

#include <sched.h>
#include <unistd.h>

#include <cstring>

#include "platform/ProfilingBuffer.h"
#include "platform/LogSink.h"

namespace {

timespec SystemNow() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

int SystemCpu() { return sched_getcpu(); }

}  // namespace

ProfilingDumper::ProfilingDumper(std::string path, long maxBytes, ProfilingClock clock)
    : path_(std::move(path)), maxBytes_(maxBytes), clock_(clock) {}

ProfilingDumper::~ProfilingDumper() {
  if (file_ != nullptr) std::fclose(file_);
}

timespec ProfilingDumper::Now() const { return clock_.now != nullptr ? clock_.now() : SystemNow(); }

int ProfilingDumper::Cpu() const { return clock_.cpu != nullptr ? clock_.cpu() : SystemCpu(); }

void ProfilingDumper::Pass() {
  const timespec t0 = Now();
  const int cpu0 = Cpu();
  std::atomic<int32_t>& current = ProfilingBuffer::CurrentIndex();
  const int index = current.load() & 1;
  ProfilingBlock& block = ProfilingBuffer::Block(index);
  ProfilingBlock& other = ProfilingBuffer::Block(index ^ 1);

  // Close the buffer once every claimed mark is complete; writers that find it closed read
  // the index again. A buffer found closed already (never opened) is taken as it is.
  for (;;) {
    int32_t claimed = 0;
    int32_t done = 0;
    bool closed = false;
    for (int i = 0; i < kCloseTries && !closed; ++i) {
      claimed = block.reserved.load();
      done = block.completed.load();
      if (claimed < 0) {
        closed = true;
      } else if (claimed == done) {
        closed = block.reserved.compare_exchange_strong(claimed, -1);
      }
    }
    if (closed) break;
    platform::LogPrintf("DumpEntries Timeout idx=%i doneIdx=%i\n", claimed, done);
  }
  // The other buffer may still be closed from before the first pass.
  if (other.reserved.load() < 0) {
    other.completed.store(0);
    other.reserved.store(0);
  }
  current.store(index ^ 1);

  int32_t n = block.completed.load();
  if (n < 0) n = 0;
  if (n >= ProfilingBuffer::kRecords) {
    overflow_ = true;
    n = ProfilingBuffer::kRecords;
  } else {
    overflow_ = false;
  }

  const long bytes = 16L * n;
  if (enabled_ && written_ + bytes <= maxBytes_) {
    if (file_ == nullptr) {
      file_ = std::fopen(path_.c_str(), opened_ ? "ab" : "wb");
      if (file_ == nullptr) platform::LogPrintf("Error opening '%s' to write Profiling Data\n", path_.c_str());
      else opened_ = true;
    }
    // Without a file the marks are dropped but the buffer is still reopened below: writers
    // must not meet a buffer that stays closed.
    if (file_ != nullptr && n > 0) {
      const size_t put = std::fwrite(block.records, sizeof(ProfilingRecord), static_cast<size_t>(n), file_);
      std::fflush(file_);
      written_ += 16L * static_cast<long>(put);
    }
  } else if (enabled_) {
    enabled_ = false;
    ProfilingBuffer::SetEnabled(false);
    platform::LogPrintf("Profiling Log reached maxsize. Profiling disabled.\n");
  }

  std::memset(block.records, 0, sizeof(ProfilingRecord) * static_cast<size_t>(n));
  ProfilingRecord& start = block.records[0];
  start = {};
  start.event = 1;
  start.cpu = static_cast<uint8_t>(cpu0 < 0 ? 0 : cpu0);
  start.stage = 0xFFFF;
  start.seconds = static_cast<uint32_t>(t0.tv_sec);
  start.nanoseconds = static_cast<uint32_t>(t0.tv_nsec);
  const timespec t1 = Now();
  const int cpu1 = Cpu();
  ProfilingRecord& end = block.records[1];
  end = {};
  end.event = overflow_ ? 4 : 3;
  end.cpu = static_cast<uint8_t>(cpu1 < 0 ? 0 : cpu1);
  end.subStage = 0xFFFF;
  end.seconds = static_cast<uint32_t>(t1.tv_sec);
  end.nanoseconds = static_cast<uint32_t>(t1.tv_nsec);
  // Done before claimed: a writer that claims slot 2 must never see done behind claimed.
  block.completed.store(2);
  block.reserved.store(2);
}

void ProfilingDumper::Run() {
  for (;;) {
    Pass();
    usleep(kPassMicros);
  }
}
