#pragma once
// The main thread's side of the profiling buffers: every 2 ms it closes the buffer the
// writers fill once no mark is half written, turns the writers to the other one, appends the
// closed buffer's marks to the dump file and reopens it with two marks of its own (the pass's
// start and end), so each dumped block is framed by the passes around it.
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <string>

// Where the dumper takes its time stamps and CPU numbers from; null members: the system's.
struct ProfilingClock {
  timespec (*now)();  // monotonic
  int (*cpu)();
};

class ProfilingDumper {
 public:
  static constexpr const char* kPath = "/tmp/profiling2.data";
  static constexpr long kMaxBytes = 134217727;
  static constexpr int kCloseTries = 2000;
  static constexpr long kPassMicros = 2000;

  // `path` is the full file path (callers form it under the data root).
  explicit ProfilingDumper(std::string path, long maxBytes = kMaxBytes, ProfilingClock clock = {nullptr, nullptr});
  ~ProfilingDumper();
  ProfilingDumper(const ProfilingDumper&) = delete;
  ProfilingDumper& operator=(const ProfilingDumper&) = delete;

  // One pass; the process's main loop calls it, then sleeps kPassMicros.
  void Pass();
  [[noreturn]] void Run();

  long BytesWritten() const { return written_; }
  bool Overflowed() const { return overflow_; }
  bool Enabled() const { return enabled_; }

 private:
  timespec Now() const;
  int Cpu() const;

  std::string path_;
  long maxBytes_;
  ProfilingClock clock_;
  FILE* file_ = nullptr;
  bool opened_ = false;  // truncate on the very first open only
  long written_ = 0;
  bool overflow_ = false;
  bool enabled_ = true;
};
