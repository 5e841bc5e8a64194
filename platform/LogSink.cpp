#include "platform/LogSink.h"

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/LogRing.h"

namespace platform {
namespace {

// Line buffered whatever stdio chose for stdout (it buffers fully when stdout is a pipe or
// a file, where a line would otherwise wait for kilobytes of others or be lost at a crash).
void StdoutSink(const char* text, void*) {
  std::fputs(text, stdout);
  if (std::strchr(text, '\n')) std::fflush(stdout);
}

// A sink is its function and its context together: a logging thread must never call one
// sink's function with another's context, nor call a sink after SetLogSink has replaced
// it (its context may be gone). Two slots take turns; a writer only ever reads the slot it
// has registered itself on, and SetLogSink returns once nobody is on the slot it retired.
// The logging side takes no lock, so real-time threads can log.
struct Slot {
  LogSinkFn fn;
  void* context;
  std::atomic<int> users{0};
};

constinit Slot g_slots[2] = {{StdoutSink, nullptr}, {StdoutSink, nullptr}};
constinit std::atomic<Slot*> g_current{&g_slots[0]};
std::mutex g_setting;

void WriteToSink(const char* text) {
  Slot* slot = g_current.load();
  for (;;) {
    // Register, then confirm the slot is still current (sequentially consistent on both
    // sides, so SetLogSink either sees this writer or this writer sees the change).
    slot->users.fetch_add(1);
    Slot* const now = g_current.load();
    if (now == slot) break;
    slot->users.fetch_sub(1);
    slot = now;
  }
  slot->fn(text, slot->context);
  slot->users.fetch_sub(1);
}

LogRing g_ring;
std::mutex g_popping;  // the ring has one reader at a time
constinit thread_local bool t_deferred = false;

// Empties the ring every few milliseconds. Ends (with a last flush) when the program does.
class Drain {
 public:
  void Start() {
    std::lock_guard<std::mutex> lock(starting_);
    if (thread_.joinable()) return;
    running_.store(true);
    thread_ = std::thread([this] {
      // A thread inherits its creator's name and scheduling; this one is neither real-time
      // nor the thread that happened to start it.
      pthread_setname_np(pthread_self(), "log-drain");
      const sched_param normal{};
      pthread_setschedparam(pthread_self(), SCHED_OTHER, &normal);
      while (running_.load()) {
        FlushLog();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
  }
  ~Drain() {
    if (!thread_.joinable()) return;
    running_.store(false);
    thread_.join();
    FlushLog();
  }

 private:
  std::mutex starting_;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

Drain g_drain;

}  // namespace

void StartLogDrain() { g_drain.Start(); }

void DeferThreadLog() {
  g_drain.Start();
  t_deferred = true;
}

void FlushLog() {
  std::lock_guard<std::mutex> lock(g_popping);
  while (g_ring.Pop([](const char* text) { WriteToSink(text); })) {
  }
  // Lines a full ring refused are gone; the log says how many, where they went missing.
  static uint64_t reported = 0;  // under g_popping
  const uint64_t dropped = g_ring.Dropped();
  if (dropped != reported) {
    char text[48];
    std::snprintf(text, sizeof text, "%llu lines dropped\n", static_cast<unsigned long long>(dropped - reported));
    reported = dropped;
    WriteToSink(text);
  }
}

unsigned long long LogLinesDropped() { return g_ring.Dropped(); }

void SetLogSink(LogSinkFn fn, void* context) {
  FlushLog();
  std::lock_guard<std::mutex> lock(g_setting);
  Slot* const old = g_current.load();
  // Nobody reads the idle slot: the last change waited for its writers to leave, and a
  // writer that registers on it now sees it is not current and backs out unread.
  Slot* const next = old == &g_slots[0] ? &g_slots[1] : &g_slots[0];
  next->fn = fn ? fn : StdoutSink;
  next->context = context;
  g_current.store(next);
  while (old->users.load() != 0) std::this_thread::yield();
}

void LogVPrintf(const char* format, va_list args) {
  char line[1024];
  std::vsnprintf(line, sizeof line, format, args);
  LogWrite(line);
}

void LogPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogVPrintf(format, args);
  va_end(args);
}

void LogWrite(const char* text) {
  if (t_deferred) {
    g_ring.Push(text);
    return;
  }
  WriteToSink(text);
}

}  // namespace platform
